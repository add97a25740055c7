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

// The Save Project flow: true only when the project file was written.
bool shell_save_project_as();
// The Quit flow (File > Quit, Ctrl+Q and closing the window).
void shell_quit();
// Selects row `phrase` (or `word`) of the Phrases (Words) page and makes
// that page current.
void shell_go_to_phrase(std::uint32_t phrase);
void shell_go_to_word(std::uint32_t word);

// Classifies typed text as a word number or an alias (trimmed, blanks
// turned into "_"). `alias_out` receives at most `alias_size` bytes.
WordRef parse_word_ref(const char* text, char* alias_out, std::size_t alias_size, long long* number_out);
