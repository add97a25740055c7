// One imported word from any sound file: read, converted to the database's
// PCM when asked, optionally trimmed and levelled, and encoded. GTK-free
// and free of shared state, so a batch can prepare words on several
// threads at once.
#pragma once

#include "audio/adpcm_best.h"
#include "audio/sound_file.h"
#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct ImportOptions {
    // Convert a file in any other format instead of refusing it.
    bool convert = false;
    // Trim silence below this level (dBFS), or keep the clip whole.
    std::optional<double> trim_db;
    // Scale to this loudness (LUFS), or keep the level.
    std::optional<double> level_lufs;
    AdpcmQuality quality = AdpcmQuality::STANDARD;
};

// What happened on the way in, for the user.
struct ImportReport {
    SoundFormat source;
    bool converted = false;        // resampled, mixed down or changed in width
    std::size_t clipped = 0;       // samples held at full scale
    std::size_t trimmed = 0;       // samples removed at both ends together
    std::optional<double> gain_db; // the level gain applied
    bool peak_limited = false;
};

struct ImportedWord {
    std::vector<std::uint8_t> adpcm;
    ImportReport report;
};

// The word's ADPCM bytes, or nothing with the reason in `err`. Without
// `convert`, a file that is not a plain 16000 Hz mono 16-bit PCM WAV file
// is refused with the WAV reader's message, as it always was. A file
// already in that format keeps its samples exactly unless shaping is asked
// for. Fewer than two samples: "File is too small".
std::optional<ImportedWord> audio_import_file(const char* path, const ImportOptions& options, ErrorText* err);

// The ADPCM bytes of 16-bit PCM samples, padded with a zero sample to
// whole pairs.
std::vector<std::uint8_t> audio_encode_pcm16(std::span<const std::int16_t> samples, AdpcmQuality quality);
