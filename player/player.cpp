// Words and phrases to the sound device.
#include "player/player.h"

#include "audio/playback.h"
#include "db/operations.h"

int word_play(const SpeechDb* db, std::uint32_t word)
{
    const WordPcm pcm = word_pcm(db, word);
    if (pcm.samples.empty())
        return 0;
    // The editor treats a missing or busy device as silence; the caller
    // decides, so the device's answer is passed on.
    return audio_play(pcm.samples.data(), pcm.samples.size(), pcm.sample_rate, pcm.channels, pcm.bits_per_sample);
}

int phrase_play(const SpeechDb* db, std::uint32_t phrase)
{
    // A device that failed for one word fails for the next as well.
    const std::uint32_t count = phrase_word_count(db, phrase);
    for (std::uint32_t i = 0; i < count; ++i) {
        const int err = word_play(db, std::uint32_t(phrase_word_number(db, phrase, i)));
        if (err < 0)
            return err;
    }
    return 0;
}
