// GUI tests of the Edit menu: the labels naming the step, the three
// accelerators, the pages showing the restored state with the row
// selected, reverts by the "Changed" boxes taken back, and the title's
// unsaved mark following undo and redo.
#include "db/history.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/edit_menu.h"
#include "ui/phrases_page_view.h"
#include "ui/play_session.h"
#include "ui/test_hooks.h"
#include "ui/shell.h"
#include "ui/words_page_view.h"

#include <gdk/gdkkeysyms.h>

namespace {

class UndoTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        path = write_csf("voice.csf");
        open_path(path);
        ASSERT_NE(shell_database(), nullptr);
    }
    std::string title() const { return gtk_window_get_title(GTK_WINDOW(shell_main_window())); }
    // Presses a key with Ctrl (and `mods`) as the window's accelerators see it.
    static bool press(guint key, int mods = 0)
    {
        const bool taken = gtk_accel_groups_activate(
            G_OBJECT(shell_main_window()), key, GdkModifierType(GDK_CONTROL_MASK | mods));
        pump_events();
        return taken;
    }
    int current_page() const { return gtk_notebook_get_current_page(GTK_NOTEBOOK(shell_notebook())); }

    std::string path;
};

TEST_F(UndoTest, LabelsNameTheStepAndTheKeysWalkTheHistory)
{
    GtkWidget* undo = edit_menu_undo_item();
    GtkWidget* redo = edit_menu_redo_item();
    EXPECT_EQ(shown_label(undo), "Undo");
    EXPECT_FALSE(gtk_widget_get_sensitive(undo));
    EXPECT_FALSE(press(GDK_z)) << "nothing to undo: the key does nothing";
    EXPECT_EQ(title(), path + " - Tembrel 1.0");

    // Remove a word of phrase 2 with the page's own button.
    shell_go_to_phrase(1);
    select_row(phrases_page_widgets().word_list, 2);
    click(phrases_page_widgets().remove_word);
    EXPECT_EQ(phrase_word_count(shell_database(), 1), 2u);
    EXPECT_EQ(shown_label(undo), "Undo Remove Word From Phrase 2");
    EXPECT_TRUE(gtk_widget_get_sensitive(undo));
    EXPECT_EQ(title(), "*" + path + " - Tembrel 1.0");

    // Shown from another page: the Phrases page comes back with the word
    // put back and selected.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 2);
    EXPECT_TRUE(press(GDK_z));
    EXPECT_EQ(phrase_word_count(shell_database(), 1), 3u);
    EXPECT_EQ(current_page(), 0);
    EXPECT_EQ(phrases_page_selected_phrase(), 1);
    EXPECT_EQ(phrases_page_selected_position(), 2);
    EXPECT_EQ(cell_text(phrases_page_widgets().word_list, 0, 2), "1");
    EXPECT_EQ(title(), path + " - Tembrel 1.0") << "back at the file as opened";
    EXPECT_EQ(shown_label(redo), "Redo Remove Word From Phrase 2");

    // Both redo keys.
    EXPECT_TRUE(press(GDK_z, GDK_SHIFT_MASK));
    EXPECT_EQ(phrase_word_count(shell_database(), 1), 2u);
    EXPECT_EQ(title(), "*" + path + " - Tembrel 1.0");
    EXPECT_TRUE(press(GDK_z));
    EXPECT_TRUE(press(GDK_y));
    EXPECT_EQ(phrase_word_count(shell_database(), 1), 2u);
    EXPECT_FALSE(gtk_widget_get_sensitive(redo));
    EXPECT_EQ(shown_label(redo), "Redo");

    // A step's name shows as it is, its underscore too; U stays the letter.
    {
        HistoryGroup group(shell_database(), "Tidy_up");
        select_row(phrases_page_widgets().word_list, 0);
        click(phrases_page_widgets().remove_word);
    }
    EXPECT_EQ(shown_label(undo), "Undo Tidy_up");
    EXPECT_EQ(mnemonic_key(undo), guint(GDK_KEY_u));
}

TEST_F(UndoTest, WordsPageShowsAnUndoneAddWithItsRowsAndSelection)
{
    shell_go_to_word(1);
    click(words_page_widgets().add);
    ASSERT_EQ(word_count(shell_database()), 4u);
    ASSERT_EQ(words_page_selected_word(), 2);
    EXPECT_EQ(shown_label(edit_menu_undo_item()), "Undo Add Word 3");

    gtk_menu_item_activate(GTK_MENU_ITEM(edit_menu_undo_item()));
    pump_events();
    GtkTreeView* list = words_page_widgets().word_list;
    EXPECT_EQ(gtk_tree_model_iter_n_children(gtk_tree_view_get_model(list), nullptr), 3);
    EXPECT_EQ(words_page_selected_word(), 1) << "the word the new one was added after";
    EXPECT_EQ(current_page(), 1);

    gtk_menu_item_activate(GTK_MENU_ITEM(edit_menu_redo_item()));
    pump_events();
    EXPECT_EQ(gtk_tree_model_iter_n_children(gtk_tree_view_get_model(list), nullptr), 4);
    EXPECT_EQ(words_page_selected_word(), 2);
}

TEST_F(UndoTest, RevertsByTheChangedBoxesAreUndoable)
{
    SpeechDb* db = shell_database();
    // A replaced recording, reverted by its box, comes back with Undo.
    ASSERT_TRUE(word_set_audio(db, 2, AudioBytes{1, 2, 3}));
    shell_go_to_word(0);
    g_signal_emit_by_name(words_page_widgets().changed_renderer, "toggled", "2");
    pump_events();
    EXPECT_FALSE(word_is_changed(db, 2));
    EXPECT_EQ(shown_label(edit_menu_undo_item()), "Undo Revert Word 3");
    ASSERT_TRUE(press(GDK_z));
    EXPECT_TRUE(word_is_changed(db, 2));
    EXPECT_TRUE(cell_active(words_page_widgets().word_list, 2, 2)) << "the box is back";
    EXPECT_EQ(words_page_selected_word(), 2);

    // A phrase's word list, reverted by its box, likewise.
    ASSERT_TRUE(phrase_set_word(db, 0, 0, 2));
    shell_go_to_phrase(1);
    g_signal_emit_by_name(phrases_page_widgets().changed_renderer, "toggled", "0");
    pump_events();
    EXPECT_FALSE(phrase_is_changed(db, 0));
    EXPECT_EQ(shown_label(edit_menu_undo_item()), "Undo Revert Phrase 1");
    ASSERT_TRUE(press(GDK_z));
    EXPECT_TRUE(phrase_is_changed(db, 0));
    EXPECT_EQ(phrases_page_selected_phrase(), 0);
    EXPECT_EQ(cell_text(phrases_page_widgets().phrase_list, 1, 0), " #3 #2");
}

TEST_F(UndoTest, AdvancedPageShowsUndoneHeaderEdits)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(shell_notebook()), 2);
    db_set_flags(shell_database(), 0x0F);
    ASSERT_TRUE(press(GDK_z));
    EXPECT_EQ(advanced_flags_text(), "A5");
    EXPECT_EQ(db_flags(shell_database()), 0xA5);
    ASSERT_TRUE(press(GDK_y));
    EXPECT_EQ(advanced_flags_text(), "0F");
    EXPECT_EQ(current_page(), 2);
}

TEST_F(UndoTest, OpeningAnotherFileStartsAFreshHistory)
{
    db_set_flags(shell_database(), 0x01);
    open_path_answering_no(write_csf("other.csf"));
    EXPECT_EQ(shown_label(edit_menu_undo_item()), "Undo");
    EXPECT_FALSE(gtk_widget_get_sensitive(edit_menu_undo_item()));
}

// Undo and Redo change the database: a running play is stopped first, and
// then the step is taken (not refused).
TEST_F(UndoTest, UndoAndRedoDuringAPlayStopItThenAct)
{
    shell_go_to_word(1);
    click(words_page_widgets().add);
    ASSERT_EQ(word_count(shell_database()), 4u);
    const struct {
        const char* name;
        GtkWidget* item;
        std::uint32_t words_after;
    } steps[] = {
        { "undo", edit_menu_undo_item(), 3u },
        { "redo", edit_menu_redo_item(), 4u },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        play_session_pretend_for_tests(true);
        gtk_menu_item_activate(GTK_MENU_ITEM(step.item));
        pump_events();
        EXPECT_FALSE(play_session_active());
        EXPECT_EQ(word_count(shell_database()), step.words_after);
    }
}

} // namespace
