// The Import Words dialog: choosing the files, the table of the plan, and
// the import on the worker threads with the progress window.
#include "ui/import_words_dialog.h"
#include "io/i18n.h"

#include "audio/sound_file.h"
#include "db/operations.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"
#include "ui/progress_window.h"

#include <glib.h>

namespace {

enum Column { COL_FILE, COL_WORD, COL_FORMAT, COL_ACTION, COLUMNS };

// Words listed by number after "Words without a file:", at most this many.
constexpr std::size_t MISSING_SHOWN = 40;

struct ImportDialog {
    SpeechDb* db = nullptr;
    GtkWidget* dialog = nullptr;
    GtkListStore* store = nullptr; // owned by the view
    GtkWidget* missing = nullptr;
    ImportChoiceWidgets choices;
    std::vector<std::string> paths;
    ImportPlan plan;
};

void show_plan(ImportDialog& d)
{
    d.plan = import_words_plan(d.db, d.paths, import_choices_read(d.choices));
    gtk_list_store_clear(d.store);
    for (const ImportPlanRow& r : d.plan.rows) {
        GtkTreeIter it;
        gtk_list_store_append(d.store, &it);
        GCharPtr file(g_filename_display_name(r.file.c_str()));
        gtk_list_store_set(d.store, &it, COL_FILE, file.get(), COL_WORD, r.word.c_str(), COL_FORMAT, r.format.c_str(),
                           COL_ACTION, r.action.c_str(), -1);
    }
    gtk_label_set_text(GTK_LABEL(d.missing), d.plan.words_without_file.c_str());
    gtk_dialog_set_response_sensitive(GTK_DIALOG(d.dialog), GTK_RESPONSE_ACCEPT, !d.plan.files.empty());
}

void on_folder_button_clicked(GtkButton*, gpointer data)
{
    auto& d = *static_cast<ImportDialog*>(data);
    const std::string folder = dialogs_choose_folder(_("Import Words From"));
    if (folder.empty())
        return;
    d.paths.clear();
    GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (dir) {
        while (const char* name = g_dir_read_name(dir))
            d.paths.push_back(folder + "/" + name);
        g_dir_close(dir);
    }
    show_plan(d);
}

void on_files_button_clicked(GtkButton*, gpointer data)
{
    auto& d = *static_cast<ImportDialog*>(data);
    std::vector<std::string> files = dialogs_choose_files(_("Import Words"));
    if (files.empty())
        return;
    d.paths = std::move(files);
    show_plan(d);
}

void on_choice_toggled(GtkToggleButton*, gpointer data)
{
    show_plan(*static_cast<ImportDialog*>(data));
}

GtkWidget* build_table(ImportDialog& d)
{
    d.store = gtk_list_store_new(COLUMNS, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(d.store));
    g_object_unref(d.store); // the view holds it
    const char* titles[COLUMNS] = {N_("File"), N_("Word"), N_("Format"), N_("Action")};
    for (int c = 0; c < COLUMNS; ++c)
        gtk_tree_view_append_column(GTK_TREE_VIEW(view), gtk_tree_view_column_new_with_attributes(
                                                             _(titles[c]), gtk_cell_renderer_text_new(), "text", c, nullptr));
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scroll), view);
    gtk_widget_set_size_request(scroll, 560, 260);
    return scroll;
}

// Prepares and commits the plan's files; false when nothing changed.
bool run_import(ImportDialog& d, const ImportChoices& choices)
{
    const ImportOptions options = import_choices_options(choices, d.db, true);
    ProgressWindowPtr progress = progress_window_open(dialogs_parent(), _("Importing Words"));
    BatchOutcome outcome;
    const bool ok = word_import_files(d.db, d.plan.files, options, 0, [&](std::size_t done, std::size_t total) {
        return progress_window_update(progress.get(), done, total);
    }, &outcome);
    progress.reset();
    if (ok || outcome.cancelled)
        return ok;
    std::string message = _("Error importing words: nothing was changed");
    for (std::size_t i = 0; i < outcome.failures.size() && i < 10; ++i)
        message += "\n" + outcome.failures[i];
    if (outcome.failures.size() > 10)
        message += "\n…";
    dialogs_show_error(message.c_str());
    return false;
}

std::string word_label(const SpeechDb* db, std::uint32_t w)
{
    const char* alias = word_alias(db, w);
    return std::to_string(w + 1) + (alias ? std::string(" (") + alias + ")" : "");
}

} // namespace

ImportPlan import_words_plan(const SpeechDb* db, const std::vector<std::string>& paths, const ImportChoices& choices)
{
    ImportPlan plan;
    const std::vector<FileMatch> matches = word_match_files(db, paths);
    for (const FileMatch& m : matches) {
        ImportPlanRow row;
        row.file = m.name;
        if (!m.word) {
            row.action = _("not used: ") + m.reason;
            plan.rows.push_back(row);
            continue;
        }
        row.word = word_label(db, *m.word);
        ErrorText err;
        const auto format = sound_file_probe(m.path.c_str(), &err);
        if (format) {
            row.format = sound_format_text(*format);
            row.action = sound_format_is_native(*format) ? _("as is") : _("convert");
        } else {
            row.action = std::string(_("cannot be read: ")) + err.text;
        }
        if (choices.trim)
            row.action += _(", trim");
        if (choices.level)
            row.action += _(", level");
        plan.rows.push_back(row);
        plan.files.push_back({*m.word, m.path});
    }
    const std::vector<std::uint32_t> missing = words_without_file(db, matches);
    if (!missing.empty()) {
        plan.words_without_file = _("Words without a file:");
        for (std::size_t i = 0; i < missing.size() && i < MISSING_SHOWN; ++i)
            plan.words_without_file += (i ? ", " : " ") + std::to_string(missing[i] + 1);
        if (missing.size() > MISSING_SHOWN)
            plan.words_without_file += GCharPtr(g_strdup_printf(_(" and %zu more"), missing.size() - MISSING_SHOWN)).get();
    }
    return plan;
}

bool import_words_dialog_run(SpeechDb* db)
{
    if (!db)
        return false;
    ImportDialog d;
    d.db = db;
    d.dialog = gtk_dialog_new_with_buttons(_("Import Words"), dialogs_parent(), GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
                                           GTK_RESPONSE_CANCEL, _("_Import"), GTK_RESPONSE_ACCEPT, nullptr);
    GtkWidget* box = gtk_vbox_new(FALSE, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 8);
    GtkWidget* row = gtk_hbox_new(FALSE, 6);
    GtkWidget* folder_button = gtk_button_new_with_mnemonic(_("_Folder…"));
    GtkWidget* files_button = gtk_button_new_with_mnemonic(_("Fi_les…"));
    gtk_box_pack_start(GTK_BOX(row), folder_button, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), files_button, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), build_table(d), TRUE, TRUE, 0);
    d.missing = gtk_label_new("");
    gtk_label_set_line_wrap(GTK_LABEL(d.missing), TRUE);
    gtk_misc_set_alignment(GTK_MISC(d.missing), 0.0f, 0.5f);
    gtk_box_pack_start(GTK_BOX(box), d.missing, FALSE, FALSE, 0);
    d.choices = import_choices_build(import_choices_load());
    gtk_box_pack_start(GTK_BOX(box), d.choices.box, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(d.dialog))), box, TRUE, TRUE, 0);
    g_signal_connect(folder_button, "clicked", G_CALLBACK(on_folder_button_clicked), &d);
    g_signal_connect(files_button, "clicked", G_CALLBACK(on_files_button_clicked), &d);
    g_signal_connect(d.choices.trim, "toggled", G_CALLBACK(on_choice_toggled), &d);
    g_signal_connect(d.choices.level, "toggled", G_CALLBACK(on_choice_toggled), &d);
    gtk_dialog_set_response_sensitive(GTK_DIALOG(d.dialog), GTK_RESPONSE_ACCEPT, FALSE);
    gtk_widget_show_all(box);

    const bool go = gtk_dialog_run(GTK_DIALOG(d.dialog)) == GTK_RESPONSE_ACCEPT;
    const ImportChoices choices = import_choices_read(d.choices);
    gtk_widget_destroy(d.dialog);
    if (!go || d.plan.files.empty())
        return false;
    import_choices_save(choices);
    return run_import(d, choices);
}
