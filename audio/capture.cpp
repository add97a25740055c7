// Recording through ALSA's "default" capture device on a worker thread.
//
// The device is opened on the caller's thread, so that a missing or
// unwilling device is reported at once, and then handed to the worker. The
// worker reads whatever the device has, sleeping in poll() on the device's
// descriptors plus an eventfd of its own, so that finishing wakes it at
// once. The samples go into one buffer under a mutex; the frame count and
// the latest level are atomics the caller reads freely.
#include "audio/capture.h"

#include "io/i18n.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {

// Latency asked of the device: how often the level meter can move.
constexpr unsigned LATENCY_US = 100000;
// Frames read at most at once.
constexpr std::size_t READ_FRAMES = 1024;
// Longest wait for samples before looking again.
constexpr int READ_POLL_MS = 100;

void quiet_alsa_errors(const char*, int, const char*, int, const char*, ...) {}

} // namespace

struct AudioCapture {
    snd_pcm_t* pcm = nullptr;
    std::size_t max_frames = 0;
    std::atomic<std::size_t> frames { 0 };
    std::atomic<int> level { 0 };
    std::atomic<bool> ended { false };
    std::atomic<int> error { 0 };
    std::atomic<bool> stop_asked { false };
    int wake_fd = -1;
    std::mutex mutex;
    std::vector<std::uint8_t> samples; // under `mutex`
    std::thread worker;

    ~AudioCapture()
    {
        if (pcm)
            snd_pcm_close(pcm);
        if (wake_fd >= 0)
            close(wake_fd);
    }
};

namespace {

void wait_for_samples(AudioCapture& c, bool with_device)
{
    std::vector<pollfd> fds;
    const int n = with_device ? snd_pcm_poll_descriptors_count(c.pcm) : 0;
    if (n > 0) {
        fds.resize(std::size_t(n));
        if (snd_pcm_poll_descriptors(c.pcm, fds.data(), unsigned(n)) < 0)
            fds.clear();
    }
    fds.push_back({ c.wake_fd, POLLIN, 0 });
    poll(fds.data(), fds.size(), with_device ? READ_POLL_MS : 10);
}

void keep(AudioCapture& c, const std::int16_t* frames, std::size_t n)
{
    int level = 0;
    for (std::size_t i = 0; i < n; ++i)
        level = std::max(level, std::abs(int(frames[i])));
    {
        std::lock_guard lock(c.mutex);
        for (std::size_t i = 0; i < n; ++i) {
            // Stored little-endian whatever the machine's order.
            const auto s = std::uint16_t(frames[i]);
            c.samples.push_back(std::uint8_t(s & 0xff));
            c.samples.push_back(std::uint8_t(s >> 8));
        }
    }
    c.level.store(level);
    c.frames.store(c.frames.load() + n);
}

void run(AudioCapture& c)
{
    std::vector<std::int16_t> buffer(READ_FRAMES);
    snd_pcm_start(c.pcm);
    while (!c.stop_asked.load()) {
        const std::size_t room = c.max_frames - c.frames.load();
        if (room == 0)
            break;
        const snd_pcm_sframes_t n = snd_pcm_readi(c.pcm, buffer.data(), std::min(room, buffer.size()));
        if (n == -EAGAIN) {
            wait_for_samples(c, true);
        } else if (n == 0) {
            // Some devices report samples they then do not hand over.
            wait_for_samples(c, false);
        } else if (n < 0) {
            const int err = snd_pcm_recover(c.pcm, int(n), 1);
            if (err < 0) {
                c.error.store(err);
                break;
            }
            snd_pcm_start(c.pcm);
        } else {
            keep(c, buffer.data(), std::size_t(n));
        }
    }
    snd_pcm_drop(c.pcm);
    c.ended.store(true);
}

void end(AudioCapture& c)
{
    c.stop_asked.store(true);
    if (c.wake_fd >= 0) {
        const std::uint64_t one = 1;
        ssize_t ignored = write(c.wake_fd, &one, sizeof one);
        (void)ignored;
    }
    if (c.worker.joinable())
        c.worker.join();
}

} // namespace

void AudioCaptureDeleter::operator()(AudioCapture* capture) const
{
    if (!capture)
        return;
    end(*capture);
    delete capture;
}

AudioCapturePtr audio_capture_start(int sample_rate, ErrorText* err)
{
    if (sample_rate <= 0) {
        error_set(err, _("Unsupported sample rate %d"), sample_rate);
        return nullptr;
    }
    // Set on the caller's thread: the handler is process-wide, and the
    // error code says what ALSA would print.
    snd_lib_error_set_handler(quiet_alsa_errors);
    AudioCapturePtr capture(new AudioCapture);
    int e = snd_pcm_open(&capture->pcm, "default", SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (e < 0)
        capture->pcm = nullptr;
    else
        e = snd_pcm_set_params(capture->pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
            unsigned(sample_rate), 1, LATENCY_US);
    if (e >= 0)
        e = snd_pcm_prepare(capture->pcm);
    if (e < 0) {
        error_set(err, "%s", snd_strerror(e));
        return nullptr;
    }
    capture->max_frames = std::size_t(AUDIO_CAPTURE_MAX_SECONDS * sample_rate);
    capture->wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    AudioCapture* c = capture.get();
    capture->worker = std::thread([c] { run(*c); });
    return capture;
}

AudioCaptureStatus audio_capture_status(const AudioCapture& capture)
{
    AudioCaptureStatus status;
    // `ended` first: once it is set, the count and error are final.
    status.ended = capture.ended.load();
    status.frames = capture.frames.load();
    status.level = capture.level.load();
    status.error = capture.error.load();
    return status;
}

std::vector<std::uint8_t> audio_capture_finish(AudioCapture& capture)
{
    end(capture);
    std::lock_guard lock(capture.mutex);
    return std::move(capture.samples);
}
