// Importing words from sound files, singly and in batches.
#include "db/word_import.h"

#include "audio/adpcm.h"
#include "audio/shaping.h"
#include "db/history.h"
#include "db/operations.h"
#include "db/word_lookup.h"
#include "io/i18n.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 8> SOUND_EXTENSIONS = {"wav", "wave", "flac", "ogg", "oga", "aif", "aiff", "aifc"};

std::string base_name(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool all_digits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The 1-based number a digit string names, saturated so that a long
// string of digits stays "no such word" rather than wrapping.
std::uint64_t number_of(const std::string& digits)
{
    std::uint64_t n = 0;
    for (char c : digits)
        n = std::min<std::uint64_t>(n * 10 + std::uint64_t(c - '0'), 0xFFFFFFFFFFull);
    return n;
}

} // namespace

bool word_import_audio(SpeechDb* db, std::uint32_t word, const char* path, const ImportOptions& options,
                       ImportReport* report, ErrorText* err)
{
    if (!db_word(db, word)) {
        error_set(err, _("Word number too big"));
        return false;
    }
    auto imported = audio_import_file(path, options, err);
    if (!imported)
        return false;
    if (report)
        *report = imported->report;
    return word_set_audio(db, word, AudioBytes(std::move(imported->adpcm)));
}

std::optional<double> db_median_loudness(const SpeechDb* db)
{
    std::vector<double> levels;
    std::vector<float> samples;
    for (std::uint32_t w = 0; w < word_count(db); ++w) {
        const WordEntry* entry = db_word(db, w);
        if (entry->changed || entry->audio.empty())
            continue;
        const std::vector<std::uint8_t> pcm = adpcm_decode(entry->audio.data(), entry->audio.size());
        samples.resize(pcm.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = float(std::int16_t(std::uint16_t(pcm[2 * i] | pcm[2 * i + 1] << 8))) / 32768.0f;
        if (auto lufs = audio_loudness(samples, db->sample_rate))
            levels.push_back(*lufs);
    }
    if (levels.empty())
        return std::nullopt;
    const std::size_t mid = levels.size() / 2;
    std::nth_element(levels.begin(), levels.begin() + std::ptrdiff_t(mid), levels.end());
    if (levels.size() % 2)
        return levels[mid];
    const double upper = levels[mid];
    const double lower_half = *std::max_element(levels.begin(), levels.begin() + std::ptrdiff_t(mid));
    return (upper + lower_half) / 2.0;
}

bool import_is_sound_name(const std::string& name)
{
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const std::string ext = lower(name.substr(dot + 1));
    return std::find(SOUND_EXTENSIONS.begin(), SOUND_EXTENSIONS.end(), ext) != SOUND_EXTENSIONS.end();
}

std::vector<FileMatch> word_match_files(const SpeechDb* db, std::vector<std::string> paths)
{
    std::vector<FileMatch> matches;
    matches.reserve(paths.size());
    for (auto& path : paths)
        matches.push_back({path, base_name(path), std::nullopt, {}});
    std::stable_sort(matches.begin(), matches.end(), [](const FileMatch& a, const FileMatch& b) { return a.name < b.name; });

    std::vector<const FileMatch*> taken(word_count(db), nullptr);
    for (FileMatch& m : matches) {
        if (!import_is_sound_name(m.name)) {
            m.reason = "not a sound file";
            continue;
        }
        const std::string stem = m.name.substr(0, m.name.find_last_of('.'));
        std::uint32_t word = 0;
        if (all_digits(stem)) {
            const std::uint64_t n = number_of(stem);
            if (n == 0 || n > word_count(db)) {
                m.reason = "no word " + std::to_string(n);
                continue;
            }
            word = std::uint32_t(n - 1);
        } else {
            word = word_find_alias(db, stem.c_str(), WORD_NONE);
            if (word == WORD_NONE) {
                m.reason = "no word has the alias '" + stem + "'";
                continue;
            }
        }
        if (taken[word]) {
            m.reason = "word " + std::to_string(word + 1) + " already comes from " + taken[word]->name;
            continue;
        }
        taken[word] = &m;
        m.word = word;
    }
    return matches;
}

std::vector<std::uint32_t> words_without_file(const SpeechDb* db, const std::vector<FileMatch>& matches)
{
    std::vector<bool> has(word_count(db), false);
    for (const FileMatch& m : matches)
        if (m.word && *m.word < has.size())
            has[*m.word] = true;
    std::vector<std::uint32_t> missing;
    for (std::uint32_t w = 0; w < has.size(); ++w)
        if (!has[w])
            missing.push_back(w);
    return missing;
}

bool word_import_files(SpeechDb* db, const std::vector<WordFile>& files, const ImportOptions& options,
                       unsigned threads, const BatchProgress& progress, BatchOutcome* outcome)
{
    BatchOutcome local;
    BatchOutcome& out = outcome ? *outcome : local;
    out = BatchOutcome{};
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const WordFile& f : files) {
        if (!db_word(db, f.word)) {
            out.failures.push_back(f.path + ": Word number too big");
            return false;
        }
        paths.push_back(f.path);
    }
    auto results = audio_import_batch(paths, options, threads, progress);
    if (!results) {
        out.cancelled = true;
        return false;
    }
    for (std::size_t i = 0; i < results->size(); ++i)
        if (!(*results)[i].word)
            out.failures.push_back(paths[i] + ": " + (*results)[i].error);
    if (!out.failures.empty())
        return false;
    // Every file is ready, and what the change needs is gathered first, so
    // that running out of memory while gathering changes nothing; only then
    // does the database change, in order, as one step of the history.
    std::vector<AudioBytes> audio;
    audio.reserve(results->size());
    out.reports.reserve(results->size());
    for (std::size_t i = 0; i < results->size(); ++i) {
        out.reports.push_back((*results)[i].word->report);
        audio.emplace_back(std::move((*results)[i].word->adpcm));
    }
    HistoryGroup step(db, _("Import Words"));
    for (std::size_t i = 0; i < results->size(); ++i)
        word_set_audio(db, files[i].word, std::move(audio[i]));
    return true;
}
