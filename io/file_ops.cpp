// Descriptor-level helpers of the savers: temporaries, copies, special
// outputs and the removal of stale temporaries.
#include "io/file_ops.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string_view>
#include <climits>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

// Room for the leading dot, ".XXXXXX" and ".bak" around the target's name.
constexpr std::size_t TEMP_NAME_KEEP = NAME_MAX - 16;
constexpr int SUFFIX_LENGTH = 6;
constexpr char SUFFIX_CHARS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::time_t STALE_AGE = 24 * 60 * 60;

std::string temp_base(const std::string& target)
{
    // Appended piece by piece: GCC 12 at -O3 sees a false overlap in
    // "." + substr + "." and would stop a -Werror Release build.
    std::string base(1, '.');
    base.append(target, 0, TEMP_NAME_KEEP);
    base += '.';
    return base;
}

std::string random_suffix()
{
    unsigned char bytes[SUFFIX_LENGTH];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != ssize_t(sizeof bytes)) {
        static std::mt19937 fallback(std::random_device{}());
        for (auto& b : bytes)
            b = static_cast<unsigned char>(fallback());
    }
    std::string s;
    for (unsigned char b : bytes)
        s += SUFFIX_CHARS[b % (sizeof SUFFIX_CHARS - 1)];
    return s;
}

// A name of the pattern `temp_base(target)` + six letters or digits.
bool is_temp_of(const char* name, const std::string& base)
{
    const std::string n = name;
    if (n.size() != base.size() + SUFFIX_LENGTH || n.compare(0, base.size(), base) != 0)
        return false;
    for (std::size_t i = base.size(); i < n.size(); ++i)
        if (std::string_view(SUFFIX_CHARS).find(n[i]) == std::string_view::npos)
            return false;
    return true;
}

// A temporary carries a lock for as long as its writer lives: the kernel
// drops it with the writer's last descriptor, however the writer ended.
// An unlocked temporary with content therefore belongs to nobody.
void claim(int fd)
{
    ::flock(fd, LOCK_EX | LOCK_NB);
}

// True when the temporary `name` (regular, with content) has no living
// writer: we could take its lock, and the name still holds what we locked.
bool is_abandoned(int dirfd, const char* name, const struct stat& st)
{
    const int fd = ::openat(dirfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat now {};
    const bool free = ::fstat(fd, &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev
                      && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

bool write_all(int fd, const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = EIO;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

} // namespace

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        fd = other.release();
    }
    return *this;
}

Fd::~Fd()
{
    if (fd >= 0)
        ::close(fd);
}

int Fd::release()
{
    const int f = fd;
    fd = -1;
    return f;
}

TempName::TempName(int dir, const std::string& target, TempKind kind)
    : dirfd(dir), base_(temp_base(target)), kind_(kind)
{
    if (kind == TempKind::Unnamed) {
        fd = Fd(::openat(dirfd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (fd.fd >= 0) {
            claim(fd.fd);
            return;
        }
        // File systems without unnamed files say so in several ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return;
    }
    if (create_named(kind == TempKind::Backup ? ".bak" : ""))
        claim(fd.fd);
}

bool TempName::take_fresh_name(const char* suffix, bool registered, const std::function<bool(const char*)>& make)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = base_ + random_suffix() + suffix;
        // The slot is taken before the name exists, so no moment passes in
        // which a signal would leave it behind.
        if (registered)
            slot_ = io_temp_register(dirfd, candidate.c_str(), false);
        if (make(candidate.c_str())) {
            name = std::move(candidate);
            return true;
        }
        const int cause = errno;
        io_temp_forget(slot_);
        slot_.reset();
        if (cause != EEXIST) {
            errno = cause;
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

bool TempName::create_named(const char* suffix)
{
    // A backup is read again to put the old content back, and is not
    // removed by a signal: it may be all that is left of the old file.
    const int access = kind_ == TempKind::Backup ? O_RDWR : O_WRONLY;
    return take_fresh_name(suffix, kind_ != TempKind::Backup, [this, access](const char* candidate) {
        fd = Fd(::openat(dirfd, candidate, O_CREAT | O_EXCL | access | O_CLOEXEC, 0600));
        return fd.fd >= 0;
    });
}

TempName::~TempName()
{
    discard();
}

bool TempName::link_as(const std::string& final_name)
{
    if (name.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd.fd);
        if (::linkat(AT_FDCWD, self.c_str(), dirfd, final_name.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return false;
        done_ = true;
        return true;
    }
    if (::renameat2(dirfd, name.c_str(), dirfd, final_name.c_str(), RENAME_NOREPLACE) != 0) {
        // Some file systems cannot promise the no-replace rename; a hard
        // link refuses an existing name just as well.
        if (errno != EINVAL || ::linkat(dirfd, name.c_str(), dirfd, final_name.c_str(), 0) != 0)
            return false;
        ::unlinkat(dirfd, name.c_str(), 0);
    }
    placed();
    return true;
}

bool TempName::name_it()
{
    if (!name.empty())
        return true;
    const std::string self = "/proc/self/fd/" + std::to_string(fd.fd);
    return take_fresh_name("", true, [this, &self](const char* candidate) {
        return ::linkat(AT_FDCWD, self.c_str(), dirfd, candidate, AT_SYMLINK_FOLLOW) == 0;
    });
}

void TempName::placed()
{
    done_ = true;
    io_temp_forget(slot_);
    slot_.reset();
}

void TempName::keep()
{
    placed();
}

void TempName::discard()
{
    if (!done_ && !name.empty())
        ::unlinkat(dirfd, name.c_str(), 0);
    done_ = true;
    io_temp_forget(slot_);
    slot_.reset();
    fd = Fd(-1);
}

int io_open_folder(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != EACCES)
        return fd;
    // A folder we may enter and write but not list.
    return ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

int io_reopen(int fd, int flags)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::open(self.c_str(), flags | O_CLOEXEC | O_NOCTTY);
}

bool io_is_standard_output(const struct stat& st)
{
    struct stat out {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && out.st_dev == st.st_dev && out.st_ino == st.st_ino;
}

mode_t io_current_umask()
{
    // Reading it back with umask() means setting it for a moment, when
    // another thread could create a file with the wrong bits, so the
    // kernel's own report comes first.
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
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool io_write_parts(int fd, std::span<const std::span<const std::uint8_t>> parts)
{
    // Many small parts (a database's words) go out through writev, a batch
    // at a time, instead of one system call each.
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
        const ssize_t w = ::writev(fd, iov, int(n));
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            return false;
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

bool io_copy_contents(int from, int to, std::uint64_t size)
{
    std::vector<std::uint8_t> buf(std::size_t(1) << 18);
    while (size > 0) {
        const ssize_t n = ::read(from, buf.data(), std::size_t(std::min<std::uint64_t>(size, buf.size())));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // the file shrank meanwhile
            return false;
        }
        if (!write_all(to, buf.data(), std::size_t(n)))
            return false;
        size -= std::uint64_t(n);
    }
    return true;
}

bool io_copy_xattrs(int from, int to)
{
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP;
    std::vector<char> names(std::size_t(size) + 1);
    size = ::flistxattr(from, names.data(), names.size());
    if (size < 0)
        return false;
    std::vector<char> value;
    for (ssize_t at = 0; at < size; at += ssize_t(std::strlen(names.data() + at)) + 1) {
        const char* name = names.data() + at;
        const ssize_t len = ::fgetxattr(from, name, nullptr, 0);
        if (len < 0)
            return false;
        value.resize(std::size_t(len) + 1);
        const ssize_t got = ::fgetxattr(from, name, value.data(), value.size());
        if (got < 0 || ::fsetxattr(to, name, value.data(), std::size_t(got), 0) != 0)
            return false;
    }
    return true;
}

IoStatus io_write_special(int fd, const struct stat& st, const IoWriter& write)
{
    // Our own standard output is written through the descriptor we were
    // given, which keeps its offset and its append mode; a pipe or device
    // opened by name is written in blocking mode once a reader is there.
    int out = fd;
    if (io_is_standard_output(st))
        out = STDOUT_FILENO;
    else if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return write(out) ? IO_OK : IO_WRITE_FAILED;
}

std::vector<std::string> names_in(int dirfd, const std::function<bool(const char*)>& wanted)
{
    const int list = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = list >= 0 ? ::fdopendir(list) : nullptr;
    if (!dir) {
        if (list >= 0)
            ::close(list);
        return {};
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (wanted(e->d_name))
            names.emplace_back(e->d_name);
    ::closedir(dir);
    return names;
}

void io_remove_stale_temporaries(int dirfd, const std::string& target)
{
    const std::string base = temp_base(target);
    const std::time_t now = std::time(nullptr);
    for (const auto& name : names_in(dirfd, [&base](const char* n) { return is_temp_of(n, base); })) {
        struct stat st {};
        if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)
            || st.st_uid != ::geteuid())
            continue;
        // An empty one may be a writer's that has not taken its lock yet.
        if (st.st_mtime < now - STALE_AGE || (st.st_size > 0 && is_abandoned(dirfd, name.c_str(), st)))
            ::unlinkat(dirfd, name.c_str(), 0);
    }
}
