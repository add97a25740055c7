// What a save writes, taken from the database at one moment: the tables and
// records built, and the audio values held (they are immutable and shared),
// so the bytes can go to the file on another thread while the database is
// used, edited or freed.
#pragma once

#include "db/audio_bytes.h"
#include "db/speech_db.h"
#include "io/error_text.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

struct SaveSnapshot {
    std::vector<std::uint8_t> head;   // project records; empty for a CSF file
    std::vector<std::uint8_t> tables; // the CSF image's header and tables
    std::vector<AudioBytes> audio;    // keeps every word's bytes alive
    std::vector<std::span<const std::uint8_t>> parts; // the file, in order

    SaveSnapshot() = default;
    // The parts point into the members: copies would point into the original.
    SaveSnapshot(const SaveSnapshot&) = delete;
    SaveSnapshot& operator=(const SaveSnapshot&) = delete;

    std::uint64_t size() const;
};

// The CSF file Save Audio writes; false with the message csf_save gives.
bool csf_snapshot(const SpeechDb* db, SaveSnapshot* out, ErrorText* err);
// The project file project_save writes; false with its message.
bool project_snapshot(const SpeechDb* db, SaveSnapshot* out, ErrorText* err);
// Writes the snapshot as the file at `path` (replacing it atomically);
// touches no database, so any thread may call it. False with "Invalid
// output filename", "Unable to open output file" or "Error saving file".
// With `written`, the bytes written so far are counted there as the write
// goes on, for a progress bar that another thread reads.
bool snapshot_write(const SaveSnapshot& snapshot, const char* path, ErrorText* err,
    std::atomic<std::uint64_t>* written = nullptr);
