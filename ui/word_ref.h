// Parsing what a user typed as a reference to a word: a word number or an
// alias.
#pragma once

#include <cstddef>

enum WordRef {
    WORD_REF_INVALID = 0,
    WORD_REF_ALIAS = 1,
    WORD_REF_NUMBER = 2,
};

// Classifies typed text as a word number or an alias (trimmed, blanks
// turned into "_"). `alias_out` receives at most `alias_size` bytes.
WordRef parse_word_ref(const char* text, char* alias_out, std::size_t alias_size, long long* number_out);
