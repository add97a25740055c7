// Preparing many words at once: each file is read, converted and encoded
// on a small pool of threads, since words are independent, and the
// results come back in the order of the files so the caller can commit
// them in order.
#pragma once

#include "audio/audio_import.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct BatchResult {
    std::optional<ImportedWord> word; // nothing when the file failed
    std::string error;                // why it failed
};

// Called on the calling thread every few milliseconds and once at the
// end with the number of files done; returning false cancels the batch.
using BatchProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The number of worker threads a batch uses by default: one per core.
unsigned import_batch_threads();

// One result per path, in the order of `paths`; nothing when cancelled.
// `threads` 0 means import_batch_threads().
std::optional<std::vector<BatchResult>> audio_import_batch(const std::vector<std::string>& paths,
                                                           const ImportOptions& options, unsigned threads,
                                                           const BatchProgress& progress);
