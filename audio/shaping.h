// Optional shaping of an imported word: trimming the silence around it
// and matching its loudness to the other words.
//
// Loudness is integrated loudness in LUFS (ITU-R BS.1770, measured with
// libebur128): K-weighted, so rumble and handling noise count less and the
// presence range counts as the ear hears it, and gated, so pauses and the
// silence around a word do not lower the figure. A word shorter than one
// 400 ms gating block is measured as a single block of its own length.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

constexpr double TRIM_DEFAULT_DB = -45.0; // dBFS, RMS over one window
constexpr int TRIM_WINDOW_MS = 10;
constexpr int TRIM_MARGIN_MS = 30;
constexpr double LEVEL_PEAK_LIMIT_DB = -1.0; // dBFS, sample peak

// The part of a clip to keep: [begin, end).
struct SampleRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// From the first to the last window of TRIM_WINDOW_MS whose RMS reaches
// `threshold_db`, widened by TRIM_MARGIN_MS on both sides. A clip with no
// such window is kept whole: a trim never leaves nothing.
SampleRange audio_trim_range(std::span<const float> samples, int rate, double threshold_db);

// Integrated loudness in LUFS; nothing for silence or an empty clip.
std::optional<double> audio_loudness(std::span<const float> samples, int rate);

struct LevelGain {
    double gain_db = 0.0;
    bool peak_limited = false; // the full gain would have passed the peak limit
};

// The gain that brings the clip to `target_lufs` without its sample peak
// passing LEVEL_PEAK_LIMIT_DB; 0 dB for a silent clip.
LevelGain audio_level_gain(std::span<const float> samples, int rate, double target_lufs);
