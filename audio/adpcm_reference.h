// The plain buffer coders: one call of the per-nibble functions for every
// sample, nothing precomputed. The fast buffer functions in adpcm.cpp must
// give exactly the same bytes; the tests and benchmarks compare against
// these.
#pragma once

#include "audio/adpcm.h"

inline std::vector<std::uint8_t> adpcm_decode_reference(const std::uint8_t* data, std::size_t n)
{
    std::vector<std::uint8_t> pcm(n * 4);
    AdpcmState st;
    adpcm_reset(&st);
    std::uint8_t* out = pcm.data();
    for (std::size_t i = 0; i < n; ++i) {
        for (int shift : {4, 0}) {
            const auto v = std::uint16_t(adpcm_decode_nibble((data[i] >> shift) & 15, &st) * 16);
            *out++ = std::uint8_t(v);
            *out++ = std::uint8_t(v >> 8);
        }
    }
    return pcm;
}

inline std::vector<std::uint8_t> adpcm_encode_reference(const std::uint8_t* pcm, std::size_t len)
{
    std::vector<std::uint8_t> out((len + 3) / 4);
    AdpcmState st;
    adpcm_reset(&st);
    for (std::size_t i = 0; i < len / 4; ++i) {
        const std::uint8_t* p = pcm + 4 * i;
        const auto a = std::int16_t(p[0] | (p[1] << 8));
        const auto b = std::int16_t(p[2] | (p[3] << 8));
        const int hi = adpcm_encode_sample(a / 16, &st);
        const int lo = adpcm_encode_sample(b / 16, &st);
        out[i] = std::uint8_t((hi << 4) | lo);
    }
    return out;
}
