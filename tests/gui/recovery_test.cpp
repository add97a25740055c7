// GUI tests of autosave and crash recovery: copies written only while
// there are unsaved changes, the offer on start and on opening the file,
// its three answers, damaged copies kept aside, and the copy removed by a
// save or a confirmed quit.
#include "db/load.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/edit_menu.h"
#include "ui/recovery.h"
#include "ui/recovery_dialog.h"
#include "ui/settings.h"
#include "ui/shell.h"

#include <glib/gstdio.h>
#include <utime.h>

namespace {

constexpr int RESPONSE_LATER = 1;
constexpr int RESPONSE_DISCARD = 2;
constexpr int RESPONSE_RECOVER = 3;

class RecoveryTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        path = write_csf("voice.csf");
    }
    // Opens the file, changes its flags and lets autosave write the copy.
    void edit_and_autosave(int flags)
    {
        open_path(path);
        db_set_flags(shell_database(), flags);
        recovery_autosave_now();
        ASSERT_TRUE(recovery_newer_copy(path));
    }
    // Starts afresh, as after a crash, and answers the offer.
    void restart_answering(int response)
    {
        shell_destroy_for_tests();
        shell_build();
        queue_answer(answer_response(response));
        shell_start(nullptr);
        pump_events();
    }
    std::vector<std::string> folder_entries() const { return dir_entries(recovery_folder()); }

    PrivateStateHome state;
    PrivateConfigHome config;
    std::string path;
};

TEST_F(RecoveryTest, CopiesAreWrittenOnlyWhileChangesAreUnsaved)
{
    open_path(path);
    recovery_autosave_now();
    EXPECT_TRUE(folder_entries().empty()) << "nothing unsaved, nothing written";

    db_set_flags(shell_database(), 0x42);
    recovery_autosave_now();
    const auto copy = recovery_newer_copy(path);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->file, path);
    EXPECT_EQ(folder_entries().size(), 2u) << "the copy and its record";
    SpeechDbPtr saved = db_load_file(copy->copy_path.c_str(), nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(db_flags(saved.get()), 0x42);

    // Undone back to the file: the copy has nothing left to bring back.
    gtk_menu_item_activate(GTK_MENU_ITEM(edit_menu_undo_item()));
    recovery_autosave_now();
    EXPECT_TRUE(folder_entries().empty());
}

TEST_F(RecoveryTest, TheTimerWritesAtTheIntervalFromTheSettings)
{
    ASSERT_TRUE(settings_set_int("editor", "autosave-seconds", 1));
    EXPECT_EQ(recovery_interval_seconds(), 1);
    open_path(path);
    db_set_flags(shell_database(), 0x43);
    // A seconds timer fires within a second after its time.
    pump_for(2500);
    EXPECT_TRUE(recovery_newer_copy(path));
}

TEST_F(RecoveryTest, StartOffersTheCopyAndEachAnswerDoesItsPart)
{
    struct Case {
        int response;
        bool recovered;
        bool copy_kept;
    };
    const Case cases[] = {
        {RESPONSE_RECOVER, true, true},
        {RESPONSE_DISCARD, false, false},
        {RESPONSE_LATER, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.response);
        edit_and_autosave(0x5A);
        const RecoveryCopy copy = *recovery_newer_copy(path);
        restart_answering(c.response);
        ASSERT_FALSE(seen_dialogs().empty());
        const SeenDialog& offer = seen_dialogs().back();
        EXPECT_EQ(offer.text, recovery_dialog_question(copy));
        EXPECT_EQ(offer.text.rfind("Recover unsaved changes to voice.csf from ", 0), 0u) << offer.text;
        EXPECT_EQ(offer.title, "Recover");
        EXPECT_EQ(shell_database() != nullptr, c.recovered);
        if (c.recovered) {
            EXPECT_EQ(db_flags(shell_database()), 0x5A);
            EXPECT_TRUE(db_is_modified(shell_database()));
            EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(shell_main_window())), "*" + path + " - Tembrel 1.0");
        }
        EXPECT_EQ(bool(recovery_newer_copy(path)), c.copy_kept);
        // A clean slate for the next answer.
        recovery_discard(path);
        shell_destroy_for_tests();
        shell_build();
    }
}

TEST_F(RecoveryTest, OpeningTheFileOffersItsNewerCopy)
{
    edit_and_autosave(0x66);
    shell_destroy_for_tests();
    shell_build();
    queue_answer(answer_response(RESPONSE_RECOVER));
    ASSERT_TRUE(shell_open_file(path.c_str()));
    EXPECT_EQ(db_flags(shell_database()), 0x66);
    EXPECT_TRUE(db_is_modified(shell_database()));

    // Once the file is newer than the copy, opening it asks nothing.
    recovery_autosave_now();
    const RecoveryCopy copy = *recovery_newer_copy(path);
    struct utimbuf later = {time_t(copy.time + 10), time_t(copy.time + 10)};
    ASSERT_EQ(g_utime(path.c_str(), &later), 0);
    EXPECT_FALSE(recovery_newer_copy(path));
}

TEST_F(RecoveryTest, DamagedCopyShowsTheLoadMessageAndIsKeptAside)
{
    edit_and_autosave(0x10);
    const RecoveryCopy copy = *recovery_newer_copy(path);
    ASSERT_TRUE(write_bytes(copy.copy_path, {'T', 'B', 'P', '1', 0, 0, 0, 99, 1, 2, 3, 4, 5, 6, 7, 8}));
    shell_destroy_for_tests();
    shell_build();
    queue_answer(answer_response(RESPONSE_RECOVER));
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    shell_start(nullptr);
    EXPECT_EQ(seen_dialogs().back().kind, "message");
    EXPECT_EQ(seen_dialogs().back().message_type, GTK_MESSAGE_ERROR);
    EXPECT_EQ(seen_dialogs().back().text, "Invalid project file");
    EXPECT_EQ(shell_database(), nullptr);
    EXPECT_FALSE(recovery_newer_copy(path));
    EXPECT_TRUE(g_file_test((copy.copy_path + ".damaged").c_str(), G_FILE_TEST_EXISTS)) << "kept, not deleted";
}

TEST_F(RecoveryTest, SaveAndAConfirmedQuitRemoveTheCopy)
{
    edit_and_autosave(0x21);
    queue_answer(answer_choose(dir.file("voice.tbp")));
    ASSERT_TRUE(shell_save());
    EXPECT_TRUE(folder_entries().empty()) << "saved: no copy needed";

    db_set_flags(shell_database(), 0x22);
    recovery_autosave_now();
    ASSERT_FALSE(folder_entries().empty());
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    EXPECT_FALSE(main_loop_quit_by([] { shell_quit(); }));
    EXPECT_FALSE(folder_entries().empty()) << "a cancelled quit keeps it";
    queue_answer(answer_response(GTK_RESPONSE_NO));
    EXPECT_TRUE(main_loop_quit_by([] { shell_quit(); }));
    EXPECT_TRUE(folder_entries().empty()) << "the user gave the changes up";
}

} // namespace
