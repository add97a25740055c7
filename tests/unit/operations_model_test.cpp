// Randomized model test of the database operations: thousands of random
// edits, in and out of range, on random databases of both variants. A
// plain shadow model, written from the rules rather than from the code,
// predicts every result; after each step the database must match it,
// keep its invariants, and come back unchanged from a save and reload.
#include "audio/adpcm.h"
#include "audio/wav.h"
#include "db/csf.h"
#include "db/operations.h"
#include "db/project.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

struct ModelWord {
    int id = 0; // identity of the entry, stable across renumbering
    std::vector<std::uint8_t> audio;
    std::vector<std::uint8_t> saved;
    std::optional<std::string> alias;
    int changed = 0;
};

struct ModelPhrase {
    std::vector<int> current; // word ids in speaking order
    std::vector<int> saved;
    std::optional<std::string> comment;
};

struct Model {
    std::vector<ModelWord> words;
    std::vector<ModelPhrase> phrases;
    int modified = 0;
    std::uint32_t limit = 0;
};

// A WAV file the import step can pick, and the audio it must turn into.
struct WavCase {
    std::string path;
    bool accepted = false;
    std::vector<std::uint8_t> audio;
};

const char* const ALIASES[] = {"left", "Left", "right", "exit", "a", "ab", ""};
const char* const COMMENTS[] = {"turn", "keep right", "x"};

class Harness {
public:
    Harness(std::mt19937& rng, DbFormat format, const std::vector<WavCase>& wavs, std::string project_path)
        : rng_(rng), wavs_(wavs), project_path_(std::move(project_path))
    {
        build(format);
    }

    void step(int n);
    void check(const char* what);
    void check_reload(bool project);

private:
    std::uint32_t pick_index(std::size_t count);
    int id_of(const WordEntry* w) const;
    int number_of_id(int id) const;
    const char* pick_alias();
    void build(DbFormat format);

    bool model_set_word(std::uint32_t ph, std::uint32_t pos, std::int64_t word);
    bool model_word_remove(std::uint32_t w);
    bool model_word_insert(std::uint32_t w);

    std::mt19937& rng_;
    const std::vector<WavCase>& wavs_;
    const std::string project_path_;
    SpeechDbPtr db_;
    Model m_;
    std::map<const WordEntry*, int> ids_;
    int next_id_ = 0;
    std::string last_;
};

// Mostly a valid index, sometimes one just past the end, sometimes a
// negative number handed in as unsigned.
std::uint32_t Harness::pick_index(std::size_t count)
{
    int kind = std::uniform_int_distribution<int>(0, 9)(rng_);
    if (kind == 0)
        return std::uint32_t(count);
    if (kind == 1)
        return std::uint32_t(-1 - std::uniform_int_distribution<int>(0, 2)(rng_));
    if (count == 0)
        return 0;
    return std::uniform_int_distribution<std::uint32_t>(0, std::uint32_t(count - 1))(rng_);
}

const char* Harness::pick_alias()
{
    int k = std::uniform_int_distribution<int>(-1, int(std::size(ALIASES)) - 1)(rng_);
    return k < 0 ? nullptr : ALIASES[k];
}

int Harness::id_of(const WordEntry* w) const
{
    auto it = ids_.find(w);
    return it == ids_.end() ? -1 : it->second;
}

int Harness::number_of_id(int id) const
{
    for (std::size_t i = 0; i < m_.words.size(); ++i)
        if (m_.words[i].id == id)
            return int(i);
    return -1;
}

void Harness::build(DbFormat format)
{
    std::uniform_int_distribution<int> byte(0, 255);
    const int max_words = format == DB_FORMAT_OLD ? 24 : 40;
    const int words = std::uniform_int_distribution<int>(1, max_words)(rng_);
    const int phrases = std::uniform_int_distribution<int>(0, 12)(rng_);
    std::vector<std::vector<std::uint8_t>> audio(static_cast<std::size_t>(words));
    for (auto& a : audio) {
        a.resize(std::size_t(std::uniform_int_distribution<int>(0, 12)(rng_)));
        for (auto& b : a)
            b = std::uint8_t(byte(rng_));
    }
    if (!audio[0].empty())
        audio[0][0] = 0; // word 0 must not look like CELP audio
    std::vector<std::vector<int>> lists(static_cast<std::size_t>(phrases));
    for (auto& l : lists) {
        // Mostly short phrases, so that unused words exist to be removed.
        int len = std::uniform_int_distribution<int>(0, 9)(rng_) == 0
                      ? std::uniform_int_distribution<int>(0, PHRASE_MAX_WORDS)(rng_)
                      : std::uniform_int_distribution<int>(0, 4)(rng_);
        for (int i = 0; i < len; ++i)
            l.push_back(std::uniform_int_distribution<int>(0, words - 1)(rng_));
    }
    db_ = make_db(format, audio, lists);
    m_.limit = format == DB_FORMAT_OLD ? 255u : 2147483647u;
    for (int i = 0; i < words; ++i) {
        WordEntry* w = db_word(db_.get(), std::uint32_t(i));
        ids_[w] = next_id_;
        ModelWord mw;
        mw.id = next_id_++;
        mw.audio = mw.saved = audio[std::size_t(i)];
        // As a project may bring them: aliases stored as they come, so
        // duplicates are possible.
        if (std::uniform_int_distribution<int>(0, 2)(rng_) == 0) {
            const char* a = ALIASES[std::uniform_int_distribution<int>(0, 3)(rng_)];
            w->alias = a;
            mw.alias = a;
        }
        m_.words.push_back(mw);
    }
    for (std::size_t p = 0; p < lists.size(); ++p) {
        ModelPhrase mp;
        for (int n : lists[p])
            mp.current.push_back(m_.words[std::size_t(n)].id);
        mp.saved = mp.current;
        m_.phrases.push_back(mp);
    }
}

bool Harness::model_set_word(std::uint32_t ph, std::uint32_t pos, std::int64_t word)
{
    if (word < 0 || word >= std::int64_t(m_.words.size()) || ph >= m_.phrases.size())
        return false;
    auto& cur = m_.phrases[ph].current;
    if (pos >= cur.size())
        return false;
    cur[pos] = m_.words[std::size_t(word)].id;
    m_.modified = 1;
    return true;
}

bool Harness::model_word_insert(std::uint32_t w)
{
    if (m_.words.size() >= m_.limit || w >= m_.words.size())
        return false;
    ModelWord fresh;
    fresh.audio = fresh.saved = m_.words[0].audio;
    m_.words.insert(m_.words.begin() + std::ptrdiff_t(w) + 1, fresh);
    m_.modified = 1;
    return true;
}

bool Harness::model_word_remove(std::uint32_t w)
{
    if (w >= m_.words.size() || m_.words.size() == 1)
        return false;
    const int id = m_.words[w].id;
    for (const auto& p : m_.phrases)
        if (std::count(p.current.begin(), p.current.end(), id))
            return false;
    m_.words.erase(m_.words.begin() + std::ptrdiff_t(w));
    for (auto& p : m_.phrases)
        if (std::count(p.saved.begin(), p.saved.end(), id))
            p.saved = p.current;
    m_.modified = 1;
    return true;
}

void Harness::step(int n)
{
    SpeechDb* db = db_.get();
    const std::size_t np = m_.phrases.size(), nw = m_.words.size();
    const int op = std::uniform_int_distribution<int>(0, 19)(rng_);
    bool got = false, want = false;
    last_ = "step " + std::to_string(n) + " op " + std::to_string(op);
    switch (op) {
    case 0:
    case 1: {
        std::uint32_t ph = pick_index(np);
        std::uint32_t pos = pick_index(ph < np ? m_.phrases[ph].current.size() : 3);
        std::int32_t word = std::uniform_int_distribution<std::int32_t>(-2, std::int32_t(nw) + 1)(rng_);
        want = model_set_word(ph, pos, word);
        got = phrase_set_word(db, ph, pos, word);
        break;
    }
    case 2: {
        std::uint32_t ph = pick_index(np);
        std::uint32_t pos = pick_index(ph < np ? m_.phrases[ph].current.size() : 3);
        const char* alias = pick_alias();
        int found = -1;
        for (std::size_t i = 0; alias && *alias && i < nw && found < 0; ++i)
            if (m_.words[i].alias && *m_.words[i].alias == alias)
                found = int(i);
        want = found >= 0 && model_set_word(ph, pos, found);
        got = phrase_set_word_by_alias(db, ph, pos, alias);
        break;
    }
    case 3:
    case 4: {
        const bool up = op == 3;
        std::uint32_t ph = pick_index(np);
        std::uint32_t pos = pick_index(ph < np ? m_.phrases[ph].current.size() : 3);
        if (ph < np) {
            auto& cur = m_.phrases[ph].current;
            std::uint64_t first = up ? std::uint64_t(pos) - 1 : pos, second = first + 1;
            want = (up ? pos > 0 : true) && second < cur.size();
            if (want) {
                std::swap(cur[first], cur[second]);
                m_.modified = 1;
            }
        }
        got = up ? phrase_move_word_up(db, ph, pos) : phrase_move_word_down(db, ph, pos);
        break;
    }
    case 5: {
        std::uint32_t ph = pick_index(np);
        std::uint32_t pos = pick_index(ph < np ? m_.phrases[ph].current.size() : 3);
        if (ph < np) {
            auto& cur = m_.phrases[ph].current;
            want = cur.size() < std::size_t(PHRASE_MAX_WORDS) && pos < cur.size();
            if (want) {
                cur.insert(cur.begin() + std::ptrdiff_t(pos) + 1, m_.words[0].id);
                m_.modified = 1;
            }
        }
        got = phrase_insert_word(db, ph, pos);
        break;
    }
    case 6:
    case 7: {
        std::uint32_t ph = pick_index(np);
        std::uint32_t pos = pick_index(ph < np ? m_.phrases[ph].current.size() : 3);
        if (ph < np) {
            auto& cur = m_.phrases[ph].current;
            want = pos < cur.size() && cur.size() > 1;
            if (want) {
                cur.erase(cur.begin() + std::ptrdiff_t(pos));
                m_.modified = 1;
            }
        }
        got = phrase_remove_word(db, ph, pos);
        break;
    }
    case 8: {
        std::uint32_t ph = pick_index(np);
        int k = std::uniform_int_distribution<int>(-1, int(std::size(COMMENTS)) - 1)(rng_);
        const char* text = k < 0 ? nullptr : COMMENTS[k];
        if (ph < np) {
            m_.phrases[ph].comment = text ? std::optional<std::string>(text) : std::nullopt;
            m_.modified = 1;
        }
        phrase_set_comment(db, ph, text);
        got = want = true;
        break;
    }
    case 10: {
        std::uint32_t w = pick_index(nw);
        const char* text = pick_alias();
        if (w < nw) {
            want = true;
            for (std::size_t i = 0; text && i < nw; ++i)
                if (i != w && m_.words[i].alias && *m_.words[i].alias == text)
                    want = false;
            if (want) {
                m_.words[w].alias = text ? std::optional<std::string>(text) : std::nullopt;
                m_.modified = 1;
            }
        }
        got = word_set_alias(db, w, text);
        break;
    }
    case 11:
    case 12: {
        const bool up = op == 11;
        std::uint32_t w = pick_index(nw);
        std::uint64_t first = up ? std::uint64_t(w) - 1 : w;
        want = (up ? w > 0 : true) && first + 1 < nw;
        if (want) {
            std::swap(m_.words[first], m_.words[first + 1]);
            m_.modified = 1;
        }
        got = up ? word_move_up(db, w) : word_move_down(db, w);
        break;
    }
    case 13: {
        std::uint32_t w = pick_index(nw);
        want = model_word_insert(w);
        got = word_insert(db, w);
        if (got && want) {
            m_.words[w + 1].id = next_id_;
            ids_[db_word(db, w + 1)] = next_id_++;
        }
        break;
    }
    case 14:
    case 15: {
        std::uint32_t w = pick_index(nw);
        const WordEntry* entry = db_word(db, w);
        want = model_word_remove(w);
        got = word_remove(db, w);
        if (got)
            ids_.erase(entry);
        break;
    }
    case 16: {
        std::uint32_t w = pick_index(nw);
        if (w < nw) {
            if (m_.words[w].audio != m_.words[w].saved)
                m_.modified = 1;
            m_.words[w].audio = m_.words[w].saved;
            m_.words[w].changed = 0;
        }
        word_revert_audio(db, w);
        got = want = true;
        break;
    }
    case 17: {
        std::uint32_t w = pick_index(nw);
        const WavCase& wav = wavs_[std::uniform_int_distribution<std::size_t>(0, wavs_.size() - 1)(rng_)];
        want = w < nw && wav.accepted;
        if (want) {
            if (m_.words[w].audio != wav.audio)
                m_.modified = 1;
            m_.words[w].audio = wav.audio;
            m_.words[w].changed = wav.audio != m_.words[w].saved;
        }
        ErrorText err;
        got = word_import_wav(db, w, wav.path.c_str(), &err);
        if (!got) {
            EXPECT_NE(err[0], '\0') << last_ << ": a failed import says why";
        }
        break;
    }
    case 18: {
        // No rebuild first: the lists must follow every edit by themselves.
        for (std::size_t w = 0; w < nw; ++w) {
            std::vector<std::uint32_t> expected;
            for (std::size_t p = 0; p < np; ++p)
                for (int id : m_.phrases[p].current)
                    if (id == m_.words[w].id)
                        expected.push_back(std::uint32_t(p));
            const std::span<const std::uint32_t> list = word_usage(db, std::uint32_t(w));
            ASSERT_EQ(list.empty(), expected.empty()) << last_ << " word " << w;
            const std::vector<std::uint32_t> actual(list.begin(), list.end());
            ASSERT_EQ(actual, expected) << last_ << " usage of word " << w;
        }
        got = want = true;
        break;
    }
    case 9:
    default: {
        const bool revert = op == 9;
        std::uint32_t ph = pick_index(np);
        if (ph < np) {
            ModelPhrase& mp = m_.phrases[ph];
            // Either list taking the other's words is an unsaved change,
            // unless they were equal already.
            if (mp.current != mp.saved)
                m_.modified = 1;
            (revert ? mp.current : mp.saved) = revert ? mp.saved : mp.current;
        }
        revert ? phrase_revert(db, ph) : phrase_commit(db, ph);
        got = want = true;
        break;
    }
    }
    ASSERT_EQ(got, want) << last_ << ": result differs from the model";

}

void Harness::check(const char* what)
{
    const SpeechDb* db = db_.get();
    SCOPED_TRACE(last_ + " " + what);
    ASSERT_EQ(word_count(db), m_.words.size());
    ASSERT_GE(word_count(db), 1u);
    ASSERT_LE(word_count(db), word_limit(db));
    ASSERT_EQ(phrase_count(db), m_.phrases.size());
    ASSERT_EQ(db_is_modified(db), m_.modified);
    ASSERT_EQ(ids_.size(), m_.words.size()) << "every live entry is known, and only those";
    for (std::uint32_t i = 0; i < word_count(db); ++i) {
        const WordEntry* w = db_word(db, i);
        const ModelWord& mw = m_.words[i];
        ASSERT_EQ(w->number, int(i)) << "numbers equal positions";
        ASSERT_EQ(id_of(w), mw.id) << "word " << i;
        ASSERT_EQ(w->audio, mw.audio) << "word " << i;
        ASSERT_EQ(w->saved_audio, mw.saved) << "word " << i;
        ASSERT_EQ(w->alias, mw.alias) << "word " << i;
        ASSERT_EQ(word_is_changed(db, i), mw.changed != 0) << "word " << i;
    }
    for (std::uint32_t p = 0; p < phrase_count(db); ++p) {
        const PhraseEntry* ph = db_phrase(db, p);
        const ModelPhrase& mp = m_.phrases[p];
        ASSERT_LE(ph->words.size(), std::size_t(PHRASE_MAX_WORDS));
        std::vector<int> cur, saved;
        // id_of yields -1 for anything not in the word list, which is
        // how a dangling reference would show.
        for (const WordEntry* w : ph->words)
            cur.push_back(id_of(w));
        for (const WordEntry* w : phrase_saved_words(*ph))
            saved.push_back(id_of(w));
        ASSERT_EQ(cur, mp.current) << "phrase " << p;
        ASSERT_EQ(saved, mp.saved) << "phrase " << p;
        ASSERT_EQ(ph->comment, mp.comment) << "phrase " << p;
        ASSERT_EQ(phrase_is_changed(db, p), mp.current != mp.saved) << "phrase " << p;
        for (std::uint32_t k = 0; k < phrase_word_count(db, p); ++k)
            ASSERT_EQ(phrase_word_number(db, p, k), number_of_id(mp.current[k]));
    }
}

// The CSF image is rebuilt and parsed in memory; a project goes through
// a real file, which costs a disk flush, so the caller asks for it less
// often.
void Harness::check_reload(bool project)
{
    ErrorText err;
    std::vector<std::uint8_t> image;
    ASSERT_TRUE(csf_build_image(db_.get(), &image, &err)) << last_ << ": " << err;
    SpeechDbPtr from_csf = csf_parse(image.data(), image.size(), &err);
    ASSERT_NE(from_csf, nullptr) << last_ << ": " << err;
    ASSERT_EQ(db_compare_saved(db_.get(), from_csf.get(), false), "") << last_ << " csf";
    if (!project)
        return;

    ASSERT_EQ(project_save(db_.get(), project_path_.c_str(), &err), 1) << last_ << ": " << err;
    m_.modified = 0;
    std::vector<std::uint8_t> bytes = read_bytes(project_path_);
    SpeechDbPtr from_project = project_parse(bytes.data(), bytes.size(), &err);
    ASSERT_NE(from_project, nullptr) << last_ << ": " << err;
    ASSERT_EQ(db_compare_saved(db_.get(), from_project.get(), true), "") << last_ << " project";
}

// WAV files of 0 to 9 samples and a stereo one, with the audio each
// import must produce.
std::vector<WavCase> make_wavs(const TempDir& dir, std::mt19937& rng)
{
    std::vector<WavCase> out;
    for (int bytes : {2, 3, 4, 6, 7, 16, 18}) {
        std::vector<std::uint8_t> pcm(static_cast<std::size_t>(bytes));
        for (auto& b : pcm)
            b = std::uint8_t(rng());
        WavCase c;
        c.path = dir.file("w" + std::to_string(bytes) + ".wav");
        EXPECT_TRUE(wav_write(c.path.c_str(), true, 1, 16000, 1, 16, pcm.data(), pcm.size(), nullptr));
        c.accepted = bytes >= 4;
        pcm.resize((pcm.size() + 3) / 4 * 4, 0);
        c.audio = adpcm_encode(pcm.data(), pcm.size());
        out.push_back(c);
    }
    WavCase stereo;
    stereo.path = dir.file("stereo.wav");
    std::vector<std::uint8_t> pcm(16, 1);
    EXPECT_TRUE(wav_write(stereo.path.c_str(), true, 1, 16000, 2, 16, pcm.data(), pcm.size(), nullptr));
    out.push_back(stereo);
    return out;
}

void run_model(DbFormat format, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    TempDir dir;
    const std::vector<WavCase> wavs = make_wavs(dir, rng);
    constexpr int DATABASES = 25;
    constexpr int STEPS = 160;
    for (int d = 0; d < DATABASES; ++d) {
        SCOPED_TRACE("database " + std::to_string(d));
        Harness h(rng, format, wavs, dir.file("model.tbp"));
        h.check("as built");
        for (int s = 0; s < STEPS; ++s) {
            h.step(s);
            h.check("after the step");
            if (s % 2 == 1)
                h.check_reload(s % 32 == 31);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

} // namespace

TEST(OperationsModel, RandomEditsOnOldDatabases)
{
    run_model(DB_FORMAT_OLD, 20261207);
}

TEST(OperationsModel, RandomEditsOnModernDatabases)
{
    run_model(DB_FORMAT_MODERN, 4242);
}
