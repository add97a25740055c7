// The worker pool of a batch import. Workers take the next file index
// from a shared counter and write only their own result slot; the calling
// thread waits, reports progress and can stop the workers between files.
#include "audio/import_batch.h"

#include "io/i18n.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace {

constexpr auto PROGRESS_INTERVAL = std::chrono::milliseconds(30);

struct Shared {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable wake;
    std::size_t done = 0; // guarded by mutex
};

void work(const std::vector<std::string>& paths, const ImportOptions& options, std::vector<BatchResult>& results,
          Shared& shared)
{
    for (;;) {
        if (shared.stop.load())
            return;
        const std::size_t i = shared.next.fetch_add(1);
        if (i >= paths.size())
            return;
        ErrorText err;
        try {
            results[i].word = audio_import_file(paths[i].c_str(), options, &err);
            if (!results[i].word)
                results[i].error = err.text;
        } catch (const std::bad_alloc&) {
            // A worker's exception would end the program: running out of
            // memory fails this file, and with it the batch, instead.
            results[i].word.reset();
            results[i].error = _("Out of memory");
        }
        std::lock_guard lock(shared.mutex);
        ++shared.done;
        shared.wake.notify_one();
    }
}

} // namespace

unsigned import_batch_threads() { return std::max(1u, std::thread::hardware_concurrency()); }

std::optional<std::vector<BatchResult>> audio_import_batch(const std::vector<std::string>& paths,
                                                           const ImportOptions& options, unsigned threads,
                                                           const BatchProgress& progress)
{
    std::vector<BatchResult> results(paths.size());
    Shared shared;
    const unsigned count = std::max(1u, std::min<unsigned>(threads ? threads : import_batch_threads(),
                                                           unsigned(std::max<std::size_t>(paths.size(), 1))));
    std::vector<std::jthread> workers;
    workers.reserve(count);
    for (unsigned t = 0; t < count; ++t)
        workers.emplace_back([&] { work(paths, options, results, shared); });

    bool cancelled = false;
    for (;;) {
        std::size_t done = 0;
        {
            std::unique_lock lock(shared.mutex);
            shared.wake.wait_for(lock, PROGRESS_INTERVAL, [&] { return shared.done == paths.size(); });
            done = shared.done;
        }
        if (progress && !progress(done, paths.size())) {
            cancelled = true;
            shared.stop.store(true);
            break;
        }
        if (done == paths.size())
            break;
    }
    workers.clear(); // joins
    if (cancelled)
        return std::nullopt;
    return results;
}
