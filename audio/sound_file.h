// Reading any sound file a user may record or receive (WAV of any sample
// width or layout, FLAC, Ogg Vorbis, AIFF) through libsndfile, as one
// channel of samples ready for conversion to the database's PCM.
#pragma once

#include "io/error_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class SampleKind { Integer, Float, Compressed };

// What a file holds, as the library reports it.
struct SoundFormat {
    int sample_rate = 0;
    int channels = 0;
    int bits = 0; // width of an integer or float sample; 0 when compressed
    SampleKind kind = SampleKind::Integer;
    std::string codec; // shown for compressed audio: "Vorbis", "Opus", ...
};

// "44100 Hz, stereo, 24-bit": how the editor names a file's format when
// it asks whether to convert it.
std::string sound_format_text(const SoundFormat& format);

// Whether the file is already 16000 Hz, mono, 16-bit integer PCM.
bool sound_format_is_native(const SoundFormat& format);

// The format of the file at `path`, or nothing with the reason in `err`.
std::optional<SoundFormat> sound_file_probe(const char* path, ErrorText* err);

// A file's audio as one channel. A native file keeps its exact samples in
// `exact`; any other has its channels averaged into `mono`, full scale
// being +-1.0.
struct SoundData {
    SoundFormat format;
    std::vector<std::int16_t> exact;
    std::vector<float> mono;
};

std::optional<SoundData> sound_file_read(const char* path, ErrorText* err);
