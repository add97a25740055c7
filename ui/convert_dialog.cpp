// The convert question of the Words page's Replace.
#include "ui/convert_dialog.h"
#include "io/i18n.h"

#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"

#include <string>

std::optional<ImportChoices> convert_dialog_ask(const char* file_name, const SoundFormat& format)
{
    GCharPtr question(
        g_strdup_printf(_("%s is %s. Convert it to 16000 Hz mono?"), file_name, sound_format_text(format).c_str()));
    GtkWidget* dialog = gtk_message_dialog_new(dialogs_parent(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                               GTK_BUTTONS_NONE, "%s", question.get());
    gtk_window_set_title(GTK_WINDOW(dialog), _("Convert"));
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, _("C_onvert"), GTK_RESPONSE_ACCEPT,
                           nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    const ImportChoiceWidgets choices = import_choices_build(import_choices_load());
    gtk_box_pack_start(GTK_BOX(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog))), choices.box, FALSE,
                       FALSE, 0);
    gtk_widget_show_all(choices.box);

    std::optional<ImportChoices> answer;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        answer = import_choices_read(choices);
        import_choices_save(*answer);
    }
    gtk_widget_destroy(dialog);
    return answer;
}
