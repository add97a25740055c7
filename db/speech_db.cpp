// Lifetime, entries and header accessors of the speech database.
#include "db/speech_db.h"

#include "db/history_edit.h"
#include "io/i18n.h"

#include <cstring>

SpeechDbPtr db_new()
{
    return std::make_unique<SpeechDb>();
}

void db_free(SpeechDb* db)
{
    SpeechDbPtr owned(db);
}

PhraseEntry* db_phrase(const SpeechDb* db, std::uint32_t index)
{
    const auto* slot = list_get(db->phrases, index);
    return slot ? slot->get() : nullptr;
}

WordEntry* db_word(const SpeechDb* db, std::uint32_t index)
{
    const auto* slot = list_get(db->words, index);
    return slot ? slot->get() : nullptr;
}

PhraseEntry* db_append_phrase(SpeechDb* db, std::unique_ptr<PhraseEntry> phrase)
{
    PhraseEntry* p = phrase.get();
    list_push(db->phrases, std::move(phrase));
    db->phrase_edits++;
    return p;
}

WordEntry* db_append_word(SpeechDb* db, std::unique_ptr<WordEntry> word)
{
    WordEntry* w = word.get();
    list_push(db->words, std::move(word));
    return w;
}

std::uint32_t phrase_count(const SpeechDb* db)
{
    return list_count(db->phrases);
}

std::uint32_t word_count(const SpeechDb* db)
{
    return list_count(db->words);
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
    SetLanguage undo;
    std::memcpy(undo.other, db->language_code, sizeof undo.other);
    std::memset(db->language_code, 0, sizeof db->language_code);
    for (int i = 0; i < 3 && text[i]; ++i)
        db->language_code[i] = text[i];
    db->modified = true;
    history_record(db, undo);
}

int db_flags(const SpeechDb* db)
{
    return db->flags;
}

void db_set_flags(SpeechDb* db, int value)
{
    const int old = db->flags;
    db->flags = value;
    db->modified = true;
    history_record(db, SetFlags{old});
}

const char* db_format_name(const SpeechDb* db)
{
    switch (db->format) {
    case DB_FORMAT_OLD:
        return N_("Old (Mk2 systems)");
    case DB_FORMAT_MODERN:
        return N_("Modern (Mk3 Mk4 systems)");
    default:
        return N_("Unknown");
    }
}
