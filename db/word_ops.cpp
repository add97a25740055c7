// Queries and edits on the word list: aliases, reordering, inserting and
// removing words, and restoring a word's loaded audio.
//
// A word's number is its position in the list, so every change of order
// renumbers the entries it moves. Phrases keep pointing at the same
// entries and so keep speaking the same recordings.
#include "db/operations.h"
#include "db/history_edit.h"
#include "db/word_lookup.h"

#include <memory>
#include <vector>

std::uint32_t word_limit(const SpeechDb* db)
{
    // An old-variant file stores a reference as one byte holding number + 1.
    return db->format == DB_FORMAT_OLD ? CSF_OLD_MAX_WORDS : std::uint32_t(INT32_MAX);
}

const char* word_alias(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = db_word(db, word);
    return w && w->alias ? w->alias->c_str() : nullptr;
}

bool word_is_changed(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = db_word(db, word);
    return w && w->changed;
}

std::size_t word_audio_size(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = db_word(db, word);
    return w ? w->audio.size() : 0;
}

bool word_set_alias(SpeechDb* db, std::uint32_t word, const char* text)
{
    WordEntry* w = db_word(db, word);
    if (!w)
        return false;
    // The word's own alias is left out, so re-setting it succeeds.
    if (text && word_find_alias(db, text, word) != WORD_NONE)
        return false;
    SetAlias undo{word, std::move(w->alias)};
    if (text)
        w->alias = std::string(text);
    else
        w->alias.reset();
    db->modified = true;
    history_record(db, std::move(undo));
    return true;
}

// Exchanges word `from` with its neighbour `to` (both in range).
static void word_swap(SpeechDb* db, std::uint32_t from, std::uint32_t to)
{
    list_swap(db->words, from, to);
    db_word(db, from)->number = from;
    db_word(db, to)->number = to;
    db->modified = true;
    history_record(db, MoveWord{from, to});
}

bool word_move_up(SpeechDb* db, std::uint32_t word)
{
    if (word == 0 || word >= word_count(db))
        return false;
    word_swap(db, word, word - 1);
    return true;
}

bool word_move_down(SpeechDb* db, std::uint32_t word)
{
    // Written without word + 1, which would wrap for the largest number.
    const std::uint32_t n = word_count(db);
    if (n == 0 || word >= n - 1)
        return false;
    word_swap(db, word, word + 1);
    return true;
}

bool word_insert(SpeechDb* db, std::uint32_t word)
{
    const std::uint32_t n = word_count(db);
    if (n >= word_limit(db) || word >= n)
        return false;
    const WordEntry* source = db_word(db, 0);
    auto fresh = std::make_unique<WordEntry>();
    fresh->audio = source->audio;
    fresh->saved_audio = source->audio;

    list_insert_at(db->words, word + 1, std::move(fresh));
    for (std::uint32_t i = word + 1; i <= n; ++i)
        db_word(db, i)->number = i;
    db->modified = true;
    history_record(db, InsertWord{word + 1, nullptr});
    return true;
}

// True when any phrase's current list speaks the entry.
static bool word_in_current_lists(const SpeechDb* db, const WordEntry* entry)
{
    const std::uint32_t phrases = phrase_count(db);
    for (std::uint32_t p = 0; p < phrases; ++p)
        for (const WordEntry* w : db_phrase(db, p)->words)
            if (w == entry)
                return true;
    return false;
}

bool word_remove(SpeechDb* db, std::uint32_t word)
{
    const std::uint32_t n = word_count(db);
    if (word >= n || n == 1)
        return false;
    // Removing a word a phrase still speaks would leave that phrase
    // pointing at freed memory, so such a word stays.
    WordEntry* entry = db_word(db, word);
    if (word_in_current_lists(db, entry))
        return false;

    // The history keeps the entry, so undoing the removal puts back the
    // very entry that the saved lists and older steps refer to.
    RemoveWord undo{word, list_take_at(db->words, word), {}};
    for (std::uint32_t i = word; i < n - 1; ++i)
        db_word(db, i)->number = i;
    // A saved list that still holds the entry would bring it back on
    // revert; making it a copy of the current list keeps every reference
    // valid. The current lists, and so the usage lists, stay as they are.
    const std::uint32_t phrases = phrase_count(db);
    for (std::uint32_t p = 0; p < phrases; ++p) {
        PhraseEntry* ph = db_phrase(db, p);
        for (const WordEntry* w : phrase_saved_words(*ph)) {
            if (w == entry) {
                undo.saved_lists.emplace_back(p, std::move(phrase_keep_saved(*ph)));
                ph->saved_words.reset();
                break;
            }
        }
    }
    db->modified = true;
    history_record(db, std::move(undo));
    return true;
}

void word_revert_audio(SpeechDb* db, std::uint32_t word)
{
    // An empty saved recording is restored too: the word then goes back to
    // exactly what was loaded and stops counting as changed.
    WordEntry* w = db_word(db, word);
    if (!w)
        return;
    // Going back to the loaded recording is a change of the audio too, and
    // differs from a project saved since; the same audio again is none.
    if (w->audio == w->saved_audio) {
        w->changed = false;
        return;
    }
    SetAudio undo{word, true, w->changed, std::move(w->audio)};
    w->audio = w->saved_audio;
    w->changed = false;
    db->modified = true;
    history_record(db, std::move(undo));
}
