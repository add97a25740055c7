// The word audio operations: importing WAV files (padding, refusals and
// the changed mark) and exporting them (sizes and messages).
#include "audio/adpcm.h"
#include "audio/wav.h"
#include "db/operations.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes a mono 16000 Hz 16-bit WAV file holding `pcm` as sample bytes.
std::string write_wav(const TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& pcm,
                      int channels = 1)
{
    std::string path = dir.file(name);
    ErrorText err;
    EXPECT_TRUE(wav_write(path.c_str(), true, 1, 16000, channels, 16, pcm.data(), pcm.size(), &err)) << err;
    return path;
}

} // namespace

TEST(WordImportWav, PadsOddSampleDataToWholeCodeBytes)
{
    TempDir dir;
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{0x11, 0x22}, {0x33}}, {{0, 1}});
    ErrorText err;

    // Two bytes are a single sample: too little for one code byte.
    EXPECT_FALSE(word_import_wav(db.get(), 0, write_wav(dir, "two.wav", {0x10, 0x20}).c_str(), &err));
    EXPECT_STREQ(err, "File is too small");
    EXPECT_EQ(db_word(db.get(), 0)->audio, (std::vector<std::uint8_t>{0x11, 0x22}));
    EXPECT_FALSE(word_is_changed(db.get(), 0));

    const std::vector<std::uint8_t> four = {0x00, 0x40, 0x00, 0xC0};
    ASSERT_TRUE(word_import_wav(db.get(), 0, write_wav(dir, "four.wav", four).c_str(), &err)) << err;
    EXPECT_EQ(db_word(db.get(), 0)->audio, adpcm_encode(four.data(), four.size()));
    EXPECT_EQ(db_word(db.get(), 0)->audio.size(), 1u);
    EXPECT_TRUE(word_is_changed(db.get(), 0));

    // Three samples: the fourth is completed with silence.
    const std::vector<std::uint8_t> six = {0x00, 0x20, 0x00, 0x60, 0x00, 0x90};
    std::vector<std::uint8_t> padded = six;
    padded.resize(8, 0);
    ASSERT_TRUE(word_import_wav(db.get(), 1, write_wav(dir, "six.wav", six).c_str(), &err)) << err;
    EXPECT_EQ(db_word(db.get(), 1)->audio.size(), 2u);
    EXPECT_EQ(db_word(db.get(), 1)->audio, adpcm_encode(padded.data(), padded.size()));
    EXPECT_EQ(db_is_modified(db.get()), 1) << "a replaced recording is unsaved work";
}

TEST(WordImportWav, ChangedFollowsTheSavedBytes)
{
    TempDir dir;
    const std::vector<std::uint8_t> pcm = {0x00, 0x10, 0x00, 0x30, 0x00, 0x50, 0x00, 0x70};
    const std::vector<std::uint8_t> encoded = adpcm_encode(pcm.data(), pcm.size());
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, {encoded, {}}, {{0}});
    db_word(db.get(), 0)->audio = {1, 2, 3};
    db_word(db.get(), 0)->changed = 1;
    const std::string path = write_wav(dir, "same.wav", pcm);
    ASSERT_TRUE(word_import_wav(db.get(), 0, path.c_str(), nullptr));
    EXPECT_FALSE(word_is_changed(db.get(), 0)) << "encodes to exactly the loaded audio";

    // A word loaded without audio differs from anything imported.
    ASSERT_TRUE(word_import_wav(db.get(), 1, path.c_str(), nullptr));
    EXPECT_TRUE(word_is_changed(db.get(), 1));
    db->modified = 0;
    word_revert_audio(db.get(), 1);
    EXPECT_FALSE(word_is_changed(db.get(), 1));
    EXPECT_EQ(db_is_modified(db.get()), 1) << "going back to the loaded audio changes the word too";
    db->modified = 0;
    word_revert_audio(db.get(), 1);
    ASSERT_TRUE(word_import_wav(db.get(), 0, path.c_str(), nullptr));
    EXPECT_EQ(db_is_modified(db.get()), 0) << "neither a revert nor an import that changes no byte marks";
}

TEST(WordImportWav, RefusalsKeepTheOldAudioAndPassTheReasonOn)
{
    TempDir dir;
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{0x42}}, {{0}});
    ErrorText err;
    const std::string good = write_wav(dir, "good.wav", {0, 1, 0, 2});
    EXPECT_FALSE(word_import_wav(db.get(), 1, good.c_str(), &err));
    EXPECT_STREQ(err, "Word number too big");
    EXPECT_FALSE(word_import_wav(db.get(), 0xFFFFFFFFu, good.c_str(), nullptr));

    const std::string stereo = write_wav(dir, "stereo.wav", {0, 1, 0, 2, 0, 3, 0, 4}, 2);
    EXPECT_FALSE(word_import_wav(db.get(), 0, stereo.c_str(), &err));
    EXPECT_STREQ(err, "Incompatible number of audio channels: 2 (expected: 1)");
    EXPECT_FALSE(word_import_wav(db.get(), 0, dir.file("missing.wav").c_str(), &err));
    EXPECT_EQ(std::string(err).rfind("Failed to open '", 0), 0u) << err;
    EXPECT_EQ(db_word(db.get(), 0)->audio, (std::vector<std::uint8_t>{0x42}));
    EXPECT_FALSE(word_is_changed(db.get(), 0));
}

TEST(WordExportWav, WritesFourPcmBytesPerCodeByte)
{
    TempDir dir;
    const std::vector<std::uint8_t> audio = {0x17, 0x9A, 0x05, 0xF3, 0x80};
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {audio, {}}, {{0}});
    ErrorText err;
    const std::string path = dir.file("005.wav");
    ASSERT_TRUE(word_export_wav(db.get(), 0, path.c_str(), false, &err)) << err;
    std::vector<std::uint8_t> file = read_bytes(path);
    ASSERT_EQ(file.size(), 44u + 4 * audio.size());
    EXPECT_EQ(file[40], 20) << "data length of 2 samples per code byte";
    std::optional<std::vector<std::uint8_t>> pcm = wav_read(path.c_str(), 1, 16000, 1, 16, &err);
    ASSERT_TRUE(pcm) << err;
    EXPECT_EQ(*pcm, adpcm_decode(audio.data(), audio.size()));

    // The exported file comes back in as the same recording.
    ASSERT_TRUE(word_import_wav(db.get(), 0, path.c_str(), &err)) << err;
    EXPECT_EQ(db_word(db.get(), 0)->audio.size(), audio.size());
    EXPECT_EQ(db_is_modified(db.get()), 0);

    EXPECT_FALSE(word_export_wav(db.get(), 0, path.c_str(), false, &err));
    EXPECT_STREQ(err, "Output file already exist");
    EXPECT_TRUE(word_export_wav(db.get(), 0, path.c_str(), true, &err)) << err;
    EXPECT_FALSE(word_export_wav(db.get(), 1, dir.file("empty.wav").c_str(), true, &err));
    EXPECT_STREQ(err, "No data in word 1");
    EXPECT_FALSE(word_export_wav(db.get(), 2, dir.file("none.wav").c_str(), true, &err));
    EXPECT_STREQ(err, "Word number too big");
    EXPECT_FALSE(word_export_wav(db.get(), 2, dir.file("none.wav").c_str(), true, nullptr));
}
