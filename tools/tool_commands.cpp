// The commands of tembrel-tool, each a thin layer over the database and
// audio libraries the editor uses.
#include "tools/tool_commands.h"

#include "io/i18n.h"

#include "audio/wav_codec.h"
#include "db/file_names.h"
#include "db/load.h"
#include "db/operations.h"
#include "db/word_import.h"
#include "db/word_lookup.h"
#include "player/player.h"
#include "io/file_io.h"
#include "tools/tool_util.h"

#include <cerrno>
#include <cstdio>
#include <glib.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Loads FILE, saying why on stderr when it cannot be loaded.
SpeechDbPtr load(const char* path)
{
    ErrorText err;
    SpeechDbPtr db = db_load_file(path, &err);
    if (!db)
        tool_fail(err.text);
    return db;
}

// Checks that OUT names a CSF or project file before anything is read,
// then loads IN; null after saying why.
SpeechDbPtr load_for_output(const char* in, const char* out, DbFileKind* kind)
{
    *kind = db_file_kind(out);
    if (*kind == DbFileKind::None) {
        tool_fail(_("Output file must end in .csf or .tbp"));
        return nullptr;
    }
    return load(in);
}

int save(SpeechDb* db, const char* path, DbFileKind kind)
{
    ErrorText err;
    return tool_save(db, path, kind, &err) ? 0 : tool_fail(err.text);
}

std::string word_file(const char* dir, std::uint32_t word)
{
    return std::string(dir) + "/" + word_export_name(word);
}

// The paths of every entry in DIR, or nothing after saying why.
std::optional<std::vector<std::string>> folder_entries(const char* dir)
{
    GError* error = nullptr;
    GDir* d = g_dir_open(dir, 0, &error);
    if (!d) {
        tool_fail(tool_printf(_("Failed to open folder '%s': %s"), dir, error->message));
        g_error_free(error);
        return std::nullopt;
    }
    std::vector<std::string> paths;
    while (const char* name = g_dir_read_name(d))
        paths.push_back(std::string(dir) + "/" + name);
    g_dir_close(d);
    return paths;
}

// "12.flac: 44100 Hz, stereo, 24-bit converted, 0.41 s trimmed, gain
// +3.2 dB": what the import did to one file, or nothing when the samples
// went in as they were.
std::string report_text(const ImportReport& r)
{
    std::vector<std::string> parts;
    char buf[64];
    if (r.converted)
        parts.push_back(tool_printf(_("%s converted"), sound_format_text(r.source).c_str()));
    if (r.trimmed) {
        std::snprintf(buf, sizeof buf, _("%.2f s trimmed"), double(r.trimmed) / PCM_SAMPLE_RATE);
        parts.push_back(buf);
    }
    if (r.gain_db) {
        std::snprintf(buf, sizeof buf, _("gain %+.1f dB%s"), *r.gain_db, r.peak_limited ? _(" (peak limited)") : "");
        parts.push_back(buf);
    }
    if (r.clipped)
        parts.push_back(tool_printf(_("%zu samples clipped"), std::size_t(r.clipped)));
    std::string text;
    for (const auto& p : parts)
        text += (text.empty() ? "" : ", ") + p;
    return text;
}

// A word named by its 1-based number or its alias; false after saying why.
bool find_word(const SpeechDb* db, const char* text, std::uint32_t* word)
{
    std::uint32_t n = 0;
    if (tool_parse_number(text, word_count(db), &n)) {
        *word = n - 1;
        return true;
    }
    if (*text && !g_ascii_isdigit(*text)) {
        const std::uint32_t found = word_find_alias(db, text, WORD_NONE);
        if (found != WORD_NONE) {
            *word = found;
            return true;
        }
        tool_fail(tool_printf(_("No word has the alias '%s'"), text));
        return false;
    }
    tool_fail(tool_printf(_("No word %s (the database has %u)"), text, word_count(db)));
    return false;
}

std::uint64_t total_audio_bytes(const SpeechDb* db)
{
    std::uint64_t total = 0;
    for (std::uint32_t w = 0; w < word_count(db); ++w)
        total += word_audio_size(db, w);
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
    const SpeechDb* d = db.get();

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
        for (std::uint32_t phrase : word_usage(d, w))
            used_by.push_back(phrase + 1);
        words.push_back({{"number", w + 1},
                         {"alias", text_or_null(word_alias(d, w))},
                         {"bytes", word_audio_size(d, w)},
                         {"used_by", used_by}});
    }
    out["words"] = std::move(words);
    // Texts come from files of unknown origin: invalid UTF-8 becomes U+FFFD.
    std::string text = out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return std::fflush(stdout) == 0 ? 0 : tool_fail(_("Error writing output"));
}

int cmd_export(char** args, const ToolOptions& opts)
{
    SpeechDbPtr db = load(args[0]);
    if (!db)
        return EXIT_FAILED;
    // A folder that does not exist yet is made, as a user asking for the
    // words in "words/" expects.
    if (g_mkdir_with_parents(args[1], 0777) != 0)
        return tool_fail(tool_printf(_("Failed to create folder '%s': %s"), args[1], g_strerror(errno)));
    const std::uint32_t count = word_count(db.get());
    Progress progress(_("exporting"), count);
    std::uint32_t skipped = 0;
    for (std::uint32_t w = 0; w < count; ++w) {
        // A word without audio has nothing to export; say so and go on.
        if (word_audio_size(db.get(), w) == 0) {
            ++skipped;
            std::fprintf(stderr, _("tembrel-tool: word %u has no audio, skipped\n"), w + 1);
            continue;
        }
        ErrorText err;
        std::string path = word_file(args[1], w);
        if (!word_export_wav(db.get(), w, path.c_str(), opts.force, &err))
            return tool_fail(path + ": " + err.text);
        progress.update(w + 1);
    }
    std::printf(_("Exported %u words.\n"), count - skipped);
    return 0;
}

int cmd_export_phrase(char** args, const ToolOptions& opts)
{
    SpeechDbPtr db = load(args[0]);
    if (!db)
        return EXIT_FAILED;
    std::uint32_t n = 0;
    if (!tool_parse_number(args[1], phrase_count(db.get()), &n))
        return tool_fail(tool_printf(_("No phrase %s (the database has %u)"), args[1], phrase_count(db.get())));
    ErrorText err;
    if (!phrase_export_wav(db.get(), n - 1, args[2], opts.force, &err))
        return tool_fail(std::string(args[2]) + ": " + err.text);
    return 0;
}

int cmd_import(char** args, const ToolOptions& opts)
{
    DbFileKind kind = DbFileKind::None;
    SpeechDbPtr db = load_for_output(args[0], args[2], &kind);
    if (!db)
        return EXIT_FAILED;
    auto entries = folder_entries(args[1]);
    if (!entries)
        return EXIT_FAILED;

    // Every file not used is named with the reason, so that a misspelt
    // alias or a number past the end is never dropped silently.
    std::vector<WordFile> files;
    for (const FileMatch& m : word_match_files(db.get(), std::move(*entries))) {
        if (m.word)
            files.push_back({*m.word, m.path});
        else
            std::fprintf(stderr, "%s: %s\n", m.name.c_str(), m.reason.c_str());
    }

    ImportOptions options = opts.import;
    if (opts.level_auto) {
        options.level_lufs = db_median_loudness(db.get());
        if (!options.level_lufs)
            return tool_fail(_("--level=auto: no unchanged word has audio to measure"));
    }
    Progress progress(_("importing"), std::uint32_t(files.size()));
    BatchOutcome outcome;
    const bool ok = word_import_files(db.get(), files, options, 0, [&](std::size_t done, std::size_t) {
        progress.update(std::uint32_t(done));
        return true;
    }, &outcome);
    // All or nothing: one bad file means OUT is not written at all.
    if (!ok) {
        for (const auto& f : outcome.failures)
            tool_fail(f);
        return tool_fail(tool_printf(_("nothing written: %zu file(s) failed"), outcome.failures.size()));
    }
    if (save(db.get(), args[2], kind) != 0)
        return EXIT_FAILED;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string text = report_text(outcome.reports[i]);
        if (!text.empty())
            std::printf(_("word %u: %s\n"), files[i].word + 1, text.c_str());
    }
    std::printf(_("Replaced %zu words.\n"), files.size());
    return 0;
}

int cmd_save(char** args, const ToolOptions&)
{
    DbFileKind kind = DbFileKind::None;
    SpeechDbPtr db = load_for_output(args[0], args[1], &kind);
    return db ? save(db.get(), args[1], kind) : EXIT_FAILED;
}

int cmd_encode(char** args, const ToolOptions& opts)
{
    if (opts.level_auto)
        return tool_fail(_("encode has no database to take the level from: give --level=TARGET"));
    ErrorText err;
    auto word = audio_import_file(args[0], opts.import, &err);
    if (!word)
        return tool_fail(err.text);
    if (!io_replace_file(args[1], {std::span<const std::uint8_t>(word->adpcm)}, &err))
        return tool_fail(std::string(args[1]) + ": " + err.text);
    const std::string text = report_text(word->report);
    if (!text.empty())
        std::fprintf(stderr, "%s: %s\n", args[0], text.c_str());
    return 0;
}

int cmd_decode(char** args, const ToolOptions&)
{
    ReadResult in = io_read_file(args[0]);
    if (in.status == IO_OPEN_FAILED)
        return tool_fail(tool_printf(_("Failed to open '%s': %s"), args[0], g_strerror(in.error)));
    if (in.status != IO_OK)
        return tool_fail(tool_printf(_("Error reading '%s': %s"), args[0], g_strerror(in.error)));
    ErrorText err;
    if (!adpcm_decode_to_wav_file(in.data.data(), in.data.size(), args[1], true, PCM_SAMPLE_RATE, PCM_CHANNELS,
                                  PCM_BITS_PER_SAMPLE, &err))
        return tool_fail(std::string(args[1]) + ": " + err.text);
    return 0;
}

namespace {

int play_result(int err)
{
    return err < 0 ? tool_fail(std::string(_("Unable to play on the sound output: ")) + g_strerror(-err)) : 0;
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
            return tool_fail(
                tool_printf(_("No phrase %s (the database has %u)"), opts.phrase_text, phrase_count(db.get())));
        return play_result(phrase_play(db.get(), n - 1));
    }
    std::uint32_t w = 0;
    if (!find_word(db.get(), args[1], &w))
        return EXIT_FAILED;
    // Silence would look like success to a script.
    if (word_audio_size(db.get(), w) == 0)
        return tool_fail(tool_printf(_("word %u has no audio"), w + 1));
    return play_result(word_play(db.get(), w));
}
