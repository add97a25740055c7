// Temporary files and folders that a signal must not leave behind.
//
// Saves write through an unnamed file where the file system offers one, so
// nothing needs removing when the process dies. Where it does not, and for
// the moment between naming a finished file and renaming it into place, the
// name is registered here; a program that installs io_clean_up_on_signals
// removes every registered name when SIGTERM, SIGHUP or SIGINT arrives and
// then dies of that signal as it would have. SIGKILL cannot be caught: the
// unnamed files are what keeps it from leaving debris.
#pragma once

#include <optional>

// A registered name: the slot it holds, released by io_temp_forget.
using TempSlot = std::optional<int>;

// Registers `name` inside the folder `dirfd` (which must stay open until
// forgotten); a folder is removed with the files directly inside it. No
// slot when all are taken (the name is then simply not cleaned up).
TempSlot io_temp_register(int dirfd, const char* name, bool is_folder);
void io_temp_forget(TempSlot slot);

// Removes every registered name. Async-signal-safe.
void io_temp_remove_all();

// SIGPIPE and SIGXFSZ ignored, so that writing to a pipe without a reader
// and growing a file past its size limit fail with EPIPE and EFBIG (and the
// usual message) instead of killing the process without a word.
void io_ignore_write_signals();

// SIGTERM, SIGHUP and SIGINT first remove the registered names, then end
// the process with the same signal.
void io_clean_up_on_signals();
