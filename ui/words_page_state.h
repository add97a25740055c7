// Internal state of the Words page, shared between the file that builds
// the page and keeps its lists (words_page.cpp) and the file with the
// button actions and playback (words_page_actions.cpp).
#pragma once

#include "ui/gtk_ptr.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"
#include "ui/words_page.h"

struct WordsPageState {
    SpeechDb* db = nullptr; // the shell's database, not owned
    WordsPageWidgets w;
};

extern WordsPageState words_page;

// Selects row n of the word list (none for a negative n) and scrolls to it.
void words_page_select_word(int n);
void words_page_update_buttons();
void words_page_refresh_usage_list();
void words_page_redraw_word_list();

// The "row-activated" and "clicked" handlers live in the actions file;
// words_page_build connects them.
void words_page_connect_actions();
