// The Words page: every word with the phrases that use it, playback,
// WAV import and export, aliases and word reordering.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

void words_page_build(GtkNotebook* notebook);
void words_page_reload(SpeechDb* db);
void words_page_show_word(std::uint32_t word);
void words_page_shown();
// True while the page plays a word, a phrase or Play All.
bool words_page_playing();

// The page's widgets (reached by the GUI tests through ui/test_hooks.h).
struct WordsPageWidgets {
    GtkTreeView* word_list = nullptr;
    GtkTreeView* usage_list = nullptr;
    GtkWidget* play = nullptr;
    GtkWidget* replace = nullptr;
    GtkWidget* move_up = nullptr;
    GtkWidget* move_down = nullptr;
    GtkWidget* add = nullptr;
    GtkWidget* remove = nullptr;
    GtkWidget* save = nullptr;
    GtkWidget* play_phrase = nullptr;
    GtkWidget* play_all = nullptr;
    GtkWidget* go_to_phrase = nullptr;
};
