// Parsing typed word references: a word number or an alias.
#include "ui/word_ref.h"

#include <algorithm>
#include <climits>
#include <glib.h>
#include <string>

WordRef parse_word_ref(const char* text, char* alias_out, std::size_t alias_size, long long* number_out)
{
    if (!text)
        return WORD_REF_INVALID;
    std::string work(text);
    const char* blanks = " \t\n\v\f\r";
    std::size_t first = work.find_first_not_of(blanks);
    if (first == std::string::npos)
        return WORD_REF_INVALID;
    work = work.substr(first, work.find_last_not_of(blanks) - first + 1);

    if (!g_ascii_isdigit(work[0])) {
        for (char& c : work)
            if (c == ' ')
                c = '_';
        if (alias_out && alias_size > 0)
            g_strlcpy(alias_out, work.c_str(), alias_size);
        return WORD_REF_ALIAS;
    }
    // Beyond the 32-bit range every caller rejects the number anyway, so
    // it saturates there instead of overflowing.
    long long value = 0;
    for (char c : work) {
        if (!g_ascii_isdigit(c))
            return WORD_REF_INVALID;
        value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
    }
    if (number_out)
        *number_out = value;
    return WORD_REF_NUMBER;
}
