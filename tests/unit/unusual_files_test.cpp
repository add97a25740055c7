// Inputs a user can hand the editor that are not plain files or plain
// requests: pipes instead of files and sample data too long for a WAV
// header. Each must end in a clear refusal or a complete read, never in a
// hang, a crash or a damaged file.
#include "audio/wav.h"
#include "db/csf.h"
#include "db/load.h"
#include "io/file_io.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A pipe whose read end can be opened by name, as a shell's process
// substitution hands it over; the bytes are already waiting in it.
struct FilledPipe {
    int fds[2] = {-1, -1};
    std::string path;

    explicit FilledPipe(const std::vector<std::uint8_t>& bytes)
    {
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe failed");
        path = "/proc/self/fd/" + std::to_string(fds[0]);
        if (::write(fds[1], bytes.data(), bytes.size()) != ssize_t(bytes.size()))
            throw std::runtime_error("pipe write failed");
    }
    void close_writer()
    {
        ::close(fds[1]);
        fds[1] = -1;
    }
    ~FilledPipe()
    {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};

std::vector<std::uint8_t> small_wav(const TempDir& dir)
{
    const std::string path = dir.file("w.wav");
    const std::uint8_t pcm[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ErrorText err;
    EXPECT_TRUE(wav_write(path.c_str(), true, 1, 16000, 1, 16, pcm, sizeof pcm, &err)) << err;
    return read_bytes(path);
}

} // namespace

TEST(UnusualFiles, DatabaseFromAPipeIsReadToItsEnd)
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1, 2, 3}, {4}}, {{1, 0}});
    std::vector<std::uint8_t> image;
    ErrorText err;
    ASSERT_TRUE(csf_build_image(db.get(), &image, &err)) << err;
    FilledPipe pipe(image);
    pipe.close_writer();
    SpeechDbPtr loaded = db_load_file(pipe.path.c_str(), &err);
    ASSERT_TRUE(loaded) << err;
    EXPECT_EQ(db_compare_saved(db.get(), loaded.get(), false), "");
}

TEST(UnusualFiles, WavFromAPipeIsRefusedWithoutWaiting)
{
    // The reader measures its file first; a pipe has no length. The writer
    // stays open, so a reader that waited for the end would hang here.
    const TempDir dir;
    FilledPipe pipe(small_wav(dir));
    ErrorText err;
    EXPECT_FALSE(wav_read(pipe.path.c_str(), 1, 16000, 1, 16, &err));
    EXPECT_EQ(std::string(err), "Error reading '" + pipe.path + "'");
}

// A named pipe nobody writes to exists like any file, but opening it for
// reading the ordinary way waits for a writer. `attempt` runs on such a
// pipe in a child with an alarm, so a hang fails the test instead of
// stalling the suite; returns the message the attempt left, the pipe's
// path in it written as FIFO.
std::string message_on_silent_fifo(const std::function<bool(const char* path, ErrorText* err)>& attempt)
{
    const TempDir dir;
    const std::string fifo = dir.file("word.wav");
    if (::mkfifo(fifo.c_str(), 0644) != 0)
        return "mkfifo failed";
    return run_in_child([&] {
        ::alarm(5);
        ErrorText err;
        if (attempt(fifo.c_str(), &err))
            return std::string("succeeded");
        std::string message = err.text;
        if (const auto at = message.find(fifo); at != std::string::npos)
            message.replace(at, fifo.size(), "FIFO");
        return message;
    });
}

TEST(UnusualFiles, NamedPipesWithoutWriterAreRefusedWithoutWaiting)
{
    // Exporting next to it: the existence check must not wait.
    EXPECT_EQ(message_on_silent_fifo([](const char* path, ErrorText* err) {
                  const std::uint8_t pcm[2] = {0, 0};
                  return wav_write(path, false, 1, 16000, 1, 16, pcm, sizeof pcm, err);
              }),
              "Output file already exist");
    // Importing from it: refused as unreadable, like any pipe.
    EXPECT_EQ(message_on_silent_fifo(
                  [](const char* path, ErrorText* err) { return wav_read(path, 1, 16000, 1, 16, err).has_value(); }),
              "Error reading 'FIFO'");
}

TEST(UnusualFiles, FilesThatReportNoSizeAreReadToTheirEnd)
{
    // The kernel's status files call themselves empty regular files.
    const ReadResult status = io_read_file("/proc/self/status");
    ASSERT_EQ(status.status, IO_OK);
    const std::string text(status.data.begin(), status.data.end());
    EXPECT_NE(text.find("Name:"), std::string::npos);
    // A truly empty file is still empty, not an error.
    const TempDir dir;
    write_bytes(dir.file("empty"), {});
    const ReadResult empty = io_read_file(dir.file("empty").c_str());
    EXPECT_EQ(empty.status, IO_OK);
    EXPECT_TRUE(empty.data.empty());
}

TEST(UnusualFiles, SamplesTooLongForTheWavHeaderWriteNothing)
{
    // The 32-bit sizes of the header cannot describe this much data; the
    // refusal comes before any sample byte is touched.
    const TempDir dir;
    const std::string path = dir.file("long.wav");
    const std::uint8_t one = 0;
    ErrorText err;
    EXPECT_FALSE(wav_write(path.c_str(), true, 1, 16000, 1, 16, &one, 0xFFFFFFFFu - 35, &err));
    EXPECT_STREQ(err, "Error saving file");
    EXPECT_TRUE(dir_entries(dir.path).empty());
}
