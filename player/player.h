// Playing a database's words and phrases on the sound device. This sits
// above both the model, which hands out each word's audio as PCM, and
// playback, so that nothing in db/ talks to a sound device.
#pragma once

#include "db/speech_db.h"

#include <cstdint>

// Each call blocks until the sound has ended. 0 when played or when there
// is nothing to play (no such word or phrase, no audio); the negative
// error of the sound device otherwise. A phrase plays its words one after
// the other, each opening and closing the device, and stops at the first
// word the device refuses.
int word_play(const SpeechDb* db, std::uint32_t word);
int phrase_play(const SpeechDb* db, std::uint32_t phrase);
