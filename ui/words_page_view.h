// How the Words page looks: its widgets and the cells of its two lists,
// filled from the database. What the page does is in words_page.cpp.
#pragma once

#include "db/speech_db.h"
#include "ui/filter_bar.h"
#include "ui/list_rows.h"
#include "ui/waveform.h"

#include <cstdint>
#include <gtk/gtk.h>
#include <optional>

struct WordsPageWidgets {
    GtkTreeView* word_list = nullptr;
    GtkTreeView* usage_list = nullptr;
    GtkTreeViewColumn* alias_column = nullptr;
    GtkCellRenderer* alias_renderer = nullptr;
    GtkCellRenderer* changed_renderer = nullptr;
    GtkWidget* play = nullptr;
    GtkWidget* stop = nullptr;
    GtkWidget* replace = nullptr;
    GtkWidget* record = nullptr;
    GtkWidget* move_up = nullptr;
    GtkWidget* move_down = nullptr;
    GtkWidget* add = nullptr;
    GtkWidget* remove = nullptr;
    GtkWidget* save = nullptr;
    GtkWidget* play_phrase = nullptr;
    GtkWidget* play_all = nullptr;
    GtkWidget* go_to_phrase = nullptr;
    FilterBar filter;
};

// The page as it is drawn: the database it shows (the shell's, not owned;
// null before the first load), the widgets and the selected word's
// waveform. The page keeps one and hands it to the cell data functions.
struct WordsView {
    SpeechDb* db = nullptr;
    WordsPageWidgets w;
    Waveform wave;
    // The words the list shows: all, or those the filter lets through.
    ListRows rows;
};

// The name of the pane between the word list and the list of phrases
// using the selected word; the window keeps its position under this name.
constexpr const char* WORDS_PANE_NAME = "words-pane";

// Builds the page's widgets into `view.w` and returns the page's box. The
// lists have no model and nothing is connected yet: the page does that.
GtkWidget* words_view_build(WordsView& view);

// Gives the word list the words of `rows` (all of 0 .. total - 1, or the
// filter's) in a new store, seen through a sort model that keeps the order
// the user chose. `view.rows` becomes `rows`.
void words_view_set_rows(WordsView& view, ListRows rows);
// The store under the sort model; null before the first rows.
GtkListStore* words_view_store(const WordsView& view);
// Selects the row showing word `word`, wherever the order put it (no word
// clears the selection); false when there is no such word or the filter
// hides it.
bool words_view_select_word(WordsView& view, std::optional<std::uint32_t> word, bool scroll);
// Tells the list (and so assistive technology) that the texts of word
// `word`'s row changed.
void words_view_word_changed(WordsView& view, std::uint32_t word);
// Scrolls to word `word` and puts the cursor (and so the selection) on it.
bool words_view_set_cursor_word(WordsView& view, std::uint32_t word);

// The number the selected row holds (none when no row is selected): a word
// in the word list, a phrase in the usage list.
std::optional<std::uint32_t> words_view_selected_word(const WordsView& view);
std::optional<std::uint32_t> words_view_selected_usage_phrase(const WordsView& view);

// Shows the selected word's waveform ("Waveform of word 12"), or an empty
// one without a selection.
void words_view_show_waveform(WordsView& view);

// Makes each button sensitive exactly when its action has something to act
// on. The Stop button is the playback session's to set.
void words_view_update_buttons(const WordsView& view);
