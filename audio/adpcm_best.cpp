// The searching ADPCM encoder.
//
// Every sample, each kept decoder state (predictor, step index) is extended
// by the four codes whose decoded values lie nearest the input; the others
// are far off and, as measurements showed, never end up on the best path.
// The extensions are ranked by their squared error so far plus a share of
// the error the plain encoder would make from them over the next few
// samples: a state that just changed its step size pays for it at once and
// earns it back only later, and without this look-ahead it would be dropped
// too early. The best-ranked states are kept, except that a state within a
// 64th of a step of a better-ranked one with the same step index is
// dropped as a near copy, so that the width is spent on states that differ.
//
// Slot 0 always holds the plain encoder's own state with the plain codes'
// exact cost: whatever the search finds is compared against it, so the
// result is never worse than the plain encoder's.
//
// Memory stays bounded on long inputs: every BLOCK samples the path of the
// best state is fixed up to one block back, and the states that do not
// descend from it are dropped (the plain encoder's slot excepted). Each
// state carries a tag, the slot of its ancestor at the last such point,
// which says in one lookup whether it descends from the chosen one. The
// back pointers of the last two blocks are kept in a ring.
#include "audio/adpcm_best.h"

#include "audio/adpcm.h"
#include "audio/adpcm_search_kernels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int CHILDREN = ADPCM_SEARCH_CHILDREN;
constexpr std::size_t BLOCK = 256; // samples between two fixings of the path
constexpr std::size_t RING = 2 * BLOCK;

// Costs are kept relative to the best state's, which keeps them small. A
// state further behind than COST_CAP is hopeless and its cost is held
// there; the best state is never near it (its cost is 0 after each
// sample), so every cost that can win stays exact.
constexpr std::uint32_t COST_CAP = 1u << 30;

// A state's key: equal for equal states, near for near copies (two keys
// with different step indexes are always more than 4095 apart).
inline int state_key(int p, int i) { return i * 8192 + p; }
constexpr int FAR_KEY = -1000000; // near no state

// How close two predictors with step index i must be to count as one state:
// a 64th of the step (so only equal ones at the smallest steps). Merging
// more widely (a 16th, an 8th) or only equal states both measured worse.
constexpr std::array<std::int16_t, 49> NEAR = [] {
    std::array<std::int16_t, 49> t {};
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = std::int16_t(ADPCM_STEPS[i] / 64);
    return t;
}();

struct Search {
    const AdpcmSearchKernels* kernels = nullptr;
    std::size_t width = 1;
    std::size_t stride = 8; // width rounded up to a multiple of 8
    std::size_t samples = 0;
    std::vector<std::int32_t> x; // the 12-bit targets, then look-ahead copies of the last

    // The kept states; slot 0 is the plain encoder's. Entries past `count`
    // stay valid states for the kernels' spare lanes.
    std::size_t count = 1;
    std::vector<std::int32_t> p, idx;
    std::vector<std::uint32_t> cost;
    std::vector<std::uint16_t> tag;
    std::uint64_t base = 0; // the absolute cost that relative cost 0 stands for
    std::uint64_t plain_cost = 0; // slot 0's exact absolute cost

    // This sample's candidates (CHILDREN planes of `stride`).
    std::vector<std::int32_t> cp, ci, cfrom;
    std::vector<std::uint32_t> ccost, crank;
    std::vector<std::uint32_t> order; // see order_candidates
    std::vector<std::int32_t> kept_key; // the kept states' keys; FAR_KEY where none is yet

    // The next sample's states, built from the candidates.
    std::vector<std::int32_t> np, nidx;
    std::vector<std::uint32_t> ncost;
    std::vector<std::uint16_t> ntag;

    std::vector<std::uint16_t> ring; // RING rows of `width` back pointers: parent slot * 16 + code

    // The output: starts as the plain encoder's bytes; fixed parts of the
    // path overwrite it from `explicit_from` on.
    std::vector<std::uint8_t> plain;
    std::vector<std::uint8_t> out;
    std::size_t explicit_from = 0;
    std::size_t fixed_to = 0;
};

void search_init(Search& s, const std::uint8_t* pcm, std::size_t len, int width, const AdpcmSearchKernels& kernels)
{
    s.kernels = &kernels;
    s.width = std::size_t(width);
    s.stride = (s.width + 7) / 8 * 8;
    s.samples = len / 4 * 2;
    s.x.resize(s.samples + ADPCM_SEARCH_LOOKAHEAD);
    for (std::size_t k = 0; k < s.samples; ++k)
        s.x[k] = std::int16_t(std::uint16_t(pcm[2 * k] | (pcm[2 * k + 1] << 8))) / 16;
    std::fill(s.x.begin() + std::ptrdiff_t(s.samples), s.x.end(), s.samples ? s.x[s.samples - 1] : 0);

    for (auto* v : {&s.p, &s.idx, &s.np, &s.nidx})
        v->assign(s.stride, 0);
    s.cost.assign(s.stride, 0);
    s.ncost.assign(s.stride, 0);
    s.tag.assign(s.stride, 0);
    s.ntag.assign(s.stride, 0);
    s.count = 1;
    const std::size_t candidates = s.stride * CHILDREN;
    for (auto* v : {&s.cp, &s.ci, &s.cfrom})
        v->assign(candidates, 0);
    s.ccost.assign(candidates, 0);
    s.crank.assign(candidates, 0);
    s.order.resize(candidates);
    s.kept_key.resize(s.stride);
    s.ring.assign(RING * s.width, 0);

    s.plain = adpcm_encode(pcm, len);
    s.out = s.plain;
}

inline int plain_code_at(const Search& s, std::size_t t) { return (s.plain[t / 2] >> (t % 2 ? 0 : 4)) & 15; }

void put_code(Search& s, std::size_t t, int code)
{
    std::uint8_t& b = s.out[t / 2];
    b = t % 2 ? std::uint8_t((b & 0xF0) | code) : std::uint8_t((b & 0x0F) | code << 4);
}

inline std::uint16_t* ring_row(Search& s, std::size_t t) { return &s.ring[t % RING * s.width]; }

// Writes the codes of samples [from, to) of the path that is in `slot`
// after sample to - 1.
void trace_back(Search& s, std::size_t slot, std::size_t to, std::size_t from)
{
    for (std::size_t t = to; t-- > from;) {
        const std::uint16_t e = ring_row(s, t)[slot];
        put_code(s, t, e & 15);
        slot = e >> 4;
    }
}

// The path up to sample `to` is the plain encoder's after all.
void restore_plain(Search& s, std::size_t to)
{
    std::memcpy(
        s.out.data() + s.explicit_from / 2, s.plain.data() + s.explicit_from / 2, (s.fixed_to - s.explicit_from) / 2);
    s.explicit_from = s.fixed_to = to;
}

std::size_t best_slot(const Search& s)
{
    std::size_t best = 0;
    for (std::size_t k = 1; k < s.count; ++k)
        if (s.cost[k] < s.cost[best])
            best = k;
    return best;
}

// Every BLOCK samples (at sample count `t`): fix the best state's path up to
// one block back and drop the states that do not descend from it.
void fix_path(Search& s, std::size_t t)
{
    const std::size_t root = s.tag[best_slot(s)];
    const std::size_t to = t - BLOCK;
    if (root == 0) {
        restore_plain(s, to);
    } else {
        trace_back(s, root, to, t >= 2 * BLOCK ? t - 2 * BLOCK : 0);
        s.fixed_to = to;
    }
    // Close up the survivors, their back pointers with them.
    std::uint16_t* row = ring_row(s, t - 1);
    std::size_t kept = 1;
    for (std::size_t k = 1; k < s.count; ++k) {
        if (s.tag[k] != root)
            continue;
        s.p[kept] = s.p[k];
        s.idx[kept] = s.idx[k];
        s.cost[kept] = s.cost[k];
        row[kept] = row[k];
        ++kept;
    }
    s.count = kept;
    for (std::size_t k = 0; k < kept; ++k)
        s.tag[k] = std::uint16_t(k);
}

// Puts the candidates in order of rank, best first: returns how many and
// leaves in `order` each one's rank above the best (held at a limit far
// behind, where none is ever chosen) over its number, (state * CHILDREN +
// child), in the low `bits`.
std::size_t order_candidates(Search& s, unsigned* bits)
{
    const std::size_t n = s.count * CHILDREN;
    std::uint32_t least = 0xFFFFFFFF;
    for (std::size_t k = 0; k < s.count; ++k)
        for (std::size_t j = 0; j < CHILDREN; ++j)
            least = std::min(least, s.crank[j * s.stride + k]);
    *bits = unsigned(std::bit_width(n - 1));
    const std::uint32_t limit = (std::uint32_t(1) << (32 - *bits)) - 2;
    for (std::size_t k = 0; k < s.count; ++k)
        for (std::size_t j = 0; j < CHILDREN; ++j)
            s.order[k * CHILDREN + j] =
                std::min(s.crank[j * s.stride + k] - least, limit) << *bits | std::uint32_t(k * CHILDREN + j);
    s.kernels->sort(s.order.data(), int(n));
    return n;
}

void search_sample(Search& s, std::size_t t)
{
    const int x = s.x[t];
    s.kernels->expand(x, int(s.count), int(s.stride), s.p.data(), s.idx.data(), s.cost.data(), s.cp.data(), s.ci.data(),
        s.ccost.data(), s.cfrom.data());
    s.kernels->rank(&s.x[t + 1], int(s.stride) * CHILDREN, s.cp.data(), s.ci.data(), s.ccost.data(), s.crank.data());
    unsigned bits = 0;
    const std::size_t n = order_candidates(s, &bits);
    const std::uint32_t number_mask = (std::uint32_t(1) << bits) - 1;

    // The plain encoder's next state and exact cost.
    const int pc = plain_code_at(s, t);
    AdpcmState plain{std::int16_t(s.p[0]), std::int16_t(s.idx[0])};
    const int p0 = adpcm_decode_nibble(pc, &plain);
    const int i0 = plain.step_index;
    s.plain_cost += std::uint64_t((x - p0) * (x - p0));
    const auto cost0 = std::uint32_t(std::min<std::uint64_t>(s.plain_cost - s.base, COST_CAP));
    const int key0 = state_key(p0, i0);

    std::uint16_t* row = ring_row(s, t);
    s.np[0] = p0;
    s.nidx[0] = i0;
    s.ncost[0] = cost0;
    s.ntag[0] = 0;
    row[0] = std::uint16_t(pc);
    std::size_t kept = 1;
    std::uint32_t least = cost0;
    std::fill(s.kept_key.begin(), s.kept_key.end(), FAR_KEY);
    for (std::size_t r = 0; r < n && kept < s.width; ++r) {
        const std::uint32_t number = s.order[r] & number_mask;
        const std::size_t c = number % CHILDREN * s.stride + number / CHILDREN;
        const int key = state_key(s.cp[c], s.ci[c]);
        // The plain state reached again at no lower cost adds nothing.
        if (key == key0 && s.ccost[c] >= cost0)
            continue;
        if (s.kernels->near_copy(s.kept_key.data(), int((kept + 7) / 8 * 8), key, NEAR[std::size_t(s.ci[c])]))
            continue;
        const auto from = std::uint16_t(s.cfrom[c]);
        s.np[kept] = s.cp[c];
        s.nidx[kept] = s.ci[c];
        s.ncost[kept] = std::min(s.ccost[c], COST_CAP);
        s.ntag[kept] = s.tag[from >> 4];
        s.kept_key[kept] = key;
        row[kept] = from;
        least = std::min(least, s.ncost[kept]);
        ++kept;
    }

    // Costs relative to the best state again; slot 0's from its exact cost.
    s.base += least;
    for (std::size_t k = 1; k < kept; ++k)
        s.ncost[k] -= least;
    s.ncost[0] = std::uint32_t(std::min<std::uint64_t>(s.plain_cost - s.base, COST_CAP));
    std::swap(s.p, s.np);
    std::swap(s.idx, s.nidx);
    std::swap(s.cost, s.ncost);
    std::swap(s.tag, s.ntag);
    s.count = kept;
}

} // namespace

AdpcmSearchResult adpcm_search(const std::uint8_t* pcm, std::size_t len, int width, const AdpcmSearchKernels* kernels)
{
    Search s;
    search_init(
        s, pcm, len, std::clamp(width, 1, ADPCM_BEST_MAX_WIDTH), kernels ? *kernels : adpcm_search_kernels_native());
    for (std::size_t t = 0; t < s.samples; ++t) {
        search_sample(s, t);
        if ((t + 1) % BLOCK == 0)
            fix_path(s, t + 1);
    }

    AdpcmSearchResult r;
    r.plain_squared_error = s.plain_cost * 256;
    const std::size_t best = best_slot(s);
    if (best == 0) {
        r.bytes = std::move(s.plain);
        r.squared_error = r.plain_squared_error;
        return r;
    }
    const std::size_t root = s.tag[best];
    const std::size_t last_fix = s.samples / BLOCK * BLOCK;
    if (root == 0) {
        restore_plain(s, last_fix);
        trace_back(s, best, s.samples, last_fix);
    } else {
        trace_back(s, best, s.samples, s.fixed_to);
    }
    r.bytes = std::move(s.out);
    r.squared_error = (s.base + s.cost[best]) * 256;
    return r;
}

std::vector<std::uint8_t> adpcm_encode_best(const std::uint8_t* pcm, std::size_t len, int width)
{
    return adpcm_search(pcm, len, width).bytes;
}

std::vector<std::uint8_t> adpcm_encode_quality(const std::uint8_t* pcm, std::size_t len, AdpcmQuality quality)
{
    return quality == AdpcmQuality::BEST ? adpcm_encode_best(pcm, len) : adpcm_encode(pcm, len);
}
