// Undo and redo: random edits taken back and done again to the byte, the
// labels that name each kind of edit, groups, the modified mark following
// the saved step, and entries and audio that stay the same objects.
#include "db/history.h"
#include "db/operations.h"
#include "db/project.h"
#include "tests/unit/test_db.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> project_bytes(const SpeechDb* db)
{
    std::vector<std::uint8_t> out;
    ErrorText err;
    EXPECT_TRUE(project_build(db, &out, &err)) << err;
    return out;
}

// Everything undo must put back, entries by identity: the file's content
// and what no file holds (saved lists, saved audio, changed marks).
struct Snapshot {
    std::vector<std::uint8_t> project;
    std::vector<const WordEntry*> words;
    std::vector<const std::uint8_t*> audio_data;
    std::vector<bool> changed;
    std::vector<std::vector<WordEntry*>> current;
    std::vector<std::vector<WordEntry*>> saved;
    bool modified = false;

    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const SpeechDb* db)
{
    Snapshot s;
    s.project = project_bytes(db);
    for (std::uint32_t i = 0; i < word_count(db); ++i) {
        const WordEntry* w = db_word(db, i);
        s.words.push_back(w);
        s.audio_data.push_back(w->audio.data());
        s.changed.push_back(w->changed);
    }
    for (std::uint32_t p = 0; p < phrase_count(db); ++p) {
        s.current.push_back(db_phrase(db, p)->words);
        s.saved.push_back(phrase_saved_words(*db_phrase(db, p)));
    }
    s.modified = db_is_modified(db);
    return s;
}

// One random edit through the operations the pages use; most are valid,
// some are refused.
void random_edit(SpeechDb* db, std::mt19937& rng)
{
    const auto pick = [&](std::uint32_t n) { return n == 0 ? 0 : std::uint32_t(rng() % (n + 1)); };
    const std::uint32_t p = pick(phrase_count(db));
    const std::uint32_t pos = pick(phrase_word_count(db, p));
    const std::uint32_t w = pick(word_count(db));
    // Built by characters: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // a literal added to a temporary string, which -Werror turns fatal.
    const std::string text = {'t', char('0' + rng() % 8)};
    switch (rng() % 16) {
    case 0: phrase_set_word(db, p, pos, w); break;
    case 1: phrase_move_word_up(db, p, pos); break;
    case 2: phrase_move_word_down(db, p, pos); break;
    case 3: phrase_insert_word(db, p, pos); break;
    case 4: phrase_remove_word(db, p, pos); break;
    case 5: phrase_set_comment(db, p, rng() % 4 ? text.c_str() : nullptr); break;
    case 6: phrase_revert(db, p); break;
    case 7: word_set_alias(db, w, rng() % 4 ? text.c_str() : nullptr); break;
    case 8: word_move_up(db, w); break;
    case 9: word_move_down(db, w); break;
    case 10: word_insert(db, w); break;
    // The newest words are the ones no phrase speaks yet.
    case 11: word_remove(db, rng() % 2 ? word_count(db) - 1 : w); break;
    case 12: word_set_audio(db, w, AudioBytes{std::uint8_t(rng()), std::uint8_t(rng())}); break;
    case 13: word_revert_audio(db, w); break;
    case 14: db_set_language_code(db, text.c_str()); break;
    case 15: db_set_flags(db, int(rng() % 256)); break;
    }
}

TEST(History, RandomEditsUndoAndRedoToTheByte)
{
    for (DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        for (unsigned seed = 1; seed <= 12; ++seed) {
            SCOPED_TRACE("format " + std::to_string(format) + " seed " + std::to_string(seed));
            std::mt19937 rng(seed);
            SpeechDbPtr db = make_random_db(rng, format, 12, 8, 16);
            // A saved project in the middle exercises the mark too.
            std::vector<Snapshot> states{snapshot(db.get())};
            for (int i = 0; i < 300; ++i) {
                const std::size_t before = history_undo_count(db.get());
                random_edit(db.get(), rng);
                ASSERT_LE(history_undo_count(db.get()), before + 1) << "one edit is one step";
                if (history_undo_count(db.get()) > before)
                    states.push_back(snapshot(db.get()));
                ASSERT_EQ(db_check_invariants(db.get()), "");
            }
            ASSERT_GT(states.size(), 150u);
            ASSERT_EQ(history_undo_count(db.get()), states.size() - 1);
            for (std::size_t k = states.size() - 1; k > 0; --k) {
                ASSERT_TRUE(history_undo(db.get()));
                ASSERT_EQ(db_check_invariants(db.get()), "") << "undo to state " << k - 1;
                Snapshot now = snapshot(db.get());
                ASSERT_EQ(now.project, states[k - 1].project) << "undo to state " << k - 1;
                ASSERT_TRUE(now == states[k - 1]) << "undo to state " << k - 1;
            }
            EXPECT_FALSE(history_undo(db.get()));
            EXPECT_FALSE(db_is_modified(db.get())) << "undone back to the file as loaded";
            for (std::size_t k = 1; k < states.size(); ++k) {
                ASSERT_TRUE(history_redo(db.get()));
                ASSERT_TRUE(snapshot(db.get()) == states[k]) << "redo to state " << k;
            }
            EXPECT_FALSE(history_redo(db.get()));
        }
    }
}

SpeechDbPtr small_db()
{
    return make_db(DB_FORMAT_MODERN, {{1, 2}, {3}, {4, 5, 6}, {7}}, {{0, 1}, {2, 1, 0}, {3}});
}

TEST(History, EachEditNamesItselfInTheUndoLabel)
{
    struct Case {
        const char* label;
        std::function<void(SpeechDb*)> edit;
    };
    const Case cases[] = {
        {"Change Word In Phrase 2", [](SpeechDb* db) { phrase_set_word(db, 1, 0, 3); }},
        {"Move Word Up In Phrase 2", [](SpeechDb* db) { phrase_move_word_up(db, 1, 1); }},
        {"Move Word Down In Phrase 1", [](SpeechDb* db) { phrase_move_word_down(db, 0, 0); }},
        {"Add Word To Phrase 3", [](SpeechDb* db) { phrase_insert_word(db, 2, 0); }},
        {"Remove Word From Phrase 2", [](SpeechDb* db) { phrase_remove_word(db, 1, 2); }},
        {"Change Comment Of Phrase 1", [](SpeechDb* db) { phrase_set_comment(db, 0, "hi"); }},
        {"Revert Phrase 2", [](SpeechDb* db) { phrase_remove_word(db, 1, 0), phrase_revert(db, 1); }},
        {"Change Alias Of Word 3", [](SpeechDb* db) { word_set_alias(db, 2, "left"); }},
        {"Move Word 2 Up", [](SpeechDb* db) { word_move_up(db, 1); }},
        {"Move Word 2 Down", [](SpeechDb* db) { word_move_down(db, 1); }},
        {"Add Word 3", [](SpeechDb* db) { word_insert(db, 1); }},
        {"Remove Word 5", [](SpeechDb* db) { word_insert(db, 3), word_remove(db, 4); }},
        {"Replace Word 4", [](SpeechDb* db) { word_set_audio(db, 3, AudioBytes{9, 9}); }},
        {"Revert Word 4", [](SpeechDb* db) { word_set_audio(db, 3, AudioBytes{9}), word_revert_audio(db, 3); }},
        {"Change Language Code", [](SpeechDb* db) { db_set_language_code(db, "FR"); }},
        {"Change Flags", [](SpeechDb* db) { db_set_flags(db, 1); }},
    };
    for (const Case& c : cases) {
        SpeechDbPtr db = small_db();
        c.edit(db.get());
        EXPECT_EQ(history_undo_label(db.get()), c.label);
        ASSERT_TRUE(history_undo(db.get()));
        EXPECT_EQ(history_redo_label(db.get()), c.label);
    }
    // The numbers the examples name, on a database large enough.
    std::mt19937 rng(7);
    SpeechDbPtr db = make_random_db(rng, DB_FORMAT_MODERN, 20, 10, 8);
    db_phrase(db.get(), 6)->words = {db_word(db.get(), 0), db_word(db.get(), 1)};
    ASSERT_TRUE(phrase_remove_word(db.get(), 6, 1));
    EXPECT_EQ(history_undo_label(db.get()), "Remove Word From Phrase 7");
    ASSERT_TRUE(word_set_audio(db.get(), 11, AudioBytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(history_undo_label(db.get()), "Replace Word 12");
}

TEST(History, RefusedAndUnchangingEditsRecordNothing)
{
    SpeechDbPtr db = small_db();
    const std::function<void(SpeechDb*)> refused[] = {
        [](SpeechDb* d) { phrase_set_word(d, 0, 5, 1); },
        [](SpeechDb* d) { phrase_move_word_up(d, 0, 0); },
        [](SpeechDb* d) { phrase_remove_word(d, 2, 0); },
        [](SpeechDb* d) { phrase_revert(d, 0); },
        [](SpeechDb* d) { word_move_down(d, 3); },
        [](SpeechDb* d) { word_remove(d, 0); },
        [](SpeechDb* d) { word_set_audio(d, 1, AudioBytes{3}); },
        [](SpeechDb* d) { word_revert_audio(d, 1); },
    };
    for (const auto& edit : refused)
        edit(db.get());
    EXPECT_EQ(history_undo_count(db.get()), 0u);
    EXPECT_FALSE(db_is_modified(db.get()));
}

TEST(History, GroupsAreOneStepUndoneInReverse)
{
    SpeechDbPtr db = small_db();
    const std::vector<std::uint8_t> before = project_bytes(db.get());
    {
        HistoryGroup group(db.get(), "Import Words");
        {
            HistoryGroup inner(db.get(), "ignored: the outer group names the step");
            word_set_audio(db.get(), 0, AudioBytes{8});
            word_set_audio(db.get(), 2, AudioBytes{8, 8});
        }
        word_set_audio(db.get(), 0, AudioBytes{9});
        EXPECT_FALSE(history_undo(db.get())) << "no undo while a group is open";
    }
    EXPECT_EQ(history_undo_count(db.get()), 1u);
    EXPECT_EQ(history_undo_label(db.get()), "Import Words");
    auto target = history_undo(db.get());
    ASSERT_TRUE(target);
    EXPECT_EQ(target->place, EditPlace::Word);
    EXPECT_EQ(target->number, 0u) << "shown where the group began";
    EXPECT_EQ(project_bytes(db.get()), before);
    EXPECT_FALSE(word_is_changed(db.get(), 0));

    { HistoryGroup empty(db.get(), "Nothing"); }
    EXPECT_EQ(history_undo_count(db.get()), 0u) << "an empty group leaves no step";
    EXPECT_EQ(history_redo_label(db.get()), "Import Words");
}

TEST(History, ModifiedMarkFollowsTheSavedStep)
{
    SpeechDbPtr db = small_db();
    TempDir dir;
    const std::string path = dir.file("p.tbp");
    db_set_flags(db.get(), 1);
    db_set_flags(db.get(), 2);
    ASSERT_TRUE(project_save(db.get(), path.c_str(), nullptr));
    EXPECT_FALSE(db_is_modified(db.get()));
    EXPECT_EQ(history_undo_count(db.get()), 2u) << "saving keeps the history";

    struct Step {
        std::function<bool(SpeechDb*)> act;
        bool modified;
    };
    const Step steps[] = {
        {[](SpeechDb* d) { return bool(history_undo(d)); }, true},
        {[](SpeechDb* d) { return bool(history_redo(d)); }, false},
        {[](SpeechDb* d) { return bool(history_redo(d)); }, false}, // nothing to redo
        {[](SpeechDb* d) { return db_set_flags(d, 3), true; }, true},
        {[](SpeechDb* d) { return bool(history_undo(d)); }, false},
        {[](SpeechDb* d) { return bool(history_undo(d)); }, true},
        // A new edit here drops the saved step from the history for good.
        {[](SpeechDb* d) { return db_set_flags(d, 4), true; }, true},
        {[](SpeechDb* d) { return bool(history_undo(d)); }, true},
        {[](SpeechDb* d) { return bool(history_undo(d)); }, true},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].act(db.get());
        EXPECT_EQ(db_is_modified(db.get()), steps[i].modified) << "step " << i;
    }
    history_mark_unsaved(db.get());
    EXPECT_TRUE(db_is_modified(db.get()));
}

TEST(History, RemovedWordsAndAudioComeBackAsTheSameObjects)
{
    SpeechDbPtr db = small_db();
    WordEntry* third = db_word(db.get(), 2);
    const std::uint8_t* audio = third->audio.data();
    // Phrase 1's saved list speaks word 2; after it stops doing so the
    // word can go, and its saved list is committed.
    ASSERT_TRUE(phrase_set_word(db.get(), 1, 0, 0));
    ASSERT_TRUE(word_remove(db.get(), 2));
    EXPECT_FALSE(phrase_is_changed(db.get(), 1));
    ASSERT_TRUE(word_set_audio(db.get(), 2, AudioBytes{5, 5, 5}));
    ASSERT_TRUE(history_undo(db.get()));
    auto target = history_undo(db.get());
    ASSERT_TRUE(target);
    EXPECT_EQ(target->place, EditPlace::Word);
    EXPECT_EQ(target->number, 2u);
    EXPECT_EQ(db_word(db.get(), 2), third) << "the very entry is back";
    EXPECT_EQ(third->audio.data(), audio) << "audio is shared, never copied";
    EXPECT_EQ(phrase_saved_words(*db_phrase(db.get(), 1))[0], third);
    EXPECT_TRUE(phrase_is_changed(db.get(), 1));
    EXPECT_EQ(db_word(db.get(), 3)->number, 3u);
}

TEST(History, TargetsNameTheRowToShow)
{
    struct Case {
        std::function<void(SpeechDb*)> edit;
        EditPlace place;
        std::uint32_t number;
        std::optional<std::uint32_t> undo_pos;
        std::optional<std::uint32_t> redo_pos;
        std::uint32_t redo_number;
    };
    const Case cases[] = {
        {[](SpeechDb* d) { phrase_move_word_up(d, 1, 2); }, EditPlace::Phrase, 1, 2, 1, 1},
        {[](SpeechDb* d) { phrase_insert_word(d, 1, 1); }, EditPlace::Phrase, 1, 1, 2, 1},
        {[](SpeechDb* d) { phrase_remove_word(d, 1, 2); }, EditPlace::Phrase, 1, 2, 1, 1},
        {[](SpeechDb* d) { phrase_set_comment(d, 2, "x"); }, EditPlace::Phrase, 2, std::nullopt, std::nullopt, 2},
        {[](SpeechDb* d) { word_move_down(d, 0); }, EditPlace::Word, 0, std::nullopt, std::nullopt, 1},
        {[](SpeechDb* d) { word_insert(d, 3); }, EditPlace::Word, 3, std::nullopt, std::nullopt, 4},
        {[](SpeechDb* d) { db_set_flags(d, 7); }, EditPlace::Header, 0, std::nullopt, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SpeechDbPtr db = small_db();
        c.edit(db.get());
        auto undone = history_undo(db.get());
        ASSERT_TRUE(undone);
        EXPECT_EQ(undone->place, c.place);
        EXPECT_EQ(undone->number, c.number);
        EXPECT_EQ(undone->position, c.undo_pos);
        auto redone = history_redo(db.get());
        ASSERT_TRUE(redone);
        EXPECT_EQ(redone->number, c.redo_number);
        EXPECT_EQ(redone->position, c.redo_pos);
    }
}

} // namespace
