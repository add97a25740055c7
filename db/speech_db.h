// The in-memory speech database: words (recorded ADPCM clips), phrases
// (ordered lists of word references), the header fields, and the accessors
// the shell and the Advanced page use on it.
//
// Phrases refer to words by pointer, never by number, so reordering words
// never changes what a phrase speaks; the writers turn each reference into
// the word's current number at the moment of writing.
#pragma once

#include "db/audio_bytes.h"
#include "db/item_list.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum DbFormat : int {
    DB_FORMAT_UNKNOWN = 0,
    DB_FORMAT_OLD = 1,    // Mk2 systems
    DB_FORMAT_MODERN = 2, // Mk3 and Mk4 systems
};

constexpr int CODEC_ADPCM = 1;
constexpr int CODEC_CELP = 2;

// The PCM every ADPCM word decodes to (and every imported WAV file must be).
constexpr int PCM_SAMPLE_RATE = 16000;
constexpr int PCM_CHANNELS = 1;
constexpr int PCM_BITS_PER_SAMPLE = 16;

// The most words a phrase may speak.
constexpr int PHRASE_MAX_WORDS = 32;

// The most words an old-variant file can hold: a reference is one byte
// holding the word's number + 1.
constexpr std::uint32_t CSF_OLD_MAX_WORDS = 255;

struct WordEntry {
    int number = 0;  // always equals the position in SpeechDb::words
    bool changed = false; // audio differs from saved_audio
    std::optional<std::string> alias;
    ItemListPtr usage; // phrase numbers using this word, or null
    AudioBytes audio;       // current ADPCM bytes
    AudioBytes saved_audio; // the audio as loaded
};

struct PhraseEntry {
    std::optional<std::string> comment;
    std::vector<WordEntry*> words;       // current list, in speaking order
    std::vector<WordEntry*> saved_words; // the list as loaded
};

struct SpeechDb {
    bool modified = false;
    DbFormat format = DB_FORMAT_UNKNOWN;
    int codec = 0;
    char language_code[4] = {0, 0, 0, 0};
    int flags = 0;
    int sample_rate = 0;
    int channels = 0;
    int bits_per_sample = 0;
    ItemListPtr phrases; // PhraseEntry*, owned by the database
    ItemListPtr words;   // WordEntry*, owned by the database
};

void db_free(SpeechDb* db);

struct SpeechDbDeleter {
    void operator()(SpeechDb* db) const { db_free(db); }
};
using SpeechDbPtr = std::unique_ptr<SpeechDb, SpeechDbDeleter>;

// A new, empty database with both lists created; what the parser fills.
SpeechDbPtr db_new();

// Typed access to the two lists (null when out of range).
PhraseEntry* db_phrase(const SpeechDb* db, std::uint32_t index);
WordEntry* db_word(const SpeechDb* db, std::uint32_t index);

// Takes ownership of a new entry and appends it to the list.
PhraseEntry* db_append_phrase(SpeechDb* db, std::unique_ptr<PhraseEntry> phrase);
WordEntry* db_append_word(SpeechDb* db, std::unique_ptr<WordEntry> word);

bool db_is_modified(const SpeechDb* db);
const char* db_language_code(const SpeechDb* db);
void db_set_language_code(SpeechDb* db, const char* text);
int db_flags(const SpeechDb* db);
void db_set_flags(SpeechDb* db, int value);
const char* db_format_name(const SpeechDb* db);
