// Whole-file reads, and the words a failed save is reported with.
#include "io/file_io.h"

#include "io/error_text.h"
#include "io/file_ops.h"
#include "io/i18n.h"
#include "io/large_buffer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads from `fd` until `want` bytes are in `data` or the file ends;
// false with errno set on a failed read.
bool read_up_to(int fd, std::vector<std::uint8_t>* data, std::size_t want)
{
    while (data->size() < want) {
        const std::size_t at = data->size();
        const std::size_t chunk = std::min<std::size_t>(want - at, std::size_t(1) << 20);
        data->resize(at + chunk);
        const ssize_t n = ::read(fd, data->data() + at, chunk);
        data->resize(at + std::size_t(n > 0 ? n : 0));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
    }
    return true;
}

} // namespace

ReadResult io_read_file(const char* path, const IoHeadCheck& accept)
{
    ReadResult r;
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        r.status = IO_OPEN_FAILED;
        r.error = fd.fd < 0 || !S_ISDIR(st.st_mode) ? errno : EISDIR;
        return r;
    }
    const auto fail = [&r](IoStatus status, int error) {
        r.status = status;
        r.error = error;
        r.data = {};
        return std::move(r);
    };
    // The head comes first, so a file of the wrong kind is refused before
    // its bulk is read, however large it is.
    if (!read_up_to(fd.fd, &r.data, IO_HEAD_SIZE))
        return fail(IO_READ_FAILED, errno);
    if (accept && !accept(r.data)) {
        r.status = IO_REJECTED;
        return r;
    }
    // Regular files are read in one go at their known size; anything else
    // (pipes, devices, and files such as those under /proc that report a
    // size of 0 whatever they hold) is read until it ends.
    if (S_ISREG(st.st_mode) && st.st_size > off_t(r.data.size())) {
        std::vector<std::uint8_t> whole;
        buffer_reserve_large(&whole, std::size_t(st.st_size));
        whole.insert(whole.end(), r.data.begin(), r.data.end());
        if (!read_up_to(fd.fd, &whole, std::size_t(st.st_size)))
            return fail(IO_READ_FAILED, errno);
        if (whole.size() < std::size_t(st.st_size)) // the file shrank meanwhile
            return fail(IO_READ_FAILED, EIO);
        r.data = std::move(whole);
        return r;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        return r;
    for (;;) {
        const std::size_t before = r.data.size();
        // An endless source (a device such as /dev/zero) must not take all
        // memory: past the limit it counts as a failed read.
        if (!read_up_to(fd.fd, &r.data, std::min(before + 65536, IO_STREAM_LIMIT + 1)))
            return fail(IO_READ_FAILED, errno);
        if (r.data.size() > IO_STREAM_LIMIT)
            return fail(IO_READ_FAILED, EFBIG);
        if (r.data.size() == before)
            return r;
    }
}

bool io_entry_exists(const char* path)
{
    // Anything at all under the name counts: a dangling link or a file we
    // may not read is still someone's, and must not be replaced.
    struct stat st;
    return ::lstat(path, &st) == 0 || errno != ENOENT;
}

bool io_file_readable(const char* path)
{
    // Without O_NONBLOCK, opening a named pipe waits for a writer forever.
    Fd fd(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    return fd.fd >= 0;
}

std::string io_failure_text(const char* path, const char* message, int cause)
{
    std::string text = std::string(path) + ": " + message;
    if (cause != 0)
        text += std::string(" (") + std::strerror(cause) + ")";
    return text;
}

std::string io_failure_text(const char* path, const ErrorText& err)
{
    return io_failure_text(path, err.text, err.cause);
}

bool io_report(IoStatus status, ErrorText* err)
{
    // errno still tells the cause to whoever reads it next.
    const int cause = errno;
    switch (status) {
    case IO_OK:
        return true;
    case IO_OPEN_FAILED:
    case IO_EXISTS:
        error_set(err, _("Unable to open output file"));
        break;
    default:
        error_set(err, _("Error saving file"));
        break;
    }
    error_note_cause(err, cause);
    errno = cause;
    return false;
}

bool io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts, ErrorText* err)
{
    return io_report(io_replace_file(path, parts), err);
}

bool io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts, ErrorText* err)
{
    return io_replace_file(path, std::span<const std::span<const std::uint8_t>>(parts.begin(), parts.size()), err);
}
