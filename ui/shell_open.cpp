// Opening a database: File > Open and Open Recent, reading large files on
// a worker, the offer of a newer recovery copy, and what the editor opens
// when it starts.
#include "ui/shell_open.h"
#include "io/i18n.h"

#include "db/history.h"
#include "db/load.h"
#include "io/error_text.h"
#include "ui/background_work.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"
#include "ui/recent_files.h"
#include "ui/recovery.h"
#include "ui/recovery_dialog.h"
#include "ui/shell_save.h"
#include "ui/shell_state.h"

#include <new>
#include <string>
#include <sys/stat.h>

namespace {

constexpr std::size_t OPEN_PATH_SIZE = 1024;

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

// File > Open Recent once the questions allow it: the file waiting in the
// shell's state.
void open_recent_flow()
{
    if (!shell_may_go_ahead(Deferred::Open, open_recent_flow, _("Project not saved\nSave it before loading new file ?")))
        return;
    ShellState& shell = shell_state();
    const std::string path = shell.recent_path;
    shell.recent_path.clear();
    if (!path.empty())
        shell_open_file(path.c_str());
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
    shell_install_database(std::move(recovered), copy.file);
    // The copy holds changes the file lacks, and no step undoes them.
    history_mark_unsaved(shell_state().db.get());
    return true;
}

} // namespace

void shell_open()
{
    if (!shell_may_go_ahead(Deferred::Open, shell_open, _("Project not saved\nSave it before loading new file ?")))
        return;
    char path[OPEN_PATH_SIZE];
    if (dialogs_choose_open_path(path, sizeof path))
        shell_open_file(path);
}

void shell_open_recent(const char* path)
{
    shell_state().recent_path = path;
    open_recent_flow();
}

bool shell_open_file(const char* path)
{
    ErrorText err;
    SpeechDbPtr loaded;
    try {
        loaded = load_database(path, &err);
    } catch (const std::bad_alloc&) {
        // The half-built database is gone; the current one is untouched.
        GCharPtr text(g_strdup_printf(_("Out of memory while opening %s"), path));
        dialogs_show_error(text.get());
        return false;
    }
    if (!loaded) {
        dialogs_show_error(err);
        return false;
    }
    // Whatever recovery copy the old file had was settled by the question.
    shell_install_database(std::move(loaded), path);
    recent_files_add(path);
    if (auto copy = recovery_newer_copy(path))
        offer_recovery(*copy);
    return true;
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
