// A save's snapshot holds the file as it was when taken: edits made (or the
// database freed) before the write, as while a worker writes it, change
// nothing in the file.
#include "db/csf.h"
#include "db/operations.h"
#include "db/project.h"
#include "db/save_snapshot.h"
#include "io/file_io.h"
#include "tests/unit/test_db.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <random>
#include <thread>

namespace {

struct Edit {
    const char* name;
    std::function<void(SpeechDb*)> apply;
};

const Edit EDITS[] = {
    {"new audio for every word",
     [](SpeechDb* db) {
         for (std::uint32_t w = 0; w < word_count(db); ++w)
             word_set_audio(db, w, AudioBytes({0x11, 0x22, 0x33, 0x44}));
     }},
    {"aliases and comments",
     [](SpeechDb* db) {
         word_set_alias(db, 0, "changed_alias");
         phrase_set_comment(db, 0, "changed comment");
     }},
    {"words moved and phrases edited",
     [](SpeechDb* db) {
         word_move_down(db, 0);
         phrase_insert_word(db, 1, 0);
         phrase_set_word(db, 1, 0, 2);
     }},
    {"the database freed", [](SpeechDb*) {}},
};

TEST(SaveSnapshotTest, WritesTheDatabaseAsItWasWhenTaken)
{
    TempDir dir;
    for (const bool project : {true, false}) {
        for (const Edit& edit : EDITS) {
            SCOPED_TRACE(std::string(project ? "project, " : "CSF, ") + edit.name);
            std::mt19937 rng(7);
            SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, 6, 5);
            word_set_alias(db.get(), 0, "first");
            phrase_set_comment(db.get(), 0, "a comment");
            std::vector<std::uint8_t> expected;
            ErrorText err;
            ASSERT_TRUE(project ? project_build(db.get(), &expected, &err) : csf_build_image(db.get(), &expected, &err));

            SaveSnapshot snapshot;
            ASSERT_TRUE(project ? project_snapshot(db.get(), &snapshot, &err) : csf_snapshot(db.get(), &snapshot, &err));
            EXPECT_EQ(snapshot.size(), expected.size());
            edit.apply(db.get());
            if (std::string(edit.name) == "the database freed")
                db.reset();
            const std::string path = dir.file(project ? "out.tbp" : "out.csf");
            bool written = false;
            std::thread writer([&] { written = snapshot_write(snapshot, path.c_str(), &err); });
            writer.join();
            ASSERT_TRUE(written) << err.text;
            EXPECT_EQ(io_read_file(path.c_str()).data, expected);
        }
    }
}

TEST(SaveSnapshotTest, AWriteThatFailsSaysWhy)
{
    std::mt19937 rng(3);
    SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, 2, 2);
    SaveSnapshot snapshot;
    ErrorText err;
    ASSERT_TRUE(project_snapshot(db.get(), &snapshot, &err));
    EXPECT_FALSE(snapshot_write(snapshot, "", &err));
    EXPECT_STREQ(err.text, "Invalid output filename");
    EXPECT_FALSE(snapshot_write(snapshot, "/nonexistent-folder/out.tbp", &err));
    EXPECT_STREQ(err.text, "Unable to open output file");
    std::atomic<std::uint64_t> written {0};
    EXPECT_FALSE(snapshot_write(snapshot, "/nonexistent-folder/out.tbp", &err, &written));
    EXPECT_STREQ(err.text, "Unable to open output file");
    EXPECT_EQ(written.load(), 0u);
}

// A counted write (the progress bar's) writes the same file in pieces and
// counts every byte; parts larger than a piece, and many small ones, alike.
TEST(SaveSnapshotTest, ACountedWriteCountsEveryByteOfTheSameFile)
{
    TempDir dir;
    const std::pair<std::uint32_t, std::size_t> shapes[] = {{900, 3000}, {6, 3 << 20}}; // words, audio bytes
    for (const auto& [words, audio] : shapes) {
        SCOPED_TRACE(audio);
        SpeechDbPtr db = make_generated_db(
            DB_FORMAT_MODERN, words, [audio](std::uint32_t w) { return w % 2 ? audio : std::size_t(40); }, 50, 6);
        std::vector<std::uint8_t> expected;
        ErrorText err;
        ASSERT_TRUE(project_build(db.get(), &expected, &err));
        SaveSnapshot snapshot;
        ASSERT_TRUE(project_snapshot(db.get(), &snapshot, &err));
        const std::string path = dir.file("counted.tbp");
        std::atomic<std::uint64_t> written {0};
        ASSERT_TRUE(snapshot_write(snapshot, path.c_str(), &err, &written)) << err.text;
        EXPECT_EQ(written.load(), expected.size());
        EXPECT_EQ(io_read_file(path.c_str()).data, expected);
    }
}

} // namespace
