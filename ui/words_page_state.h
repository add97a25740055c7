// Internal state of the Words page, shared between the file that builds
// the page and keeps its lists (words_page.cpp) and the file with the
// button actions and playback (words_page_actions.cpp).
#pragma once

#include "ui/gtk_ptr.h"
#include "ui/widgets.h"
#include "ui/words_page.h"

struct WordsPageState {
    SpeechDb* db = nullptr; // the shell's database, not owned
    int playing = 0;
    // Bumped by every reload, so a play running its own event loop can
    // tell that the database it started with is gone.
    unsigned generation = 0;
    // Work asked for while a play ran and done when it ends: replacing the
    // usage list or rebuilding every usage list under a running Play All
    // would pull the rows and the list it walks from under it.
    bool refresh_pending = false;
    bool shown_pending = false;
    WordsPageWidgets w;
};

extern WordsPageState words_page;

int selected_word();
int selected_usage_phrase();
void select_word_row(int n);
void update_word_buttons();
void refresh_usage_list();
void redraw_word_list();

// The "row-activated" and "clicked" handlers live in the actions file;
// words_page_build connects them.
void words_page_connect_actions();
