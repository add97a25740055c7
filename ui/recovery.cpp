// The recovery folder (its copies and their records) and the autosave
// timer that fills it.
#include "ui/recovery.h"

#include "db/history.h"
#include "db/save_snapshot.h"
#include "io/file_io.h"
#include "io/i18n.h"
#include "ui/background_work.h"
#include "ui/gtk_ptr.h"
#include "ui/settings.h"

#include <algorithm>
#include <glib.h>
#include <glib/gstdio.h>
#include <memory>
#include <new>

namespace {

constexpr const char* GROUP = "recovery";
constexpr std::size_t NAME_CHARS = 32;

struct KeyFileDeleter {
    void operator()(GKeyFile* k) const { g_key_file_free(k); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

struct Autosave {
    SpeechDb* db = nullptr;
    std::string file;
    // The history's change count the last copy was written at.
    std::uint64_t written_at = 0;
    bool wrote = false;
    guint timer = 0;
    int timer_seconds = 0;
};

Autosave autosave;

// The same file always gets the same name, whatever path led to it.
std::string absolute(const std::string& file)
{
    GCharPtr canonical(g_canonicalize_filename(file.c_str(), nullptr));
    return canonical.get();
}

// The copy's path without its extension.
std::string base_of(const std::string& file)
{
    GCharPtr sum(g_compute_checksum_for_string(G_CHECKSUM_SHA256, absolute(file).c_str(), -1));
    GCharPtr path(g_build_filename(recovery_folder().c_str(), std::string(sum.get(), NAME_CHARS).c_str(), nullptr));
    return path.get();
}

bool write_text(const std::string& path, const std::string& text, ErrorText* err)
{
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return io_replace_file(path.c_str(), {bytes}, err);
}

// Reads a record; nothing when it is not one or its copy is missing.
std::optional<RecoveryCopy> read_record(const std::string& ini)
{
    KeyFilePtr keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), ini.c_str(), G_KEY_FILE_NONE, nullptr))
        return std::nullopt;
    GCharPtr uri(g_key_file_get_string(keys.get(), GROUP, "file", nullptr));
    GCharPtr file(uri ? g_filename_from_uri(uri.get(), nullptr, nullptr) : nullptr);
    if (!file)
        return std::nullopt;
    RecoveryCopy copy;
    copy.copy_path = ini.substr(0, ini.size() - 4) + ".tbp";
    copy.file = file.get();
    copy.time = g_key_file_get_int64(keys.get(), GROUP, "time", nullptr);
    if (!g_file_test(copy.copy_path.c_str(), G_FILE_TEST_IS_REGULAR))
        return std::nullopt;
    return copy;
}

void remove_pair(const std::string& base)
{
    g_remove((base + ".ini").c_str());
    g_remove((base + ".tbp").c_str());
}

gboolean on_autosave_timeout(gpointer)
{
    recovery_autosave_now();
    return G_SOURCE_CONTINUE;
}

} // namespace

std::string recovery_folder()
{
    const char* state = g_getenv("XDG_STATE_HOME");
    GCharPtr path(state && g_path_is_absolute(state)
                      ? g_build_filename(state, "tembrel", "recovery", nullptr)
                      : g_build_filename(g_get_home_dir(), ".local", "state", "tembrel", "recovery", nullptr));
    return path.get();
}

int recovery_interval_seconds()
{
    return std::max(1, settings_get_int("editor", "autosave-seconds", AUTOSAVE_SECONDS_DEFAULT));
}

bool recovery_write(const SpeechDb* db, const std::string& file, ErrorText* err)
{
    if (g_mkdir_with_parents(recovery_folder().c_str(), 0700) != 0) {
        error_set(err, "Unable to open output file");
        return false;
    }
    SaveSnapshot snapshot;
    if (!project_snapshot(db, &snapshot, err))
        return false;
    const std::string copy = base_of(file) + ".tbp";
    // A large copy is written on a worker, so the autosave never freezes
    // the window; the snapshot keeps what it writes apart from the edits.
    WorkProgress progress;
    progress.total = snapshot.size();
    // Memory that runs out on the worker ends the write there, as a thread
    // cannot hand the exception back.
    const auto write = [&snapshot, &copy, err, &progress] {
        try {
            return snapshot_write(snapshot, copy.c_str(), err, &progress.done);
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    if (!(progress.total < BACKGROUND_WORK_BYTES ? write() : background_work_run(_("Saving…"), write, &progress)))
        return false;
    const std::string base = base_of(file);
    GCharPtr uri(g_filename_to_uri(absolute(file).c_str(), nullptr, nullptr));
    KeyFilePtr keys(g_key_file_new());
    g_key_file_set_string(keys.get(), GROUP, "file", uri ? uri.get() : "");
    g_key_file_set_int64(keys.get(), GROUP, "time", g_get_real_time() / G_USEC_PER_SEC);
    gsize length = 0;
    GCharPtr text(g_key_file_to_data(keys.get(), &length, nullptr));
    return write_text(base + ".ini", std::string(text.get(), length), err);
}

std::vector<RecoveryCopy> recovery_list()
{
    std::vector<RecoveryCopy> copies;
    const std::string folder = recovery_folder();
    GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (!dir)
        return copies;
    while (const char* name = g_dir_read_name(dir)) {
        if (!g_str_has_suffix(name, ".ini"))
            continue;
        GCharPtr ini(g_build_filename(folder.c_str(), name, nullptr));
        if (auto copy = read_record(ini.get()))
            copies.push_back(*copy);
    }
    g_dir_close(dir);
    std::stable_sort(copies.begin(), copies.end(),
                     [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.time > b.time; });
    return copies;
}

std::optional<RecoveryCopy> recovery_newer_copy(const std::string& file)
{
    auto copy = read_record(base_of(file) + ".ini");
    if (!copy)
        return std::nullopt;
    GStatBuf st;
    // A copy from the same second as the file is offered: better asked
    // once too often than changes lost.
    if (g_stat(file.c_str(), &st) == 0 && std::int64_t(st.st_mtime) > copy->time)
        return std::nullopt;
    return copy;
}

void recovery_discard(const std::string& file)
{
    if (file.empty())
        return;
    remove_pair(base_of(file));
    if (autosave.file == file)
        autosave.wrote = false;
}

void recovery_keep_aside(const RecoveryCopy& copy)
{
    const std::string base = copy.copy_path.substr(0, copy.copy_path.size() - 4);
    g_rename((base + ".tbp").c_str(), (base + ".tbp.damaged").c_str());
    g_rename((base + ".ini").c_str(), (base + ".ini.damaged").c_str());
}

void recovery_track(SpeechDb* db, const std::string& file)
{
    autosave.db = db;
    autosave.file = file;
    autosave.written_at = db ? history_change_count(db) : 0;
    autosave.wrote = false;
    if (!db) {
        if (autosave.timer)
            g_source_remove(autosave.timer);
        autosave.timer = 0;
        return;
    }
    const int seconds = recovery_interval_seconds();
    if (autosave.timer && autosave.timer_seconds == seconds)
        return;
    if (autosave.timer)
        g_source_remove(autosave.timer);
    autosave.timer_seconds = seconds;
    autosave.timer = g_timeout_add_seconds(guint(seconds), on_autosave_timeout, nullptr);
}

void recovery_autosave_now()
{
    SpeechDb* db = autosave.db;
    // While a file is read or written the next tick tries again.
    if (!db || autosave.file.empty() || background_work_running())
        return;
    if (!db_is_modified(db)) {
        // Undone back to the file: the copy would only bring back what
        // the user took back.
        if (autosave.wrote)
            recovery_discard(autosave.file);
        autosave.written_at = history_change_count(db);
        return;
    }
    const std::uint64_t changes = history_change_count(db);
    if (autosave.wrote && changes == autosave.written_at)
        return;
    // A copy that cannot be written now, for want of memory too, is tried
    // again at the next tick; the autosave never ends the editor.
    bool written = false;
    try {
        written = recovery_write(db, autosave.file, nullptr);
    } catch (const std::bad_alloc&) {
    }
    if (written) {
        autosave.written_at = changes;
        autosave.wrote = true;
    }
}
