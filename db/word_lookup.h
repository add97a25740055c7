// Finding a word by its alias, shared by the alias edit (which must keep
// aliases unique), by setting a phrase position from a typed alias and by
// matching import files to words.
#pragma once

#include "db/speech_db.h"

#include <cstdint>

// The lowest number of a word other than `skip` (WORD_NONE leaves none
// out) whose alias equals `text` byte for byte (letter case matters), or
// WORD_NONE when there is none.
//
// A plain scan in number order. It takes some 50 microseconds over 20,000
// aliased words, so no index is kept: nothing else (the project loader,
// word moves, inserts, removals) has to keep one in step.
std::uint32_t word_find_alias(const SpeechDb* db, const char* text, std::uint32_t skip);
