// The shell's shared state: the current database, the file it stands for,
// the window's title and handing a new database to the pages.
#include "ui/shell_state.h"

#include "db/file_names.h"
#include "db/history.h"
#include "ui/advanced_page.h"
#include "ui/edit_menu.h"
#include "ui/gtk_ptr.h"
#include "ui/phrases_page.h"
#include "ui/recovery.h"
#include "ui/words_page.h"

namespace {

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

} // namespace

const std::array<const Page*, 3> SHELL_PAGES = { &PHRASES_PAGE, &WORDS_PAGE, &ADVANCED_PAGE };

ShellState& shell_state()
{
    return shell;
}

void shell_history_changed()
{
    update_title();
    edit_menu_update(shell.db.get());
}

void shell_install_database(SpeechDbPtr db, const std::string& file)
{
    shell.db = std::move(db);
    shell.file_path = file;
    shell.project_path = db_file_kind(file.c_str()) == DbFileKind::Project ? file : std::string();
    history_observe(shell.db.get(), shell_history_changed);
    recovery_track(shell.db.get(), file);
    for (const Page* page : SHELL_PAGES)
        page->reload(shell.db.get());
    shell_history_changed();
}

void shell_store_pending_edits()
{
    for (const Page* page : SHELL_PAGES)
        if (page->store_pending_edits)
            page->store_pending_edits();
}

const char* shell_app_title()
{
    return "Tembrel 1.0";
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

const std::string& shell_file_path()
{
    return shell.file_path;
}
