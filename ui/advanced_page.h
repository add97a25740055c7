// The Advanced page: the database format, language code and flags.
#pragma once

#include "db/speech_db.h"

#include <gtk/gtk.h>

void advanced_page_build(GtkNotebook* notebook);
void advanced_page_reload(SpeechDb* db);
