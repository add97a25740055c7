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

// Where a query names a word and there is none (the word at a position
// past a phrase's end, an alias no word has). No word ever has this
// number: a database holds fewer words.
constexpr std::uint32_t WORD_NONE = 0xFFFFFFFFu;

struct WordEntry {
    std::uint32_t number = 0; // always equals the position in SpeechDb::words
    bool changed = false;     // audio differs from saved_audio
    std::optional<std::string> alias;
    // The numbers of the phrases whose current lists speak this word, once
    // per reference, ascending; sized to its content. Read it through
    // word_usage, which rebuilds it when a phrase edit made it stale.
    std::vector<std::uint32_t> usage;
    AudioBytes audio;       // current ADPCM bytes
    AudioBytes saved_audio; // the audio as loaded
};

struct PhraseEntry {
    std::optional<std::string> comment;
    std::vector<WordEntry*> words; // current list, in speaking order
    // The list as loaded, held apart only while it may differ from
    // `words` (none: the same): most phrases of a large database are never
    // edited, and a copy of every list would double what the phrases take
    // (held by pointer, so an unedited phrase pays 8 bytes for it).
    // Read it with phrase_saved_words; change `words` only after
    // phrase_keep_saved.
    std::unique_ptr<std::vector<WordEntry*>> saved_words;
};

// The list as loaded.
inline const std::vector<WordEntry*>& phrase_saved_words(const PhraseEntry& p)
{
    return p.saved_words ? *p.saved_words : p.words;
}
// Before `words` changes: the list as loaded is held apart, if not yet.
inline std::vector<WordEntry*>& phrase_keep_saved(PhraseEntry& p)
{
    if (!p.saved_words)
        p.saved_words = std::make_unique<std::vector<WordEntry*>>(p.words);
    return *p.saved_words;
}

// The undo history (db/history.h), made with the first edit.
struct History;
struct HistoryDeleter {
    void operator()(History* history) const;
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
    // The database owns every entry. Phrases only point at words, so the
    // order in which the two lists go does not matter.
    ItemList<std::unique_ptr<WordEntry>> words;
    ItemList<std::unique_ptr<PhraseEntry>> phrases;
    // Every change of the phrases' current lists (an edit, a revert, a
    // phrase appended) counts here; whoever changes them outside
    // db/phrase_ops.cpp must count too. The usage lists are current while
    // `usage_built_for` equals it: a cache, so a const database may bring it
    // up to date.
    std::uint64_t phrase_edits = 0;
    mutable std::uint64_t usage_built_for = ~std::uint64_t(0);
    std::unique_ptr<History, HistoryDeleter> history;
};

using SpeechDbPtr = std::unique_ptr<SpeechDb>;

// A new, empty database; what the parser fills.
SpeechDbPtr db_new();
// Frees a database and everything in it; null is allowed.
void db_free(SpeechDb* db);

// The entries (null when out of range); for db/ and its tests. Everything
// else goes through the queries and edits of db/operations.h.
PhraseEntry* db_phrase(const SpeechDb* db, std::uint32_t index);
WordEntry* db_word(const SpeechDb* db, std::uint32_t index);

// Takes ownership of a new entry and appends it to the list.
PhraseEntry* db_append_phrase(SpeechDb* db, std::unique_ptr<PhraseEntry> phrase);
WordEntry* db_append_word(SpeechDb* db, std::unique_ptr<WordEntry> word);

std::uint32_t phrase_count(const SpeechDb* db);
std::uint32_t word_count(const SpeechDb* db);

bool db_is_modified(const SpeechDb* db);
const char* db_language_code(const SpeechDb* db);
void db_set_language_code(SpeechDb* db, const char* text);
int db_flags(const SpeechDb* db);
void db_set_flags(SpeechDb* db, int value);
const char* db_format_name(const SpeechDb* db);
