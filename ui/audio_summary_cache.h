// The summaries (outline, length, level) of word audio, each computed once
// per audio value and kept for as long as the cache holds it. An audio
// value never changes in place (db/audio_bytes.h): new audio is a new
// value, so a value's bytes identify it. The cache keeps a copy of every
// value it holds, so those bytes cannot be freed and reused for another
// value while it remembers them.
#pragma once

#include "audio/pcm_summary.h"
#include "db/audio_bytes.h"

#include <cstddef>
#include <memory>

using PcmSummaryPtr = std::shared_ptr<const PcmSummary>;

// The summary of `audio` (ADPCM bytes, decoded at `sample_rate`), from the
// cache or computed now.
PcmSummaryPtr audio_summary(const AudioBytes& audio, int sample_rate);

// Forgets every summary (and lets go of the audio values): the pages call
// it when they are handed another database.
void audio_summary_cache_clear();

// How many summaries were computed since the program started, for tests
// and benchmarks that check the cache is used.
std::size_t audio_summary_cache_computed();
