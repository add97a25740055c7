// Word audio held in common: slices of a loaded file, copies that share,
// and changes that must never reach another word, the saved audio or the
// bytes of the file a database was loaded from.
#include "db/audio_bytes.h"
#include "db/csf.h"
#include "db/load.h"
#include "db/operations.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Bytes = std::vector<std::uint8_t>;

ByteBlock block_of(const Bytes& bytes)
{
    return byte_block_copy(bytes.data(), bytes.size());
}

TEST(AudioBytes, SlicesStayInsideTheirBlock)
{
    const ByteBlock block = block_of({1, 2, 3, 4, 5});
    EXPECT_EQ(AudioBytes::slice(block, 1, 3), (Bytes{2, 3, 4}));
    EXPECT_EQ(AudioBytes::slice(block, 0, 5), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(AudioBytes::slice(block, 5, 0), Bytes{});
    // Out of range or past the end: an empty value, never bytes beyond.
    EXPECT_TRUE(AudioBytes::slice(block, 4, 2).empty());
    EXPECT_TRUE(AudioBytes::slice(block, 6, 0).empty());
    EXPECT_TRUE(AudioBytes::slice(block, 1, SIZE_MAX).empty());
    EXPECT_TRUE(AudioBytes::slice(nullptr, 0, 1).empty());
    EXPECT_EQ(AudioBytes::slice(block, 2, 2).at(1), 4);
    EXPECT_THROW(AudioBytes::slice(block, 2, 2).at(2), std::out_of_range);
    EXPECT_THROW(AudioBytes().at(0), std::out_of_range);
}

TEST(AudioBytes, EqualityComparesBytesWhateverHoldsThem)
{
    const ByteBlock block = block_of({7, 8, 9, 7, 8});
    EXPECT_EQ(AudioBytes::slice(block, 0, 2), AudioBytes::slice(block, 3, 2));
    EXPECT_EQ(AudioBytes::slice(block, 0, 2), AudioBytes({7, 8}));
    EXPECT_FALSE(AudioBytes::slice(block, 0, 2) == AudioBytes::slice(block, 0, 3));
    EXPECT_FALSE(AudioBytes::slice(block, 1, 2) == AudioBytes({8, 7}));
    EXPECT_EQ(AudioBytes(), AudioBytes(Bytes{}));
    EXPECT_EQ(AudioBytes(), Bytes{});
    EXPECT_FALSE(AudioBytes() == AudioBytes({0}));
}

TEST(AudioBytes, NewBytesNeverReachACopyOrTheBlock)
{
    const ByteBlock block = block_of({1, 2, 3, 4});
    AudioBytes slice = AudioBytes::slice(block, 1, 2);
    const AudioBytes copy = slice;
    Bytes changed = slice.to_vector();
    changed[0] = 0;
    changed.push_back(9);
    slice = changed;
    EXPECT_EQ(slice, (Bytes{0, 3, 9}));
    EXPECT_EQ(copy, (Bytes{2, 3}));
    EXPECT_EQ(*block, (Bytes{1, 2, 3, 4}));
}

TEST(AudioBytes, ALoadedDatabaseOutlivesTheBytesItWasParsedFrom)
{
    SpeechDbPtr source = make_db(DB_FORMAT_MODERN, {{0x11, 0x22, 0x33}, {0x44}}, {{0, 1}});
    Bytes image = csf_build_modern(source.get());
    ErrorText err;
    SpeechDbPtr db = db_parse_buffer(image.data(), image.size(), &err);
    ASSERT_TRUE(db) << err;
    std::fill(image.begin(), image.end(), 0xEE);
    image = Bytes();
    EXPECT_EQ(db_word(db.get(), 0)->audio, (Bytes{0x11, 0x22, 0x33}));
    EXPECT_EQ(db_word(db.get(), 1)->saved_audio, Bytes{0x44});

    // Words share the file's bytes, so one word's new audio and a revert
    // must leave the others and the saved audio alone.
    WordEntry* w0 = db_word(db.get(), 0);
    Bytes changed = w0->audio.to_vector();
    changed[2] = 0;
    w0->audio = changed;
    EXPECT_EQ(w0->saved_audio, (Bytes{0x11, 0x22, 0x33}));
    EXPECT_EQ(db_word(db.get(), 1)->audio, Bytes{0x44});
    word_revert_audio(db.get(), 0);
    EXPECT_EQ(w0->audio, (Bytes{0x11, 0x22, 0x33}));

}

} // namespace
