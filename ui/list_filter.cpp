// Matching phrases and words against the terms of a filter. A keystroke
// filters up to 65,535 phrases, so the work per phrase is kept small: the
// aliases are matched once per word up front, a phrase then only looks its
// words up, and comments in plain ASCII (nearly all) are searched without
// building a folded copy.
#include "ui/list_filter.h"

#include "db/operations.h"
#include "io/i18n.h"
#include "db/word_ref.h"

#include <algorithm>
#include <clocale>
#include <cstring>
#include <glib.h>
#include <memory>

namespace {

struct GFreeDeleter {
    void operator()(char* p) const { g_free(p); }
};
using FoldedText = std::unique_ptr<char, GFreeDeleter>;

bool is_ascii(const char* text)
{
    for (const char* c = text; *c; ++c)
        if (static_cast<unsigned char>(*c) >= 0x80)
            return false;
    return true;
}

// Case-folded copy; text that is not UTF-8 (it may come from a project
// file) is made valid first.
std::string fold(const char* text)
{
    if (is_ascii(text)) {
        std::string out(text);
        for (char& c : out)
            c = g_ascii_tolower(c);
        return out;
    }
    FoldedText valid(g_utf8_validate(text, -1, nullptr) ? g_strdup(text) : g_utf8_make_valid(text, -1));
    FoldedText folded(g_utf8_casefold(valid.get(), -1));
    return folded.get();
}

// ASCII lower case by table: the search below runs over every comment on
// every keystroke, where a call per character shows.
struct LowerTable {
    unsigned char to[256];
    constexpr LowerTable()
        : to()
    {
        for (int c = 0; c < 256; ++c)
            to[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
};
constexpr LowerTable LOWER;

// Whether `haystack` holds `needle` (already folded), ignoring case. Text
// beyond ASCII is folded first; ASCII text is compared as it is.
bool contains_folded(const char* haystack, const std::string& needle)
{
    if (!haystack)
        return false;
    const auto* h = reinterpret_cast<const unsigned char*>(haystack);
    const auto* n = reinterpret_cast<const unsigned char*>(needle.c_str());
    const std::size_t size = needle.size();
    for (; *h; ++h) {
        if (*h >= 0x80)
            return fold(haystack).find(needle) != std::string::npos;
        if (LOWER.to[*h] != n[0])
            continue;
        std::size_t k = 1;
        while (k < size && h[k] && h[k] < 0x80 && LOWER.to[h[k]] == n[k])
            ++k;
        if (k == size)
            return true;
    }
    return false;
}

// "w:23" (either letter case) and "#23" name a word; so does a bare number
// where `bare_numbers`. A number no word can have names WORD_NONE.
bool word_term(const std::string& term, bool bare_numbers, std::uint32_t& word)
{
    std::string rest = term;
    if (rest.size() > 2 && (rest[0] == 'w' || rest[0] == 'W') && rest[1] == ':')
        rest.replace(0, 2, 1, '#'); // in place: "#" + substr trips a false GCC 12 -Wrestrict at -O3
    else if (!bare_numbers && rest[0] != '#')
        return false;
    long long n = 0;
    if (parse_word_ref(rest.c_str(), nullptr, 0, &n) != WordRef::Number)
        return false;
    word = n >= 1 && n <= 0xFFFFFFFELL ? std::uint32_t(n - 1) : WORD_NONE;
    return true;
}

// Splits at ASCII blanks; `classify` turns each piece into a term.
template <typename Classify>
ListFilter parse(const char* text, Classify classify)
{
    ListFilter filter;
    if (!text)
        return filter;
    GStrv pieces = g_strsplit_set(text, " \t\n\r\f\v", -1);
    for (GStrv p = pieces; *p; ++p)
        if (**p)
            filter.terms.push_back(classify(std::string(*p)));
    g_strfreev(pieces);
    return filter;
}

FilterTerm text_term(const std::string& piece)
{
    return { FilterTermKind::Text, fold(piece.c_str()), 0 };
}

// Per text term, which words' aliases hold it.
std::vector<std::vector<bool>> alias_matches(const SpeechDb* db, const ListFilter& filter)
{
    const std::uint32_t words = word_count(db);
    std::vector<std::vector<bool>> matches;
    for (const FilterTerm& term : filter.terms) {
        matches.emplace_back();
        if (term.kind != FilterTermKind::Text)
            continue;
        std::vector<bool>& m = matches.back();
        m.assign(words, false);
        for (std::uint32_t w = 0; w < words; ++w)
            m[w] = contains_folded(word_alias(db, w), term.text);
    }
    return matches;
}

// Whether the phrase speaks a word the `aliases` mark (or, without them,
// word `word`). Reads the phrase's references directly: a call per
// position adds up over 65,535 phrases.
bool phrase_uses(const PhraseEntry& phrase, const std::vector<bool>* aliases, std::uint32_t word)
{
    for (const WordEntry* entry : phrase.words) {
        if (!entry)
            continue;
        const std::uint32_t n = entry->number;
        if (aliases ? n < aliases->size() && (*aliases)[n] : n == word)
            return true;
    }
    return false;
}

} // namespace

ListFilter phrase_filter_parse(const char* text)
{
    return parse(text, [](const std::string& piece) {
        FilterTerm term;
        if (word_term(piece, false, term.word))
            term.kind = FilterTermKind::Word;
        else
            term = text_term(piece);
        return term;
    });
}

ListFilter word_filter_parse(const char* text)
{
    return parse(text, [](const std::string& piece) {
        FilterTerm term;
        const std::string folded = fold(piece.c_str());
        // The keywords in English always work, and in the user's language.
        if (folded == "unused" || folded == fold(_("unused")))
            term.kind = FilterTermKind::Unused;
        else if (folded == "changed" || folded == fold(_("changed")))
            term.kind = FilterTermKind::Changed;
        else if (word_term(piece, true, term.word))
            term.kind = FilterTermKind::Word;
        else
            term = text_term(piece);
        return term;
    });
}

std::vector<std::uint32_t> phrase_filter_rows(const SpeechDb* db, const ListFilter& filter)
{
    std::vector<std::uint32_t> rows;
    const std::uint32_t count = db ? phrase_count(db) : 0;
    const std::vector<std::vector<bool>> aliases = alias_matches(db, filter);
    for (std::uint32_t p = 0; p < count; ++p) {
        const PhraseEntry& phrase = *db_phrase(db, p);
        const char* comment = phrase.comment ? phrase.comment->c_str() : nullptr;
        bool match = true;
        for (std::size_t t = 0; t < filter.terms.size() && match; ++t) {
            const FilterTerm& term = filter.terms[t];
            if (term.kind == FilterTermKind::Word)
                match = phrase_uses(phrase, nullptr, term.word);
            else if (term.kind == FilterTermKind::Text)
                match = contains_folded(comment, term.text) || phrase_uses(phrase, &aliases[t], WORD_NONE);
        }
        if (match)
            rows.push_back(p);
    }
    return rows;
}

std::vector<std::uint32_t> word_filter_rows(const SpeechDb* db, const ListFilter& filter)
{
    std::vector<std::uint32_t> rows;
    const std::uint32_t count = db ? word_count(db) : 0;
    for (std::uint32_t w = 0; w < count; ++w) {
        const bool match = std::all_of(filter.terms.begin(), filter.terms.end(), [&](const FilterTerm& term) {
            switch (term.kind) {
            case FilterTermKind::Word:
                return term.word == w;
            case FilterTermKind::Unused:
                return word_usage(db, w).empty();
            case FilterTermKind::Changed:
                return word_is_changed(db, w);
            case FilterTermKind::Text:
                break;
            }
            return contains_folded(word_alias(db, w), term.text);
        });
        if (match)
            rows.push_back(w);
    }
    return rows;
}

std::string list_filter_group_digits(std::uint32_t n)
{
    const char* sep = std::localeconv()->thousands_sep;
    const std::string separator = sep && *sep ? sep : ",";
    std::string digits = std::to_string(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(std::size_t(i), separator);
    return digits;
}
