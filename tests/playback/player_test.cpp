// Playing words and phrases of a database through ALSA's file plugin: the
// device gets each word decoded, in speaking order, and what cannot play
// is skipped without waiting.
#include "audio/adpcm.h"
#include "db/operations.h"
#include "player/player.h"
#include "test_db.h"
#include "tests/alsa_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

TEST(PhrasePlay, DeviceGetsEachWordDecodedInSpeakingOrder)
{
    // Word 1 is spoken twice and word 2 has no audio, so it adds nothing.
    const std::vector<std::vector<std::uint8_t>> audio = {{0x12, 0x9F, 0x70}, {0xE1, 0x08}, {}, {0x44}};
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, audio, {{3, 1, 2, 0, 1}, {}});
    ASSERT_TRUE(word_move_up(db.get(), 3)) << "play follows references, not the old numbers";
    db->modified = 0;
    std::vector<std::uint8_t> expected;
    for (int w : {3, 1, 2, 0, 1}) {
        std::vector<std::uint8_t> pcm = adpcm_decode(audio[std::size_t(w)].data(), audio[std::size_t(w)].size());
        expected.insert(expected.end(), pcm.begin(), pcm.end());
    }
    {
        AlsaCapture capture(AlsaCapture::CAPTURE_ALL);
        phrase_play(db.get(), 0);
        EXPECT_EQ(capture.bytes(expected.size()), expected);
    }
    {
        AlsaCapture capture(AlsaCapture::CAPTURE_ALL);
        phrase_play(db.get(), 1);
        phrase_play(db.get(), 2);
        phrase_play(db.get(), 0xFFFFFFFFu);
        EXPECT_TRUE(capture.bytes().empty()) << "an empty or missing phrase plays nothing";
    }
    EXPECT_EQ(db_is_modified(db.get()), 0);
}

TEST(WordPlay, DecodesOneWordAndIgnoresWhatCannotPlay)
{
    const std::vector<std::uint8_t> audio = {0x3C, 0xC3, 0x5A, 0xA5};
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, {audio, {}}, {{0}});
    {
        AlsaCapture capture;
        word_play(db.get(), 0);
        EXPECT_EQ(capture.bytes(), adpcm_decode(audio.data(), audio.size()));
    }
    {
        AlsaCapture capture(AlsaCapture::CAPTURE_ALL);
        word_play(db.get(), 1);
        word_play(db.get(), 2);
        EXPECT_TRUE(capture.bytes().empty());
    }
    // Without a sound device the calls return at once instead of waiting
    // for the length of the sound: one second for the word, three for the
    // phrase.
    SpeechDbPtr long_db = make_db(DB_FORMAT_OLD, {std::vector<std::uint8_t>(8000, 0x3C)}, {{0, 0, 0}});
    AlsaCapture missing(AlsaCapture::NO_DEVICE);
    const auto start = std::chrono::steady_clock::now();
    word_play(long_db.get(), 0);
    phrase_play(long_db.get(), 0);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.5);
}
