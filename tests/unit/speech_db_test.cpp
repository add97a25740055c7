// The database model: list growth and accounting, header accessors, and
// freeing a database whose words are shared by several phrases.
#include "db/operations.h"
#include "db/speech_db.h"
#include "test_db.h"

#include <gtest/gtest.h>

TEST(ItemList, NewListHasRoomForOneBlock)
{
    ItemListPtr list = list_new();
    EXPECT_EQ(list->count, 0u);
    EXPECT_EQ(list->spare, LIST_GROWTH);
    EXPECT_EQ(list->items.size(), LIST_GROWTH);
}

TEST(ItemList, OutOfRangeAndNullAreHarmless)
{
    ItemListPtr list = list_new();
    EXPECT_EQ(list_get(list.get(), 0), 0u);
    EXPECT_EQ(list_get(nullptr, 0), 0u);
    EXPECT_EQ(list_count(nullptr), 0u);
    list_push(list.get(), 7);
    EXPECT_EQ(list_get(list.get(), 1), 0u);
    EXPECT_EQ(list_get(list.get(), std::uint32_t(-1)), 0u);
    list_set(list.get(), 1, 9);
    list_set(nullptr, 0, 9);
    list_remove_at(list.get(), 1);
    EXPECT_EQ(list->count, 1u);
    EXPECT_EQ(list_get(list.get(), 0), 7u);
}

TEST(ItemList, GrowsLinearlyByOneBlockAndKeepsItems)
{
    ItemListPtr list = list_new();
    for (ListItem i = 0; i < 1024; ++i)
        list_push(list.get(), i * 3);
    EXPECT_EQ(list->spare, 0u);
    EXPECT_EQ(list->items.size(), 1024u);
    list_push(list.get(), 99999);
    EXPECT_EQ(list->count, 1025u);
    EXPECT_EQ(list->spare, 1023u);
    EXPECT_EQ(list->items.size(), 2048u);
    for (ListItem i = 0; i < 1024; ++i)
        ASSERT_EQ(list_get(list.get(), std::uint32_t(i)), i * 3);
    EXPECT_EQ(list_get(list.get(), 1024), 99999u);
    for (int i = 0; i < 1023; ++i)
        list_push(list.get(), 1);
    list_push(list.get(), 2);
    EXPECT_EQ(list->items.size(), 3072u) << "growth must be linear, not geometric";
}

TEST(ItemList, RemoveMovesLaterItemsDownAndNeverShrinks)
{
    ItemListPtr list = list_new();
    for (ListItem i = 1; i <= 4; ++i)
        list_push(list.get(), i);
    list_remove_at(list.get(), 0);
    ASSERT_EQ(list->count, 3u);
    EXPECT_EQ(list->spare, LIST_GROWTH - 3);
    EXPECT_EQ(list_get(list.get(), 0), 2u);
    EXPECT_EQ(list_get(list.get(), 2), 4u);
    list_remove_at(list.get(), 2);
    EXPECT_EQ(list->count, 2u);
    EXPECT_EQ(list_get(list.get(), 1), 3u);
    EXPECT_EQ(list->items.size(), LIST_GROWTH);
}

TEST(ItemList, ReserveKeepsAccountingExact)
{
    ItemListPtr list = list_new();
    list_reserve(list.get(), 5000);
    for (ListItem i = 0; i < 3000; ++i)
        list_push(list.get(), i);
    EXPECT_EQ(list->count, 3000u);
    EXPECT_EQ(list->spare, 72u);
    EXPECT_EQ(list->items.size(), 3072u);
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
    db_word(db.get(), 1)->usage = list_new();
    db.reset();
    db_free(nullptr);
    SUCCEED();
}
