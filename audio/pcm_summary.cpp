// Length, level and outline of a sound (pcm_summary.h). Loudness is
// measured with libebur128.
#include "audio/pcm_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ebur128.h>
#include <memory>

namespace {

std::int16_t sample_at(std::span<const std::uint8_t> pcm, std::size_t i)
{
    return std::int16_t(pcm[2 * i] | (pcm[2 * i + 1] << 8));
}

struct Ebur128Closer {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};

std::optional<double> loudness_of(std::span<const std::uint8_t> pcm, std::size_t frames, int sample_rate)
{
    if (double(frames) < PCM_LOUDNESS_MIN_SECONDS * sample_rate)
        return std::nullopt;
    std::unique_ptr<ebur128_state, Ebur128Closer> state(ebur128_init(1, unsigned(sample_rate), EBUR128_MODE_I));
    if (!state)
        return std::nullopt;
    std::vector<short> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = sample_at(pcm, i);
    double lufs = 0;
    if (ebur128_add_frames_short(state.get(), samples.data(), frames) != EBUR128_SUCCESS
        || ebur128_loudness_global(state.get(), &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs))
        return std::nullopt; // silence measures as minus infinity
    return lufs;
}

} // namespace

PcmSummary pcm_summarize(std::span<const std::uint8_t> pcm, int sample_rate)
{
    PcmSummary summary;
    summary.sample_rate = sample_rate;
    summary.frames = pcm.size() / 2;
    const std::size_t blocks = (summary.frames + PCM_SUMMARY_BLOCK - 1) / PCM_SUMMARY_BLOCK;
    summary.low.resize(blocks);
    summary.high.resize(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t end = std::min(summary.frames, (b + 1) * PCM_SUMMARY_BLOCK);
        std::int16_t low = sample_at(pcm, b * PCM_SUMMARY_BLOCK);
        std::int16_t high = low;
        for (std::size_t i = b * PCM_SUMMARY_BLOCK + 1; i < end; ++i) {
            const std::int16_t s = sample_at(pcm, i);
            low = std::min(low, s);
            high = std::max(high, s);
        }
        summary.low[b] = low;
        summary.high[b] = high;
        summary.peak = std::max({ summary.peak, -int(low), int(high) });
    }
    summary.loudness = loudness_of(pcm, summary.frames, sample_rate);
    return summary;
}

std::pair<std::int16_t, std::int16_t> pcm_summary_range(const PcmSummary& summary, std::size_t first, std::size_t end)
{
    end = std::min(end, summary.frames);
    if (first >= end)
        return { 0, 0 };
    const std::size_t last_block = (end - 1) / PCM_SUMMARY_BLOCK;
    std::int16_t low = summary.low[first / PCM_SUMMARY_BLOCK];
    std::int16_t high = summary.high[first / PCM_SUMMARY_BLOCK];
    for (std::size_t b = first / PCM_SUMMARY_BLOCK + 1; b <= last_block; ++b) {
        low = std::min(low, summary.low[b]);
        high = std::max(high, summary.high[b]);
    }
    return { low, high };
}

std::optional<double> pcm_peak_dbfs(int peak)
{
    if (peak <= 0)
        return std::nullopt;
    return 20.0 * std::log10(double(peak) / 32768.0);
}

PcmLevel pcm_summary_level(const PcmSummary& summary)
{
    if (summary.loudness)
        return { *summary.loudness, true, false };
    if (const std::optional<double> peak = pcm_peak_dbfs(summary.peak))
        return { *peak, false, false };
    return { 0, false, true };
}
