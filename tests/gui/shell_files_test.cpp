// The editor's saves and opens when the file system or memory fails them:
// the dialog names the file and the reason, and the database stays as it
// was.
#include "db/csf.h"
#include "shell_fixture.h"
#include "ui/shell.h"

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

TEST_F(ShellTest, FailedSavesNameTheFileAndTheReason)
{
    open_path(write_csf("voice.csf"));
    const std::string fs = dir.file("fs");
    mkdir(fs.c_str(), 0755);
    if (mount("tembrel-test", fs.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a file system here (needs root)";
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{fs};
    // A project saved there first, so that File > Save has somewhere to go.
    queue_answer(answer_choose(fs + "/out.tbp"));
    activate_item(FILE_SAVE_PROJECT_AS);
    ASSERT_EQ(seen_dialogs().size(), 2u);
    ASSERT_EQ(mount("tembrel-test", fs.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);

    queue_answer(answer_choose(fs + "/out.csf"));
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    activate_item(FILE_SAVE_AUDIO);
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    activate_item(FILE_SAVE);
    ASSERT_EQ(seen_dialogs().size(), 5u);
    EXPECT_EQ(seen_dialogs()[3].text, fs + "/out.csf: Unable to open output file (Read-only file system)");
    EXPECT_EQ(seen_dialogs()[4].text, fs + "/out.tbp: Unable to open output file (Read-only file system)");
}

TEST_F(ShellTest, OutOfMemoryWhileOpeningKeepsTheDatabase)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    open_path(write_csf("voice.csf", 0x81));
    SpeechDb* db = shell_database();
    // A sound header announcing one word of 256 MiB; the rest is a hole.
    std::vector<std::uint8_t> head = csf_image(make_db(DB_FORMAT_MODERN, {{1}}, {}).get());
    const std::uint32_t w = (std::uint32_t(head[32]) << 24) | (std::uint32_t(head[33]) << 16) | (head[34] << 8) | head[35];
    const std::uint32_t end = 12 + (256u << 20);
    for (int k = 0; k < 4; ++k)
        head[w + 8 + k] = std::uint8_t(end >> (24 - 8 * k));
    const std::string big = dir.file("big.csf");
    write_bytes(big, head);
    ASSERT_EQ(truncate(big.c_str(), off_t(w) + end), 0);

    // Room for the dialogs, not for the file.
    unsigned long size_kb = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            size_kb = std::stoul(line.substr(7));
    rlimit old {};
    getrlimit(RLIMIT_AS, &old);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(size_kb) * 1024 + (rlim_t(96) << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    queue_answer(answer_choose(big));
    queue_answer(answer_response(GTK_RESPONSE_CLOSE));
    activate_item(FILE_OPEN);
    setrlimit(RLIMIT_AS, &old);

    ASSERT_EQ(seen_dialogs().size(), 3u);
    EXPECT_EQ(seen_dialogs()[2].text, "Out of memory while opening " + big);
    EXPECT_EQ(shell_database(), db);
    EXPECT_EQ(db_flags(db), 0x81);
}
