// GUI tests of the Words page's playback through ALSA's file plugin: what
// Play, Play Phrase and Play All send to the device, the selection Play All
// leaves, and input that arrives between the phrases of Play All: edits
// stop the play before they change anything.
#include "db/operations.h"
#include "tests/gui/words_page_fixture.h"
#include "ui/play_session.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Seq = std::vector<int>;

// Word 2 is spoken twice by phrase 1 and once by phrase 3, so its usage
// list is 1, 1, 3. Word 6 is used by no phrase.
const std::vector<std::vector<int>> PLAY_PHRASES = {{0, 1}, {2, 3, 2}, {4}, {2, 5}};

class WordsPagePlayTest : public WordsPageTest {
protected:
    void SetUp() override
    {
        WordsPageTest::SetUp();
        load(test_db(7, PLAY_PHRASES));
        for (int w = 0; w < 7; ++w)
            sounds.push_back(word_sound(db.get(), w));
    }

    Seq played() const { return played_sounds(capture, sounds); }

    AlsaCapture capture{AlsaCapture::CAPTURE_ALL};
    std::vector<std::vector<std::uint8_t>> sounds; // index = word number
};

TEST_F(WordsPagePlayTest, PlayAndPlayPhraseSoundTheSelection)
{
    const WordsPageWidgets& b = words_page_widgets();
    select_word(5);
    click(b.play);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{5}));

    // Activating a row plays the word too.
    select_word(4);
    GtkTreePath* path = gtk_tree_path_new_from_indices(4, -1);
    gtk_tree_view_row_activated(b.word_list, path, gtk_tree_view_get_column(b.word_list, 0));
    gtk_tree_path_free(path);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{5, 4}));

    select_word(2);
    select_usage(2);
    click(b.play_phrase);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{5, 4, 2, 5}));
    EXPECT_FALSE(words_page_playing());
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
}

TEST_F(WordsPagePlayTest, PlayAllPlaysEachUseInOrderAndRestoresTheSelection)
{
    const WordsPageWidgets& b = words_page_widgets();
    select_word(2);
    click(b.play_all);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{2, 3, 2, 2, 3, 2, 2, 5}));
    EXPECT_EQ(words_page_selected_usage_phrase(), -1) << "nothing was selected before";
    EXPECT_FALSE(words_page_playing());
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
    EXPECT_TRUE(sensitive(b.play_all));
    EXPECT_FALSE(sensitive(b.play_phrase));

    // Row 0 holds phrase 1, as does row 1: the last such row wins.
    select_usage(0);
    click(b.play_all);
    EXPECT_TRUE(wait_for_play_end());
    GtkTreeModel* model = nullptr;
    GtkTreeIter iter;
    ASSERT_TRUE(gtk_tree_selection_get_selected(gtk_tree_view_get_selection(b.usage_list), &model, &iter));
    GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
    EXPECT_EQ(gtk_tree_path_get_indices(path)[0], 1);
    gtk_tree_path_free(path);
    EXPECT_TRUE(sensitive(b.play_phrase));
    EXPECT_EQ(played().size(), 16u);
}

// Every edit that arrives while Play All runs stops it before it changes
// anything, then happens as it would without a play. Each edit comes in
// the pass of the main loop after the second usage row was selected, so
// only the first phrase has sounded.
struct EditDuringPlay {
    const char* name;
    std::function<void()> edit;
    std::function<void(const SpeechDb*)> check;
};

TEST_F(WordsPagePlayTest, EditsDuringPlayAllStopItFirst)
{
    const WordsPageWidgets& b = words_page_widgets();
    const std::vector<EditDuringPlay> edits = {
        { "move down", [&] { gtk_button_clicked(GTK_BUTTON(b.move_down)); },
            [](const SpeechDb* d) {
                EXPECT_EQ(phrase_word_number(d, 1, 0), 3);
                EXPECT_EQ(words_page_selected_word(), 3);
            } },
        { "add", [&] { gtk_button_clicked(GTK_BUTTON(b.add)); },
            [](const SpeechDb* d) {
                EXPECT_EQ(word_count(d), 8u);
                EXPECT_EQ(words_page_selected_word(), 3);
            } },
        { "alias", [] { commit_alias(2, "two"); },
            [](const SpeechDb* d) { EXPECT_STREQ(word_alias(d, 2), "two"); } },
        { "revert", [] { toggle_changed(2); }, [](const SpeechDb* d) { EXPECT_FALSE(word_is_changed(d, 2)); } },
    };
    for (const EditDuringPlay& e : edits) {
        SCOPED_TRACE(e.name);
        load(test_db(7, PLAY_PHRASES));
        WordEntry* w2 = db_word(db.get(), 2);
        w2->audio = db_word(db.get(), 6)->audio; // as if replaced from a file
        w2->changed = 1;
        capture.clear();
        select_word(2);
        bool playing_inside = false;
        GtkWidget* grab_inside = b.play_all;
        inject_at_usage_selection(2, [&] {
            playing_inside = words_page_playing();
            grab_inside = gtk_grab_get_current();
            e.edit();
            EXPECT_FALSE(play_session_active()) << "the edit ran under the play";
        });
        click(b.play_all);
        EXPECT_TRUE(wait_for_play_end());
        EXPECT_TRUE(playing_inside);
        EXPECT_EQ(grab_inside, nullptr) << "the rest of the window must stay usable";
        EXPECT_EQ(played(), (Seq{6, 3, 6})) << "only the first phrase";
        e.check(db.get());
    }
}

// A single play is stopped the same way, even before its sound started.
TEST_F(WordsPagePlayTest, RemovingTheWordBeingPlayedStopsThePlayFirst)
{
    const WordsPageWidgets& b = words_page_widgets();
    select_word(6);
    // Queued before the click, so it runs before the sound is named.
    g_idle_add(
        [](gpointer) -> gboolean {
            gtk_button_clicked(GTK_BUTTON(words_page_widgets().remove));
            return FALSE;
        },
        nullptr);
    gtk_button_clicked(GTK_BUTTON(b.play));
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{}));
    EXPECT_EQ(word_count(db.get()), 6u);
}

// A stop asked between two phrases ends the play before the next one; the
// page then looks as after a complete play, its selection put back.
TEST_F(WordsPagePlayTest, StopEndsPlayAllBeforeTheNextPhrase)
{
    const WordsPageWidgets& b = words_page_widgets();
    select_word(2);
    select_usage(2);
    inject_at_usage_selection(2, [] { play_session_stop(); });
    click(b.play_all);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{2, 3, 2}));
    EXPECT_FALSE(play_session_active());
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
    EXPECT_EQ(words_page_selected_usage_phrase(), 3);
    EXPECT_TRUE(sensitive(b.play_all));
    EXPECT_TRUE(sensitive(b.play_phrase));

    // The stop was for that play only.
    click(b.play_all);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{2, 3, 2, 2, 3, 2, 2, 3, 2, 2, 5}));
}

TEST_F(WordsPagePlayTest, ChoosingAnotherWordEndsPlayAll)
{
    const WordsPageWidgets& b = words_page_widgets();
    select_word(2);
    select_usage(2);
    inject_at_usage_selection(2, [] { select_word(4); });
    click(b.play_all);
    EXPECT_TRUE(wait_for_play_end());
    // Only the phrase before the change was played.
    EXPECT_EQ(played(), (Seq{2, 3, 2}));
    EXPECT_EQ(words_page_selected_word(), 4);
    EXPECT_EQ(list_values(b.usage_list), (std::vector<int>{2}));
    EXPECT_EQ(words_page_selected_usage_phrase(), -1);
    EXPECT_TRUE(sensitive(b.play_all));
    EXPECT_FALSE(sensitive(b.remove));
}

TEST_F(WordsPagePlayTest, UsageRebuiltDuringPlayAllWaitsForTheEnd)
{
    const WordsPageWidgets& b = words_page_widgets();
    select_word(2);
    select_usage(2);
    inject_at_usage_selection(2, [&] {
        // A Phrases page edit, then the page shown again.
        phrase_set_word(db.get(), 3, 0, 4);
        words_page_shown();
        EXPECT_EQ(list_values(b.usage_list), (std::vector<int>{1, 1, 3})) << "rebuilt under the play";
    });
    click(b.play_all);
    EXPECT_TRUE(wait_for_play_end());
    // The phrases chosen at the start, each as it speaks now.
    EXPECT_EQ(played(), (Seq{2, 3, 2, 2, 3, 2, 4, 5}));
    EXPECT_EQ(list_values(b.usage_list), (std::vector<int>{1, 1}));
    EXPECT_EQ(words_page_selected_usage_phrase(), -1) << "phrase 3 no longer uses the word";
}

TEST_F(WordsPagePlayTest, ReloadDuringPlayAllEndsIt)
{
    const WordsPageWidgets& b = words_page_widgets();
    select_word(2);
    inject_at_usage_selection(2, [&] {
        // What an Open that was not held back would do: free, then reload.
        SpeechDbPtr next = test_db(3, {{0}});
        words_page_reload(next.get());
        db = std::move(next);
    });
    click(b.play_all);
    EXPECT_TRUE(wait_for_play_end());
    EXPECT_EQ(played(), (Seq{2, 3, 2}));
    EXPECT_EQ(list_values(b.word_list), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(words_page_selected_word(), -1);
    EXPECT_EQ(gtk_tree_view_get_model(b.usage_list), nullptr);
    EXPECT_FALSE(words_page_playing());
}

} // namespace
