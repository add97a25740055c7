// Playback through ALSA with the default device pointed at a file: the
// bytes that reached the device must be exactly the buffer given, plays
// must follow one another, and a missing device or a rate the device
// refuses must give an error at once.
#include "audio/playback.h"

#include "tests/alsa_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

std::vector<std::uint8_t> random_pcm(std::size_t len, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(len);
    for (auto& b : v)
        b = std::uint8_t(rng());
    return v;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs `fn` with the process's stderr sent to a file; returns what arrived.
template <class Fn> std::string stderr_of(Fn fn)
{
    char path[] = "/tmp/tembrel-stderr-XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(fd, 2);
    fn();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text(4096, '\0');
    const ssize_t n = pread(fd, text.data(), text.size(), 0);
    text.resize(n > 0 ? std::size_t(n) : 0);
    close(fd);
    unlink(path);
    return text;
}

} // namespace

TEST(AudioPlay, DeviceReceivesExactlyTheBuffer)
{
    // Lengths around the device's period and buffer sizes, so that partial
    // writes and the final short period are exercised.
    for (std::size_t len : {2u, 640u, 3202u, 32000u, 64002u}) {
        AlsaCapture capture;
        const auto pcm = random_pcm(len, unsigned(len));
        EXPECT_EQ(audio_play(pcm.data(), pcm.size(), 16000, 1, 16), 0) << len;
        EXPECT_EQ(capture.bytes(), pcm) << len;
    }
}

TEST(AudioPlay, StereoFramesAndTrailingPartialFrame)
{
    AlsaCapture capture;
    const auto pcm = random_pcm(4003, 9); // 1000 stereo frames and 3 stray bytes
    EXPECT_EQ(audio_play(pcm.data(), pcm.size(), 16000, 2, 16), 0);
    EXPECT_EQ(capture.bytes(), std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + 4000));
}

TEST(AudioPlay, ConsecutivePlaysArriveInOrder)
{
    AlsaCapture capture(AlsaCapture::CAPTURE_ALL);
    const auto first = random_pcm(3000, 1), second = random_pcm(5000, 2);
    ASSERT_EQ(audio_play(first.data(), first.size(), 16000, 1, 16), 0);
    ASSERT_EQ(audio_play(second.data(), second.size(), 16000, 1, 16), 0);
    auto expect = first;
    expect.insert(expect.end(), second.begin(), second.end());
    EXPECT_EQ(capture.bytes(), expect);
}

TEST(AudioPlay, EachCaptureSeesOnlyItsOwnDevice)
{
    const auto a = random_pcm(1000, 3), b = random_pcm(1200, 4);
    std::vector<std::uint8_t> got_a;
    {
        AlsaCapture capture;
        ASSERT_EQ(audio_play(a.data(), a.size(), 16000, 1, 16), 0);
        got_a = capture.bytes();
    }
    AlsaCapture capture;
    ASSERT_EQ(audio_play(b.data(), b.size(), 16000, 1, 16), 0);
    EXPECT_EQ(got_a, a);
    EXPECT_EQ(capture.bytes(), b);
}

TEST(AudioPlay, MissingDeviceFailsAtOnce)
{
    const auto pcm = random_pcm(32000, 5); // one second of sound
    {
        AlsaCapture capture(AlsaCapture::NO_DEVICE);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_LT(audio_play(pcm.data(), pcm.size(), 16000, 1, 16), 0);
        EXPECT_LT(seconds_since(start), 0.5); // no waiting for the sound's length
    }
    {
        // A device name the configuration does not define at all.
        // ALSA's own complaint about it stays off the terminal.
        AlsaCapture capture;
        std::ofstream(capture.config) << "pcm.other { type null }\n";
        int result = 0;
        EXPECT_EQ(stderr_of([&] { result = audio_play(pcm.data(), pcm.size(), 16000, 1, 16); }), "");
        EXPECT_LT(result, 0);
        EXPECT_TRUE(capture.bytes().empty());
    }
    // A working device again afterwards.
    AlsaCapture capture;
    EXPECT_EQ(audio_play(pcm.data(), 64, 16000, 1, 16), 0);
    EXPECT_EQ(capture.bytes(), std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + 64));
}

TEST(AudioPlay, RefusesFormatsItCannotPlayWithoutTouchingTheDevice)
{
    AlsaCapture capture;
    const auto pcm = random_pcm(100, 6);
    EXPECT_LT(audio_play(pcm.data(), pcm.size(), 16000, 1, 8), 0);
    EXPECT_LT(audio_play(pcm.data(), pcm.size(), 0, 1, 16), 0);
    EXPECT_LT(audio_play(pcm.data(), pcm.size(), 16000, 0, 16), 0);
    EXPECT_TRUE(capture.bytes().empty());
    // Nothing to play is not an error.
    EXPECT_EQ(audio_play(pcm.data(), 0, 16000, 1, 16), 0);
    EXPECT_EQ(audio_play(pcm.data(), 1, 16000, 1, 16), 0);
}

TEST(UnusualFiles, RateTheDeviceRefusesIsAnErrorAndPlaysNothing)
{
    AlsaCapture capture;
    const std::vector<std::uint8_t> pcm(3200, 0x11);
    EXPECT_EQ(audio_play(pcm.data(), pcm.size(), 2147483647, 1, 16), -EINVAL);
    EXPECT_TRUE(capture.bytes().empty());
    // The device is usable again afterwards.
    EXPECT_EQ(audio_play(pcm.data(), pcm.size(), 16000, 1, 16), 0);
    EXPECT_EQ(capture.bytes(), pcm);
}
