// Saving the current database: File > Save, Save Project As and Save
// Audio, large files written on a worker, and the question whether to save
// that Open and Quit ask first.
#include "ui/shell_save.h"
#include "io/i18n.h"

#include "db/csf.h"
#include "db/file_names.h"
#include "db/history.h"
#include "db/project.h"
#include "db/save_snapshot.h"
#include "io/error_text.h"
#include "io/file_io.h"
#include "ui/background_work.h"
#include "ui/dialogs.h"
#include "ui/gtk_ptr.h"
#include "ui/recent_files.h"
#include "ui/recovery.h"
#include "ui/save_names.h"
#include "ui/shell_state.h"
#include "ui/status_bar.h"
#include "ui/widgets.h"

#include <new>
#include <string>

namespace {

constexpr std::size_t SAVE_PATH_SIZE = 4096;

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
    ShellState& shell = shell_state();
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
        GCharPtr text(g_strdup_printf(_("Out of memory while saving %s"), path));
        dialogs_show_error(text.get());
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
    ShellState& shell = shell_state();
    recovery_discard(shell.file_path);
    shell.project_path = path;
    shell.file_path = path;
    recovery_track(shell.db.get(), path);
    recent_files_add(path.c_str());
    shell_history_changed();
    report_saved(path);
}

// Asks where to save (suggesting the current file's folder and name with
// the kind's extension), checks the name's extension, saves and reports
// any failure. The path written, or empty.
std::string save_as(const SaveKind& kind)
{
    ShellState& shell = shell_state();
    if (!shell.db)
        return {};
    shell_store_pending_edits();
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

// Answers the save question; true when the caller may go on.
bool settle_unsaved_changes(const char* question)
{
    ShellState& shell = shell_state();
    shell_store_pending_edits();
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

} // namespace

void shell_save_audio()
{
    const std::string path = save_as(AUDIO_FILE);
    if (!path.empty())
        report_saved(path);
}

bool shell_may_go_ahead(Deferred command, void (*flow)(), const char* question)
{
    if (!play_session_stop()) {
        play_session_defer(command, flow);
        return false;
    }
    return settle_unsaved_changes(question);
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
    ShellState& shell = shell_state();
    if (!shell.db)
        return false;
    if (shell.project_path.empty())
        return shell_save_project_as();
    shell_store_pending_edits();
    if (!save_database(PROJECT_FILE, shell.project_path.c_str()))
        return false;
    project_saved(shell.project_path);
    return true;
}
