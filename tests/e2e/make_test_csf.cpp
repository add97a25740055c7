// Writes a small CSF file for the end-to-end test: a few words of made-up
// ADPCM audio and phrases that use them, in the variant asked for.
//
//   make_test_csf OUT.csf [old|modern]
#include "db/csf.h"
#include "tests/unit/test_db.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT.csf [old|modern]\n", argv[0]);
        return 2;
    }
    const bool old = argc == 3 && std::strcmp(argv[2], "old") == 0;

    constexpr int WORDS = 6;
    std::vector<std::vector<std::uint8_t>> audio(WORDS);
    for (int i = 0; i < WORDS; ++i) {
        // A short clip whose codes rise and fall, different for every word.
        for (int b = 0; b < 400 + 40 * i; ++b)
            audio[std::size_t(i)].push_back(std::uint8_t(((b + i) % 16) << 4 | ((15 - b % 16) & 0x0F)));
    }
    SpeechDbPtr db = make_db(old ? DB_FORMAT_OLD : DB_FORMAT_MODERN, audio, {{0, 1, 2}, {3, 4}, {5, 0, 5, 1}}, "DE", 0x81);

    ErrorText err;
    if (!csf_save(db.get(), argv[1], &err)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], err.text);
        return 1;
    }
    return 0;
}
