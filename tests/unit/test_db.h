// Shared helpers for the unit tests: databases built directly in memory,
// temporary folders, and file helpers.
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

// Builds a database the way the loader would: each word gets `audio[i]`
// as current and saved audio, each phrase the given 0-based word numbers
// in both lists.
SpeechDbPtr make_db(DbFormat format, const std::vector<std::vector<std::uint8_t>>& audio,
                    const std::vector<std::vector<int>>& phrases, const char* language = "DE", int flags = 0xA5);

// A random database: `words` words of 0..max_audio bytes each, `phrases`
// phrases of 0..32 references.
SpeechDbPtr make_random_db(std::mt19937& rng, DbFormat format, int words, int phrases, int max_audio = 64);

// A large database for benchmarks: `words` words of pseudo-random audio,
// word i holding `audio_size(i)` bytes, and `phrases` phrases of `refs`
// pseudo-random references each; the same `seed` gives the same database.
SpeechDbPtr make_generated_db(DbFormat format, std::uint32_t words,
                              const std::function<std::size_t(std::uint32_t)>& audio_size, std::uint32_t phrases,
                              std::uint32_t refs, std::uint32_t seed = 1234);

// A fresh temporary folder, removed with everything in it when destroyed.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// What a child process wrote and how it ended.
struct ChildOutput {
    std::string out;
    int status = -1; // as waitpid reports it; -1 when no child was started
    std::string failure; // why no child was started
};

// Forks a child that runs `child(fd)` and then ends with _exit(0) (unless
// `child` execs or exits itself); `fd` is the write end of a pipe whose
// every byte the parent collects until the child has ended.
ChildOutput run_capturing(const std::function<void(int fd)>& child);
// Runs the program `argv[0]` with `argv`, its standard output captured.
ChildOutput run_capturing(const std::vector<std::string>& argv);

// Runs `body` in a forked child and returns what it returned: an empty
// string for success, otherwise what went wrong (or how the child died).
// With `as_nobody` a child running as root first drops to uid and gid
// 65534, so that permission bits bind it as they bind a user. Process-wide
// changes (resource limits, signal dispositions) stay in the child.
std::string run_in_child(const std::function<std::string()>& body, bool as_nobody = false);

// The names in a folder, without "." and "..", sorted.
std::vector<std::string> dir_entries(const std::string& path);

// Checks the invariants every loaded database keeps: numbers equal
// positions, at most 32 words per phrase, every reference points at a
// word of the database. Returns an empty string or what is wrong.
std::string db_check_invariants(const SpeechDb* db);

// Compares what a file keeps of a database: format, language code, the
// flags byte, every word's current audio, every phrase's current list (as
// word numbers) and, when `texts` is set, comments and aliases (otherwise
// `got` must have none). `got` must look freshly loaded: saved lists and
// audio equal to the current ones, nothing marked. Returns an empty string
// or the first difference.
std::string db_compare_saved(const SpeechDb* want, const SpeechDb* got, bool texts);

// The CSF image of `db` as the writer builds it; empty when it refuses
// (callers assert that it is not).
std::vector<std::uint8_t> csf_image(const SpeechDb* db);

// What `parse` makes of `bytes`: "<loaded>" when it accepts them,
// otherwise its message. It reads an exact-size copy, so that a read one
// byte past the end is caught by the sanitizers.
using DbParser = SpeechDbPtr (*)(const std::uint8_t* data, std::size_t size, ErrorText* err);
std::string parse_outcome(const std::vector<std::uint8_t>& bytes, DbParser parse);

// A canonical 44-byte WAV file (PCM, header and `samples` as the data
// chunk) with the header fields consistent with the given format.
std::vector<std::uint8_t> wav_file_bytes(const std::vector<std::uint8_t>& samples, int channels = 1, int rate = 16000,
                                         int bits = 16);

// 16-bit samples as the little-endian bytes a WAV data chunk holds.
std::vector<std::uint8_t> pcm16_bytes(const std::vector<std::int16_t>& samples);

std::vector<std::uint8_t> read_bytes(const std::string& path);
// Returns whether every byte was written.
bool write_bytes(const std::string& path, const std::vector<std::uint8_t>& data);
