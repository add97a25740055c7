// Carrying a word's recording in and out of the database: importing and
// exporting WAV files, and its PCM for whoever plays it. These are the only
// operations that reach the codec and the WAV files.
#include "audio/adpcm.h"
#include "audio/wav_codec.h"
#include "db/history_edit.h"
#include "db/operations.h"
#include "io/i18n.h"

#include <vector>

bool word_import_wav(SpeechDb* db, std::uint32_t word, const char* path, ErrorText* err)
{
    WordEntry* w = db_word(db, word);
    if (!w) {
        error_set(err, _("Word number too big"));
        return false;
    }
    // The old audio goes only once the new file has been read and accepted.
    auto audio = adpcm_encode_wav_file(path, db->sample_rate, db->channels, db->bits_per_sample, err);
    if (!audio)
        return false;
    return word_set_audio(db, word, AudioBytes(std::move(*audio)));
}

bool word_set_audio(SpeechDb* db, std::uint32_t word, AudioBytes audio)
{
    WordEntry* w = db_word(db, word);
    if (!w)
        return false;
    // A new recording is unsaved work like any other edit: without the
    // mark, Open and Quit would drop it without asking. The same bytes
    // again change nothing.
    if (audio == w->audio)
        return true;
    SetAudio undo{word, false, w->changed, std::move(w->audio)};
    w->audio = std::move(audio);
    w->changed = w->audio != w->saved_audio;
    db->modified = true;
    history_record(db, std::move(undo));
    return true;
}

bool word_export_wav(const SpeechDb* db, std::uint32_t word, const char* path, bool overwrite, ErrorText* err)
{
    const WordEntry* w = db_word(db, word);
    if (!w) {
        error_set(err, _("Word number too big"));
        return false;
    }
    if (w->audio.empty()) {
        error_set(err, _("No data in word %d"), int(w->number));
        error_note_item(err, ErrorItem::Word, w->number, N_("No data"));
        return false;
    }
    return adpcm_decode_to_wav_file(w->audio.data(), w->audio.size(), path, overwrite, db->sample_rate, db->channels,
                                    db->bits_per_sample, err);
}

WordPcm word_pcm(const SpeechDb* db, std::uint32_t word)
{
    WordPcm pcm{{}, db->sample_rate, db->channels, db->bits_per_sample};
    const WordEntry* w = db_word(db, word);
    if (w && !w->audio.empty())
        pcm.samples = adpcm_decode(w->audio.data(), w->audio.size());
    return pcm;
}
