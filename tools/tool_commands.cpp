// The commands of tembrel-tool, each a thin layer over the database and
// audio libraries the editor uses.
#include "tools/tool_commands.h"

#include "audio/wav_codec.h"
#include "db/load.h"
#include "db/operations.h"
#include "player/player.h"
#include "io/file_io.h"
#include "tools/tool_util.h"

#include <cerrno>
#include <cstdio>
#include <glib.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Loads FILE, saying why on stderr when it cannot be loaded.
SpeechDbPtr load(const char* path)
{
    char err[ERROR_BUFFER_SIZE] = "";
    SpeechDbPtr db = db_load_file(path, err);
    if (!db)
        tool_fail(err);
    return db;
}

// Checks that OUT names a CSF or project file before anything is read,
// then loads IN; null after saying why.
SpeechDbPtr load_for_output(const char* in, const char* out, OutputKind* kind)
{
    *kind = tool_output_kind(out);
    if (*kind == OUTPUT_NONE) {
        tool_fail("Output file must end in .csf or .tbp");
        return nullptr;
    }
    return load(in);
}

int save(SpeechDb* db, const char* path, OutputKind kind)
{
    char err[ERROR_BUFFER_SIZE] = "";
    return tool_save(db, path, kind, err) ? 0 : tool_fail(err);
}

std::string word_file(const char* dir, std::uint32_t word)
{
    char name[32];
    std::snprintf(name, sizeof name, "%03u.wav", word + 1);
    return std::string(dir) + "/" + name;
}

// Whether import has to take DIR/NNN.wav: anything there, even a file it
// cannot read, is the user's and must not be skipped silently; only a name
// that is certainly absent is.
bool word_file_present(const char* path)
{
    struct stat st;
    return lstat(path, &st) == 0 || errno != ENOENT;
}

std::uint64_t total_audio_bytes(const SpeechDb* db)
{
    std::uint64_t total = 0;
    for (std::uint32_t w = 0; w < word_count(db); ++w)
        total += db_word(db, w)->audio.size();
    return total;
}

nlohmann::json text_or_null(const char* text)
{
    return text ? nlohmann::json(text) : nlohmann::json(nullptr);
}

} // namespace

int cmd_info(char** args, const ToolOptions&)
{
    SpeechDbPtr db = load(args[0]);
    if (!db)
        return EXIT_FAILED;
    const std::uint64_t bytes = total_audio_bytes(db.get());
    // Every ADPCM byte holds two samples.
    const int per_second = db->sample_rate * db->channels;
    const double seconds = per_second > 0 ? double(bytes) * 2.0 / per_second : 0.0;
    std::printf("format: %s\n", db_format_name(db.get()));
    std::printf("language: %s\n", db_language_code(db.get()));
    std::printf("flags: 0x%02X\n", unsigned(db_flags(db.get())) & 0xFF);
    std::printf("phrases: %u\n", phrase_count(db.get()));
    std::printf("words: %u\n", word_count(db.get()));
    std::printf("audio bytes: %llu\n", static_cast<unsigned long long>(bytes));
    std::printf("duration: %.3f s\n", seconds);
    return 0;
}

int cmd_dump(char** args, const ToolOptions&)
{
    SpeechDbPtr db = load(args[0]);
    if (!db)
        return EXIT_FAILED;
    SpeechDb* d = db.get();
    word_build_usage(d);

    nlohmann::json out;
    out["format"] = d->format == DB_FORMAT_OLD ? "old" : "modern";
    out["language"] = db_language_code(d);
    out["flags"] = db_flags(d) & 0xFF;
    nlohmann::json phrases = nlohmann::json::array();
    for (std::uint32_t p = 0; p < phrase_count(d); ++p) {
        nlohmann::json words = nlohmann::json::array();
        for (std::uint32_t i = 0; i < phrase_word_count(d, p); ++i)
            words.push_back(phrase_word_number(d, p, i) + 1);
        phrases.push_back({{"number", p + 1}, {"words", words}, {"comment", text_or_null(phrase_comment(d, p))}});
    }
    out["phrases"] = std::move(phrases);
    nlohmann::json words = nlohmann::json::array();
    for (std::uint32_t w = 0; w < word_count(d); ++w) {
        nlohmann::json used_by = nlohmann::json::array();
        const ItemList* usage = word_usage(d, w);
        for (std::uint32_t i = 0; i < list_count(usage); ++i)
            used_by.push_back(list_get(usage, i) + 1);
        words.push_back({{"number", w + 1},
                         {"alias", text_or_null(word_alias(d, w))},
                         {"bytes", db_word(d, w)->audio.size()},
                         {"used_by", used_by}});
    }
    out["words"] = std::move(words);
    // Texts come from files of unknown origin: invalid UTF-8 becomes U+FFFD.
    std::string text = out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return std::fflush(stdout) == 0 ? 0 : tool_fail("Error writing output");
}

int cmd_export(char** args, const ToolOptions& opts)
{
    SpeechDbPtr db = load(args[0]);
    if (!db)
        return EXIT_FAILED;
    const std::uint32_t count = word_count(db.get());
    Progress progress("exporting", count);
    std::uint32_t skipped = 0;
    for (std::uint32_t w = 0; w < count; ++w) {
        // A word without audio has nothing to export; say so and go on.
        if (db_word(db.get(), w)->audio.empty()) {
            ++skipped;
            std::fprintf(stderr, "tembrel-tool: word %u has no audio, skipped\n", w + 1);
            continue;
        }
        char err[ERROR_BUFFER_SIZE] = "";
        std::string path = word_file(args[1], w);
        if (!word_export_wav(db.get(), w, path.c_str(), opts.force, err))
            return tool_fail(path + ": " + err);
        progress.update(w + 1);
    }
    std::printf("Exported %u words.\n", count - skipped);
    return 0;
}

int cmd_import(char** args, const ToolOptions&)
{
    OutputKind kind = OUTPUT_NONE;
    SpeechDbPtr db = load_for_output(args[0], args[2], &kind);
    if (!db)
        return EXIT_FAILED;

    const std::uint32_t count = word_count(db.get());
    Progress progress("importing", count);
    std::vector<std::string> failures;
    std::uint32_t replaced = 0;
    for (std::uint32_t w = 0; w < count; ++w) {
        std::string path = word_file(args[1], w);
        if (!word_file_present(path.c_str()))
            continue;
        char err[ERROR_BUFFER_SIZE] = "";
        if (word_import_wav(db.get(), w, path.c_str(), err))
            ++replaced;
        else
            failures.push_back(path + ": " + err);
        progress.update(w + 1);
    }
    // All or nothing: one bad file means OUT is not written at all.
    if (!failures.empty()) {
        for (const auto& f : failures)
            tool_fail(f);
        return tool_fail("nothing written: " + std::to_string(failures.size()) + " file(s) failed");
    }
    if (save(db.get(), args[2], kind) != 0)
        return EXIT_FAILED;
    std::printf("Replaced %u words.\n", replaced);
    return 0;
}

int cmd_save(char** args, const ToolOptions&)
{
    OutputKind kind = OUTPUT_NONE;
    SpeechDbPtr db = load_for_output(args[0], args[1], &kind);
    return db ? save(db.get(), args[1], kind) : EXIT_FAILED;
}

int cmd_encode(char** args, const ToolOptions& opts)
{
    char err[ERROR_BUFFER_SIZE] = "";
    auto adpcm = adpcm_encode_wav_file(args[0], PCM_SAMPLE_RATE, PCM_CHANNELS, PCM_BITS_PER_SAMPLE, err, opts.quality);
    if (!adpcm)
        return tool_fail(err);
    if (!io_replace_file(args[1], {std::span<const std::uint8_t>(*adpcm)}, err))
        return tool_fail(std::string(args[1]) + ": " + err);
    return 0;
}

int cmd_decode(char** args, const ToolOptions&)
{
    ReadResult in = io_read_file(args[0]);
    if (in.status == IO_OPEN_FAILED)
        return tool_fail(std::string("Failed to open '") + args[0] + "': " + g_strerror(in.error));
    if (in.status != IO_OK)
        return tool_fail(std::string("Error reading '") + args[0] + "': " + g_strerror(in.error));
    char err[ERROR_BUFFER_SIZE] = "";
    if (!adpcm_decode_to_wav_file(in.data.data(), in.data.size(), args[1], true, PCM_SAMPLE_RATE, PCM_CHANNELS,
                                  PCM_BITS_PER_SAMPLE, err))
        return tool_fail(std::string(args[1]) + ": " + err);
    return 0;
}

namespace {

int play_result(int err)
{
    return err < 0 ? tool_fail(std::string("Unable to play on the sound output: ") + g_strerror(-err)) : 0;
}

} // namespace

int cmd_play(char** args, const ToolOptions& opts)
{
    SpeechDbPtr db = load(args[0]);
    if (!db)
        return EXIT_FAILED;
    std::uint32_t n = 0;
    if (opts.phrase_text) {
        if (!tool_parse_number(opts.phrase_text, phrase_count(db.get()), &n))
            return tool_fail(std::string("No phrase ") + opts.phrase_text + " (the database has " +
                             std::to_string(phrase_count(db.get())) + ")");
        return play_result(phrase_play(db.get(), n - 1));
    }
    if (!tool_parse_number(args[1], word_count(db.get()), &n))
        return tool_fail(std::string("No word ") + args[1] + " (the database has " +
                         std::to_string(word_count(db.get())) + ")");
    // Silence would look like success to a script.
    if (db_word(db.get(), n - 1)->audio.empty())
        return tool_fail("word " + std::to_string(n) + " has no audio");
    return play_result(word_play(db.get(), n - 1));
}
