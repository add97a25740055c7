// What assistive technology reads: the texts of list cells through ATK (the
// interface screen readers use, with the toolkit's own implementation
// loaded as a desktop session loads it), current after every kind of
// change, and a name on every button, entry and list.
#include "db/history.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/shell.h"
#include "ui/shell_navigation.h"
#include "ui/words_page.h"
#include "ui/words_page_view.h"

#include <atk/atk.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A cell of a list as ATK hands it out, held the way a screen reader holds
// the cells it has met: the same object is asked again after a change, so
// a text that was not brought up to date shows.
struct AtkCell {
    AtkObject* cell = nullptr;
    AtkCell(GtkTreeView* view, int row, int column)
    {
        AtkObject* list = gtk_widget_get_accessible(GTK_WIDGET(view));
        if (ATK_IS_TABLE(list))
            cell = atk_table_ref_at(ATK_TABLE(list), row, column);
    }
    ~AtkCell()
    {
        if (cell)
            g_object_unref(cell);
    }
    AtkCell(const AtkCell&) = delete;
    AtkCell& operator=(const AtkCell&) = delete;
    // A cell whose list was given another model is gone (defunct): a
    // screen reader is told to ask the list for its cells again.
    bool gone() const
    {
        AtkStateSet* states = atk_object_ref_state_set(cell);
        const bool defunct = atk_state_set_contains_state(states, ATK_STATE_DEFUNCT);
        g_object_unref(states);
        return defunct;
    }
    // What a screen reader holding the cell hears: its text, or that it
    // has gone.
    std::string heard() const
    {
        return gone() ? "<gone>" : text();
    }
    std::string text() const
    {
        if (!ATK_IS_TEXT(cell))
            return "<no text>";
        gchar* t = atk_text_get_text(ATK_TEXT(cell), 0, -1);
        std::string s = t ? t : "";
        g_free(t);
        return s;
    }
};

// The text ATK gives for the cell at `row`, `column` of `view`, met anew.
std::string atk_cell_text(GtkTreeView* view, int row, int column)
{
    return AtkCell(view, row, column).text();
}

class AccessibilityTest : public ShownDbTest {
protected:
    void SetUp() override
    {
        gui_init();
        // A desktop session loads the toolkit's accessibility module at
        // start; here it comes before the window is built.
        g_object_set(gtk_settings_get_default(), "gtk-modules", "gail", nullptr);
        ShownDbTest::SetUp();
    }
    SpeechDbPtr shown_db() override
    {
        // Phrase 0 speaks words 1, 2, 2; phrase 1 words 3, 4.
        SpeechDbPtr d = make_db(DB_FORMAT_MODERN, std::vector<std::vector<std::uint8_t>>(5, { 1, 2, 3, 4 }),
            { { 0, 1, 1 }, { 2, 3 } });
        word_set_alias(d.get(), 1, "right");
        return d;
    }
    // The phrase list's "Words" cell of `row`, as ATK reads it and as it is
    // drawn now: the two must agree.
    void expect_phrase_words_current(int row)
    {
        EXPECT_EQ(atk_cell_text(p->phrase_list, row, WORDS_COLUMN), cell_text(p->phrase_list, WORDS_COLUMN, row));
    }
    static constexpr int WORDS_COLUMN = 1;
    static constexpr int ALIAS_COLUMN = 1;
};

TEST_F(AccessibilityTest, CellTextsReachAtkAfterEveryChange)
{
    ASSERT_TRUE(ATK_IS_TABLE(gtk_widget_get_accessible(GTK_WIDGET(p->phrase_list))));
    select_row(p->phrase_list, 0);
    // Phrase 0's words, its second word below, and word 2's alias.
    const AtkCell words(p->phrase_list, 0, WORDS_COLUMN);
    const AtkCell other_words(p->phrase_list, 1, WORDS_COLUMN);
    const AtkCell second_word(p->word_list, 1, 0);
    const AtkCell alias(w->word_list, 1, ALIAS_COLUMN);
    const std::string first = words.text();
    EXPECT_EQ(first, cell_text(p->phrase_list, WORDS_COLUMN, 0));
    EXPECT_NE(first.find("right"), std::string::npos);
    EXPECT_EQ(second_word.text(), "right");
    EXPECT_EQ(alias.text(), "right");

    const struct {
        const char* change;
        std::function<void()> make;
        const char* alias; // word 2's alias as ATK reads it afterwards
    } steps[] = {
        { "alias edit on the Words page",
            [this] { g_signal_emit_by_name(w->alias_renderer, "edited", "1", "left"); }, "left" },
        { "aliases switched off", [this] { click(p->use_aliases); }, "left" },
        { "aliases switched on", [this] { click(p->use_aliases); }, "left" },
        { "undo", [this] { shell_show_edit(*history_undo(db.get())); }, "right" },
        { "redo", [this] { shell_show_edit(*history_redo(db.get())); }, "left" },
    };
    std::string before = first;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.change);
        s.make();
        pump_events();
        EXPECT_NE(words.heard(), before);
        before = words.heard();
        EXPECT_EQ(words.heard(), cell_text(p->phrase_list, WORDS_COLUMN, 0));
        EXPECT_EQ(other_words.heard(), cell_text(p->phrase_list, WORDS_COLUMN, 1));
        // The phrase's word list is built anew on some changes: the held
        // cell is then gone, and the list's new cell reads right.
        if (second_word.gone())
            EXPECT_EQ(atk_cell_text(p->word_list, 1, 0), cell_text(p->word_list, 0, 1));
        else
            EXPECT_EQ(second_word.text(), cell_text(p->word_list, 0, 1));
        EXPECT_EQ(alias.heard(), s.alias);
    }

    // A word typed into the phrase, then the phrase reverted.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 0);
    for (const auto& edit : { std::function<void()>([this] {
                                  select_row(p->word_list, 0);
                                  g_signal_emit_by_name(p->word_renderer, "edited", "0", "5");
                              }),
             std::function<void()>([this] { g_signal_emit_by_name(p->changed_renderer, "toggled", "0"); }) }) {
        const std::string old_text = words.heard();
        edit();
        pump_events();
        EXPECT_NE(words.heard(), old_text);
        EXPECT_EQ(words.heard(), cell_text(p->phrase_list, WORDS_COLUMN, 0));
    }

    // Another database: the same row reads the new phrase.
    SpeechDbPtr other = make_db(DB_FORMAT_MODERN, { { 1 }, { 2 } }, { { 1, 0 } });
    phrases_page_reload(other.get());
    pump_events();
    EXPECT_EQ(atk_cell_text(p->phrase_list, 0, WORDS_COLUMN), cell_text(p->phrase_list, WORDS_COLUMN, 0));
    phrases_page_reload(db.get());
    pump_events();
}

// Every control a user can reach says what it is: buttons by their label
// or a name, entries and lists by a name.
TEST_F(AccessibilityTest, EveryButtonEntryAndListHasAName)
{
    const struct {
        GtkTreeView* list;
        const char* name;
    } lists[] = {
        { p->phrase_list, "Phrases" },
        { p->word_list, "Words in phrase" },
        { w->word_list, "Words" },
        { w->usage_list, "Phrases using word" },
    };
    for (const auto& l : lists)
        EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(GTK_WIDGET(l.list))), l.name);

    std::vector<GtkWidget*> controls = find_all(shell_main_window(), GTK_TYPE_BUTTON);
    for (GType type : { GTK_TYPE_ENTRY, GTK_TYPE_TREE_VIEW })
        for (GtkWidget* widget : find_all(shell_main_window(), type))
            controls.push_back(widget);
    EXPECT_GE(controls.size(), 30u);
    for (GtkWidget* widget : controls) {
        const char* name = atk_object_get_name(gtk_widget_get_accessible(widget));
        EXPECT_TRUE(name && *name) << G_OBJECT_TYPE_NAME(widget) << " "
                                   << (GTK_IS_BUTTON(widget) ? gtk_button_get_label(GTK_BUTTON(widget)) : "");
    }
}

} // namespace
