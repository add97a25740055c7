// The demo database that ships with the editor: it loads, stays small, and
// shows every feature a first look needs (words with audio and aliases,
// phrases with comments, a few words no phrase uses yet).
#include "db/load.h"
#include "db/operations.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/stat.h>

namespace {

// Bytes per second of decoded PCM (16000 Hz, 16-bit, mono).
constexpr double PCM_BYTES_PER_SECOND = 16000 * 2;

} // namespace

TEST(DemoDatabase, LoadsWithAliasesCommentsAndSpokenWords)
{
    struct stat st {};
    ASSERT_EQ(stat(TEMBREL_DEMO_DB, &st), 0) << TEMBREL_DEMO_DB;
    EXPECT_LT(st.st_size, 400 * 1024) << "the demo is meant to stay small";

    ErrorText err;
    SpeechDbPtr db = db_load_file(TEMBREL_DEMO_DB, &err);
    ASSERT_TRUE(db) << err;
    EXPECT_FALSE(db_is_modified(db.get()));

    const std::uint32_t words = word_count(db.get());
    EXPECT_GE(words, 35u);
    EXPECT_LE(words, 50u);
    std::set<std::string> aliases;
    for (std::uint32_t w = 0; w < words; ++w) {
        SCOPED_TRACE(w + 1);
        const char* alias = word_alias(db.get(), w);
        ASSERT_NE(alias, nullptr);
        EXPECT_TRUE(aliases.insert(alias).second) << "alias given twice: " << alias;
        // Synthesised, trimmed speech: a word, not silence or a whole sentence.
        double seconds = double(word_pcm(db.get(), w).samples.size()) / PCM_BYTES_PER_SECOND;
        EXPECT_GT(seconds, 0.15) << alias;
        EXPECT_LT(seconds, 2.0) << alias;
    }
    for (const char* needed : { "turn", "left", "right", "roundabout", "exit", "metres", "one", "hundred" })
        EXPECT_TRUE(aliases.count(needed)) << needed;

    const std::uint32_t phrases = phrase_count(db.get());
    EXPECT_GE(phrases, 30u);
    int unused = 0;
    for (std::uint32_t w = 0; w < words; ++w)
        unused += word_usage(db.get(), w).empty();
    EXPECT_GE(unused, 1) << "the guide removes a word no phrase uses";
    EXPECT_LT(unused, int(words) / 4);
    for (std::uint32_t p = 0; p < phrases; ++p) {
        SCOPED_TRACE(p + 1);
        const char* comment = phrase_comment(db.get(), p);
        ASSERT_NE(comment, nullptr);
        EXPECT_GT(std::string(comment).size(), 5u);
        EXPECT_GE(phrase_word_count(db.get(), p), 1u);
    }
}
