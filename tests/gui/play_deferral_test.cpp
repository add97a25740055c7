// GUI tests of the File commands that arrive while a page plays: they
// wait for the play to end and then run as usual, so the database is never
// freed or replaced under a running play.
#include "gui_test_util.h"
#include "shell_fixture.h"
#include "ui/shell.h"

#include <gdk/gdkkeysyms.h>

namespace {

// Ends the pretended play from a timeout, as a real play ends after
// its last word, and notes that it happened.
struct PretendedEnd {
    bool ended = false;
    bool database_present_at_end = false;
};

gboolean on_play_end(gpointer data)
{
    auto* end = static_cast<PretendedEnd*>(data);
    end->database_present_at_end = shell_database() != nullptr;
    end->ended = true;
    play_session_pretend_for_tests(false);
    return FALSE;
}

} // namespace

TEST_F(ShellTest, QuitDuringPlayWaitsForThePlayToEnd)
{
    open_path(write_csf("voice.csf"));
    PretendedEnd end;
    EXPECT_TRUE(main_loop_quit_by(
        [&end] {
            play_session_pretend_for_tests(true);
            // Menu, accelerator and window close all arrive mid-play.
            shell_quit();
            gtk_accel_groups_activate(G_OBJECT(shell_main_window()), GDK_q, GDK_CONTROL_MASK);
            send_delete_event(shell_main_window());
            EXPECT_NE(shell_database(), nullptr) << "freed under the running play";
            g_timeout_add(150, on_play_end, &end);
        },
        2000));
    EXPECT_TRUE(end.ended) << "the loop ended before the play did";
    EXPECT_TRUE(end.database_present_at_end);
    EXPECT_EQ(shell_database(), nullptr);
}

TEST_F(ShellTest, DeferredRequestWaitsForEveryPlayToEnd)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    // The play does not end: the request stays waiting.
    EXPECT_FALSE(main_loop_quit_by(
        [] {
            play_session_pretend_for_tests(true);
            send_delete_event(shell_main_window());
        },
        300));
    EXPECT_EQ(shell_database(), db);

    // A play that starts before the waiting request could run holds it
    // back again.
    EXPECT_FALSE(main_loop_quit_by(
        [] {
            play_session_pretend_for_tests(false);
            play_session_pretend_for_tests(true);
        },
        300));
    EXPECT_EQ(shell_database(), db);

    EXPECT_TRUE(main_loop_quit_by([] { play_session_pretend_for_tests(false); }));
}

TEST_F(ShellTest, DeferredQuitStillAsksToSaveAndCanBeCancelled)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    db_set_flags(db, 0x42);

    play_session_pretend_for_tests(true);
    send_delete_event(shell_main_window());
    pump_for(100);
    EXPECT_EQ(seen_dialogs().size(), 1u) << "no question while the play runs";

    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    play_session_pretend_for_tests(false);
    pump_for(300);
    ASSERT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(seen_dialogs()[1].text, "Project not saved\nSave it before exit ?");
    EXPECT_EQ(shell_database(), db);
    EXPECT_TRUE(gtk_widget_get_visible(shell_main_window()));
}

TEST_F(ShellTest, DeferredOpenRunsAfterThePlay)
{
    open_path(write_csf("voice.csf", 0x10));
    SpeechDb* db = shell_database();
    std::string other = write_csf("other.csf", 0x20);

    play_session_pretend_for_tests(true);
    activate_item(FILE_OPEN);
    pump_for(100);
    EXPECT_EQ(seen_dialogs().size(), 1u) << "no chooser while the play runs";
    EXPECT_EQ(shell_database(), db);

    queue_answer(answer_choose(other));
    play_session_pretend_for_tests(false);
    pump_for(300);
    EXPECT_EQ(unanswered_count(), 0u);
    ASSERT_NE(shell_database(), nullptr);
    EXPECT_EQ(db_flags(shell_database()), 0x20);
}

TEST_F(ShellTest, QuitOutranksAnOpenWaitingForThePlay)
{
    open_path(write_csf("voice.csf"));
    EXPECT_TRUE(main_loop_quit_by([] {
        play_session_pretend_for_tests(true);
        activate_item(FILE_OPEN);
        shell_quit();
        activate_item(FILE_OPEN);
        play_session_pretend_for_tests(false);
    }));
    EXPECT_EQ(seen_dialogs().size(), 1u) << "no Load chooser after the Quit";
    EXPECT_EQ(shell_database(), nullptr);
}
