// Tests of a sound's summary: the block outline and the ranges read from
// it, the peak in dBFS and the loudness in LUFS.
#include "audio/pcm_summary.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<std::uint8_t> bytes_of(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> out;
    for (std::int16_t s : samples) {
        out.push_back(std::uint8_t(s & 0xff));
        out.push_back(std::uint8_t((s >> 8) & 0xff));
    }
    return out;
}

std::vector<std::int16_t> sine(double seconds, double amplitude, double hz = 997)
{
    std::vector<std::int16_t> s(std::size_t(seconds * 16000));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::int16_t(std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * double(i) / 16000)));
    return s;
}

TEST(PcmSummary, RangesComeFromWholeBlocks)
{
    // Block 0 holds one loud sample at 5, block 1 is quiet, block 2 is a
    // short one holding the lowest sample.
    std::vector<std::int16_t> s(2 * PCM_SUMMARY_BLOCK + 3, 10);
    s[5] = 3000;
    s[PCM_SUMMARY_BLOCK + 1] = -20;
    s[2 * PCM_SUMMARY_BLOCK + 2] = -32768;
    const PcmSummary summary = pcm_summarize(bytes_of(s), 16000);
    EXPECT_EQ(summary.frames, s.size());
    EXPECT_EQ(summary.low.size(), 3u);
    EXPECT_EQ(summary.peak, 32768);
    struct Case {
        std::size_t first, end;
        std::int16_t low, high;
    };
    const std::size_t B = PCM_SUMMARY_BLOCK;
    const Case cases[] = {
        { 0, 1, 10, 3000 }, // the block is taken whole
        { B, B + 1, -20, 10 },
        { B - 1, B + 1, -20, 3000 }, // two blocks
        { B + 2, 3 * B, -32768, 10 }, // an end past the last frame
        { 2 * B + 3, 3 * B, 0, 0 }, // nothing there
        { 7, 7, 0, 0 },
    };
    for (const Case& c : cases) {
        const auto [low, high] = pcm_summary_range(summary, c.first, c.end);
        EXPECT_EQ(low, c.low) << c.first << ".." << c.end;
        EXPECT_EQ(high, c.high) << c.first << ".." << c.end;
    }
}

TEST(PcmSummary, PeakInDbfs)
{
    EXPECT_FALSE(pcm_peak_dbfs(0));
    EXPECT_DOUBLE_EQ(*pcm_peak_dbfs(32768), 0.0);
    EXPECT_NEAR(*pcm_peak_dbfs(16384), -6.02, 0.01);
    EXPECT_NEAR(*pcm_peak_dbfs(1), -90.31, 0.01);
}

TEST(PcmSummary, LoudnessOnlyForSoundsLongEnoughAndNotSilent)
{
    struct Case {
        const char* what;
        std::vector<std::int16_t> samples;
        std::optional<double> lufs; // within 0.2
    };
    const Case cases[] = {
        // A full-scale sine measures about -3 LUFS on one channel.
        { "-20 dB sine, 2 s", sine(2, 0.1), -23.0 },
        { "-6 dB sine, 1 s", sine(1, 0.5), -9.0 },
        { "too short", sine(0.3, 0.5), std::nullopt },
        { "silence", std::vector<std::int16_t>(32000, 0), std::nullopt },
        { "nothing", {}, std::nullopt },
    };
    for (const Case& c : cases) {
        const PcmSummary summary = pcm_summarize(bytes_of(c.samples), 16000);
        ASSERT_EQ(summary.loudness.has_value(), c.lufs.has_value()) << c.what;
        if (c.lufs) {
            EXPECT_NEAR(*summary.loudness, *c.lufs, 0.2) << c.what;
        }
    }
}

} // namespace

namespace {

TEST(PcmSummary, LevelIsLoudnessWhenMeasuredOtherwiseThePeak)
{
    struct Case {
        const char* what;
        std::vector<std::int16_t> samples;
        bool lufs;
        bool silent;
        double value; // within 0.2
    };
    const Case cases[] = {
        { "long enough", sine(1, 0.5), true, false, -9.0 },
        { "too short", sine(0.3, 0.5), false, false, -6.02 },
        { "silence", std::vector<std::int16_t>(32000, 0), false, true, 0 },
    };
    for (const Case& c : cases) {
        const PcmLevel level = pcm_summary_level(pcm_summarize(bytes_of(c.samples), 16000));
        EXPECT_EQ(level.lufs, c.lufs) << c.what;
        EXPECT_EQ(level.silent, c.silent) << c.what;
        EXPECT_NEAR(level.value, c.value, 0.2) << c.what;
    }
}

} // namespace
