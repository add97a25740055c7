// Damaged and hostile CSF images: every message from a crafted file, the
// order in which the checks speak, files cut at every length and files with
// random bytes changed. None of them may crash or read outside the image
// (the sanitizer build turns any stray read into a failure).
#include "db/csf.h"
#include "db/load.h"
#include "io/bytes.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <unistd.h>
#include <sys/stat.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& b, std::size_t off, std::uint32_t v)
{
    write_u32be(b.data() + off, v);
}

void put16(Bytes& b, std::size_t off, std::uint32_t v)
{
    write_u16be(b.data() + off, v);
}

std::uint32_t get32(const Bytes& b, std::size_t off)
{
    std::uint32_t v = 0;
    read_u32be(b.data(), b.size(), off, &v);
    return v;
}

Bytes prefix(const Bytes& b, std::size_t n)
{
    return Bytes(b.begin(), b.begin() + long(n));
}

// The raw layouts, without the checks of csf_build_image, so that images
// the writer would refuse can be made too.
Bytes built(DbFormat format, const std::vector<std::vector<std::uint8_t>>& audio,
            const std::vector<std::vector<int>>& phrases)
{
    SpeechDbPtr db = make_db(format, audio, phrases);
    return format == DB_FORMAT_OLD ? csf_build_old(db.get()) : csf_build_modern(db.get());
}

// Two words of 3 and 2 bytes; phrases {0,1}, {}, {1}.
Bytes base(DbFormat format)
{
    return built(format, {{1, 2, 3}, {4, 5}}, {{0, 1}, {}, {1}});
}

std::string parse_message(const Bytes& image)
{
    return parse_outcome(image, csf_parse);
}

// The writer refuses 256 words in the old variant, so the image holds 255
// with a count of 256; the count check comes before the table is read.
Bytes old_with_256_words()
{
    Bytes b = built(DB_FORMAT_OLD, std::vector<std::vector<std::uint8_t>>(255, {7}), {{0}});
    put32(b, get32(b, 12), 256);
    return b;
}

struct Case {
    const char* what;
    std::function<Bytes()> image;
    const char* message;
};

constexpr std::size_t OLD_W = 36;    // word table of base(DB_FORMAT_OLD)
constexpr std::size_t MODERN_W = 72; // word table of base(DB_FORMAT_MODERN)

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        {"unknown magic", [] { return Bytes{'X', 'Y', 'Z', 'W', 0, 0, 0, 0}; }, "Unrecognized file format"},
        {"project magic is not CSF", [] { return Bytes{'T', 'B', 'P', '1', 0, 0, 0, 16}; },
         "Unrecognized file format"},
        {"modern version 0003",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             b[19] = '3';
             return b;
         },
         "Unrecognized file format"},
        {"old header cut", [] { return prefix(base(DB_FORMAT_OLD), 19); }, "File is truncated"},
        {"modern header cut", [] { return prefix(base(DB_FORMAT_MODERN), 39); }, "File is truncated"},
        {"old phrase table offset 24",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put32(b, 8, 24);
             return b;
         },
         "Invalid phrases table offset"},
        {"modern phrase table offset 20",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             put32(b, 28, 20);
             return b;
         },
         "Invalid phrases table offset"},
        {"word count beyond the image",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put32(b, 12, std::uint32_t(b.size() - 3));
             return b;
         },
         "Invalid words table offset"},
        {"word table offset near 4 GiB",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             put32(b, 32, 0xFFFFFFFE);
             return b;
         },
         "Invalid words table offset"},
        {"word offset entries beyond the image",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             put32(b, MODERN_W, 1000000);
             return b;
         },
         "Invalid words table offset"},
        {"old word offset entries beyond the image",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put32(b, OLD_W, 255);
             return b;
         },
         "Invalid words table offset"},
        {"old 256 words", [] { return old_with_256_words(); }, "To many words in table"},
        {"old word count 0xFFFFFFFF",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put32(b, OLD_W, 0xFFFFFFFF);
             return b;
         },
         "To many words in table"},
        {"old no words",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put32(b, OLD_W, 0);
             return b;
         },
         "No words in file"},
        {"modern no words",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             put32(b, MODERN_W, 0);
             return b;
         },
         "No words in file"},
        {"word 1 ends below its start",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put32(b, OLD_W + 12, 18);
             return b;
         },
         "Invalid audio offset in word 1"},
        {"word 1 ends beyond the image",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             put32(b, MODERN_W + 12, std::uint32_t(b.size() - MODERN_W + 1));
             return b;
         },
         "Invalid audio offset in word 1"},
        {"word 0 starts near 4 GiB",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             put32(b, MODERN_W + 4, 0xFFFFFFF0);
             return b;
         },
         "Invalid audio offset in word 0"},
        {"phrase count beyond the image",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put16(b, 20, 0xFFFF);
             return b;
         },
         "File is truncated"},
        {"modern phrase count beyond the image",
         [] {
             auto b = base(DB_FORMAT_MODERN);
             put32(b, 40, 0x40000000);
             return b;
         },
         "File is truncated"},
        {"old phrase of 33 words",
         [] { return built(DB_FORMAT_OLD, {{1}}, {{0}, std::vector<int>(33, 0)}); }, "Too many words in phrase 1"},
        {"modern phrase of 33 words",
         [] { return built(DB_FORMAT_MODERN, {{1}}, {std::vector<int>(33, 0)}); }, "Too many words in phrase 0"},
        {"phrase offsets decreasing",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put16(b, 20 + 6, 11); // phrase 1 would end before it starts
             return b;
         },
         "Too many words in phrase 1"},
        {"modern phrase span of 32.5 fields",
         [] {
             auto b = built(DB_FORMAT_MODERN, {{1}}, {std::vector<int>(32, 0), std::vector<int>(2, 0)});
             put32(b, 40 + 8, get32(b, 40 + 4) + 130);
             return b;
         },
         "Too many words in phrase 0"},
        {"old references beyond the image",
         [] {
             auto b = built(DB_FORMAT_OLD, {{}}, {{}});
             put16(b, 20 + 4, 4 + 32);
             return b;
         },
         "Invalid offset in phrase 0"},
        {"modern references beyond the image",
         [] {
             auto b = built(DB_FORMAT_MODERN, {{}}, {{0}, {}});
             put32(b, 40 + 12, get32(b, 40 + 8) + 128);
             return b;
         },
         "Invalid offset in phrase 1"},
        {"old reference 0 in phrase 5",
         [] {
             auto b = built(DB_FORMAT_OLD, {{1}, {2}}, std::vector<std::vector<int>>(6, {1}));
             b[20 + 2 * 6 + 4 + 5] = 0;
             return b;
         },
         "Invalid word number in phrase 5"},
        {"modern reference 0 in phrase 5",
         [] {
             auto b = built(DB_FORMAT_MODERN, {{1}, {2}}, std::vector<std::vector<int>>(6, {1}));
             put32(b, 40 + 4 * 6 + 8 + 4 * 5, 0);
             return b;
         },
         "Invalid word number in phrase 5"},
        {"reference above the word count",
         [] {
             auto b = built(DB_FORMAT_MODERN, {{1}, {2}}, {{0, 1}});
             put32(b, 40 + 12 + 4, 3);
             return b;
         },
         "Invalid word number in phrase 0"},
        {"CELP first word", [] { return built(DB_FORMAT_MODERN, {{'.', 'm', 'p', '4', 9}}, {{0}}); },
         "MPEG-4 CELP encoded audio not supported yet"},
        // Order: each check speaks where its value is read.
        {"bad table offset before too many words",
         [] {
             auto b = old_with_256_words();
             put32(b, 8, 24);
             return b;
         },
         "Invalid phrases table offset"},
        {"words are checked before phrases",
         [] {
             auto b = base(DB_FORMAT_OLD);
             put16(b, 20, 0xFFFF);
             put32(b, OLD_W + 12, 18);
             return b;
         },
         "Invalid audio offset in word 1"},
        {"phrases are checked before the codec",
         [] { return built(DB_FORMAT_MODERN, {{'.', 'm', 'p', '4'}}, {{0}, std::vector<int>(33, 0)}); },
         "Too many words in phrase 1"},
    };
    return all;
}

} // namespace

TEST(CsfMessages, EveryCraftedFileGivesItsMessage)
{
    for (const Case& c : cases())
        EXPECT_EQ(parse_message(c.image()), c.message) << c.what;
}

TEST(CsfMessages, NoBufferMeansNoMessageButStillFails)
{
    for (const Case& c : cases()) {
        Bytes image = c.image();
        EXPECT_FALSE(csf_parse(image.data(), image.size(), nullptr)) << c.what;
    }
}

TEST(CsfMessages, AcceptedEdgeCases)
{
    // A first word of 3 bytes cannot be CELP, even when it begins ".mp".
    EXPECT_EQ(parse_message(built(DB_FORMAT_MODERN, {{'.', 'm', 'p'}}, {{0}})), "<loaded>");
    // Any total size is accepted.
    auto b = base(DB_FORMAT_OLD);
    put32(b, 16, 0);
    EXPECT_EQ(parse_message(b), "<loaded>");
    // Empty phrases and a database without phrases.
    EXPECT_EQ(parse_message(built(DB_FORMAT_OLD, {{1}}, {})), "<loaded>");
    EXPECT_EQ(parse_message(built(DB_FORMAT_OLD, {{}}, {{}, {}})), "<loaded>");
}

TEST(CsfLoad, FileMessages)
{
    TempDir dir;
    ErrorText err;
    EXPECT_FALSE(db_load_file(nullptr, &err));
    EXPECT_STREQ(err, "Invalid file name.");
    EXPECT_FALSE(db_load_file("", &err));
    EXPECT_STREQ(err, "Invalid file name.");

    const std::string missing = dir.file("missing.csf");
    EXPECT_FALSE(db_load_file(missing.c_str(), &err));
    EXPECT_EQ(std::string(err), "Failed to open '" + missing + "': No such file or directory");
    EXPECT_FALSE(db_load_file(dir.path.c_str(), &err));
    EXPECT_EQ(std::string(err), "Failed to open '" + dir.path + "': Is a directory");

    const std::string small = dir.file("small.csf");
    for (std::size_t n = 0; n <= 3; ++n) {
        write_bytes(small, prefix(base(DB_FORMAT_OLD), n));
        EXPECT_FALSE(db_load_file(small.c_str(), &err));
        EXPECT_EQ(std::string(err), "File '" + small + "' is too small") << n << " bytes";
    }
    // 4 to 15 bytes beginning "TBP1" are not a project, and not CSF either.
    for (std::size_t n = 4; n < 16; ++n) {
        Bytes data(n, 0);
        std::copy_n("TBP1", 4, data.begin());
        write_bytes(small, data);
        EXPECT_FALSE(db_load_file(small.c_str(), &err));
        EXPECT_STREQ(err, "Unrecognized file format") << n << " bytes";
    }
    // Parser messages come through the loader unchanged.
    auto bad = base(DB_FORMAT_OLD);
    put32(bad, 8, 24);
    write_bytes(small, bad);
    EXPECT_FALSE(db_load_file(small.c_str(), &err));
    EXPECT_STREQ(err, "Invalid phrases table offset");

    // An endless device is an error, not a hang that takes all memory: its
    // first bytes already say it is no database.
    EXPECT_FALSE(db_load_file("/dev/zero", &err));
    EXPECT_STREQ(err, "Unrecognized file format");

    // A path longer than the buffer is cut, never overflowing it.
    const std::string longpath = dir.path + "/" + std::string(200, 'x') + "/" + std::string(200, 'y') + "/"
        + std::string(200, 'z') + "/" + std::string(200, 'w') + "/" + std::string(200, 'v') + ".csf";
    EXPECT_FALSE(db_load_file(longpath.c_str(), &err));
    EXPECT_EQ(std::strlen(err), ERROR_BUFFER_SIZE - 1);
    EXPECT_EQ(std::string(err).rfind("Failed to open '", 0), 0u);
}

TEST(CsfLoad, UnreadableFileCannotBeOpened)
{
    TempDir dir;
    chmod(dir.path.c_str(), 0755);
    const std::string path = dir.file("a.csf");
    write_bytes(path, base(DB_FORMAT_OLD));
    chmod(path.c_str(), 0);
    const std::string result = run_in_child(
        [&] {
            ErrorText err;
            if (db_load_file(path.c_str(), &err))
                return std::string("loaded an unreadable file");
            const std::string expected = "Failed to open '" + path + "': Permission denied";
            return std::string(err) == expected ? std::string() : std::string("message: ") + err.text;
        },
        true);
    EXPECT_EQ(result, "");
}

namespace {

// Whatever the parser makes of damaged bytes: a message, or a database
// that keeps every invariant and can be written again. Returns whether the
// bytes loaded.
bool expect_sound_outcome(const Bytes& image, const std::string& what)
{
    Bytes copy(image);
    ErrorText err;
    SpeechDbPtr db = csf_parse(copy.data(), copy.size(), &err);
    if (!db) {
        EXPECT_NE(err[0], '\0') << what;
        return false;
    }
    EXPECT_EQ(db_check_invariants(db.get()), "") << what;
    std::vector<std::uint8_t> again;
    if (!csf_build_image(db.get(), &again, &err)) {
        ADD_FAILURE() << what << ": " << err;
        return true;
    }
    EXPECT_TRUE(csf_parse(again.data(), again.size(), &err)) << what << ": " << err;
    return true;
}

} // namespace

TEST(CsfDamage, FileCutAtEveryLength)
{
    std::mt19937 rng(99);
    for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = make_random_db(rng, format, 20, 25, 16);
        const Bytes image = csf_image(db.get());
        ASSERT_FALSE(image.empty());
        for (std::size_t len = 0; len <= image.size(); ++len)
            expect_sound_outcome(prefix(image, len), "cut at " + std::to_string(len));
        // The full image loads; the cut ones above must have given messages
        // or sound databases.
        EXPECT_EQ(parse_message(image), "<loaded>");
    }
}

TEST(CsfDamage, RandomByteChanges)
{
    std::mt19937 rng(2024);
    for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = make_random_db(rng, format, 12, 10, 8);
        const Bytes image = csf_image(db.get());
        ASSERT_FALSE(image.empty());
        int loaded = 0;
        for (int round = 0; round < 4000; ++round) {
            Bytes b = image;
            const int changes = 1 + int(rng() % 4);
            for (int i = 0; i < changes; ++i) {
                // Mostly the header and tables, where damage matters most.
                const std::size_t span = rng() % 4 ? std::min<std::size_t>(b.size(), 160) : b.size();
                b[rng() % span] = std::uint8_t(rng());
            }
            if (expect_sound_outcome(b, "round " + std::to_string(round)))
                ++loaded;
        }
        // Both outcomes must occur, or the mutations test nothing.
        EXPECT_GT(loaded, 0);
        EXPECT_LT(loaded, 4000);
    }
}
