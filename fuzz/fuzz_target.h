// What every fuzz target shares: the libFuzzer entry points, a check that
// stops the process loudly in every build type (assert would vanish from
// the optimised replay programs), a private folder for targets that work
// on files, and the parse-and-rebuild checks of the database loaders.
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"
#include "tests/unit/test_db.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

#define FUZZ_CHECK(cond, detail)                                                                            \
    do {                                                                                                   \
        if (!(cond)) {                                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__, #cond,              \
                         std::string(detail).c_str());                                                    \
            std::abort();                                                                                  \
        }                                                                                                  \
    } while (0)

// A fresh folder named after `name` for the files of one run, in memory
// when /dev/shm exists (millions of inputs go through it), removed with its
// contents when the process exits. One per process.
inline std::string fuzz_temp_dir(const char* name)
{
    static std::string dir;
    FUZZ_CHECK(dir.empty(), "a second temporary folder");
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/tembrel-" + name + "-XXXXXX";
    FUZZ_CHECK(::mkdtemp(tmpl.data()) != nullptr, tmpl);
    dir = tmpl;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    return dir;
}

// Writes the bytes in place: the editor's own writers replace files
// atomically, which costs more time than the rest of a run.
inline void fuzz_write_file(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    FUZZ_CHECK(fd >= 0, path);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        FUZZ_CHECK(n > 0, "write failed: " + path);
        done += std::size_t(n);
    }
    ::close(fd);
}

// Hands the bytes to a loader. Whether it accepts them must not depend on
// the optional error buffer, and a refusal must come with a message.
inline SpeechDbPtr fuzz_parse(DbParser parse, const std::uint8_t* data, std::size_t size)
{
    ErrorText err;
    SpeechDbPtr db = parse(data, size, &err);
    FUZZ_CHECK(bool(parse(data, size, nullptr)) == bool(db), "result depends on the error buffer");
    if (!db)
        FUZZ_CHECK(err[0] != 0 && std::memchr(err, 0, sizeof err), "refusal without a message");
    return db;
}

// What a loader accepted keeps the model's invariants, and written out
// with `build` and loaded again it comes back equal (with comments and
// aliases when `texts`), and is then written to the very same bytes. Only
// the old variant's 16-bit offsets can be outgrown by a database whose
// phrases share their references, so only there may `build` refuse.
using DbBuilder = bool (*)(const SpeechDb* db, std::vector<std::uint8_t>* out, ErrorText* err);

inline void fuzz_round_trip(const SpeechDb* db, DbParser parse, DbBuilder build, bool texts)
{
    const std::string broken = db_check_invariants(db);
    FUZZ_CHECK(broken.empty(), broken);
    ErrorText err;
    std::vector<std::uint8_t> bytes;
    if (!build(db, &bytes, &err)) {
        FUZZ_CHECK(db->format == DB_FORMAT_OLD, err);
        return;
    }
    SpeechDbPtr again = parse(bytes.data(), bytes.size(), &err);
    FUZZ_CHECK(again != nullptr, err);
    const std::string diff = db_compare_saved(db, again.get(), texts);
    FUZZ_CHECK(diff.empty(), diff);
    std::vector<std::uint8_t> rebuilt;
    FUZZ_CHECK(build(again.get(), &rebuilt, &err) && rebuilt == bytes, "rebuilt bytes differ");
}
