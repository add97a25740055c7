// Whole-file reads and crash-safe whole-file replacement, shared by the
// database files and the WAV files.
#pragma once

#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

enum IoStatus {
    IO_OK = 0,
    IO_OPEN_FAILED,  // nothing could be opened or created; `error` holds errno
    IO_READ_FAILED,  // fewer bytes than the file's length arrived
    IO_WRITE_FAILED, // writing, flushing or renaming failed
};

struct ReadResult {
    IoStatus status = IO_OK;
    int error = 0; // errno of the failure, 0 on success
    std::vector<std::uint8_t> data;
};

// The most bytes read from a pipe or device, whose size is not known in
// advance; far above any real database or recording.
constexpr std::size_t IO_STREAM_LIMIT = std::size_t(256) << 20;

// Reads a whole file with one read. A directory counts as a file that
// cannot be opened (EISDIR), not as an empty one. Pipes and devices are
// read to their end, up to IO_STREAM_LIMIT bytes (IO_READ_FAILED beyond).
ReadResult io_read_file(const char* path);

// True when a file exists at `path` and can be opened for reading.
bool io_file_readable(const char* path);

// Writes the concatenation of `parts` as the new content of `path` without
// ever leaving a damaged file behind: the bytes go to a temporary file in
// the same folder, which is flushed to disk when it replaces an existing
// file and then renamed over the target. On failure the temporary file is
// removed and the previous file is untouched. An existing target keeps its
// permission bits; a symbolic link is followed and the file it points to is
// replaced. A target that exists but is not writable is IO_OPEN_FAILED.
IoStatus io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts);
IoStatus io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts);

// The same, telling the outcome as a save reports it: true when written,
// otherwise false with "Unable to open output file" (nothing could be
// created or the target is not writable) or "Error saving file".
bool io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts, ErrorText* err);
bool io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts, ErrorText* err);
