// Blocking playback of one PCM buffer through ALSA's "default" device,
// which reaches PulseAudio or PipeWire on a desktop through ALSA's plugins.
// This file is the only code in the program that talks to ALSA.
//
// The device is opened non-blocking, so a busy device is an error at once,
// and samples are handed over with a time limit: a device that stops taking
// them must not hang the window. Each call opens the device, plays, drains
// and closes it.
#include "audio/playback.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

// Latency asked of the device; short, so that the end of a word is heard
// soon after the last sample is handed over.
constexpr unsigned LATENCY_US = 100000;
// How much longer than the sound itself handing over the samples may take
// before the call gives up.
constexpr auto GRACE = std::chrono::seconds(3);
constexpr int WAIT_MS = 100;

// ALSA prints its own diagnostics to stderr (for a missing card, an
// unknown device name); the caller already gets the error code, and a
// machine without sound is normal, so they are dropped.
void quiet_alsa_errors(const char*, int, const char*, int, const char*, ...) {}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmPtr = std::unique_ptr<snd_pcm_t, PcmCloser>;

// Hands every frame to the device, continuing partial writes and
// recovering from underruns. 0, or the error that ended the attempt.
int write_all(snd_pcm_t* pcm, const std::uint8_t* data, snd_pcm_uframes_t frames, std::size_t frame_bytes,
              Clock::time_point deadline)
{
    while (frames > 0) {
        // Checked on every round: a device that keeps taking a few frames
        // at a time, or keeps underrunning and recovering, must not hold
        // the caller any longer than one that takes nothing.
        if (Clock::now() > deadline)
            return -ETIMEDOUT;
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, data, frames);
        if (n == -EAGAIN || n == 0) {
            snd_pcm_wait(pcm, WAIT_MS);
            continue;
        }
        if (n < 0) {
            const int err = snd_pcm_recover(pcm, int(n), 1);
            if (err < 0)
                return err;
            continue;
        }
        data += std::size_t(n) * frame_bytes;
        frames -= snd_pcm_uframes_t(n);
    }
    return 0;
}

// Waits until everything handed over has been played. Draining is done in
// blocking mode, as ALSA's own tools do it: in non-blocking mode the plugins
// of the sound servers only report the end of the drain to a caller that
// keeps polling them in a plugin-specific way. A blocking drain still ends:
// sound card drivers give up on a stalled stream, and the servers' plugins
// report a lost connection as an error.
int drain(snd_pcm_t* pcm)
{
    const int err = snd_pcm_nonblock(pcm, 0);
    return err < 0 ? err : snd_pcm_drain(pcm);
}

} // namespace

int audio_play(const std::uint8_t* pcm, std::size_t len, int sample_rate, int channels, int bits_per_sample)
{
    if (bits_per_sample != 16 || channels <= 0 || sample_rate <= 0)
        return -EINVAL;
    const std::size_t frame_bytes = std::size_t(channels) * 2;
    const std::size_t frames = len / frame_bytes;
    if (frames == 0 || !pcm)
        return 0;

    snd_lib_error_set_handler(quiet_alsa_errors);
    snd_pcm_t* raw = nullptr;
    int err = snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0)
        return err;
    PcmPtr device(raw);
    err = snd_pcm_set_params(raw, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(channels),
                             unsigned(sample_rate), 1, LATENCY_US);
    if (err < 0)
        return err;

    const auto duration = std::chrono::microseconds(std::uint64_t(frames) * 1000000u / unsigned(sample_rate));
    const auto deadline = Clock::now() + duration + GRACE;
    err = write_all(raw, pcm, snd_pcm_uframes_t(frames), frame_bytes, deadline);
    if (err == 0)
        err = drain(raw);
    if (err < 0) {
        snd_pcm_drop(raw);
        return err;
    }
    return snd_pcm_close(device.release());
}
