// Small widget builders shared by the pages.
#pragma once

#include <gtk/gtk.h>

// `child` (a list) inside a borderless scrolled window whose bars appear
// only when needed.
GtkWidget* scrolled_list(GtkWidget* child);
