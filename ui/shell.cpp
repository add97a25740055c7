// The application shell: the main window with its File and Help menus and
// notebook, the current database, and the Open / Save Project / Save Audio
// / Quit flows. The pages are reached only through their Page entries, in a table
// in tab order.
#include "ui/shell.h"
#include "io/i18n.h"

#include "db/csf.h"
#include "db/load.h"
#include "db/project.h"
#include "io/error_text.h"
#include "ui/advanced_page.h"
#include "ui/app_icon.h"
#include "ui/dialogs.h"
#include "ui/export_words_dialog.h"
#include "ui/gtk_ptr.h"
#include "ui/help.h"
#include "ui/import_words_dialog.h"
#include "ui/phrases_page.h"
#include "ui/play_session.h"
#include "ui/shell_navigation.h"
#include "ui/test_hooks.h"
#include "ui/words_page.h"

#include "tembrel_config.h"

#include <array>
#include <memory>

namespace {

constexpr int MIN_WIDTH = 700;
constexpr int MIN_HEIGHT = 580;
constexpr std::size_t OPEN_PATH_SIZE = 1024;
constexpr std::size_t SAVE_PATH_SIZE = 4096;

// The notebook's pages in tab order.
constexpr std::array<const Page*, 3> PAGES = { &PHRASES_PAGE, &WORDS_PAGE, &ADVANCED_PAGE };

struct ShellState {
    SpeechDbPtr db;
    GtkWidget* main_window = nullptr;
    GtkWidget* main_notebook = nullptr;
};

ShellState shell;

// True when the ending name (any letter case) is `suffix`.
bool has_extension(const char* path, const char* suffix)
{
    GCharPtr lower(g_ascii_strdown(path, -1));
    return g_str_has_suffix(lower.get(), suffix);
}

void set_title_for_path(const char* path)
{
    GCharPtr utf8(g_filename_to_utf8(path, -1, nullptr, nullptr, nullptr));
    if (!utf8) {
        gtk_window_set_title(GTK_WINDOW(shell.main_window), shell_app_title());
        return;
    }
    GCharPtr title(g_strdup_printf("%s - %s", utf8.get(), shell_app_title()));
    gtk_window_set_title(GTK_WINDOW(shell.main_window), title.get());
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
        return shell_save_project_as();
    case SaveAnswer::No:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

// The common start of Open and Quit. Freeing or replacing the database
// under a running play would pull it from under the play, so while one
// runs the command waits for its end (`flow` is then run again from the
// start, save question included). Otherwise unsaved changes are settled.
// True when the command may go on now.
bool may_go_ahead(Deferred command, void (*flow)(), const char* question)
{
    if (play_session_active()) {
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

// One kind of file the database can be saved as.
struct SaveKind {
    const char* suggested_name;
    const char* extension;
    const char* wrong_extension_message;
    bool (*save)(SpeechDb* db, const char* path, ErrorText* err);
};

constexpr SaveKind AUDIO_FILE = {"audio.csf", ".csf", N_("Audio file must have 'csf' extension."),
    [](SpeechDb* db, const char* path, ErrorText* err) { return csf_save(db, path, err); }};
constexpr SaveKind PROJECT_FILE = {"project.tbp", ".tbp", N_("Project file must have 'tbp' extension."), project_save};

// Asks where to save, checks the name's extension, saves and reports any
// failure. True when the file was written.
bool save_as(const SaveKind& kind)
{
    if (!shell.db)
        return false;
    store_pending_edits();
    char path[SAVE_PATH_SIZE];
    if (!dialogs_choose_save_path(kind.suggested_name, path, sizeof path))
        return false;
    if (!has_extension(path, kind.extension)) {
        dialogs_show_error(_(kind.wrong_extension_message));
        return false;
    }
    ErrorText err;
    if (kind.save(shell.db.get(), path, &err))
        return true;
    dialogs_show_error(err);
    return false;
}

void save_audio_flow()
{
    save_as(AUDIO_FILE);
}

gboolean on_main_window_delete_event(GtkWidget*, GdkEvent*, gpointer)
{
    shell_quit();
    // The window goes only through the Quit flow, never by itself.
    return TRUE;
}

void on_open_item_activate(GtkMenuItem*, gpointer)
{
    open_flow();
}

void on_save_project_item_activate(GtkMenuItem*, gpointer)
{
    if (shell.db)
        shell_save_project_as();
}

void on_save_audio_item_activate(GtkMenuItem*, gpointer)
{
    save_audio_flow();
}

// The batch commands work on the database and wait for no play: a play
// holds its own decoded copy of the words it speaks.
void on_import_words_item_activate(GtkMenuItem*, gpointer)
{
    if (shell.db && import_words_dialog_run(shell.db.get()))
        gtk_widget_queue_draw(shell.main_notebook);
}

void on_export_words_item_activate(GtkMenuItem*, gpointer)
{
    if (shell.db)
        export_words_dialog_run(shell.db.get(), words_page_current_word());
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

GtkWidget* build_menu_bar(GtkAccelGroup* accel)
{
    GtkWidget* menu = gtk_menu_new();
    // Open deliberately has no accelerator; only Quit carries one.
    append_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_OPEN, nullptr), G_CALLBACK(on_open_item_activate));
    append_item(menu, image_menu_item(_("Save Project"), GTK_STOCK_SAVE_AS), G_CALLBACK(on_save_project_item_activate));
    append_item(menu, image_menu_item(_("Save Audio"), GTK_STOCK_SAVE), G_CALLBACK(on_save_audio_item_activate));
    append_item(menu, gtk_separator_menu_item_new(), nullptr);
    append_item(menu, gtk_menu_item_new_with_label(_("Import Words…")), G_CALLBACK(on_import_words_item_activate));
    append_item(menu, gtk_menu_item_new_with_label(_("Export Words…")), G_CALLBACK(on_export_words_item_activate));
    append_item(menu, gtk_separator_menu_item_new(), nullptr);
    append_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_QUIT, accel), G_CALLBACK(on_quit_item_activate));

    GtkWidget* bar = gtk_menu_bar_new();
    GtkWidget* file = gtk_menu_item_new_with_label(_("File"));
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(file), menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), file);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), help_menu_build(accel));
    return bar;
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
    gtk_container_set_border_width(GTK_CONTAINER(window), 2);

    GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window), vbox);
    gtk_window_set_title(GTK_WINDOW(window), shell_app_title());
    set_icon(GTK_WINDOW(window));

    GtkAccelGroup* accel = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(window), accel);
    g_object_unref(accel); // the window holds it now

    GtkWidget* bar = build_menu_bar(accel);
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

    gtk_widget_show_all(window);
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

bool shell_open_file(const char* path)
{
    ErrorText err;
    SpeechDbPtr loaded = db_load_file(path, &err);
    if (!loaded) {
        dialogs_show_error(err);
        return false;
    }
    shell.db = std::move(loaded);
    set_title_for_path(path);
    for (const Page* page : PAGES)
        page->reload(shell.db.get());
    return true;
}

bool shell_save_project_as()
{
    return save_as(PROJECT_FILE);
}

void shell_quit()
{
    if (!may_go_ahead(Deferred::Quit, shell_quit, _("Project not saved\nSave it before exit ?")))
        return;
    // The pages still point at the database: hide the window first so
    // nothing draws from it once it is gone.
    if (shell.main_window)
        gtk_widget_hide(shell.main_window);
    shell.db.reset();
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
    shell.db.reset();
    dialogs_forget_folders();
}
