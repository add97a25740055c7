// Parsing what a user typed as a reference to a word: a word number or an
// alias. No toolkit here, so the editor and tembrel-tool can share it.
#pragma once

#include <cstddef>

enum class WordRef {
    Invalid,
    Alias,
    Number,
};

// Classifies typed text as a word number or an alias (trimmed, blanks
// turned into "_"). A number may be written with a leading "#" ("#6"), the
// way the Phrases page shows words that have no alias; "#" followed by
// anything but digits is no reference at all. `alias_out` receives at most
// `alias_size` bytes.
WordRef parse_word_ref(const char* text, char* alias_out, std::size_t alias_size, long long* number_out);
