// Tests of playback from a worker thread through ALSA's file plugin: what
// reaches the device from where a stream starts, how a stream reports its
// end and a missing device, and what it refuses.
#include "audio/playback_stream.h"
#include "tests/alsa_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

PcmBlock ramp(std::size_t frames)
{
    auto pcm = std::make_shared<std::vector<std::uint8_t>>();
    for (std::size_t i = 0; i < frames; ++i) {
        pcm->push_back(std::uint8_t(i));
        pcm->push_back(std::uint8_t(i >> 8));
    }
    return pcm;
}

AudioStreamStatus wait_for_end(const AudioStream& stream)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!audio_stream_status(stream).ended && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return audio_stream_status(stream);
}

TEST(PlaybackStream, PlaysFromTheStartFrameToTheEnd)
{
    const PcmBlock pcm = ramp(5000);
    for (std::size_t start : { std::size_t(0), std::size_t(1), std::size_t(4321) }) {
        SCOPED_TRACE(start);
        AlsaCapture capture;
        AudioStreamPtr stream = audio_stream_start(pcm, 16000, 1, 16, start);
        ASSERT_TRUE(stream);
        const AudioStreamStatus status = wait_for_end(*stream);
        EXPECT_TRUE(status.ended);
        EXPECT_EQ(status.error, 0);
        EXPECT_EQ(status.played_frames, 5000u);
        stream.reset();
        EXPECT_EQ(capture.bytes(), std::vector<std::uint8_t>(pcm->begin() + std::ptrdiff_t(2 * start), pcm->end()));
    }
}

TEST(PlaybackStream, AMissingDeviceEndsTheStreamWithItsError)
{
    AlsaCapture capture(AlsaCapture::NO_DEVICE);
    AudioStreamPtr stream = audio_stream_start(ramp(100), 16000, 1, 16);
    ASSERT_TRUE(stream);
    const AudioStreamStatus status = wait_for_end(*stream);
    EXPECT_TRUE(status.ended);
    EXPECT_LT(status.error, 0);
    EXPECT_EQ(status.played_frames, 0u);
}

TEST(PlaybackStream, RefusesWhatItCannotPlay)
{
    AlsaCapture capture;
    struct Case {
        const char* what;
        PcmBlock pcm;
        int bits;
        std::size_t start;
    };
    const Case cases[] = {
        { "no samples", nullptr, 16, 0 },
        { "8-bit samples", ramp(10), 8, 0 },
        { "a start at the end", ramp(10), 16, 10 },
        { "a start past the end", ramp(10), 16, 11 },
    };
    for (const Case& c : cases)
        EXPECT_FALSE(audio_stream_start(c.pcm, 16000, 1, c.bits, c.start)) << c.what;
    EXPECT_TRUE(capture.bytes().empty());
}

TEST(PlaybackStream, StoppingAnEndedStreamIsHarmless)
{
    AlsaCapture capture;
    AudioStreamPtr stream = audio_stream_start(ramp(10), 16000, 1, 16);
    ASSERT_TRUE(stream);
    wait_for_end(*stream);
    audio_stream_stop(*stream);
    audio_stream_stop(*stream);
    EXPECT_TRUE(audio_stream_status(*stream).ended);
    EXPECT_EQ(capture.bytes().size(), 20u);
}

} // namespace
