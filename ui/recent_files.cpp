// The recently used files of the editor, kept by GtkRecentManager.
#include "ui/recent_files.h"

#include "db/file_names.h"
#include "ui/gtk_ptr.h"

namespace {

// The name the entries are registered under and the menu filters on.
constexpr const char* RECENT_APP_NAME = "Tembrel";

const char* mime_type_of(const char* path)
{
    return db_file_kind(path) == DbFileKind::Project ? "application/x-tembrel-project" : "application/x-tembrel-csf";
}

} // namespace

void recent_files_add(const char* path)
{
    GCharPtr absolute(g_canonicalize_filename(path, nullptr));
    GCharPtr uri(g_filename_to_uri(absolute.get(), nullptr, nullptr));
    if (!uri)
        return;
    GtkRecentData data {};
    data.mime_type = const_cast<gchar*>(mime_type_of(path));
    data.app_name = const_cast<gchar*>(RECENT_APP_NAME);
    data.app_exec = const_cast<gchar*>("tembrel %f");
    gtk_recent_manager_add_full(gtk_recent_manager_get_default(), uri.get(), &data);
}

GtkWidget* recent_files_menu_new()
{
    GtkWidget* menu = gtk_recent_chooser_menu_new_for_manager(gtk_recent_manager_get_default());
    GtkRecentChooser* chooser = GTK_RECENT_CHOOSER(menu);
    GtkRecentFilter* filter = gtk_recent_filter_new();
    gtk_recent_filter_add_application(filter, RECENT_APP_NAME);
    gtk_recent_chooser_set_filter(chooser, filter);
    gtk_recent_chooser_set_limit(chooser, RECENT_FILES_SHOWN);
    gtk_recent_chooser_set_sort_type(chooser, GTK_RECENT_SORT_MRU);
    gtk_recent_chooser_set_local_only(chooser, TRUE);
    gtk_recent_chooser_set_show_not_found(chooser, FALSE);
    gtk_recent_chooser_set_show_tips(chooser, TRUE);
    return menu;
}
