// What the editor shows of a sound without playing it: its length, its
// level and its outline. The outline keeps the lowest and highest sample of
// every block of PCM_SUMMARY_BLOCK samples, so a waveform of any width is
// drawn from it without going back to the samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

constexpr std::size_t PCM_SUMMARY_BLOCK = 32;
// Sounds shorter than this get no loudness: the measurement gates over
// blocks of 400 ms.
constexpr double PCM_LOUDNESS_MIN_SECONDS = 0.4;

struct PcmSummary {
    std::size_t frames = 0;
    int sample_rate = 0;
    // Per block: the lowest and the highest sample.
    std::vector<std::int16_t> low;
    std::vector<std::int16_t> high;
    // The largest magnitude of any sample, 0 .. 32768.
    int peak = 0;
    // Integrated loudness in LUFS (EBU R128), for sounds of at least
    // PCM_LOUDNESS_MIN_SECONDS that are not silent.
    std::optional<double> loudness;
};

// `pcm` is mono 16-bit little-endian at `sample_rate`.
PcmSummary pcm_summarize(std::span<const std::uint8_t> pcm, int sample_rate);

// The lowest and highest sample of frames [first, end) as far as the
// blocks tell: the blocks that hold them are taken whole. (0, 0) when the
// range holds no frame.
std::pair<std::int16_t, std::int16_t> pcm_summary_range(const PcmSummary& summary, std::size_t first, std::size_t end);

// The peak in dBFS (a full-scale sample is 0 dBFS); nothing for silence.
std::optional<double> pcm_peak_dbfs(int peak);

// How loud a sound is, as the word list shows it: its loudness when it
// could be measured, otherwise its peak.
struct PcmLevel {
    double value = 0; // LUFS when `lufs`, otherwise dBFS
    bool lufs = false;
    bool silent = false; // every sample is 0: no value
};
PcmLevel pcm_summary_level(const PcmSummary& summary);
