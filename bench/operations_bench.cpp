// Speed of the operations that touch every phrase or every word: building
// the usage lists of a large modern database, and the alias edit and
// lookup on a database where every word has an alias.
#include "db/operations.h"
#include "tests/unit/test_db.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// A modern database with `words` words of a few audio bytes and `phrases`
// phrases of `refs` random references each.
static SpeechDbPtr bench_db(int words, int phrases, int refs)
{
    return make_generated_db(DB_FORMAT_MODERN, std::uint32_t(words), [](std::uint32_t) { return std::size_t(8); },
                             std::uint32_t(phrases), std::uint32_t(refs));
}

// Aliases shaped like what users type: a street-word and its number.
static std::string bench_alias(int i)
{
    return "word_" + std::to_string(i);
}

// Counting a phrase edit makes every list stale, so the next word_usage
// rebuilds them all: the cost of the first look after an edit.
static void BM_WordBuildUsage(benchmark::State& state)
{
    SpeechDbPtr db = bench_db(2000, 65535, PHRASE_MAX_WORDS);
    for (auto _ : state) {
        db->phrase_edits++;
        benchmark::DoNotOptimize(word_usage(db.get(), 0).data());
    }
}
BENCHMARK(BM_WordBuildUsage)->Unit(benchmark::kMillisecond);

// Inserting a word and removing it again on the large database: the
// removal looks through every phrase's current and saved list.
static void BM_WordInsertRemove(benchmark::State& state)
{
    SpeechDbPtr db = bench_db(2000, 65535, PHRASE_MAX_WORDS);
    for (auto _ : state) {
        word_insert(db.get(), 0);
        benchmark::DoNotOptimize(word_remove(db.get(), 1));
    }
}
BENCHMARK(BM_WordInsertRemove)->Unit(benchmark::kMillisecond);

static SpeechDbPtr aliased_db(int words)
{
    SpeechDbPtr db = bench_db(words, 16, 4);
    for (int i = 0; i < words; ++i)
        word_set_alias(db.get(), std::uint32_t(i), bench_alias(i).c_str());
    return db;
}

// Re-setting the last word's alias compares it with every other word.
static void BM_WordSetAliasLast(benchmark::State& state)
{
    const int words = int(state.range(0));
    SpeechDbPtr db = aliased_db(words);
    const std::string alias = bench_alias(words - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(word_set_alias(db.get(), std::uint32_t(words - 1), alias.c_str()));
}
BENCHMARK(BM_WordSetAliasLast)->Arg(20000)->Unit(benchmark::kMicrosecond);

// Alternating two fresh aliases on a middle word: each call is a full
// uniqueness search followed by a real change.
static void BM_WordSetAliasChange(benchmark::State& state)
{
    const int words = int(state.range(0));
    SpeechDbPtr db = aliased_db(words);
    const std::string a = "fresh_a", b = "fresh_b";
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(word_set_alias(db.get(), std::uint32_t(words / 2), (flip ? a : b).c_str()));
    }
}
BENCHMARK(BM_WordSetAliasChange)->Arg(20000)->Unit(benchmark::kMicrosecond);

// Looking up the highest-numbered alias walks the whole word list.
static void BM_PhraseSetWordByAliasLast(benchmark::State& state)
{
    const int words = int(state.range(0));
    SpeechDbPtr db = aliased_db(words);
    const std::string alias = bench_alias(words - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(phrase_set_word_by_alias(db.get(), 0, 0, alias.c_str()));
}
BENCHMARK(BM_PhraseSetWordByAliasLast)->Arg(20000)->Unit(benchmark::kMicrosecond);

// An alias no word has: the worst case of the lookup.
static void BM_PhraseSetWordByAliasMissing(benchmark::State& state)
{
    const int words = int(state.range(0));
    SpeechDbPtr db = aliased_db(words);
    for (auto _ : state)
        benchmark::DoNotOptimize(phrase_set_word_by_alias(db.get(), 0, 0, "no_such_word"));
}
BENCHMARK(BM_PhraseSetWordByAliasMissing)->Arg(20000)->Unit(benchmark::kMicrosecond);

// The same lookup with the caches emptied before each call, as after the
// user has spent a while elsewhere in the program.
static void BM_PhraseSetWordByAliasMissingCold(benchmark::State& state)
{
    const int words = int(state.range(0));
    SpeechDbPtr db = aliased_db(words);
    std::vector<std::uint8_t> flush(std::size_t(64) << 20, 1);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < flush.size(); i += 64)
            flush[i]++;
        benchmark::ClobberMemory();
        state.ResumeTiming();
        benchmark::DoNotOptimize(phrase_set_word_by_alias(db.get(), 0, 0, "no_such_word"));
    }
}
BENCHMARK(BM_PhraseSetWordByAliasMissingCold)->Arg(20000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
