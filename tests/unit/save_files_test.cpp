// What a save keeps of the file it replaces and of the folder it writes
// in: links planted by others refused, hard links, owners, extended
// attributes and ACLs kept, temporaries never left behind, and batches of
// new files that appear whole or not at all.
#include "audio/wav.h"
#include "db/csf.h"
#include "db/project.h"
#include "io/file_batch.h"
#include "io/file_ops.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <tuple>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using SaveFn = bool (*)(SpeechDb*, const char*, ErrorText*);

// The editor's three ways of writing a file.
const std::pair<const char*, SaveFn> SAVERS[] = {
    {"csf_save", [](SpeechDb* db, const char* path, ErrorText* err) { return csf_save(db, path, err); }},
    {"project_save", [](SpeechDb* db, const char* path, ErrorText* err) { return project_save(db, path, err); }},
    {"wav_write", [](SpeechDb*, const char* path, ErrorText* err) {
         const std::uint8_t pcm[4] = {1, 2, 3, 4};
         return wav_write(path, true, 1, 16000, 1, 16, pcm, sizeof pcm, err);
     }},
};

const Bytes OLD = {'o', 'l', 'd'};

SpeechDbPtr small_db()
{
    return make_db(DB_FORMAT_MODERN, {{1, 2, 3}, {4}}, {{0, 1}});
}

bool is_link(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

TEST(SaveFiles, OwnLinksAreFollowedOthersDanglingLinksRefusedLoopsFail)
{
    SpeechDbPtr db = small_db();
    TempDir dir;
    const std::string mine = dir.file("mine");
    write_bytes(mine, OLD);
    for (const auto& [name, save] : SAVERS) {
        ErrorText err;
        // Our own dangling link creates the file it points to.
        symlink("made", dir.file("own").c_str());
        EXPECT_TRUE(save(db.get(), dir.file("own").c_str(), &err)) << name << ": " << err;
        EXPECT_TRUE(is_link(dir.file("own")));
        EXPECT_GT(read_bytes(dir.file("made")).size(), 3u) << name;
        // A loop is an error, and stays a loop.
        symlink("loop-b", dir.file("loop-a").c_str());
        symlink("loop-a", dir.file("loop-b").c_str());
        EXPECT_FALSE(save(db.get(), dir.file("loop-a").c_str(), &err)) << name;
        EXPECT_EQ(errno, ELOOP) << name;
        EXPECT_TRUE(is_link(dir.file("loop-a")));
        // Someone else's dangling link would create a file wherever its
        // owner chose: refused. (Their links to existing files are the
        // kernel's to refuse, in shared folders: the tool's tests see to it.)
        if (geteuid() == 0) {
            symlink("theirs", dir.file("planted").c_str());
            lchown(dir.file("planted").c_str(), 65534, 65534);
            EXPECT_FALSE(save(db.get(), dir.file("planted").c_str(), &err)) << name;
            EXPECT_EQ(errno, EACCES) << name;
            EXPECT_NE(access(dir.file("theirs").c_str(), F_OK), 0) << name;
            unlink(dir.file("planted").c_str());
        }
        for (const char* f : {"own", "made", "loop-a", "loop-b"})
            unlink(dir.file(f).c_str());
    }
    EXPECT_EQ(dir_entries(dir.path), std::vector<std::string>{"mine"});
}

TEST(SaveFiles, HardLinksOwnersAttributesAndAclsAreKept)
{
    SpeechDbPtr db = small_db();
    TempDir dir;
    chmod(dir.path.c_str(), 0777);
    const std::string target = dir.file("t.csf");
    const std::string other = dir.file("other-name.csf");
    for (const auto& [name, save] : SAVERS) {
        write_bytes(target, OLD);
        ASSERT_EQ(link(target.c_str(), other.c_str()), 0);
        ErrorText err;
        ASSERT_TRUE(save(db.get(), target.c_str(), &err)) << name << ": " << err;
        EXPECT_EQ(read_bytes(other), read_bytes(target)) << name << ": the other name sees the new content";
        EXPECT_NE(read_bytes(target), OLD);
        unlink(other.c_str());

        // Extended attributes and an ACL, set as a user would.
        write_bytes(target, OLD);
        const std::string quoted = "'" + target + "'";
        if (system(("setfattr -n user.origin -v recorded " + quoted + " 2>/dev/null").c_str()) != 0
            || system(("setfacl -m u:65534:r " + quoted).c_str()) != 0) {
            std::cout << "no user xattrs or ACLs on this file system: not checked\n";
        } else {
            ASSERT_TRUE(save(db.get(), target.c_str(), &err)) << name << ": " << err;
            char value[32] = "";
            EXPECT_EQ(getxattr(target.c_str(), "user.origin", value, sizeof value), 8) << name;
            EXPECT_STREQ(value, "recorded");
            EXPECT_EQ(system(("getfacl -cn " + quoted + " | grep -q '^user:65534:r--'").c_str()), 0) << name;
        }
        unlink(target.c_str());

        // Another user's file that we may write: as root the owner is given
        // back; as someone else the file is written in place.
        write_bytes(target, OLD);
        chmod(target.c_str(), 0666);
        if (geteuid() == 0 && chown(target.c_str(), 1234, 1235) == 0) {
            ASSERT_TRUE(save(db.get(), target.c_str(), &err)) << err;
            EXPECT_EQ(run_in_child([&] {
                          ErrorText e;
                          return save(db.get(), target.c_str(), &e) ? "" : std::string(e);
                      },
                                   true),
                      "")
                << name;
            struct stat st {};
            stat(target.c_str(), &st);
            EXPECT_EQ(st.st_uid, 1234u) << name;
            EXPECT_EQ(st.st_gid, 1235u) << name;
            EXPECT_EQ(st.st_mode & 07777, 0666u) << name;
        }
        unlink(target.c_str());
        EXPECT_TRUE(dir_entries(dir.path).empty()) << name << ": no backup or temporary is left";
    }
}

TEST(SaveFiles, AFailedWriteInPlaceLeavesTheOldContent)
{
    std::mt19937 rng(3);
    SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, 300, 300, 300);
    TempDir dir;
    const std::string target = dir.file("t.csf");
    write_bytes(target, OLD);
    link(target.c_str(), dir.file("second").c_str());
    EXPECT_EQ(run_in_child([&] {
                  rlimit lim{8192, 8192};
                  setrlimit(RLIMIT_FSIZE, &lim);
                  signal(SIGXFSZ, SIG_IGN);
                  ErrorText err;
                  return csf_save(db.get(), target.c_str(), &err) ? "saved" : std::string(err);
              }),
              "Error saving file");
    EXPECT_EQ(read_bytes(target), OLD);
    EXPECT_EQ(read_bytes(dir.file("second")), OLD);
    EXPECT_EQ(dir_entries(dir.path), (std::vector<std::string>{"second", "t.csf"}));
}

TEST(SaveFiles, TemporariesGoWithTheSignalAndStaleOnesWithTheNextSave)
{
    TempDir dir;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        const pid_t pid = fork();
        if (pid == 0) {
            io_clean_up_on_signals();
            const int folder = io_open_folder(dir.path.c_str());
            TempName tmp(folder, "t.csf", TempKind::Named);
            if (tmp.name.empty() || dir_entries(dir.path).size() != 1)
                _exit(2);
            raise(sig);
            _exit(3);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " status " << status;
        EXPECT_TRUE(dir_entries(dir.path).empty()) << sig;
    }

    // What a SIGKILL left is removed by the next save: at once when no
    // writer holds it any more, otherwise once a day old. An empty one (its
    // writer may not have locked it yet), other names and backups stay.
    const std::tuple<const char*, int, Bytes> strays[] = {
        {".t.csf.Ab3dE9", 2, OLD}, {".t.csf.Zz9yX8", 0, OLD},      {".t.csf.Empty1", 0, {}},
        {".t.csf.Qq1wE2.bak", 2, OLD}, {".other.csf.Ab3dE9", 2, OLD}, {".t.csf.short", 2, OLD}};
    for (const auto& [name, days, content] : strays) {
        write_bytes(dir.file(name), content);
        const timespec when[2] = {{0, UTIME_OMIT}, {time(nullptr) - days * 86400 - 60, 0}};
        utimensat(AT_FDCWD, dir.file(name).c_str(), when, 0);
    }
    // A save in progress meanwhile (another window, or the tool) keeps its
    // file, however young.
    const int folder = io_open_folder(dir.path.c_str());
    TempName live(folder, "t.csf", TempKind::Named);
    ASSERT_EQ(write(live.fd.fd, OLD.data(), OLD.size()), ssize_t(OLD.size()));
    ErrorText err;
    ASSERT_EQ(csf_save(small_db().get(), dir.file("t.csf").c_str(), &err), 1) << err;
    std::vector<std::string> kept = {".other.csf.Ab3dE9", ".t.csf.Empty1", ".t.csf.Qq1wE2.bak", ".t.csf.short", "t.csf", live.name};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(dir_entries(dir.path), kept);
    live.discard();
    close(folder);
}

TEST(FileBatch, ANameTakenMeanwhileIsNotReplacedAndNothingOfTheBatchRemains)
{
    TempDir dir;
    const Bytes content = {1, 2, 3};
    const std::span<const std::uint8_t> parts[] = {content};
    for (bool replace : {false, true}) {
        write_bytes(dir.file("b"), OLD);
        {
            FileBatch batch(dir.path.c_str());
            ASSERT_EQ(batch.status(), IO_OK);
            for (const char* name : {"a", "b", "c"})
                ASSERT_EQ(batch.add(name, parts), IO_OK);
            // Appears after the checks, before the files are put in place.
            mkfifo(dir.file("c").c_str(), 0644);
            std::string failed;
            EXPECT_EQ(batch.commit(replace, &failed), IO_EXISTS) << replace;
            EXPECT_EQ(failed, replace ? "c" : "b");
        }
        EXPECT_EQ(read_bytes(dir.file("b")), OLD) << "restored or never replaced";
        EXPECT_EQ(dir_entries(dir.path), (std::vector<std::string>{"b", "c"})) << replace;
        unlink(dir.file("c").c_str());
    }
    FileBatch batch(dir.path.c_str());
    ASSERT_EQ(batch.add("b", parts), IO_OK);
    std::string failed;
    EXPECT_EQ(batch.commit(true, &failed), IO_OK);
    EXPECT_EQ(read_bytes(dir.file("b")), content);
}

TEST(FileBatch, OnlyOurOwnAbandonedStagingFoldersAreRemoved)
{
    TempDir dir;
    const struct {
        const char* name;
        bool locked;      // held by a live batch (this process, through another descriptor)
        bool other_owner; // needs root to arrange
        bool removed;
    } folders[] = {
        {".tembrel-batch-123", false, false, true},
        {".tembrel-batch-456", true, false, false},
        {".tembrel-batch-789", false, true, false},
        {".tembrel-batch-x12", false, false, false},
        {".tembrel-batch-", false, false, false},
    };
    std::vector<int> held;
    for (const auto& f : folders) {
        const std::string path = dir.file(f.name);
        ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
        write_bytes(path + "/001.wav", OLD);
        if (f.locked) {
            held.push_back(open(path.c_str(), O_RDONLY | O_DIRECTORY));
            ASSERT_EQ(flock(held.back(), LOCK_EX | LOCK_NB), 0);
        }
        if (f.other_owner && (geteuid() != 0 || chown(path.c_str(), 65534, 65534) != 0))
            std::cout << "cannot give a folder to another user here: that case is not checked\n";
    }
    {
        FileBatch batch(dir.path.c_str());
        ASSERT_EQ(batch.status(), IO_OK);
    }
    for (const auto& f : folders) {
        struct stat st {};
        const bool there = stat(dir.file(f.name).c_str(), &st) == 0;
        if (f.other_owner && st.st_uid == geteuid())
            continue;
        EXPECT_EQ(there, !f.removed) << f.name;
    }
    for (int fd : held)
        close(fd);
}

TEST(SaveFiles, FailuresRecordTheFailedCallsErrnoAndRefusalsNone)
{
    TempDir dir;
    SpeechDbPtr db = small_db();
    write_bytes(dir.file("taken.wav"), OLD);
    mkdir(dir.file("folder.csf").c_str(), 0755);
    const std::uint8_t pcm[4] = {1, 2, 3, 4};
    const std::string missing = dir.file("missing/out.csf");
    // One ErrorText for all, as a caller reusing it would: each message
    // carries its own cause, never the one before it.
    ErrorText err;
    const struct {
        std::function<bool()> save;
        const char* path;
        std::string shown; // after "PATH: "
        int cause;
    } cases[] = {
        {[&] { return csf_save(db.get(), missing.c_str(), &err); }, missing.c_str(),
         "Unable to open output file (No such file or directory)", ENOENT},
        {[&] { return csf_save(db.get(), "", &err); }, "", "Invalid output filename", 0},
        {[&] { return project_save(db.get(), dir.file("folder.csf").c_str(), &err); }, "folder.csf",
         "Unable to open output file (Is a directory)", EISDIR},
        {[&] { return wav_write(dir.file("taken.wav").c_str(), false, 1, 16000, 1, 16, pcm, sizeof pcm, &err); },
         "taken.wav", "Output file already exist", 0},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.save()) << c.shown;
        EXPECT_EQ(err.cause, c.cause) << c.shown;
        EXPECT_EQ(io_failure_text(c.path, err), std::string(c.path) + ": " + c.shown);
    }
}
