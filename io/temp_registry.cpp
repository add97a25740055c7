// The registry of temporary names and the signal handlers that clear it.
// Everything a handler touches is a fixed array of plain values and every
// call it makes is a system call, so it may run at any moment.
#include "io/temp_registry.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int SLOTS = 16;

struct Slot {
    std::atomic<int> state{0}; // 0 free, 1 being written, 2 registered
    int dirfd = -1;
    bool is_folder = false;
    char name[NAME_MAX + 1] = "";
};

Slot slots[SLOTS];

// The entries of a folder read with the raw system call, since readdir may
// allocate.
struct LinuxDirent {
    unsigned long long ino;
    long long off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

void remove_folder(int parent, const char* name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        alignas(8) static char buf[4096];
        for (;;) {
            const long n = ::syscall(SYS_getdents64, fd, buf, sizeof buf);
            if (n <= 0)
                break;
            for (long at = 0; at < n;) {
                auto* d = reinterpret_cast<LinuxDirent*>(buf + at);
                if (std::strcmp(d->name, ".") != 0 && std::strcmp(d->name, "..") != 0)
                    ::unlinkat(fd, d->name, 0);
                at += d->reclen;
            }
        }
        ::close(fd);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

void on_fatal_signal(int sig)
{
    io_temp_remove_all();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

} // namespace

TempSlot io_temp_register(int dirfd, const char* name, bool is_folder)
{
    if (std::strlen(name) > NAME_MAX)
        return std::nullopt;
    for (int i = 0; i < SLOTS; ++i) {
        int expected = 0;
        if (!slots[i].state.compare_exchange_strong(expected, 1))
            continue;
        slots[i].dirfd = dirfd;
        slots[i].is_folder = is_folder;
        std::strcpy(slots[i].name, name);
        slots[i].state.store(2);
        return i;
    }
    return std::nullopt;
}

void io_temp_forget(TempSlot slot)
{
    if (slot)
        slots[*slot].state.store(0);
}

void io_temp_remove_all()
{
    for (Slot& s : slots) {
        int expected = 2;
        if (!s.state.compare_exchange_strong(expected, 1))
            continue;
        if (s.is_folder)
            remove_folder(s.dirfd, s.name);
        else
            ::unlinkat(s.dirfd, s.name, 0);
        s.state.store(0);
    }
}

void io_ignore_write_signals()
{
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

void io_clean_up_on_signals()
{
    struct sigaction sa {};
    sa.sa_handler = on_fatal_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        // A signal the caller's parent chose to ignore stays ignored.
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        ::sigaction(sig, &sa, nullptr);
    }
}
