// WAV files in exactly one PCM format, without any conversion.
//
// RIFF/WAVE layout, little-endian:
//   0 "RIFF" | 4 RIFF size | 8 "WAVE" | 12 "fmt " | 16 fmt size f
//   20 format tag | 22 channels | 24 sample rate | 28 bytes per second
//   32 block align | 34 bits per sample
//   20+f "data" | 24+f data length z | 28+f the z sample bytes
// The data chunk must follow the fmt chunk directly. The writer always
// produces the 44-byte canonical header with a 16-byte fmt chunk.
#pragma once

#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

constexpr std::size_t WAV_MIN_FILE_SIZE = 36;
constexpr std::size_t WAV_HEADER_SIZE = 44;

// The sample bytes of a WAV file in the expected format, or nothing with
// the reason in `err`.
std::optional<std::vector<std::uint8_t>> wav_read(const char* path, int format_tag, int sample_rate, int channels,
                                                  int bits_per_sample, ErrorText* err);

// The canonical 44-byte header of `len` sample bytes in the given format.
void wav_header(int format_tag, int sample_rate, int channels, int bits_per_sample, std::uint32_t len,
                std::uint8_t head[WAV_HEADER_SIZE]);
// The most sample bytes a WAV file's 32-bit sizes can describe.
constexpr std::uint64_t WAV_MAX_DATA = 0xFFFFFFFFu - (WAV_HEADER_SIZE - 8);

// Whether `path` may be written: an empty name gives "Invalid output
// filename", and a name already taken (unless `overwrite`) "Output file
// already exist". Every WAV writer asks before it produces any samples.
bool wav_output_allowed(const char* path, bool overwrite, ErrorText* err);

bool wav_write(const char* path, bool overwrite, int format_tag, int sample_rate, int channels, int bits_per_sample,
               const std::uint8_t* data, std::size_t len, ErrorText* err);
