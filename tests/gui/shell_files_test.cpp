// The editor's saves and opens when the file system or memory fails them:
// the dialog names the file and the reason, and the database stays as it
// was.
#include "db/audio_bytes.h"
#include "db/csf.h"
#include "db/operations.h"
#include "shell_fixture.h"
#include "ui/recovery.h"
#include "ui/shell.h"

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

    {
        // Room for the dialogs, not for the file.
        const AddressSpaceRoom room(rlim_t(96) << 20);
        ASSERT_TRUE(room.set);
        queue_answer(answer_choose(big));
        queue_answer(answer_response(GTK_RESPONSE_CLOSE));
        activate_item(FILE_OPEN);
    }

    ASSERT_EQ(seen_dialogs().size(), 3u);
    EXPECT_EQ(seen_dialogs()[2].text, "Out of memory while opening " + big);
    EXPECT_EQ(shell_database(), db);
    EXPECT_EQ(db_flags(db), 0x81);
}

TEST_F(ShellTest, OutOfMemoryWhileSavingKeepsThePreviousFile)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    const PrivateStateHome state;
    // Word 3 is in no phrase, so nothing in sight draws its alias.
    SpeechDbPtr voice = make_db(DB_FORMAT_MODERN, {{0x11, 0x22}, {0x33}, {0x44}, {0x55}}, {{0, 1}, {2, 1, 0}});
    const struct {
        const char* what;
        // Writes the file whose previous version must survive; returns its path.
        std::string (*save)(const std::string& project);
        const char* message; // the dialog's text before the path; none for a silent retry
    } cases[] = {
        {"File > Save",
            [](const std::string& project) {
                activate_item(FILE_SAVE);
                return project;
            },
            "Out of memory while saving "},
        // The autosave tries again at its next tick.
        {"the autosave",
            [](const std::string&) {
                recovery_autosave_now();
                const std::vector<RecoveryCopy> copies = recovery_list();
                return copies.empty() ? std::string() : copies[0].copy_path;
            },
            nullptr},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string folder = dir.file("case" + std::to_string(i));
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        const std::string csf = folder + "/voice.csf";
        const std::string project = folder + "/voice.tbp";
        ErrorText err;
        ASSERT_TRUE(csf_save(voice.get(), csf.c_str(), &err)) << err;
        if (shell_database() && db_is_modified(shell_database()))
            queue_answer(answer_response(GTK_RESPONSE_NO));
        open_path(csf);
        queue_answer(answer_choose(project));
        activate_item(FILE_SAVE_PROJECT_AS);
        db_set_flags(shell_database(), 0x42);
        const std::string previous = c.save(project);
        ASSERT_FALSE(previous.empty());
        const std::vector<std::uint8_t> before = read_bytes(previous);
        ASSERT_FALSE(before.empty());
        // The project's records are built before anything is written, and
        // this alias makes them larger than the room.
        word_set_alias(shell_database(), 3, std::string(std::size_t(160) << 20, 'a').c_str());

        const std::size_t dialogs = seen_dialogs().size();
        {
            const AddressSpaceRoom room(rlim_t(96) << 20);
            ASSERT_TRUE(room.set);
            if (c.message)
                queue_answer(answer_response(GTK_RESPONSE_CLOSE));
            EXPECT_EQ(c.save(project), previous);
        }
        if (c.message) {
            ASSERT_EQ(seen_dialogs().size(), dialogs + 1);
            EXPECT_EQ(seen_dialogs().back().text, c.message + project);
        } else {
            EXPECT_EQ(seen_dialogs().size(), dialogs);
        }
        EXPECT_EQ(read_bytes(previous), before) << "the previous version is whole";
        EXPECT_EQ(dir_entries(folder), (std::vector<std::string>{"voice.csf", "voice.tbp"})) << "nothing left over";
        EXPECT_TRUE(db_is_modified(shell_database())) << "the edits are still to be saved";
        EXPECT_TRUE(sensitive(shell_notebook())) << "the window takes input again";
    }
}
