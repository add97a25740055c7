// The application shell: the main window with its menus and notebook, the
// current database, and the File commands. Opening, saving and the state
// they share have headers of their own, included here for the editor's
// other parts.
#pragma once

#include "ui/shell_open.h"
#include "ui/shell_save.h"
#include "ui/shell_state.h"

#include <gtk/gtk.h>

// Builds the main window with its menu and the pages; returns it shown.
// Used by the entry point and by the GUI tests.
GtkWidget* shell_build();
// The Quit flow (File > Quit, Ctrl+Q and closing the window). Like File >
// Open, it stops a running play before it asks or frees anything.
void shell_quit();
