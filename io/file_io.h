// Whole-file reads and crash-safe whole-file replacement, shared by the
// database files and the WAV files.
#pragma once

#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

enum IoStatus {
    IO_OK = 0,
    IO_OPEN_FAILED,  // nothing could be opened or created; `error` holds errno
    IO_READ_FAILED,  // fewer bytes than the file's length arrived
    IO_WRITE_FAILED, // writing, flushing or renaming failed
    IO_EXISTS,       // io_create_file: something is already at the path
    IO_REJECTED,     // io_read_file: the head check refused the file
};

struct ReadResult {
    IoStatus status = IO_OK;
    int error = 0; // errno of the failure, 0 on success
    std::vector<std::uint8_t> data;
};

// The most bytes read from a pipe or device, whose size is not known in
// advance; far above any real database or recording.
constexpr std::size_t IO_STREAM_LIMIT = std::size_t(256) << 20;

// How many bytes of a file a head check is shown (fewer when it is shorter).
constexpr std::size_t IO_HEAD_SIZE = 64;
// Looks at the first bytes of a file and says whether to read the rest.
using IoHeadCheck = std::function<bool(std::span<const std::uint8_t> head)>;

// Reads a whole file. A directory counts as a file that cannot be opened
// (EISDIR), not as an empty one. Pipes and devices are read to their end,
// up to IO_STREAM_LIMIT bytes (IO_READ_FAILED beyond). With `accept`, the
// first IO_HEAD_SIZE bytes are read and shown to it first; when it refuses
// them nothing more is read (IO_REJECTED, `data` holding the head).
ReadResult io_read_file(const char* path, const IoHeadCheck& accept = {});

// True when a file exists at `path` and can be opened for reading.
bool io_file_readable(const char* path);
// True when anything at all (a dangling link, a file we may not read) has
// the name `path`, or when that cannot be ruled out.
bool io_entry_exists(const char* path);

// Writes the concatenation of `parts` as the new content of `path` without
// ever leaving a damaged file or a stray temporary behind. On failure the
// previous file is untouched and errno tells why.
//
// The path is opened as any writer would open it, so the kernel decides
// whether a symbolic link may be followed; the file it opens is the one
// replaced. A dangling link is followed only when it is our own. The new
// content goes to an unnamed temporary file in the target's folder (a
// named one, cleaned up on signals, where the file system has none), which
// is flushed, given the old file's owner, group, permission bits, extended
// attributes and ACLs, and renamed over it; the folder is flushed too.
// A file with other hard links, or whose owner or attributes the new file
// could not carry, is written in place after a complete backup copy beside
// it, which is put back if the write fails. Devices, pipes and our own
// standard output are written in place. New files follow the umask.
// Without a reader a named pipe fails (ENXIO) instead of waiting.
IoStatus io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts);
IoStatus io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts);

// The same with the content produced by `write`, which writes it all to
// the descriptor it is given (false with errno set when it cannot), for
// content too large to be held in memory at once.
using IoWriter = std::function<bool(int fd)>;
IoStatus io_replace_file_with(const char* path, const IoWriter& write);
// Writes every part in order to `fd`; false with errno set.
bool io_write_parts(int fd, std::span<const std::span<const std::uint8_t>> parts);

// The same for a file that must not exist yet: IO_EXISTS when anything has
// the name beforehand or takes it while the file is written, which is then
// left alone.
IoStatus io_create_file(const char* path, std::span<const std::span<const std::uint8_t>> parts);

// "PATH: MESSAGE (reason)": how a failed save, export or import is shown.
// The reason, the system's text for the failed call's errno, is added when
// the message reports one (`err.cause`), and left off refusals.
std::string io_failure_text(const char* path, const ErrorText& err);
// The same for a message of the caller's own about a call that failed with
// `cause` (0: no reason added).
std::string io_failure_text(const char* path, const char* message, int cause);

// A save's outcome as its message: true for IO_OK, otherwise false with
// "Unable to open output file" (nothing could be created, the target is
// not writable or exists) or "Error saving file", the errno recorded in
// `err` and kept in errno.
bool io_report(IoStatus status, ErrorText* err);

// The same, telling the outcome as a save reports it: true when written,
// otherwise false with "Unable to open output file" (nothing could be
// created or the target is not writable) or "Error saving file".
bool io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts, ErrorText* err);
bool io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts, ErrorText* err);
