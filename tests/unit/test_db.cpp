// Shared helpers for the unit tests.
#include "test_db.h"

#include "db/csf.h"
#include "io/bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <cstdlib>
#include <dirent.h>
#include <grp.h>
#include <set>
#include <sys/wait.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

SpeechDbPtr make_db(DbFormat format, const std::vector<std::vector<std::uint8_t>>& audio,
                    const std::vector<std::vector<int>>& phrases, const char* language, int flags)
{
    SpeechDbPtr db = db_new();
    db->format = format;
    db->codec = CODEC_ADPCM;
    // Set as the loader sets it: not an edit, so not in the history.
    for (int i = 0; i < 3 && language && language[i]; ++i)
        db->language_code[i] = language[i];
    db->flags = flags;
    db->sample_rate = 16000;
    db->channels = 1;
    db->bits_per_sample = 16;
    for (std::size_t i = 0; i < audio.size(); ++i) {
        auto w = std::make_unique<WordEntry>();
        w->number = std::uint32_t(i);
        w->audio = audio[i];
        w->saved_audio = audio[i];
        db_append_word(db.get(), std::move(w));
    }
    for (const auto& list : phrases) {
        auto p = std::make_unique<PhraseEntry>();
        for (int n : list)
            p->words.push_back(db_word(db.get(), std::uint32_t(n)));
        db_append_phrase(db.get(), std::move(p));
    }
    db->modified = 0;
    return db;
}

SpeechDbPtr make_random_db(std::mt19937& rng, DbFormat format, int words, int phrases, int max_audio)
{
    std::vector<std::vector<std::uint8_t>> audio(static_cast<std::size_t>(words));
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(0, max_audio);
    for (auto& a : audio) {
        a.resize(std::size_t(size(rng)));
        for (auto& b : a)
            b = std::uint8_t(byte(rng));
    }
    // Word 0 must not look like CELP audio.
    if (audio[0].size() >= 4 && audio[0][0] == '.')
        audio[0][0] = 0;
    std::vector<std::vector<int>> lists(static_cast<std::size_t>(phrases));
    std::uniform_int_distribution<int> len(0, PHRASE_MAX_WORDS);
    std::uniform_int_distribution<int> word(0, words - 1);
    for (auto& l : lists) {
        l.resize(std::size_t(len(rng)));
        for (auto& w : l)
            w = word(rng);
    }
    return make_db(format, audio, lists);
}

SpeechDbPtr make_generated_db(DbFormat format, std::uint32_t words,
                              const std::function<std::size_t(std::uint32_t)>& audio_size, std::uint32_t phrases,
                              std::uint32_t refs, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<std::vector<std::uint8_t>> audio(words);
    for (std::uint32_t i = 0; i < words; ++i) {
        audio[i].resize(audio_size(i));
        for (auto& b : audio[i])
            b = std::uint8_t(rng());
    }
    // Word 0 must not look like CELP audio.
    if (!audio.empty() && !audio[0].empty())
        audio[0][0] = 0;
    std::uniform_int_distribution<int> pick(0, int(words) - 1);
    std::vector<std::vector<int>> lists(phrases, std::vector<int>(refs));
    for (auto& list : lists)
        for (auto& w : list)
            w = pick(rng);
    return make_db(format, audio, lists);
}

TempDir::TempDir()
{
    char tmpl[] = "/tmp/tembrel-test-XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp failed");
    path = tmpl;
}

TempDir::~TempDir()
{
    std::string cmd = "chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'";
    if (std::system(cmd.c_str()) != 0) {
    }
}

ChildOutput run_capturing(const std::function<void(int fd)>& child)
{
    ChildOutput result;
    int fds[2];
    if (pipe(fds) != 0) {
        result.failure = "pipe failed";
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        result.failure = "fork failed";
        return result;
    }
    if (pid == 0) {
        close(fds[0]);
        child(fds[1]);
        // _exit: no test framework teardown or leak report in the child.
        _exit(0);
    }
    close(fds[1]);
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR);)
        if (n > 0)
            result.out.append(buf, std::size_t(n));
    close(fds[0]);
    while (waitpid(pid, &result.status, 0) < 0 && errno == EINTR) {
    }
    return result;
}

ChildOutput run_capturing(const std::vector<std::string>& argv)
{
    // Built before the fork: the child of a threaded process should do
    // little more than exec.
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return run_capturing([&args](int fd) {
        dup2(fd, STDOUT_FILENO);
        close(fd);
        execv(args[0], args.data());
        _exit(127);
    });
}

std::string run_in_child(const std::function<std::string()>& body, bool as_nobody)
{
    const ChildOutput r = run_capturing([&](int fd) {
        std::string result;
        if (as_nobody && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            result = "could not drop privileges";
        else
            result = body();
        if (write(fd, result.data(), result.size()) < 0) {
        }
    });
    if (!r.failure.empty())
        return r.failure;
    if (!WIFEXITED(r.status))
        return "child died with signal " + std::to_string(WTERMSIG(r.status)) + (r.out.empty() ? "" : ": " + r.out);
    return r.out;
}

std::vector<std::string> dir_entries(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string db_check_invariants(const SpeechDb* db)
{
    std::set<const WordEntry*> words;
    for (std::uint32_t i = 0; i < list_count(db->words); ++i) {
        const WordEntry* w = db_word(db, i);
        if (w->number != i)
            return "word " + std::to_string(i) + " has number " + std::to_string(w->number);
        words.insert(w);
    }
    if (words.empty())
        return "no words";
    for (std::uint32_t i = 0; i < list_count(db->phrases); ++i) {
        const PhraseEntry* p = db_phrase(db, i);
        if (p->words.size() > std::size_t(PHRASE_MAX_WORDS))
            return "phrase " + std::to_string(i) + " has " + std::to_string(p->words.size()) + " words";
        for (const auto* list : {&p->words, &phrase_saved_words(*p)})
            for (const WordEntry* w : *list)
                if (!words.count(w))
                    return "phrase " + std::to_string(i) + " refers to a foreign word";
    }
    return "";
}

namespace {

std::string compare_text(const char* what, std::uint32_t i, const std::optional<std::string>& want,
                         const std::optional<std::string>& got)
{
    if (want == got)
        return "";
    return std::string(what) + " " + std::to_string(i) + ": '" + want.value_or("(none)") + "' became '"
        + got.value_or("(none)") + "'";
}

} // namespace

std::string db_compare_saved(const SpeechDb* want, const SpeechDb* got, bool texts)
{
    if (got->format != want->format)
        return "format differs";
    if (std::memcmp(got->language_code, want->language_code, 4) != 0)
        return "language code differs";
    if (got->flags != (want->flags & 0xFF))
        return "flags differ";
    if (got->modified != 0)
        return "loaded database is marked modified";
    const std::uint32_t words = list_count(want->words);
    if (list_count(got->words) != words)
        return "word count differs";
    for (std::uint32_t i = 0; i < words; ++i) {
        const WordEntry* w = db_word(want, i);
        const WordEntry* g = db_word(got, i);
        if (g->audio != w->audio)
            return "audio of word " + std::to_string(i) + " differs";
        if (g->saved_audio != g->audio || g->changed || !g->usage.empty())
            return "word " + std::to_string(i) + " does not look loaded";
        std::string diff = compare_text("alias of word", i, texts ? w->alias : std::nullopt, g->alias);
        if (!diff.empty())
            return diff;
    }
    const std::uint32_t phrases = list_count(want->phrases);
    if (list_count(got->phrases) != phrases)
        return "phrase count differs";
    for (std::uint32_t i = 0; i < phrases; ++i) {
        const PhraseEntry* p = db_phrase(want, i);
        const PhraseEntry* g = db_phrase(got, i);
        const std::string name = "phrase " + std::to_string(i);
        if (g->words.size() != p->words.size())
            return name + " has another length";
        for (std::size_t k = 0; k < p->words.size(); ++k)
            if (g->words[k]->number != p->words[k]->number)
                return name + " speaks another word at position " + std::to_string(k);
        // Loaded: no list of its own for what was loaded.
        if (g->saved_words)
            return name + " does not look loaded";
        std::string diff = compare_text("comment of phrase", i, texts ? p->comment : std::nullopt, g->comment);
        if (!diff.empty())
            return diff;
    }
    return "";
}

std::vector<std::uint8_t> csf_image(const SpeechDb* db)
{
    std::vector<std::uint8_t> image;
    if (!csf_build_image(db, &image, nullptr))
        image.clear();
    return image;
}

std::string parse_outcome(const std::vector<std::uint8_t>& bytes, DbParser parse)
{
    const std::vector<std::uint8_t> copy(bytes);
    ErrorText err;
    SpeechDbPtr db = parse(copy.data(), copy.size(), &err);
    return db ? std::string("<loaded>") : std::string(err);
}

std::vector<std::uint8_t> wav_file_bytes(const std::vector<std::uint8_t>& samples, int channels, int rate, int bits)
{
    constexpr std::size_t HEADER = 44;
    const auto block = std::uint32_t(channels * bits / 8);
    std::vector<std::uint8_t> file(HEADER + samples.size());
    std::memcpy(file.data(), "RIFF", 4);
    write_u32le(file.data() + 4, std::uint32_t(HEADER - 8 + samples.size()));
    std::memcpy(file.data() + 8, "WAVEfmt ", 8);
    write_u32le(file.data() + 16, 16);
    write_u16le(file.data() + 20, 1);
    write_u16le(file.data() + 22, std::uint16_t(channels));
    write_u32le(file.data() + 24, std::uint32_t(rate));
    write_u32le(file.data() + 28, std::uint32_t(rate) * block);
    write_u16le(file.data() + 32, std::uint16_t(block));
    write_u16le(file.data() + 34, std::uint16_t(bits));
    std::memcpy(file.data() + 36, "data", 4);
    write_u32le(file.data() + 40, std::uint32_t(samples.size()));
    std::copy(samples.begin(), samples.end(), file.begin() + HEADER);
    return file;
}

std::vector<std::uint8_t> pcm16_bytes(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        write_u16le(bytes.data() + 2 * i, std::uint16_t(samples[i]));
    return bytes;
}

std::vector<std::uint8_t> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_bytes(const std::string& path, const std::vector<std::uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    out.close();
    return bool(out);
}
