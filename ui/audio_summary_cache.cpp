// The cache of word-audio summaries (audio_summary_cache.h): a map from an
// audio value's bytes (where they are and how many) to the summary, with
// the oldest entries dropped once it holds AUDIO_SUMMARY_CACHE_LIMIT.
#include "ui/audio_summary_cache.h"

#include "audio/adpcm.h"

#include <list>
#include <map>
#include <utility>

namespace {

// Comfortably more than a database's words, so scrolling through them
// and their phrases never computes one twice.
constexpr std::size_t AUDIO_SUMMARY_CACHE_LIMIT = 8192;

using Key = std::pair<const std::uint8_t*, std::size_t>;

struct Entry {
    AudioBytes audio; // keeps the bytes, and so the key, alive
    int sample_rate = 0;
    PcmSummaryPtr summary;
    std::list<Key>::iterator age;
};

struct Cache {
    std::map<Key, Entry> entries;
    std::list<Key> ages; // least recently used first
    std::size_t computed = 0;
};

Cache cache;

} // namespace

PcmSummaryPtr audio_summary(const AudioBytes& audio, int sample_rate)
{
    const Key key { audio.data(), audio.size() };
    auto found = cache.entries.find(key);
    if (found != cache.entries.end() && found->second.sample_rate == sample_rate) {
        cache.ages.splice(cache.ages.end(), cache.ages, found->second.age);
        return found->second.summary;
    }
    if (found != cache.entries.end()) {
        cache.ages.erase(found->second.age);
        cache.entries.erase(found);
    }
    const std::vector<std::uint8_t> pcm = adpcm_decode(audio.data(), audio.size());
    auto summary = std::make_shared<const PcmSummary>(pcm_summarize(pcm, sample_rate));
    ++cache.computed;
    if (cache.entries.size() >= AUDIO_SUMMARY_CACHE_LIMIT) {
        cache.entries.erase(cache.ages.front());
        cache.ages.pop_front();
    }
    cache.ages.push_back(key);
    cache.entries.emplace(key, Entry { audio, sample_rate, summary, std::prev(cache.ages.end()) });
    return summary;
}

void audio_summary_cache_clear()
{
    cache.entries.clear();
    cache.ages.clear();
}

std::size_t audio_summary_cache_computed()
{
    return cache.computed;
}
