// The recovery question, over the main window.
#include "ui/recovery_dialog.h"

#include "io/i18n.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"

#include <gtk/gtk.h>

namespace {

enum Response { RESPONSE_LATER = 1, RESPONSE_DISCARD, RESPONSE_RECOVER };

} // namespace

std::string recovery_dialog_question(const RecoveryCopy& copy)
{
    GCharPtr name(g_filename_display_basename(copy.file.c_str()));
    GDateTime* local = g_date_time_new_from_unix_local(copy.time);
    GCharPtr when(local ? g_date_time_format(local, "%Y-%m-%d %H:%M") : g_strdup("?"));
    if (local)
        g_date_time_unref(local);
    GCharPtr question(g_strdup_printf(_("Recover unsaved changes to %s from %s?"), name.get(), when.get()));
    return question.get();
}

RecoveryAnswer recovery_dialog_ask(const RecoveryCopy& copy)
{
    const std::string question = recovery_dialog_question(copy);
    GtkWidget* dialog = gtk_message_dialog_new(
        dialogs_parent(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s", question.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), _("Recover"));
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), _("_Later"), RESPONSE_LATER, _("_Discard"), RESPONSE_DISCARD,
                           _("_Recover"), RESPONSE_RECOVER, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), RESPONSE_RECOVER);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    switch (response) {
    case RESPONSE_RECOVER:
        return RecoveryAnswer::Recover;
    case RESPONSE_DISCARD:
        return RecoveryAnswer::Discard;
    default:
        return RecoveryAnswer::Later;
    }
}
