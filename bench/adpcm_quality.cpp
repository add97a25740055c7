// How close the plain and the searching ADPCM encoders come to their input,
// and how fast: for each WAV file named on the command line (16000 Hz mono
// 16-bit) and for a sine sweep, white noise and a clipped loud passage made
// here, the segmental SNR (20 ms frames above -50 dBFS), the overall SNR
// and the encoding speed in times real time (one core's CPU time) of the
// plain encoder, the search at its default width and at wider ones.
//   bench_adpcm_quality [--widths=16,32,64] FILE.wav...
// Exits 1 when the search is worse than the plain encoder anywhere.
#include "audio/adpcm.h"
#include "audio/adpcm_best.h"
#include "audio/wav.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int RATE = 16000;
constexpr std::size_t FRAME = RATE / 50; // 20 ms
const double FRAME_FLOOR = 32768.0 * std::pow(10.0, -50.0 / 20.0);

using Samples = std::vector<std::int16_t>;

struct Input {
    std::string name;
    Samples samples;
};

struct Score {
    double segmental = 0; // dB
    double overall = 0; // dB
    double realtime = 0; // seconds of audio per second of CPU time
};

std::vector<std::uint8_t> bytes_of(const Samples& s)
{
    std::vector<std::uint8_t> out(s.size() * 2);
    for (std::size_t k = 0; k < s.size(); ++k) {
        out[2 * k] = std::uint8_t(std::uint16_t(s[k]));
        out[2 * k + 1] = std::uint8_t(std::uint16_t(s[k]) >> 8);
    }
    return out;
}

double cpu_seconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Against the original 16-bit input, over the samples the encoders code.
Score score(const Samples& in, const std::vector<std::uint8_t>& codes, double seconds)
{
    const std::vector<std::uint8_t> pcm = adpcm_decode(codes.data(), codes.size());
    const std::size_t n = std::min(in.size(), pcm.size() / 2);
    double signal = 0, noise = 0, frames_db = 0;
    int frames = 0;
    for (std::size_t f = 0; f + FRAME <= n; f += FRAME) {
        double fs = 0, fn = 0;
        for (std::size_t k = f; k < f + FRAME; ++k) {
            const double x = in[k];
            const double y = std::int16_t(std::uint16_t(pcm[2 * k] | pcm[2 * k + 1] << 8));
            fs += x * x;
            fn += (x - y) * (x - y);
        }
        signal += fs;
        noise += fn;
        if (std::sqrt(fs / FRAME) > FRAME_FLOOR) {
            frames_db += 10 * std::log10(fs / std::max(fn, 1e-9));
            ++frames;
        }
    }
    Score s;
    s.segmental = frames ? frames_db / frames : 0;
    s.overall = 10 * std::log10(signal / std::max(noise, 1e-9));
    s.realtime = double(in.size()) / RATE / seconds;
    return s;
}

template <typename Encode> Score run(const Samples& in, Encode encode)
{
    const std::vector<std::uint8_t> pcm = bytes_of(in);
    const double t0 = cpu_seconds();
    const std::vector<std::uint8_t> codes = encode(pcm);
    return score(in, codes, cpu_seconds() - t0);
}

std::int16_t clip(double v) { return std::int16_t(std::lround(std::clamp(v, -32768.0, 32767.0))); }

// 5 s from 50 Hz to 7.5 kHz, exponentially, at -6 dBFS.
Samples sweep()
{
    Samples out(5 * RATE);
    const double f0 = 50, f1 = 7500, len = double(out.size()) / RATE, k = std::log(f1 / f0) / len;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / RATE;
        out[i] = clip(16384 * std::sin(2 * M_PI * f0 * (std::exp(k * t) - 1) / k));
    }
    return out;
}

// 5 s of Gaussian white noise at -12 dBFS RMS.
Samples white_noise()
{
    std::mt19937 rng(1);
    std::normal_distribution<double> g(0.0, 8192.0);
    Samples out(5 * RATE);
    for (auto& s : out)
        s = clip(g(rng));
    return out;
}

// The first input 12 dB louder, clipped at full scale.
Samples clipped(const Samples& speech)
{
    Samples out(speech.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = clip(4.0 * speech[i]);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> widths = {ADPCM_BEST_WIDTH, 32, 64};
    std::vector<Input> inputs;
    for (int a = 1; a < argc; ++a) {
        if (std::strncmp(argv[a], "--widths=", 9) == 0) {
            widths.clear();
            std::string list = argv[a] + 9;
            for (std::size_t at = 0; at < list.size(); at = list.find(',', at) + 1) {
                widths.push_back(std::atoi(list.c_str() + at));
                if (list.find(',', at) == std::string::npos)
                    break;
            }
            continue;
        }
        ErrorText err;
        auto pcm = wav_read(argv[a], 1, RATE, 1, 16, &err);
        if (!pcm) {
            std::fprintf(stderr, "%s: %s\n", argv[a], err.text);
            return 2;
        }
        Samples s(pcm->size() / 2);
        for (std::size_t k = 0; k < s.size(); ++k)
            s[k] = std::int16_t(std::uint16_t((*pcm)[2 * k] | (*pcm)[2 * k + 1] << 8));
        std::string name = argv[a];
        name = name.substr(name.find_last_of('/') + 1);
        inputs.push_back({name.substr(0, name.rfind('.')), s});
    }
    if (!inputs.empty())
        inputs.push_back({"clipped " + inputs[0].name, clipped(inputs[0].samples)});
    inputs.push_back({"sine sweep", sweep()});
    inputs.push_back({"white noise", white_noise()});

    std::printf("Segmental SNR (20 ms frames above -50 dBFS) / overall SNR in dB, and speed in times real time\n"
                "(CPU time of one core). Gains are the search's over the plain encoder.\n\n");
    std::printf("%-22s %6s | %-22s", "input", "sec", "plain seg/all  x rt");
    for (int w : widths)
        std::printf(" | %-32s", ("width " + std::to_string(w) + ": seg/all  gain  x rt").c_str());
    std::printf("\n");

    bool worse = false;
    for (const Input& in : inputs) {
        const Score plain =
            run(in.samples, [](const std::vector<std::uint8_t>& pcm) { return adpcm_encode(pcm.data(), pcm.size()); });
        std::printf("%-22s %6.1f | %5.2f/%5.2f %9.0f", in.name.c_str(), double(in.samples.size()) / RATE,
            plain.segmental, plain.overall, plain.realtime);
        for (int w : widths) {
            const Score best = run(in.samples,
                [w](const std::vector<std::uint8_t>& pcm) { return adpcm_encode_best(pcm.data(), pcm.size(), w); });
            const double gain = best.segmental - plain.segmental;
            std::printf(" | %5.2f/%5.2f %+5.2f dB %7.1f    ", best.segmental, best.overall, gain, best.realtime);
            worse |= gain < 0 || best.overall < plain.overall;
        }
        std::printf("\n");
    }
    if (worse)
        std::printf("\nFAILED: the search is worse than the plain encoder on some input.\n");
    return worse ? 1 : 0;
}
