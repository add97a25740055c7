// After an edit a list refused: the cell opens again holding what the user
// typed, so a typo can be corrected instead of typed anew. GTK ends the
// edit before it reports the text, so the cell is reopened from an idle.
#pragma once

#include <gtk/gtk.h>

// Reopens the cell of `cell` in `column` at `path` of `view` with `text`,
// unless the keyboard focus of the window has gone to another of its
// widgets (a click elsewhere) by the time the edit ended or the cell would
// open. The window losing the focus to another window does not count, and
// does not cancel the reopened cell either. Nothing happens when the view
// is gone or shows another model by then.
void cell_retry_edit(GtkTreeView* view, GtkTreeViewColumn* column, GtkCellRenderer* cell, const char* path,
    const char* text);
