// The Advanced page: the database format, language code and flags.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

void advanced_page_build(GtkNotebook* notebook);
void advanced_page_reload(SpeechDb* db);
// Stores a language code typed but not yet entered, so a save or the
// question before Open and Quit sees it. Does nothing when the entry holds
// what was last stored.
void advanced_page_store_pending_edits();
