// GUI tests of the Words page: the lists and the sensitivity of its
// buttons, word edits with their selection rules, alias normalisation,
// Replace and Save through real WAV files, and playback through ALSA's file
// plugin, including events that arrive while Play All runs.
#include "audio/adpcm.h"
#include "db/operations.h"
#include "tests/gui/words_page_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Words = std::vector<int>;

// Phrase 1 speaks word 2 twice; words 4 and 5 are used by no phrase.
//   usage: w0 {0,3}  w1 {0,2}  w2 {1,1,3}  w3 {2}  w4 -  w5 -
const std::vector<Words> PHRASES = {{0, 1}, {2, 2}, {1, 3}, {2, 0}};

TEST_F(WordsPageTest, BuildsTheTwoListsAndTheTab)
{
    load(test_db(6, PHRASES));
    const WordsPageWidgets& b = words_page_widgets();
    GtkNotebook* notebook = GTK_NOTEBOOK(shell_notebook());
    GtkWidget* page = gtk_notebook_get_nth_page(notebook, 1);
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(notebook, page), "Words");
    EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(page)), 5u);

    const char* titles[] = {"#", "Alias", "Changed", "Length", "Level"};
    for (int i = 0; i < 5; ++i)
        EXPECT_STREQ(gtk_tree_view_column_get_title(gtk_tree_view_get_column(b.word_list, i)), titles[i]);
    EXPECT_EQ(gtk_tree_view_get_column(b.word_list, 5), nullptr);
    EXPECT_EQ(gtk_tree_view_column_get_fixed_width(gtk_tree_view_get_column(b.word_list, 0)), 50);
    // At least as wide as asked, and as its title needs.
    EXPECT_GE(gtk_tree_view_column_get_fixed_width(gtk_tree_view_get_column(b.word_list, 2)), 50);
    EXPECT_TRUE(gtk_tree_view_column_get_expand(gtk_tree_view_get_column(b.word_list, 1)));
    // Type-ahead finds a number in either list.
    EXPECT_TRUE(gtk_tree_view_get_enable_search(b.word_list));
    EXPECT_TRUE(gtk_tree_view_get_enable_search(b.usage_list));
    EXPECT_FALSE(gtk_tree_view_get_headers_visible(b.usage_list));
    EXPECT_STREQ(gtk_tree_view_column_get_title(gtk_tree_view_get_column(b.usage_list, 0)), "Phrase");

    // The lower part keeps its height when the window grows; the word list
    // takes the rest. A pane lies between them.
    GtkWidget* pane = gtk_widget_get_ancestor(GTK_WIDGET(b.usage_list), GTK_TYPE_PANED);
    ASSERT_TRUE(pane);
    EXPECT_TRUE(gtk_widget_is_ancestor(GTK_WIDGET(b.usage_list), gtk_paned_get_child2(GTK_PANED(pane))));
    EXPECT_TRUE(gtk_widget_is_ancestor(GTK_WIDGET(b.word_list), gtk_paned_get_child1(GTK_PANED(pane))));
    gboolean upper_grows = FALSE;
    gboolean lower_grows = TRUE;
    gtk_container_child_get(GTK_CONTAINER(pane), gtk_paned_get_child1(GTK_PANED(pane)), "resize", &upper_grows, nullptr);
    gtk_container_child_get(GTK_CONTAINER(pane), gtk_paned_get_child2(GTK_PANED(pane)), "resize", &lower_grows, nullptr);
    EXPECT_TRUE(upper_grows);
    EXPECT_FALSE(lower_grows);

    EXPECT_EQ(shown_label(b.move_down), "Move Down");
    EXPECT_EQ(shown_label(b.go_to_phrase), "Go To Phrase");
    EXPECT_EQ(shown_label(b.save), "Export WAV…");
}

TEST_F(WordsPageTest, WordListShowsNumbersAliasesAndChangedMarks)
{
    load(test_db(12, PHRASES));
    word_set_alias(db.get(), 1, "bell");
    std::vector<std::uint8_t> longer = db_word(db.get(), 9)->audio.to_vector();
    longer.push_back(7);
    db_word(db.get(), 9)->audio = longer;
    db_word(db.get(), 9)->changed = 1;
    const WordsPageWidgets& b = words_page_widgets();
    EXPECT_EQ(list_values(b.word_list), (Words{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(cell_text(b.word_list, 0, 0), "1");
    EXPECT_EQ(cell_text(b.word_list, 0, 11), "12");
    EXPECT_EQ(cell_text(b.word_list, 1, 1), "bell");
    EXPECT_EQ(cell_text(b.word_list, 1, 2), "");
    EXPECT_EQ(toggle_shown(b.word_list, 9), std::make_pair(true, true));
    EXPECT_EQ(toggle_shown(b.word_list, 8), std::make_pair(false, false));
}

// An alias read from a project file may hold bytes that are not UTF-8;
// the cell must still hand the renderer valid text, keeping what is valid.
TEST_F(WordsPageTest, AliasCellShowsInvalidBytesAsValidText)
{
    load(test_db(4, PHRASES));
    ASSERT_TRUE(word_set_alias(db.get(), 1, "caf\xe9_\xff"));
    const std::string text = cell_text(words_page_widgets().word_list, 1, 1);
    EXPECT_TRUE(g_utf8_validate(text.c_str(), -1, nullptr)) << text;
    EXPECT_EQ(text.rfind("caf", 0), 0u) << text;
    EXPECT_NE(text.find('_'), std::string::npos) << text;
    // Valid aliases, multi-byte ones included, show unchanged.
    ASSERT_TRUE(word_set_alias(db.get(), 2, "\xc3\xa9t\xc3\xa9"));
    EXPECT_EQ(cell_text(words_page_widgets().word_list, 1, 2), "\xc3\xa9t\xc3\xa9");
}

TEST_F(WordsPageTest, UsageListHasOneRowPerUseAndFollowsTheSelection)
{
    load(test_db(6, PHRASES));
    const WordsPageWidgets& b = words_page_widgets();
    EXPECT_EQ(gtk_tree_view_get_model(b.usage_list), nullptr);
    select_word(2);
    EXPECT_EQ(list_values(b.usage_list), (Words{1, 1, 3}));
    EXPECT_EQ(cell_text(b.usage_list, 0, 0), "2");
    EXPECT_EQ(cell_text(b.usage_list, 0, 2), "4");
    select_word(4);
    EXPECT_EQ(gtk_tree_view_get_model(b.usage_list), nullptr);
    select_word(-1);
    EXPECT_EQ(gtk_tree_view_get_model(b.usage_list), nullptr);

    // Edits made elsewhere show once the page is shown again.
    select_word(3);
    phrase_set_word(db.get(), 0, 0, 3);
    EXPECT_EQ(list_values(b.usage_list), (Words{2}));
    show_other_page_and_back();
    EXPECT_EQ(list_values(b.usage_list), (Words{0, 2}));
}

TEST_F(WordsPageTest, ButtonSensitivityFollowsSelectionAndUsage)
{
    load(test_db(6, PHRASES));
    const WordsPageWidgets& b = words_page_widgets();
    // Every button's state as one string, in all_buttons() order: Play,
    // Replace, Move Up, Move Down, Add, Remove, Save, Play Phrase, Play All,
    // Go To Phrase.
    auto states = [] {
        std::string bits;
        for (GtkWidget* w : all_buttons())
            bits += sensitive(w) ? '1' : '0';
        return bits;
    };
    struct Step {
        const char* what;
        std::function<void()> select;
        const char* expected;
    };
    const Step steps[] = {
        {"nothing selected", [] {}, "0000000000"},
        // Word 0 is first (no Move Up) and used (no Remove, but Play All).
        {"first word, used", [] { select_word(0); }, "1101101010"},
        {"and a phrase using it", [] { select_usage(1); }, "1101101111"},
        // Word 5 is last (no Move Down) and unused (Remove, no Play All).
        {"last word, unused", [] { select_word(5); }, "1110111000"},
        {"selection cleared", [] { select_word(-1); }, "0000000000"},
    };
    for (const Step& step : steps) {
        step.select();
        EXPECT_EQ(states(), step.expected) << step.what;
    }

    // Without a selection every button does nothing, sensitive or not.
    select_word(-1);
    for (GtkWidget* w : {b.move_up, b.move_down, b.add, b.remove, b.play_all, b.go_to_phrase})
        click(w);
    EXPECT_EQ(word_count(db.get()), 6u);
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(shell_notebook())), 1);
    EXPECT_EQ(db->modified, 0);
}

TEST_F(WordsPageTest, AddStopsAtTheOldFormatLimit)
{
    load(test_db(255, {{0}}, DB_FORMAT_OLD));
    select_word(3);
    EXPECT_FALSE(sensitive(words_page_widgets().add));
    click(words_page_widgets().add);
    EXPECT_EQ(word_count(db.get()), 255u);
    EXPECT_EQ(list_values(words_page_widgets().word_list).size(), 255u);

    load(test_db(254, {{0}}, DB_FORMAT_OLD));
    select_word(253);
    EXPECT_TRUE(sensitive(words_page_widgets().add));
    click(words_page_widgets().add);
    EXPECT_EQ(word_count(db.get()), 255u);
    EXPECT_EQ(words_page_selected_word(), 254);
    EXPECT_FALSE(sensitive(words_page_widgets().add));

    load(test_db(255, {{0}}, DB_FORMAT_MODERN));
    select_word(0);
    EXPECT_TRUE(sensitive(words_page_widgets().add));
}

TEST_F(WordsPageTest, SingleUnusedWordCannotBeRemoved)
{
    load(test_db(1, {}));
    select_word(0);
    EXPECT_TRUE(sensitive(words_page_widgets().remove));
    EXPECT_FALSE(sensitive(words_page_widgets().move_up));
    EXPECT_FALSE(sensitive(words_page_widgets().move_down));
    click(words_page_widgets().remove);
    EXPECT_EQ(word_count(db.get()), 1u);
    EXPECT_EQ(list_values(words_page_widgets().word_list), (Words{0}));
    EXPECT_EQ(words_page_selected_word(), 0);
}

TEST_F(WordsPageTest, RemoveSelectsTheWordThatTookThePlace)
{
    load(test_db(7, {{0, 1}, {5}}));
    word_set_alias(db.get(), 3, "three");
    word_set_alias(db.get(), 4, "four");
    const WordsPageWidgets& b = words_page_widgets();

    select_word(6); // the last word
    click(b.remove);
    EXPECT_EQ(word_count(db.get()), 6u);
    EXPECT_EQ(list_values(b.word_list), (Words{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(words_page_selected_word(), 5);
    // The new selection is a used word, so its usage shows and Remove is off.
    EXPECT_EQ(list_values(b.usage_list), (Words{1}));
    EXPECT_FALSE(sensitive(b.remove));

    select_word(3);
    click(b.remove);
    EXPECT_EQ(list_values(b.word_list), (Words{0, 1, 2, 3, 4}));
    EXPECT_EQ(words_page_selected_word(), 3);
    EXPECT_EQ(cell_text(b.word_list, 1, 3), "four");
    EXPECT_EQ(word_alias(db.get(), 3), std::string("four"));

    // A used word stays even when the button is pressed anyway.
    select_word(0);
    click(b.remove);
    EXPECT_EQ(word_count(db.get()), 5u);
}

TEST_F(WordsPageTest, RemoveRefusesAWordAPhraseStartedToUse)
{
    load(test_db(4, {{0}}));
    select_word(2);
    EXPECT_TRUE(sensitive(words_page_widgets().remove));
    // Phrases page edit after the usage lists were built.
    phrase_set_word(db.get(), 0, 0, 2);
    click(words_page_widgets().remove);
    EXPECT_EQ(word_count(db.get()), 4u);
    EXPECT_EQ(phrase_word_number(db.get(), 0, 0), 2);
    EXPECT_FALSE(sensitive(words_page_widgets().remove));
    EXPECT_EQ(list_values(words_page_widgets().usage_list), (Words{0}));
}

TEST_F(WordsPageTest, AddInsertsAfterTheSelectionAndSelectsTheNewWord)
{
    load(test_db(3, {{0, 2}}));
    word_set_alias(db.get(), 2, "last");
    const WordsPageWidgets& b = words_page_widgets();

    select_word(0);
    click(b.add);
    EXPECT_EQ(list_values(b.word_list), (Words{0, 1, 2, 3}));
    EXPECT_EQ(words_page_selected_word(), 1);
    EXPECT_EQ(cell_text(b.word_list, 1, 3), "last");
    EXPECT_EQ(gtk_tree_view_get_model(b.usage_list), nullptr) << "the new word is unused";
    EXPECT_TRUE(sensitive(b.remove));

    select_word(3);
    click(b.add);
    EXPECT_EQ(list_values(b.word_list), (Words{0, 1, 2, 3, 4}));
    EXPECT_EQ(words_page_selected_word(), 4);
    EXPECT_FALSE(sensitive(b.move_down));
    EXPECT_EQ(db_word(db.get(), 4)->audio, db_word(db.get(), 0)->audio);
}

TEST_F(WordsPageTest, MovesCarryTheSelectionAndStopAtTheEnds)
{
    load(test_db(3, {{1}}));
    word_set_alias(db.get(), 1, "one");
    const WordsPageWidgets& b = words_page_widgets();

    select_word(1);
    click(b.move_up);
    EXPECT_EQ(words_page_selected_word(), 0);
    EXPECT_EQ(cell_text(b.word_list, 1, 0), "one");
    EXPECT_EQ(list_values(b.usage_list), (Words{0}));
    EXPECT_FALSE(sensitive(b.move_up));
    click(b.move_up);
    EXPECT_EQ(words_page_selected_word(), 0);
    EXPECT_EQ(word_alias(db.get(), 0), std::string("one"));

    click(b.move_down);
    click(b.move_down);
    EXPECT_EQ(words_page_selected_word(), 2);
    EXPECT_EQ(cell_text(b.word_list, 1, 2), "one");
    EXPECT_FALSE(sensitive(b.move_down));
    click(b.move_down);
    EXPECT_EQ(words_page_selected_word(), 2);
    EXPECT_EQ(phrase_word_number(db.get(), 0, 0), 2);
    EXPECT_EQ(list_values(b.word_list), (Words{0, 1, 2}));
}

TEST_F(WordsPageTest, AliasEditsAreNormalisedAndKeptUnique)
{
    load(test_db(3, {}));
    word_set_alias(db.get(), 1, "taken");
    auto alias_of = [&](int w) {
        const char* a = word_alias(db.get(), std::uint32_t(w));
        return std::string(a ? a : "(none)");
    };

    edit_alias(0, "  big ben  ");
    EXPECT_EQ(alias_of(0), "big_ben");
    EXPECT_EQ(cell_text(words_page_widgets().word_list, 1, 0), "big_ben");
    edit_alias(0, "2nd");
    EXPECT_EQ(alias_of(0), "big_ben");
    edit_alias(0, "42");
    EXPECT_EQ(alias_of(0), "big_ben");
    edit_alias(0, " \t ");
    EXPECT_EQ(alias_of(0), "big_ben");
    edit_alias(0, "taken");
    EXPECT_EQ(alias_of(0), "big_ben");
    edit_alias(0, "-3");
    EXPECT_EQ(alias_of(0), "-3");
    edit_alias(0, "");
    EXPECT_EQ(alias_of(0), "(none)");
    EXPECT_EQ(cell_text(words_page_widgets().word_list, 1, 0), "");
    edit_alias(1, "taken");
    EXPECT_EQ(alias_of(1), "taken");

    // A long text is normalised whole, never cut or overrun.
    std::string lng(5000, 'x');
    lng[2500] = ' ';
    edit_alias(2, lng.c_str());
    lng[2500] = '_';
    EXPECT_EQ(alias_of(2), lng);
}

TEST_F(WordsPageTest, ShowWordSelectsTheRowAndIgnoresBadNumbers)
{
    load(test_db(40, {{30, 30}}));
    words_page_show_word(30);
    pump_events();
    EXPECT_EQ(words_page_selected_word(), 30);
    EXPECT_EQ(list_values(words_page_widgets().usage_list), (Words{0, 0}));
    words_page_show_word(40);
    words_page_show_word(std::uint32_t(-1));
    EXPECT_EQ(words_page_selected_word(), 30);

    words_page_reload(nullptr);
    db.reset();
    words_page_show_word(0);
    words_page_shown();
    EXPECT_EQ(words_page_selected_word(), -1);
    for (GtkWidget* w : all_buttons())
        EXPECT_FALSE(sensitive(w));
}

} // namespace
