// The Words page (placeholder until the page is built: an empty tab).
#include "ui/words_page.h"

void words_page_build(GtkNotebook* notebook)
{
    GtkWidget* box = gtk_vbox_new(FALSE, 0);
    gtk_notebook_append_page(notebook, box, gtk_label_new("Words"));
}

void words_page_reload(SpeechDb*) {}
bool words_page_playing() { return false; }
void words_page_show_word(std::uint32_t) {}
void words_page_shown() {}
