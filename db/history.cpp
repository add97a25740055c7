// The history of a database: the steps done and undone, groups, the saved
// step, and taking each kind of edit back or doing it again.
//
// Edits are taken back by working on the entries directly, not through the
// edits of db/operations.h, which would record themselves again.
#include "db/history.h"

#include "db/history_edit.h"
#include "io/i18n.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

struct HistoryStep {
    std::string label;
    std::vector<HistoryEdit> edits;
};

struct History {
    // Steps [0, done) are done, [done, size) undone and waiting for redo.
    std::vector<HistoryStep> steps;
    std::size_t done = 0;
    // The step the database matches its file at; none when no step does.
    std::optional<std::size_t> saved = 0;
    int group_depth = 0;
    std::string group_label;
    // Whether the open group has its step yet (it gets one with its first
    // edit, so an empty group leaves nothing).
    bool group_has_step = false;
    std::uint64_t changes = 0;
    std::function<void()> observer;
};

void HistoryDeleter::operator()(History* history) const
{
    std::default_delete<History>()(history);
}

namespace {

History& history_of(SpeechDb* db)
{
    if (!db->history)
        db->history.reset(std::make_unique<History>().release());
    return *db->history;
}

void notify(History& h)
{
    h.changes++;
    if (h.observer)
        h.observer();
}

WordEntry* word_at(SpeechDb* db, std::uint32_t index)
{
    auto* slot = list_get(db->words, index);
    return slot ? slot->get() : nullptr;
}

PhraseEntry* phrase_at(SpeechDb* db, std::uint32_t index)
{
    auto* slot = list_get(db->phrases, index);
    return slot ? slot->get() : nullptr;
}

void renumber_from(SpeechDb* db, std::uint32_t first)
{
    for (std::uint32_t i = first; i < list_count(db->words); ++i)
        word_at(db, i)->number = i;
}

std::uint32_t last_index(std::uint32_t count)
{
    return count == 0 ? 0 : count - 1;
}

// A step's label in the user's language. The format is checked against its
// arguments through gettext's translation of the literal.
__attribute__((format(printf, 1, 2))) std::string label_printf(const char* format, ...)
{
    char buf[256];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

// Numbers in labels count from 1, as the lists show them.
unsigned long long shown(std::uint32_t number)
{
    return static_cast<unsigned long long>(number) + 1;
}

// The label of a step of one edit. Each label is one whole sentence for the
// translators, so word order can change with the language.
std::string label_of(const HistoryEdit& edit)
{
    struct Labeller {
        std::string operator()(const SetPhraseWord& e) const
        {
            return label_printf(_("Change Word In Phrase %llu"), shown(e.phrase));
        }
        std::string operator()(const MovePhraseWord& e) const
        {
            return e.to < e.from ? label_printf(_("Move Word Up In Phrase %llu"), shown(e.phrase))
                                 : label_printf(_("Move Word Down In Phrase %llu"), shown(e.phrase));
        }
        std::string operator()(const InsertPhraseWord& e) const
        {
            return label_printf(_("Add Word To Phrase %llu"), shown(e.phrase));
        }
        std::string operator()(const RemovePhraseWord& e) const
        {
            return label_printf(_("Remove Word From Phrase %llu"), shown(e.phrase));
        }
        std::string operator()(const SetComment& e) const
        {
            return label_printf(_("Change Comment Of Phrase %llu"), shown(e.phrase));
        }
        std::string operator()(const SetPhraseList& e) const
        {
            return e.saved_list ? label_printf(_("Keep Phrase %llu"), shown(e.phrase))
                                : label_printf(_("Revert Phrase %llu"), shown(e.phrase));
        }
        std::string operator()(const SetAlias& e) const
        {
            return label_printf(_("Change Alias Of Word %llu"), shown(e.word));
        }
        std::string operator()(const MoveWord& e) const
        {
            return e.to < e.from ? label_printf(_("Move Word %llu Up"), shown(e.from))
                                 : label_printf(_("Move Word %llu Down"), shown(e.from));
        }
        std::string operator()(const InsertWord& e) const { return label_printf(_("Add Word %llu"), shown(e.number)); }
        std::string operator()(const RemoveWord& e) const
        {
            return label_printf(_("Remove Word %llu"), shown(e.number));
        }
        std::string operator()(const SetAudio& e) const
        {
            return e.revert ? label_printf(_("Revert Word %llu"), shown(e.word))
                            : label_printf(_("Replace Word %llu"), shown(e.word));
        }
        std::string operator()(const SetLanguage&) const { return _("Change Language Code"); }
        std::string operator()(const SetFlags&) const { return _("Change Flags"); }
    };
    return std::visit(Labeller {}, edit);
}

// Takes an edit back (`undo`) or does it again, and says where.
struct Applier {
    SpeechDb* db;
    bool undo;

    EditTarget phrase(std::uint32_t p, std::optional<std::uint32_t> pos = std::nullopt) const
    {
        return { EditPlace::Phrase, p, pos };
    }
    EditTarget word(std::uint32_t w) const { return { EditPlace::Word, w, std::nullopt }; }

    EditTarget operator()(SetPhraseWord& e) const
    {
        PhraseEntry* p = phrase_at(db, e.phrase);
        phrase_keep_saved(*p);
        std::swap(p->words[e.pos], e.other);
        return phrase(e.phrase, e.pos);
    }
    EditTarget operator()(MovePhraseWord& e) const
    {
        PhraseEntry* p = phrase_at(db, e.phrase);
        phrase_keep_saved(*p);
        std::swap(p->words[e.from], p->words[e.to]);
        return phrase(e.phrase, undo ? e.from : e.to);
    }
    EditTarget insert_or_remove(std::uint32_t p, std::uint32_t pos, WordEntry* w, bool insert) const
    {
        PhraseEntry* phrase_entry = phrase_at(db, p);
        phrase_keep_saved(*phrase_entry);
        auto& words = phrase_entry->words;
        if (insert)
            words.insert(words.begin() + std::ptrdiff_t(pos), w);
        else
            words.erase(words.begin() + std::ptrdiff_t(pos));
        // What is left selected: the word put back, or its neighbour.
        return phrase(p, insert ? pos : std::min(pos, last_index(std::uint32_t(words.size()))));
    }
    EditTarget operator()(InsertPhraseWord& e) const
    {
        EditTarget t = insert_or_remove(e.phrase, e.pos, e.word, !undo);
        // An undone insertion leaves the position it was added after.
        if (undo)
            t.position = e.pos - 1;
        return t;
    }
    EditTarget operator()(RemovePhraseWord& e) const { return insert_or_remove(e.phrase, e.pos, e.word, undo); }
    EditTarget operator()(SetComment& e) const
    {
        std::swap(phrase_at(db, e.phrase)->comment, e.other);
        return phrase(e.phrase);
    }
    EditTarget operator()(SetPhraseList& e) const
    {
        PhraseEntry* p = phrase_at(db, e.phrase);
        std::vector<WordEntry*>& saved = phrase_keep_saved(*p);
        std::swap(e.saved_list ? saved : p->words, e.other);
        return phrase(e.phrase);
    }
    EditTarget operator()(SetAlias& e) const
    {
        std::swap(word_at(db, e.word)->alias, e.other);
        return word(e.word);
    }
    EditTarget operator()(MoveWord& e) const
    {
        list_swap(db->words, e.from, e.to);
        word_at(db, e.from)->number = e.from;
        word_at(db, e.to)->number = e.to;
        return word(undo ? e.from : e.to);
    }
    EditTarget put_back(std::uint32_t number, std::unique_ptr<WordEntry>& held) const
    {
        list_insert_at(db->words, number, std::move(held));
        renumber_from(db, number);
        return word(number);
    }
    EditTarget take_out(std::uint32_t number, std::unique_ptr<WordEntry>& held) const
    {
        held = list_take_at(db->words, number);
        renumber_from(db, number);
        return word(std::min(number, last_index(list_count(db->words))));
    }
    EditTarget operator()(InsertWord& e) const
    {
        if (!undo)
            return put_back(e.number, e.held);
        take_out(e.number, e.held);
        return word(e.number - 1);
    }
    EditTarget operator()(RemoveWord& e) const
    {
        EditTarget t = undo ? put_back(e.number, e.held) : take_out(e.number, e.held);
        for (auto& [p, list] : e.saved_lists)
            std::swap(phrase_keep_saved(*phrase_at(db, p)), list);
        return t;
    }
    EditTarget operator()(SetAudio& e) const
    {
        WordEntry* w = word_at(db, e.word);
        std::swap(w->audio, e.other);
        std::swap(w->changed, e.other_changed);
        return word(e.word);
    }
    EditTarget operator()(SetLanguage& e) const
    {
        for (int i = 0; i < 4; ++i)
            std::swap(db->language_code[i], e.other[i]);
        return {};
    }
    EditTarget operator()(SetFlags& e) const
    {
        std::swap(db->flags, e.other);
        return {};
    }
};

void settle_mark(SpeechDb* db, const History& h)
{
    db->modified = !(h.saved && *h.saved == h.done);
    // Any step may have changed what a phrase speaks; the usage lists are
    // rebuilt when next asked for.
    db->phrase_edits++;
}

} // namespace

void history_record(SpeechDb* db, HistoryEdit edit)
{
    History& h = history_of(db);
    db->modified = true;
    if (h.group_depth > 0 && h.group_has_step) {
        h.steps[h.done - 1].edits.push_back(std::move(edit));
        notify(h);
        return;
    }
    // A new step replaces whatever was undone; so does the saved state when
    // it lay among the undone steps.
    h.steps.erase(h.steps.begin() + std::ptrdiff_t(h.done), h.steps.end());
    if (h.saved && *h.saved > h.done)
        h.saved.reset();
    HistoryStep step;
    step.label = h.group_depth > 0 ? h.group_label : label_of(edit);
    step.edits.push_back(std::move(edit));
    h.steps.push_back(std::move(step));
    h.done++;
    if (h.group_depth > 0)
        h.group_has_step = true;
    notify(h);
}

bool history_can_undo(const SpeechDb* db)
{
    return history_undo_count(db) > 0;
}

bool history_can_redo(const SpeechDb* db)
{
    return history_redo_count(db) > 0;
}

std::size_t history_undo_count(const SpeechDb* db)
{
    return db && db->history ? db->history->done : 0;
}

std::size_t history_redo_count(const SpeechDb* db)
{
    return db && db->history ? db->history->steps.size() - db->history->done : 0;
}

std::string history_undo_label(const SpeechDb* db)
{
    return history_can_undo(db) ? db->history->steps[db->history->done - 1].label : std::string();
}

std::string history_redo_label(const SpeechDb* db)
{
    return history_can_redo(db) ? db->history->steps[db->history->done].label : std::string();
}

std::optional<EditTarget> history_undo(SpeechDb* db)
{
    if (!history_can_undo(db) || db->history->group_depth > 0)
        return std::nullopt;
    History& h = *db->history;
    HistoryStep& step = h.steps[h.done - 1];
    EditTarget target;
    // Backwards, so each edit meets the state it left.
    for (auto it = step.edits.rbegin(); it != step.edits.rend(); ++it)
        target = std::visit(Applier { db, true }, *it);
    h.done--;
    settle_mark(db, h);
    notify(h);
    return target;
}

std::optional<EditTarget> history_redo(SpeechDb* db)
{
    if (!history_can_redo(db) || db->history->group_depth > 0)
        return std::nullopt;
    History& h = *db->history;
    HistoryStep& step = h.steps[h.done];
    std::optional<EditTarget> target;
    for (HistoryEdit& edit : step.edits) {
        EditTarget t = std::visit(Applier { db, false }, edit);
        // A group is shown where it began.
        if (!target)
            target = t;
    }
    h.done++;
    settle_mark(db, h);
    notify(h);
    return target;
}

void history_begin_group(SpeechDb* db, const char* label)
{
    History& h = history_of(db);
    if (h.group_depth++ == 0) {
        h.group_label = label ? label : "";
        h.group_has_step = false;
    }
}

void history_end_group(SpeechDb* db)
{
    History& h = history_of(db);
    if (h.group_depth > 0)
        h.group_depth--;
}

HistoryGroup::HistoryGroup(SpeechDb* db, const char* label)
    : db_(db)
{
    history_begin_group(db_, label);
}

HistoryGroup::~HistoryGroup()
{
    history_end_group(db_);
}

void history_mark_saved(SpeechDb* db)
{
    History& h = history_of(db);
    h.saved = h.done;
    db->modified = false;
    notify(h);
}

void history_mark_unsaved(SpeechDb* db)
{
    History& h = history_of(db);
    h.saved.reset();
    db->modified = true;
    notify(h);
}

std::uint64_t history_change_count(const SpeechDb* db)
{
    return db && db->history ? db->history->changes : 0;
}

void history_observe(SpeechDb* db, std::function<void()> observer)
{
    history_of(db).observer = std::move(observer);
}
