// Queries and edits on the word list and comment of one phrase. Phrases
// hold references to word entries, so nothing here ever renumbers a word;
// the current list is what gets edited, the saved list is only compared
// with, restored from, or overwritten by a commit.
#include "db/operations.h"
#include "db/history_edit.h"
#include "db/word_lookup.h"

#include <algorithm>
#include <utility>

std::uint32_t phrase_word_count(const SpeechDb* db, std::uint32_t phrase)
{
    const PhraseEntry* p = db_phrase(db, phrase);
    return p ? std::uint32_t(p->words.size()) : 0;
}

// The word at a position of a phrase's current list, or null.
static WordEntry* phrase_word_at(const SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    const PhraseEntry* p = db_phrase(db, phrase);
    if (!p || pos >= p->words.size())
        return nullptr;
    return p->words[pos];
}

std::uint32_t phrase_word_number(const SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    const WordEntry* w = phrase_word_at(db, phrase, pos);
    return w ? w->number : WORD_NONE;
}

const char* phrase_word_alias(const SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    const WordEntry* w = phrase_word_at(db, phrase, pos);
    return w && w->alias ? w->alias->c_str() : nullptr;
}

const char* phrase_comment(const SpeechDb* db, std::uint32_t phrase)
{
    const PhraseEntry* p = db_phrase(db, phrase);
    return p && p->comment ? p->comment->c_str() : nullptr;
}

bool phrase_is_changed(const SpeechDb* db, std::uint32_t phrase)
{
    const PhraseEntry* p = db_phrase(db, phrase);
    // Word references compare by identity: a renumbered word is still the
    // same recording and does not make the phrase differ.
    return p && p->words != phrase_saved_words(*p);
}

bool phrase_set_word(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos, std::uint32_t word)
{
    WordEntry* w = db_word(db, word);
    PhraseEntry* p = db_phrase(db, phrase);
    if (!w || !p || pos >= p->words.size())
        return false;
    phrase_keep_saved(*p);
    WordEntry* old = p->words[pos];
    p->words[pos] = w;
    db->phrase_edits++;
    db->modified = true;
    history_record(db, SetPhraseWord{phrase, pos, old});
    return true;
}

bool phrase_set_word_by_alias(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos, const char* alias)
{
    if (!alias || !*alias)
        return false;
    const std::uint32_t word = word_find_alias(db, alias, WORD_NONE);
    return word != WORD_NONE && phrase_set_word(db, phrase, pos, word);
}

// Exchanges the words at `from` and its neighbour `to` (both in range).
static void phrase_swap_words(SpeechDb* db, std::uint32_t phrase, std::uint32_t from, std::uint32_t to)
{
    PhraseEntry* p = db_phrase(db, phrase);
    // Both places stay in the same phrase, so no usage list changes.
    phrase_keep_saved(*p);
    std::swap(p->words[from], p->words[to]);
    db->modified = true;
    history_record(db, MovePhraseWord{phrase, from, to});
}

bool phrase_move_word_up(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    const std::uint32_t n = phrase_word_count(db, phrase);
    if (pos == 0 || pos >= n)
        return false;
    phrase_swap_words(db, phrase, pos, pos - 1);
    return true;
}

bool phrase_move_word_down(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    const std::uint32_t n = phrase_word_count(db, phrase);
    // Written without pos + 1, which would wrap for the largest position.
    if (n == 0 || pos >= n - 1)
        return false;
    phrase_swap_words(db, phrase, pos, pos + 1);
    return true;
}

bool phrase_insert_word(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    PhraseEntry* p = db_phrase(db, phrase);
    if (!p || p->words.size() >= std::size_t(PHRASE_MAX_WORDS) || pos >= p->words.size())
        return false;
    // The new place always follows the given one and speaks word 0 until
    // the user picks the word it should be.
    phrase_keep_saved(*p);
    p->words.insert(p->words.begin() + std::ptrdiff_t(pos) + 1, db_word(db, 0));
    db->phrase_edits++;
    db->modified = true;
    history_record(db, InsertPhraseWord{phrase, pos + 1, db_word(db, 0)});
    return true;
}

bool phrase_remove_word(SpeechDb* db, std::uint32_t phrase, std::uint32_t pos)
{
    PhraseEntry* p = db_phrase(db, phrase);
    if (!p || pos >= p->words.size() || p->words.size() <= 1)
        return false;
    phrase_keep_saved(*p);
    WordEntry* removed = p->words[pos];
    p->words.erase(p->words.begin() + std::ptrdiff_t(pos));
    db->phrase_edits++;
    db->modified = true;
    history_record(db, RemovePhraseWord{phrase, pos, removed});
    return true;
}

void phrase_set_comment(SpeechDb* db, std::uint32_t phrase, const char* text)
{
    PhraseEntry* p = db_phrase(db, phrase);
    if (!p)
        return;
    SetComment undo{phrase, std::move(p->comment)};
    if (text)
        p->comment = std::string(text);
    else
        p->comment.reset();
    db->modified = true;
    history_record(db, std::move(undo));
}

void phrase_revert(SpeechDb* db, std::uint32_t phrase)
{
    PhraseEntry* p = db_phrase(db, phrase);
    if (!p || p->words == phrase_saved_words(*p))
        return;
    // The words as loaded differ from those last saved to a project as
    // much as any other edit would: an unsaved change, and undoable. Both
    // lists are the same again, so one is enough.
    SetPhraseList undo{phrase, false, std::move(p->words)};
    p->words = std::move(phrase_keep_saved(*p));
    p->saved_words.reset();
    db->phrase_edits++;
    db->modified = true;
    history_record(db, std::move(undo));
}

void phrase_commit(SpeechDb* db, std::uint32_t phrase)
{
    PhraseEntry* p = db_phrase(db, phrase);
    if (!p || phrase_saved_words(*p) == p->words)
        return;
    SetPhraseList undo{phrase, true, std::move(phrase_keep_saved(*p))};
    p->saved_words.reset();
    db->modified = true;
    history_record(db, std::move(undo));
}
