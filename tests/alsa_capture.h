// Test helper: points ALSA's "default" device at a file instead of a sound
// card, so tests can check the exact bytes that a play sent out. Usable
// from every test program that links the shared helpers of test_db.h.
//
// ALSA reads ALSA_CONFIG_PATH again whenever the list of configuration
// files changes, and every capture writes its configuration into a folder
// of its own, so captures in one process do not see each other's device.
// The "file" device passes the samples to a "null" device, which plays
// without waiting in real time.
#pragma once

#include "tests/unit/test_db.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

struct AlsaCapture {
    enum Mode {
        CAPTURE_LAST, // the output file holds the samples of the last play
        CAPTURE_ALL,  // every play is appended, in order
        NO_DEVICE,    // the default device names a sound card that does not exist
    };

    TempDir dir;
    std::string output = dir.file("out.raw");
    std::string config = dir.file("asound.conf");

    // The configuration is also handed down through the environment, so
    // programs this process starts play into the same capture.
    explicit AlsaCapture(Mode mode = CAPTURE_LAST)
    {
        std::ofstream conf(config);
        if (mode == NO_DEVICE) {
            conf << "pcm.!default { type hw; card 63; device 0 }\n";
        } else {
            const std::string target = mode == CAPTURE_ALL ? "| cat >> '" + output + "'" : output;
            conf << "pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \"" << target
                 << "\"\n  format \"raw\"\n}\n";
        }
        conf.close();
        if (const char* old = std::getenv("ALSA_CONFIG_PATH")) {
            had_previous = true;
            previous = old;
        }
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }

    ~AlsaCapture()
    {
        if (had_previous)
            setenv("ALSA_CONFIG_PATH", previous.c_str(), 1);
        else
            unsetenv("ALSA_CONFIG_PATH");
    }

    AlsaCapture(const AlsaCapture&) = delete;
    AlsaCapture& operator=(const AlsaCapture&) = delete;

    // The bytes that reached the device; empty when nothing was played.
    std::vector<std::uint8_t> bytes() const { return read_bytes(output); }

    // The same, once at least `at_least` bytes arrived or `timeout_ms`
    // passed. In CAPTURE_ALL mode the bytes pass through a `cat` of the
    // device's own, which may still be writing when the play has ended.
    std::vector<std::uint8_t> bytes(std::size_t at_least, int timeout_ms = 2000) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        std::vector<std::uint8_t> got = bytes();
        while (got.size() < at_least && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            got = bytes();
        }
        return got;
    }

    // Forgets what was played so far.
    void clear() const { std::remove(output.c_str()); }

private:
    bool had_previous = false;
    std::string previous;
};
