// Codec speed on ten minutes of 16 kHz audio (9.6 million samples): the
// fast buffer functions, the plain per-nibble coders for comparison, and
// the searching encoder at its default and a wider width (one run each:
// the time is that of ten minutes of audio). Reported as samples per
// second ("items_per_second") and, for the search, times real time.
#include "audio/adpcm.h"
#include "audio/adpcm_best.h"
#include "audio/adpcm_reference.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::size_t SAMPLES = 16000 * 600;

// Speech-like PCM: a few drifting tones under a syllable-rate envelope,
// with noise and pauses, loud enough to reach both limits now and then.
const std::vector<std::uint8_t>& speech_pcm()
{
    static const std::vector<std::uint8_t> pcm = [] {
        std::vector<std::uint8_t> out(SAMPLES * 2);
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0.0, 600.0);
        for (std::size_t k = 0; k < SAMPLES; ++k) {
            const double t = double(k) / 16000.0;
            const double env = std::max(0.0, std::sin(2 * M_PI * 4.0 * t)) * (0.6 + 0.4 * std::sin(2 * M_PI * 0.3 * t));
            double v = env * (14000 * std::sin(2 * M_PI * (180 + 40 * std::sin(t)) * t) +
                              9000 * std::sin(2 * M_PI * 720 * t) + 5000 * std::sin(2 * M_PI * 2500 * t)) +
                       noise(rng);
            v = std::clamp(v * 1.3, -32768.0, 32767.0);
            const auto s = std::uint16_t(std::int16_t(v));
            out[2 * k] = std::uint8_t(s);
            out[2 * k + 1] = std::uint8_t(s >> 8);
        }
        return out;
    }();
    return pcm;
}

const std::vector<std::uint8_t>& speech_adpcm()
{
    static const std::vector<std::uint8_t> enc = adpcm_encode_reference(speech_pcm().data(), speech_pcm().size());
    return enc;
}

const std::vector<std::uint8_t>& random_adpcm()
{
    static const std::vector<std::uint8_t> enc = [] {
        std::vector<std::uint8_t> out(SAMPLES / 2);
        std::mt19937 rng(11);
        for (auto& b : out)
            b = std::uint8_t(rng());
        return out;
    }();
    return enc;
}

template <auto Fn> void decode(benchmark::State& state, const std::vector<std::uint8_t>& in)
{
    for (auto _ : state) {
        auto out = Fn(in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(in.size() * 2));
}

template <auto Fn> void encode(benchmark::State& state)
{
    const auto& in = speech_pcm();
    for (auto _ : state) {
        auto out = Fn(in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(in.size() / 2));
}

template <int Width> void encode_best(benchmark::State& state)
{
    const auto& in = speech_pcm();
    for (auto _ : state) {
        auto out = adpcm_encode_best(in.data(), in.size(), Width);
        benchmark::DoNotOptimize(out.data());
    }
    const double samples = double(state.iterations()) * double(in.size() / 2);
    state.SetItemsProcessed(std::int64_t(samples));
    state.counters["x_real_time"] = benchmark::Counter(samples / 16000.0, benchmark::Counter::kIsRate);
}

void BM_adpcm_decode_speech(benchmark::State& s) { decode<adpcm_decode>(s, speech_adpcm()); }
void BM_adpcm_decode_random(benchmark::State& s) { decode<adpcm_decode>(s, random_adpcm()); }
void BM_adpcm_encode_speech(benchmark::State& s) { encode<adpcm_encode>(s); }
void BM_reference_decode_speech(benchmark::State& s) { decode<adpcm_decode_reference>(s, speech_adpcm()); }
void BM_reference_encode_speech(benchmark::State& s) { encode<adpcm_encode_reference>(s); }

} // namespace

BENCHMARK(BM_adpcm_decode_speech)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_adpcm_decode_random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_adpcm_encode_speech)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_reference_decode_speech)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_reference_encode_speech)->Unit(benchmark::kMillisecond);
BENCHMARK(encode_best<ADPCM_BEST_WIDTH>)->Name("BM_adpcm_encode_best_speech")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(encode_best<32>)->Name("BM_adpcm_encode_best_wide32_speech")->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
