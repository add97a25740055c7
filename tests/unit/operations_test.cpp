// Queries and edits on phrases and words: refusals at every edge, the
// modified and changed marks, renumbering while phrases keep speaking the
// same recordings, alias uniqueness and lookup, usage lists, and the
// saved lists that word removal commits.
#include "db/csf.h"
#include "db/operations.h"
#include "io/bytes.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t HUGE_INDEX = 0xFFFFFFFFu;

// Word numbers of a phrase's current list, as the pages read them.
std::vector<int> numbers_of(const SpeechDb* db, std::uint32_t phrase)
{
    std::vector<int> out;
    for (std::uint32_t i = 0; i < phrase_word_count(db, phrase); ++i)
        out.push_back(phrase_word_number(db, phrase, i));
    return out;
}

// Five words whose audio tells them apart: word i holds the byte 10 + i.
SpeechDbPtr five_words(DbFormat format, const std::vector<std::vector<int>>& phrases)
{
    return make_db(format, {{10}, {11}, {12}, {13}, {14}}, phrases);
}

// The first audio byte of the word at a phrase position: which recording
// the phrase speaks there, whatever the word's number is now.
int recording_at(const SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    return db_phrase(db, phrase)->words[pos]->audio.at(0);
}

} // namespace

TEST(PhraseQueries, OutOfRangeYieldsTheRefusalValues)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{0, 1}, {}});
    word_set_alias(db.get(), 1, "one");
    db->modified = 0;
    EXPECT_EQ(phrase_count(db.get()), 2u);
    EXPECT_EQ(phrase_word_count(db.get(), 0), 2u);
    EXPECT_EQ(phrase_word_count(db.get(), HUGE_INDEX), 0u);
    EXPECT_EQ(phrase_word_count(db.get(), 2), 0u);
    EXPECT_EQ(phrase_word_number(db.get(), 0, 1), 1);
    EXPECT_EQ(phrase_word_number(db.get(), 0, 2), -1);
    EXPECT_EQ(phrase_word_number(db.get(), 2, 0), -1);
    EXPECT_EQ(phrase_word_number(db.get(), 1, 0), -1);
    EXPECT_STREQ(phrase_word_alias(db.get(), 0, 1), "one");
    EXPECT_EQ(phrase_word_alias(db.get(), 0, 0), nullptr);
    EXPECT_EQ(phrase_word_alias(db.get(), 0, 2), nullptr);
    EXPECT_EQ(phrase_comment(db.get(), 0), nullptr);
    EXPECT_EQ(phrase_comment(db.get(), HUGE_INDEX), nullptr);
    EXPECT_FALSE(phrase_is_changed(db.get(), HUGE_INDEX));
    EXPECT_EQ(word_alias(db.get(), 5), nullptr);
    EXPECT_TRUE(word_usage(db.get(), 5).empty());
    EXPECT_FALSE(word_is_changed(db.get(), HUGE_INDEX));
    EXPECT_EQ(db_is_modified(db.get()), 0) << "queries never mark the database";
}

TEST(PhraseSetWord, RefusalsChangeNothingAndSuccessAlwaysMarks)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{0, 1, 2}});
    EXPECT_FALSE(phrase_set_word(db.get(), 0, 0, -1));
    EXPECT_FALSE(phrase_set_word(db.get(), 0, 0, 5));
    EXPECT_FALSE(phrase_set_word(db.get(), 1, 0, 3));
    EXPECT_FALSE(phrase_set_word(db.get(), 0, 3, 3));
    EXPECT_FALSE(phrase_set_word(db.get(), 0, HUGE_INDEX, 3));
    EXPECT_EQ(db_is_modified(db.get()), 0);
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{0, 1, 2}));

    // Storing the word a place already holds is still an edit, but the
    // phrase does not differ from what was loaded.
    EXPECT_TRUE(phrase_set_word(db.get(), 0, 1, 1));
    EXPECT_EQ(db_is_modified(db.get()), 1);
    EXPECT_FALSE(phrase_is_changed(db.get(), 0));

    EXPECT_TRUE(phrase_set_word(db.get(), 0, 2, 4));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{0, 1, 4}));
    EXPECT_TRUE(phrase_is_changed(db.get(), 0));
    EXPECT_TRUE(phrase_set_word(db.get(), 0, 2, 2));
    EXPECT_FALSE(phrase_is_changed(db.get(), 0)) << "equal lists again means unchanged";
}

TEST(PhraseSetWordByAlias, ExactBytesAndLowestNumberWins)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{0, 0}});
    ASSERT_TRUE(word_set_alias(db.get(), 2, "Street"));
    db->modified = 0;
    EXPECT_FALSE(phrase_set_word_by_alias(db.get(), 0, 0, nullptr));
    EXPECT_FALSE(phrase_set_word_by_alias(db.get(), 0, 0, ""));
    EXPECT_FALSE(phrase_set_word_by_alias(db.get(), 0, 0, "street"));
    EXPECT_FALSE(phrase_set_word_by_alias(db.get(), 0, 0, "Stree"));
    EXPECT_FALSE(phrase_set_word_by_alias(db.get(), 0, 0, "Street "));
    EXPECT_FALSE(phrase_set_word_by_alias(db.get(), 0, 2, "Street")) << "position out of range";
    EXPECT_EQ(db_is_modified(db.get()), 0);
    EXPECT_TRUE(phrase_set_word_by_alias(db.get(), 0, 1, "Street"));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{0, 2}));
    EXPECT_EQ(db_is_modified(db.get()), 1);

    // A project file may bring the same alias twice; the lower-numbered
    // word is the one found, also after the two trade places.
    db_word(db.get(), 4)->alias = "dup";
    db_word(db.get(), 3)->alias = "dup";
    EXPECT_TRUE(phrase_set_word_by_alias(db.get(), 0, 0, "dup"));
    EXPECT_EQ(recording_at(db.get(), 0, 0), 13);
    ASSERT_TRUE(word_move_down(db.get(), 3));
    EXPECT_TRUE(phrase_set_word_by_alias(db.get(), 0, 0, "dup"));
    EXPECT_EQ(recording_at(db.get(), 0, 0), 14);
    EXPECT_EQ(phrase_word_number(db.get(), 0, 0), 3);
}

TEST(PhraseListEdits, MovesInsertAndRemoveAtTheirEdges)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{1, 2, 3}, {4}, {}});
    EXPECT_FALSE(phrase_move_word_up(db.get(), 0, 0));
    EXPECT_FALSE(phrase_move_word_up(db.get(), 0, 3));
    EXPECT_FALSE(phrase_move_word_up(db.get(), 3, 1));
    EXPECT_FALSE(phrase_move_word_down(db.get(), 0, 2));
    EXPECT_FALSE(phrase_move_word_down(db.get(), 0, HUGE_INDEX)) << "position + 1 must not wrap to 0";
    EXPECT_FALSE(phrase_move_word_down(db.get(), 2, 0));
    EXPECT_FALSE(phrase_move_word_down(db.get(), 2, HUGE_INDEX));
    EXPECT_FALSE(phrase_remove_word(db.get(), 1, 0)) << "a phrase keeps its last word";
    EXPECT_FALSE(phrase_remove_word(db.get(), 0, 3));
    EXPECT_FALSE(phrase_insert_word(db.get(), 0, 3));
    EXPECT_FALSE(phrase_insert_word(db.get(), 2, 0)) << "an empty phrase has no place to insert after";
    EXPECT_EQ(db_is_modified(db.get()), 0);

    EXPECT_TRUE(phrase_move_word_up(db.get(), 0, 2));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(db_is_modified(db.get()), 1);
    EXPECT_TRUE(phrase_move_word_down(db.get(), 0, 0));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{3, 1, 2}));
    EXPECT_TRUE(phrase_insert_word(db.get(), 0, 0));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{3, 0, 1, 2})) << "new place follows and speaks word 0";
    EXPECT_TRUE(phrase_remove_word(db.get(), 0, 3));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{3, 0, 1}));
    EXPECT_TRUE(phrase_remove_word(db.get(), 0, 0));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{0, 1}));
    EXPECT_TRUE(phrase_is_changed(db.get(), 0));
}

TEST(PhraseListEdits, InsertStopsAtThirtyTwoWords)
{
    SpeechDbPtr db = five_words(DB_FORMAT_OLD, {std::vector<int>(31, 4)});
    EXPECT_TRUE(phrase_insert_word(db.get(), 0, 30));
    ASSERT_EQ(phrase_word_count(db.get(), 0), 32u);
    EXPECT_EQ(phrase_word_number(db.get(), 0, 31), 0);
    EXPECT_EQ(phrase_word_number(db.get(), 0, 30), 4);
    db->modified = 0;
    EXPECT_FALSE(phrase_insert_word(db.get(), 0, 0));
    EXPECT_FALSE(phrase_insert_word(db.get(), 0, 31));
    EXPECT_EQ(phrase_word_count(db.get(), 0), 32u);
    EXPECT_EQ(db_is_modified(db.get()), 0);
}

TEST(PhraseChanged, RevertAndCommitCompareByIdentity)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{1, 2}, {}, {3}});
    EXPECT_FALSE(phrase_is_changed(db.get(), 1)) << "two empty lists are equal";
    ASSERT_TRUE(phrase_insert_word(db.get(), 0, 1));
    EXPECT_TRUE(phrase_is_changed(db.get(), 0)) << "different counts";
    db->modified = 0;
    phrase_revert(db.get(), 0);
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{1, 2}));
    EXPECT_FALSE(phrase_is_changed(db.get(), 0));
    EXPECT_EQ(db_is_modified(db.get()), 1) << "the loaded list differs from a project saved since";
    db->modified = 0;
    phrase_revert(db.get(), 0);
    EXPECT_EQ(db_is_modified(db.get()), 0) << "reverting an unchanged phrase changes nothing";

    ASSERT_TRUE(phrase_set_word(db.get(), 2, 0, 4));
    phrase_commit(db.get(), 2);
    EXPECT_FALSE(phrase_is_changed(db.get(), 2));
    db->modified = 0;
    phrase_revert(db.get(), 2);
    EXPECT_EQ(numbers_of(db.get(), 2), (std::vector<int>{4})) << "revert goes back to the committed list";
    EXPECT_EQ(db_is_modified(db.get()), 0);
    phrase_revert(db.get(), HUGE_INDEX);
    phrase_commit(db.get(), 3);

    // Renumbering words never makes a phrase differ from its saved list.
    ASSERT_TRUE(word_move_up(db.get(), 2));
    ASSERT_TRUE(word_insert(db.get(), 0));
    EXPECT_FALSE(phrase_is_changed(db.get(), 0));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{3, 2}));
}

TEST(PhraseComment, SetClearAndAlwaysMark)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{0}});
    phrase_set_comment(db.get(), 1, "no such phrase");
    EXPECT_EQ(db_is_modified(db.get()), 0);
    std::string text = "turn left";
    phrase_set_comment(db.get(), 0, text.c_str());
    text[0] = 'b';
    EXPECT_STREQ(phrase_comment(db.get(), 0), "turn left") << "the text handed in is copied";
    EXPECT_EQ(db_is_modified(db.get()), 1);
    db->modified = 0;
    phrase_set_comment(db.get(), 0, nullptr);
    EXPECT_EQ(phrase_comment(db.get(), 0), nullptr);
    EXPECT_EQ(db_is_modified(db.get()), 1);
    db->modified = 0;
    phrase_set_comment(db.get(), 0, nullptr);
    EXPECT_EQ(db_is_modified(db.get()), 1) << "marks even when nothing changes";
}

TEST(WordAlias, UniqueAmongOtherWordsOnly)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{0}});
    EXPECT_FALSE(word_set_alias(db.get(), 5, "x"));
    EXPECT_FALSE(word_set_alias(db.get(), HUGE_INDEX, nullptr));
    EXPECT_EQ(db_is_modified(db.get()), 0);
    EXPECT_TRUE(word_set_alias(db.get(), 1, "left"));
    EXPECT_TRUE(word_set_alias(db.get(), 1, "left")) << "its own alias again";
    db->modified = 0;
    EXPECT_FALSE(word_set_alias(db.get(), 3, "left"));
    EXPECT_EQ(word_alias(db.get(), 3), nullptr);
    EXPECT_TRUE(word_set_alias(db.get(), 3, "right"));
    EXPECT_FALSE(word_set_alias(db.get(), 3, "left"));
    EXPECT_STREQ(word_alias(db.get(), 3), "right") << "a refused alias keeps the old one";
    EXPECT_TRUE(word_set_alias(db.get(), 2, "Left")) << "letter case makes a different alias";
    db->modified = 0;
    EXPECT_TRUE(word_set_alias(db.get(), 1, nullptr));
    EXPECT_EQ(word_alias(db.get(), 1), nullptr);
    EXPECT_EQ(db_is_modified(db.get()), 1);
    EXPECT_TRUE(word_set_alias(db.get(), 4, "left")) << "a cleared alias is free again";
    EXPECT_STREQ(phrase_word_alias(db.get(), 0, 0), nullptr);
}

using Usage = std::vector<std::uint32_t>;

// A word's usage list as a vector, as whoever reads it sees it.
Usage usage_of(const SpeechDb* db, std::uint32_t word)
{
    const std::span<const std::uint32_t> list = word_usage(db, word);
    return Usage(list.begin(), list.end());
}

TEST(WordUsage, ListsEveryOccurrenceAscendingAndEmptyWhenUnused)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{1}, {2}, {0, 1}, {1, 3, 1}, {}, {3}});
    EXPECT_EQ(usage_of(db.get(), 1), (Usage{0, 2, 3, 3})) << "current without any build first";
    EXPECT_EQ(db_is_modified(db.get()), 0);
    EXPECT_EQ(usage_of(db.get(), 3), (Usage{3, 5}));
    EXPECT_TRUE(word_usage(db.get(), 4).empty());

    // Every kind of phrase edit shows at once and drops lists that fell
    // empty; word moves keep the lists with their words.
    ASSERT_TRUE(phrase_set_word(db.get(), 1, 0, 4));
    EXPECT_TRUE(word_usage(db.get(), 2).empty());
    EXPECT_EQ(usage_of(db.get(), 4), (Usage{1}));
    ASSERT_TRUE(phrase_insert_word(db.get(), 5, 0));
    ASSERT_TRUE(phrase_remove_word(db.get(), 3, 0));
    EXPECT_EQ(usage_of(db.get(), 0), (Usage{2, 5}));
    EXPECT_EQ(usage_of(db.get(), 1), (Usage{0, 2, 3}));
    phrase_revert(db.get(), 3);
    EXPECT_EQ(usage_of(db.get(), 1), (Usage{0, 2, 3, 3}));
    ASSERT_TRUE(word_move_up(db.get(), 4));
    EXPECT_EQ(usage_of(db.get(), 3), (Usage{1}));
}

TEST(WordUsage, LongListsHoldEveryReferenceAndNoSpareRoom)
{
    // 1500 phrases of two references to word 1 (3000 items), then 32
    // phrases of 32 references to word 2 (one old block exactly).
    std::vector<std::vector<int>> phrases(1500, std::vector<int>{1, 1});
    phrases.resize(1532, std::vector<int>(32, 2));
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, phrases);
    const std::span<const std::uint32_t> list = word_usage(db.get(), 1);
    ASSERT_EQ(list.size(), 3000u);
    EXPECT_EQ(list[2998], 1499u);
    EXPECT_EQ(db_word(db.get(), 1)->usage.capacity(), 3000u) << "sized to its content";
    const std::span<const std::uint32_t> full = word_usage(db.get(), 2);
    ASSERT_EQ(full.size(), 1024u);
    EXPECT_EQ(full[1023], 1531u);
    EXPECT_TRUE(word_usage(db.get(), 0).empty());
    EXPECT_EQ(db_word(db.get(), 0)->usage.capacity(), 0u);
}

TEST(WordOrder, MovesSwapNumbersWhilePhrasesKeepTheirRecordings)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{1, 0}, {4}});
    EXPECT_FALSE(word_move_up(db.get(), 0));
    EXPECT_FALSE(word_move_up(db.get(), 5));
    EXPECT_FALSE(word_move_down(db.get(), 4));
    EXPECT_FALSE(word_move_down(db.get(), HUGE_INDEX)) << "word + 1 must not wrap to 0";
    EXPECT_EQ(db_is_modified(db.get()), 0);

    ASSERT_TRUE(word_move_up(db.get(), 1));
    EXPECT_EQ(db_is_modified(db.get()), 1);
    EXPECT_EQ(db_word(db.get(), 0)->audio[0], 11);
    EXPECT_EQ(db_word(db.get(), 0)->number, 0);
    EXPECT_EQ(db_word(db.get(), 1)->number, 1);
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(recording_at(db.get(), 0, 0), 11);
    EXPECT_EQ(recording_at(db.get(), 0, 1), 10);
    EXPECT_FALSE(phrase_is_changed(db.get(), 0));

    ASSERT_TRUE(word_move_down(db.get(), 3));
    EXPECT_EQ(numbers_of(db.get(), 1), (std::vector<int>{3}));
    EXPECT_EQ(recording_at(db.get(), 1, 0), 14);
}

// Word moves, an insert and a removal; then the built image must carry
// every phrase's new word numbers while each phrase still speaks the
// recordings it spoke before.
TEST(WordOrder, RenumberedReferencesAreWhatGetsWritten)
{
    for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SCOPED_TRACE(format);
        SpeechDbPtr db = five_words(format, {{4, 0, 1}, {2}, {1, 1}});
        ASSERT_TRUE(word_move_up(db.get(), 1));   // 11 10 12 13 14
        ASSERT_TRUE(word_move_down(db.get(), 2)); // 11 10 13 12 14
        ASSERT_TRUE(word_insert(db.get(), 0));    // 11 new 10 13 12 14
        ASSERT_TRUE(word_remove(db.get(), 3));    // 11 new 10 12 14
        EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{4, 2, 0}));
        EXPECT_EQ(numbers_of(db.get(), 1), (std::vector<int>{3}));
        EXPECT_EQ(numbers_of(db.get(), 2), (std::vector<int>{0, 0}));

        ErrorText err;
        std::vector<std::uint8_t> image;
        ASSERT_TRUE(csf_build_image(db.get(), &image, &err)) << err;
        // Phrase 0's references as stored: number + 1, one byte (old) or
        // a big-endian u32 (modern) each, behind the count and the
        // offsets of the three phrases.
        const bool old = format == DB_FORMAT_OLD;
        const std::uint64_t refs = old ? 20 + 2 + 2 * 4 : 40 + 4 + 4 * 4;
        std::vector<std::uint32_t> stored(3);
        for (std::uint32_t k = 0; k < 3; ++k) {
            if (old) {
                ASSERT_TRUE(in_bounds(image.size(), refs + k, 1));
                stored[k] = image[refs + k];
            } else {
                ASSERT_TRUE(read_u32be(image.data(), image.size(), refs + 4 * k, &stored[k]));
            }
        }
        EXPECT_EQ(stored, (std::vector<std::uint32_t>{5, 3, 1}));

        SpeechDbPtr back = csf_parse(image.data(), image.size(), &err);
        ASSERT_NE(back, nullptr) << err;
        ASSERT_EQ(word_count(back.get()), 5u);
        EXPECT_EQ(recording_at(back.get(), 0, 0), 14);
        EXPECT_EQ(recording_at(back.get(), 0, 1), 10);
        EXPECT_EQ(recording_at(back.get(), 0, 2), 11);
        EXPECT_EQ(recording_at(back.get(), 1, 0), 12);
        EXPECT_EQ(recording_at(back.get(), 2, 1), 11);
        EXPECT_EQ(db_word(back.get(), 1)->audio, (std::vector<std::uint8_t>{11})) << "the inserted copy of word 0";
    }
}

TEST(WordInsert, CopiesWordZeroAfterTheGivenWordAndRenumbers)
{
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{3, 4}, {0}});
    WordEntry* old_four = db_word(db.get(), 4);
    db_word(db.get(), 0)->audio = {0x77, 0x66};
    db_word(db.get(), 0)->changed = 1;
    EXPECT_FALSE(word_insert(db.get(), 5));
    EXPECT_EQ(db_is_modified(db.get()), 0);
    ASSERT_TRUE(word_insert(db.get(), 3));
    EXPECT_EQ(db_is_modified(db.get()), 1);
    ASSERT_EQ(word_count(db.get()), 6u);
    for (std::uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(db_word(db.get(), i)->number, int(i));
    const WordEntry* fresh = db_word(db.get(), 4);
    EXPECT_EQ(fresh->audio, (std::vector<std::uint8_t>{0x77, 0x66})) << "word 0's current audio";
    EXPECT_EQ(fresh->saved_audio, fresh->audio);
    db_word(db.get(), 0)->audio = {0x11, 0x66};
    EXPECT_EQ(fresh->audio, (std::vector<std::uint8_t>{0x77, 0x66})) << "the copy keeps its bytes when word 0 changes";
    EXPECT_FALSE(word_is_changed(db.get(), 4));
    EXPECT_EQ(word_alias(db.get(), 4), nullptr);
    EXPECT_EQ(db_word(db.get(), 5), old_four);
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{3, 5}));
    EXPECT_FALSE(phrase_is_changed(db.get(), 0));
    ASSERT_TRUE(word_insert(db.get(), 5)) << "after the last word";
    EXPECT_EQ(db_word(db.get(), 6)->number, 6);
}

TEST(WordInsert, OldVariantStopsAt255Words)
{
    std::vector<std::vector<std::uint8_t>> audio(254, std::vector<std::uint8_t>{1});
    SpeechDbPtr old_db = make_db(DB_FORMAT_OLD, audio, {{253}});
    EXPECT_EQ(word_limit(old_db.get()), 255u);
    EXPECT_TRUE(word_insert(old_db.get(), 253));
    old_db->modified = 0;
    EXPECT_FALSE(word_insert(old_db.get(), 0));
    EXPECT_EQ(word_count(old_db.get()), 255u);
    EXPECT_EQ(db_is_modified(old_db.get()), 0);

    audio.resize(255, std::vector<std::uint8_t>{1});
    SpeechDbPtr modern = make_db(DB_FORMAT_MODERN, audio, {{254}});
    EXPECT_EQ(word_limit(modern.get()), 2147483647u);
    EXPECT_TRUE(word_insert(modern.get(), 0));
    EXPECT_EQ(word_count(modern.get()), 256u);
    EXPECT_EQ(phrase_word_number(modern.get(), 0, 0), 255);
}

TEST(WordRemove, RefusesTheLastWordAndWordsStillSpoken)
{
    SpeechDbPtr single = make_db(DB_FORMAT_MODERN, {{5}}, {{}});
    EXPECT_FALSE(word_remove(single.get(), 0));
    EXPECT_EQ(word_count(single.get()), 1u);

    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{0, 2}, {3}});
    EXPECT_FALSE(word_remove(db.get(), 5));
    EXPECT_FALSE(word_remove(db.get(), 2)) << "phrase 0 still speaks word 2";
    EXPECT_FALSE(word_remove(db.get(), 3));
    EXPECT_EQ(word_count(db.get()), 5u);
    EXPECT_EQ(db_is_modified(db.get()), 0);

    ASSERT_TRUE(word_set_alias(db.get(), 1, "gone"));
    db->modified = 0;
    ASSERT_TRUE(word_remove(db.get(), 1));
    EXPECT_EQ(db_is_modified(db.get()), 1);
    ASSERT_EQ(word_count(db.get()), 4u);
    for (std::uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(db_word(db.get(), i)->number, int(i));
    EXPECT_EQ(numbers_of(db.get(), 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(recording_at(db.get(), 0, 1), 12);
    EXPECT_EQ(numbers_of(db.get(), 1), (std::vector<int>{2}));
    EXPECT_TRUE(word_set_alias(db.get(), 0, "gone")) << "the removed word's alias went with it";
}

TEST(WordRemove, CommitsSavedListsThatStillReferToTheWord)
{
    // Phrase 1 spoke word 3 when loaded but no longer does; phrase 2 is
    // edited but never spoke word 3, so it keeps its saved list.
    SpeechDbPtr db = five_words(DB_FORMAT_MODERN, {{0}, {3, 1}, {2}});
    ASSERT_TRUE(phrase_set_word(db.get(), 1, 0, 4));
    ASSERT_TRUE(phrase_set_word(db.get(), 2, 0, 1));
    ASSERT_TRUE(phrase_is_changed(db.get(), 1));
    ASSERT_TRUE(word_remove(db.get(), 3));
    EXPECT_FALSE(phrase_is_changed(db.get(), 1));
    phrase_revert(db.get(), 1);
    EXPECT_EQ(numbers_of(db.get(), 1), (std::vector<int>{3, 1})) << "word 4 is now number 3";
    EXPECT_EQ(recording_at(db.get(), 1, 0), 14) << "nothing of the removed word came back";
    EXPECT_TRUE(phrase_is_changed(db.get(), 2));
    phrase_revert(db.get(), 2);
    EXPECT_EQ(numbers_of(db.get(), 2), (std::vector<int>{2}));
}

TEST(WordAudioRevert, RestoresTheLoadedAudioAndMarksWhenItChanges)
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1, 2, 3}, {}}, {{0, 1}});
    WordEntry* w = db_word(db.get(), 0);
    w->audio = {9};
    w->changed = 1;
    word_revert_audio(db.get(), 0);
    EXPECT_EQ(w->audio, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(word_is_changed(db.get(), 0));
    EXPECT_EQ(db_is_modified(db.get()), 1) << "the audio changed";
    db->modified = 0;
    word_revert_audio(db.get(), 0);
    EXPECT_EQ(db_is_modified(db.get()), 0) << "nothing to restore";

    // A word loaded without audio goes back to having none.
    WordEntry* empty = db_word(db.get(), 1);
    empty->audio = {4, 4};
    empty->changed = 1;
    word_revert_audio(db.get(), 1);
    EXPECT_TRUE(empty->audio.empty());
    EXPECT_FALSE(word_is_changed(db.get(), 1));
    word_revert_audio(db.get(), 2);
    EXPECT_EQ(word_count(db.get()), 2u);
}
