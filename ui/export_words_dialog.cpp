// The Export Words dialog and the export it runs.
#include "ui/export_words_dialog.h"
#include "io/i18n.h"

#include "db/file_names.h"
#include "db/operations.h"
#include "io/file_io.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"
#include "ui/progress_window.h"


namespace {

struct ExportDialog {
    GtkWidget* dialog = nullptr;
    GtkWidget* folder_label = nullptr;
    GtkWidget* all = nullptr;
    GtkWidget* selected = nullptr;
    GtkWidget* aliases = nullptr;
    std::string folder;
};

void on_folder_button_clicked(GtkButton*, gpointer data)
{
    auto& d = *static_cast<ExportDialog*>(data);
    std::string folder = dialogs_choose_folder(_("Export Words To"));
    if (folder.empty())
        return;
    d.folder = folder;
    GCharPtr shown(g_filename_display_name(folder.c_str()));
    gtk_label_set_text(GTK_LABEL(d.folder_label), shown.get());
    gtk_dialog_set_response_sensitive(GTK_DIALOG(d.dialog), GTK_RESPONSE_ACCEPT, TRUE);
}

enum class Existing { ReplaceAll, Skip, Cancel };

// Names the files that are already there and asks what to do with them.
Existing ask_about_existing(const std::string& folder, const std::vector<std::string>& names)
{
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < 20; ++i)
        list += (i ? ", " : "") + names[i];
    if (names.size() > 20)
        list += ", …";
    GCharPtr shown(g_filename_display_name(folder.c_str()));
    GtkWidget* q = gtk_message_dialog_new(dialogs_parent(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                          _("%zu files already exist in %s:\n%s"), names.size(), shown.get(),
                                          list.c_str());
    gtk_window_set_title(GTK_WINDOW(q), _("Export Words"));
    gtk_dialog_add_buttons(GTK_DIALOG(q), GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, _("Skip"), GTK_RESPONSE_NO,
                           _("Replace All"), GTK_RESPONSE_YES, nullptr);
    const gint response = gtk_dialog_run(GTK_DIALOG(q));
    gtk_widget_destroy(q);
    if (response == GTK_RESPONSE_YES)
        return Existing::ReplaceAll;
    if (response == GTK_RESPONSE_NO)
        return Existing::Skip;
    return Existing::Cancel;
}

// Writes the files; stops at Cancel or at the first failure, which it shows.
void write_files(const SpeechDb* db, const std::string& folder, const std::vector<ExportTarget>& targets,
                 Existing existing)
{
    ProgressWindowPtr progress = progress_window_open(dialogs_parent(), _("Exporting Words"));
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!progress_window_update(progress.get(), i, targets.size()))
            return;
        const std::string path = folder + "/" + targets[i].name;
        if (existing == Existing::Skip && io_file_readable(path.c_str()))
            continue;
        ErrorText err;
        if (!word_export_wav(db, targets[i].word, path.c_str(), true, &err)) {
            progress.reset();
            dialogs_show_error((_("Error saving audio file\n") + targets[i].name + ": " + err.text).c_str());
            return;
        }
    }
    progress_window_update(progress.get(), targets.size(), targets.size());
}

} // namespace

std::vector<ExportTarget> export_words_targets(const SpeechDb* db, const std::vector<std::uint32_t>& words,
                                               bool aliases)
{
    std::vector<std::uint32_t> chosen = words;
    if (chosen.empty())
        for (std::uint32_t w = 0; w < word_count(db); ++w)
            chosen.push_back(w);
    std::vector<ExportTarget> targets;
    for (std::uint32_t w : chosen) {
        // A word without audio has nothing to write.
        if (word_audio_size(db, w) == 0)
            continue;
        targets.push_back({w, word_export_name(w)});
        // An alias with a slash would name another folder.
        const std::string alias = word_alias(db, w) ? word_alias(db, w) : "";
        if (aliases && !alias.empty() && alias.find('/') == std::string::npos)
            targets.push_back({w, alias + ".wav"});
    }
    return targets;
}

void export_words_dialog_run(const SpeechDb* db, std::optional<std::uint32_t> selected)
{
    if (!db)
        return;
    ExportDialog d;
    d.dialog = gtk_dialog_new_with_buttons(_("Export Words"), dialogs_parent(), GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
                                           GTK_RESPONSE_CANCEL, _("_Export"), GTK_RESPONSE_ACCEPT, nullptr);
    GtkWidget* box = gtk_vbox_new(FALSE, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 8);
    GtkWidget* row = gtk_hbox_new(FALSE, 6);
    GtkWidget* folder_button = gtk_button_new_with_mnemonic(_("_Folder…"));
    d.folder_label = gtk_label_new(_("(no folder chosen)"));
    gtk_box_pack_start(GTK_BOX(row), folder_button, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), d.folder_label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    d.all = gtk_radio_button_new_with_mnemonic(nullptr, _("A_ll words"));
    const std::string selected_text =
        selected ? std::string(GCharPtr(g_strdup_printf(_("_Selected word (%u)"), *selected + 1)).get())
                 : std::string(_("_Selected word"));
    d.selected = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(d.all), selected_text.c_str());
    gtk_widget_set_sensitive(d.selected, selected.has_value());
    d.aliases = gtk_check_button_new_with_mnemonic(_("Also save words with an _alias as alias.wav"));
    for (GtkWidget* w : {d.all, d.selected, d.aliases})
        gtk_box_pack_start(GTK_BOX(box), w, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(d.dialog))), box, TRUE, TRUE, 0);
    g_signal_connect(folder_button, "clicked", G_CALLBACK(on_folder_button_clicked), &d);
    gtk_dialog_set_response_sensitive(GTK_DIALOG(d.dialog), GTK_RESPONSE_ACCEPT, FALSE);
    gtk_widget_show_all(box);

    const bool go = gtk_dialog_run(GTK_DIALOG(d.dialog)) == GTK_RESPONSE_ACCEPT;
    const bool only_selected = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(d.selected)) && selected;
    const bool aliases = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(d.aliases));
    gtk_widget_destroy(d.dialog);
    if (!go || d.folder.empty())
        return;

    const std::vector<ExportTarget> targets =
        export_words_targets(db, only_selected ? std::vector<std::uint32_t>{*selected} : std::vector<std::uint32_t>{},
                             aliases);
    std::vector<std::string> there;
    for (const ExportTarget& t : targets)
        if (io_file_readable((d.folder + "/" + t.name).c_str()))
            there.push_back(t.name);
    Existing existing = Existing::ReplaceAll;
    if (!there.empty())
        existing = ask_about_existing(d.folder, there);
    if (existing != Existing::Cancel)
        write_files(db, d.folder, targets, existing);
}
