// The Words page: every word with the phrases that use it, playback, WAV
// import and export, aliases and word reordering. Its look is in
// words_page_view.h.
#pragma once

#include "ui/page.h"

#include <cstdint>
#include <optional>
#include <gtk/gtk.h>

void words_page_build(GtkNotebook* notebook);
void words_page_reload(SpeechDb* db);
// Brings the usage lists up to date with edits made on other pages.
void words_page_shown();
// True while the page plays a word, a phrase or Play All.
bool words_page_playing();
// Selects word `word` (0-based) and scrolls it into sight; nothing when
// there is no such row.
void words_page_show_word(std::uint32_t word);
// After an undo, a redo or an import: as many rows as words, the usage list
// again, and the word the step changed selected.
void words_page_refresh();
void words_page_show_edit(const EditTarget& target);
// Ctrl+F: the keyboard focus goes to the filter.
void words_page_find();
// Ctrl+G: asks for a word number and shows that word.
void words_page_go_to_number();
// The selected word, if any (what File > Export Words… offers besides all).
std::optional<std::uint32_t> words_page_current_word();

extern const Page WORDS_PAGE;
