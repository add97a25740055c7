// Queries and edits on the word list: aliases, usage lists, reordering,
// inserting and removing words, and restoring a word's loaded audio.
//
// A word's number is its position in the list, so every change of order
// renumbers the entries it moves. Phrases keep pointing at the same
// entries and so keep speaking the same recordings.
#include "db/operations.h"
#include "db/word_lookup.h"

#include <cstring>
#include <memory>
#include <vector>

std::uint32_t word_count(const SpeechDb* db)
{
    return list_count(db->words.get());
}

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

const ItemList* word_usage(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = db_word(db, word);
    return w ? w->usage.get() : nullptr;
}

bool word_is_changed(const SpeechDb* db, std::uint32_t word)
{
    const WordEntry* w = db_word(db, word);
    return w && w->changed != 0;
}

std::int32_t word_find_alias(const SpeechDb* db, const char* text, std::uint32_t skip)
{
    const std::size_t len = std::strlen(text);
    const std::uint32_t n = word_count(db);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (i == skip)
            continue;
        const WordEntry* w = db_word(db, i);
        if (w->alias && w->alias->size() == len && std::memcmp(w->alias->data(), text, len) == 0)
            return std::int32_t(i);
    }
    return -1;
}

bool word_set_alias(SpeechDb* db, std::uint32_t word, const char* text)
{
    WordEntry* w = db_word(db, word);
    if (!w)
        return false;
    if (text) {
        // The word's own alias is left out, so re-setting it succeeds.
        if (word_find_alias(db, text, word) >= 0)
            return false;
        w->alias = std::string(text);
    } else {
        w->alias.reset();
    }
    db->modified = true;
    return true;
}

void word_build_usage(SpeechDb* db)
{
    // A large database holds millions of references, so this runs in two
    // passes: the first counts each word's references and notes the
    // number behind every reference in a flat array; then every list is
    // allocated once at its final size and the second pass fills it from
    // that array, without growing lists or chasing references again.
    const std::uint32_t words = word_count(db);
    const std::uint32_t phrases = phrase_count(db);
    std::vector<const std::vector<WordEntry*>*> phrase_lists(phrases);
    std::size_t total = 0;
    for (std::uint32_t p = 0; p < phrases; ++p) {
        phrase_lists[p] = &db_phrase(db, p)->words;
        total += phrase_lists[p]->size();
    }
    std::vector<std::uint32_t> uses(words, 0);
    std::vector<std::uint32_t> numbers(total);
    std::uint32_t* out = numbers.data();
    for (const std::vector<WordEntry*>* list : phrase_lists) {
        for (const WordEntry* w : *list) {
            const std::uint32_t n = std::uint32_t(w->number);
            *out++ = n;
            uses[n]++;
        }
    }
    std::vector<ListItem*> cursor(words, nullptr);
    for (std::uint32_t i = 0; i < words; ++i) {
        WordEntry* w = db_word(db, i);
        w->usage = uses[i] ? list_new_sized(uses[i]) : nullptr;
        cursor[i] = w->usage ? w->usage->items.data() : nullptr;
    }
    const std::uint32_t* in = numbers.data();
    for (std::uint32_t p = 0; p < phrases; ++p)
        for (std::size_t k = phrase_lists[p]->size(); k > 0; --k)
            *cursor[*in++]++ = p;
}

bool word_move_up(SpeechDb* db, std::uint32_t word)
{
    return word != 0 && word_move_down(db, word - 1);
}

bool word_move_down(SpeechDb* db, std::uint32_t word)
{
    // Written without word + 1, which would wrap for the largest number.
    const std::uint32_t n = word_count(db);
    if (n == 0 || word >= n - 1)
        return false;
    WordEntry* first = db_word(db, word);
    WordEntry* second = db_word(db, word + 1);
    list_set(db->words.get(), word, reinterpret_cast<ListItem>(second));
    list_set(db->words.get(), word + 1, reinterpret_cast<ListItem>(first));
    second->number = int(word);
    first->number = int(word + 1);
    db->modified = true;
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

    ItemListPtr list = list_new();
    list_reserve(list.get(), n + 1);
    for (std::uint32_t i = 0; i < n; ++i) {
        list_push(list.get(), list_get(db->words.get(), i));
        if (i == word)
            list_push_ptr(list.get(), fresh.release());
    }
    db->words = std::move(list);
    for (std::uint32_t i = word + 1; i <= n; ++i)
        db_word(db, i)->number = int(i);
    db->modified = true;
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

    std::unique_ptr<WordEntry> owned(entry);
    list_remove_at(db->words.get(), word);
    for (std::uint32_t i = word; i < n - 1; ++i)
        db_word(db, i)->number = int(i);
    // A saved list that still holds the entry would bring it back on
    // revert; making it the current list keeps every reference valid.
    const std::uint32_t phrases = phrase_count(db);
    for (std::uint32_t p = 0; p < phrases; ++p) {
        const PhraseEntry* ph = db_phrase(db, p);
        for (const WordEntry* w : ph->saved_words) {
            if (w == entry) {
                phrase_commit(db, p);
                break;
            }
        }
    }
    db->modified = true;
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
    // differs from a project saved since.
    if (w->audio != w->saved_audio)
        db->modified = true;
    w->audio = w->saved_audio;
    w->changed = false;
}
