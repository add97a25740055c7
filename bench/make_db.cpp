// Writes a generated CSF database for benchmarks and demos:
//   bench_make_db OUT.csf FORMAT WORDS BYTES_PER_WORD PHRASES REFS_PER_PHRASE
// FORMAT is "old" or "modern". Audio bytes and references are pseudo-random
// but fixed by a seed, so runs are repeatable.
#include "db/csf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

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

    std::mt19937 rng(1234);
    SpeechDbPtr db = db_new();
    db->format = old ? DB_FORMAT_OLD : DB_FORMAT_MODERN;
    db->codec = CODEC_ADPCM;
    std::memcpy(db->language_code, "ENG", 4);
    db->flags = 0xA5;
    for (std::uint32_t w = 0; w < words; ++w) {
        auto entry = std::make_unique<WordEntry>();
        entry->number = int(w);
        std::vector<std::uint8_t>& audio = entry->audio.edit();
        audio.resize(bytes);
        for (auto& b : audio)
            b = std::uint8_t(rng());
        if (w == 0 && bytes > 0)
            audio[0] = 0; // never ".mp4"
        entry->saved_audio = entry->audio;
        db_append_word(db.get(), std::move(entry));
    }
    for (std::uint32_t p = 0; p < phrases; ++p) {
        auto entry = std::make_unique<PhraseEntry>();
        for (std::uint32_t i = 0; i < refs; ++i)
            entry->words.push_back(db_word(db.get(), rng() % words));
        entry->saved_words = entry->words;
        db_append_phrase(db.get(), std::move(entry));
    }
    char err[ERROR_BUFFER_SIZE] = "";
    if (!csf_save(db.get(), argv[1], err)) {
        std::fprintf(stderr, "%s\n", err);
        return 1;
    }
    return 0;
}
