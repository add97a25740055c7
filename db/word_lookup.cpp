// The alias scan behind word_find_alias.
#include "db/word_lookup.h"

#include <cstring>

std::uint32_t word_find_alias(const SpeechDb* db, const char* text, std::uint32_t skip)
{
    const std::size_t len = std::strlen(text);
    const std::uint32_t n = word_count(db);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (i == skip)
            continue;
        const WordEntry* w = db_word(db, i);
        if (w->alias && w->alias->size() == len && std::memcmp(w->alias->data(), text, len) == 0)
            return i;
    }
    return WORD_NONE;
}
