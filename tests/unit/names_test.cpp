// The names the editor and tembrel-tool share: typed word references, the
// database file kinds by extension, and the export name of a word.
#include "db/file_names.h"
#include "db/word_ref.h"

#include <gtest/gtest.h>
#include <utility>

TEST(ParseWordRef, ClassifiesNumbersAliasesAndRubbish)
{
    char alias[64] = "";
    long long n = -1;
    EXPECT_EQ(parse_word_ref("  12 ", alias, sizeof alias, &n), WordRef::Number);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(parse_word_ref("0", alias, sizeof alias, &n), WordRef::Number);
    EXPECT_EQ(n, 0);
    for (const char* bad : { "12a", "1_2", "", "   ", "1 2" })
        EXPECT_EQ(parse_word_ref(bad, alias, sizeof alias, &n), WordRef::Invalid) << '"' << bad << '"';
    EXPECT_EQ(parse_word_ref(nullptr, alias, sizeof alias, &n), WordRef::Invalid);

    EXPECT_EQ(parse_word_ref(" big bell\t", alias, sizeof alias, &n), WordRef::Alias);
    EXPECT_STREQ(alias, "big_bell");
    EXPECT_EQ(parse_word_ref("-3", alias, sizeof alias, &n), WordRef::Alias);
    EXPECT_STREQ(alias, "-3");

    // "#6" is a number as the Phrases page shows it; "#" before anything
    // but digits is neither.
    EXPECT_EQ(parse_word_ref(" #6 ", alias, sizeof alias, &n), WordRef::Number);
    EXPECT_EQ(n, 6);
    for (const char* bad : { "#", "#x", "# 6", "#6a", "##6" })
        EXPECT_EQ(parse_word_ref(bad, alias, sizeof alias, &n), WordRef::Invalid) << '"' << bad << '"';

    // Outputs are optional, and a long alias is cut to the buffer.
    EXPECT_EQ(parse_word_ref("7", nullptr, 0, nullptr), WordRef::Number);
    EXPECT_EQ(parse_word_ref("abc", nullptr, 0, nullptr), WordRef::Alias);
    char small[4];
    EXPECT_EQ(parse_word_ref("abcdef", small, sizeof small, nullptr), WordRef::Alias);
    EXPECT_STREQ(small, "abc");

    // Far too many digits saturate instead of wrapping into a valid number.
    EXPECT_EQ(parse_word_ref("99999999999999999999999", nullptr, 0, &n), WordRef::Number);
    EXPECT_GE(n, 2147483647LL);
}

TEST(FileNames, KindByExtensionInAnyCaseAndExportNames)
{
    const std::pair<const char*, DbFileKind> kinds[] = {
        { "a.csf", DbFileKind::Csf },
        { "/x/B.CsF", DbFileKind::Csf },
        { ".tbp", DbFileKind::Project },
        { "dir.csf/p.TBP", DbFileKind::Project },
        { "a.csf.bak", DbFileKind::None },
        { "csf", DbFileKind::None },
        { "a.wav", DbFileKind::None },
        { "", DbFileKind::None },
        { nullptr, DbFileKind::None },
    };
    for (const auto& [path, kind] : kinds)
        EXPECT_EQ(db_file_kind(path), kind) << (path ? path : "null");

    EXPECT_EQ(word_export_name(0), "001.wav");
    EXPECT_EQ(word_export_name(98), "099.wav");
    EXPECT_EQ(word_export_name(1233), "1234.wav");
}
