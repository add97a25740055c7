// OKI MSM6585 ADPCM coding. The per-nibble functions state the rules; the
// buffer functions follow the same rules through tables built from them at
// compile time, because every word is decoded again each time it is played
// and a whole database may be re-encoded on import.
#include "audio/adpcm.h"

#include <algorithm>
#include <bit>
#include <cstring>

// TEMBREL_ADPCM_PORTABLE builds the plain decoder even where SSE2 exists,
// so that the tests can check it on any machine.
#if defined(__SSE2__) && !defined(TEMBREL_ADPCM_PORTABLE)
#define ADPCM_DECODE_SSE2 1
#include <emmintrin.h>
#endif

void adpcm_reset(AdpcmState* state)
{
    state->predictor = 0;
    state->step_index = 0;
}

namespace {

constexpr int PREDICTOR_MIN = -2048;
constexpr int PREDICTOR_MAX = 2047;
constexpr int STEP_INDEX_MAX = 48;
constexpr int STEP_COUNT = 49;

// The predictor change of one code at one step size. Each part is divided
// on its own, so the sum can differ from one division of the whole.
constexpr int code_delta(int step_index, int code)
{
    const int s = ADPCM_STEPS[std::size_t(step_index)];
    int d = s / 8;
    if (code & 1)
        d += s / 4;
    if (code & 2)
        d += s / 2;
    if (code & 4)
        d += s;
    return (code & 8) ? -d : d;
}

constexpr int next_step_index(int step_index, int code)
{
    const int i = step_index + ADPCM_INDEX_ADJUST[std::size_t(code & 7)];
    return i < 0 ? 0 : (i > STEP_INDEX_MAX ? STEP_INDEX_MAX : i);
}

constexpr int clamp_predictor(int p)
{
    return p < PREDICTOR_MIN ? PREDICTOR_MIN : (p > PREDICTOR_MAX ? PREDICTOR_MAX : p);
}

} // namespace

std::int16_t adpcm_decode_nibble(int code, AdpcmState* state)
{
    state->predictor = std::int16_t(clamp_predictor(state->predictor + code_delta(state->step_index, code)));
    state->step_index = std::int16_t(next_step_index(state->step_index, code));
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

namespace {

// Decoding tables. The step index travels premultiplied (by 16 or 256) so
// that the next lookup needs only an addition.
struct DecodeTables {
    // Half of the PCM-scaled change (delta * 16 / 2) per step index * 16 + code.
    std::int32_t half_delta[STEP_COUNT * 16];
    // The step index after one code, times 16, per step index * 16 + code.
    std::uint16_t next16[STEP_COUNT * 16];
    // The step index after a whole byte (two codes), times 256, per step
    // index * 256 + byte.
    std::uint16_t next256[STEP_COUNT * 256];
};

constexpr DecodeTables make_decode_tables()
{
    DecodeTables t{};
    for (int i = 0; i < STEP_COUNT; ++i) {
        for (int c = 0; c < 16; ++c) {
            t.half_delta[i * 16 + c] = code_delta(i, c) * 8;
            t.next16[i * 16 + c] = std::uint16_t(next_step_index(i, c) * 16);
        }
        for (int b = 0; b < 256; ++b)
            t.next256[i * 256 + b] = std::uint16_t(next_step_index(next_step_index(i, b >> 4), b & 15) * 256);
    }
    return t;
}

constexpr DecodeTables DECODE = make_decode_tables();

// Encoding table per step index. The magnitude code m (0..7) of a
// difference a is the number of thresholds it reaches (the three halving
// comparisons pick out these seven boundaries). Everything that depends on
// m is packed into one word and summed over the thresholds reached, so one
// sample costs compares and additions, with no table lookup between
// deciding the code and starting the next sample:
//   bits 0..11  byte offset of the row for the next step index
//   bits 12..14 m
//   bits 16..27 the magnitude the decoder will apply for m
// `inc[0]` is the word for m = 0, `inc[j]` what reaching threshold j adds.
// Every field only grows with m, so no addition borrows from another field.
struct EncodeRow {
    std::int32_t thr[8]; // thr[0] unused
    std::uint32_t inc[8];
};

constexpr unsigned ROW_OFFSET_MASK = 0xFFF;
constexpr unsigned CODE_SHIFT = 12;
constexpr unsigned MAGNITUDE_SHIFT = 16;

constexpr std::array<EncodeRow, STEP_COUNT> make_encode_rows()
{
    std::array<EncodeRow, STEP_COUNT> rows{};
    for (int i = 0; i < STEP_COUNT; ++i) {
        const int s = ADPCM_STEPS[std::size_t(i)];
        const int s2 = s / 2;
        const int s4 = s / 4;
        const int thr[8] = {0, s4, s2, s2 + s4, s, s + s4, s + s2, s + s2 + s4};
        auto word = [i](int m) {
            return unsigned(next_step_index(i, m)) * unsigned(sizeof(EncodeRow)) | unsigned(m) << CODE_SHIFT |
                   unsigned(code_delta(i, m)) << MAGNITUDE_SHIFT;
        };
        EncodeRow& r = rows[std::size_t(i)];
        for (int m = 0; m < 8; ++m) {
            r.thr[m] = thr[m];
            r.inc[m] = m == 0 ? word(0) : word(m) - word(m - 1);
        }
    }
    return rows;
}

constexpr std::array<EncodeRow, STEP_COUNT> ENCODE = make_encode_rows();
static_assert(sizeof(EncodeRow) * (STEP_COUNT - 1) <= ROW_OFFSET_MASK);

// Stores PCM samples little-endian whatever the host order.
inline void store_samples(std::uint8_t* out, const std::int16_t* samples, std::size_t count)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, samples, count * 2);
    } else {
        for (std::size_t k = 0; k < count; ++k) {
            out[2 * k] = std::uint8_t(std::uint16_t(samples[k]));
            out[2 * k + 1] = std::uint8_t(std::uint16_t(samples[k]) >> 8);
        }
    }
}

constexpr std::size_t DECODE_BLOCK = 256; // input bytes per staging block

} // namespace

std::vector<std::uint8_t> adpcm_decode(const std::uint8_t* data, std::size_t n)
{
    std::vector<std::uint8_t> pcm(n * 4);
    std::uint8_t* out = pcm.data();
    std::int16_t block[DECODE_BLOCK * 2];
    unsigned idx256 = 0; // step index * 256

#ifdef ADPCM_DECODE_SSE2
    // The predictor lives in the low 16-bit lane as predictor * 16, where a
    // saturating add does the clamping in one instruction: the lower limit
    // -2048 * 16 is exactly the lane's minimum, and a result that sticks at
    // the lane's maximum 32767 is 2047 * 16 plus low bits, which the final
    // mask removes. Low bits below 16 never change a later result because
    // every change is a multiple of 16. A change can exceed the lane's range,
    // so it is applied as two equal halves; two saturating adds of the same
    // sign saturate exactly like one add of their sum.
    __m128i q = _mm_setzero_si128();
    const __m128i mask = _mm_set1_epi16(std::int16_t(0xFFF0));
    for (std::size_t base = 0; base < n; base += DECODE_BLOCK) {
        const std::size_t count = n - base < DECODE_BLOCK ? n - base : DECODE_BLOCK;
        for (std::size_t k = 0; k < count; ++k) {
            const unsigned b = data[base + k];
            const unsigned row = (idx256 >> 4) + (b >> 4);
            const __m128i h1 = _mm_cvtsi32_si128(DECODE.half_delta[row]);
            q = _mm_adds_epi16(_mm_adds_epi16(q, h1), h1);
            block[2 * k] = std::int16_t(_mm_cvtsi128_si32(q));
            const __m128i h2 = _mm_cvtsi32_si128(DECODE.half_delta[DECODE.next16[row] + (b & 15)]);
            q = _mm_adds_epi16(_mm_adds_epi16(q, h2), h2);
            block[2 * k + 1] = std::int16_t(_mm_cvtsi128_si32(q));
            idx256 = DECODE.next256[idx256 + b];
        }
        std::size_t k = 0;
        for (; k + 8 <= count * 2; k += 8) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(block + k), _mm_and_si128(v, mask));
        }
        for (; k < count * 2; ++k)
            block[k] = std::int16_t(block[k] & 0xFFF0);
        store_samples(out + base * 4, block, count * 2);
    }
#else
    int p = 0;
    for (std::size_t base = 0; base < n; base += DECODE_BLOCK) {
        const std::size_t count = n - base < DECODE_BLOCK ? n - base : DECODE_BLOCK;
        for (std::size_t k = 0; k < count; ++k) {
            const unsigned b = data[base + k];
            const unsigned row = (idx256 >> 4) + (b >> 4);
            p = clamp_predictor(p + DECODE.half_delta[row] / 8);
            block[2 * k] = std::int16_t(p * 16);
            p = clamp_predictor(p + DECODE.half_delta[DECODE.next16[row] + (b & 15)] / 8);
            block[2 * k + 1] = std::int16_t(p * 16);
            idx256 = DECODE.next256[idx256 + b];
        }
        store_samples(out + base * 4, block, count * 2);
    }
#endif
    return pcm;
}

namespace {

// One sample through the encoder: the code, with predictor and step index
// advanced exactly as the decoder will.
// Everything here is branch-free on purpose: the sign and the magnitude of
// real speech are not predictable, and a mispredicted branch costs more than
// the whole sample. A falling sample is handled by mirroring: with
// ~p = -p - 1 the range -2048..2047 maps onto itself, and the lower limit
// of p - rec becomes the upper limit of ~p + rec.
[[gnu::always_inline]] inline unsigned encode_one(int x, int& p, unsigned& row_offset)
{
    const auto& r = *reinterpret_cast<const EncodeRow*>(reinterpret_cast<const char*>(ENCODE.data()) + row_offset);
    const int d = x - p;
    const int sign = d >> 31; // 0 or -1
    const int a = (d ^ sign) - sign;
    // What reaching threshold j adds, or 0 when a falls short of it.
    auto reached = [&](int j) { return r.inc[j] & (0u - unsigned(a >= r.thr[j])); };
    const unsigned v = ((r.inc[0] + reached(1)) + (reached(2) + reached(3))) +
                       ((reached(4) + reached(5)) + (reached(6) + reached(7)));
    const int mirrored = std::min((p ^ sign) + int(v >> MAGNITUDE_SHIFT), PREDICTOR_MAX);
    p = mirrored ^ sign;
    row_offset = v & ROW_OFFSET_MASK;
    return unsigned(sign & 8) | ((v >> CODE_SHIFT) & 7);
}

inline int read_sample12(const std::uint8_t* p)
{
    const auto v = std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
    return v / 16; // truncates toward zero: -1 gives 0, -17 gives -1
}

} // namespace

std::vector<std::uint8_t> adpcm_encode(const std::uint8_t* pcm, std::size_t len)
{
    std::vector<std::uint8_t> out((len + 3) / 4);
    int p = 0;
    unsigned i = 0; // byte offset of the row of the current step index
    const std::size_t pairs = len / 4;
    std::uint8_t* dst = out.data();
    for (std::size_t k = 0; k < pairs; ++k) {
        const unsigned hi = encode_one(read_sample12(pcm + 4 * k), p, i);
        const unsigned lo = encode_one(read_sample12(pcm + 4 * k + 2), p, i);
        dst[k] = std::uint8_t((hi << 4) | lo);
    }
    return out;
}
