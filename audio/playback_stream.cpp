// Playback from a worker thread through ALSA's "default" device.
//
// The worker opens the device non-blocking and sleeps in poll() on the
// device's descriptors plus an eventfd of its own, so that a stop wakes it
// at once wherever it waits. It writes whatever room the device has, then,
// with everything handed over, waits for the device's delay to run out
// instead of draining: a drain cannot be interrupted, and the last
// buffer's worth of sound must still stop at once when asked. A stop drops
// the buffered samples, so the sound ends as soon as the device notices.
//
// The caller's thread only reads atomics and, to stop, wakes and joins the
// worker; it never waits on the device itself.
#include "audio/playback_stream.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Latency asked of the device: it bounds how far ahead the samples are
// handed over, and so how much a stop has to throw away.
constexpr unsigned LATENCY_US = 100000;
// How much longer than the sound itself the worker may take before it
// gives up on a device that stopped taking samples.
constexpr auto GRACE = std::chrono::seconds(3);
// How often the position is read while the device plays out its buffer.
constexpr int TAIL_POLL_MS = 10;
// Longest wait for room in the buffer before looking again.
constexpr int WRITE_POLL_MS = 100;

void quiet_alsa_errors(const char*, int, const char*, int, const char*, ...) {}

struct Device {
    snd_pcm_t* pcm = nullptr;
    ~Device()
    {
        if (pcm)
            snd_pcm_close(pcm);
    }
};

} // namespace

struct AudioStream {
    PcmBlock pcm;
    int sample_rate = 0;
    int channels = 0;
    std::size_t start_frame = 0;

    std::atomic<std::size_t> played { 0 };
    std::atomic<bool> ended { false };
    std::atomic<int> error { 0 };
    std::atomic<bool> stop_asked { false };
    int wake_fd = -1;
    std::thread worker;
    std::once_flag joined;

    ~AudioStream()
    {
        if (wake_fd >= 0)
            close(wake_fd);
    }
};

namespace {

std::size_t frame_bytes(const AudioStream& s)
{
    return std::size_t(s.channels) * 2;
}

void note_position(AudioStream& s, snd_pcm_t* pcm, std::size_t written)
{
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm, &delay) < 0 || delay < 0)
        delay = 0;
    const std::size_t behind = std::min<std::size_t>(std::size_t(delay), written - s.start_frame);
    s.played.store(written - behind);
}

// Waits for room in the device's buffer (`with_device`) or only for the
// tail's poll interval; either way a stop request wakes it.
void wait(AudioStream& s, snd_pcm_t* pcm, bool with_device)
{
    std::vector<pollfd> fds;
    if (with_device) {
        const int n = snd_pcm_poll_descriptors_count(pcm);
        if (n > 0) {
            fds.resize(std::size_t(n));
            if (snd_pcm_poll_descriptors(pcm, fds.data(), unsigned(n)) < 0)
                fds.clear();
        }
    }
    fds.push_back({ s.wake_fd, POLLIN, 0 });
    poll(fds.data(), fds.size(), with_device ? WRITE_POLL_MS : TAIL_POLL_MS);
}

// The samples still to sound once everything is handed over: false when
// the device has played them all (or can no longer say).
bool still_sounding(snd_pcm_t* pcm)
{
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (state == SND_PCM_STATE_PREPARED)
        snd_pcm_start(pcm); // a sound shorter than the start threshold
    else if (state != SND_PCM_STATE_RUNNING && state != SND_PCM_STATE_DRAINING)
        return false;
    snd_pcm_sframes_t delay = 0;
    return snd_pcm_delay(pcm, &delay) == 0 && delay > 0;
}

int play(AudioStream& s, snd_pcm_t* pcm)
{
    const std::size_t bytes = frame_bytes(s);
    const std::size_t total = s.pcm->size() / bytes;
    const auto duration
        = std::chrono::microseconds(std::uint64_t(total - s.start_frame) * 1000000u / unsigned(s.sample_rate));
    const auto deadline = Clock::now() + duration + GRACE;
    std::size_t written = s.start_frame;
    while (!s.stop_asked.load()) {
        // Checked on every round: a device that keeps taking a few frames
        // at a time must not keep the worker any longer than one that
        // takes nothing.
        if (Clock::now() > deadline)
            return -ETIMEDOUT;
        if (written == total) {
            if (!still_sounding(pcm))
                return 0;
            note_position(s, pcm, written);
            wait(s, pcm, false);
            continue;
        }
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, s.pcm->data() + written * bytes, total - written);
        if (n == -EAGAIN || n == 0) {
            wait(s, pcm, true);
        } else if (n < 0) {
            const int err = snd_pcm_recover(pcm, int(n), 1);
            if (err < 0)
                return err;
        } else {
            written += std::size_t(n);
        }
        note_position(s, pcm, written);
    }
    return 0;
}

void run(AudioStream& s)
{
    Device device;
    int err = snd_pcm_open(&device.pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err >= 0)
        err = snd_pcm_set_params(device.pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
            unsigned(s.channels), unsigned(s.sample_rate), 1, LATENCY_US);
    if (err >= 0)
        err = play(s, device.pcm);
    if (device.pcm) {
        // Whatever the device still holds is thrown away, never drained:
        // after a stop that is the point, after the end there is nothing.
        snd_pcm_drop(device.pcm);
        const bool finished = err == 0 && !s.stop_asked.load();
        if (finished)
            s.played.store(s.pcm->size() / frame_bytes(s));
    }
    s.error.store(err < 0 ? err : 0);
    s.ended.store(true);
}

void join(AudioStream& s)
{
    std::call_once(s.joined, [&s] {
        if (s.worker.joinable())
            s.worker.join();
    });
}

} // namespace

void AudioStreamDeleter::operator()(AudioStream* stream) const
{
    if (!stream)
        return;
    audio_stream_stop(*stream);
    delete stream;
}

AudioStreamPtr audio_stream_start(PcmBlock pcm, int sample_rate, int channels, int bits_per_sample,
    std::size_t start_frame)
{
    if (!pcm || bits_per_sample != 16 || channels <= 0 || sample_rate <= 0)
        return nullptr;
    if (start_frame >= pcm->size() / (std::size_t(channels) * 2))
        return nullptr;
    AudioStreamPtr stream(new AudioStream);
    stream->pcm = std::move(pcm);
    stream->sample_rate = sample_rate;
    stream->channels = channels;
    stream->start_frame = start_frame;
    stream->played.store(start_frame);
    stream->wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // Set here, on the caller's thread: the handler is process-wide. ALSA
    // prints its own diagnostics for a missing card; the error code says
    // enough, and a machine without sound is normal.
    snd_lib_error_set_handler(quiet_alsa_errors);
    AudioStream* s = stream.get();
    stream->worker = std::thread([s] { run(*s); });
    return stream;
}

AudioStreamStatus audio_stream_status(const AudioStream& stream)
{
    AudioStreamStatus status;
    // `ended` first: once it is set, the position and error are final.
    status.ended = stream.ended.load();
    status.played_frames = stream.played.load();
    status.error = stream.error.load();
    return status;
}

void audio_stream_stop(AudioStream& stream)
{
    stream.stop_asked.store(true);
    if (stream.wake_fd >= 0) {
        const std::uint64_t one = 1;
        ssize_t ignored = write(stream.wake_fd, &one, sizeof one);
        (void)ignored;
    }
    join(stream);
}
