// The application shell: the main window with its File and Help menus and
// notebook, the current database, and the Open / Save Project / Save Audio
// / Quit flows. The pages are reached only through their Page entries, in a table
// in tab order.
#include "ui/shell.h"
#include "io/i18n.h"

#include "db/csf.h"
#include "db/file_names.h"
#include "db/history.h"
#include "db/load.h"
#include "db/project.h"
#include "db/save_snapshot.h"
#include "io/error_text.h"
#include "io/file_io.h"
#include "ui/advanced_page.h"
#include "ui/app_icon.h"
#include "ui/background_work.h"
#include "ui/dialogs.h"
#include "ui/edit_menu.h"
#include "ui/export_words_dialog.h"
#include "ui/gtk_ptr.h"
#include "ui/help.h"
#include "ui/import_words_dialog.h"
#include "ui/phrases_page.h"
#include "ui/play_session.h"
#include "ui/recent_files.h"
#include "ui/recovery.h"
#include "ui/recovery_dialog.h"
#include "ui/save_names.h"
#include "ui/shell_navigation.h"
#include "ui/status_bar.h"
#include "ui/test_hooks.h"
#include "ui/widgets.h"
#include "ui/window_geometry.h"
#include "ui/words_page.h"

#include "tembrel_config.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <gdk/gdkkeysyms.h>
#include <new>
#include <string>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

// "Out of memory while opening PATH" and the like, in one dialog.
void show_out_of_memory(const char* format, const char* what)
{
    GCharPtr text(g_strdup_printf(format, what));
    dialogs_show_error(text.get());
}

constexpr int MIN_WIDTH = 700;
constexpr int MIN_HEIGHT = 580;
// The window opens this wide, and tall enough for this many phrases,
// unless it remembers the size the user gave it.
constexpr int DEFAULT_WIDTH = 900;
constexpr int PHRASES_SHOWN = 20;
constexpr std::size_t OPEN_PATH_SIZE = 1024;
constexpr std::size_t SAVE_PATH_SIZE = 4096;

// The notebook's pages in tab order.
constexpr std::array<const Page*, 3> PAGES = { &PHRASES_PAGE, &WORDS_PAGE, &ADVANCED_PAGE };

struct ShellState {
    SpeechDbPtr db;
    // The database Quit let go of. The pages still point at it, and a
    // tooltip or redraw already queued may run after the main loop has
    // ended, so it is kept until the process ends (or the window goes).
    SpeechDbPtr retired_db;
    // The file the database stands for (locale encoding): the one opened,
    // or the project it was last saved as. Empty without a database.
    std::string file_path;
    // Where File > Save writes; empty until the database is a project.
    std::string project_path;
    GtkWidget* main_window = nullptr;
    GtkWidget* main_notebook = nullptr;
    GtkWidget* menu_bar = nullptr;
    // A file waiting to be opened from File > Open Recent.
    std::string recent_path;
};

ShellState shell;

// "<path> - Tembrel 1.0", with a "*" in front while there are unsaved
// changes; the program's name alone without a file (or when the path
// cannot be shown).
void update_title()
{
    GCharPtr utf8(shell.file_path.empty() ? nullptr
                                          : g_filename_to_utf8(shell.file_path.c_str(), -1, nullptr, nullptr, nullptr));
    if (!utf8) {
        gtk_window_set_title(GTK_WINDOW(shell.main_window), shell_app_title());
        return;
    }
    const bool modified = shell.db && db_is_modified(shell.db.get());
    GCharPtr title(g_strdup_printf("%s%s - %s", modified ? "*" : "", utf8.get(), shell_app_title()));
    gtk_window_set_title(GTK_WINDOW(shell.main_window), title.get());
}

// Every edit, undo, redo and save of the database passes here.
void on_history_changed()
{
    update_title();
    edit_menu_update(shell.db.get());
}

bool is_project_name(const std::string& path);

// Makes `db` the current database, standing for `file`, and shows it.
void install_database(SpeechDbPtr db, const std::string& file)
{
    shell.db = std::move(db);
    shell.file_path = file;
    shell.project_path = is_project_name(file) ? file : std::string();
    history_observe(shell.db.get(), on_history_changed);
    recovery_track(shell.db.get(), file);
    for (const Page* page : PAGES)
        page->reload(shell.db.get());
    on_history_changed();
}

// Text typed into a page but not yet entered counts as entered before a
// save and before the save question.
void store_pending_edits()
{
    for (const Page* page : PAGES)
        if (page->store_pending_edits)
            page->store_pending_edits();
}

// Answers the save question; true when the caller may go on.
bool settle_unsaved_changes(const char* question)
{
    store_pending_edits();
    if (!shell.db || !db_is_modified(shell.db.get()))
        return true;
    switch (dialogs_ask_save_first(question)) {
    case SaveAnswer::Yes:
        return shell_save();
    case SaveAnswer::No:
        // The user gave the changes up: their recovery copy goes too.
        recovery_discard(shell.file_path);
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

// The common start of Open and Quit. Freeing or replacing the database
// under a running play would pull it from under the play, so a running play
// is stopped first; the command then goes on as if none had run, save
// question included. Only a stop asked from inside the play's own step
// cannot end it at once: the command then waits for its end (`flow` is
// run again from the start). Otherwise unsaved changes are settled. True
// when the command may go on now.
bool may_go_ahead(Deferred command, void (*flow)(), const char* question)
{
    if (!play_session_stop()) {
        play_session_defer(command, flow);
        return false;
    }
    return settle_unsaved_changes(question);
}

void open_flow()
{
    if (!may_go_ahead(Deferred::Open, open_flow, _("Project not saved\nSave it before loading new file ?")))
        return;
    char path[OPEN_PATH_SIZE];
    if (dialogs_choose_open_path(path, sizeof path))
        shell_open_file(path);
}

// File > Open Recent: the same as Open with the file already chosen.
void open_recent_flow()
{
    if (!may_go_ahead(Deferred::Open, open_recent_flow, _("Project not saved\nSave it before loading new file ?")))
        return;
    const std::string path = shell.recent_path;
    shell.recent_path.clear();
    if (!path.empty())
        shell_open_file(path.c_str());
}

// One kind of file the database can be saved as.
struct SaveKind {
    const char* fallback_name; // suggested when there is no current file
    const char* extension;
    DbFileKind file_kind; // what the chosen name's extension must say
    const char* wrong_extension_message;
    bool (*snapshot)(const SpeechDb* db, SaveSnapshot* out, ErrorText* err);
    bool marks_saved; // a successful save clears the modified mark
};

constexpr SaveKind AUDIO_FILE = {"audio.csf", ".csf", DbFileKind::Csf, N_("Audio file must have 'csf' extension."),
    csf_snapshot, false};
constexpr SaveKind PROJECT_FILE = {"project.tbp", ".tbp", DbFileKind::Project,
    N_("Project file must have 'tbp' extension."), project_snapshot, true};

// Writes the current database as `kind` to `path`. The snapshot is taken
// here; a large file is written on a worker while the window keeps
// drawing, and its controls wait, so the database the snapshot came from
// is still the one saved when the write ends. A failure is shown with the
// file's name and the reason; running out of memory changes nothing in the
// database, only the file is not written.
bool save_database(const SaveKind& kind, const char* path)
{
    ErrorText err;
    bool out_of_memory = false;
    SaveSnapshot snapshot;
    WorkProgress progress;
    const std::string target = path;
    // Runs on whichever thread writes, so that running out of memory is
    // caught where it happens; the failure's errno travels in `err`.
    const auto write = [&snapshot, &target, &err, &out_of_memory, &progress] {
        try {
            return snapshot_write(snapshot, target.c_str(), &err, &progress.done);
        } catch (const std::bad_alloc&) {
            out_of_memory = true;
            return false;
        }
    };
    bool written = false;
    try {
        if (kind.snapshot(shell.db.get(), &snapshot, &err)) {
            progress.total = snapshot.size();
            written = progress.total < BACKGROUND_WORK_BYTES ? write()
                                                             : background_work_run(_("Saving…"), write, &progress);
        }
    } catch (const std::bad_alloc&) {
        out_of_memory = true;
    }
    if (out_of_memory) {
        show_out_of_memory(_("Out of memory while saving %s"), path);
        return false;
    }
    if (!written) {
        dialogs_show_error(io_failure_text(path, err).c_str());
        return false;
    }
    if (kind.marks_saved)
        history_mark_saved(shell.db.get());
    return true;
}

// Reads the database at `path`; a large file on a worker, with the window
// drawing and answering meanwhile.
SpeechDbPtr load_database(const char* path, ErrorText* err)
{
    // A chooser that has just closed leaves the screen before the load.
    gdk_flush();
    struct stat st;
    if (::stat(path, &st) != 0 || std::uint64_t(st.st_size) < BACKGROUND_WORK_BYTES)
        return db_load_file(path, err);
    SpeechDbPtr loaded;
    const std::string file = path;
    bool out_of_memory = false;
    background_work_run(_("Opening…"), [&loaded, &file, err, &out_of_memory] {
        try {
            loaded = db_load_file(file.c_str(), err);
        } catch (const std::bad_alloc&) {
            out_of_memory = true; // told on the main thread, as a direct load tells it
        }
        return loaded != nullptr;
    });
    if (out_of_memory)
        throw std::bad_alloc();
    return loaded;
}

bool is_project_name(const std::string& path)
{
    return db_file_kind(path.c_str()) == DbFileKind::Project;
}

// "Saved voice.tbp" in the status bar.
void report_saved(const std::string& path)
{
    GCharPtr name(g_filename_display_basename(path.c_str()));
    status_bar_set(StatusContext::Feedback, printf_text(_("Saved %s"), name.get()));
}

// After a project was written to `path`: it is where Save goes from now on
// and what the title and the recent files show; the recovery copy of the
// changes it holds is no longer needed.
void project_saved(const std::string& path)
{
    recovery_discard(shell.file_path);
    shell.project_path = path;
    shell.file_path = path;
    recovery_track(shell.db.get(), path);
    recent_files_add(path.c_str());
    on_history_changed();
    report_saved(path);
}

// Asks where to save (suggesting the current file's folder and name with
// the kind's extension), checks the name's extension, saves and reports
// any failure. The path written, or empty.
std::string save_as(const SaveKind& kind)
{
    if (!shell.db)
        return {};
    store_pending_edits();
    const SuggestedName suggested = suggest_save_name(shell.file_path, kind.extension, kind.fallback_name);
    char path[SAVE_PATH_SIZE];
    if (!dialogs_choose_save_path(suggested.name.c_str(), path, sizeof path, suggested.folder.c_str()))
        return {};
    if (db_file_kind(path) != kind.file_kind) {
        dialogs_show_error(_(kind.wrong_extension_message));
        return {};
    }
    return save_database(kind, path) ? path : std::string();
}

void save_audio_flow()
{
    const std::string path = save_as(AUDIO_FILE);
    if (!path.empty())
        report_saved(path);
}

gboolean on_main_window_delete_event(GtkWidget*, GdkEvent*, gpointer)
{
    shell_quit();
    // The window goes only through the Quit flow, never by itself.
    return TRUE;
}

// Keys no widget used: Escape stops a running play wherever the focus is.
gboolean on_main_window_key_press_event(GtkWidget*, GdkEventKey* event, gpointer)
{
    if (event->keyval != GDK_KEY_Escape || !play_session_active())
        return FALSE;
    play_session_stop();
    return TRUE;
}

void on_open_item_activate(GtkMenuItem*, gpointer)
{
    open_flow();
}

void on_save_item_activate(GtkMenuItem*, gpointer)
{
    if (shell.db)
        shell_save();
}

void on_save_project_item_activate(GtkMenuItem*, gpointer)
{
    if (shell.db)
        shell_save_project_as();
}

void on_recent_menu_item_activated(GtkRecentChooser* chooser, gpointer)
{
    GCharPtr uri(gtk_recent_chooser_get_current_uri(chooser));
    GCharPtr path(uri ? g_filename_from_uri(uri.get(), nullptr, nullptr) : nullptr);
    if (!path)
        return;
    shell.recent_path = path.get();
    open_recent_flow();
}

// Undo and Redo change the database, so like the pages' own edits they
// stop a running play first: what a play walks must not change under it.
void take_history_step(std::optional<EditTarget> (*step)(SpeechDb*))
{
    if (!shell.db || !play_session_stop())
        return;
    store_pending_edits();
    if (auto target = step(shell.db.get()))
        shell_show_edit(*target);
}

void on_undo_item_activate(GtkMenuItem*, gpointer)
{
    take_history_step(history_undo);
}

void on_redo_item_activate(GtkMenuItem*, gpointer)
{
    take_history_step(history_redo);
}

void on_save_audio_item_activate(GtkMenuItem*, gpointer)
{
    save_audio_flow();
}

// Importing changes the words, so like every edit it stops a running play
// first; exporting only reads them and lets a play go on. Running out of
// memory in either leaves the database as it was (an import changes it
// only once every file is ready) and says so.
void on_import_words_item_activate(GtkMenuItem*, gpointer)
{
    try {
        if (shell.db && play_session_stop() && import_words_dialog_run(shell.db.get()))
            for (const Page* page : PAGES)
                page->refresh();
    } catch (const std::bad_alloc&) {
        dialogs_show_error(_("Out of memory while importing words"));
    }
}

void on_export_words_item_activate(GtkMenuItem*, gpointer)
{
    try {
        if (shell.db)
            export_words_dialog_run(shell.db.get(), words_page_current_word());
    } catch (const std::bad_alloc&) {
        dialogs_show_error(_("Out of memory while exporting words"));
    }
}

void on_quit_item_activate(GtkMenuItem*, gpointer)
{
    shell_quit();
}

void on_main_notebook_switch_page(GtkNotebook*, gpointer, guint page_num, gpointer)
{
    if (page_num < PAGES.size())
        PAGES[page_num]->shown();
}

GtkWidget* image_menu_item(const char* label, const char* stock)
{
    GtkWidget* item = gtk_image_menu_item_new_with_label(label);
    gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(item), gtk_image_new_from_stock(stock, GTK_ICON_SIZE_MENU));
    return item;
}

void append_item(GtkWidget* menu, GtkWidget* item, GCallback handler)
{
    if (handler)
        g_signal_connect(item, "activate", handler, nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
}

// A menu item with the stock item's label and image and `key` (with Ctrl
// and `mods`) as its accelerator.
GtkWidget* stock_item(const char* stock, GtkAccelGroup* accel, guint key, GdkModifierType mods = GdkModifierType(0))
{
    GtkWidget* item = gtk_image_menu_item_new_from_stock(stock, nullptr);
    gtk_widget_add_accelerator(
        item, "activate", accel, key, GdkModifierType(GDK_CONTROL_MASK | mods), GTK_ACCEL_VISIBLE);
    return item;
}

GtkWidget* build_file_menu(GtkAccelGroup* accel)
{
    GtkWidget* menu = gtk_menu_new();
    append_item(menu, stock_item(GTK_STOCK_OPEN, accel, GDK_o), G_CALLBACK(on_open_item_activate));
    GtkWidget* recent = gtk_menu_item_new_with_label(_("Open Recent"));
    GtkWidget* recent_menu = recent_files_menu_new();
    g_signal_connect(recent_menu, "item-activated", G_CALLBACK(on_recent_menu_item_activated), nullptr);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(recent), recent_menu);
    append_item(menu, recent, nullptr);
    append_item(menu, stock_item(GTK_STOCK_SAVE, accel, GDK_s), G_CALLBACK(on_save_item_activate));
    append_item(menu, image_menu_item(_("Save Project As…"), GTK_STOCK_SAVE_AS), G_CALLBACK(on_save_project_item_activate));
    append_item(menu, image_menu_item(_("Save Audio"), GTK_STOCK_SAVE), G_CALLBACK(on_save_audio_item_activate));
    append_item(menu, gtk_separator_menu_item_new(), nullptr);
    append_item(menu, gtk_menu_item_new_with_label(_("Import Words…")), G_CALLBACK(on_import_words_item_activate));
    append_item(menu, gtk_menu_item_new_with_label(_("Export Words…")), G_CALLBACK(on_export_words_item_activate));
    append_item(menu, gtk_separator_menu_item_new(), nullptr);
    append_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_QUIT, accel), G_CALLBACK(on_quit_item_activate));
    return menu;
}

// The page in front, from the table.
const Page* current_page()
{
    const int n = shell.main_notebook ? gtk_notebook_get_current_page(GTK_NOTEBOOK(shell.main_notebook)) : -1;
    return n >= 0 && std::size_t(n) < PAGES.size() ? PAGES[std::size_t(n)] : nullptr;
}

void on_find_item_activate(GtkMenuItem*, gpointer)
{
    if (const Page* page = current_page(); page && page->find)
        page->find();
}

void on_go_to_number_item_activate(GtkMenuItem*, gpointer)
{
    if (const Page* page = current_page(); page && page->go_to_number)
        page->go_to_number();
}

// Finding rows belongs with the editing commands: Edit > Find (Ctrl+F)
// and Go To Number (Ctrl+G) act on the page in front.
void add_find_items(GtkWidget* edit, GtkAccelGroup* accel)
{
    GtkWidget* menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(edit));
    append_item(menu, gtk_separator_menu_item_new(), nullptr);
    GtkWidget* find = stock_item(GTK_STOCK_FIND, accel, GDK_f);
    append_item(menu, find, G_CALLBACK(on_find_item_activate));
    GtkWidget* go = image_menu_item(_("Go To Number…"), GTK_STOCK_JUMP_TO);
    gtk_widget_add_accelerator(go, "activate", accel, GDK_g, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
    append_item(menu, go, G_CALLBACK(on_go_to_number_item_activate));
}

GtkWidget* build_menu_bar(GtkAccelGroup* accel)
{
    GtkWidget* bar = gtk_menu_bar_new();
    GtkWidget* file = gtk_menu_item_new_with_mnemonic(_("_File"));
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(file), build_file_menu(accel));
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), file);
    GtkWidget* edit = edit_menu_build(accel, G_CALLBACK(on_undo_item_activate), G_CALLBACK(on_redo_item_activate));
    add_find_items(edit, accel);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), edit);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), help_menu_build(accel));
    return bar;
}

// Asks about a recovery copy and does what the user chose; true when the
// copy became the current database.
bool offer_recovery(const RecoveryCopy& copy)
{
    switch (recovery_dialog_ask(copy)) {
    case RecoveryAnswer::Later:
        return false;
    case RecoveryAnswer::Discard:
        recovery_discard(copy.file);
        return false;
    case RecoveryAnswer::Recover:
        break;
    }
    ErrorText err;
    SpeechDbPtr recovered = db_load_file(copy.copy_path.c_str(), &err);
    if (!recovered) {
        dialogs_show_error(err);
        recovery_keep_aside(copy);
        return false;
    }
    install_database(std::move(recovered), copy.file);
    // The copy holds changes the file lacks, and no step undoes them.
    history_mark_unsaved(shell.db.get());
    return true;
}

// Once installed, the icon theme holds the application's icon at every
// size under the application id, and every window of the editor uses it.
// Run from the build folder there is none: the main window then carries
// the small built-in picture.
void set_icon(GtkWindow* window)
{
    gtk_window_set_default_icon_name(TEMBREL_APP_ID);
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), TEMBREL_APP_ID))
        return;
    GObjectPtr<GdkPixbuf> icon(app_icon_new());
    if (icon)
        gtk_window_set_icon(window, icon.get());
}

} // namespace

const char* shell_app_title()
{
    return "Tembrel 1.0";
}

GtkWidget* shell_build()
{
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    shell.main_window = window;
    dialogs_set_parent(GTK_WINDOW(window));
    g_signal_connect(window, "delete_event", G_CALLBACK(on_main_window_delete_event), nullptr);
    // After the focus widget had its chance, so an edited cell still gets
    // Escape to cancel its edit.
    g_signal_connect_after(window, "key-press-event", G_CALLBACK(on_main_window_key_press_event), nullptr);
    gtk_container_set_border_width(GTK_CONTAINER(window), 2);

    GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window), vbox);
    gtk_window_set_title(GTK_WINDOW(window), shell_app_title());
    set_icon(GTK_WINDOW(window));

    GtkAccelGroup* accel = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(window), accel);
    g_object_unref(accel); // the window holds it now

    GtkWidget* bar = build_menu_bar(accel);
    shell.menu_bar = bar;
    gtk_box_pack_start(GTK_BOX(vbox), bar, FALSE, FALSE, 0);
    gtk_widget_show(bar);

    GtkWidget* notebook = gtk_notebook_new();
    shell.main_notebook = notebook;
    gtk_box_pack_start(GTK_BOX(vbox), notebook, TRUE, TRUE, 0);
    gtk_notebook_set_show_tabs(GTK_NOTEBOOK(notebook), TRUE);
    g_signal_connect(notebook, "switch-page", G_CALLBACK(on_main_notebook_switch_page), nullptr);

    for (const Page* page : PAGES)
        page->build(GTK_NOTEBOOK(notebook));
    shell_navigation_set(GTK_NOTEBOOK(notebook), PAGES);
    background_work_set_controls({bar, notebook});

    gtk_box_pack_start(GTK_BOX(vbox), status_bar_build(), FALSE, FALSE, 0);

    // Measured with everything inside shown, before the window is.
    gtk_widget_show_all(vbox);
    GtkRequisition natural;
    gtk_widget_size_request(window, &natural);
    const int height = std::max(MIN_HEIGHT, natural.height + phrases_page_extra_height(PHRASES_SHOWN));
    window_geometry_restore(GTK_WINDOW(window), std::max(MIN_WIDTH, DEFAULT_WIDTH), height);
    gtk_widget_show(window);
    gtk_widget_set_size_request(window, MIN_WIDTH, MIN_HEIGHT);
    return window;
}

GtkWidget* shell_main_window()
{
    return shell.main_window;
}

GtkWidget* shell_notebook()
{
    return shell.main_notebook;
}

SpeechDb* shell_database()
{
    return shell.db.get();
}

bool shell_save_project_as()
{
    const std::string path = save_as(PROJECT_FILE);
    if (path.empty())
        return false;
    project_saved(path);
    return true;
}

bool shell_save()
{
    if (!shell.db)
        return false;
    if (shell.project_path.empty())
        return shell_save_project_as();
    store_pending_edits();
    if (!save_database(PROJECT_FILE, shell.project_path.c_str()))
        return false;
    project_saved(shell.project_path);
    return true;
}

bool shell_open_file(const char* path)
{
    ErrorText err;
    SpeechDbPtr loaded;
    try {
        loaded = load_database(path, &err);
    } catch (const std::bad_alloc&) {
        // The half-built database is gone; the current one is untouched.
        show_out_of_memory(_("Out of memory while opening %s"), path);
        return false;
    }
    if (!loaded) {
        dialogs_show_error(err);
        return false;
    }
    // Whatever recovery copy the old file had was settled by the question.
    install_database(std::move(loaded), path);
    recent_files_add(path);
    if (auto copy = recovery_newer_copy(path))
        offer_recovery(*copy);
    return true;
}

const std::string& shell_file_path()
{
    return shell.file_path;
}

void shell_start(const char* file)
{
    if (file) {
        shell_open_file(file);
        return;
    }
    // Each copy in turn, newest first, until one is recovered: the editor
    // holds one database at a time, and the others wait for the next start.
    for (const RecoveryCopy& copy : recovery_list())
        if (offer_recovery(copy))
            return;
}

void shell_quit()
{
    // A file being read or written finishes first; the question comes after.
    if (background_work_running()) {
        background_work_defer(shell_quit);
        return;
    }
    if (!may_go_ahead(Deferred::Quit, shell_quit, _("Project not saved\nSave it before exit ?")))
        return;
    // Hidden first: nothing is drawn on the way out. Its size and panes
    // are kept for the next start; failing to keep them is no reason to
    // stay.
    if (shell.main_window) {
        window_geometry_save(GTK_WINDOW(shell.main_window));
        gtk_widget_hide(shell.main_window);
    }
    // Leaving with nothing unsaved: no copy is needed any more.
    if (shell.db && !db_is_modified(shell.db.get()))
        recovery_discard(shell.file_path);
    recovery_track(nullptr, {});
    shell.retired_db = std::move(shell.db);
    shell.file_path.clear();
    gtk_main_quit();
}

void shell_destroy_for_tests()
{
    play_session_reset_for_tests();
    shell_navigation_set(nullptr, {});
    dialogs_set_parent(nullptr);
    if (shell.main_window)
        gtk_widget_destroy(shell.main_window);
    shell.main_window = nullptr;
    shell.main_notebook = nullptr;
    shell.menu_bar = nullptr;
    background_work_set_controls({});
    recovery_track(nullptr, {});
    shell.db.reset();
    shell.retired_db.reset();
    shell.file_path.clear();
    shell.project_path.clear();
    shell.recent_path.clear();
    dialogs_forget_folders();
}
