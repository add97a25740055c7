// OKI MSM6585 4-bit ADPCM, bit-exact with the navigation system's decoder.
// Each byte holds two codes, the earlier sample in the high nibble. PCM is
// signed 16-bit little-endian, each sample the 12-bit predictor times 16.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct AdpcmState {
    std::int16_t predictor = 0;  // -2048 .. 2047
    std::int16_t step_index = 0; // 0 .. 48
};

constexpr std::array<std::uint16_t, 49> ADPCM_STEPS = {
    16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,  45,   50,   55,   60,   66,   73,
    80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209, 230,  253,  279,  307,  337,  371,
    408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1408, 1552,
};

constexpr std::array<std::int8_t, 8> ADPCM_INDEX_ADJUST = {-1, -1, -1, -1, 2, 4, 6, 8};

void adpcm_reset(AdpcmState* state);
std::int16_t adpcm_decode_nibble(int code, AdpcmState* state);
int adpcm_encode_sample(int sample12, AdpcmState* state);

// n encoded bytes -> 4n bytes of PCM.
std::vector<std::uint8_t> adpcm_decode(const std::uint8_t* data, std::size_t n);
// L bytes of PCM -> (L + 3) / 4 encoded bytes.
std::vector<std::uint8_t> adpcm_encode(const std::uint8_t* pcm, std::size_t len);
