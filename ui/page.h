// What the shell asks of every page of the notebook. Each page's header
// declares the same functions with its own prefix (build, reload,
// shown, playing) and a Page that names them; the shell keeps a table of
// the pages in tab order and loops over it instead of naming each page.
#pragma once

#include "db/history.h"

#include <cstdint>
#include <gtk/gtk.h>

// In tab order: the value is the page's number in the notebook.
enum class PageId {
    Phrases,
    Words,
    Advanced,
};

struct Page {
    PageId id;
    // Once, at start-up, in tab order: builds the page and appends it to
    // the notebook with its tab label.
    void (*build)(GtkNotebook* notebook);
    // After every successful Open, in tab order, with the new database. The
    // page keeps the pointer (not owned) until the next reload.
    void (*reload)(SpeechDb* db);
    // Each time the page becomes the current one.
    void (*shown)();
    // True while a play the page started runs.
    bool (*playing)();
    // Selects row `row` of the page's main list and scrolls it into sight
    // (what going to a phrase or a word from another page needs); null for
    // a page without one.
    void (*show_row)(std::uint32_t row);
    // Stores what was typed but not yet entered, so a save or the question
    // before Open and Quit sees it; null for a page without such input.
    void (*store_pending_edits)();
    // The database changed without a new Open (an undo, a redo, an
    // import): brings the page's rows and texts up to date, keeping the
    // selection where it still names a row.
    void (*refresh)();
    // Selects the row where an undone or redone step took effect and
    // scrolls it into sight, when that is on this page; null for a page
    // without rows.
    void (*show_edit)(const EditTarget& target);
    // Word `word` is shown differently now (its alias changed): the page's
    // rows that show it tell assistive technology their new texts; null
    // for a page without such rows.
    void (*word_changed)(std::uint32_t word);
    // Ctrl+F: puts the keyboard focus into the page's filter; null for a
    // page without one.
    void (*find)();
    // Ctrl+G: asks for a number and selects that row; null for a page
    // without rows.
    void (*go_to_number)();
};
