// Trim and level for imported words.
#include "audio/shaping.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <memory>

namespace {

struct Ebur128Deleter {
    void operator()(ebur128_state* s) const { ebur128_destroy(&s); }
};

double to_db(double amplitude) { return 20.0 * std::log10(amplitude); }

// Whether a window's RMS reaches the threshold, compared in the power
// domain so that silent windows need no logarithm.
bool window_loud(std::span<const float> w, double threshold_power)
{
    double sum = 0.0;
    for (float x : w)
        sum += double(x) * double(x);
    return sum >= threshold_power * double(w.size());
}

} // namespace

SampleRange audio_trim_range(std::span<const float> samples, int rate, double threshold_db)
{
    const std::size_t n = samples.size();
    const std::size_t window = std::max<std::size_t>(1, std::size_t(rate) * TRIM_WINDOW_MS / 1000);
    const std::size_t margin = std::size_t(rate) * TRIM_MARGIN_MS / 1000;
    const double threshold_power = std::pow(10.0, threshold_db / 10.0);

    std::size_t first = n, last_end = 0;
    for (std::size_t start = 0; start < n; start += window) {
        const std::size_t len = std::min(window, n - start);
        if (!window_loud(samples.subspan(start, len), threshold_power))
            continue;
        first = std::min(first, start);
        last_end = start + len;
    }
    if (first == n)
        return {0, n};
    return {first > margin ? first - margin : 0, std::min(n, last_end + margin)};
}

std::optional<double> audio_loudness(std::span<const float> samples, int rate)
{
    if (samples.empty() || rate <= 0)
        return std::nullopt;
    const auto length_ms = std::uint64_t(samples.size()) * 1000 / std::uint64_t(rate) + 1;
    std::unique_ptr<ebur128_state, Ebur128Deleter> st(
        ebur128_init(1, unsigned(rate), EBUR128_MODE_I | EBUR128_MODE_M));
    if (!st)
        return std::nullopt;
    if (ebur128_add_frames_float(st.get(), samples.data(), samples.size()) != EBUR128_SUCCESS)
        return std::nullopt;
    double lufs = -HUGE_VAL;
    // A clip shorter than a gating block has no gated block at all: it is
    // measured as one block of its own length instead (the momentary
    // window of 400 ms holds all of it).
    if (length_ms > 400) {
        if (ebur128_loudness_global(st.get(), &lufs) != EBUR128_SUCCESS)
            return std::nullopt;
    } else if (ebur128_loudness_window(st.get(), static_cast<unsigned long>(length_ms - 1), &lufs) != EBUR128_SUCCESS) {
        return std::nullopt;
    }
    if (!std::isfinite(lufs) || lufs < -70.0)
        return std::nullopt;
    return lufs;
}

LevelGain audio_level_gain(std::span<const float> samples, int rate, double target_lufs)
{
    LevelGain g;
    const std::optional<double> loudness = audio_loudness(samples, rate);
    float peak = 0.0f;
    for (float x : samples)
        peak = std::max(peak, std::fabs(x));
    if (!loudness || peak <= 0.0f)
        return g;
    g.gain_db = target_lufs - *loudness;
    const double headroom = LEVEL_PEAK_LIMIT_DB - to_db(peak);
    if (g.gain_db > headroom) {
        g.gain_db = headroom;
        g.peak_limited = true;
    }
    return g;
}
