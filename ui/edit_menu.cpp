// The Edit menu's two items and their labels.
#include "ui/edit_menu.h"

#include "db/history.h"
#include "io/i18n.h"
#include "ui/gtk_ptr.h"

#include <gdk/gdkkeysyms.h>
#include <string>

namespace {

struct EditMenu {
    GtkWidget* undo = nullptr;
    GtkWidget* redo = nullptr;
};

EditMenu edit_menu;

GtkWidget* item(const char* stock, GtkWidget* menu, GCallback handler)
{
    GtkWidget* it = gtk_image_menu_item_new_with_mnemonic("");
    gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(it), gtk_image_new_from_stock(stock, GTK_ICON_SIZE_MENU));
    g_signal_connect(it, "activate", handler, nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), it);
    return it;
}

void accelerator(GtkWidget* it, GtkAccelGroup* accel, guint key, int mods)
{
    gtk_widget_add_accelerator(it, "activate", accel, key, GdkModifierType(mods), GTK_ACCEL_VISIBLE);
}

// `alone` ("_Undo") when there is nothing to name, else `named` with the
// step's label ("_Undo %s"). The label is shown as it is: an underscore in
// it is doubled so that it does not take the item's letter.
void show_step(GtkWidget* it, const char* alone, const char* named, const std::string& label)
{
    std::string shown;
    for (char c : label)
        shown += c == '_' ? "__" : std::string(1, c);
    GCharPtr text(label.empty() ? g_strdup(alone) : g_strdup_printf(named, shown.c_str()));
    gtk_menu_item_set_label(GTK_MENU_ITEM(it), text.get());
    gtk_widget_set_sensitive(it, !label.empty());
}

} // namespace

GtkWidget* edit_menu_build(GtkAccelGroup* accel, GCallback undo, GCallback redo)
{
    GtkWidget* menu = gtk_menu_new();
    edit_menu.undo = item(GTK_STOCK_UNDO, menu, undo);
    edit_menu.redo = item(GTK_STOCK_REDO, menu, redo);
    accelerator(edit_menu.undo, accel, GDK_z, GDK_CONTROL_MASK);
    accelerator(edit_menu.redo, accel, GDK_z, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
    accelerator(edit_menu.redo, accel, GDK_y, GDK_CONTROL_MASK);
    edit_menu_update(nullptr);
    GtkWidget* top = gtk_menu_item_new_with_mnemonic(_("_Edit"));
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
    return top;
}

void edit_menu_update(const SpeechDb* db)
{
    if (!edit_menu.undo)
        return;
    show_step(edit_menu.undo, _("_Undo"), _("_Undo %s"), history_undo_label(db));
    show_step(edit_menu.redo, _("_Redo"), _("_Redo %s"), history_redo_label(db));
}

GtkWidget* edit_menu_undo_item()
{
    return edit_menu.undo;
}

GtkWidget* edit_menu_redo_item()
{
    return edit_menu.redo;
}
