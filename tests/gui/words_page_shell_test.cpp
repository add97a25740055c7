// GUI tests of the Words page inside the whole window, with a database the
// shell opened and owns: Quit and Open that arrive while Play All runs
// stop it first, so it never plays from a freed database.
#include "db/csf.h"
#include "db/operations.h"
#include "tests/gui/shell_fixture.h"
#include "tests/gui/words_page_fixture.h"

#include <gtest/gtest.h>

namespace {

class WordsPageInShellTest : public ShellTest {
protected:
    // Opens, through File > Open, a database in which word 2 is used by
    // phrase 1 twice and by phrase 3, and selects word 2 on the Words page.
    void open_play_db()
    {
        SpeechDbPtr src = test_db(7, {{0, 1}, {2, 3, 2}, {4}, {2, 5}});
        ErrorText err;
        ASSERT_TRUE(csf_save(src.get(), dir.file("play.csf").c_str(), &err)) << err;
        open_path(dir.file("play.csf"));
        ASSERT_NE(shell_database(), nullptr);
        for (int w = 0; w < 7; ++w)
            sounds.push_back(word_sound(shell_database(), w));
        shell_go_to_word(2);
        pump_events();
        ASSERT_EQ(words_page_selected_word(), 2);
    }

    std::vector<int> played() const { return played_sounds(capture, sounds); }

    AlsaCapture capture{AlsaCapture::CAPTURE_ALL};
    std::vector<std::vector<std::uint8_t>> sounds;
};

TEST_F(WordsPageInShellTest, QuitDuringPlayAllStopsItFirst)
{
    open_play_db();
    bool playing_at_quit = false;
    inject_at_usage_selection(2, [&] {
        playing_at_quit = words_page_playing();
        shell_quit();
        send_delete_event(shell_main_window());
    });
    EXPECT_TRUE(main_loop_quit_by([] { gtk_button_clicked(GTK_BUTTON(words_page_widgets().play_all)); }, 2000));
    EXPECT_TRUE(playing_at_quit);
    EXPECT_EQ(played(), (std::vector<int>{2, 3, 2})) << "only the phrase before the Quit";
    EXPECT_EQ(shell_database(), nullptr);
}

TEST_F(WordsPageInShellTest, OpenDuringPlayAllStopsItFirst)
{
    open_play_db();
    SpeechDbPtr other = test_db(3, {{0}});
    ErrorText err;
    ASSERT_TRUE(csf_save(other.get(), dir.file("other.csf").c_str(), &err)) << err;
    SpeechDb* first = shell_database();

    bool playing_at_open = false;
    inject_at_usage_selection(2, [&] {
        playing_at_open = words_page_playing();
        activate_item(FILE_OPEN); // File > Open
        EXPECT_NE(shell_database(), first);
    });
    queue_answer(answer_choose(dir.file("other.csf")));
    gtk_button_clicked(GTK_BUTTON(words_page_widgets().play_all));
    EXPECT_TRUE(wait_for_play_end());
    pump_for(300);
    EXPECT_TRUE(playing_at_open);
    EXPECT_EQ(played(), (std::vector<int>{2, 3, 2}));
    EXPECT_EQ(unanswered_count(), 0u);
    ASSERT_NE(shell_database(), nullptr);
    EXPECT_EQ(word_count(shell_database()), 3u);
    EXPECT_EQ(list_values(words_page_widgets().word_list), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(words_page_selected_word(), -1);
}

} // namespace

// Unsaved work that once slipped past the question: a replaced recording,
// and a language code typed without Enter. Quit must ask in both cases.
TEST_F(ShellTest, QuitAsksAfterReplaceAndAfterATypedLanguageCode)
{
    struct Case {
        const char* name;
        void (*edit)(const std::string& wav);
    };
    const Case cases[] = {
        {"replace", [](const std::string& wav) {
             shell_go_to_word(1);
             queue_answer(answer_choose(wav));
             gtk_button_clicked(GTK_BUTTON(words_page_widgets().replace));
         }},
        {"language code", [](const std::string&) {
             GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(shell_notebook()), 2);
             gtk_entry_set_text(GTK_ENTRY(find_all(page, GTK_TYPE_ENTRY).at(0)), "it");
         }},
    };
    const std::string wav = dir.file("new.wav");
    write_wav(wav, std::vector<std::uint8_t>(64, 0x35));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (shell_database() && db_is_modified(shell_database()))
            open_path_answering_no(write_csf("voice.csf"));
        else
            open_path(write_csf("voice.csf"));
        ASSERT_FALSE(db_is_modified(shell_database()));
        c.edit(wav);
        const std::size_t before = seen_dialogs().size();
        queue_answer(answer_response(GTK_RESPONSE_CANCEL));
        EXPECT_FALSE(main_loop_quit_by([] { shell_quit(); }));
        ASSERT_EQ(seen_dialogs().size(), before + 1);
        EXPECT_EQ(seen_dialogs().back().text.rfind("Project not saved", 0), 0u) << seen_dialogs().back().text;
        EXPECT_TRUE(db_is_modified(shell_database()));
    }
}
