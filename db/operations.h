// Every query and edit the editing pages make on words and phrases, and the
// operations that carry a word's audio in and out of the database (playing
// it is player/player.h).
// Numbers are 0-based and unsigned: a negative number handed in is a very
// large one and so out of range. A refused call returns false, null, 0 or
// WORD_NONE and changes nothing.
#pragma once

#include "db/speech_db.h"
#include "io/error_text.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Phrase queries.
std::uint32_t phrase_count(const SpeechDb* db);
std::uint32_t phrase_word_count(const SpeechDb* db, std::uint32_t phrase);
// WORD_NONE past the phrase's end or for a phrase that does not exist.
std::uint32_t phrase_word_number(const SpeechDb* db, std::uint32_t phrase, std::uint32_t pos);
const char* phrase_word_alias(const SpeechDb* db, std::uint32_t phrase, std::uint32_t pos);
const char* phrase_comment(const SpeechDb* db, std::uint32_t phrase);
bool phrase_is_changed(const SpeechDb* db, std::uint32_t phrase);

// Phrase edits.
bool phrase_set_word(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos, std::uint32_t word);
bool phrase_set_word_by_alias(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos, const char* alias);
bool phrase_move_word_up(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos);
bool phrase_move_word_down(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos);
bool phrase_insert_word(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos);
bool phrase_remove_word(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos);
void phrase_set_comment(SpeechDb* db, std::uint32_t phrase, const char* text);
void phrase_revert(SpeechDb* db, std::uint32_t phrase);
void phrase_commit(SpeechDb* db, std::uint32_t phrase);

// Word queries.
std::uint32_t word_limit(const SpeechDb* db);
const char* word_alias(const SpeechDb* db, std::uint32_t word);
// The numbers of the phrases whose current lists speak the word, once per
// reference, ascending; empty when none does or the word does not exist.
// Always current: rebuilt here when a phrase edit has made it stale. Valid
// until the next edit.
std::span<const std::uint32_t> word_usage(const SpeechDb* db, std::uint32_t word);
bool word_is_changed(const SpeechDb* db, std::uint32_t word);
// Bytes of the word's current audio; 0 for none or no such word.
std::size_t word_audio_size(const SpeechDb* db, std::uint32_t word);

// Word edits.
bool word_set_alias(SpeechDb* db, std::uint32_t word, const char* text);
bool word_move_up(SpeechDb* db, std::uint32_t word);
bool word_move_down(SpeechDb* db, std::uint32_t word);
bool word_insert(SpeechDb* db, std::uint32_t word);
bool word_remove(SpeechDb* db, std::uint32_t word);
void word_revert_audio(SpeechDb* db, std::uint32_t word);

// Word audio.
bool word_import_wav(SpeechDb* db, std::uint32_t word, const char* path, ErrorText* err);
// Gives a word new audio: the one edit every import goes through. The
// changed mark follows the comparison with the saved audio; the modified
// mark is set when the audio differs from the current one.
bool word_set_audio(SpeechDb* db, std::uint32_t word, AudioBytes audio);
bool word_export_wav(const SpeechDb* db, std::uint32_t word, const char* path, bool overwrite, ErrorText* err);

// A word's audio decoded to PCM, in the format it plays at. No samples when
// the word does not exist or has no audio.
struct WordPcm {
    std::vector<std::uint8_t> samples;
    int sample_rate;
    int channels;
    int bits_per_sample;
};
WordPcm word_pcm(const SpeechDb* db, std::uint32_t word);
// The phrase's words decoded one after another into one WAV file.
// "Phrase number too big"; "No data in phrase %u" (0-based) when none of
// its words has audio.
bool phrase_export_wav(const SpeechDb* db, std::uint32_t phrase, const char* path, bool overwrite, ErrorText* err);
