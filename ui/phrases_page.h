// The Phrases page: every phrase with its words, and the edits of a
// phrase's word list.
#pragma once

#include "db/speech_db.h"

#include <cstdint>
#include <gtk/gtk.h>
#include <string>

void phrases_page_build(GtkNotebook* notebook);
void phrases_page_reload(SpeechDb* db);
void phrases_page_show_phrase(std::uint32_t phrase);
// True while the page plays a phrase or a word.
bool phrases_page_playing();

// Largest text a "Words" or "Word" cell shows, in bytes, terminator included.
constexpr std::size_t PHRASES_PAGE_TEXT_SIZE = 4096;

// The text of the "Words" cell of phrase `phrase`: each word as a blank and
// then its alias (when `use_aliases` and the word has one) or its number
// counted from 1, cut to fit PHRASES_PAGE_TEXT_SIZE on a character boundary.
std::string phrases_page_words_text(const SpeechDb* db, std::uint32_t phrase, bool use_aliases);

// The widgets of the page (reached by the GUI tests and the benchmark
// through ui/test_hooks.h).
struct PhrasesPageWidgets {
    GtkTreeView* phrase_list = nullptr;
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
    GtkWidget* go_to_word = nullptr;
    GtkWidget* move_up = nullptr;
    GtkWidget* move_down = nullptr;
    GtkWidget* add_word = nullptr;
    GtkWidget* remove_word = nullptr;
    GtkWidget* use_aliases = nullptr;
};
