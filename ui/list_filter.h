// The filters over the Phrases and Words lists: what the user types into a
// page's filter entry, split at blanks into terms, and the rows (phrase or
// word numbers, ascending) that match every term. Free of the toolkit, so
// the benchmark and the tests can run it on its own.
//
// Phrases: "#23" or "w:23" (phrases that use word 23); any other term is a
// text, matched case-insensitively as a part of the phrase's comment or of
// the alias of one of its words.
// Words: a number ("12", "#12", "w:12": that word), "unused" (no phrase
// uses it), "changed" (its recording was replaced); any other term is a
// part of the alias.
#pragma once

#include "db/speech_db.h"

#include <cstdint>
#include <string>
#include <vector>

enum class FilterTermKind {
    Text, // `text`, case-folded
    Word, // `word`, 0-based; WORD_NONE for a number no word can have
    Unused,
    Changed,
};

struct FilterTerm {
    FilterTermKind kind = FilterTermKind::Text;
    std::string text;
    std::uint32_t word = 0;
};

// No terms: every row is shown.
struct ListFilter {
    std::vector<FilterTerm> terms;
};

ListFilter phrase_filter_parse(const char* text);
ListFilter word_filter_parse(const char* text);

std::vector<std::uint32_t> phrase_filter_rows(const SpeechDb* db, const ListFilter& filter);
std::vector<std::uint32_t> word_filter_rows(const SpeechDb* db, const ListFilter& filter);

// `n` with its digits grouped in threes by the locale's separator (a comma
// where the locale has none): 65535 gives "65,535".
std::string list_filter_group_digits(std::uint32_t n);
