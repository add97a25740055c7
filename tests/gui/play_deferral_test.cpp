// GUI tests of the File commands that arrive while a play runs: they stop
// it first and then go on as if none had run, save question included, so
// the database is never freed or replaced under a running play. Only a
// command asked from inside one of the play's own steps, where the play
// cannot end at once, waits for its end.
#include "gui_test_util.h"
#include "shell_fixture.h"
#include "ui/play_session.h"
#include "ui/shell.h"

#include <gdk/gdkkeysyms.h>

namespace {

// The three ways of asking to leave.
const std::vector<std::pair<const char*, void (*)()>> QUIT_REQUESTS = {
    { "File > Quit", [] { activate_item(int(file_menu_items().size()) - 1); } },
    { "Ctrl+Q", [] { gtk_accel_groups_activate(G_OBJECT(shell_main_window()), GDK_q, GDK_CONTROL_MASK); } },
    { "window close", [] { send_delete_event(shell_main_window()); } },
};

// A play whose first step runs `inside` from the page's own code, then
// ends; nothing sounds.
void start_play_calling(void (*inside)())
{
    play_session_start({
        .owner = PageId::Words,
        .db = shell_database(),
        .show =
            [inside](std::size_t i) {
                if (i > 0)
                    return PlayStep::Done;
                inside();
                return PlayStep::Play;
            },
        .sound = [](std::size_t, PlayItem&) { return PlayStep::Skip; },
        .progress = nullptr,
        .finished = nullptr,
    });
}

} // namespace

TEST_F(ShellTest, QuitDuringPlayStopsItThenLeaves)
{
    for (const auto& [name, request] : QUIT_REQUESTS) {
        SCOPED_TRACE(name);
        open_path(write_csf("voice.csf"));
        bool stopped_first = false;
        EXPECT_TRUE(main_loop_quit_by([&] {
            play_session_pretend_for_tests(true);
            request();
            stopped_first = !play_session_active();
        }));
        EXPECT_TRUE(stopped_first);
        EXPECT_EQ(shell_database(), nullptr);
        // The next round needs the window again.
        shell_destroy_for_tests();
        shell_build();
        pump_events();
    }
}

TEST_F(ShellTest, QuitDuringPlayStopsItThenAsksToSave)
{
    open_path(write_csf("voice.csf"));
    SpeechDb* db = shell_database();
    db_set_flags(db, 0x42);

    play_session_pretend_for_tests(true);
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    send_delete_event(shell_main_window());
    pump_for(300);
    EXPECT_FALSE(play_session_active());
    ASSERT_EQ(seen_dialogs().size(), 2u);
    EXPECT_EQ(seen_dialogs()[1].text, "Project not saved\nSave it before exit ?");
    EXPECT_EQ(shell_database(), db);
    EXPECT_TRUE(gtk_widget_get_visible(shell_main_window()));
}

TEST_F(ShellTest, OpenDuringPlayStopsItThenChooses)
{
    open_path(write_csf("voice.csf", 0x10));
    std::string other = write_csf("other.csf", 0x20);

    play_session_pretend_for_tests(true);
    queue_answer(answer_choose(other));
    activate_item(FILE_OPEN);
    EXPECT_FALSE(play_session_active());
    EXPECT_EQ(unanswered_count(), 0u);
    ASSERT_NE(shell_database(), nullptr);
    EXPECT_EQ(db_flags(shell_database()), 0x20);
}

// Asked from inside a step, Quit cannot end the play at once: it waits for
// the play's end, which comes as soon as the step returns.
TEST_F(ShellTest, QuitFromInsideAPlayStepWaitsForItsEnd)
{
    open_path(write_csf("voice.csf"));
    bool kept_inside = false;
    EXPECT_TRUE(main_loop_quit_by([&kept_inside] {
        static bool* kept = nullptr;
        kept = &kept_inside;
        start_play_calling([] {
            shell_quit();
            *kept = shell_database() != nullptr;
        });
    }));
    EXPECT_TRUE(kept_inside) << "freed under the running play";
    EXPECT_FALSE(play_session_active());
    EXPECT_EQ(shell_database(), nullptr);
}

TEST_F(ShellTest, QuitOutranksAnOpenWaitingForThePlay)
{
    open_path(write_csf("voice.csf"));
    EXPECT_TRUE(main_loop_quit_by([] {
        start_play_calling([] {
            activate_item(FILE_OPEN);
            shell_quit();
            activate_item(FILE_OPEN);
        });
    }));
    EXPECT_EQ(seen_dialogs().size(), 1u) << "no Load chooser after the Quit";
    EXPECT_EQ(shell_database(), nullptr);
}
