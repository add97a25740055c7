// Open + Save Audio of a large modern file (64 MiB: 20,000 words, 1,000,000
// phrase references), timed against `cp` of the same file in the same run,
// and the peak memory of one load and save in a fresh process.
//
// Run with `--load-save IN OUT` the program only loads IN and saves it as
// OUT; the benchmark runs itself that way to measure peak memory.
#include "db/csf.h"
#include "db/load.h"
#include "tests/unit/test_db.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t FILE_TARGET = 64ull << 20;
constexpr int WORDS = 20000;
constexpr int PHRASES = 62500;
constexpr int REFS_PER_PHRASE = 16; // 62,500 x 16 = 1,000,000 references

// The generated file, in a temporary folder removed at exit, with the
// audio sized so the whole image comes to 64 MiB.
struct Files {
    TempDir dir;
    std::string input = dir.file("in.csf");
    std::uint64_t size = 0;

    Files()
    {
        const std::uint64_t tables = 48 + 4ull * PHRASES + 4ull * PHRASES * REFS_PER_PHRASE + 4ull * WORDS + 8;
        const std::uint64_t audio = FILE_TARGET - tables;
        const auto audio_size = [audio](std::uint32_t i) {
            return std::size_t(audio * (i + 1) / WORDS - audio * i / WORDS);
        };
        SpeechDbPtr db = make_generated_db(DB_FORMAT_MODERN, WORDS, audio_size, PHRASES, REFS_PER_PHRASE, 42);
        ErrorText err;
        if (!csf_save(db.get(), input.c_str(), &err)) {
            std::fprintf(stderr, "%s\n", err.text);
            std::abort();
        }
        size = std::filesystem::file_size(input);
    }
};

Files& files()
{
    static Files f;
    return f;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU seconds (user + system) used so far by this process, or by its
// finished children (the `cp` runs).
double cpu_seconds(int who)
{
    rusage u {};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Per-iteration times of the paired benchmark below, in seconds: elapsed,
// and CPU time, which a busy machine distorts less.
std::vector<double> copy_times;
std::vector<double> load_save_times;
std::vector<double> copy_cpu;
std::vector<double> load_save_cpu;

// Each iteration copies the file with `cp` and then opens it and saves it
// under a new name (read, parse, build, write), timing both, so that the
// load of a shared machine weighs on both alike. The reported time is the
// load and save; freeing the database belongs to the next Open and is not
// timed.
void BM_CopyThenLoadSave(benchmark::State& state)
{
    const Files& f = files();
    const std::string copy = f.dir.file("copy.csf");
    const std::string saved = f.dir.file("saved.csf");
    const std::string cmd = "cp '" + f.input + "' '" + copy + "'";
    for (auto _ : state) {
        std::remove(copy.c_str());
        std::remove(saved.c_str());
        auto start = std::chrono::steady_clock::now();
        double cpu = cpu_seconds(RUSAGE_CHILDREN);
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
        copy_times.push_back(seconds_since(start));
        copy_cpu.push_back(cpu_seconds(RUSAGE_CHILDREN) - cpu);

        start = std::chrono::steady_clock::now();
        cpu = cpu_seconds(RUSAGE_SELF);
        ErrorText err;
        SpeechDbPtr db = db_load_file(f.input.c_str(), &err);
        if (!db || !csf_save(db.get(), saved.c_str(), &err)) {
            state.SkipWithError(err);
            copy_times.pop_back();
            copy_cpu.pop_back();
            break;
        }
        const double t = seconds_since(start);
        load_save_times.push_back(t);
        load_save_cpu.push_back(cpu_seconds(RUSAGE_SELF) - cpu);
        state.SetIterationTime(t);
        db.reset();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.size));
}
BENCHMARK(BM_CopyThenLoadSave)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);

// The same save over an existing file: the replacement is flushed to disk
// before it takes the old file's place, so this one waits for the disk.
void BM_LoadSaveOverExisting(benchmark::State& state)
{
    const Files& f = files();
    const std::string out = f.dir.file("saved.csf");
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ErrorText err;
        SpeechDbPtr db = db_load_file(f.input.c_str(), &err);
        if (!db || !csf_save(db.get(), out.c_str(), &err)) {
            state.SkipWithError(err);
            break;
        }
        state.SetIterationTime(seconds_since(start));
        db.reset();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.size));
}
BENCHMARK(BM_LoadSaveOverExisting)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Peak resident memory, in bytes, of one load and save in a new process.
// Peak resident memory, in bytes, of one load and save in a new process,
// as that process reports it after the save. (The rusage of a forked child
// would also count the pages it shared with this process before exec.)
long peak_memory_of_load_save(const char* self)
{
    const Files& f = files();
    const std::string cmd = std::string(self) + " --load-save '" + f.input + "' '" + f.dir.file("peak.csf") + "'";
    FILE* child = ::popen(cmd.c_str(), "r");
    if (!child)
        return -1;
    long kib = -1;
    if (std::fscanf(child, "VmHWM: %ld", &kib) != 1)
        kib = -1;
    return ::pclose(child) == 0 && kib > 0 ? kib * 1024L : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--load-save") == 0) {
        ErrorText err;
        SpeechDbPtr db = db_load_file(argv[2], &err);
        if (!db || !csf_save(db.get(), argv[3], &err)) {
            std::fprintf(stderr, "%s\n", err.text);
            return 1;
        }
        // The high-water mark of this process's resident memory.
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmHWM:", 0) == 0)
                std::printf("%s\n", line.c_str());
        return 0;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    const Files& f = files();
    std::printf("\nfile: %.1f MiB, %d words, %d phrase references\n", double(f.size) / (1 << 20), WORDS,
                PHRASES * REFS_PER_PHRASE);
    if (!copy_times.empty() && copy_times.size() == load_save_times.size()) {
        std::vector<double> ratios;
        for (std::size_t i = 0; i < copy_times.size(); ++i)
            ratios.push_back(load_save_times[i] / copy_times[i]);
        const double best_cp = *std::min_element(copy_times.begin(), copy_times.end());
        const double best_ls = *std::min_element(load_save_times.begin(), load_save_times.end());
        std::printf("median of %zu pairs: cp %.1f ms, load + save %.1f ms, ratio %.2f (target < 3)\n",
                    copy_times.size(), median(copy_times) * 1e3, median(load_save_times) * 1e3, median(ratios));
        std::printf("best of each: cp %.1f ms, load + save %.1f ms, ratio %.2f\n", best_cp * 1e3, best_ls * 1e3,
                    best_ls / best_cp);
        std::printf("median CPU time: cp %.1f ms, load + save %.1f ms, ratio %.2f\n", median(copy_cpu) * 1e3,
                    median(load_save_cpu) * 1e3, median(load_save_cpu) / median(copy_cpu));
    }
    const long peak = peak_memory_of_load_save(std::filesystem::read_symlink("/proc/self/exe").c_str());
    if (peak > 0)
        std::printf("peak memory of load + save: %.1f MiB = %.2f x the file size (target < 3.5)\n",
                    double(peak) / (1 << 20), double(peak) / double(f.size));
    else
        std::printf("peak memory: measurement failed\n");

    return 0;
}
