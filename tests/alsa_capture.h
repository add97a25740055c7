// Test helper: points ALSA's "default" device at a file instead of a sound
// card, so tests can check the exact bytes that a play sent out. Usable
// from the unit and the GUI tests; header-only.
//
// ALSA reads ALSA_CONFIG_PATH again whenever the list of configuration
// files changes, and every capture writes its configuration into a folder
// of its own, so captures in one process do not see each other's device.
// The "file" device passes the samples to a "null" device, which plays
// without waiting in real time.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

struct AlsaCapture {
    enum Mode {
        CAPTURE_LAST, // the output file holds the samples of the last play
        CAPTURE_ALL,  // every play is appended, in order
        NO_DEVICE,    // the default device names a sound card that does not exist
    };

    std::string dir;
    std::string output;
    std::string config;

    explicit AlsaCapture(Mode mode = CAPTURE_LAST)
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tembrel-alsa-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        dir = tmpl;
        output = dir + "/out.raw";
        config = dir + "/asound.conf";
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
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    AlsaCapture(const AlsaCapture&) = delete;
    AlsaCapture& operator=(const AlsaCapture&) = delete;

    // The bytes that reached the device; empty when nothing was played.
    std::vector<std::uint8_t> bytes() const
    {
        std::ifstream in(output, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    bool had_previous = false;
    std::string previous;
};
