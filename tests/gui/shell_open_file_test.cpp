// GUI tests of opening a file without the chooser, as the command line
// does at start: a good file becomes the database with its title, a bad
// one shows the load message the Open command shows and leaves the editor
// empty; and the application id names the windows' icon.
#include "db/project.h"
#include "db/speech_db.h"
#include "shell_fixture.h"
#include "ui/shell.h"

#include "tembrel_config.h"

namespace {

std::string title()
{
    return gtk_window_get_title(GTK_WINDOW(shell_main_window()));
}

} // namespace

TEST_F(ShellTest, OpenFileLoadsCsfAndProjectWithTheirTitles)
{
    std::string csf = write_csf("voice.csf", 0x42, "EN");
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, { { 1, 2 }, { 3 } }, { { 1, 0 } }, "IT", 0x07);
    std::string project = dir.file("notes.tbp");
    ErrorText err;
    ASSERT_TRUE(project_save(db.get(), project.c_str(), &err)) << err;

    struct Case {
        std::string path;
        const char* language;
        int flags;
    };
    for (const Case& c : { Case { csf, "EN", 0x42 }, Case { project, "IT", 0x07 } }) {
        SCOPED_TRACE(c.path);
        EXPECT_TRUE(shell_open_file(c.path.c_str()));
        ASSERT_NE(shell_database(), nullptr);
        EXPECT_STREQ(db_language_code(shell_database()), c.language);
        EXPECT_EQ(db_flags(shell_database()), c.flags);
        EXPECT_EQ(title(), c.path + " - Tembrel 1.0");
        EXPECT_TRUE(seen_dialogs().empty());
    }
}

TEST_F(ShellTest, OpenFileThatFailsShowsTheLoadMessageAndStaysEmpty)
{
    std::string short_file = dir.file("short.csf");
    write_bytes(short_file, { 0xDE, 0xAD });
    std::string missing = dir.file("missing.tbp");
    struct Case {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        { short_file, "File '" + short_file + "' is too small" },
        { missing, "Failed to open '" + missing + "': No such file or directory" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::size_t before = seen_dialogs().size();
        queue_answer(answer_response(GTK_RESPONSE_CLOSE));
        EXPECT_FALSE(shell_open_file(c.path.c_str()));
        ASSERT_EQ(seen_dialogs().size(), before + 1);
        const SeenDialog& error = seen_dialogs().back();
        EXPECT_EQ(error.message_type, GTK_MESSAGE_ERROR);
        EXPECT_EQ(error.text, c.message);
        EXPECT_EQ(error.transient_for, GTK_WINDOW(shell_main_window()));
        EXPECT_EQ(shell_database(), nullptr);
        EXPECT_EQ(title(), "Tembrel 1.0");
    }
}

TEST_F(ShellTest, WindowsTakeTheirIconNameFromTheApplicationId)
{
    EXPECT_STREQ(gtk_window_get_default_icon_name(), TEMBREL_APP_ID);
}
