// Carrying a word's recording in and out of the database: importing and
// exporting WAV files and playing words and phrases. These are the only
// operations that reach the codec, the WAV files and the sound device.
#include "audio/adpcm.h"
#include "audio/playback.h"
#include "audio/wav.h"
#include "db/operations.h"

#include <vector>

// WAV files carry plain PCM.
constexpr int WAV_FORMAT_PCM = 1;

bool word_import_wav(SpeechDb* db, std::uint32_t word, const char* path, char* err)
{
    WordEntry* w = db_word(db, word);
    if (!w) {
        error_set(err, "Word number too big");
        return false;
    }
    std::optional<std::vector<std::uint8_t>> samples =
        wav_read(path, WAV_FORMAT_PCM, db->sample_rate, db->channels, db->bits_per_sample, err);
    if (!samples)
        return false;
    // Two samples are the least the codec turns into a whole byte.
    if (samples->size() <= 3) {
        error_set(err, "File is too small");
        return false;
    }
    // The encoder takes whole groups of two samples; an odd trailing
    // sample (or byte) is completed with silence.
    samples->resize((samples->size() + 3) / 4 * 4, 0);
    w->audio = adpcm_encode(samples->data(), samples->size());
    w->changed = w->audio != w->saved_audio ? 1 : 0;
    return true;
}

bool word_export_wav(const SpeechDb* db, std::uint32_t word, const char* path, bool overwrite, char* err)
{
    const WordEntry* w = db_word(db, word);
    if (!w) {
        error_set(err, "Word number too big");
        return false;
    }
    if (w->audio.empty()) {
        error_set(err, "No data in word %d", w->number);
        return false;
    }
    std::vector<std::uint8_t> pcm = adpcm_decode(w->audio.data(), w->audio.size());
    return wav_write(path, overwrite, WAV_FORMAT_PCM, db->sample_rate, db->channels, db->bits_per_sample, pcm.data(),
                     pcm.size(), err);
}

void word_play(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = db_word(db, word);
    if (!w || w->audio.empty())
        return;
    std::vector<std::uint8_t> pcm = adpcm_decode(w->audio.data(), w->audio.size());
    // A missing or busy sound device just means silence.
    audio_play(pcm.data(), pcm.size(), db->sample_rate, db->channels, db->bits_per_sample);
}

void phrase_play(const SpeechDb* db, std::uint32_t phrase)
{
    const PhraseEntry* p = db_phrase(db, phrase);
    if (!p)
        return;
    for (const WordEntry* w : p->words)
        word_play(db, std::uint32_t(w->number));
}
