// The descriptor-level pieces that whole-file replacement and batches of
// new files are made of: temporary files beside a target, copies of
// contents and extended attributes, and writes to special files.
#pragma once

#include "io/file_io.h"
#include "io/temp_registry.h"

#include <cstdint>
#include <span>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept;
    ~Fd();
    int release();
};

enum class TempKind {
    Unnamed, // no name until placed where the file system allows; otherwise like Named
    Named,   // ".NAME.XXXXXX", removed unless placed, also by a dying process
    Backup,  // ".NAME.XXXXXX.bak", a copy of the user's file: removed only once not needed
};

// A new file beside `target` (a name in the folder `dirfd`), mode 0600,
// removed when this goes out of scope unless it was placed or kept.
struct TempName {
    Fd fd{-1};
    int dirfd;
    std::string name; // empty while unnamed
    TempName(int dirfd, const std::string& target, TempKind kind);
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;
    ~TempName();

    // Puts the file at `final_name` unless something is there already (then
    // false with EEXIST); the file is placed.
    bool link_as(const std::string& final_name);
    // Gives an unnamed file a temporary name, registered for removal.
    bool name_it();
    // The name now belongs to someone else: not to be removed.
    void placed();
    // Leave the named file where it is (a backup that is still needed).
    void keep();
    // Removes the file now, unless placed or kept.
    void discard();

private:
    std::string base_;
    TempKind kind_;
    TempSlot slot_;
    bool done_ = false;
    bool create_named(const char* suffix);
    // Tries random names until `make` creates the file under one (then
    // `name` holds it); a taken name is tried again, any other failure ends.
    // `registered` names are removed if a signal ends the process.
    bool take_fresh_name(const char* suffix, bool registered, const std::function<bool(const char*)>& make);
};

// A folder opened for *at() calls (and fsync where it may be read).
int io_open_folder(const char* path);
// `fd`'s file opened anew with `flags` (O_RDONLY to read what is open for
// writing), through the kernel's own link to it.
int io_reopen(int fd, int flags);
// True when `st` is the file this process's standard output goes to.
bool io_is_standard_output(const struct stat& st);
mode_t io_current_umask();
// The names in the folder `dirfd` that `wanted` accepts, read in full
// before the caller removes any of them; none when the folder cannot be
// read.
std::vector<std::string> names_in(int dirfd, const std::function<bool(const char*)>& wanted);

// Copies `size` bytes from the current offset of `from` to that of `to`.
bool io_copy_contents(int from, int to, std::uint64_t size);
// Copies every extended attribute (ACLs included); false when one cannot
// be read or set.
bool io_copy_xattrs(int from, int to);
// Devices, pipes and the process's own standard output are written in
// place, as any program writing to them would: renaming would swap a
// device node for a plain file, or drop what an appended log held.
IoStatus io_write_special(int fd, const struct stat& st, const IoWriter& write);

// Removes temporaries of this module's own pattern for `target` in
// `dirfd` whose writer is gone (a save killed without warning: between
// naming an unnamed file and renaming it, or all along where no unnamed
// files could be used), and any older than a day.
void io_remove_stale_temporaries(int dirfd, const std::string& target);
