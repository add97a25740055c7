// Test helper: sound paced in real time without a sound card. Starts a
// private PulseAudio daemon whose only output is a null sink at 16 kHz
// mono, points ALSA's "default" device at it, and records the sink's
// monitor, noting when each piece of the recording arrived. The recording
// tells when a sound really stopped coming out, which a file capture
// (AlsaCapture) cannot: its device plays everything at once.
//
// Needs the pulseaudio and parec programs; `ok()` is false (with the
// reason in `why_not()`) when the daemon cannot start, and the tests then
// skip.
#pragma once

#include "tests/unit/test_db.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

class PulseSink {
public:
    using Clock = std::chrono::steady_clock;

    PulseSink();
    ~PulseSink();
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    bool ok() const { return daemon_ > 0; }
    const std::string& why_not() const { return why_not_; }

    // Starts recording the monitor and returns once sound flows through
    // it; false when the recorder could not start.
    bool start_recording();
    // Ends the recording; what was recorded stays readable.
    void stop_recording();

    // The samples recorded so far.
    std::vector<std::int16_t> samples() const;
    // The latest moment by which sample `index` had come out of the sink:
    // the arrival of the piece holding it, less the samples after it in
    // that piece. Recording adds delay of its own, so this is never early.
    Clock::time_point out_by(std::size_t index) const;

private:
    struct Piece {
        std::size_t end; // samples recorded up to the end of this piece
        Clock::time_point arrived;
    };

    void read_recording(int fd);

    TempDir dir_;
    std::string why_not_;
    pid_t daemon_ = -1;
    pid_t recorder_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<std::uint8_t> bytes_;
    std::vector<Piece> pieces_;
    bool had_config_ = false;
    std::string old_config_;
};
