// The modal helpers shared by the shell and every page: the error message,
// the Yes/No/Cancel question, and the Save and Load file choosers, each
// chooser remembering the folder of its own last accepted use.
#include "ui/dialogs.h"
#include "io/i18n.h"

#include "ui/gtk_ptr.h"
#include "ui/test_hooks.h"

#include <cstring>
#include <string>

namespace {

// Longest folder (in bytes) a chooser remembers; a longer one is not
// stored, because a cut path names some other folder.
constexpr std::size_t FOLDER_MAX = 1023;

struct DialogState {
    GtkWindow* parent = nullptr;
    std::string save_folder;
    std::string open_folder;
};

DialogState dialogs;

struct ChooserSetup {
    const char* title;
    GtkFileChooserAction action;
    const char* accept_stock;
    std::string* folder;
    const char* suggested;
    const char* start_folder; // overrides `folder` for where to start
};

// Runs one chooser. The chooser hands back the name in the encoding the
// file layer opens (on this platform the toolkit's file-name encoding).
// A name that does not fit `out` counts as a cancel: a shortened path would
// name a different file.
bool run_chooser(const ChooserSetup& setup, char* out, std::size_t out_size)
{
    GtkWidget* dialog = gtk_file_chooser_dialog_new(setup.title, nullptr, setup.action, setup.accept_stock,
        GTK_RESPONSE_ACCEPT, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    if (setup.start_folder && *setup.start_folder)
        gtk_file_chooser_set_current_folder(chooser, setup.start_folder);
    else if (!setup.folder->empty())
        gtk_file_chooser_set_current_folder(chooser, setup.folder->c_str());
    if (setup.suggested)
        gtk_file_chooser_set_current_name(chooser, setup.suggested);
    if (setup.action == GTK_FILE_CHOOSER_ACTION_SAVE)
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);

    GCharPtr name;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        name.reset(gtk_file_chooser_get_filename(chooser));
        GCharPtr folder(gtk_file_chooser_get_current_folder(chooser));
        if (folder && std::strlen(folder.get()) <= FOLDER_MAX)
            *setup.folder = folder.get();
    }
    gtk_widget_destroy(dialog);

    if (!name)
        return false;
    std::size_t length = std::strlen(name.get());
    if (length + 1 > out_size)
        return false;
    std::memcpy(out, name.get(), length + 1);
    return true;
}

} // namespace

void dialogs_set_parent(GtkWindow* window)
{
    dialogs.parent = window;
}

GtkWindow* dialogs_parent()
{
    return dialogs.parent;
}

void dialogs_show_error(const char* message)
{
    GtkWidget* dialog = gtk_message_dialog_new(
        dialogs.parent, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_CLOSE, "%s", message ? message : "");
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

SaveAnswer dialogs_ask_save_first(const char* question)
{
    GtkWidget* dialog = gtk_dialog_new_with_buttons(_("Save"), dialogs.parent, GTK_DIALOG_MODAL, GTK_STOCK_YES,
        GTK_RESPONSE_YES, GTK_STOCK_NO, GTK_RESPONSE_NO, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
    GtkWidget* box = gtk_hbox_new(FALSE, 8);
    gtk_container_set_border_width(GTK_CONTAINER(box), 8);
    gtk_box_pack_start(
        GTK_BOX(box), gtk_image_new_from_stock(GTK_STOCK_DIALOG_QUESTION, GTK_ICON_SIZE_DIALOG), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), gtk_label_new(question ? question : ""), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, FALSE, FALSE, 0);
    gtk_widget_show_all(box);

    gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    if (response == GTK_RESPONSE_YES)
        return SaveAnswer::Yes;
    if (response == GTK_RESPONSE_NO)
        return SaveAnswer::No;
    return SaveAnswer::Cancel;
}

bool dialogs_choose_save_path(const char* suggested, char* out, std::size_t out_size, const char* folder)
{
    return run_chooser(
        { _("Save File"), GTK_FILE_CHOOSER_ACTION_SAVE, GTK_STOCK_SAVE, &dialogs.save_folder, suggested, folder }, out,
        out_size);
}

bool dialogs_choose_open_path(char* out, std::size_t out_size)
{
    return run_chooser(
        { _("Load File"), GTK_FILE_CHOOSER_ACTION_OPEN, GTK_STOCK_OPEN, &dialogs.open_folder, nullptr, nullptr }, out,
        out_size);
}

namespace {

// Runs a chooser that may hand back several names or a folder.
std::vector<std::string> run_multi_chooser(const char* title, GtkFileChooserAction action)
{
    GtkWidget* dialog = gtk_file_chooser_dialog_new(title, dialogs.parent, action, GTK_STOCK_OPEN, GTK_RESPONSE_ACCEPT,
        GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_select_multiple(chooser, action == GTK_FILE_CHOOSER_ACTION_OPEN);
    if (!dialogs.open_folder.empty())
        gtk_file_chooser_set_current_folder(chooser, dialogs.open_folder.c_str());
    std::vector<std::string> names;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        GSList* list = gtk_file_chooser_get_filenames(chooser);
        for (GSList* l = list; l; l = l->next) {
            names.emplace_back(static_cast<char*>(l->data));
            g_free(l->data);
        }
        g_slist_free(list);
        GCharPtr folder(gtk_file_chooser_get_current_folder(chooser));
        if (folder && std::strlen(folder.get()) <= FOLDER_MAX)
            dialogs.open_folder = folder.get();
    }
    gtk_widget_destroy(dialog);
    return names;
}

} // namespace

std::string dialogs_choose_folder(const char* title)
{
    std::vector<std::string> names = run_multi_chooser(title, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
    return names.empty() ? std::string() : names.front();
}

std::vector<std::string> dialogs_choose_files(const char* title)
{
    return run_multi_chooser(title, GTK_FILE_CHOOSER_ACTION_OPEN);
}

void dialogs_forget_folders()
{
    dialogs.save_folder.clear();
    dialogs.open_folder.clear();
}

const std::string& dialogs_save_folder()
{
    return dialogs.save_folder;
}

const std::string& dialogs_open_folder()
{
    return dialogs.open_folder;
}
