// Whole-file reads and atomic replacement on POSIX file descriptors.
#include "io/file_io.h"

#include "io/error_text.h"
#include "io/large_buffer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release()
    {
        int f = fd;
        fd = -1;
        return f;
    }
};

bool write_all(int fd, const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (w == 0)
            return false;
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

// Writes every part in order. Many small parts (a database's words) go out
// through writev, a batch at a time, instead of one system call each.
bool write_parts(int fd, std::span<const std::span<const std::uint8_t>> parts)
{
    constexpr std::size_t BATCH = 512;
    struct iovec iov[BATCH];
    std::size_t i = 0;
    while (i < parts.size()) {
        std::size_t n = 0;
        std::size_t bytes = 0;
        for (; i + n < parts.size() && n < BATCH; ++n) {
            iov[n].iov_base = const_cast<std::uint8_t*>(parts[i + n].data());
            iov[n].iov_len = parts[i + n].size();
            bytes += parts[i + n].size();
        }
        ssize_t w = ::writev(fd, iov, int(n));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (w == ssize_t(bytes)) {
            i += n;
            continue;
        }
        // A short write: finish this batch part by part from where it stopped.
        std::size_t done = std::size_t(w);
        for (std::size_t k = 0; k < n; ++k, ++i) {
            const std::size_t len = parts[i].size();
            if (done >= len) {
                done -= len;
                continue;
            }
            if (!write_all(fd, parts[i].data() + done, len - done))
                return false;
            done = 0;
        }
    }
    return true;
}

// The file a save really replaces: the end of a chain of symbolic links.
// A dangling link names the file it would point to.
std::string resolve_target(const char* path)
{
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        char buf[PATH_MAX];
        ssize_t n = ::readlink(current.c_str(), buf, sizeof buf - 1);
        if (n < 0)
            return current;
        buf[n] = '\0';
        if (buf[0] == '/') {
            current = buf;
        } else {
            auto slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + buf;
        }
    }
    return current;
}

// Room for the leading dot and the ".XXXXXX" of a temporary name.
constexpr std::size_t TEMP_NAME_KEEP = NAME_MAX - 16;

// The process's umask. Reading it back with umask() means setting it for
// a moment, when another thread could create a file with the wrong bits,
// so the kernel's own report comes first.
mode_t current_umask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return mode_t(mask);
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A temporary file that is removed unless it has been renamed into place.
struct TempFile {
    std::string path;
    bool placed = false;
    explicit TempFile(std::string p) : path(std::move(p)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        if (!placed)
            ::unlink(path.c_str());
    }
};

} // namespace

ReadResult io_read_file(const char* path)
{
    ReadResult r;
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (fd.fd < 0) {
        r.status = IO_OPEN_FAILED;
        r.error = errno;
        return r;
    }
    struct stat st;
    if (::fstat(fd.fd, &st) != 0) {
        r.status = IO_OPEN_FAILED;
        r.error = errno;
        return r;
    }
    if (S_ISDIR(st.st_mode)) {
        r.status = IO_OPEN_FAILED;
        r.error = EISDIR;
        return r;
    }
    // Regular files are read in one go at their known size; anything else
    // (pipes, devices, and files such as those under /proc that report a
    // size of 0 whatever they hold) is read until it ends.
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        buffer_reserve_large(&r.data, std::size_t(st.st_size));
        r.data.resize(std::size_t(st.st_size));
        std::size_t got = 0;
        int error = 0;
        while (got < r.data.size() && error == 0) {
            ssize_t n = ::read(fd.fd, r.data.data() + got, r.data.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n > 0)
                got += std::size_t(n);
            else // an end before the known size: the file shrank meanwhile
                error = n < 0 ? errno : EIO;
        }
        if (error != 0) {
            r.status = IO_READ_FAILED;
            r.error = error;
            r.data.clear();
        }
        return r;
    }
    std::uint8_t chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        // An endless source (a device such as /dev/zero) must not take all
        // memory: past the limit it counts as a failed read.
        if (n < 0 || r.data.size() + std::size_t(n) > IO_STREAM_LIMIT) {
            r.status = IO_READ_FAILED;
            r.error = n < 0 ? errno : EFBIG;
            r.data = {};
            return r;
        }
        if (n == 0)
            return r;
        r.data.insert(r.data.end(), chunk, chunk + n);
    }
}

bool io_file_readable(const char* path)
{
    // Without O_NONBLOCK, opening a named pipe waits for a writer forever.
    Fd fd(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    return fd.fd >= 0;
}

// Devices, pipes and other special files cannot be replaced by renaming
// (that would swap the device node for a plain file): they are written in
// place, as any program writing to them would.
static IoStatus write_in_place(const std::string& target, std::span<const std::span<const std::uint8_t>> parts)
{
    Fd fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.fd < 0)
        return IO_OPEN_FAILED;
    if (!write_parts(fd.fd, parts))
        return IO_WRITE_FAILED;
    return ::close(fd.release()) == 0 ? IO_OK : IO_WRITE_FAILED;
}

IoStatus io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts)
{
    return io_replace_file(path, std::span<const std::span<const std::uint8_t>>(parts.begin(), parts.size()));
}

IoStatus io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts)
{
    const std::string target = resolve_target(path);

    struct stat old_st;
    const bool exists = ::stat(target.c_str(), &old_st) == 0;
    if (exists && (S_ISDIR(old_st.st_mode) || ::access(target.c_str(), W_OK) != 0))
        return IO_OPEN_FAILED;
    if (exists && !S_ISREG(old_st.st_mode))
        return write_in_place(target, parts);

    // The temporary file sits beside the target so the rename stays on one
    // file system; its name is cut so that it never exceeds NAME_MAX when
    // the target's own name is already close to it.
    auto slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.size() > TEMP_NAME_KEEP)
        base.resize(TEMP_NAME_KEEP);
    std::string name = dir + "." + base + ".XXXXXX";

    Fd fd(::mkstemp(name.data()));
    if (fd.fd < 0)
        return IO_OPEN_FAILED;
    TempFile tmp{name};

    // Owner first: changing it may clear set-id bits, which the mode then
    // restores. Keeping the owner only works as root; elsewhere the new
    // file is simply ours, as after any save.
    if (exists && ::fchown(fd.fd, old_st.st_uid, old_st.st_gid) != 0) {
    }
    mode_t mode = exists ? (old_st.st_mode & 07777) : (0666 & ~current_umask());
    if (::fchmod(fd.fd, mode) != 0 || !write_parts(fd.fd, parts))
        return IO_WRITE_FAILED;
    // Replacing an existing file must never leave a rename pointing at
    // data that is not yet on disk; a brand-new file has nothing to lose.
    if (exists && ::fsync(fd.fd) != 0)
        return IO_WRITE_FAILED;
    if (::close(fd.release()) != 0 || ::rename(tmp.path.c_str(), target.c_str()) != 0)
        return IO_WRITE_FAILED;
    tmp.placed = true;
    return IO_OK;
}

bool io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts, ErrorText* err)
{
    switch (io_replace_file(path, parts)) {
    case IO_OK:
        return true;
    case IO_OPEN_FAILED:
        error_set(err, "Unable to open output file");
        return false;
    default:
        error_set(err, "Error saving file");
        return false;
    }
}

bool io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts, ErrorText* err)
{
    return io_replace_file(path, std::span<const std::span<const std::uint8_t>>(parts.begin(), parts.size()), err);
}
