// WAV files straight to and from ADPCM bytes: the conversions a word's
// audio goes through when it is imported or exported.
#pragma once

#include "audio/adpcm_best.h"
#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Reads a PCM WAV file in the given format and encodes it with the plain
// encoder or the search. The samples are padded with zero bytes to a
// multiple of 4 bytes first, so a trailing odd sample is kept. Fewer than 4
// sample bytes: "File is too small".
std::optional<std::vector<std::uint8_t>> adpcm_encode_wav_file(const char* path, int sample_rate, int channels,
                                                               int bits_per_sample, ErrorText* err,
                                                               AdpcmQuality quality = AdpcmQuality::STANDARD);

// Decodes ADPCM bytes and writes them as a PCM WAV file in the given format.
bool adpcm_decode_to_wav_file(const std::uint8_t* adpcm, std::size_t len, const char* path, bool overwrite,
                              int sample_rate, int channels, int bits_per_sample, ErrorText* err);
