// Going to a number: a modal dialog over the main window with one spin
// button. Enter in the field takes the number, like the Go To button.
#include "ui/go_to_dialog.h"

#include "io/i18n.h"
#include "ui/dialogs.h"

#include <algorithm>
#include <gtk/gtk.h>

std::optional<std::uint32_t> go_to_dialog_ask(
    const char* title, const char* label, std::uint32_t count, std::uint32_t current)
{
    if (count == 0)
        return std::nullopt;
    GtkWidget* dialog = gtk_dialog_new_with_buttons(title, dialogs_parent(),
        GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
        GTK_STOCK_JUMP_TO, GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    GtkWidget* row = gtk_hbox_new(FALSE, 8);
    gtk_container_set_border_width(GTK_CONTAINER(row), 8);
    GtkWidget* caption = gtk_label_new_with_mnemonic(label);
    GtkWidget* number = gtk_spin_button_new_with_range(1, count, 1);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(number), double(std::min(current, count - 1)) + 1);
    gtk_entry_set_activates_default(GTK_ENTRY(number), TRUE);
    gtk_label_set_mnemonic_widget(GTK_LABEL(caption), number);
    gtk_box_pack_start(GTK_BOX(row), caption, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), number, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, TRUE, TRUE, 0);
    gtk_widget_show_all(row);
    std::optional<std::uint32_t> chosen;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gtk_spin_button_update(GTK_SPIN_BUTTON(number));
        chosen = std::uint32_t(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(number)) - 1);
    }
    gtk_widget_destroy(dialog);
    return chosen;
}
