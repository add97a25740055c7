// Usage lists: for every word, the phrases whose current lists speak it.
// They are rebuilt from the phrases whenever a phrase edit has made them
// stale and somebody asks, so no caller has to remember to rebuild them.
#include "db/operations.h"

#include <vector>

namespace {

// A large database holds millions of references, so this runs in two
// passes: the first counts each word's references and notes the number
// behind every reference in a flat array; then every list is sized once to
// its content and the second pass fills it from that array, without
// growing lists or chasing references again.
void rebuild(const SpeechDb* db)
{
    const std::uint32_t words = word_count(db);
    const std::uint32_t phrases = phrase_count(db);
    std::size_t total = 0;
    for (std::uint32_t p = 0; p < phrases; ++p)
        total += db_phrase(db, p)->words.size();
    std::vector<std::uint32_t> uses(words, 0);
    std::vector<std::uint32_t> numbers(total);
    std::uint32_t* out = numbers.data();
    for (std::uint32_t p = 0; p < phrases; ++p) {
        for (const WordEntry* w : db_phrase(db, p)->words) {
            *out++ = w->number;
            uses[w->number]++;
        }
    }
    std::vector<std::uint32_t*> cursor(words, nullptr);
    for (std::uint32_t i = 0; i < words; ++i) {
        std::vector<std::uint32_t>& usage = db_word(db, i)->usage;
        // Exactly as long as its content: a fresh vector, unless the old one
        // already has that size, never one with room to spare.
        if (usage.capacity() == uses[i])
            usage.resize(uses[i]);
        else
            usage = std::vector<std::uint32_t>(uses[i]);
        cursor[i] = usage.data();
    }
    const std::uint32_t* in = numbers.data();
    for (std::uint32_t p = 0; p < phrases; ++p)
        for (std::size_t k = db_phrase(db, p)->words.size(); k > 0; --k)
            *cursor[*in++]++ = p;
    db->usage_built_for = db->phrase_edits;
}

} // namespace

std::span<const std::uint32_t> word_usage(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = db_word(db, word);
    if (!w)
        return {};
    if (db->usage_built_for != db->phrase_edits)
        rebuild(db);
    return w->usage;
}
