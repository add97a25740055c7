// Saving never destroys the previous file: real operating-system faults
// (a file-size limit hit half way, folders and files the user may not
// write), symbolic links, permission bits, special files, and databases
// that outgrew the old variant.
#include "db/csf.h"
#include "db/load.h"
#include "db/project.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using SaveFn = bool (*)(SpeechDb*, const char*, ErrorText*);

bool save_csf(SpeechDb* db, const char* path, ErrorText* err)
{
    return csf_save(db, path, err);
}

const SaveFn SAVERS[] = {save_csf, project_save};
const char* const SAVER_NAMES[] = {"csf_save", "project_save"};

// A database whose image is about 64 KiB.
SpeechDbPtr big_db()
{
    std::mt19937 rng(5);
    return make_random_db(rng, DB_FORMAT_MODERN, 400, 300, 300);
}

// A previous file the saves must leave as it was.
Bytes previous_content()
{
    Bytes b(3000);
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = std::uint8_t(i * 7 + 3);
    return b;
}

// Runs one save in a child and checks its result and message there.
std::string save_in_child(SaveFn save, SpeechDb* db, const std::string& path, const char* expected, bool as_nobody,
                          const std::function<void()>& setup = [] {})
{
    return run_in_child(
        [&] {
            setup();
            ErrorText err;
            const int ok = save(db, path.c_str(), &err);
            if (ok)
                return std::string("save succeeded");
            return std::string(err) == expected ? std::string() : "message: " + std::string(err);
        },
        as_nobody);
}

mode_t mode_of(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(SaveSafety, FileSizeLimitHalfWayKeepsThePreviousFile)
{
    SpeechDbPtr db = big_db();
    for (int s = 0; s < 2; ++s) {
        TempDir dir;
        const std::string target = dir.file("t.csf");
        write_bytes(target, previous_content());
        const auto limit = [] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit lim{16384, 16384};
            setrlimit(RLIMIT_FSIZE, &lim);
        };
        EXPECT_EQ(save_in_child(SAVERS[s], db.get(), target, "Error saving file", false, limit), "")
            << SAVER_NAMES[s];
        EXPECT_EQ(read_bytes(target), previous_content()) << SAVER_NAMES[s];
        EXPECT_EQ(dir_entries(dir.path), std::vector<std::string>{"t.csf"}) << "no temporary file is left";
        // A brand-new file that cannot be completed is not left behind.
        EXPECT_EQ(save_in_child(SAVERS[s], db.get(), dir.file("new.csf"), "Error saving file", false, limit), "");
        EXPECT_EQ(dir_entries(dir.path), std::vector<std::string>{"t.csf"});
    }
}

TEST(SaveSafety, ReadOnlyFolderIsUnableToOpen)
{
    SpeechDbPtr db = big_db();
    TempDir dir;
    chmod(dir.path.c_str(), 0755);
    const std::string folder = dir.file("ro");
    mkdir(folder.c_str(), 0755);
    const std::string target = folder + "/t.csf";
    write_bytes(target, previous_content());
    chmod(target.c_str(), 0666);
    chmod(folder.c_str(), 0555);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(save_in_child(SAVERS[s], db.get(), target, "Unable to open output file", true), "")
            << SAVER_NAMES[s];
        EXPECT_EQ(save_in_child(SAVERS[s], db.get(), folder + "/new.csf", "Unable to open output file", true), "")
            << SAVER_NAMES[s];
        EXPECT_EQ(read_bytes(target), previous_content());
        EXPECT_EQ(dir_entries(folder), std::vector<std::string>{"t.csf"});
    }
}

TEST(SaveSafety, NonWritableTargetIsUnableToOpen)
{
    SpeechDbPtr db = big_db();
    TempDir dir;
    // The folder is open to everyone; only the file itself refuses writes.
    chmod(dir.path.c_str(), 0777);
    const std::string target = dir.file("t.csf");
    write_bytes(target, previous_content());
    chmod(target.c_str(), 0444);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(save_in_child(SAVERS[s], db.get(), target, "Unable to open output file", true), "")
            << SAVER_NAMES[s];
        EXPECT_EQ(read_bytes(target), previous_content());
        EXPECT_EQ(dir_entries(dir.path), std::vector<std::string>{"t.csf"});
    }
    // A folder given as the target cannot be written either.
    ErrorText err;
    EXPECT_EQ(csf_save(db.get(), dir.path.c_str(), &err), 0);
    EXPECT_STREQ(err, "Unable to open output file");
}

TEST(SaveSafety, SymbolicLinkIsKeptAndItsFileReplaced)
{
    SpeechDbPtr db = big_db();
    TempDir dir;
    mkdir(dir.file("real").c_str(), 0755);
    mkdir(dir.file("links").c_str(), 0755);
    const std::string real = dir.file("real/t.csf");
    write_bytes(real, previous_content());
    ASSERT_EQ(symlink("../real/t.csf", dir.file("links/t.csf").c_str()), 0);
    for (int s = 0; s < 2; ++s) {
        ErrorText err;
        ASSERT_EQ(SAVERS[s](db.get(), dir.file("links/t.csf").c_str(), &err), 1) << err;
        struct stat st {};
        ASSERT_EQ(lstat(dir.file("links/t.csf").c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
        char target[256] = "";
        ASSERT_GT(readlink(dir.file("links/t.csf").c_str(), target, sizeof target - 1), 0);
        EXPECT_STREQ(target, "../real/t.csf");
        SpeechDbPtr back = db_load_file(real.c_str(), &err);
        ASSERT_TRUE(back) << err;
        EXPECT_EQ(list_count(back->words), 400u);
        EXPECT_EQ(dir_entries(dir.file("links")), std::vector<std::string>{"t.csf"});
        EXPECT_EQ(dir_entries(dir.file("real")), std::vector<std::string>{"t.csf"});
    }
}

TEST(SaveSafety, PermissionBitsAreKeptAndNewFilesFollowTheUmask)
{
    SpeechDbPtr db = big_db();
    TempDir dir;
    const std::string target = dir.file("t.csf");
    write_bytes(target, previous_content());
    for (mode_t mode : {mode_t(0640), mode_t(0604), mode_t(0755)}) {
        chmod(target.c_str(), mode);
        ErrorText err;
        ASSERT_EQ(csf_save(db.get(), target.c_str(), &err), 1) << err;
        EXPECT_EQ(mode_of(target), mode);
        ASSERT_EQ(project_save(db.get(), target.c_str(), &err), 1) << err;
        EXPECT_EQ(mode_of(target), mode);
    }
    const mode_t old_mask = umask(027);
    ErrorText err;
    EXPECT_EQ(csf_save(db.get(), dir.file("new.csf").c_str(), &err), 1) << err;
    umask(old_mask);
    EXPECT_EQ(mode_of(dir.file("new.csf")), mode_t(0640));
    EXPECT_EQ(dir_entries(dir.path), (std::vector<std::string>{"new.csf", "t.csf"}));
}

TEST(SaveSafety, VeryLongNameStillSaves)
{
    SpeechDbPtr db = big_db();
    TempDir dir;
    const std::string target = dir.file(std::string(250, 'n') + ".csf");
    ErrorText err;
    ASSERT_EQ(csf_save(db.get(), target.c_str(), &err), 1) << err;
    ASSERT_EQ(csf_save(db.get(), target.c_str(), &err), 1) << err;
    EXPECT_EQ(dir_entries(dir.path).size(), 1u);
    EXPECT_TRUE(db_load_file(target.c_str(), &err)) << err;
}

TEST(SaveSafety, PipeIsWrittenInPlaceNotReplaced)
{
    SpeechDbPtr db = big_db();
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    const std::string copy = dir.file("copy");
    const pid_t reader = fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        // Collects whatever reaches the pipe into a plain file; gives up
        // after a while so a broken save cannot hang the suite.
        alarm(60);
        int in = open(fifo.c_str(), O_RDONLY);
        int out = open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        char buf[4096];
        for (ssize_t n; (n = read(in, buf, sizeof buf)) > 0;)
            if (write(out, buf, std::size_t(n)) != n)
                _exit(1);
        _exit(0);
    }
    // A save opens a pipe without waiting for a reader, as any program
    // writing to one may find none, so the reader must be there first: this
    // end opens once it is, however long a busy machine takes to run it.
    // Held until the save is done, it also keeps the reader from taking a
    // save that has not begun yet for the end of the data.
    int held = -1;
    for (int tries = 0; held < 0 && tries < 6000; ++tries) {
        held = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (held < 0)
            usleep(10000);
    }
    ASSERT_GE(held, 0) << "the reader never opened the pipe";
    EXPECT_EQ(run_in_child([&] {
                  alarm(60);
                  ErrorText err;
                  return csf_save(db.get(), fifo.c_str(), &err) ? std::string() : std::string(err);
              }),
              "");
    close(held);
    int status = 0;
    waitpid(reader, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reader did not finish";
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe must not be swapped for a plain file";
    std::vector<std::uint8_t> image;
    ASSERT_TRUE(csf_build_image(db.get(), &image, nullptr));
    EXPECT_EQ(read_bytes(copy), image);
}

namespace {

// 1927 phrases of 32 words and one of `last` words: with last = 11 the
// references end exactly at phrase-table offset 65535.
SpeechDbPtr old_db_at_offset_limit(int last)
{
    std::vector<std::vector<int>> phrases(1927, std::vector<int>(32, 1));
    phrases.push_back(std::vector<int>(std::size_t(last), 0));
    return make_db(DB_FORMAT_OLD, {{1}, {2}}, phrases);
}

} // namespace

TEST(SaveSafety, OldVariantLimitsRefuseAndWriteNothing)
{
    TempDir dir;
    const std::string target = dir.file("t.csf");
    write_bytes(target, previous_content());

    SpeechDbPtr fits = old_db_at_offset_limit(11);
    EXPECT_FALSE(csf_build_old(fits.get()).empty());
    std::vector<SpeechDbPtr> too_large;
    too_large.push_back(old_db_at_offset_limit(12));
    too_large.push_back(make_db(DB_FORMAT_OLD, {{1}}, std::vector<std::vector<int>>(65536)));
    too_large.push_back(make_db(DB_FORMAT_OLD, std::vector<std::vector<std::uint8_t>>(256, {1}), {{255}}));
    for (auto& db : too_large) {
        EXPECT_TRUE(csf_build_old(db.get()).empty());
        for (int s = 0; s < 2; ++s) {
            ErrorText err;
            db->modified = 1;
            EXPECT_EQ(SAVERS[s](db.get(), target.c_str(), &err), 0) << SAVER_NAMES[s];
            EXPECT_STREQ(err, "Database too large for the old format");
            EXPECT_EQ(db->modified, 1);
            EXPECT_EQ(SAVERS[s](db.get(), dir.file("new.csf").c_str(), &err), 0);
        }
    }
    EXPECT_EQ(read_bytes(target), previous_content());
    EXPECT_EQ(dir_entries(dir.path), std::vector<std::string>{"t.csf"});
    // The same databases fit the modern variant.
    too_large[0]->format = DB_FORMAT_MODERN;
    ErrorText err;
    EXPECT_EQ(csf_save(too_large[0].get(), target.c_str(), &err), 1) << err;
}

TEST(SaveSafety, EarlyRefusalsWriteNothing)
{
    TempDir dir;
    const std::string target = dir.file("t.csf");
    write_bytes(target, previous_content());
    SpeechDbPtr db = make_db(DB_FORMAT_OLD, {{1}}, {{0}});
    for (int s = 0; s < 2; ++s) {
        ErrorText err;
        EXPECT_EQ(SAVERS[s](db.get(), nullptr, &err), 0);
        EXPECT_STREQ(err, "Invalid output filename");
        err = ErrorText();
        EXPECT_EQ(SAVERS[s](db.get(), "", &err), 0);
        EXPECT_STREQ(err, "Invalid output filename");
        db->format = DB_FORMAT_UNKNOWN;
        EXPECT_EQ(SAVERS[s](db.get(), target.c_str(), &err), 0);
        EXPECT_STREQ(err, "Unrecognized file format");
        db->format = DB_FORMAT_OLD;
        EXPECT_EQ(SAVERS[s](db.get(), target.c_str(), nullptr), 1) << "a null buffer is allowed";
        write_bytes(target, previous_content());
    }
    db->format = DB_FORMAT_UNKNOWN;
    ErrorText err;
    EXPECT_EQ(csf_save(db.get(), target.c_str(), &err), 0);
    EXPECT_EQ(read_bytes(target), previous_content());
}
