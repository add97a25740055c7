// Undo and redo of every edit of a database.
//
// Each edit of db/ that sets the modified mark records, in the database's
// history, what it needs to be taken back: the value it replaced (a word
// reference, a text, an audio value, a list), or the entry it took out of
// the word list. Undo and redo walk that record one step at a time, so the
// database is always in the state the next step was recorded in, and a
// step never has to search for what it changed.
//
// - Audio values are shared with the words, never copied.
// - A word taken out of the list (a removal, or an undone insertion) is
//   kept alive by its step, and the step puts back that same entry: every
//   reference to it, in a phrase or in a later step, stays valid.
// - A step may hold several edits (a group): an import of many words is one
//   step. Undo takes them back in reverse order.
// - The modified mark follows the history: a save marks the current step,
//   and undoing or redoing back to it clears the mark.
#pragma once

#include "db/speech_db.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Where the step undone or redone last took effect, for showing it.
enum class EditPlace {
    Phrase, // phrase `number`; `position` in its word list, when one
    Word,   // word `number`
    Header, // the language code or the flags
};

struct EditTarget {
    EditPlace place = EditPlace::Header;
    std::uint32_t number = 0;
    std::optional<std::uint32_t> position;
};

bool history_can_undo(const SpeechDb* db);
bool history_can_redo(const SpeechDb* db);
// What the next undo or redo would take back or do again, named the way
// the user knows the edit: "Replace Word 12", "Remove Word From Phrase 7",
// "Import Words". Empty when there is nothing.
std::string history_undo_label(const SpeechDb* db);
std::string history_redo_label(const SpeechDb* db);

// Takes back the last step (or does again the last undone one) and tells
// where it took effect; nothing when there is no such step, or while a
// group is open.
std::optional<EditTarget> history_undo(SpeechDb* db);
std::optional<EditTarget> history_redo(SpeechDb* db);

// Groups: every edit recorded between begin and the matching end becomes
// one step named `label`. Groups nest; the outermost names the step. A
// group in which nothing was recorded leaves no step.
void history_begin_group(SpeechDb* db, const char* label);
void history_end_group(SpeechDb* db);

// A group for the lifetime of the object.
class HistoryGroup {
public:
    HistoryGroup(SpeechDb* db, const char* label);
    ~HistoryGroup();
    HistoryGroup(const HistoryGroup&) = delete;
    HistoryGroup& operator=(const HistoryGroup&) = delete;

private:
    SpeechDb* db_;
};

// The database now matches its file (a project was saved): the modified
// mark is cleared, and undo or redo back to this step clears it again.
void history_mark_saved(SpeechDb* db);
// The database differs from every file: the mark is set and no step of
// the history clears it (a recovered copy that was never saved).
void history_mark_unsaved(SpeechDb* db);

// Steps that can be undone and redone; what the tests and benchmarks count.
std::size_t history_undo_count(const SpeechDb* db);
std::size_t history_redo_count(const SpeechDb* db);

// Counts every recorded edit, undo and redo: whoever keeps a copy of the
// database can tell whether it has changed since.
std::uint64_t history_change_count(const SpeechDb* db);

// Called after every recorded edit, undo, redo and save mark, so a window
// can follow the modified mark and the labels. One observer per database.
void history_observe(SpeechDb* db, std::function<void()> observer);
