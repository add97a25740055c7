// Crash recovery: while the database has unsaved changes, a copy of it (a
// project file, written atomically) goes to the recovery folder at most
// once per interval, so a crash or a kill loses at most that much work.
//
// The folder is $XDG_STATE_HOME/tembrel/recovery (~/.local/state/... when
// the variable is unset). Each file the editor works on has at most one
// copy there, named after a hash of the file's path:
//   <hash>.tbp  the copy
//   <hash>.ini  [recovery] file=<URI of the file it belongs to>
//               time=<when the copy was written, seconds since 1970>
// The copy is written first, then its record, both by replacing; a copy
// without a record is ignored. A copy that fails to load is renamed to
// <hash>.tbp.damaged (and its record to .ini.damaged), never deleted.
//
// The interval is [editor] autosave-seconds in the settings file (default
// 60, at least 1).
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr int AUTOSAVE_SECONDS_DEFAULT = 60;

// One copy in the recovery folder.
struct RecoveryCopy {
    std::string copy_path; // the copy itself
    std::string file;      // the file it belongs to (locale encoding)
    std::int64_t time = 0; // when it was written, seconds since 1970
};

// The folder, from the environment as it is now.
std::string recovery_folder();
// The interval between two copies, in seconds.
int recovery_interval_seconds();

// Writes the copy of `db` for `file`. False with a message when it could
// not be written.
bool recovery_write(const SpeechDb* db, const std::string& file, ErrorText* err);
// Every copy with its record, newest first.
std::vector<RecoveryCopy> recovery_list();
// The copy of `file`, when there is one written after the file was last
// changed (or the file is gone).
std::optional<RecoveryCopy> recovery_newer_copy(const std::string& file);
// Removes the copy of `file` and its record, if any.
void recovery_discard(const std::string& file);
// Renames a copy that failed to load, with its record, out of the way.
void recovery_keep_aside(const RecoveryCopy& copy);

// Autosave: from now on `db` (standing for `file`) is watched; a copy is
// written each interval in which it changed while it had unsaved changes.
// Null stops watching. The timer runs on the main loop.
void recovery_track(SpeechDb* db, const std::string& file);
// Writes a copy now if one is due (what the timer does); for the tests.
void recovery_autosave_now();
