// A phrase as one recording: its words decoded one after another into a
// single WAV file, as the car would speak them.
#include "audio/adpcm.h"
#include "audio/wav.h"
#include "db/operations.h"
#include "io/i18n.h"

#include <vector>

bool phrase_export_wav(const SpeechDb* db, std::uint32_t phrase, const char* path, bool overwrite, ErrorText* err)
{
    const PhraseEntry* p = db_phrase(db, phrase);
    if (!p) {
        error_set(err, _("Phrase number too big"));
        return false;
    }
    std::vector<std::uint8_t> pcm;
    for (const WordEntry* w : p->words) {
        const std::vector<std::uint8_t> part = adpcm_decode(w->audio.data(), w->audio.size());
        pcm.insert(pcm.end(), part.begin(), part.end());
    }
    if (pcm.empty()) {
        error_set(err, _("No data in phrase %u"), phrase);
        error_note_item(err, ErrorItem::Phrase, phrase, N_("No data"));
        return false;
    }
    constexpr int WAV_FORMAT_PCM = 1;
    return wav_write(path, overwrite, WAV_FORMAT_PCM, db->sample_rate, db->channels, db->bits_per_sample, pcm.data(),
                     pcm.size(), err);
}
