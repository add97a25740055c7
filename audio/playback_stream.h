// Playback that never holds up its caller: a worker thread hands the
// samples to the default output device one period at a time, and the
// caller reads how far the sound has got and whether it has ended, or drops
// it. The editor plays through this; the blocking audio_play() stays for
// the command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// PCM bytes shared between the caller and the worker, never changed.
using PcmBlock = std::shared_ptr<const std::vector<std::uint8_t>>;

struct AudioStream;

// What the caller may read of a running stream at any time.
struct AudioStreamStatus {
    // Frames of the whole buffer that have sounded, counted from its start
    // (so a stream started at frame f reports at least f).
    std::size_t played_frames = 0;
    // The sound has ended: played out, dropped or failed.
    bool ended = false;
    // 0, or the negative error of the device (open failures included).
    int error = 0;
};

// Dropping a stream stops it (see audio_stream_stop).
struct AudioStreamDeleter {
    void operator()(AudioStream* stream) const;
};
using AudioStreamPtr = std::unique_ptr<AudioStream, AudioStreamDeleter>;

// Starts sounding `pcm` (16-bit little-endian, interleaved) from frame
// `start_frame` and returns at once. Null for a format other than 16-bit
// or a start at or past the end; a device that cannot be opened gives a
// stream that has ended with its error.
AudioStreamPtr audio_stream_start(PcmBlock pcm, int sample_rate, int channels, int bits_per_sample,
    std::size_t start_frame = 0);

AudioStreamStatus audio_stream_status(const AudioStream& stream);

// Ends the sound now, dropping whatever the device still holds rather than
// letting it play out, and returns once the device is closed. Nothing when
// the stream has already ended.
void audio_stream_stop(AudioStream& stream);
