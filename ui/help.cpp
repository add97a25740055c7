// The Help menu and what its items open. The guide is a local HTML file
// handed to the desktop's browser; the About box links to the same file.
#include "ui/help.h"
#include "io/i18n.h"

#include "ui/app_icon.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"
#include "ui/shortcuts_dialog.h"
#include "ui/test_hooks.h"

#include "tembrel_config.h"

#include <gdk/gdkkeysyms.h>

namespace {

constexpr const char* GUIDE_IN_PREFIX = "share/doc/tembrel/guide.html";
constexpr const char* LICENCE = N_("All rights reserved. The authors have not yet published Tembrel under a licence; "
                                   "until they do, no permission to copy, modify or redistribute it is granted beyond "
                                   "what the law allows.");

bool show_uri_on_screen(const char* uri, GError** error)
{
    return gtk_show_uri(nullptr, uri, GDK_CURRENT_TIME, error);
}

// The one way out to the browser; the tests put a recorder here.
HelpUriOpener open_uri = show_uri_on_screen;

void open_or_report(const char* uri)
{
    GError* error = nullptr;
    if (open_uri(uri, &error))
        return;
    GCharPtr message(g_strdup_printf(_("Could not open the user guide\n%s"), error ? error->message : uri));
    if (error)
        g_error_free(error);
    dialogs_show_error(message.get());
}

std::string program_dir()
{
    GCharPtr exe(g_file_read_link("/proc/self/exe", nullptr));
    if (!exe)
        return {};
    GCharPtr dir(g_path_get_dirname(exe.get()));
    return dir.get();
}

gboolean on_about_dialog_activate_link(GtkAboutDialog*, gchar* uri, gpointer)
{
    open_or_report(uri);
    return TRUE;
}

// One row per item of the menu, in order. `stock` gives the picture (and,
// without a label, the stock label); `key` is the accelerator, or 0.
struct HelpItem {
    const char* label;
    const char* stock;
    guint key;
    void (*activate)();
};

constexpr HelpItem HELP_ITEMS[] = {
    { N_("_Contents"), GTK_STOCK_HELP, GDK_KEY_F1, help_show_contents },
    { N_("_Keyboard Shortcuts"), GTK_STOCK_INDEX, 0, shortcuts_dialog_run },
    { nullptr, GTK_STOCK_ABOUT, 0, help_show_about },
};

void on_help_item_activate(GtkMenuItem*, gpointer item)
{
    static_cast<const HelpItem*>(item)->activate();
}

} // namespace

std::string help_find_guide(const std::string& program_dir, const std::string& build_copy)
{
    if (!program_dir.empty()) {
        GCharPtr installed(g_build_filename(program_dir.c_str(), "..", GUIDE_IN_PREFIX, nullptr));
        if (g_file_test(installed.get(), G_FILE_TEST_IS_REGULAR)) {
            GCharPtr clean(g_canonicalize_filename(installed.get(), nullptr));
            return clean.get();
        }
    }
    if (!build_copy.empty() && g_file_test(build_copy.c_str(), G_FILE_TEST_IS_REGULAR))
        return build_copy;
    return {};
}

std::string help_guide_uri()
{
    std::string path = help_find_guide(program_dir(), TEMBREL_BUILD_GUIDE);
    if (path.empty())
        return {};
    GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    return uri ? uri.get() : "";
}

void help_show_contents()
{
    std::string uri = help_guide_uri();
    if (uri.empty()) {
        dialogs_show_error(_("Could not open the user guide\nIt is not installed."));
        return;
    }
    open_or_report(uri.c_str());
}

void help_show_about()
{
    GtkWidget* about = gtk_about_dialog_new();
    GtkAboutDialog* dialog = GTK_ABOUT_DIALOG(about);
    gtk_about_dialog_set_program_name(dialog, "Tembrel");
    gtk_about_dialog_set_version(dialog, TEMBREL_VERSION);
    gtk_about_dialog_set_comments(dialog, _("Editor for the speech databases of car navigation systems"));
    gtk_about_dialog_set_copyright(dialog, "© 2026 Tembrel maintainers");
    gtk_about_dialog_set_license(dialog, _(LICENCE));
    gtk_about_dialog_set_wrap_license(dialog, TRUE);
    std::string guide = help_guide_uri();
    if (!guide.empty()) {
        gtk_about_dialog_set_website(dialog, guide.c_str());
        gtk_about_dialog_set_website_label(dialog, _("User Guide"));
    }
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), TEMBREL_APP_ID)) {
        gtk_about_dialog_set_logo_icon_name(dialog, TEMBREL_APP_ID);
    } else {
        GObjectPtr<GdkPixbuf> logo(app_icon_new());
        gtk_about_dialog_set_logo(dialog, logo.get());
    }
    g_signal_connect(about, "activate-link", G_CALLBACK(on_about_dialog_activate_link), nullptr);
    gtk_window_set_transient_for(GTK_WINDOW(about), dialogs_parent());
    gtk_window_set_modal(GTK_WINDOW(about), TRUE);
    gtk_dialog_run(GTK_DIALOG(about));
    gtk_widget_destroy(about);
}

GtkWidget* help_menu_build(GtkAccelGroup* accel)
{
    GtkWidget* menu = gtk_menu_new();
    for (const HelpItem& row : HELP_ITEMS) {
        GtkWidget* item = row.label ? gtk_image_menu_item_new_with_mnemonic(_(row.label))
                                    : gtk_image_menu_item_new_from_stock(row.stock, nullptr);
        if (row.label)
            gtk_image_menu_item_set_image(
                GTK_IMAGE_MENU_ITEM(item), gtk_image_new_from_stock(row.stock, GTK_ICON_SIZE_MENU));
        if (row.key)
            gtk_widget_add_accelerator(item, "activate", accel, row.key, GdkModifierType(0), GTK_ACCEL_VISIBLE);
        g_signal_connect(item, "activate", G_CALLBACK(on_help_item_activate), const_cast<HelpItem*>(&row));
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    GtkWidget* help = gtk_menu_item_new_with_mnemonic(_("_Help"));
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(help), menu);
    return help;
}

void help_set_uri_opener_for_tests(HelpUriOpener opener)
{
    open_uri = opener ? opener : show_uri_on_screen;
}
