// The main window: its menus and their commands, the notebook with the
// pages (reached only through their Page entries, in a table in tab
// order), Escape for a running play, and the Quit flow. Opening and saving
// have files of their own (shell_open, shell_save); what the flows share
// is in shell_state.
#include "ui/shell.h"
#include "io/i18n.h"

#include "db/history.h"
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
#include "ui/shell_navigation.h"
#include "ui/shell_open.h"
#include "ui/shell_save.h"
#include "ui/shell_state.h"
#include "ui/status_bar.h"
#include "ui/test_hooks.h"
#include "ui/window_geometry.h"
#include "ui/words_page.h"

#include "tembrel_config.h"

#include <algorithm>
#include <gdk/gdkkeysyms.h>
#include <new>
#include <optional>

namespace {

constexpr int MIN_WIDTH = 700;
constexpr int MIN_HEIGHT = 580;
// The window opens this wide, and tall enough for this many phrases,
// unless it remembers the size the user gave it.
constexpr int DEFAULT_WIDTH = 900;
constexpr int PHRASES_SHOWN = 20;

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

// Ctrl+Page Down and Ctrl+Page Up go to the next and the previous page from
// anywhere in the window. The notebook binds them itself, but a list with
// the focus takes them first to move its cursor, and a list is where the
// focus nearly always is. The notebook's own signal keeps its wrapping.
gboolean on_main_window_key_press_event_before_focus(GtkWidget*, GdkEventKey* event, gpointer)
{
    if ((event->state & gtk_accelerator_get_default_mod_mask()) != GDK_CONTROL_MASK)
        return FALSE;
    int step = 0;
    if (event->keyval == GDK_KEY_Page_Down || event->keyval == GDK_KEY_KP_Page_Down)
        step = 1;
    else if (event->keyval == GDK_KEY_Page_Up || event->keyval == GDK_KEY_KP_Page_Up)
        step = -1;
    GtkWidget* notebook = shell_notebook();
    if (step == 0 || !notebook || !gtk_widget_is_sensitive(notebook))
        return FALSE;
    gboolean handled = FALSE;
    g_signal_emit_by_name(notebook, "change-current-page", step, &handled);
    return TRUE;
}

void on_open_item_activate(GtkMenuItem*, gpointer)
{
    shell_open();
}

void on_save_item_activate(GtkMenuItem*, gpointer)
{
    if (shell_database())
        shell_save();
}

void on_save_project_item_activate(GtkMenuItem*, gpointer)
{
    if (shell_database())
        shell_save_project_as();
}

void on_recent_menu_item_activated(GtkRecentChooser* chooser, gpointer)
{
    GCharPtr uri(gtk_recent_chooser_get_current_uri(chooser));
    GCharPtr path(uri ? g_filename_from_uri(uri.get(), nullptr, nullptr) : nullptr);
    if (path)
        shell_open_recent(path.get());
}

// Undo and Redo change the database, so like the pages' own edits they
// stop a running play first: what a play walks must not change under it.
void take_history_step(std::optional<EditTarget> (*step)(SpeechDb*))
{
    SpeechDb* db = shell_database();
    if (!db || !play_session_stop())
        return;
    shell_store_pending_edits();
    if (auto target = step(db))
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
    shell_save_audio();
}

// Importing changes the words, so like every edit it stops a running play
// first; exporting only reads them and lets a play go on. Running out of
// memory in either leaves the database as it was (an import changes it
// only once every file is ready) and says so.
void on_import_words_item_activate(GtkMenuItem*, gpointer)
{
    try {
        SpeechDb* db = shell_database();
        if (db && play_session_stop() && import_words_dialog_run(db))
            for (const Page* page : SHELL_PAGES)
                page->refresh();
    } catch (const std::bad_alloc&) {
        dialogs_show_error(_("Out of memory while importing words"));
    }
}

void on_export_words_item_activate(GtkMenuItem*, gpointer)
{
    try {
        if (SpeechDb* db = shell_database())
            export_words_dialog_run(db, words_page_current_word());
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
    if (page_num < SHELL_PAGES.size())
        SHELL_PAGES[page_num]->shown();
}
GtkWidget* image_menu_item(const char* label, const char* stock)
{
    GtkWidget* item = gtk_image_menu_item_new_with_mnemonic(label);
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
    GtkWidget* recent = gtk_menu_item_new_with_mnemonic(_("Open _Recent"));
    GtkWidget* recent_menu = recent_files_menu_new();
    g_signal_connect(recent_menu, "item-activated", G_CALLBACK(on_recent_menu_item_activated), nullptr);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(recent), recent_menu);
    append_item(menu, recent, nullptr);
    append_item(menu, stock_item(GTK_STOCK_SAVE, accel, GDK_s), G_CALLBACK(on_save_item_activate));
    append_item(menu, image_menu_item(_("Save Project _As…"), GTK_STOCK_SAVE_AS), G_CALLBACK(on_save_project_item_activate));
    append_item(menu, image_menu_item(_("Save Au_dio"), GTK_STOCK_SAVE), G_CALLBACK(on_save_audio_item_activate));
    append_item(menu, gtk_separator_menu_item_new(), nullptr);
    append_item(menu, gtk_menu_item_new_with_mnemonic(_("_Import Words…")), G_CALLBACK(on_import_words_item_activate));
    append_item(menu, gtk_menu_item_new_with_mnemonic(_("_Export Words…")), G_CALLBACK(on_export_words_item_activate));
    append_item(menu, gtk_separator_menu_item_new(), nullptr);
    append_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_QUIT, accel), G_CALLBACK(on_quit_item_activate));
    return menu;
}

// The page in front, from the table.
const Page* current_page()
{
    GtkWidget* notebook = shell_notebook();
    const int n = notebook ? gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook)) : -1;
    return n >= 0 && std::size_t(n) < SHELL_PAGES.size() ? SHELL_PAGES[std::size_t(n)] : nullptr;
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
    GtkWidget* go = image_menu_item(_("_Go To Number…"), GTK_STOCK_JUMP_TO);
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

GtkWidget* shell_build()
{
    ShellState& shell = shell_state();
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    shell.main_window = window;
    dialogs_set_parent(GTK_WINDOW(window));
    g_signal_connect(window, "delete_event", G_CALLBACK(on_main_window_delete_event), nullptr);
    // After the focus widget had its chance, so an edited cell still gets
    // Escape to cancel its edit.
    g_signal_connect_after(window, "key-press-event", G_CALLBACK(on_main_window_key_press_event), nullptr);
    g_signal_connect(window, "key-press-event", G_CALLBACK(on_main_window_key_press_event_before_focus), nullptr);
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

    for (const Page* page : SHELL_PAGES)
        page->build(GTK_NOTEBOOK(notebook));
    shell_navigation_set(GTK_NOTEBOOK(notebook), SHELL_PAGES);
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

void shell_quit()
{
    // A file being read or written finishes first; the question comes after.
    if (background_work_running()) {
        background_work_defer(shell_quit);
        return;
    }
    if (!shell_may_go_ahead(Deferred::Quit, shell_quit, _("Project not saved\nSave it before exit ?")))
        return;
    ShellState& shell = shell_state();
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
    ShellState& shell = shell_state();
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
