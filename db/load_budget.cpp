// The memory budget of a load: entry costs taken from the model's own
// types, so the estimate follows the model when it changes.
#include "db/load_budget.h"

#include "db/csf_phrase_table.h"

#include <algorithm>
#include <span>

namespace {

// A heap block's bookkeeping and rounding, per allocation.
constexpr std::uint64_t HEAP_BLOCK = 16;
// The entry, its slot in the word list, the parser's table of words by
// number, and the writer's piece pointing at its audio.
constexpr std::uint64_t WORD_COST =
    sizeof(WordEntry) + HEAP_BLOCK + 2 * sizeof(void*) + sizeof(std::span<const std::uint8_t>);
// The entry, its slot and the heap blocks of its two word lists.
constexpr std::uint64_t PHRASE_COST = sizeof(PhraseEntry) + 3 * HEAP_BLOCK + sizeof(void*);
// Held in the current and the loaded list, and once more in a usage list
// or a listing's index of who uses which word.
constexpr std::uint64_t REF_COST = 2 * sizeof(WordEntry*) + 2 * sizeof(std::uint32_t);

} // namespace

std::uint64_t csf_load_cost(const std::uint8_t* image, std::size_t size, const CsfLayout& layout,
                            std::uint32_t words)
{
    std::uint64_t cost = std::uint64_t(words) * WORD_COST + size;
    const std::span<const std::uint8_t> bytes(image, size);
    // A phrase table outside the image is refused before any phrase is made.
    const std::optional<std::uint32_t> n = csf_phrase_count(bytes, layout);
    for (std::uint32_t p = 0; n && p < *n; ++p) {
        const std::uint64_t refs = std::min<std::uint64_t>(csf_phrase_span(bytes, layout, p).count, PHRASE_MAX_WORDS);
        cost += PHRASE_COST + refs * REF_COST;
    }
    return cost;
}

bool csf_load_fits(std::uint64_t cost, std::size_t size)
{
    return cost <= LOAD_BUDGET_FACTOR * std::uint64_t(size) + LOAD_BUDGET_EXTRA;
}
