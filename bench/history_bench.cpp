// The undo history on the large benchmark database (64 MiB: 20,000 words,
// 1,000,000 phrase references): the memory 10,000 edits of every kind add,
// history included (target: under 16 MiB), and the time to undo and redo
// all of them.
#include "db/history.h"
#include "db/operations.h"
#include "tests/unit/test_db.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <random>
#include <string>

namespace {

constexpr std::uint64_t DB_TARGET = 64ull << 20;
constexpr std::uint32_t WORDS = 20000;
constexpr std::uint32_t PHRASES = 62500;
constexpr std::uint32_t REFS_PER_PHRASE = 16;
constexpr int EDITS = 10000;

SpeechDbPtr large_db()
{
    const std::uint64_t tables = 48 + 4ull * PHRASES + 4ull * PHRASES * REFS_PER_PHRASE + 4ull * WORDS + 8;
    const std::uint64_t audio = DB_TARGET - tables;
    return make_generated_db(DB_FORMAT_MODERN, WORDS,
        [audio](std::uint32_t i) { return std::size_t(audio * (i + 1) / WORDS - audio * i / WORDS); }, PHRASES,
        REFS_PER_PHRASE, 42);
}

// Bytes the allocator has handed out and not got back.
std::size_t heap_in_use()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// EDITS edits, every kind in turn, with the arguments a user's session
// might have. A replaced recording is new audio of a word's usual size
// (3.3 KB): the history keeps the old one for undo, the word the new one.
void make_edits(SpeechDb* db, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    const auto any = [&](std::uint32_t n) { return std::uint32_t(rng() % n); };
    const std::size_t audio_size = DB_TARGET / WORDS;
    for (int i = 0; i < EDITS; ++i) {
        const std::uint32_t p = any(PHRASES);
        const std::uint32_t w = any(word_count(db) - 1);
        switch (i % 16) {
        case 0: phrase_set_word(db, p, any(REFS_PER_PHRASE), w); break;
        case 1: phrase_move_word_up(db, p, 1); break;
        case 2: phrase_insert_word(db, p, 0); break;
        case 3: phrase_remove_word(db, p, 0); break;
        case 4: phrase_set_comment(db, p, ("comment on phrase " + std::to_string(p)).c_str()); break;
        case 5: phrase_revert(db, p); break;
        case 6: word_set_alias(db, w, ("alias_" + std::to_string(i)).c_str()); break;
        case 7: word_move_down(db, w); break;
        case 8: word_insert(db, w); break;
        // The word just added: no phrase speaks it.
        case 9: word_remove(db, w + 1 < word_count(db) ? w + 1 : w); break;
        case 10: {
            std::vector<std::uint8_t> fresh(audio_size);
            for (auto& b : fresh)
                b = std::uint8_t(rng());
            word_set_audio(db, w, AudioBytes(std::move(fresh)));
            break;
        }
        case 11: word_revert_audio(db, any(word_count(db))); break;
        case 12: db_set_language_code(db, i % 32 ? "ENG" : "DEU"); break;
        case 13: db_set_flags(db, i & 0xFF); break;
        case 14: phrase_set_word(db, p, 0, w); break;
        case 15: phrase_move_word_down(db, p, 0); break;
        }
    }
}

void BM_UndoRedoAll(benchmark::State& state)
{
    SpeechDbPtr db = large_db();
    make_edits(db.get(), 1);
    for (auto _ : state) {
        while (history_undo(db.get())) {
        }
        while (history_redo(db.get())) {
        }
    }
    state.counters["steps"] = double(history_undo_count(db.get()));
}
BENCHMARK(BM_UndoRedoAll)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    SpeechDbPtr db = large_db();
    const std::size_t before = heap_in_use();
    make_edits(db.get(), 2);
    const std::size_t after = heap_in_use();
    const double added = double(after - before) / (1 << 20);
    std::printf("\n%d edits (%zu undoable steps) on a %u-word, %u-phrase database added %.2f MiB "
                "(%.0f bytes per edit; target < 16 MiB)\n",
                EDITS, history_undo_count(db.get()), WORDS, PHRASES, added, double(after - before) / EDITS);
    return 0;
}
