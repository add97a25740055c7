// Internal to the Phrases page: its state record, and the functions that
// fill the cells of both lists and size the phrase list's columns.
#pragma once

#include "ui/phrases_page.h"

#include <cstdint>

// Starting widths of the phrase list's columns. Every column has a fixed
// width, so the view never measures rows it does not draw; the "Words" and
// "Comment" columns are widened by the page to fit their longest texts.
constexpr int PHRASES_PAGE_NUMBER_WIDTH = 50;
constexpr int PHRASES_PAGE_WORDS_WIDTH = 320;
constexpr int PHRASES_PAGE_COMMENT_WIDTH = 150;
constexpr int PHRASES_PAGE_CHANGED_WIDTH = 50;

struct PhrasesPage {
    SpeechDb* db = nullptr; // not owned: the shell owns and frees it
    bool use_aliases = true;
    PhrasesPageWidgets w;
};

// The one instance, for the whole program.
PhrasesPage& phrases_page_state();

// Widens the "Words" and "Comment" columns for the texts of `phrase`, or,
// for a negative `phrase`, sizes them afresh for the longest texts of all.
void phrases_page_fit_columns(long long phrase);

// Cell data functions: "#", "Words", "Comment", "Changed", and the word
// list's "Word".
void phrases_page_number_cell_data(GtkTreeViewColumn*, GtkCellRenderer*, GtkTreeModel*, GtkTreeIter*, gpointer);
void phrases_page_words_cell_data(GtkTreeViewColumn*, GtkCellRenderer*, GtkTreeModel*, GtkTreeIter*, gpointer);
void phrases_page_comment_cell_data(GtkTreeViewColumn*, GtkCellRenderer*, GtkTreeModel*, GtkTreeIter*, gpointer);
void phrases_page_changed_cell_data(GtkTreeViewColumn*, GtkCellRenderer*, GtkTreeModel*, GtkTreeIter*, gpointer);
void phrases_page_word_cell_data(GtkTreeViewColumn*, GtkCellRenderer*, GtkTreeModel*, GtkTreeIter*, gpointer);
