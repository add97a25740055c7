// Small widget builders shared by the pages.
#include "ui/widgets.h"

GtkWidget* scrolled_list(GtkWidget* child)
{
    GtkWidget* window = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(window), GTK_SHADOW_NONE);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(window), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_container_add(GTK_CONTAINER(window), child);
    return window;
}

GCharPtr make_valid(const char* text)
{
    return GCharPtr(g_utf8_validate(text, -1, nullptr) ? g_strdup(text) : g_utf8_make_valid(text, -1));
}

void set_cell_text(GtkCellRenderer* cell, const char* text)
{
    g_object_set(cell, "text", make_valid(text).get(), nullptr);
}
