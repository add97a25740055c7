// Writes a small CSF file for the end-to-end test: a few words of made-up
// ADPCM audio and phrases that use them, in the variant asked for.
//
//   make_test_csf OUT.csf [old|modern]
#include "db/csf.h"

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT.csf [old|modern]\n", argv[0]);
        return 2;
    }
    bool old = argc == 3 && std::strcmp(argv[2], "old") == 0;

    SpeechDbPtr db = db_new();
    db->format = old ? DB_FORMAT_OLD : DB_FORMAT_MODERN;
    db->codec = CODEC_ADPCM;
    db->sample_rate = 16000;
    db->channels = 1;
    db->bits_per_sample = 16;
    db_set_language_code(db.get(), "DE");
    db->flags = 0x81;

    constexpr int WORDS = 6;
    for (int i = 0; i < WORDS; ++i) {
        auto word = std::make_unique<WordEntry>();
        word->number = i;
        // A short clip whose codes rise and fall, different for every word.
        std::vector<std::uint8_t> clip;
        for (int b = 0; b < 400 + 40 * i; ++b)
            clip.push_back(std::uint8_t(((b + i) % 16) << 4 | ((15 - b % 16) & 0x0F)));
        word->audio = clip;
        word->saved_audio = word->audio;
        db_append_word(db.get(), std::move(word));
    }
    const int phrases[][4] = { { 0, 1, 2, -1 }, { 3, 4, -1, -1 }, { 5, 0, 5, 1 } };
    for (const auto& list : phrases) {
        auto phrase = std::make_unique<PhraseEntry>();
        for (int n : list)
            if (n >= 0)
                phrase->words.push_back(db_word(db.get(), std::uint32_t(n)));
        phrase->saved_words = phrase->words;
        db_append_phrase(db.get(), std::move(phrase));
    }
    db->modified = 0;

    char err[ERROR_BUFFER_SIZE] = "";
    if (!csf_save(db.get(), argv[1], err)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], err);
        return 1;
    }
    return 0;
}
