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

// Playback and the File commands. A page plays by blocking in the audio
// output while it runs the main loop between words, so File > Open, Quit,
// Ctrl+Q or closing the window can arrive in the middle of a play. Freeing
// or replacing the database then would pull it from under the play, so
// while phrases_page_playing() or words_page_playing() is true the shell
// only remembers the request (a Quit replaces a waiting Open).
// Contract for the pages: when a play has ended, clear the playing flag,
// release any grab, and call shell_play_finished() as the last step. It
// never runs the request synchronously: it queues it on the main loop, so
// the page's handler has returned before the database may be freed. The
// request then runs as usual, save question included.
void shell_play_finished();

// Test seam: while set, the shell treats a page as playing, so the GUI
// tests can check the deferral without sound hardware.
void shell_pretend_playing_for_tests(bool playing);

// Tears down the window, frees the database and forgets the remembered
// folders and any waiting request, so the GUI tests can call shell_build()
// again for a fresh start. Every page build must reset its own state.
void shell_destroy_for_tests();

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
