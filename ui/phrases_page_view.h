// How the Phrases page looks: its widgets, the cells of its two lists
// filled from the database, and the sizing of the phrase list's columns.
// What the page does is in phrases_page.cpp.
#pragma once

#include "db/speech_db.h"
#include "ui/filter_bar.h"
#include "ui/waveform.h"

#include <cstddef>
#include <cstdint>
#include <gtk/gtk.h>
#include <optional>
#include <string>

// Largest text a "Words" or "Word" cell shows, in bytes, terminator included.
constexpr std::size_t PHRASES_PAGE_TEXT_SIZE = 4096;

struct PhrasesPageWidgets {
    GtkTreeView* phrase_list = nullptr;
    GtkWidget* scrolled_phrase_list = nullptr;
    GtkTreeView* word_list = nullptr;
    GtkTreeViewColumn* number_column = nullptr;
    GtkTreeViewColumn* words_column = nullptr;
    GtkTreeViewColumn* comment_column = nullptr;
    GtkTreeViewColumn* changed_column = nullptr;
    GtkTreeViewColumn* word_column = nullptr;
    GtkCellRenderer* words_renderer = nullptr;
    GtkCellRenderer* comment_renderer = nullptr;
    GtkCellRenderer* changed_renderer = nullptr;
    GtkCellRenderer* word_renderer = nullptr;
    GtkWidget* play_box = nullptr;
    GtkWidget* play_phrase = nullptr;
    GtkWidget* play_word = nullptr;
    GtkWidget* save_phrase = nullptr;
    GtkWidget* stop = nullptr;
    GtkWidget* go_to_word = nullptr;
    GtkWidget* move_up = nullptr;
    GtkWidget* move_down = nullptr;
    GtkWidget* add_word = nullptr;
    GtkWidget* remove_word = nullptr;
    GtkWidget* use_aliases = nullptr;
    FilterBar filter;
};

// The page as it is drawn: the database it shows (the shell's, not owned;
// null before the first load), whether words show by alias, and the
// widgets. The page keeps one and hands it to the cell data functions.
struct PhrasesView {
    SpeechDb* db = nullptr;
    bool use_aliases = true;
    PhrasesPageWidgets w;
    // The selected phrase's words one after another.
    Waveform wave;
};

// The name of the pane between the phrase list and the selected phrase's
// words; the window keeps its position under this name.
constexpr const char* PHRASES_PANE_NAME = "phrases-pane";

// How much taller than it asks to be the phrase list must be to show
// `rows` rows (the window opens that much taller than its smallest size).
int phrases_view_extra_height(const PhrasesView& view, int rows);

// Builds the page's widgets into `view.w` and returns the page's box. The
// lists have no model and nothing is connected yet: the page does that.
GtkWidget* phrases_view_build(PhrasesView& view);

// The number the selected row holds (none when no row is selected): a
// phrase in the phrase list, a position (in the selected phrase) in the word
// list.
std::optional<std::uint32_t> phrases_view_selected_phrase(const PhrasesView& view);
std::optional<std::uint32_t> phrases_view_selected_position(const PhrasesView& view);

// Shows the selected phrase's waveform ("Waveform of phrase 7"), or an
// empty one without a selection.
void phrases_view_show_waveform(PhrasesView& view);

// Makes each button sensitive exactly when its action has something to act
// on. The Stop button is the playback session's to set.
void phrases_view_update_buttons(const PhrasesView& view);

// Widens the "Words" column for the text of `phrase`, or, without one,
// sizes it afresh for the longest text of all phrases.
void phrases_view_fit_columns(const PhrasesView& view, std::optional<std::uint32_t> phrase);

// The words of phrase `phrase` as the "Words" column shows them: each word
// as a blank and then its alias (when `use_aliases` and the word has one)
// or its number counted from 1, written "#6" while aliases are shown, cut
// to fit PHRASES_PAGE_TEXT_SIZE on a character boundary. With `max_chars`,
// at most that many characters, and "…" after them when the text goes on.
std::string phrases_view_words_text(
    const SpeechDb* db, std::uint32_t phrase, bool use_aliases, std::optional<std::size_t> max_chars = std::nullopt);
// How many characters of a "Words" cell can be on screen now, from the
// column's width, the part of the list in sight and its font.
std::size_t phrases_view_words_budget(const PhrasesView& view);
