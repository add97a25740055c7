// tembrel-tool dump: the whole database as JSON on standard output.
//
// The JSON is written as it is produced, entry by entry, so a database of
// millions of entries never has a second, larger copy of itself in memory;
// the layout is the usual two-space indentation with sorted keys.
#include "db/operations.h"
#include "tools/tool_commands.h"
#include "tools/tool_util.h"
#include "io/i18n.h"

#include <cerrno>
#include <cstdio>
#include <glib.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

// Texts come from files of unknown origin: invalid UTF-8 becomes U+FFFD.
std::string json_text(const char* text)
{
    if (!text)
        return "null";
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// An array of 1-based numbers at the given indentation.
void put_numbers(std::FILE* out, const char* indent, const std::uint32_t* first, std::size_t count, bool plus_one)
{
    if (count == 0) {
        std::fputs("[]", out);
        return;
    }
    std::fputs("[\n", out);
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(out, "%s  %u%s\n", indent, first[i] + (plus_one ? 1 : 0), i + 1 < count ? "," : "");
    std::fprintf(out, "%s]", indent);
}

void put_phrases(std::FILE* out, const SpeechDb* db)
{
    const std::uint32_t n = phrase_count(db);
    if (n == 0) {
        std::fputs("  \"phrases\": [],\n", out);
        return;
    }
    std::fputs("  \"phrases\": [\n", out);
    std::vector<std::uint32_t> words;
    for (std::uint32_t p = 0; p < n && !std::ferror(out); ++p) {
        words.clear();
        for (std::uint32_t i = 0; i < phrase_word_count(db, p); ++i)
            words.push_back(std::uint32_t(phrase_word_number(db, p, i)));
        std::fprintf(out, "    {\n      \"comment\": %s,\n      \"number\": %u,\n      \"words\": ",
                     json_text(phrase_comment(db, p)).c_str(), p + 1);
        put_numbers(out, "      ", words.data(), words.size(), true);
        std::fprintf(out, "\n    }%s\n", p + 1 < n ? "," : "");
    }
    std::fputs("  ],\n", out);
}

void put_words(std::FILE* out, const SpeechDb* db)
{
    const std::uint32_t n = word_count(db);
    std::fputs(n == 0 ? "  \"words\": []\n" : "  \"words\": [\n", out);
    for (std::uint32_t w = 0; w < n && !std::ferror(out); ++w) {
        std::fprintf(out, "    {\n      \"alias\": %s,\n      \"bytes\": %zu,\n      \"number\": %u,\n      \"used_by\": ",
                     json_text(word_alias(db, w)).c_str(), word_audio_size(db, w), w + 1);
        const std::span<const std::uint32_t> used_by = word_usage(db, w);
        put_numbers(out, "      ", used_by.data(), used_by.size(), true);
        std::fprintf(out, "\n    }%s\n", w + 1 < n ? "," : "");
    }
    if (n != 0)
        std::fputs("  ]\n", out);
}

} // namespace

int cmd_dump(char** args, const ToolOptions&)
{
    const std::string in = tool_input_path(args[0]);
    if (in.empty())
        return EXIT_FAILED;
    SpeechDbPtr db = tool_load(in.c_str(), args[0]);
    if (!db)
        return EXIT_FAILED;
    const SpeechDb* d = db.get();
    tool_doing(tool_printf(_("Out of memory while writing the JSON of %s"), args[0]));
    std::FILE* out = stdout;
    std::fprintf(out, "{\n  \"flags\": %d,\n  \"format\": \"%s\",\n  \"language\": %s,\n", db_flags(d) & 0xFF,
                 d->format == DB_FORMAT_OLD ? "old" : "modern", json_text(db_language_code(d)).c_str());
    put_phrases(out, d);
    put_words(out, d);
    std::fputs("}\n", out);
    if (std::fflush(out) != 0 || std::ferror(out))
        return tool_fail(tool_printf(_("Error writing output (%s)"), g_strerror(errno)));
    return 0;
}
