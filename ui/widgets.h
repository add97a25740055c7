// Small widget builders shared by the pages.
#pragma once

#include "ui/gtk_ptr.h"

#include <gtk/gtk.h>

// `child` (a list) inside a borderless scrolled window whose bars appear
// only when needed.
GtkWidget* scrolled_list(GtkWidget* child);

// Texts from a project file are stored as they came, but the toolkit draws
// only valid UTF-8: a copy of `text` with anything invalid shown as
// replacement characters.
GCharPtr make_valid(const char* text);
// Sets a text cell's "text" to `text` made valid.
void set_cell_text(GtkCellRenderer* cell, const char* text);
