// Atomic whole-file replacement on POSIX descriptors.
//
// The target is opened as any program opening it for writing would, so the
// kernel alone decides whether a symbolic link may be followed (it refuses
// links planted by others in shared sticky folders when
// fs.protected_symlinks is on). The file actually opened is then found from
// the descriptor, and that file is the one replaced, through descriptors of
// its folder so that nothing renamed meanwhile can redirect the save.
#include "io/file_io.h"
#include "io/file_ops.h"
#include "io/temp_registry.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where a save goes: the folder, the name in it and, when one is there,
// the file it replaces (opened for writing, so the kernel has agreed).
struct Target {
    Fd file{-1};
    Fd dir{-1};
    std::string name;
    struct stat st {};
    bool exists = false;
    bool placeholder = false; // created by us through a dangling link of our own
};

// Splits a path into its folder and its last name; "" for a path ending in
// a slash.
void split_path(const std::string& path, std::string* dir, std::string* name)
{
    const auto slash = path.rfind('/');
    *dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder and name of the file behind an open descriptor, checked
// against the descriptor so that a rename meanwhile cannot mislead us.
bool locate_opened(Target* t)
{
    char real[PATH_MAX + 1];
    const std::string link = "/proc/self/fd/" + std::to_string(t->file.fd);
    const ssize_t n = ::readlink(link.c_str(), real, PATH_MAX);
    if (n <= 0 || real[0] != '/') {
        errno = n <= 0 ? errno : ENOENT;
        return false;
    }
    std::string dir;
    split_path(std::string(real, std::size_t(n)), &dir, &t->name);
    t->dir = Fd(io_open_folder(dir.c_str()));
    struct stat here {};
    if (t->dir.fd < 0)
        return false;
    if (::fstatat(t->dir.fd, t->name.c_str(), &here, AT_SYMLINK_NOFOLLOW) != 0 || here.st_dev != t->st.st_dev
        || here.st_ino != t->st.st_ino) {
        errno = ESTALE;
        return false;
    }
    return true;
}

// Opens the target as a writer would. False with errno set when the
// kernel refuses, the path names a folder, a link loops, or a dangling
// link belongs to someone else (following it would create a file wherever
// its owner chose).
bool open_target(const char* path, Target* t, bool* special)
{
    *special = false;
    t->file = Fd(::open(path, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (t->file.fd < 0 && errno == ENOENT) {
        struct stat link {};
        if (::lstat(path, &link) == 0 && S_ISLNK(link.st_mode)) {
            if (link.st_uid != ::geteuid()) {
                errno = EACCES;
                return false;
            }
            // Our own link pointing where our file is to be: the kernel
            // follows it and creates the file there, which the new content
            // then replaces.
            t->file = Fd(::open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600));
            t->placeholder = t->file.fd >= 0;
        } else {
            std::string dir;
            split_path(path, &dir, &t->name);
            if (t->name.empty() || t->name == "." || t->name == "..") {
                errno = EISDIR;
                return false;
            }
            t->dir = Fd(io_open_folder(dir.c_str()));
            return t->dir.fd >= 0;
        }
    }
    if (t->file.fd < 0 || ::fstat(t->file.fd, &t->st) != 0)
        return false;
    if (!S_ISREG(t->st.st_mode) || io_is_standard_output(t->st)) {
        *special = true;
        return true;
    }
    t->exists = !t->placeholder;
    return locate_opened(t);
}

void remove_placeholder(const Target& t)
{
    struct stat here {};
    if (t.placeholder && ::fstatat(t.dir.fd, t.name.c_str(), &here, AT_SYMLINK_NOFOLLOW) == 0
        && here.st_ino == t.st.st_ino && here.st_dev == t.st.st_dev && here.st_size == 0)
        ::unlinkat(t.dir.fd, t.name.c_str(), 0);
}

// Writes over the existing file itself, after a complete copy of it has been
// put beside it; the copy is put back if the write fails. This keeps other
// hard links, the owner and everything else attached to the file.
IoStatus write_in_place_with_backup(const Target& t, const IoWriter& write)
{
    Fd reader(io_reopen(t.file.fd, O_RDONLY));
    if (reader.fd < 0)
        return IO_OPEN_FAILED;
    TempName backup(t.dir.fd, t.name, TempKind::Backup);
    if (backup.fd.fd < 0)
        return IO_OPEN_FAILED;
    if (!io_copy_contents(reader.fd, backup.fd.fd, t.st.st_size) || ::fsync(backup.fd.fd) != 0)
        return IO_WRITE_FAILED;
    off_t end = -1;
    if (write(t.file.fd) && (end = ::lseek(t.file.fd, 0, SEEK_CUR)) >= 0 && ::ftruncate(t.file.fd, end) == 0
        && ::fsync(t.file.fd) == 0)
        return IO_OK; // the backup goes with `backup`
    const int cause = errno;
    // The old content goes back over the new one; only if that fails too
    // does the copy stay, as the one complete version left.
    if (::lseek(t.file.fd, 0, SEEK_SET) != 0 || ::lseek(backup.fd.fd, 0, SEEK_SET) != 0
        || !io_copy_contents(backup.fd.fd, t.file.fd, t.st.st_size) || ::ftruncate(t.file.fd, t.st.st_size) != 0
        || ::fsync(t.file.fd) != 0)
        backup.keep();
    errno = cause;
    return IO_WRITE_FAILED;
}

// Gives the new file what the old one had: owner, group, permission bits,
// extended attributes and ACLs. False when some of it cannot be kept.
bool carry_over(const Target& t, int fd)
{
    if (!t.exists)
        return ::fchmod(fd, 0666 & ~io_current_umask()) == 0;
    // Owner first: changing it may clear set-id bits, which the mode then
    // restores; the ACL comes last, since the mode rewrites its mask.
    if (::fchown(fd, t.st.st_uid, t.st.st_gid) != 0 || ::fchmod(fd, t.st.st_mode & 07777) != 0)
        return false;
    return io_copy_xattrs(t.file.fd, fd);
}

IoStatus place(const Target& t, TempName& tmp)
{
    // A brand-new file is linked straight to its name, which fails rather
    // than replaces if something appeared there meanwhile; a replacement
    // is renamed over the old name, in one step.
    if (!t.exists && !t.placeholder && tmp.link_as(t.name))
        return IO_OK;
    if (!tmp.name_it() || ::renameat(t.dir.fd, tmp.name.c_str(), t.dir.fd, t.name.c_str()) != 0)
        return IO_WRITE_FAILED;
    tmp.placed();
    // The rename itself must survive a power loss, not only the data.
    if (t.exists && ::fsync(t.dir.fd) != 0 && errno != EBADF && errno != EINVAL)
        return IO_WRITE_FAILED;
    return IO_OK;
}

} // namespace

IoStatus io_replace_file_with(const char* path, const IoWriter& write)
{
    Target t;
    bool special = false;
    if (!path || !*path) {
        errno = ENOENT;
        return IO_OPEN_FAILED;
    }
    if (!open_target(path, &t, &special)) {
        const int cause = errno;
        remove_placeholder(t);
        errno = cause;
        return IO_OPEN_FAILED;
    }
    if (special)
        return io_write_special(t.file.fd, t.st, write);

    TempName tmp(t.dir.fd, t.name, TempKind::Unnamed);
    if (tmp.fd.fd < 0) {
        const int cause = errno;
        remove_placeholder(t);
        errno = cause;
        return IO_OPEN_FAILED;
    }
    if (t.exists && (t.st.st_nlink > 1 || !carry_over(t, tmp.fd.fd))) {
        tmp.discard();
        return write_in_place_with_backup(t, write);
    }
    IoStatus status = IO_OK;
    if ((!t.exists && !carry_over(t, tmp.fd.fd)) || !write(tmp.fd.fd)
        // Replacing an existing file must never leave a rename pointing at
        // data that is not yet on disk; a brand-new file has nothing to lose.
        || (t.exists && ::fsync(tmp.fd.fd) != 0))
        status = IO_WRITE_FAILED;
    if (status == IO_OK)
        status = place(t, tmp);
    if (status != IO_OK) {
        const int cause = errno;
        tmp.discard();
        remove_placeholder(t);
        errno = cause;
        return status;
    }
    io_remove_stale_temporaries(t.dir.fd, t.name);
    return IO_OK;
}

IoStatus io_replace_file(const char* path, std::span<const std::span<const std::uint8_t>> parts)
{
    return io_replace_file_with(path, [parts](int fd) { return io_write_parts(fd, parts); });
}

IoStatus io_replace_file(const char* path, std::initializer_list<std::span<const std::uint8_t>> parts)
{
    return io_replace_file(path, std::span<const std::span<const std::uint8_t>>(parts.begin(), parts.size()));
}

IoStatus io_create_file(const char* path, std::span<const std::span<const std::uint8_t>> parts)
{
    if (!path || !*path) {
        errno = ENOENT;
        return IO_OPEN_FAILED;
    }
    if (io_entry_exists(path)) {
        errno = EEXIST;
        return IO_EXISTS;
    }
    std::string dir;
    std::string name;
    split_path(path, &dir, &name);
    Fd folder(io_open_folder(dir.c_str()));
    if (folder.fd < 0)
        return IO_OPEN_FAILED;
    TempName tmp(folder.fd, name, TempKind::Unnamed);
    if (tmp.fd.fd < 0)
        return IO_OPEN_FAILED;
    if (::fchmod(tmp.fd.fd, 0666 & ~io_current_umask()) != 0 || !io_write_parts(tmp.fd.fd, parts))
        return IO_WRITE_FAILED;
    if (!tmp.link_as(name))
        return errno == EEXIST ? IO_EXISTS : IO_WRITE_FAILED;
    return IO_OK;
}
