// The searching ADPCM encoder: codes for the same, unchanged decoder that
// decode much closer to the input than the plain encoder's. The plain
// encoder picks each code on its own; this one follows many code sequences
// side by side (a beam over the decoder's states) and keeps the one with
// the least squared error against the input, measured on the same
// truncated 12-bit samples the plain encoder codes. The plain encoder's own
// sequence always stays among those followed, so the result is never worse
// than `adpcm_encode`'s in total squared error.
//
// Output layout and length are exactly those of `adpcm_encode`: (L + 3) / 4
// bytes, the earlier sample in the high nibble, an unpaired trailing
// sample (or byte) not coded and its byte left 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// How imported audio is encoded: Standard is `adpcm_encode`, byte for byte;
// Best is `adpcm_encode_best` at the default width.
enum class AdpcmQuality { STANDARD, BEST };

// States kept per sample. The default is where more width stops paying for
// its time (see bench/adpcm_best_bench.cpp); 1 gives the plain encoder.
constexpr int ADPCM_BEST_WIDTH = 16;
constexpr int ADPCM_BEST_MAX_WIDTH = 256;

struct AdpcmSearchResult {
    std::vector<std::uint8_t> bytes;
    // Squared error of the chosen codes' decoded samples against the
    // truncated input, in the 16-bit domain (each sample difference * 16).
    std::uint64_t squared_error = 0;
    // The same for the plain encoder's codes.
    std::uint64_t plain_squared_error = 0;
};

struct AdpcmSearchKernels;

// L bytes of PCM -> (L + 3) / 4 encoded bytes, searching `width` states
// (clamped to 1 .. ADPCM_BEST_MAX_WIDTH) per sample. The kernels default to
// the fastest this processor runs (see audio/adpcm_search_kernels.h); every
// version gives the same bytes.
AdpcmSearchResult adpcm_search(
    const std::uint8_t* pcm, std::size_t len, int width, const AdpcmSearchKernels* kernels = nullptr);
std::vector<std::uint8_t> adpcm_encode_best(const std::uint8_t* pcm, std::size_t len, int width = ADPCM_BEST_WIDTH);
std::vector<std::uint8_t> adpcm_encode_quality(const std::uint8_t* pcm, std::size_t len, AdpcmQuality quality);
