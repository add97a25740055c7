// File > Open Recent: the last files the editor opened or saved as a
// project, through the desktop's list of recently used files, of which the
// menu shows only this program's CSF and project files.
#pragma once

#include <gtk/gtk.h>

// How many files the menu lists.
constexpr int RECENT_FILES_SHOWN = 10;

// Adds `path` (file-name encoding) to the desktop's list for this program.
void recent_files_add(const char* path);
// The submenu: this program's files, most recent first. It emits
// "item-activated" when one is chosen.
GtkWidget* recent_files_menu_new();
