// The searching encoder's per-sample arithmetic, portable and AVX2.
//
// Both work from the step size alone: the plain encoder's thresholds, the
// change of each code and the step index adjustment all follow from it by
// shifts and additions, so the only table lookup per state is the step
// size (one gather for eight states).
#include "audio/adpcm_search_kernels.h"

#include "audio/adpcm.h"

#include <algorithm>
#include <array>
#include <cstdlib>

// TEMBREL_ADPCM_PORTABLE leaves the AVX2 version out, as adpcm.cpp does
// with its SSE2 decoder, so that a test build runs the portable one alone.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(TEMBREL_ADPCM_PORTABLE)
#define ADPCM_SEARCH_AVX2 1
#include <immintrin.h>
#endif

namespace {

constexpr int PREDICTOR_MIN = -2048;
constexpr int PREDICTOR_MAX = 2047;
constexpr int STEP_INDEX_MAX = 48;
constexpr int LEVELS = 16;

// The magnitude code (0..7) the plain encoder gives a difference a: how
// many of its seven thresholds a reaches.
inline int magnitude(int a, int s)
{
    const int s2 = s >> 1;
    const int s4 = s >> 2;
    return (a >= s4) + (a >= s2) + (a >= s2 + s4) + (a >= s) + (a >= s + s4) + (a >= s + s2) + (a >= s + s2 + s4);
}

// The size of the change of magnitude code m: s/8, plus s/4, s/2 and s for
// its three bits, each part truncated on its own.
inline int change(int m, int s) { return (s >> 3) + (m & 1 ? s >> 2 : 0) + (m & 2 ? s >> 1 : 0) + (m & 4 ? s : 0); }

inline int step_adjust(int m) { return m < 4 ? -1 : 2 * m - 6; }

inline int clamp_predictor(int p) { return std::clamp(p, PREDICTOR_MIN, PREDICTOR_MAX); }
inline int clamp_step_index(int i) { return std::clamp(i, 0, STEP_INDEX_MAX); }

// Levels number the 16 codes by the change they give, most negative first:
// level 0 is code 15, level 7 code 8, level 8 code 0, level 15 code 7.
inline int first_child_level(int x, int p, int s)
{
    const int d = x - p;
    const int m = magnitude(d < 0 ? -d : d, s);
    const int level = d < 0 ? 7 - m : 8 + m;
    const int value = p + (d < 0 ? -change(m, s) : change(m, s));
    // The plain code's value is the nearest to x; the next nearest lie on
    // the side of x.
    return std::clamp(x >= value ? level - 1 : level - 2, 0, LEVELS - ADPCM_SEARCH_CHILDREN);
}

void expand_portable(int x, int count, int stride, const std::int32_t* p, const std::int32_t* idx,
    const std::uint32_t* cost, std::int32_t* cp, std::int32_t* ci, std::uint32_t* ccost, std::int32_t* cfrom)
{
    for (int k = 0; k < count; ++k) {
        const int s = ADPCM_STEPS[std::size_t(idx[k])];
        const int first = first_child_level(x, p[k], s);
        for (int j = 0; j < ADPCM_SEARCH_CHILDREN; ++j) {
            const int level = first + j;
            const bool up = level >= 8;
            const int m = up ? level - 8 : 7 - level;
            const int q = clamp_predictor(p[k] + (up ? change(m, s) : -change(m, s)));
            const int e = x - q;
            const int at = j * stride + k;
            cp[at] = q;
            ci[at] = clamp_step_index(idx[k] + step_adjust(m));
            ccost[at] = cost[k] + std::uint32_t(e * e);
            cfrom[at] = k * 16 + (up ? m : m | 8);
        }
    }
}

void rank_portable(const std::int32_t* ahead, int n, const std::int32_t* cp, const std::int32_t* ci,
    const std::uint32_t* ccost, std::uint32_t* rank)
{
    for (int k = 0; k < n; ++k) {
        int p = cp[k];
        int i = ci[k];
        std::uint32_t sum = 0;
        for (int t = 0; t < ADPCM_SEARCH_LOOKAHEAD; ++t) {
            const int s = ADPCM_STEPS[std::size_t(i)];
            const int d = ahead[t] - p;
            const int m = magnitude(d < 0 ? -d : d, s);
            p = clamp_predictor(p + (d < 0 ? -change(m, s) : change(m, s)));
            i = clamp_step_index(i + step_adjust(m));
            const int e = ahead[t] - p;
            sum += std::uint32_t(e * e);
        }
        rank[k] = ccost[k] + ((sum * ADPCM_SEARCH_LOOKAHEAD_16) >> 4);
    }
}

void sort_portable(std::uint32_t* keys, int n) { std::sort(keys, keys + n); }

bool near_copy_portable(const std::int32_t* keys, int n, int key, int near)
{
    bool found = false;
    for (int k = 0; k < n; ++k)
        found |= std::abs(keys[k] - key) <= near;
    return found;
}

constexpr AdpcmSearchKernels PORTABLE = {"portable", expand_portable, rank_portable, sort_portable, near_copy_portable};

#ifdef ADPCM_SEARCH_AVX2

constexpr std::array<std::int32_t, 49> STEPS32 = [] {
    std::array<std::int32_t, 49> t {};
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = ADPCM_STEPS[i];
    return t;
}();

#define AVX2 __attribute__((target("avx2"), always_inline)) inline

// The same helpers, eight lanes at a time. Masks are all ones or zero.
struct Step8 {
    __m256i s, s2, s4, s8;
};

AVX2 Step8 step8(__m256i idx)
{
    const __m256i s = _mm256_i32gather_epi32(STEPS32.data(), idx, 4);
    return {s, _mm256_srli_epi32(s, 1), _mm256_srli_epi32(s, 2), _mm256_srli_epi32(s, 3)};
}

AVX2 __m256i magnitude8(__m256i a, const Step8& st)
{
    // Each threshold above a counts -1; seven minus their number is m.
    __m256i below = _mm256_cmpgt_epi32(st.s4, a);
    below = _mm256_add_epi32(below, _mm256_cmpgt_epi32(st.s2, a));
    below = _mm256_add_epi32(below, _mm256_cmpgt_epi32(_mm256_add_epi32(st.s2, st.s4), a));
    below = _mm256_add_epi32(below, _mm256_cmpgt_epi32(st.s, a));
    below = _mm256_add_epi32(below, _mm256_cmpgt_epi32(_mm256_add_epi32(st.s, st.s4), a));
    const __m256i s_s2 = _mm256_add_epi32(st.s, st.s2);
    below = _mm256_add_epi32(below, _mm256_cmpgt_epi32(s_s2, a));
    below = _mm256_add_epi32(below, _mm256_cmpgt_epi32(_mm256_add_epi32(s_s2, st.s4), a));
    return _mm256_add_epi32(_mm256_set1_epi32(7), below);
}

AVX2 __m256i bit_mask8(__m256i m, int bit)
{
    return _mm256_sub_epi32(_mm256_setzero_si256(), _mm256_and_si256(_mm256_srli_epi32(m, bit), _mm256_set1_epi32(1)));
}

AVX2 __m256i change8(__m256i m, const Step8& st)
{
    __m256i d = _mm256_add_epi32(st.s8, _mm256_and_si256(bit_mask8(m, 0), st.s4));
    d = _mm256_add_epi32(d, _mm256_and_si256(bit_mask8(m, 1), st.s2));
    return _mm256_add_epi32(d, _mm256_and_si256(bit_mask8(m, 2), st.s));
}

AVX2 __m256i negate_where8(__m256i v, __m256i neg) { return _mm256_sub_epi32(_mm256_xor_si256(v, neg), neg); }

AVX2 __m256i clamp8(__m256i v, int lo, int hi)
{
    return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_set1_epi32(lo)), _mm256_set1_epi32(hi));
}

AVX2 __m256i next_index8(__m256i idx, __m256i m)
{
    // m < 4: -1; otherwise 2m - 6.
    const __m256i big = _mm256_cmpgt_epi32(m, _mm256_set1_epi32(3));
    const __m256i up = _mm256_and_si256(_mm256_sub_epi32(_mm256_add_epi32(m, m), _mm256_set1_epi32(5)), big);
    return clamp8(_mm256_add_epi32(idx, _mm256_sub_epi32(up, _mm256_set1_epi32(1))), 0, STEP_INDEX_MAX);
}

__attribute__((target("avx2"))) void expand_avx2(int x, int count, int stride, const std::int32_t* p,
    const std::int32_t* idx, const std::uint32_t* cost, std::int32_t* cp, std::int32_t* ci, std::uint32_t* ccost,
    std::int32_t* cfrom)
{
    const __m256i vx = _mm256_set1_epi32(x);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lanes = _mm256_setr_epi32(0, 16, 32, 48, 64, 80, 96, 112);
    for (int k = 0; k < count; k += 8) {
        const __m256i vp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k));
        const __m256i vi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(idx + k));
        const __m256i vc = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cost + k));
        const Step8 st = step8(vi);
        const __m256i d = _mm256_sub_epi32(vx, vp);
        const __m256i neg = _mm256_cmpgt_epi32(zero, d);
        const __m256i m = magnitude8(_mm256_abs_epi32(d), st);
        const __m256i level = _mm256_blendv_epi8(
            _mm256_add_epi32(m, _mm256_set1_epi32(8)), _mm256_sub_epi32(_mm256_set1_epi32(7), m), neg);
        const __m256i value = _mm256_add_epi32(vp, negate_where8(change8(m, st), neg));
        // level - 1 where x >= value, else level - 2.
        const __m256i first =
            clamp8(_mm256_add_epi32(_mm256_sub_epi32(level, _mm256_set1_epi32(1)), _mm256_cmpgt_epi32(value, vx)), 0,
                LEVELS - ADPCM_SEARCH_CHILDREN);
        const __m256i from = _mm256_add_epi32(_mm256_set1_epi32(k * 16), lanes);
        for (int j = 0; j < ADPCM_SEARCH_CHILDREN; ++j) {
            const __m256i lv = _mm256_add_epi32(first, _mm256_set1_epi32(j));
            const __m256i up = _mm256_cmpgt_epi32(lv, _mm256_set1_epi32(7));
            const __m256i mj = _mm256_blendv_epi8(
                _mm256_sub_epi32(_mm256_set1_epi32(7), lv), _mm256_sub_epi32(lv, _mm256_set1_epi32(8)), up);
            const __m256i down = _mm256_xor_si256(up, _mm256_set1_epi32(-1));
            const __m256i q =
                clamp8(_mm256_add_epi32(vp, negate_where8(change8(mj, st), down)), PREDICTOR_MIN, PREDICTOR_MAX);
            const __m256i e = _mm256_sub_epi32(vx, q);
            const int at = j * stride + k;
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cp + at), q);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(ci + at), next_index8(vi, mj));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(ccost + at), _mm256_add_epi32(vc, _mm256_mullo_epi32(e, e)));
            const __m256i code = _mm256_or_si256(mj, _mm256_and_si256(down, _mm256_set1_epi32(8)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(cfrom + at), _mm256_add_epi32(from, code));
        }
    }
}

// Sample by sample over all candidates rather than candidate by candidate:
// the groups of eight are independent, so the processor overlaps their
// gathers and long dependency chains.
__attribute__((target("avx2"))) void rank_avx2(const std::int32_t* ahead, int n, const std::int32_t* cp,
    const std::int32_t* ci, const std::uint32_t* ccost, std::uint32_t* rank)
{
    const __m256i zero = _mm256_setzero_si256();
    alignas(32) std::int32_t idx[ADPCM_SEARCH_MAX_CANDIDATES];
    alignas(32) std::int32_t pred[ADPCM_SEARCH_MAX_CANDIDATES];
    alignas(32) std::int32_t sum[ADPCM_SEARCH_MAX_CANDIDATES];
    std::copy(cp, cp + n, pred);
    std::copy(ci, ci + n, idx);
    std::fill(sum, sum + n, 0);
    for (int t = 0; t < ADPCM_SEARCH_LOOKAHEAD; ++t) {
        const __m256i vx = _mm256_set1_epi32(ahead[t]);
        for (int k = 0; k < n; k += 8) {
            __m256i vp = _mm256_load_si256(reinterpret_cast<const __m256i*>(pred + k));
            __m256i vi = _mm256_load_si256(reinterpret_cast<const __m256i*>(idx + k));
            const Step8 st = step8(vi);
            const __m256i d = _mm256_sub_epi32(vx, vp);
            const __m256i neg = _mm256_cmpgt_epi32(zero, d);
            const __m256i m = magnitude8(_mm256_abs_epi32(d), st);
            vp = clamp8(_mm256_add_epi32(vp, negate_where8(change8(m, st), neg)), PREDICTOR_MIN, PREDICTOR_MAX);
            vi = next_index8(vi, m);
            const __m256i e = _mm256_sub_epi32(vx, vp);
            const __m256i vs = _mm256_load_si256(reinterpret_cast<const __m256i*>(sum + k));
            _mm256_store_si256(reinterpret_cast<__m256i*>(sum + k), _mm256_add_epi32(vs, _mm256_mullo_epi32(e, e)));
            _mm256_store_si256(reinterpret_cast<__m256i*>(pred + k), vp);
            _mm256_store_si256(reinterpret_cast<__m256i*>(idx + k), vi);
        }
    }
    const __m256i weight = _mm256_set1_epi32(ADPCM_SEARCH_LOOKAHEAD_16);
    for (int k = 0; k < n; k += 8) {
        const __m256i vs = _mm256_load_si256(reinterpret_cast<const __m256i*>(sum + k));
        const __m256i vc = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ccost + k));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rank + k),
            _mm256_add_epi32(vc, _mm256_srli_epi32(_mm256_mullo_epi32(vs, weight), 4)));
    }
}

// Bitonic sorting network over NV vectors of eight keys, held in
// registers: a fixed sequence of minimum and maximum operations, with no
// branch that depends on the keys.
template <int J> AVX2 __m256i partner8(__m256i v)
{
    if constexpr (J == 1)
        return _mm256_shuffle_epi32(v, 0xB1);
    else if constexpr (J == 2)
        return _mm256_shuffle_epi32(v, 0x4E);
    else
        return _mm256_permute2x128_si256(v, v, 0x01);
}

// Lanes whose index has bit `bit` clear.
AVX2 __m256i lanes_clear8(int bit)
{
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_cmpeq_epi32(_mm256_and_si256(lane, _mm256_set1_epi32(bit)), _mm256_setzero_si256());
}

// One step at distance J < 8 within each vector, for blocks of K keys that
// alternate between ascending and descending order.
template <int NV, int J> AVX2 void in_vector_step(__m256i* v, int k)
{
    const __m256i lower = lanes_clear8(J);
    const __m256i ascending_lanes = lanes_clear8(k & 7);
    for (int a = 0; a < NV; ++a) {
        const __m256i other = partner8<J>(v[a]);
        const __m256i lo = _mm256_min_epu32(v[a], other);
        const __m256i hi = _mm256_max_epu32(v[a], other);
        // A lane keeps the minimum where it is the lower of its pair in an
        // ascending block, or the upper in a descending one.
        __m256i ascending = ascending_lanes;
        if (k >= 8)
            ascending = ((a * 8) & k) == 0 ? _mm256_set1_epi32(-1) : _mm256_setzero_si256();
        const __m256i keep_low = _mm256_xor_si256(_mm256_xor_si256(lower, ascending), _mm256_set1_epi32(-1));
        v[a] = _mm256_blendv_epi8(hi, lo, keep_low);
    }
}

template <int NV> __attribute__((target("avx2"))) void bitonic_sort(std::uint32_t* keys, int n)
{
    __m256i v[NV];
    alignas(32) std::uint32_t buf[NV * 8];
    std::fill(std::copy(keys, keys + n, buf), buf + NV * 8, 0xFFFFFFFFu);
    for (int a = 0; a < NV; ++a)
        v[a] = _mm256_load_si256(reinterpret_cast<const __m256i*>(buf + a * 8));
    for (int k = 2; k <= NV * 8; k *= 2) {
        for (int j = k / 2; j >= 8; j /= 2) {
            const int jv = j / 8;
            for (int a = 0; a < NV; ++a) {
                if (a & jv)
                    continue;
                const __m256i lo = _mm256_min_epu32(v[a], v[a + jv]);
                const __m256i hi = _mm256_max_epu32(v[a], v[a + jv]);
                const bool ascending = ((a * 8) & k) == 0;
                v[a] = ascending ? lo : hi;
                v[a + jv] = ascending ? hi : lo;
            }
        }
        if (k >= 8)
            in_vector_step<NV, 4>(v, k);
        if (k >= 4)
            in_vector_step<NV, 2>(v, k);
        in_vector_step<NV, 1>(v, k);
    }
    for (int a = 0; a < NV; ++a)
        _mm256_store_si256(reinterpret_cast<__m256i*>(buf + a * 8), v[a]);
    std::copy(buf, buf + n, keys);
}

__attribute__((target("avx2"))) void sort_avx2(std::uint32_t* keys, int n)
{
    if (n <= 8)
        bitonic_sort<1>(keys, n);
    else if (n <= 16)
        bitonic_sort<2>(keys, n);
    else if (n <= 32)
        bitonic_sort<4>(keys, n);
    else if (n <= 64)
        bitonic_sort<8>(keys, n);
    else if (n <= 128)
        bitonic_sort<16>(keys, n);
    else if (n <= 256)
        bitonic_sort<32>(keys, n);
    else
        std::sort(keys, keys + n);
}

__attribute__((target("avx2"))) bool near_copy_avx2(const std::int32_t* keys, int n, int key, int near)
{
    const __m256i vk = _mm256_set1_epi32(key);
    const __m256i vn = _mm256_set1_epi32(near + 1);
    __m256i found = _mm256_setzero_si256();
    for (int k = 0; k < n; k += 8) {
        const __m256i d =
            _mm256_abs_epi32(_mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(keys + k)), vk));
        found = _mm256_or_si256(found, _mm256_cmpgt_epi32(vn, d));
    }
    return !_mm256_testz_si256(found, found);
}

#undef AVX2

constexpr AdpcmSearchKernels AVX2_KERNELS = {"avx2", expand_avx2, rank_avx2, sort_avx2, near_copy_avx2};

#endif

} // namespace

const AdpcmSearchKernels& adpcm_search_kernels_portable() { return PORTABLE; }

const AdpcmSearchKernels& adpcm_search_kernels_native()
{
#ifdef ADPCM_SEARCH_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return AVX2_KERNELS;
#endif
    return PORTABLE;
}
