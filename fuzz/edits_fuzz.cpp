// Structure-aware fuzz target for the editing operations. The input
// describes a small database, which is built, written as a CSF image and
// loaded from it, and then a sequence of edits with their arguments. After
// the edits the database is saved as a CSF file and as a project file, both
// are loaded back and must equal the edited database (the project with its
// comments and aliases), and both files must be byte for byte what the
// in-memory builders make of the loaded databases.
// Along the way every edit must set the modified mark exactly when the
// operations promise to, and rebuilt usage lists must match the phrases.
#include "audio/wav.h"
#include "db/csf.h"
#include "db/history.h"
#include "db/load.h"
#include "db/operations.h"
#include "db/project.h"
#include "fuzz/fuzz_target.h"
#include "io/bytes.h"
#include "io/file_io.h"
#include "tests/unit/test_db.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int MAX_EDITS = 64;

// Imported recordings and saved databases go through real files in a
// private folder.
std::string g_wav;
std::string g_csf;
std::string g_project;

// Reads the input front to back; an exhausted input yields zeros.
struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;

    bool empty() const { return pos >= size; }
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    std::uint32_t below(std::uint32_t n) { return n ? byte() % n : 0; }
};

// Phrase and word indexes reach one past the end so refusals get tested;
// word numbers handed to phrase_set_word may also be negative.
std::uint32_t pick_phrase(Input& in, const SpeechDb* db)
{
    return in.below(phrase_count(db) + 1);
}

std::uint32_t pick_word(Input& in, const SpeechDb* db)
{
    return in.below(word_count(db) + 1);
}

std::uint32_t pick_pos(Input& in)
{
    return in.below(PHRASE_MAX_WORDS + 2);
}

// Aliases come from a tiny alphabet so that collisions are frequent;
// comments may hold any byte but NUL. Null texts clear.
std::string pick_text(Input& in, bool alias, bool* null)
{
    const std::uint8_t head = in.byte();
    *null = head % 8 == 0;
    std::string text;
    for (std::uint32_t n = head / 8 % 5; n > 0; --n) {
        const std::uint8_t c = in.byte();
        text.push_back(alias ? char('a' + c % 3) : char(c ? c : '0'));
    }
    return text;
}

// The database the edits start from, built the way a file is loaded.
SpeechDbPtr load_start(Input& in)
{
    const std::uint8_t shape = in.byte();
    const DbFormat format = shape & 1 ? DB_FORMAT_MODERN : DB_FORMAT_OLD;
    const int words = 1 + (shape >> 1) % 10;
    const int phrases = in.byte() % 8;
    std::uint32_t state = 0x9E3779B9u ^ in.byte() ^ (std::uint32_t(in.byte()) << 8);
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    std::vector<std::vector<std::uint8_t>> audio(static_cast<std::size_t>(words));
    for (auto& a : audio) {
        a.resize(next() % 24);
        for (auto& b : a)
            b = std::uint8_t(next());
    }
    std::vector<std::vector<int>> lists(static_cast<std::size_t>(phrases));
    for (auto& l : lists) {
        l.resize(next() % (PHRASE_MAX_WORDS + 1));
        for (auto& w : l)
            w = int(next() % std::uint32_t(words));
    }
    SpeechDbPtr made = make_db(format, audio, lists, shape & 0x80 ? "ENG" : "D", in.byte());
    std::vector<std::uint8_t> image;
    ErrorText err;
    FUZZ_CHECK(csf_build_image(made.get(), &image, &err), err);
    SpeechDbPtr db = csf_parse(image.data(), image.size(), &err);
    FUZZ_CHECK(db != nullptr, err);
    return db;
}

void check_usage(const SpeechDb* db)
{
    std::vector<std::vector<std::uint32_t>> want(word_count(db));
    for (std::uint32_t p = 0; p < phrase_count(db); ++p)
        for (std::uint32_t i = 0; i < phrase_word_count(db, p); ++i)
            want[phrase_word_number(db, p, i)].push_back(p);
    for (std::uint32_t w = 0; w < word_count(db); ++w) {
        const std::span<const std::uint32_t> usage = word_usage(db, w);
        FUZZ_CHECK(usage.empty() == want[w].empty(), "usage list of word " + std::to_string(w));
        for (std::uint32_t i = 0; i < want[w].size() && i < usage.size(); ++i)
            FUZZ_CHECK(usage[i] == want[w][i], "usage of word " + std::to_string(w));
        FUZZ_CHECK(usage.size() == want[w].size(), "usage count of word " + std::to_string(w));
    }
}

// Applies one edit. Returns whether the modified mark must now be set.
bool apply_edit(SpeechDb* db, Input& in)
{
    bool null = false;
    const std::uint8_t op = in.byte() % 20;
    switch (op) {
    case 0: {
        const std::uint32_t p = pick_phrase(in, db), pos = pick_pos(in);
        return phrase_set_word(db, p, pos, std::int32_t(in.below(word_count(db) + 2)) - 1);
    }
    case 1: {
        const std::uint32_t p = pick_phrase(in, db), pos = pick_pos(in);
        const std::string alias = pick_text(in, true, &null);
        return phrase_set_word_by_alias(db, p, pos, null ? nullptr : alias.c_str());
    }
    case 2: {
        const std::uint32_t p = pick_phrase(in, db);
        return phrase_move_word_up(db, p, pick_pos(in));
    }
    case 3: {
        const std::uint32_t p = pick_phrase(in, db);
        return phrase_move_word_down(db, p, pick_pos(in));
    }
    case 4: {
        const std::uint32_t p = pick_phrase(in, db);
        const std::uint32_t before = phrase_word_count(db, p);
        const bool done = phrase_insert_word(db, p, pick_pos(in));
        FUZZ_CHECK(phrase_word_count(db, p) == before + (done ? 1 : 0), "insert count");
        FUZZ_CHECK(before < std::uint32_t(PHRASE_MAX_WORDS) || !done, "phrase grew past the limit");
        return done;
    }
    case 5: {
        const std::uint32_t p = pick_phrase(in, db);
        return phrase_remove_word(db, p, pick_pos(in));
    }
    case 6: {
        const std::uint32_t p = pick_phrase(in, db);
        const std::string text = pick_text(in, false, &null);
        phrase_set_comment(db, p, null ? nullptr : text.c_str());
        return p < phrase_count(db);
    }
    case 7:
    case 8: {
        // Either list taking the other's words is an unsaved change when
        // they differed.
        const std::uint32_t p = pick_phrase(in, db);
        const bool differs = phrase_is_changed(db, p);
        op == 7 ? phrase_revert(db, p) : phrase_commit(db, p);
        return differs;
    }
    case 9: {
        const std::uint32_t w = pick_word(in, db);
        const std::string text = pick_text(in, true, &null);
        return word_set_alias(db, w, null ? nullptr : text.c_str());
    }
    case 10:
        // No rebuild first: the lists must follow every edit by themselves.
        check_usage(db);
        return false;
    case 11:
        return word_move_up(db, pick_word(in, db));
    case 12:
        return word_move_down(db, pick_word(in, db));
    case 13: {
        const std::uint32_t before = word_count(db);
        const bool done = word_insert(db, pick_word(in, db));
        FUZZ_CHECK(word_count(db) == before + (done ? 1 : 0), "word insert count");
        FUZZ_CHECK(word_count(db) <= word_limit(db), "word limit");
        return done;
    }
    case 14: {
        const std::uint32_t before = word_count(db);
        const bool done = word_remove(db, pick_word(in, db));
        FUZZ_CHECK(word_count(db) == before - (done ? 1 : 0) && word_count(db) >= 1, "word remove count");
        return done;
    }
    case 15: {
        const std::uint32_t w = pick_word(in, db);
        const WordEntry* entry = db_word(db, w);
        const bool differs = entry && entry->audio != entry->saved_audio;
        word_revert_audio(db, w);
        if (entry)
            FUZZ_CHECK(entry->audio == entry->saved_audio && entry->changed == 0, "revert of word audio");
        return differs;
    }
    case 16: {
        const std::string text = pick_text(in, false, &null);
        db_set_language_code(db, null ? nullptr : text.c_str());
        return !null;
    }
    case 17:
        db_set_flags(db, int(std::int8_t(in.byte())));
        return true;
    case 18: {
        // Replacing a recording: a WAV file of a few samples, sometimes in
        // a format the database does not use, which must change nothing.
        const std::uint32_t w = pick_word(in, db);
        const std::uint8_t shape = in.byte();
        std::vector<std::uint8_t> pcm(shape % 24);
        for (auto& b : pcm)
            b = in.byte();
        const std::vector<std::uint8_t> wav = wav_file_bytes(pcm, 1, shape & 0x80 ? 8000 : 16000);
        fuzz_write_file(g_wav, wav.data(), wav.size());
        ErrorText err;
        const WordEntry* entry = db_word(db, w);
        const std::vector<std::uint8_t> before = entry ? entry->audio.to_vector() : std::vector<std::uint8_t>();
        const int changed = entry ? entry->changed : 0;
        if (word_import_wav(db, w, g_wav.c_str(), &err)) {
            FUZZ_CHECK(entry && entry->audio.size() == (pcm.size() + 3) / 4, "imported audio size");
            FUZZ_CHECK(entry->changed == (entry->audio != entry->saved_audio ? 1 : 0), "changed mark after import");
            return entry->audio != before;
        }
        FUZZ_CHECK(err[0] != 0, "import refused without a message");
        FUZZ_CHECK(!entry || (entry->audio == before && entry->changed == changed), "refused import changed the word");
        return false;
    }
    default: {
        // Whatever was edited, reverting leaves the phrase unchanged.
        const std::uint32_t p = pick_phrase(in, db);
        const bool differs = phrase_is_changed(db, p);
        phrase_revert(db, p);
        FUZZ_CHECK(!phrase_is_changed(db, p), "changed after revert");
        return differs;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string dir = fuzz_temp_dir("edits-fuzz");
    g_wav = dir + "/word.wav";
    g_csf = dir + "/saved.csf";
    g_project = dir + "/saved.tbp";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in{data, size};
    SpeechDbPtr db = load_start(in);
    std::vector<std::uint8_t> start;
    const bool built = project_build(db.get(), &start, nullptr);
    for (int i = 0; i < MAX_EDITS && !in.empty(); ++i) {
        db->modified = 0;
        const bool marks = apply_edit(db.get(), in);
        FUZZ_CHECK(db->modified == (marks ? 1 : 0), "modified mark after edit " + std::to_string(i));
    }
    const std::string broken = db_check_invariants(db.get());
    FUZZ_CHECK(broken.empty(), broken);

    // Every edit undone gives back the database as loaded, to the byte, and
    // every edit redone the edited one.
    std::vector<std::uint8_t> end, again;
    if (built && project_build(db.get(), &end, nullptr)) {
        while (history_undo(db.get())) {
        }
        FUZZ_CHECK(project_build(db.get(), &again, nullptr) && again == start, "undo of every edit");
        FUZZ_CHECK(db_check_invariants(db.get()).empty(), "invariants after undo");
        while (history_redo(db.get())) {
        }
        FUZZ_CHECK(project_build(db.get(), &again, nullptr) && again == end, "redo of every edit");
    }

    // Saved the way the editor saves, into files, and loaded from there.
    ErrorText err;
    db->modified = 1;
    FUZZ_CHECK(csf_save(db.get(), g_csf.c_str(), &err) == 1, err);
    FUZZ_CHECK(db->modified == 1, "saving a CSF file changed the modified mark");
    SpeechDbPtr from_csf = db_load_file(g_csf.c_str(), &err);
    FUZZ_CHECK(from_csf != nullptr, err);
    std::string diff = db_compare_saved(db.get(), from_csf.get(), false);
    FUZZ_CHECK(diff.empty(), "CSF: " + diff);

    FUZZ_CHECK(project_save(db.get(), g_project.c_str(), &err) == 1, err);
    FUZZ_CHECK(db->modified == 0, "saving a project left the modified mark");
    SpeechDbPtr from_project = db_load_file(g_project.c_str(), &err);
    FUZZ_CHECK(from_project != nullptr, err);
    diff = db_compare_saved(db.get(), from_project.get(), true);
    FUZZ_CHECK(diff.empty(), "project: " + diff);

    // The files hold exactly what the in-memory builders make, also when
    // built again from what was loaded.
    std::vector<std::uint8_t> image;
    FUZZ_CHECK(csf_build_image(from_csf.get(), &image, &err), err);
    FUZZ_CHECK(io_read_file(g_csf.c_str()).data == image, "CSF file differs from the built image");
    std::vector<std::uint8_t> project;
    FUZZ_CHECK(project_build(from_project.get(), &project, &err), err);
    FUZZ_CHECK(io_read_file(g_project.c_str()).data == project, "project file differs from the built project");
    return 0;
}
