// Parsing typed word references: a word number or an alias.
#include "db/word_ref.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

// ASCII digits only, whatever the locale says.
bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

WordRef parse_word_ref(const char* text, char* alias_out, std::size_t alias_size, long long* number_out)
{
    if (!text)
        return WordRef::Invalid;
    std::string work(text);
    const char* blanks = " \t\n\v\f\r";
    std::size_t first = work.find_first_not_of(blanks);
    if (first == std::string::npos)
        return WordRef::Invalid;
    work = work.substr(first, work.find_last_not_of(blanks) - first + 1);

    // "#6" is the number as the Phrases page shows it; a lone "#" or one
    // followed by letters reads as neither, so it never becomes an alias
    // that would look like a number.
    if (work[0] == '#') {
        work.erase(0, 1);
        if (work.empty() || !is_digit(work[0]))
            return WordRef::Invalid;
    }
    if (!is_digit(work[0])) {
        for (char& c : work)
            if (c == ' ')
                c = '_';
        if (alias_out && alias_size > 0) {
            // Cut to fit, always terminated.
            const std::size_t n = std::min(work.size(), alias_size - 1);
            std::memcpy(alias_out, work.data(), n);
            alias_out[n] = '\0';
        }
        return WordRef::Alias;
    }
    // Beyond the 32-bit range every caller rejects the number anyway, so
    // it saturates there instead of overflowing.
    long long value = 0;
    for (char c : work) {
        if (!is_digit(c))
            return WordRef::Invalid;
        value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
    }
    if (number_out)
        *number_out = value;
    return WordRef::Number;
}
