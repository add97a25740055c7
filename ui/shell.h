// The application shell: the main window with its File menu and notebook,
// the current database, and the File commands.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>
#include <string>

// Always "Tembrel 1.0".
const char* shell_app_title();

// Builds the main window with its menu and the pages; returns it shown.
// Used by the entry point and by the GUI tests.
GtkWidget* shell_build();
GtkWidget* shell_main_window();
GtkWidget* shell_notebook();
// The current database, or null before the first successful Open.
SpeechDb* shell_database();

// File > Save: the project goes where it came from or was last saved as
// a project; without one yet it asks as Save Project As does. True only
// when the project file was written.
bool shell_save();
// The Save Project As flow: true only when the project file was written.
bool shell_save_project_as();
// Loads a CSF or project file as File > Open does once a file is chosen
// (without asking about unsaved changes): on success it becomes the
// current database and the window's title names it; on failure the load
// message is shown and nothing changes. True when the file was loaded.
// Offers the file's recovery copy when it is newer than the file.
bool shell_open_file(const char* path);
// What the editor does once its window is up: opens `file` when one was
// named on the command line, otherwise offers what the recovery folder
// holds.
void shell_start(const char* file);
// The file the current database stands for (empty without one): the file
// opened, or the project it was last saved as.
const std::string& shell_file_path();
// The Quit flow (File > Quit, Ctrl+Q and closing the window). Like File >
// Open, it stops a running play before it asks or frees anything.
void shell_quit();
