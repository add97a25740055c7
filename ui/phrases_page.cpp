// The Phrases page (placeholder until the page is built: an empty tab).
#include "ui/phrases_page.h"

void phrases_page_build(GtkNotebook* notebook)
{
    GtkWidget* box = gtk_vbox_new(FALSE, 0);
    gtk_notebook_append_page(notebook, box, gtk_label_new("Phrases"));
}

void phrases_page_reload(SpeechDb*) {}
bool phrases_page_playing() { return false; }
void phrases_page_show_phrase(std::uint32_t) {}
