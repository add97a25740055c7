// Importing words from folders and files: matching names to words, the
// all-or-nothing batch on several threads, the loudness target of a
// database and the refusals of saving a phrase as one recording.
#include "audio/adpcm.h"
#include "audio/wav.h"
#include "db/history.h"
#include "db/operations.h"
#include "db/word_import.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A 16000 Hz mono WAV file of a tone whose pitch and level name it.
std::string tone_file(const TempDir& dir, const std::string& name, double freq, double amplitude,
                      std::size_t samples = 4000)
{
    std::vector<std::int16_t> s(samples);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::int16_t(amplitude * 32767 * std::sin(2 * M_PI * freq * double(i) / 16000));
    const std::string path = dir.file(name);
    write_bytes(path, wav_file_bytes(pcm16_bytes(s)));
    return path;
}

std::vector<std::uint8_t> audio_of(const SpeechDb* db, std::uint32_t w)
{
    return db_word(db, w)->audio.to_vector();
}

} // namespace

TEST(WordMatchFiles, MatchesNumbersAndAliasesAndSaysWhyTheRestIsUnused)
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1}, {2}, {3}, {4}}, {{0}});
    ASSERT_TRUE(word_set_alias(db.get(), 2, "left"));
    ASSERT_TRUE(word_set_alias(db.get(), 3, "12"));
    const std::vector<std::string> paths = {"/d/left.flac", "/d/099.wav",  "/d/1.wav",      "/d/right.wav",
                                            "/d/001.WAV",   "/d/notes.txt", "/d/0.wav",     "/d/Left.wav",
                                            "/d/2.ogg",     "/d/.wav",      "/d/99999999999999999999.wav"};
    struct Want {
        const char* name;
        int word; // 0-based, -1 for unused
        const char* reason;
    };
    const Want want[] = {
        {".wav", -1, "not a sound file"},
        {"0.wav", -1, "no word 0"},
        {"001.WAV", 0, ""},
        {"099.wav", -1, "no word 99"},
        {"1.wav", -1, "word 1 already comes from 001.WAV"},
        {"2.ogg", 1, ""},
        {"99999999999999999999.wav", -1, "no word 1099511627775"},
        {"Left.wav", -1, "no word has the alias 'Left'"},
        {"left.flac", 2, ""},
        {"notes.txt", -1, "not a sound file"},
        {"right.wav", -1, "no word has the alias 'right'"},
    };
    const std::vector<FileMatch> got = word_match_files(db.get(), paths);
    ASSERT_EQ(got.size(), std::size(want));
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(got[i].name, want[i].name);
        EXPECT_EQ(got[i].path, "/d/" + got[i].name);
        EXPECT_EQ(got[i].word ? int(*got[i].word) : -1, want[i].word);
        EXPECT_EQ(got[i].reason, want[i].reason);
    }
    EXPECT_EQ(words_without_file(db.get(), got), (std::vector<std::uint32_t>{3}));
}

TEST(WordImportFiles, CommitsEveryWordInOrderOrNothing)
{
    TempDir dir;
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}, {{0, 1}});
    std::vector<WordFile> files;
    std::vector<std::vector<std::uint8_t>> expected;
    for (std::uint32_t w = 0; w < 5; ++w) {
        const std::string path = tone_file(dir, std::to_string(w + 1) + ".wav", 200.0 * (w + 1), 0.1 * (w + 1));
        files.push_back({4 - w, path}); // committed against the file order
        auto bytes = wav_read(path.c_str(), 1, 16000, 1, 16, nullptr);
        expected.push_back(adpcm_encode(bytes->data(), bytes->size()));
    }
    const auto before = [&] {
        std::vector<std::vector<std::uint8_t>> v;
        for (std::uint32_t w = 0; w < 5; ++w)
            v.push_back(audio_of(db.get(), w));
        return v;
    }();

    // A missing file anywhere: nothing changes, and the failure is named.
    std::vector<WordFile> broken = files;
    broken[3].path = dir.file("gone.wav");
    BatchOutcome outcome;
    EXPECT_FALSE(word_import_files(db.get(), broken, ImportOptions{}, 2, nullptr, &outcome));
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].rfind(broken[3].path + ": Failed to open", 0), 0u) << outcome.failures[0];
    // Cancelled at the first progress report: nothing changes either.
    std::size_t calls = 0;
    EXPECT_FALSE(word_import_files(db.get(), files, ImportOptions{}, 2, [&](std::size_t, std::size_t) {
        ++calls;
        return false;
    }, &outcome));
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(calls, 1u);
    for (std::uint32_t w = 0; w < 5; ++w)
        EXPECT_EQ(audio_of(db.get(), w), before[w]) << w;
    EXPECT_EQ(db_is_modified(db.get()), 0);

    // All files ready: each word gets its own file's audio.
    std::size_t last_done = 0;
    ASSERT_TRUE(word_import_files(db.get(), files, ImportOptions{}, 2, [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 5u);
        EXPECT_GE(done, last_done);
        last_done = done;
        return true;
    }, &outcome));
    EXPECT_EQ(last_done, 5u);
    EXPECT_EQ(outcome.reports.size(), 5u);
    for (std::uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(audio_of(db.get(), files[i].word), expected[i]) << i;
        EXPECT_TRUE(word_is_changed(db.get(), files[i].word));
    }
    EXPECT_EQ(db_is_modified(db.get()), 1);

    // The whole batch is one step of the history (the refused and the
    // cancelled import above recorded none): one undo takes every word back.
    EXPECT_EQ(history_undo_count(db.get()), 1u);
    EXPECT_EQ(history_undo_label(db.get()), "Import Words");
    ASSERT_TRUE(history_undo(db.get()).has_value());
    for (std::uint32_t w = 0; w < 5; ++w)
        EXPECT_EQ(audio_of(db.get(), w), before[w]) << w;
    EXPECT_FALSE(db_is_modified(db.get()));
}

TEST(WordImportAudio, LevelsToTheMedianOfTheUnchangedWords)
{
    TempDir dir;
    // Three words as loaded at about -30, -20 and -10 dBFS RMS; a fourth,
    // already replaced, does not count.
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{0}, {0}, {0}, {0}}, {{0}});
    const double amplitudes[] = {0.045, 0.14, 0.45, 0.9};
    for (std::uint32_t w = 0; w < 4; ++w) {
        auto bytes = wav_read(tone_file(dir, "w.wav", 1000, amplitudes[w], 8000).c_str(), 1, 16000, 1, 16, nullptr);
        const auto adpcm = adpcm_encode(bytes->data(), bytes->size());
        WordEntry* entry = db_word(db.get(), w);
        entry->audio = entry->saved_audio = AudioBytes(adpcm);
    }
    ASSERT_TRUE(word_set_audio(db.get(), 3, AudioBytes({0x77, 0x77})));
    const auto median = db_median_loudness(db.get());
    ASSERT_TRUE(median.has_value());
    EXPECT_NEAR(*median, 20 * std::log10(0.14 / std::sqrt(2.0)), 0.5);

    ImportOptions options;
    options.level_lufs = *median;
    ImportReport report;
    ErrorText err;
    ASSERT_TRUE(word_import_audio(db.get(), 0, tone_file(dir, "quiet.wav", 700, 0.02, 8000).c_str(), options,
                                  &report, &err))
        << err;
    ASSERT_TRUE(report.gain_db.has_value());
    EXPECT_NEAR(*report.gain_db, 20 * std::log10(0.14 / 0.02), 1.0);
    EXPECT_FALSE(word_import_audio(db.get(), 9, dir.file("quiet.wav").c_str(), options, nullptr, &err));
    EXPECT_STREQ(err, "Word number too big");

    const SpeechDbPtr empty = make_db(DB_FORMAT_MODERN, {{}}, {{0}});
    EXPECT_FALSE(db_median_loudness(empty.get()).has_value());
}

TEST(PhraseExportWav, RefusesPhrasesWithoutAudio)
{
    TempDir dir;
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{0x12}, {}}, {{0}, {1}});
    ErrorText err;
    EXPECT_FALSE(phrase_export_wav(db.get(), 1, dir.file("x.wav").c_str(), true, &err));
    EXPECT_STREQ(err, "No data in phrase 1");
    EXPECT_FALSE(phrase_export_wav(db.get(), 2, dir.file("x.wav").c_str(), true, &err));
    EXPECT_STREQ(err, "Phrase number too big");
    EXPECT_TRUE(dir_entries(dir.path).empty());
}
