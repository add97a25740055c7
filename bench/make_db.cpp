// Writes a generated CSF database for benchmarks and demos:
//   bench_make_db OUT.csf FORMAT WORDS BYTES_PER_WORD PHRASES REFS_PER_PHRASE
// FORMAT is "old" or "modern". Audio bytes and references are pseudo-random
// but fixed by a seed, so runs are repeatable.
#include "db/csf.h"
#include "tests/unit/test_db.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s OUT.csf old|modern WORDS BYTES_PER_WORD PHRASES REFS_PER_PHRASE\n", argv[0]);
        return 2;
    }
    const bool old = std::strcmp(argv[2], "old") == 0;
    const auto words = std::uint32_t(std::strtoul(argv[3], nullptr, 10));
    const auto bytes = std::size_t(std::strtoul(argv[4], nullptr, 10));
    const auto phrases = std::uint32_t(std::strtoul(argv[5], nullptr, 10));
    const auto refs = std::uint32_t(std::strtoul(argv[6], nullptr, 10));
    if (words == 0 || refs > PHRASE_MAX_WORDS) {
        std::fprintf(stderr, "need at least one word and at most %d references per phrase\n", PHRASE_MAX_WORDS);
        return 2;
    }

    SpeechDbPtr db = make_generated_db(
        old ? DB_FORMAT_OLD : DB_FORMAT_MODERN, words, [bytes](std::uint32_t) { return bytes; }, phrases, refs);
    db_set_language_code(db.get(), "ENG");
    ErrorText err;
    if (!csf_save(db.get(), argv[1], &err)) {
        std::fprintf(stderr, "%s\n", err.text);
        return 1;
    }
    return 0;
}
