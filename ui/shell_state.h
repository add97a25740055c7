// What the shell's flows share: the current database and the file it
// stands for, the main window, and installing a database in the pages.
// ShellState and the functions after it are for the shell's own files;
// the rest of the editor reads the shell through the accessors first.
#pragma once

#include "db/speech_db.h"
#include "ui/page.h"

#include <array>
#include <gtk/gtk.h>
#include <string>

// Always "Tembrel 1.0".
const char* shell_app_title();
GtkWidget* shell_main_window();
GtkWidget* shell_notebook();
// The current database, or null before the first successful Open.
SpeechDb* shell_database();
// The file the current database stands for (empty without one): the file
// opened, or the project it was last saved as.
const std::string& shell_file_path();

struct ShellState {
    SpeechDbPtr db;
    // The database Quit let go of. The pages still point at it, and a
    // tooltip or redraw already queued may run after the main loop has
    // ended, so it is kept until the process ends (or the window goes).
    SpeechDbPtr retired_db;
    // The file the database stands for (locale encoding): the one opened,
    // or the project it was last saved as. Empty without a database.
    std::string file_path;
    // Where File > Save writes; empty until the database is a project.
    std::string project_path;
    GtkWidget* main_window = nullptr;
    GtkWidget* main_notebook = nullptr;
    GtkWidget* menu_bar = nullptr;
    // A file waiting to be opened from File > Open Recent.
    std::string recent_path;
};

// The one shell of the process.
ShellState& shell_state();

// The notebook's pages in tab order.
extern const std::array<const Page*, 3> SHELL_PAGES;

// Shows the window's title and the Edit menu for the database as it is
// now; every edit, undo, redo and save passes here.
void shell_history_changed();
// Makes `db` the current database, standing for `file`, and shows it.
void shell_install_database(SpeechDbPtr db, const std::string& file);
// Text typed into a page but not yet entered counts as entered before a
// save and before the save question.
void shell_store_pending_edits();
