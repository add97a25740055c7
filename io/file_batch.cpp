// All-or-nothing batches of new files through a staging folder.
#include "io/file_batch.h"

#include "io/file_ops.h"
#include "io/temp_registry.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct FileBatchState {
    Fd folder{-1};
    Fd staging{-1};
    std::string staging_name;
    TempSlot slot;
    IoStatus status = IO_OK;
    std::vector<std::string> names;
};

namespace {

constexpr const char* OLD_SUFFIX = ".old";
constexpr char STAGING_PREFIX[] = ".tembrel-batch-";
constexpr std::time_t STALE_AGE = 24 * 60 * 60;

// Our staging folders' names: the prefix and digits, nothing else.
bool is_staging_name(const char* name)
{
    if (std::strncmp(name, STAGING_PREFIX, sizeof STAGING_PREFIX - 1) != 0)
        return false;
    const char* digits = name + sizeof STAGING_PREFIX - 1;
    if (!*digits)
        return false;
    for (const char* p = digits; *p; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}

// Removes the plain files directly inside the folder `fd`.
void empty_folder(int fd)
{
    const auto entry = [](const char* name) { return std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0; };
    for (const auto& name : names_in(fd, entry))
        ::unlinkat(fd, name.c_str(), 0);
}

// A staging folder holds a lock for as long as its export lives; the kernel
// drops it however the process ended. Folders of ours that nobody holds
// (an export killed without warning) are removed with what they hold, and
// so are those older than a day, whatever their lock says.
void remove_abandoned_staging(int folder)
{
    const std::time_t now = std::time(nullptr);
    for (const auto& name : names_in(folder, is_staging_name)) {
        Fd fd(::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0 || st.st_uid != ::geteuid())
            continue;
        if (::flock(fd.fd, LOCK_EX | LOCK_NB) != 0 && st.st_mtime >= now - STALE_AGE)
            continue;
        empty_folder(fd.fd);
        ::unlinkat(folder, name.c_str(), AT_REMOVEDIR);
    }
}

// Creates, opens and locks a fresh staging folder. A folder that another
// export's clean-up removed before we held its lock is given up for a new
// name.
bool make_staging(FileBatchState& s, std::mt19937& rng)
{
    s.staging_name = STAGING_PREFIX + std::to_string(rng() % 1000000000u);
    s.slot = io_temp_register(s.folder.fd, s.staging_name.c_str(), true);
    if (::mkdirat(s.folder.fd, s.staging_name.c_str(), 0700) != 0)
        return false;
    s.staging = Fd(::openat(s.folder.fd, s.staging_name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat held {};
    struct stat named {};
    if (s.staging.fd >= 0 && ::flock(s.staging.fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(s.staging.fd, &held) == 0
        && ::fstatat(s.folder.fd, s.staging_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0
        && held.st_ino == named.st_ino && held.st_dev == named.st_dev)
        return true;
    s.staging = Fd(-1);
    errno = EEXIST; // try another name
    return false;
}

// Removes the staging folder and whatever is still in it.
void remove_staging(FileBatchState& s)
{
    if (s.staging.fd < 0)
        return;
    for (const auto& name : s.names) {
        ::unlinkat(s.staging.fd, name.c_str(), 0);
        ::unlinkat(s.staging.fd, (name + OLD_SUFFIX).c_str(), 0);
    }
    s.staging = Fd(-1);
    ::unlinkat(s.folder.fd, s.staging_name.c_str(), AT_REMOVEDIR);
    io_temp_forget(s.slot);
    s.slot.reset();
}

} // namespace

FileBatch::FileBatch(const char* folder) : state_(std::make_unique<FileBatchState>())
{
    FileBatchState& s = *state_;
    s.folder = Fd(io_open_folder(folder));
    if (s.folder.fd < 0) {
        s.status = IO_OPEN_FAILED;
        return;
    }
    remove_abandoned_staging(s.folder.fd);
    std::mt19937 rng(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (make_staging(s, rng))
            return;
        const int cause = errno;
        io_temp_forget(s.slot);
        s.slot.reset();
        if (cause != EEXIST) {
            s.status = IO_OPEN_FAILED;
            errno = cause;
            return;
        }
    }
    s.status = IO_OPEN_FAILED;
    errno = EEXIST;
}

FileBatch::~FileBatch()
{
    remove_staging(*state_);
}

IoStatus FileBatch::status() const
{
    return state_->status;
}

IoStatus FileBatch::add(const std::string& name, std::span<const std::span<const std::uint8_t>> parts)
{
    FileBatchState& s = *state_;
    if (s.status != IO_OK)
        return s.status;
    Fd fd(::openat(s.staging.fd, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
    if (fd.fd < 0)
        return IO_OPEN_FAILED;
    s.names.push_back(name);
    if (!io_write_parts(fd.fd, parts) || ::close(fd.release()) != 0)
        return IO_WRITE_FAILED;
    return IO_OK;
}

IoStatus FileBatch::commit(bool replace, std::string* failed)
{
    FileBatchState& s = *state_;
    if (s.status != IO_OK)
        return s.status;
    std::size_t placed = 0;
    IoStatus status = IO_OK;
    int cause = 0;
    for (; placed < s.names.size(); ++placed) {
        const char* name = s.names[placed].c_str();
        const std::string old = s.names[placed] + OLD_SUFFIX;
        struct stat st {};
        if (::fstatat(s.folder.fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!replace || !S_ISREG(st.st_mode)) {
                status = IO_EXISTS;
                cause = replace ? EISDIR : EEXIST;
                break;
            }
            // The old file stays reachable from the staging folder until
            // the whole batch is in place.
            if (::linkat(s.folder.fd, name, s.staging.fd, old.c_str(), 0) != 0) {
                status = IO_WRITE_FAILED;
                cause = errno;
                break;
            }
            if (::renameat(s.staging.fd, name, s.folder.fd, name) == 0)
                continue;
        } else if (::renameat2(s.staging.fd, name, s.folder.fd, name, RENAME_NOREPLACE) == 0) {
            continue;
        }
        cause = errno;
        status = cause == EEXIST ? IO_EXISTS : IO_WRITE_FAILED;
        break;
    }
    if (status == IO_OK) {
        ::fsync(s.folder.fd);
        return IO_OK;
    }
    *failed = s.names[placed];
    // Back out: every file placed returns to the staging folder (and goes
    // with it), every file it replaced comes back.
    for (std::size_t i = 0; i < placed; ++i) {
        const char* name = s.names[i].c_str();
        const std::string old = s.names[i] + OLD_SUFFIX;
        if (::renameat(s.folder.fd, name, s.staging.fd, name) == 0)
            ::renameat(s.staging.fd, old.c_str(), s.folder.fd, name);
    }
    errno = cause;
    return status;
}
