// The per-sample arithmetic of the searching ADPCM encoder, over arrays so
// that it runs eight states at a time where the processor can. Two
// versions give identical results: a portable one and one for processors
// with AVX2, picked at run time; the tests run both.
//
// Layout: states are arrays of `stride` entries (a multiple of 8, at least
// the number of states), predictor and step index as 32-bit integers, each
// entry valid even past the live states. Each state's candidates form
// ADPCM_SEARCH_CHILDREN planes: the j-th candidate of state k is at
// j * stride + k.
#pragma once

#include <cstdint>

// Codes tried from each state: those whose decoded values lie nearest the
// target. Trying more (up to all 16) gained less than 0.05 dB for much more
// time.
constexpr int ADPCM_SEARCH_CHILDREN = 4;
// The look-ahead: the plain encoder's squared error from a candidate over
// the next LOOKAHEAD samples, weighted by LOOKAHEAD_16 / 16.
constexpr int ADPCM_SEARCH_LOOKAHEAD = 4;
constexpr unsigned ADPCM_SEARCH_LOOKAHEAD_16 = 5;
// The most states and candidates the kernels take.
constexpr int ADPCM_SEARCH_MAX_STATES = 256;
constexpr int ADPCM_SEARCH_MAX_CANDIDATES = ADPCM_SEARCH_MAX_STATES * ADPCM_SEARCH_CHILDREN;

struct AdpcmSearchKernels {
    const char* name;
    // For the first `count` states and target x: each candidate's
    // predictor, step index, cost (the state's plus the squared difference
    // to x) and origin (state * 16 + code).
    void (*expand)(int x, int count, int stride, const std::int32_t* p, const std::int32_t* idx,
        const std::uint32_t* cost, std::int32_t* cp, std::int32_t* ci, std::uint32_t* ccost, std::int32_t* cfrom);
    // For candidates [0, n), n a multiple of 8: cost plus the weighted
    // look-ahead error against the targets ahead[0 .. LOOKAHEAD).
    void (*rank)(const std::int32_t* ahead, int n, const std::int32_t* cp, const std::int32_t* ci,
        const std::uint32_t* ccost, std::uint32_t* rank);
    // Sorts n distinct keys, below 0xFFFFFFFF, into ascending order.
    void (*sort)(std::uint32_t* keys, int n);
    // Whether any of keys[0 .. n) lies within `near` of `key`; n is a
    // multiple of 8.
    bool (*near_copy)(const std::int32_t* keys, int n, int key, int near);
};

const AdpcmSearchKernels& adpcm_search_kernels_portable();
// The fastest version this processor runs.
const AdpcmSearchKernels& adpcm_search_kernels_native();
