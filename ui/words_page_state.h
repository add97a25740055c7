// Internal state of the Words page, shared between the file that builds
// the page and keeps its lists (words_page.cpp) and the file with the
// button actions and playback (words_page_actions.cpp).
#pragma once

#include "ui/gtk_ptr.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"
#include "ui/words_page.h"

// Usage-list work asked for while a play ran and done when it ends:
// replacing the usage list or rebuilding every usage list under a running
// Play All would pull the rows and the list it walks from under it. The
// page being shown rebuilds the lists and refreshes, so it covers a refresh.
enum WordsPagePending {
    WORDS_PAGE_PENDING_NONE,
    WORDS_PAGE_PENDING_REFRESH,
    WORDS_PAGE_PENDING_SHOWN,
};

struct WordsPageState {
    SpeechDb* db = nullptr; // the shell's database, not owned
    int playing = 0;
    // Bumped by every reload, so a play running its own event loop can
    // tell that the database it started with is gone.
    unsigned generation = 0;
    WordsPagePending pending = WORDS_PAGE_PENDING_NONE;
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
