// OKI MSM6585 ADPCM coding, one nibble at a time.
#include "audio/adpcm.h"

void adpcm_reset(AdpcmState* state)
{
    state->predictor = 0;
    state->step_index = 0;
}

std::int16_t adpcm_decode_nibble(int code, AdpcmState* state)
{
    const int s = ADPCM_STEPS[std::size_t(state->step_index)];
    int d = s / 8;
    if (code & 1)
        d += s / 4;
    if (code & 2)
        d += s / 2;
    if (code & 4)
        d += s;
    if (code & 8)
        d = -d;
    int p = state->predictor + d;
    if (p > 2047)
        p = 2047;
    if (p < -2048)
        p = -2048;
    int i = state->step_index + ADPCM_INDEX_ADJUST[std::size_t(code & 7)];
    if (i < 0)
        i = 0;
    if (i > 48)
        i = 48;
    state->predictor = std::int16_t(p);
    state->step_index = std::int16_t(i);
    return state->predictor;
}

int adpcm_encode_sample(int sample12, AdpcmState* state)
{
    const int s = ADPCM_STEPS[std::size_t(state->step_index)];
    int d = sample12 - state->predictor;
    int k = 0;
    if (d < 0) {
        k = 8;
        d = -d;
    }
    if (d >= s) {
        k += 4;
        d -= s;
    }
    if (d >= s / 2) {
        k += 2;
        d -= s / 2;
    }
    if (d >= s / 4)
        k += 1;
    adpcm_decode_nibble(k, state);
    return k;
}

std::vector<std::uint8_t> adpcm_decode(const std::uint8_t* data, std::size_t n)
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

std::vector<std::uint8_t> adpcm_encode(const std::uint8_t* pcm, std::size_t len)
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
