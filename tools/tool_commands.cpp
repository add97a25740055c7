// The commands of tembrel-tool, each a thin layer over the database and
// audio libraries the editor uses.
#include "tools/tool_commands.h"

#include "io/i18n.h"

#include "audio/wav.h"
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
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

bool phrase_has_audio(const SpeechDb* db, std::uint32_t phrase)
{
    for (std::uint32_t i = 0; i < phrase_word_count(db, phrase); ++i)
        if (word_audio_size(db, phrase_word_number(db, phrase, i)) != 0)
            return true;
    return false;
}

// Checks that OUT names a CSF or project file before anything is read,
// then loads IN; null after saying why.
SpeechDbPtr load_for_output(const char* in, const char* out, DbFileKind* kind)
{
    if (!tool_output_named(out))
        return nullptr;
    *kind = db_file_kind(out);
    if (*kind == DbFileKind::None) {
        tool_fail(_("Output file must end in .csf or .tbp"));
        return nullptr;
    }
    return tool_load(in, in);
}

int save(SpeechDb* db, const char* path, DbFileKind kind)
{
    tool_doing(tool_printf(_("Out of memory while saving %s"), path));
    ErrorText err;
    return tool_save(db, path, kind, &err) ? 0 : tool_fail(io_failure_text(path, err));
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

} // namespace

int cmd_info(char** args, const ToolOptions&)
{
    SpeechDbPtr db = tool_load(args[0], args[0]);
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

int cmd_export_phrase(char** args, const ToolOptions& opts)
{
    if (!tool_output_named(args[2]))
        return EXIT_FAILED;
    SpeechDbPtr db = tool_load(args[0], args[0]);
    if (!db)
        return EXIT_FAILED;
    std::uint32_t n = 0;
    if (!tool_parse_number(args[1], phrase_count(db.get()), &n))
        return tool_fail(tool_printf(_("No phrase %s (the database has %u)"), args[1], phrase_count(db.get())));
    tool_doing(tool_printf(_("Out of memory while exporting phrase %s"), args[1]));
    ErrorText err;
    if (!phrase_export_wav(db.get(), n - 1, args[2], opts.force, &err))
        return tool_fail(tool_error_text(args[2], err));
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
    tool_doing(tool_printf(_("Out of memory while importing %s"), args[1]));
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
    if (!tool_output_named(args[1]))
        return EXIT_FAILED;
    const std::string in = tool_input_path(args[0]);
    if (in.empty())
        return EXIT_FAILED;
    tool_doing(tool_printf(_("Out of memory while encoding %s"), args[0]));
    ErrorText err;
    auto word = audio_import_file(in.c_str(), opts.import, &err);
    if (!word)
        return tool_fail(in == args[0] ? std::string(err.text) : std::string(args[0]) + ": " + err.text);
    if (!io_replace_file(tool_output_path(args[1]), {std::span<const std::uint8_t>(word->adpcm)}, &err))
        return tool_fail(io_failure_text(args[1], err));
    const std::string text = report_text(word->report);
    if (!text.empty())
        std::fprintf(stderr, "%s: %s\n", args[0], text.c_str());
    return 0;
}

int cmd_decode(char** args, const ToolOptions&)
{
    if (!tool_output_named(args[1]))
        return EXIT_FAILED;
    const std::string in = tool_input_path(args[0]);
    if (in.empty())
        return EXIT_FAILED;
    // Each byte decodes to four bytes of samples: a file whose samples no
    // WAV header could describe is refused from its size, before it is read.
    struct stat st {};
    if (::stat(in.c_str(), &st) == 0 && S_ISREG(st.st_mode) && std::uint64_t(st.st_size) * 4 > WAV_MAX_DATA)
        return tool_fail(io_failure_text(args[1], _("Error saving file"), EFBIG));
    tool_doing(tool_printf(_("Out of memory while reading %s"), args[0]));
    ReadResult input = io_read_file(in.c_str());
    if (input.status == IO_OPEN_FAILED)
        return tool_fail(tool_printf(_("Failed to open '%s': %s"), args[0], g_strerror(input.error)));
    if (input.status != IO_OK)
        return tool_fail(tool_printf(_("Error reading '%s': %s"), args[0], g_strerror(input.error)));
    tool_doing(tool_printf(_("Out of memory while decoding %s"), args[0]));
    ErrorText err;
    if (!adpcm_decode_to_wav_file(input.data.data(), input.data.size(), tool_output_path(args[1]), true,
                                  PCM_SAMPLE_RATE, PCM_CHANNELS, PCM_BITS_PER_SAMPLE, &err))
        return tool_fail(io_failure_text(args[1], err));
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
    SpeechDbPtr db = tool_load(args[0], args[0]);
    if (!db)
        return EXIT_FAILED;
    std::uint32_t n = 0;
    if (opts.phrase_text) {
        if (!tool_parse_number(opts.phrase_text, phrase_count(db.get()), &n))
            return tool_fail(
                tool_printf(_("No phrase %s (the database has %u)"), opts.phrase_text, phrase_count(db.get())));
        // Silence would look like success to a script, as for a word.
        if (!phrase_has_audio(db.get(), n - 1))
            return tool_fail(tool_printf(_("phrase %u has no audio"), n));
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
