// The application shell: the main window with its File menu and notebook,
// the current database, and the File commands.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

// Always "Tembrel 1.0".
const char* shell_app_title();

// Builds the main window with its menu and the pages; returns it shown.
// Used by the entry point and by the GUI tests.
GtkWidget* shell_build();
GtkWidget* shell_main_window();
GtkWidget* shell_notebook();
// The current database, or null before the first successful Open.
SpeechDb* shell_database();

// Loads a CSF or project file as File > Open does once a file is chosen:
// on success it becomes the current database and the window's title names
// it; on failure the load message is shown and nothing changes. True when
// the file was loaded.
bool shell_open_file(const char* path);
// The Save Project flow: true only when the project file was written.
bool shell_save_project_as();
// The Quit flow (File > Quit, Ctrl+Q and closing the window). Like File >
// Open, it waits for the end of a running play before it asks or frees
// anything.
void shell_quit();
