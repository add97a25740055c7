// Lifetime and header accessors of the speech database.
#include "db/speech_db.h"

#include <cstring>

SpeechDbPtr db_new()
{
    SpeechDbPtr db(std::make_unique<SpeechDb>().release());
    db->phrases = list_new();
    db->words = list_new();
    return db;
}

void db_free(SpeechDb* db)
{
    if (!db)
        return;
    // Phrases first: their slots only point at words, so they can go
    // without touching any word; then every word exactly once.
    for (std::uint32_t i = 0; i < list_count(db->phrases.get()); ++i)
        std::unique_ptr<PhraseEntry>(db_phrase(db, i)).reset();
    list_free(db->phrases);
    for (std::uint32_t i = 0; i < list_count(db->words.get()); ++i)
        std::unique_ptr<WordEntry>(db_word(db, i)).reset();
    list_free(db->words);
    std::unique_ptr<SpeechDb>(db).reset();
}

PhraseEntry* db_phrase(const SpeechDb* db, std::uint32_t index)
{
    return list_get_ptr<PhraseEntry>(db->phrases.get(), index);
}

WordEntry* db_word(const SpeechDb* db, std::uint32_t index)
{
    return list_get_ptr<WordEntry>(db->words.get(), index);
}

PhraseEntry* db_append_phrase(SpeechDb* db, std::unique_ptr<PhraseEntry> phrase)
{
    PhraseEntry* p = phrase.release();
    list_push_ptr(db->phrases.get(), p);
    return p;
}

WordEntry* db_append_word(SpeechDb* db, std::unique_ptr<WordEntry> word)
{
    WordEntry* w = word.release();
    list_push_ptr(db->words.get(), w);
    return w;
}

bool db_is_modified(const SpeechDb* db)
{
    return db->modified;
}

const char* db_language_code(const SpeechDb* db)
{
    return db->language_code;
}

void db_set_language_code(SpeechDb* db, const char* text)
{
    if (!text)
        return;
    std::memset(db->language_code, 0, sizeof db->language_code);
    for (int i = 0; i < 3 && text[i]; ++i)
        db->language_code[i] = text[i];
    db->modified = true;
}

int db_flags(const SpeechDb* db)
{
    return db->flags;
}

void db_set_flags(SpeechDb* db, int value)
{
    db->flags = value;
    db->modified = true;
}

const char* db_format_name(const SpeechDb* db)
{
    switch (db->format) {
    case DB_FORMAT_OLD:
        return "Old (Mk2 systems)";
    case DB_FORMAT_MODERN:
        return "Modern (Mk3 Mk4 systems)";
    default:
        return "Unknown";
    }
}
