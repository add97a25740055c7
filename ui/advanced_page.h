// The Advanced page: the database format, language code and flags.
#pragma once

#include "ui/page.h"

#include <gtk/gtk.h>

void advanced_page_build(GtkNotebook* notebook);
void advanced_page_reload(SpeechDb* db);
// Nothing to do when the page comes to the front: it shows what the last
// reload and the user's edits since put there.
void advanced_page_shown();
// Always false: the page plays nothing.
bool advanced_page_playing();
// Stores a language code typed but not yet entered, so a save or the
// question before Open and Quit sees it. Does nothing when the entry holds
// what was last stored.
void advanced_page_store_pending_edits();
// Shows the database's values again after an undo or redo.
void advanced_page_refresh();

extern const Page ADVANCED_PAGE;
