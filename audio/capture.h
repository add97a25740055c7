// Recording from the default capture device without holding up the
// caller: a worker thread reads 16-bit mono samples a period at a time and
// keeps them; the caller reads how much has been recorded and how loud the
// latest period was, then finishes (keeping the samples) or drops the
// recording. The editor records words through this.
#pragma once

#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The longest recording kept; the capture ends by itself there. A word
// is a short clip, and a device that delivers samples faster than real
// time (a file standing in for a microphone) must not fill the memory.
constexpr double AUDIO_CAPTURE_MAX_SECONDS = 60;

struct AudioCapture;

struct AudioCaptureStatus {
    // Frames recorded so far.
    std::size_t frames = 0;
    // The largest magnitude of a sample in the latest period, 0 .. 32768.
    int level = 0;
    // The capture has ended by itself: the longest recording is reached,
    // or the device failed (then `error` is its negative error).
    bool ended = false;
    int error = 0;
};

// Dropping a capture ends it and discards what it recorded.
struct AudioCaptureDeleter {
    void operator()(AudioCapture* capture) const;
};
using AudioCapturePtr = std::unique_ptr<AudioCapture, AudioCaptureDeleter>;

// Opens the default capture device for 16-bit mono at `sample_rate` and
// starts recording. Null, with the device's complaint in `err`, when the
// device cannot be opened or does not take that format.
AudioCapturePtr audio_capture_start(int sample_rate, ErrorText* err);

AudioCaptureStatus audio_capture_status(const AudioCapture& capture);

// Ends the recording and hands over everything recorded, as 16-bit
// little-endian samples.
std::vector<std::uint8_t> audio_capture_finish(AudioCapture& capture);
