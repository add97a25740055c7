// The Edit menu: Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z and Ctrl+Y), each
// naming the step it would take back or do again ("Undo Replace Word 12")
// and insensitive when there is none.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

// The "Edit" item of the menu bar with its menu; `undo` and `redo` are the
// items' "activate" handlers.
GtkWidget* edit_menu_build(GtkAccelGroup* accel, GCallback undo, GCallback redo);
// Brings the labels and sensitivity up to date with `db`'s history (null:
// no database).
void edit_menu_update(const SpeechDb* db);

// The two items, for the tests.
GtkWidget* edit_menu_undo_item();
GtkWidget* edit_menu_redo_item();
