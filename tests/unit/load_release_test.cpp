// Opening a file gives back the pages that only the parser reads (phrase
// tables, comments, aliases): every word's audio must come through byte
// for byte, and a release must never reach past its range.
#include "db/csf.h"
#include "db/load.h"
#include "db/project.h"
#include "io/large_buffer.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

TEST(BufferReleasePages, GivesBackOnlyTheWholePagesInsideTheRange)
{
    const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
    struct Case {
        std::size_t from, to;             // the bytes released
        std::size_t zero_from, zero_to;   // the pages that read zero after
    } const cases[] = {
        {page / 2, page + page / 2, 0, 0}, // no whole page inside
        {page, 3 * page, page, 3 * page},  // exactly two pages
        {1, 4 * page - 1, page, 3 * page}, // the partial pages at both ends stay
        {page / 2, 3 * page + 10, page, 3 * page},
        {0, 4 * page, 0, 4 * page},
    };
    for (const Case& c : cases) {
        std::unique_ptr<std::uint8_t, decltype(&std::free)> buf(
            static_cast<std::uint8_t*>(std::aligned_alloc(page, 4 * page)), &std::free);
        ASSERT_TRUE(buf);
        for (std::size_t i = 0; i < 4 * page; ++i)
            buf.get()[i] = std::uint8_t(i % 251 + 1);
        buffer_release_pages({buf.get() + c.from, c.to - c.from});
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < 4 * page; ++i) {
            const bool released = i >= c.zero_from && i < c.zero_to;
            wrong += buf.get()[i] != (released ? 0 : std::uint8_t(i % 251 + 1));
        }
        EXPECT_EQ(wrong, 0u) << "released " << c.from << ".." << c.to;
    }
}

// Databases whose phrase tables and comments fill many pages before the
// audio, in every kind of file the editor opens.
TEST(LoadRelease, EveryWordKeepsItsAudioAndTheFileSavesBackTheSame)
{
    TempDir dir;
    for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = make_generated_db(
            format, 200, [](std::uint32_t w) { return 37 + 61 * (w % 7); }, 1000, 20);
        for (std::uint32_t p = 0; p < 1000; p += 3)
            db_phrase(db.get(), p)->comment = "phrase " + std::to_string(p) + " checked";
        db_word(db.get(), 7)->alias = "seven";
        ErrorText err;
        for (const bool project : {false, true}) {
            const std::string path = dir.file(project ? "db.tbp" : "db.csf");
            ASSERT_TRUE(project ? project_save(db.get(), path.c_str(), &err) : csf_save(db.get(), path.c_str(), &err))
                << err;
            SpeechDbPtr back = db_load_file(path.c_str(), &err);
            ASSERT_TRUE(back) << err;
            EXPECT_EQ(db_compare_saved(db.get(), back.get(), project), "") << path << " format " << format;
            const std::string again = dir.file(project ? "again.tbp" : "again.csf");
            ASSERT_TRUE(project ? project_save(back.get(), again.c_str(), &err)
                                : csf_save(back.get(), again.c_str(), &err))
                << err;
            EXPECT_EQ(read_bytes(again), read_bytes(path)) << path << " format " << format;
        }
    }
}

} // namespace
