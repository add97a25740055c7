// Writes the seed corpora of the fuzz targets into a folder, one subfolder
// per target: valid files of both CSF variants, projects with comments and
// aliases, WAV files, and edit scripts, each generated from a fixed random
// seed so every run writes the same files. Usage: fuzz_make_seeds FOLDER
#include "audio/wav.h"
#include "db/csf.h"
#include "db/operations.h"
#include "db/project.h"
#include "fuzz/fuzz_target.h"
#include "io/bytes.h"
#include "tests/unit/test_db.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A seed that cannot be made stops the program: an empty or missing seed
// would quietly test less.
[[noreturn]] void fail(const std::string& what, const char* why)
{
    std::fprintf(stderr, "fuzz_make_seeds: %s: %s\n", what.c_str(), why);
    std::exit(1);
}

void save(const fs::path& dir, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::string path = (dir / name).string();
    if (ec || !write_bytes(path, bytes))
        fail(path, "could not write the seed");
}

// The bytes `build` makes of `db`: a CSF image or a project file.
std::vector<std::uint8_t> built(const SpeechDb* db, DbBuilder build)
{
    std::vector<std::uint8_t> out;
    ErrorText err;
    if (!build(db, &out, &err))
        fail("building a seed", err);
    return out;
}

// A WAV file as the editor's own writer makes it.
std::vector<std::uint8_t> written_wav(const std::string& path, int rate, int channels,
                                      const std::vector<std::uint8_t>& pcm)
{
    ErrorText err;
    if (!wav_write(path.c_str(), true, 1, rate, channels, 16, pcm.data(), pcm.size(), &err))
        fail(path, err);
    return read_bytes(path);
}

void csf_seeds(const fs::path& dir, std::mt19937& rng)
{
    struct Shape {
        int words, phrases, max_audio;
    };
    constexpr Shape SHAPES[] = {{1, 0, 0}, {1, 1, 4}, {3, 4, 16}, {12, 8, 40}, {40, 20, 8}, {255, 3, 2}};
    for (const DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        const std::string tag = format == DB_FORMAT_OLD ? "old" : "modern";
        for (const Shape& s : SHAPES) {
            SpeechDbPtr db = make_random_db(rng, format, s.words, s.phrases, s.max_audio);
            save(dir, tag + "-" + std::to_string(s.words) + "w" + std::to_string(s.phrases) + "p.csf",
                 built(db.get(), csf_build_image));
        }
        // The edges of a phrase: empty, and exactly 32 references.
        SpeechDbPtr edges = make_db(format, {{1, 2, 3, 4}, {5}}, {{}, std::vector<int>(PHRASE_MAX_WORDS, 1), {0}});
        save(dir, tag + "-phrase-edges.csf", built(edges.get(), csf_build_image));
        SpeechDbPtr celp = make_db(format, {{'.', 'm', 'p', '4', 0}}, {{0}});
        save(dir, tag + "-celp.csf", built(celp.get(), csf_build_image));
    }
}

void project_seeds(const fs::path& dir, std::mt19937& rng)
{
    for (const DbFormat format : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        const std::string tag = format == DB_FORMAT_OLD ? "old" : "modern";
        SpeechDbPtr db = make_random_db(rng, format, 6, 5, 12);
        save(dir, tag + "-plain.tbp", built(db.get(), project_build));
        save(dir, tag + "-plain.csf", built(db.get(), csf_build_image));
        phrase_set_comment(db.get(), 0, "first");
        phrase_set_comment(db.get(), 3, "");
        word_set_alias(db.get(), 1, "Main_Street");
        word_set_alias(db.get(), 5, "x");
        save(dir, tag + "-texts.tbp", built(db.get(), project_build));
    }
    // Records a project may hold though the editor never writes them: one
    // for a phrase that does not exist, two for the same word.
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{1, 2}, {3}}, {{0, 1}});
    std::vector<std::uint8_t> image = built(db.get(), csf_build_image);
    std::vector<std::uint8_t> head(8);
    const auto u32 = [&head](std::uint32_t v) {
        head.resize(head.size() + 4);
        write_u32be(head.data() + head.size() - 4, v);
    };
    const auto text = [&head](const char* t) { head.insert(head.end(), t, t + std::strlen(t) + 1); };
    u32(7), text("no such phrase"), u32(0), text("kept"), u32(PROJECT_END_MARK);
    u32(1), text("one"), u32(1), text("two"), u32(PROJECT_END_MARK);
    std::memcpy(head.data(), "TBP1", 4);
    write_u32be(head.data() + 4, std::uint32_t(head.size()));
    head.insert(head.end(), image.begin(), image.end());
    save(dir, "odd-records.tbp", head);
}

void wav_seeds(const fs::path& dir, std::mt19937& rng)
{
    const TempDir tmp;
    const std::string path = tmp.file("seed.wav");
    for (const std::size_t length : {0, 2, 4, 6, 64}) {
        std::vector<std::uint8_t> pcm(length);
        for (auto& b : pcm)
            b = std::uint8_t(rng());
        save(dir, "pcm-" + std::to_string(length) + ".wav", written_wav(path, 16000, 1, pcm));
    }
    save(dir, "stereo-44100.wav", written_wav(path, 44100, 2, {}));

    // An 18-byte fmt chunk, and a LIST chunk the reader steps over.
    const std::vector<std::uint8_t> wav = written_wav(path, 16000, 1, {'a', 'b', 'c', 'd'});
    std::vector<std::uint8_t> long_fmt = wav;
    long_fmt.insert(long_fmt.begin() + 36, {0, 0});
    write_u32le(long_fmt.data() + 16, 18);
    save(dir, "fmt-18.wav", long_fmt);
    std::vector<std::uint8_t> list = wav;
    list.insert(list.begin() + 36, {'L', 'I', 'S', 'T', 0, 0, 0, 0});
    save(dir, "list-chunk.wav", list);
}

void edit_seeds(const fs::path& dir, std::mt19937& rng)
{
    for (int i = 0; i < 24; ++i) {
        std::vector<std::uint8_t> script(std::size_t(8 + i * 8));
        for (auto& b : script)
            b = std::uint8_t(rng());
        save(dir, "script-" + std::to_string(i), script);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    std::mt19937 rng(20261207);
    csf_seeds(out / "csf_parse", rng);
    project_seeds(out / "project_load", rng);
    wav_seeds(out / "wav_read", rng);
    edit_seeds(out / "edits", rng);
    return 0;
}
