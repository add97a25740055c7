// The application shell: the main window, the File menu, the current
// database, navigation between pages, and parsing typed word references.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

enum WordRef {
    WORD_REF_INVALID = 0,
    WORD_REF_ALIAS = 1,
    WORD_REF_NUMBER = 2,
};

// Always "Tembrel 1.0".
const char* shell_app_title();

// Builds the main window with its menu and the three pages; returns it
// shown. Used by the entry point and by the GUI tests.
GtkWidget* shell_build();
GtkWidget* shell_main_window();
GtkWidget* shell_notebook();
// The current database, or null before the first successful Open.
SpeechDb* shell_database();

// The Save Project flow: true only when the project file was written.
bool shell_save_project_as();
// The Quit flow (File > Quit, Ctrl+Q and closing the window). Like File >
// Open, it waits for the end of a running play before it asks or frees
// anything.
void shell_quit();
// Selects row `phrase` (or `word`) of the Phrases (Words) page and makes
// that page current.
void shell_go_to_phrase(std::uint32_t phrase);
void shell_go_to_word(std::uint32_t word);

// Classifies typed text as a word number or an alias (trimmed, blanks
// turned into "_"). `alias_out` receives at most `alias_size` bytes.
WordRef parse_word_ref(const char* text, char* alias_out, std::size_t alias_size, long long* number_out);
