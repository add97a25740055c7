// The Phrases page: every phrase with its words, and the edits of a
// phrase's word list. Its look is in phrases_page_view.h.
#pragma once

#include "ui/page.h"

#include <cstdint>
#include <gtk/gtk.h>

void phrases_page_build(GtkNotebook* notebook);
void phrases_page_reload(SpeechDb* db);
// Nothing to do when the page comes to the front.
void phrases_page_shown();
// True while the page plays a phrase or a word.
bool phrases_page_playing();
// Selects phrase `phrase` (0-based) and scrolls it into sight; nothing when
// there is no such row.
void phrases_page_show_phrase(std::uint32_t phrase);
// After an undo or redo: the selected phrase's word list again, and the
// place the step took effect selected.
void phrases_page_refresh();
void phrases_page_show_edit(const EditTarget& target);
// Ctrl+F: the keyboard focus goes to the filter.
void phrases_page_find();
// The phrases that use `word` show it differently now.
void phrases_page_word_changed(std::uint32_t word);

// How much taller than it asks to be the phrase list must be to show
// `rows` rows.
int phrases_page_extra_height(int rows);
// Ctrl+G: asks for a phrase number and shows that phrase.
void phrases_page_go_to_number();

extern const Page PHRASES_PAGE;
