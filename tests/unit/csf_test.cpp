// CSF images: the exact bytes the writers lay out, what the parser makes
// of them, and byte-for-byte round trips of both variants through files.
#include "db/csf.h"
#include "db/load.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<std::vector<std::uint8_t>> small_audio()
{
    return {{0x11, 0x22, 0x33}, {0x44, 0x55}};
}

std::vector<std::vector<int>> small_phrases()
{
    return {{0, 1}, {}, {1}};
}

// The modern image of the small database, laid out by hand.
std::vector<std::uint8_t> small_modern_image()
{
    std::vector<std::uint8_t> v = {'C', 'S', 'F', ' ', 'O', 'K', 'I', ' ', 'M', 'S', 'M', '6', '5', '8', '5', 0,
                                   '0', '0', '0', '2', 0, 0, 0, 1, 'D', 'E', 0, 0xA5,
                                   0, 0, 0, 40, // phrase table
                                   0, 0, 0, 72, // W = 48 + 4*3 + 4*3
                                   0, 0, 0, 96, // total: 72 + 4*2 + 8 + 5 = 93 -> 96
                                   // phrase table: N, 4 offsets, 3 references
                                   0, 0, 0, 3, 0, 0, 0, 20, 0, 0, 0, 28, 0, 0, 0, 28, 0, 0, 0, 32, 0, 0, 0, 1, 0,
                                   0, 0, 2, 0, 0, 0, 2,
                                   // word table: M, 3 offsets, audio, padding
                                   0, 0, 0, 2, 0, 0, 0, 16, 0, 0, 0, 19, 0, 0, 0, 21, 0x11, 0x22, 0x33, 0x44, 0x55,
                                   0, 0, 0};
    return v;
}

std::vector<std::uint8_t> small_old_image()
{
    return {0, 0, 0, 1, 'D', 'E', 0, 0xA5,
            0, 0, 0, 20, // phrase table
            0, 0, 0, 36, // W = (24 + 6 + 3) -> 36
            0, 0, 0, 60, // total: 36 + 16 + 5 = 57 -> 60
            // phrase table: N, 4 offsets, 3 one-byte references, padding
            0, 3, 0, 10, 0, 12, 0, 12, 0, 13, 1, 2, 2, 0, 0, 0,
            // word table
            0, 0, 0, 2, 0, 0, 0, 16, 0, 0, 0, 19, 0, 0, 0, 21, 0x11, 0x22, 0x33, 0x44, 0x55, 0, 0, 0};
}

} // namespace

TEST(CsfLayout, WritersLayOutBothVariantsExactly)
{
    SpeechDbPtr modern = make_db(DB_FORMAT_MODERN, small_audio(), small_phrases(), "DE", 0xA5);
    EXPECT_EQ(csf_build_modern(modern.get()), small_modern_image());
    SpeechDbPtr old = make_db(DB_FORMAT_OLD, small_audio(), small_phrases(), "DE", 0xA5);
    EXPECT_EQ(csf_build_old(old.get()), small_old_image());
    // Only the low 8 bits of the flags reach the file.
    old->flags = 0x3A5;
    EXPECT_EQ(csf_build_old(old.get())[7], 0xA5);
}

TEST(CsfLayout, ParserReadsHandLaidImages)
{
    for (const auto& image : {small_old_image(), small_modern_image()}) {
        ErrorText err;
        SpeechDbPtr db = csf_parse(image.data(), image.size(), &err);
        ASSERT_TRUE(db) << err;
        SpeechDbPtr expected = make_db(image[0] == 0 ? DB_FORMAT_OLD : DB_FORMAT_MODERN, small_audio(),
                                       small_phrases(), "DE", 0xA5);
        EXPECT_EQ(db_compare_saved(expected.get(), db.get(), false), "");
        EXPECT_EQ(db->modified, 0);
        EXPECT_EQ(db->codec, CODEC_ADPCM);
        EXPECT_EQ(db->sample_rate, 16000);
        EXPECT_EQ(db->channels, 1);
        EXPECT_EQ(db->bits_per_sample, 16);
        EXPECT_STREQ(db->language_code, "DE");
        const PhraseEntry* p0 = db_phrase(db.get(), 0);
        EXPECT_EQ(p0->words, phrase_saved_words(*p0));
        EXPECT_FALSE(p0->saved_words) << "a loaded list is not held twice";
        EXPECT_EQ(p0->words[1], db_word(db.get(), 1)) << "references point at the word entries";
        EXPECT_TRUE(db_phrase(db.get(), 1)->words.empty());
        WordEntry* w0 = db_word(db.get(), 0);
        EXPECT_EQ(w0->audio, w0->saved_audio);
        EXPECT_EQ(w0->changed, 0);
        const std::vector<std::uint8_t> loaded = w0->audio.to_vector();
        const std::vector<std::uint8_t> next = db_word(db.get(), 1)->audio.to_vector();
        std::vector<std::uint8_t> changed = loaded;
        changed[0] ^= 0xFF;
        w0->audio = changed;
        EXPECT_EQ(w0->saved_audio, loaded) << "changing the audio leaves the saved audio as loaded";
        EXPECT_EQ(db_word(db.get(), 1)->audio, next) << "and the neighbouring word's bytes too";
        EXPECT_FALSE(w0->alias);
        EXPECT_TRUE(w0->usage.empty());
    }
}

TEST(CsfLayout, DetectFormat)
{
    const auto modern = small_modern_image();
    const auto old = small_old_image();
    EXPECT_EQ(csf_detect_format(old.data(), 4), DB_FORMAT_OLD);
    EXPECT_EQ(csf_detect_format(old.data(), 3), DB_FORMAT_UNKNOWN);
    EXPECT_EQ(csf_detect_format(modern.data(), modern.size()), DB_FORMAT_MODERN);
    EXPECT_EQ(csf_detect_format(modern.data(), 24), DB_FORMAT_MODERN);
    EXPECT_EQ(csf_detect_format(modern.data(), 23), DB_FORMAT_UNKNOWN);
    for (std::size_t at : {0u, 14u, 15u, 19u, 20u, 23u}) {
        auto bad = modern;
        bad[at] ^= 0x01;
        EXPECT_EQ(csf_detect_format(bad.data(), bad.size()), DB_FORMAT_UNKNOWN) << "byte " << at;
    }
}

TEST(CsfRoundTrip, LanguageCodesOfZeroToThreeCharacters)
{
    for (const char* code : {"", "D", "DE", "ENG"}) {
        for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
            SpeechDbPtr db = make_db(format, small_audio(), small_phrases(), code, 0xA5);
            auto image = csf_image(db.get());
            ASSERT_FALSE(image.empty()) << code;
            const std::size_t at = format == DB_FORMAT_OLD ? 4 : 24;
            char written[4] = {char(image[at]), char(image[at + 1]), char(image[at + 2]), 0};
            EXPECT_EQ(0, std::memcmp(written, db->language_code, 3)) << code;
            SpeechDbPtr back = csf_parse(image.data(), image.size(), nullptr);
            ASSERT_TRUE(back);
            EXPECT_STREQ(back->language_code, code);
            EXPECT_EQ(back->language_code[3], 0);
            EXPECT_EQ(csf_image(back.get()), image);
        }
    }
}

TEST(CsfRoundTrip, OldVariantHolds255WordsAndWritesWord254AsByte255)
{
    std::vector<std::vector<std::uint8_t>> audio(255, std::vector<std::uint8_t>{0x08, 0x80});
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, audio, {{254, 0}, {}, {253}});
    auto image = csf_build_old(db.get());
    ASSERT_FALSE(image.empty());
    // Phrase table: count 3, four offsets, then the references.
    EXPECT_EQ(image[20 + 10], 255);
    EXPECT_EQ(image[20 + 11], 1);
    EXPECT_EQ(image[20 + 12], 254);
    ErrorText err;
    SpeechDbPtr back = csf_parse(image.data(), image.size(), &err);
    ASSERT_TRUE(back) << err;
    EXPECT_EQ(list_count(back->words), 255u);
    EXPECT_EQ(db_phrase(back.get(), 0)->words[0], db_word(back.get(), 254));
    EXPECT_EQ(csf_build_old(back.get()), image);
}

TEST(CsfRoundTrip, RandomDatabasesBothVariants)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 40; ++round) {
        const DbFormat format = round % 2 ? DB_FORMAT_MODERN : DB_FORMAT_OLD;
        const int words = 1 + int(rng() % (format == DB_FORMAT_OLD ? 255 : 1000));
        const int phrases = int(rng() % 300);
        SpeechDbPtr db = make_random_db(rng, format, words, phrases, 40);
        db->flags = int(rng() % 256);
        auto image = csf_image(db.get());
        ASSERT_FALSE(image.empty()) << "round " << round;
        ASSERT_EQ(image.size() % 4, 0u);
        ErrorText err;
        SpeechDbPtr back = csf_parse(image.data(), image.size(), &err);
        ASSERT_TRUE(back) << err << " in round " << round;
        ASSERT_EQ(db_compare_saved(db.get(), back.get(), false), "") << "round " << round;
        ASSERT_EQ(csf_image(back.get()), image) << "round " << round;
    }
}

TEST(CsfRoundTrip, PhraseWithThirtyTwoWordsLoads)
{
    for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = make_db(format, {{1}, {2}}, {std::vector<int>(32, 1)});
        auto image = csf_image(db.get());
        SpeechDbPtr back = csf_parse(image.data(), image.size(), nullptr);
        ASSERT_TRUE(back);
        EXPECT_EQ(db_phrase(back.get(), 0)->words.size(), 32u);
    }
}

TEST(CsfRoundTrip, ThousandWordModernImageLoads)
{
    std::mt19937 rng(7);
    SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, 1000, 50, 8);
    auto image = csf_image(db.get());
    SpeechDbPtr back = csf_parse(image.data(), image.size(), nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(list_count(back->words), 1000u);
}

TEST(CsfRoundTrip, SwappedWordsChangeWrittenNumbersNotRecordings)
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1}, {2}, {3}}, {{0, 2}, {1}, {2, 2}});
    // Swap words 0 and 2 the way a reorder does: positions and numbers.
    WordEntry* w0 = db_word(db.get(), 0);
    WordEntry* w2 = db_word(db.get(), 2);
    list_swap(db->words, 0, 2);
    w0->number = 2;
    w2->number = 0;
    auto image = csf_build_modern(db.get());
    SpeechDbPtr back = csf_parse(image.data(), image.size(), nullptr);
    ASSERT_TRUE(back);
    const PhraseEntry* p0 = db_phrase(back.get(), 0);
    EXPECT_EQ(p0->words[0]->number, 2);
    EXPECT_EQ(p0->words[1]->number, 0);
    EXPECT_EQ(p0->words[0]->audio, std::vector<std::uint8_t>{1}) << "the phrase still speaks the same recording";
    EXPECT_EQ(db_phrase(back.get(), 2)->words[0]->number, 0);
    EXPECT_EQ(db_word(back.get(), 0)->audio, std::vector<std::uint8_t>{3});
}

TEST(CsfRoundTrip, OnlyCurrentDataIsWritten)
{
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, {{1, 2, 3}, {4}}, {{0}});
    db_word(db.get(), 0)->audio = {9, 9};
    db_word(db.get(), 0)->alias = "hello";
    db_phrase(db.get(), 0)->words = {db_word(db.get(), 1), db_word(db.get(), 1)};
    db_phrase(db.get(), 0)->comment = "note";
    auto image = csf_build_old(db.get());
    SpeechDbPtr back = csf_parse(image.data(), image.size(), nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(db_word(back.get(), 0)->audio, (std::vector<std::uint8_t>{9, 9}));
    EXPECT_EQ(db_phrase(back.get(), 0)->words.size(), 2u);
    EXPECT_FALSE(db_word(back.get(), 0)->alias);
    EXPECT_FALSE(db_phrase(back.get(), 0)->comment);
}

TEST(CsfFile, LoadAndSaveReproduceTheFileAndKeepModified)
{
    TempDir dir;
    for (const auto& bytes : {small_old_image(), small_modern_image()}) {
        write_bytes(dir.file("in.csf"), bytes);
        ErrorText err;
        SpeechDbPtr db = db_load_file(dir.file("in.csf").c_str(), &err);
        ASSERT_TRUE(db) << err;
        EXPECT_EQ(db_is_modified(db.get()), 0);
        ASSERT_EQ(csf_save(db.get(), dir.file("out.csf").c_str(), &err), 1) << err;
        EXPECT_EQ(read_bytes(dir.file("out.csf")), bytes);
        db_set_flags(db.get(), 0xA5);
        ASSERT_EQ(csf_save(db.get(), dir.file("out.csf").c_str(), &err), 1) << err;
        EXPECT_EQ(db_is_modified(db.get()), 1) << "saving as CSF leaves the mark alone";
        EXPECT_EQ(read_bytes(dir.file("out.csf")), bytes);
    }
}

TEST(CsfFile, HeaderSizeFieldIsIgnoredOnReading)
{
    auto image = small_modern_image();
    image[36] = 0xDE;
    image[39] = 0x01;
    SpeechDbPtr db = csf_parse(image.data(), image.size(), nullptr);
    ASSERT_TRUE(db);
    EXPECT_EQ(csf_build_modern(db.get()), small_modern_image());
}

TEST(CsfRoundTrip, LargeImageKeepsEveryByte)
{
    // Big enough (about 6 MB) for the whole-buffer huge-page hints of the
    // reader and the writer to take effect.
    std::mt19937 rng(77);
    SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, 3000, 2000, 4000);
    auto image = csf_image(db.get());
    ASSERT_GT(image.size(), std::size_t(5) << 20);
    SpeechDbPtr back = csf_parse(image.data(), image.size(), nullptr);
    ASSERT_TRUE(back);
    ASSERT_EQ(db_compare_saved(db.get(), back.get(), false), "");
    EXPECT_EQ(csf_image(back.get()), image);
}
