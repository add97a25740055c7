// The database model: list growth, accounting and ownership, header
// accessors, and freeing a database whose words are shared by several
// phrases.
#include "db/operations.h"
#include "db/speech_db.h"
#include "test_db.h"

#include <gtest/gtest.h>

using Numbers = ItemList<std::uint32_t>;

TEST(ItemList, NewListHasRoomForOneBlock)
{
    Numbers list;
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.spare, LIST_GROWTH);
    EXPECT_EQ(list.items.size(), LIST_GROWTH);
}

TEST(ItemList, OutOfRangeIsHarmless)
{
    Numbers list;
    EXPECT_EQ(list_get(list, 0), nullptr);
    list_push(list, 7u);
    EXPECT_EQ(list_get(list, 1), nullptr);
    EXPECT_EQ(list_get(list, std::uint32_t(-1)), nullptr);
    list_swap(list, 0, 1);
    list_insert_at(list, 2, 9u);
    list_remove_at(list, 1);
    EXPECT_EQ(list.count, 1u);
    EXPECT_EQ(*list_get(list, 0), 7u);
}

TEST(ItemList, GrowsLinearlyByOneBlockAndKeepsItems)
{
    Numbers list;
    for (std::uint32_t i = 0; i < 1024; ++i)
        list_push(list, i * 3);
    EXPECT_EQ(list.spare, 0u);
    EXPECT_EQ(list.items.size(), 1024u);
    list_push(list, 99999u);
    EXPECT_EQ(list.count, 1025u);
    EXPECT_EQ(list.spare, 1023u);
    EXPECT_EQ(list.items.size(), 2048u);
    for (std::uint32_t i = 0; i < 1024; ++i)
        ASSERT_EQ(*list_get(list, i), i * 3);
    EXPECT_EQ(*list_get(list, 1024), 99999u);
    for (int i = 0; i < 1023; ++i)
        list_push(list, 1u);
    list_push(list, 2u);
    EXPECT_EQ(list.items.size(), 3072u) << "growth must be linear, not geometric";
}

TEST(ItemList, RemoveMovesLaterItemsDownAndNeverShrinks)
{
    Numbers list;
    for (std::uint32_t i = 1; i <= 4; ++i)
        list_push(list, i);
    list_remove_at(list, 0);
    ASSERT_EQ(list.count, 3u);
    EXPECT_EQ(list.spare, LIST_GROWTH - 3);
    EXPECT_EQ(*list_get(list, 0), 2u);
    EXPECT_EQ(*list_get(list, 2), 4u);
    list_remove_at(list, 2);
    EXPECT_EQ(list.count, 2u);
    EXPECT_EQ(*list_get(list, 1), 3u);
    EXPECT_EQ(list.items.size(), LIST_GROWTH);
}

TEST(ItemList, ReserveKeepsAccountingExact)
{
    Numbers list;
    list_reserve(list, 5000);
    for (std::uint32_t i = 0; i < 3000; ++i)
        list_push(list, i);
    EXPECT_EQ(list.count, 3000u);
    EXPECT_EQ(list.spare, 72u);
    EXPECT_EQ(list.items.size(), 3072u);
}

TEST(ItemList, InsertIntoAFullBlockGrowsByOneBlockAndTakeHandsOwnershipOver)
{
    ItemList<std::unique_ptr<int>> list;
    for (int i = 0; i < 1024; ++i)
        list_push(list, std::make_unique<int>(i));
    list_insert_at(list, 1, std::make_unique<int>(-1));
    EXPECT_EQ(list.count, 1025u);
    EXPECT_EQ(list.spare, 1023u);
    EXPECT_EQ(list.items.size(), 2048u);
    EXPECT_EQ(**list_get(list, 1), -1);
    EXPECT_EQ(**list_get(list, 1024), 1023);

    const std::unique_ptr<int> taken = list_take_at(list, 1);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, -1);
    EXPECT_EQ(list.count, 1024u);
    EXPECT_EQ(list.spare, 1024u);
    EXPECT_EQ(**list_get(list, 1), 1);
    EXPECT_EQ(list.items[1024], nullptr) << "the vacated slot holds nothing";
    list_swap(list, 0, 1023);
    EXPECT_EQ(**list_get(list, 0), 1023);
    EXPECT_EQ(list_take_at(list, 1024), nullptr);
}

TEST(SpeechDbHeader, LanguageCode)
{
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, {{1, 2}}, {{0}}, "ENG");
    db->modified = 0;
    EXPECT_STREQ(db_language_code(db.get()), "ENG");
    db_set_language_code(db.get(), "DE");
    const char* code = db_language_code(db.get());
    EXPECT_EQ(code[0], 'D');
    EXPECT_EQ(code[1], 'E');
    EXPECT_EQ(code[2], '\0');
    EXPECT_EQ(code[3], '\0');
    EXPECT_EQ(db_is_modified(db.get()), 1);
    db->modified = 0;
    db_set_language_code(db.get(), nullptr);
    EXPECT_EQ(db_is_modified(db.get()), 0);
    EXPECT_STREQ(db_language_code(db.get()), "DE");
    db_set_language_code(db.get(), "ABCDEF");
    EXPECT_STREQ(db_language_code(db.get()), "ABC");
}

TEST(SpeechDbHeader, FlagsAlwaysMarkModified)
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1}}, {{0}}, "DE", 0x81);
    db_set_flags(db.get(), 0x81);
    EXPECT_EQ(db_flags(db.get()), 0x81);
    EXPECT_EQ(db_is_modified(db.get()), 1);
}

TEST(SpeechDbHeader, FormatNames)
{
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, {{1}}, {});
    EXPECT_STREQ(db_format_name(db.get()), "Old (Mk2 systems)");
    db->format = DB_FORMAT_MODERN;
    EXPECT_STREQ(db_format_name(db.get()), "Modern (Mk3 Mk4 systems)");
    db->format = DB_FORMAT_UNKNOWN;
    EXPECT_STREQ(db_format_name(db.get()), "Unknown");
    db->format = DbFormat(7);
    EXPECT_STREQ(db_format_name(db.get()), "Unknown");
}

TEST(SpeechDbFree, SharedWordsAreFreedOnceAndNullIsAllowed)
{
    // The sanitizer build turns a double free here into a failure.
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1}, {2}}, {{0, 0, 1}, {0}, {1, 1}});
    ASSERT_TRUE(word_set_alias(db.get(), 0, "x"));
    phrase_set_comment(db.get(), 0, "c");
    ASSERT_EQ(word_usage(db.get(), 1).size(), 3u);
    db.reset();
    db_free(nullptr);
    SUCCEED();
}
