// What the window tells the user: why a cell edit was refused (in the
// status bar, with the typed text kept in the reopened cell), what a save
// or an export did, and tooltips that say what a button does and why it
// cannot act.
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/gtk_ptr.h"
#include "ui/phrases_page.h"
#include "ui/phrases_page_view.h"
#include "ui/shell.h"
#include "ui/status_bar.h"
#include "ui/words_page.h"
#include "ui/words_page_view.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class FeedbackTest : public ShownDbTest {
protected:
    SpeechDbPtr shown_db() override
    {
        // Word 2 is used twice by phrase 0 and once by phrase 1.
        SpeechDbPtr d = make_db(DB_FORMAT_MODERN, std::vector<std::vector<std::uint8_t>>(6, { 1, 2, 3, 4 }),
            { { 0, 1, 1 }, { 1, 2 } });
        word_set_alias(d.get(), 2, "right");
        return d;
    }
    // The text of the entry a reopened cell edits in `view`, or empty.
    static std::string reopened_text(GtkTreeView* view)
    {
        std::vector<GtkWidget*> entries = find_all(GTK_WIDGET(view), GTK_TYPE_ENTRY);
        return entries.empty() ? "" : gtk_entry_get_text(GTK_ENTRY(entries[0]));
    }
    // Leaves a reopened cell as Escape does: the edit is cancelled, not
    // entered (moving the focus would depend on the X server's focus).
    static void cancel_edit(GtkTreeView* view)
    {
        for (GtkWidget* entry : find_all(GTK_WIDGET(view), GTK_TYPE_ENTRY)) {
            g_object_set(entry, "editing-canceled", TRUE, nullptr);
            gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(entry));
            gtk_cell_editable_remove_widget(GTK_CELL_EDITABLE(entry));
        }
        pump_events();
    }
    // The window losing (or getting back) the keyboard focus to another
    // window, as the X server tells it, whatever the real server does.
    static void window_focus(bool in)
    {
        ::window_focus(shell_main_window(), in);
        pump_events();
    }
    static std::string tooltip(GtkWidget* widget)
    {
        GCharPtr text(gtk_widget_get_tooltip_text(widget));
        return text ? text.get() : "";
    }
};

TEST_F(FeedbackTest, RefusedWordCellSaysWhyAndKeepsTheText)
{
    select_row(p->phrase_list, 1);
    const struct {
        const char* typed;
        const char* message; // empty: accepted
        int word; // what position 0 of phrase 1 then holds
    } cases[] = {
        { "rigth", "No word has the alias 'rigth'", 1 },
        { "99", "There is no word 99: the words are numbered from 1 to 6", 1 },
        { "0", "There is no word 0: the words are numbered from 1 to 6", 1 },
        { "12a", "'12a' is neither a word number nor an alias", 1 },
        { "#x", "'#x' is neither a word number nor an alias", 1 },
        { "#4", "", 3 },
        { "5", "", 4 },
        { " right ", "", 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        select_row(p->word_list, 0);
        // Enter ends an edit with the focus still in the list.
        gtk_widget_grab_focus(GTK_WIDGET(p->word_list));
        g_signal_emit_by_name(p->word_renderer, "edited", "0", c.typed);
        pump_events();
        EXPECT_EQ(status_bar_text(), c.message);
        EXPECT_EQ(int(phrase_word_number(db.get(), 1, 0)), c.word);
        EXPECT_EQ(reopened_text(p->word_list), *c.message ? c.typed : "");
        cancel_edit(p->word_list);
    }
    click(p->use_aliases);
    select_row(p->word_list, 0);
    g_signal_emit_by_name(p->word_renderer, "edited", "0", "right");
    pump_events();
    EXPECT_EQ(status_bar_text(), "Aliases are off: type a word number, or switch Use Aliases on");
}

// Only the user going to another widget of the window gives the typed
// text up; the window losing the focus to another window, before or after
// the cell reopens, does not.
TEST_F(FeedbackTest, ReopenedCellSurvivesTheWindowLosingFocus)
{
    select_row(p->phrase_list, 1);
    const struct {
        const char* name;
        bool away_before; // the window loses the focus before the cell reopens
        bool away_after; // ... after it reopened
        bool other_widget; // the user went to the filter entry first
        const char* kept;
    } cases[] = {
        { "focus stays", false, false, false, "12a" },
        { "window left before", true, false, false, "12a" },
        { "window left after", false, true, false, "12a" },
        { "went to the filter", false, false, true, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        select_row(p->word_list, 0);
        gtk_widget_grab_focus(GTK_WIDGET(p->word_list));
        window_focus(true);
        g_signal_emit_by_name(p->word_renderer, "edited", "0", "12a");
        if (c.other_widget)
            gtk_widget_grab_focus(p->filter.entry);
        if (c.away_before)
            window_focus(false);
        pump_events();
        if (c.away_after)
            window_focus(false);
        EXPECT_EQ(reopened_text(p->word_list), c.kept);
        window_focus(true);
        EXPECT_EQ(reopened_text(p->word_list), c.kept);
        cancel_edit(p->word_list);
    }
}

TEST_F(FeedbackTest, RefusedAliasSaysWhyAndKeepsTheText)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 1);
    const struct {
        const char* typed;
        const char* message; // empty: accepted
        const char* alias; // word 1's alias afterwards, or null
    } cases[] = {
        { "2nd", "An alias cannot start with a digit", nullptr },
        { "42", "An alias cannot start with a digit", nullptr },
        { "#5", "An alias cannot start with '#': #12 is how word 12 is written", nullptr },
        { "   ", "An alias cannot be only blanks", nullptr },
        { "right", "The alias 'right' belongs to word 3", nullptr },
        { " big ben ", "", "big_ben" },
        { "", "", nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        select_row(w->word_list, 1);
        gtk_widget_grab_focus(GTK_WIDGET(w->word_list));
        g_signal_emit_by_name(w->alias_renderer, "edited", "1", c.typed);
        pump_events();
        EXPECT_EQ(status_bar_text(), c.message);
        EXPECT_EQ(word_alias(db.get(), 1) ? std::string(word_alias(db.get(), 1)) : "", c.alias ? c.alias : "");
        EXPECT_EQ(reopened_text(w->word_list), *c.message ? c.typed : "");
        cancel_edit(w->word_list);
    }
}

TEST_F(FeedbackTest, ExportAndSaveReportInTheStatusBar)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 1);
    select_row(w->word_list, 1);
    const std::string wav = dir.file("002.wav");
    queue_answer(answer_choose(wav));
    click(w->save);
    EXPECT_EQ(status_bar_text(), "Exported word 2 to " + wav);

    select_row(p->phrase_list, 0);
    const std::string phrase_wav = dir.file("phrase.wav");
    queue_answer(answer_choose(phrase_wav));
    click(p->save_phrase);
    EXPECT_EQ(status_bar_text(), "Exported phrase 1 to " + phrase_wav);
}

TEST_F(FeedbackTest, TooltipsSayWhatAButtonDoesAndWhyItCannot)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 1);
    // Word 2 is used by two phrases (by one of them twice).
    select_row(w->word_list, 1);
    EXPECT_FALSE(sensitive(w->remove));
    EXPECT_EQ(tooltip(w->remove),
        "Removes the selected word.\nA word that phrases use cannot be removed: it is used by 2 phrases.");
    select_row(w->word_list, 0);
    EXPECT_EQ(tooltip(w->remove),
        "Removes the selected word.\nA word that phrases use cannot be removed: it is used by 1 phrase.");
    select_row(w->word_list, 5);
    EXPECT_TRUE(sensitive(w->remove));
    EXPECT_EQ(tooltip(w->remove), "Removes the selected word.");
    EXPECT_EQ(tooltip(w->move_down), "Moves the selected word one place down; phrases still speak it.\n"
                                     "The last word cannot move down.");

    select_row(p->phrase_list, 0);
    select_row(p->word_list, 0);
    EXPECT_EQ(tooltip(p->move_up), "Moves the selected word one place earlier in the phrase.\n"
                                   "The first word cannot move up.");
    select_row(p->word_list, -1);
    EXPECT_EQ(tooltip(p->play_word), "Plays the selected word of the phrase.\nSelect a word of the phrase first.");

    // Every button of the window says what it does.
    for (GtkWidget* button : find_all(shell_main_window(), GTK_TYPE_BUTTON))
        EXPECT_FALSE(tooltip(button).empty()) << gtk_button_get_label(GTK_BUTTON(button));
}

} // namespace
