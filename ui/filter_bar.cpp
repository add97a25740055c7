// The filter row: label, entry and count.
#include "ui/filter_bar.h"

#include "io/i18n.h"
#include "ui/gtk_ptr.h"
#include "ui/list_filter.h"

#include <gdk/gdkkeysyms.h>
#include <string>

namespace {

// Escape empties a filter that holds text; on an empty one it goes on to
// the window (where it stops a play).
gboolean on_filter_entry_key_press_event(GtkWidget* entry, GdkEventKey* event, gpointer)
{
    if (event->keyval != GDK_KEY_Escape || !*gtk_entry_get_text(GTK_ENTRY(entry)))
        return FALSE;
    gtk_entry_set_text(GTK_ENTRY(entry), "");
    return TRUE;
}

} // namespace

FilterBar filter_bar_new(const char* label, const char* name, const char* tooltip)
{
    FilterBar bar;
    bar.box = gtk_hbox_new(FALSE, 6);
    GtkWidget* caption = gtk_label_new_with_mnemonic(label);
    bar.entry = gtk_entry_new();
    gtk_label_set_mnemonic_widget(GTK_LABEL(caption), bar.entry);
    gtk_widget_set_tooltip_text(bar.entry, tooltip);
    atk_object_set_name(gtk_widget_get_accessible(bar.entry), name);
    g_signal_connect(bar.entry, "key-press-event", G_CALLBACK(on_filter_entry_key_press_event), nullptr);
    bar.count = gtk_label_new("");
    gtk_misc_set_alignment(GTK_MISC(bar.count), 1.0f, 0.5f);
    gtk_box_pack_start(GTK_BOX(bar.box), caption, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bar.box), bar.entry, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(bar.box), bar.count, FALSE, FALSE, 0);
    return bar;
}

void filter_bar_show_count(const FilterBar& bar, const char* all_format, const char* filtered_format,
    std::uint32_t shown, std::uint32_t total, bool filtered)
{
    const std::string all = list_filter_group_digits(total);
    GCharPtr text(filtered ? g_strdup_printf(filtered_format, list_filter_group_digits(shown).c_str(), all.c_str())
                           : g_strdup_printf(all_format, all.c_str()));
    gtk_label_set_text(GTK_LABEL(bar.count), text.get());
}

void filter_bar_clear_quietly(const FilterBar& bar, GCallback changed_handler, gpointer data)
{
    g_signal_handlers_block_by_func(bar.entry, reinterpret_cast<gpointer>(changed_handler), data);
    gtk_entry_set_text(GTK_ENTRY(bar.entry), "");
    g_signal_handlers_unblock_by_func(bar.entry, reinterpret_cast<gpointer>(changed_handler), data);
}
