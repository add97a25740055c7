// Batch import with conversion: 2,000 files of one second of 44.1 kHz
// stereo 24-bit audio each, read, mixed down, resampled, dithered, encoded
// and committed into a database of 2,000 words, on one core and on every
// core. Reported as files per second ("items_per_second"); the whole
// batch is one iteration, so the time is that of all 2,000 files.
#include "db/word_import.h"
#include "test_db.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t FILES = 2000;
constexpr int RATE = 44100;

void put(std::vector<std::uint8_t>& v, std::uint32_t x, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        v.push_back(std::uint8_t(x >> (8 * k)));
}

// One second of two tones (a different pair per file) as a 24-bit stereo
// WAV file.
std::vector<std::uint8_t> recording(std::uint32_t n)
{
    std::vector<std::uint8_t> v;
    const std::uint32_t data = RATE * 2 * 3;
    v.insert(v.end(), {'R', 'I', 'F', 'F'});
    put(v, 36 + data, 4);
    v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(v, 16, 4);
    put(v, 1, 2);
    put(v, 2, 2);
    put(v, RATE, 4);
    put(v, RATE * 6, 4);
    put(v, 6, 2);
    put(v, 24, 2);
    v.insert(v.end(), {'d', 'a', 't', 'a'});
    put(v, data, 4);
    const double f1 = 150.0 + n % 400, f2 = 900.0 + n % 1300;
    for (int i = 0; i < RATE; ++i) {
        const double t = double(i) / RATE;
        put(v, std::uint32_t(std::int32_t(3000000 * std::sin(2 * M_PI * f1 * t))), 3);
        put(v, std::uint32_t(std::int32_t(2000000 * std::sin(2 * M_PI * f2 * t))), 3);
    }
    return v;
}

struct Batch {
    TempDir dir;
    std::vector<WordFile> files;
    Batch()
    {
        for (std::uint32_t w = 0; w < FILES; ++w) {
            char name[32];
            std::snprintf(name, sizeof name, "%04u.wav", w + 1);
            files.push_back({w, dir.file(name)});
            write_bytes(files.back().path, recording(w));
        }
    }
};

const Batch& batch()
{
    static const Batch b;
    return b;
}

void BM_BatchImportConverted(benchmark::State& state)
{
    const Batch& b = batch();
    ImportOptions options;
    options.convert = true;
    const auto threads = unsigned(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SpeechDbPtr db = make_db(DB_FORMAT_MODERN, std::vector<std::vector<std::uint8_t>>(FILES, {0}), {{0}});
        state.ResumeTiming();
        BatchOutcome outcome;
        if (!word_import_files(db.get(), b.files, options, threads, nullptr, &outcome)) {
            state.SkipWithError(outcome.failures.empty() ? "cancelled" : outcome.failures[0].c_str());
            return;
        }
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * FILES);
    state.counters["threads"] = threads ? double(threads) : double(import_batch_threads());
}

} // namespace

// 1: one core; 0: one thread per core.
BENCHMARK(BM_BatchImportConverted)->Arg(1)->Arg(0)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
