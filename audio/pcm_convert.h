// Turning one channel of float samples into the database's PCM: sample
// rate conversion (libsoxr at its very high quality setting) and TPDF
// dither to 16 bits with the clipped samples counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// `in` at `rate_in` Hz resampled to `rate_out` Hz; a copy when the rates
// are equal. Each thread keeps its resampler (the filter design costs more
// than a short word), so calls from several threads are independent.
std::vector<float> audio_resample(std::span<const float> in, int rate_in, int rate_out);

struct Pcm16 {
    std::vector<std::int16_t> samples;
    std::size_t clipped = 0; // samples beyond full scale, held at the limit
};

// Full scale +-1.0 to 16-bit samples with triangular dither of +-1 LSB.
// The dither's noise comes from `seed`, so the same input always gives the
// same samples, whichever thread converts it.
Pcm16 audio_dither_to_pcm16(std::span<const float> in, std::uint32_t seed = 1);
