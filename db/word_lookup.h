// Finding a word by its alias, shared by the alias edit (which must keep
// aliases unique) and by setting a phrase position from a typed alias.
#pragma once

#include "db/speech_db.h"

#include <cstdint>

// Passed as `skip` when no word is to be left out of the search.
constexpr std::uint32_t WORD_NONE = 0xFFFFFFFFu;

// The lowest number of a word other than `skip` whose alias equals `text`
// byte for byte (letter case matters), or -1 when there is none.
//
// A plain scan in number order. It takes some 50 microseconds over 20,000
// aliased words, so no index is kept: nothing else (the project loader,
// word moves, inserts, removals) has to keep one in step.
std::int32_t word_find_alias(const SpeechDb* db, const char* text, std::uint32_t skip);
