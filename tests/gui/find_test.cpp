// Finding rows: the filters of the Phrases and Words pages (what each
// kind of term matches, the count, Escape), edits and undo on filtered
// rows, going to a number (Ctrl+G), Ctrl+F and type-ahead on numbers.
#include "db/history.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "words_page_fixture.h"
#include "ui/list_filter.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/shell.h"
#include "ui/words_page.h"
#include "ui/words_page_view.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::uint32_t>;

// Six words: 1 "left", 2 "right", 3 "leftmost"; 4 is changed, 5 unused.
SpeechDbPtr sample_db()
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, std::vector<std::vector<std::uint8_t>>(6, { 1, 2, 3, 4 }),
        { { 0, 1 }, { 2 }, { 3, 1 }, { 4 } });
    phrase_set_comment(db.get(), 0, "Turn left at the roundabout");
    phrase_set_comment(db.get(), 1, "Straight on");
    phrase_set_comment(db.get(), 3, "CAF\xc3\x89 ahead");
    word_set_alias(db.get(), 1, "left");
    word_set_alias(db.get(), 2, "right");
    word_set_alias(db.get(), 3, "leftmost");
    db_word(db.get(), 4)->changed = 1;
    return db;
}

TEST(ListFilter, PhraseTermsMatchCommentsWordNumbersAndAliases)
{
    SpeechDbPtr db = sample_db();
    const struct {
        const char* text;
        Rows rows;
    } cases[] = {
        { "", { 0, 1, 2, 3 } },
        { "  ", { 0, 1, 2, 3 } },
        { "roundabout", { 0 } },
        { "ROUNDabout", { 0 } },
        { "left", { 0, 2 } }, // the comment of 0; word 2 ("left") in 0 and 2
        { "rIGHt", { 1 } }, // an alias, in any letter case
        { "caf\xc3\xa9", { 3 } }, // folded beyond ASCII
        { "#2", { 0, 2 } },
        { "w:3", { 1 } },
        { "W:3", { 1 } },
        { "#0", {} },
        { "#99", {} },
        { "w:x", {} }, // no number: a text nobody has
        { "left #4", { 2 } }, // every term must match
        { "  straight  ", { 1 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(phrase_filter_rows(db.get(), phrase_filter_parse(c.text)), c.rows) << '"' << c.text << '"';
}

TEST(ListFilter, WordTermsMatchAliasesNumbersAndMarks)
{
    SpeechDbPtr db = sample_db();
    const struct {
        const char* text;
        Rows rows;
    } cases[] = {
        { "", { 0, 1, 2, 3, 4, 5 } },
        { "left", { 1, 3 } },
        { "LEFT", { 1, 3 } },
        { "3", { 2 } },
        { "#3", { 2 } },
        { "w:3", { 2 } },
        { "0", {} },
        { "unused", { 5 } },
        { "Changed", { 4 } },
        { "unused changed", {} },
        { "ef 4", { 3 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(word_filter_rows(db.get(), word_filter_parse(c.text)), c.rows) << '"' << c.text << '"';
}

TEST(ListFilter, CountsGroupDigitsInThrees)
{
    const struct {
        std::uint32_t n;
        const char* text;
    } cases[] = { { 0, "0" }, { 999, "999" }, { 1000, "1,000" }, { 65535, "65,535" }, { 1234567, "1,234,567" } };
    for (const auto& c : cases)
        EXPECT_EQ(list_filter_group_digits(c.n), c.text);
}

std::string label_text(GtkWidget* label)
{
    return gtk_label_get_text(GTK_LABEL(label));
}

class FindTest : public ShownDbTest {
protected:
    SpeechDbPtr shown_db() override { return sample_db(); }
    void type(GtkWidget* entry, const char* text)
    {
        gtk_entry_set_text(GTK_ENTRY(entry), text);
        pump_events();
    }
    // A key combination as the window's accelerators see it.
    void press(guint key, GdkModifierType mods)
    {
        gtk_accel_groups_activate(G_OBJECT(shell_main_window()), key, mods);
        pump_events();
    }
    void show_page(int n)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), n);
        pump_events();
    }
};

TEST_F(FindTest, PhraseFilterShowsRealNumbersCountAndEscapeClears)
{
    EXPECT_EQ(label_text(p->filter.count), "4 phrases");
    type(p->filter.entry, "left");
    EXPECT_EQ(list_values(p->phrase_list), (std::vector<int> { 0, 2 }));
    EXPECT_EQ(cell_text(p->phrase_list, 0, 1), "3");
    EXPECT_EQ(label_text(p->filter.count), "2 of 4 phrases");
    // Escape in the entry empties it and shows every phrase again.
    gtk_widget_grab_focus(p->filter.entry);
    gtk_test_widget_send_key(p->filter.entry, GDK_KEY_Escape, GdkModifierType(0));
    pump_events();
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(p->filter.entry)), "");
    EXPECT_EQ(list_values(p->phrase_list), (std::vector<int> { 0, 1, 2, 3 }));
    EXPECT_EQ(label_text(p->filter.count), "4 phrases");
}

// A filtered row is edited and undone like any other: the row holds the
// phrase's number, not its place in the list.
TEST_F(FindTest, EditsAndUndoWorkOnFilteredRows)
{
    type(p->filter.entry, "#2");
    select_row(p->phrase_list, 1);
    EXPECT_EQ(phrases_page_selected_phrase(), 2);
    g_signal_emit_by_name(p->comment_renderer, "edited", "1", "via the filter");
    pump_events();
    EXPECT_STREQ(phrase_comment(db.get(), 2), "via the filter");
    EXPECT_EQ(phrase_comment(db.get(), 1), std::string("Straight on"));
    // The selected phrase stays selected when the filter changes.
    type(p->filter.entry, "#2 via");
    EXPECT_EQ(list_values(p->phrase_list), (std::vector<int> { 2 }));
    EXPECT_EQ(phrases_page_selected_phrase(), 2);
    // What Edit > Undo does with the shell's database.
    const std::optional<EditTarget> target = history_undo(db.get());
    ASSERT_TRUE(target);
    shell_show_edit(*target);
    pump_events();
    EXPECT_EQ(phrase_comment(db.get(), 2), nullptr);
    EXPECT_EQ(phrases_page_selected_phrase(), 2);
}

TEST_F(FindTest, GoingToAHiddenRowEmptiesTheFilter)
{
    type(p->filter.entry, "roundabout");
    phrases_page_show_phrase(3);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(p->filter.entry)), "");
    EXPECT_EQ(phrases_page_selected_phrase(), 3);

    type(w->filter.entry, "left");
    words_page_show_word(5);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(w->filter.entry)), "");
    EXPECT_EQ(words_page_selected_word(), 5);
}

TEST_F(FindTest, WordFilterFollowsMovesAndCounts)
{
    show_page(1);
    type(w->filter.entry, "left");
    EXPECT_EQ(list_values(w->word_list), (std::vector<int> { 1, 3 }));
    EXPECT_EQ(label_text(w->filter.count), "2 of 6 words");
    select_row(w->word_list, 0);
    click(w->move_down);
    // "left" is word 3 now: the filter runs again and the word stays selected.
    EXPECT_STREQ(word_alias(db.get(), 2), "left");
    EXPECT_EQ(list_values(w->word_list), (std::vector<int> { 2, 3 }));
    EXPECT_EQ(words_page_selected_word(), 2);
    type(w->filter.entry, "unused");
    EXPECT_EQ(list_values(w->word_list), (std::vector<int> { 5 }));
}

TEST_F(FindTest, CtrlFFocusesTheFilterAndCtrlGGoesToANumber)
{
    press(GDK_KEY_f, GDK_CONTROL_MASK);
    EXPECT_TRUE(gtk_widget_is_focus(p->filter.entry));
    queue_answer(answer_after(
        [](GtkWidget* dialog) {
            GtkWidget* spin = find_all(dialog, GTK_TYPE_SPIN_BUTTON).at(0);
            gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), 3);
        },
        GTK_RESPONSE_ACCEPT));
    press(GDK_KEY_g, GDK_CONTROL_MASK);
    EXPECT_EQ(phrases_page_selected_phrase(), 2);

    show_page(1);
    press(GDK_KEY_f, GDK_CONTROL_MASK);
    EXPECT_TRUE(gtk_widget_is_focus(w->filter.entry));
    queue_answer(answer_after(
        [](GtkWidget* dialog) {
            GtkWidget* spin = find_all(dialog, GTK_TYPE_SPIN_BUTTON).at(0);
            gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), 6);
        },
        GTK_RESPONSE_ACCEPT));
    press(GDK_KEY_g, GDK_CONTROL_MASK);
    EXPECT_EQ(words_page_selected_word(), 5);
    // Cancelled, nothing moves.
    queue_answer(answer_response(GTK_RESPONSE_CANCEL));
    press(GDK_KEY_g, GDK_CONTROL_MASK);
    EXPECT_EQ(words_page_selected_word(), 5);
}

// Type-ahead compares what was typed with the start of the number shown.
TEST_F(FindTest, TypeAheadMatchesTheShownNumber)
{
    GtkTreeView* list = p->phrase_list;
    ASSERT_TRUE(gtk_tree_view_get_enable_search(list));
    GtkTreeViewSearchEqualFunc equal = gtk_tree_view_get_search_equal_func(list);
    GtkTreeModel* model = gtk_tree_view_get_model(list);
    const struct {
        const char* key;
        int row;
        bool match;
    } cases[] = { { "1", 0, true }, { "2", 0, false }, { "3", 2, true }, { "4", 3, true }, { "41", 3, false } };
    for (const auto& c : cases) {
        GtkTreeIter iter;
        ASSERT_TRUE(gtk_tree_model_iter_nth_child(model, &iter, nullptr, c.row));
        // GTK's convention: FALSE is a match.
        EXPECT_EQ(!equal(model, 0, c.key, &iter, nullptr), c.match) << c.key << " at row " << c.row;
    }
}

} // namespace

namespace {

// Counts the rows a model reports changed, by index.
void on_row_changed(GtkTreeModel*, GtkTreePath* path, GtkTreeIter*, gpointer seen)
{
    static_cast<std::vector<int>*>(seen)->push_back(gtk_tree_path_get_indices(path)[0]);
}

// Assistive technology learns of a cell's new text from the model's
// "row-changed", not from a redraw; and it names the lists.
TEST_F(FindTest, EditsSignalTheChangedRowAndListsHaveNames)
{
    const std::pair<GtkTreeView*, const char*> names[] = { { p->phrase_list, "Phrases" },
        { p->word_list, "Words in phrase" }, { w->word_list, "Words" }, { w->usage_list, "Phrases using word" } };
    for (const auto& [list, name] : names)
        EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(GTK_WIDGET(list))), name);

    type(p->filter.entry, "#2");
    std::vector<int> seen;
    g_signal_connect(gtk_tree_view_get_model(p->phrase_list), "row-changed", G_CALLBACK(on_row_changed), &seen);
    g_signal_emit_by_name(p->comment_renderer, "edited", "1", "heard");
    pump_events();
    EXPECT_EQ(seen, (std::vector<int> { 1 })) << "phrase 3 is the filtered list's second row";

    show_page(1);
    std::vector<int> words_seen;
    g_signal_connect(gtk_tree_view_get_model(w->word_list), "row-changed", G_CALLBACK(on_row_changed), &words_seen);
    g_signal_emit_by_name(w->alias_renderer, "edited", "4", "heard");
    pump_events();
    EXPECT_STREQ(word_alias(db.get(), 4), "heard");
    EXPECT_EQ(words_seen, (std::vector<int> { 4 }));
}

} // namespace
