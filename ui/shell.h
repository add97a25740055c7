// The application shell: the main window, the File menu, the current
// database, and the helpers the pages share (dialogs, choosers,
// navigation between pages, parsing typed word references).
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

enum WordRef {
    WORD_REF_INVALID = 0,
    WORD_REF_ALIAS = 1,
    WORD_REF_NUMBER = 2,
};

const char* app_title();

// Builds the main window with its menu and the three pages; returns it
// shown. Used by the entry point and by the GUI tests.
GtkWidget* shell_build();
GtkWidget* shell_main_window();
GtkWidget* shell_notebook();
// The current database, or null before the first successful Open.
SpeechDb* shell_database();

void show_error_dialog(const char* message);
int ask_save_first(const char* question);
bool choose_save_path(const char* suggested, char* out, std::size_t out_size);
bool choose_open_path(char* out, std::size_t out_size);
bool save_project_as();
void quit_application();
void go_to_phrase(std::uint32_t phrase);
void go_to_word(std::uint32_t word);

// Classifies typed text as a word number or an alias (trimmed, blanks
// turned into "_"). `alias_out` receives at most `alias_size` bytes.
WordRef parse_word_ref(const char* text, char* alias_out, std::size_t alias_size, long long* number_out);
