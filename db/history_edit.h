// What each kind of edit records in the history, and how the edits of db/
// hand it over. Only db/ includes this; the rest of the editor undoes and
// redoes through db/history.h.
//
// Most records keep "the other value": the one the database does not hold
// at the moment. Undoing and redoing such an edit are then the same swap.
// The rest (insertions and removals) know which way they go.
#pragma once

#include "db/speech_db.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// A position of a phrase's current list spoke `other` before (or after).
struct SetPhraseWord {
    std::uint32_t phrase = 0;
    std::uint32_t pos = 0;
    WordEntry* other = nullptr;
};

// Two neighbouring positions of a phrase exchanged their words; the word
// went from `from` to `to`.
struct MovePhraseWord {
    std::uint32_t phrase = 0;
    std::uint32_t from = 0;
    std::uint32_t to = 0;
};

// `word` was put in at (or taken out of) position `pos` of the current list.
struct InsertPhraseWord {
    std::uint32_t phrase = 0;
    std::uint32_t pos = 0;
    WordEntry* word = nullptr;
};
struct RemovePhraseWord {
    std::uint32_t phrase = 0;
    std::uint32_t pos = 0;
    WordEntry* word = nullptr;
};

struct SetComment {
    std::uint32_t phrase = 0;
    std::optional<std::string> other;
};

// A whole list of a phrase was replaced: the current list by a revert, the
// saved list by a commit.
struct SetPhraseList {
    std::uint32_t phrase = 0;
    bool saved_list = false;
    std::vector<WordEntry*> other;
};

struct SetAlias {
    std::uint32_t word = 0;
    std::optional<std::string> other;
};

struct MoveWord {
    std::uint32_t from = 0;
    std::uint32_t to = 0;
};

// A new word at `number`; `held` owns it while the insertion is undone.
struct InsertWord {
    std::uint32_t number = 0;
    std::unique_ptr<WordEntry> held;
};

// The word that stood at `number`, owned here while it is removed, and the
// saved lists the removal replaced (phrase number and the other list).
struct RemoveWord {
    std::uint32_t number = 0;
    std::unique_ptr<WordEntry> held;
    std::vector<std::pair<std::uint32_t, std::vector<WordEntry*>>> saved_lists;
};

// New audio (`revert` false) or the loaded audio back (`revert` true).
struct SetAudio {
    std::uint32_t word = 0;
    bool revert = false;
    bool other_changed = false;
    AudioBytes other;
};

struct SetLanguage {
    char other[4] = {0, 0, 0, 0};
};

struct SetFlags {
    int other = 0;
};

using HistoryEdit = std::variant<SetPhraseWord, MovePhraseWord, InsertPhraseWord, RemovePhraseWord, SetComment,
    SetPhraseList, SetAlias, MoveWord, InsertWord, RemoveWord, SetAudio, SetLanguage, SetFlags>;

// Records an edit that has just been made (and has set the modified mark):
// a step of its own, or part of the open group. Any undone steps are gone
// from then on.
void history_record(SpeechDb* db, HistoryEdit edit);
