// Project files: the exact bytes written, records read back (out of range,
// repeated, empty), old-variant images, the modified mark, and damaged
// files that must give "Invalid project file" instead of a crash.
#include "db/csf.h"
#include "db/load.h"
#include "db/project.h"
#include "io/bytes.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A project file laid out by hand from raw record bytes.
Bytes project_bytes(const Bytes& records, const Bytes& image)
{
    // Sized once and filled in place: growing a vector made from an 8-byte
    // list trips a false -Warray-bounds in GCC 12 at -O3.
    Bytes out(8 + records.size() + image.size());
    std::memcpy(out.data(), "TBP1", 4);
    write_u32be(out.data() + 4, std::uint32_t(8 + records.size()));
    std::copy(records.begin(), records.end(), out.begin() + 8);
    std::copy(image.begin(), image.end(), out.begin() + 8 + std::ptrdiff_t(records.size()));
    return out;
}

void add_record(Bytes& out, std::uint32_t n, const std::string& text)
{
    std::uint8_t b[4];
    write_u32be(b, n);
    out.insert(out.end(), b, b + 4);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

void add_end(Bytes& out)
{
    out.insert(out.end(), 4, 0xFF);
}

std::string parse_message(const Bytes& file)
{
    return parse_outcome(file, project_parse);
}

SpeechDbPtr three_words_five_phrases(DbFormat format = DB_FORMAT_MODERN)
{
    return make_db(format, {{1}, {2}, {3}}, {{0}, {1}, {2}, {0, 1}, {}});
}

} // namespace

TEST(ProjectLayout, WithoutTextsIsMagicOffsetTwoMarksAndImage)
{
    TempDir dir;
    SpeechDbPtr db = three_words_five_phrases();
    ErrorText err;
    ASSERT_EQ(project_save(db.get(), dir.file("p.tbp").c_str(), &err), 1) << err;
    Bytes expected = {'T', 'B', 'P', '1', 0, 0, 0, 16, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const Bytes image = csf_image(db.get());
    ASSERT_FALSE(image.empty());
    expected.insert(expected.end(), image.begin(), image.end());
    EXPECT_EQ(read_bytes(dir.file("p.tbp")), expected);
}

TEST(ProjectLayout, RecordsInNumberOrderWithTheirNul)
{
    TempDir dir;
    SpeechDbPtr db = three_words_five_phrases();
    db_phrase(db.get(), 3)->comment = "abc";
    db_phrase(db.get(), 0)->comment = "first";
    db_word(db.get(), 2)->alias = "w2";
    db_word(db.get(), 1)->alias = "";
    ErrorText err;
    ASSERT_EQ(project_save(db.get(), dir.file("p.tbp").c_str(), &err), 1) << err;
    Bytes records;
    add_record(records, 0, "first");
    add_record(records, 3, "abc");
    add_end(records);
    add_record(records, 1, "");
    add_record(records, 2, "w2");
    add_end(records);
    const Bytes file = read_bytes(dir.file("p.tbp"));
    EXPECT_EQ(file, project_bytes(records, csf_image(db.get())));
    // The comment abc on phrase 3 is exactly these bytes.
    const Bytes abc = {0, 0, 0, 3, 'a', 'b', 'c', 0};
    EXPECT_NE(std::search(file.begin(), file.end(), abc.begin(), abc.end()), file.end());
}

TEST(ProjectRoundTrip, TextsComeBackAndModifiedStaysClear)
{
    TempDir dir;
    for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = three_words_five_phrases(format);
        db_phrase(db.get(), 4)->comment = "last phrase";
        db_phrase(db.get(), 1)->comment = "";
        db_word(db.get(), 0)->alias = "zero";
        db->flags = 0x5A;
        ErrorText err;
        ASSERT_EQ(project_save(db.get(), dir.file("p.tbp").c_str(), &err), 1) << err;
        SpeechDbPtr back = db_load_file(dir.file("p.tbp").c_str(), &err);
        ASSERT_TRUE(back) << err;
        EXPECT_EQ(back->format, format) << "an old image stays old";
        EXPECT_EQ(back->modified, 0);
        EXPECT_EQ(back->flags, 0x5A);
        EXPECT_EQ(db_phrase(back.get(), 4)->comment, std::optional<std::string>("last phrase"));
        EXPECT_EQ(db_phrase(back.get(), 1)->comment, std::optional<std::string>(""));
        EXPECT_FALSE(db_phrase(back.get(), 0)->comment);
        EXPECT_EQ(db_word(back.get(), 0)->alias, std::optional<std::string>("zero"));
        EXPECT_FALSE(db_word(back.get(), 1)->alias);
        // Saved again, both files come out identical to the first ones.
        ASSERT_EQ(project_save(back.get(), dir.file("q.tbp").c_str(), &err), 1) << err;
        EXPECT_EQ(read_bytes(dir.file("q.tbp")), read_bytes(dir.file("p.tbp")));
        ASSERT_EQ(csf_save(back.get(), dir.file("a.csf").c_str(), &err), 1) << err;
        EXPECT_EQ(read_bytes(dir.file("a.csf")), csf_image(db.get()));
    }
}

TEST(ProjectRecords, OutOfRangeSkippedRepeatedLaterWins)
{
    SpeechDbPtr db = three_words_five_phrases();
    Bytes records;
    add_record(records, 5, "beyond the phrases");
    add_record(records, 2, "early");
    add_record(records, 0xFFFFFFFE, "far beyond");
    add_record(records, 2, "late");
    add_record(records, 4, "");
    add_end(records);
    add_record(records, 3, "beyond the words");
    add_record(records, 1, "one");
    add_record(records, 1, "uno");
    add_end(records);
    const Bytes file = project_bytes(records, csf_image(db.get()));
    ErrorText err;
    SpeechDbPtr back = project_parse(file.data(), file.size(), &err);
    ASSERT_TRUE(back) << err;
    EXPECT_EQ(db_phrase(back.get(), 2)->comment, std::optional<std::string>("late"));
    EXPECT_EQ(db_phrase(back.get(), 4)->comment, std::optional<std::string>(""));
    EXPECT_FALSE(db_phrase(back.get(), 0)->comment);
    EXPECT_EQ(db_word(back.get(), 1)->alias, std::optional<std::string>("uno"));
    EXPECT_FALSE(db_word(back.get(), 2)->alias);
    EXPECT_EQ(back->modified, 0);
}

TEST(ProjectModified, ClearedOnlyByASuccessfulProjectSave)
{
    TempDir dir;
    SpeechDbPtr db = three_words_five_phrases();
    db_set_flags(db.get(), 3);
    ErrorText err;
    ASSERT_EQ(csf_save(db.get(), dir.file("a.csf").c_str(), &err), 1);
    EXPECT_EQ(db_is_modified(db.get()), 1);
    EXPECT_EQ(project_save(db.get(), "", &err), 0);
    EXPECT_EQ(db_is_modified(db.get()), 1);
    EXPECT_EQ(project_save(db.get(), dir.file("missing/p.tbp").c_str(), &err), 0);
    EXPECT_STREQ(err, "Unable to open output file");
    EXPECT_EQ(db_is_modified(db.get()), 1);
    ASSERT_EQ(project_save(db.get(), dir.file("p.tbp").c_str(), &err), 1) << err;
    EXPECT_EQ(db_is_modified(db.get()), 0);
    SpeechDbPtr back = db_load_file(dir.file("p.tbp").c_str(), &err);
    ASSERT_TRUE(back) << err;
    EXPECT_EQ(db_is_modified(back.get()), 0);
}

TEST(ProjectErrors, EmbeddedImageMessagesPassThrough)
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1}}, {{0}, std::vector<int>(33, 0)});
    Bytes records;
    add_end(records);
    add_end(records);
    EXPECT_EQ(parse_message(project_bytes(records, csf_image(db.get()))), "Too many words in phrase 1");
    EXPECT_EQ(parse_message(project_bytes(records, {'X', 'Y', 'Z', 'W'})), "Unrecognized file format");
}

TEST(ProjectErrors, DamagedFramingIsInvalidProjectFile)
{
    SpeechDbPtr db = three_words_five_phrases();
    const Bytes image = csf_image(db.get());
    ASSERT_FALSE(image.empty());
    Bytes good;
    add_record(good, 1, "one");
    add_end(good);
    add_record(good, 0, "w");
    add_end(good);
    ASSERT_EQ(parse_message(project_bytes(good, image)), "<loaded>");

    struct Damage {
        const char* what;
        Bytes file;
    };
    std::vector<Damage> damages;
    {
        Bytes f = project_bytes(good, image);
        write_u32be(f.data() + 4, 8);
        damages.push_back({"image offset below 16", f});
        write_u32be(f.data() + 4, 15);
        damages.push_back({"image offset 15", f});
        write_u32be(f.data() + 4, std::uint32_t(f.size() + 1));
        damages.push_back({"image offset beyond the file", f});
        write_u32be(f.data() + 4, 0xFFFFFFFF);
        damages.push_back({"image offset near 4 GiB", f});
    }
    {
        Bytes r;
        add_record(r, 1, "one");
        add_end(r);
        damages.push_back({"alias section without end mark", project_bytes(r, image)});
    }
    {
        Bytes r;
        add_record(r, 1, "one");
        damages.push_back({"no end marks at all", project_bytes(r, image)});
    }
    {
        Bytes r = {0, 0, 0, 1, 'o', 'n', 'e'};
        damages.push_back({"text without its NUL", project_bytes(r, image)});
    }
    {
        Bytes r = {0, 0, 0, 1, 'a', 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        damages.push_back({"second end mark cut by the image", project_bytes(r, image)});
    }
    for (const Damage& d : damages)
        EXPECT_EQ(parse_message(d.file), "Invalid project file") << d.what;
}

TEST(ProjectErrors, CutAtEveryLengthAndRandomChanges)
{
    std::mt19937 rng(31);
    SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, 10, 12, 8);
    db_phrase(db.get(), 2)->comment = "two";
    db_word(db.get(), 7)->alias = "seven";
    TempDir dir;
    ErrorText err;
    ASSERT_EQ(project_save(db.get(), dir.file("p.tbp").c_str(), &err), 1) << err;
    const Bytes file = read_bytes(dir.file("p.tbp"));
    for (std::size_t len = 0; len <= file.size(); ++len) {
        Bytes cut(file.begin(), file.begin() + long(len));
        ErrorText e;
        SpeechDbPtr back = project_parse(cut.data(), cut.size(), &e);
        if (!back)
            ASSERT_NE(e[0], '\0') << len;
        else
            ASSERT_EQ(db_check_invariants(back.get()), "") << len;
    }
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes b = file;
        for (int i = 0, n = 1 + int(rng() % 3); i < n; ++i)
            b[rng() % std::min<std::size_t>(b.size(), 120)] = std::uint8_t(rng());
        ErrorText e;
        SpeechDbPtr back = project_parse(b.data(), b.size(), &e);
        if (!back) {
            ASSERT_NE(e[0], '\0') << round;
            continue;
        }
        ++loaded;
        ASSERT_EQ(db_check_invariants(back.get()), "") << round;
    }
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, 3000);
}
