// The Words page's two file actions, "Replace" (a word's audio from a WAV
// file) and "Save" (a word as a WAV file): each asks for the file, does the
// work and reports a failure in an error message.
#pragma once

#include "db/speech_db.h"

#include <cstdint>

// Asks for a WAV file and imports it as the audio of word `word`. True when
// the audio was replaced.
bool words_page_replace_audio(SpeechDb* db, std::uint32_t word);

// Asks where to save word `word` (suggesting its number: 001.wav for the
// first word) and writes it there.
void words_page_export_audio(const SpeechDb* db, std::uint32_t word);
