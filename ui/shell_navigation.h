// Going from one page to a row of another: "Go To Word" on the Phrases page
// and "Go To Phrase" on the Words page. It knows the pages only through
// their Page entries, so a page can go to another without either knowing
// the other.
#pragma once

#include "ui/page.h"

#include <cstdint>
#include <gtk/gtk.h>
#include <span>

// The notebook and its pages in tab order (the shell's table, which must
// outlive them); null and none when the window goes away.
void shell_navigation_set(GtkNotebook* notebook, std::span<const Page* const> pages);

// Selects row `phrase` (or `word`) of the Phrases (Words) page, then makes
// that page current, so its `shown` sees the row already selected.
void shell_go_to_phrase(std::uint32_t phrase);
void shell_go_to_word(std::uint32_t word);
// Word `word` is shown differently now (its alias changed): every page
// tells assistive technology about its rows that show it.
void shell_word_changed(std::uint32_t word);
// After an undo or redo: every page brings itself up to date, then the page
// where the step took effect shows it and becomes current.
void shell_show_edit(const EditTarget& target);
