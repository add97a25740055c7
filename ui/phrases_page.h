// The Phrases page: every phrase with its words, and the edits of a
// phrase's word list.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

void phrases_page_build(GtkNotebook* notebook);
void phrases_page_reload(SpeechDb* db);
void phrases_page_show_phrase(std::uint32_t phrase);
// True while the page plays a phrase or a word.
bool phrases_page_playing();
