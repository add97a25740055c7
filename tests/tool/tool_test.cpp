// tembrel-tool driven as a script drives it: real processes, real files,
// exit codes and output checked.
#include "audio/adpcm.h"
#include "audio/adpcm_best.h"
#include "audio/wav.h"
#include "db/csf.h"
#include "db/load.h"
#include "db/operations.h"
#include "db/project.h"
#include "test_db.h"
#include "tool_run.h"
#include "tests/alsa_capture.h"

#include <cmath>
#include <glib.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace {

// Two small databases, one of each variant, with shared and unused words.
SpeechDbPtr sample_db(DbFormat format)
{
    return make_db(format, {{0x08, 0x77, 0x80, 0xFF}, {1, 2, 3}, {9, 9, 9, 9, 9, 9}, {}},
                   {{0, 1}, {2, 2, 0}, {}, {1}}, "DE", 0xA5);
}

} // namespace

TEST(ToolUsage, ExitCodesAndHelp)
{
    EXPECT_EQ(tool({}).status, 2);
    ToolRun unknown = tool({"frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command"), std::string::npos);
    ToolRun help = tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("export"), std::string::npos);
    for (const char* cmd : {"info", "dump", "export", "export-phrase", "import", "save", "encode", "decode", "play"}) {
        ToolRun h = tool({cmd, "--help"});
        EXPECT_EQ(h.status, 0) << cmd;
        EXPECT_NE(h.out.find(cmd), std::string::npos) << cmd;
    }
    EXPECT_EQ(tool({"info"}).status, 2);
    EXPECT_EQ(tool({"info", "a", "b"}).status, 2);
    EXPECT_EQ(tool({"export", "--bogus", "a", "b"}).status, 2);
}

TEST(ToolErrors, MissingAndDamagedFilesFailWithTheLibraryMessage)
{
    TempDir dir;
    ToolRun missing = tool({"info", dir.file("nope.csf")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Failed to open"), std::string::npos);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << "one line";
    write_bytes(dir.file("bad.csf"), {'n', 'o', 'p', 'e', 0, 0, 0, 0});
    ToolRun bad = tool({"dump", dir.file("bad.csf")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Unrecognized file format"), std::string::npos);
    EXPECT_TRUE(bad.out.empty());
}

TEST(ToolInfo, BothVariants)
{
    TempDir dir;
    for (DbFormat f : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = sample_db(f);
        ToolRun r = tool({"info", save_csf(dir, db.get(), "x.csf")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(db_format_name(db.get())), std::string::npos);
        EXPECT_NE(r.out.find("language: DE"), std::string::npos);
        EXPECT_NE(r.out.find("flags: 0xA5"), std::string::npos);
        EXPECT_NE(r.out.find("phrases: 4"), std::string::npos);
        EXPECT_NE(r.out.find("words: 4"), std::string::npos);
        EXPECT_NE(r.out.find("audio bytes: 13"), std::string::npos);
        EXPECT_NE(r.out.find("duration: 0.002 s"), std::string::npos) << r.out; // 26 samples
    }
}

TEST(ToolDump, JsonMatchesTheDatabase)
{
    TempDir dir;
    for (DbFormat f : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = sample_db(f);
        phrase_set_comment(db.get(), 1, "second");
        word_set_alias(db.get(), 2, "bell");
        word_set_alias(db.get(), 3, "bad\xff");
        std::string path = dir.file("p.tbp");
        ASSERT_EQ(project_save(db.get(), path.c_str(), nullptr), 1);
        ToolRun r = tool({"dump", path});
        ASSERT_EQ(r.status, 0) << r.err;
        auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["format"], f == DB_FORMAT_OLD ? "old" : "modern");
        EXPECT_EQ(j["language"], "DE");
        EXPECT_EQ(j["flags"], 165);
        ASSERT_EQ(j["phrases"].size(), 4u);
        EXPECT_EQ(j["phrases"][1]["number"], 2);
        EXPECT_EQ(j["phrases"][1]["words"], nlohmann::json({3, 3, 1}));
        EXPECT_EQ(j["phrases"][1]["comment"], "second");
        EXPECT_TRUE(j["phrases"][0]["comment"].is_null());
        EXPECT_EQ(j["phrases"][2]["words"], nlohmann::json::array());
        ASSERT_EQ(j["words"].size(), 4u);
        EXPECT_EQ(j["words"][0]["used_by"], nlohmann::json({1, 2}));
        EXPECT_EQ(j["words"][1]["used_by"], nlohmann::json({1, 4}));
        EXPECT_EQ(j["words"][2]["used_by"], nlohmann::json({2, 2})) << "once per use";
        EXPECT_EQ(j["words"][3]["used_by"], nlohmann::json::array());
        EXPECT_EQ(j["words"][2]["alias"], "bell");
        EXPECT_EQ(j["words"][3]["alias"], "bad\xEF\xBF\xBD") << "invalid UTF-8 becomes U+FFFD";
        EXPECT_TRUE(j["words"][0]["alias"].is_null());
        EXPECT_EQ(j["words"][2]["bytes"], 6);
    }
}

TEST(ToolExport, WritesEveryWordAndRefusesExistingFilesWithoutForce)
{
    TempDir dir;
    SpeechDbPtr db = sample_db(DB_FORMAT_MODERN);
    std::string csf = save_csf(dir, db.get(), "x.csf");
    std::string out = dir.file("wav");
    mkdir(out.c_str(), 0755);
    ToolRun r = tool({"export", csf, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(out + "/001.wav").size(), 44u + 16u);
    EXPECT_EQ(read_bytes(out + "/003.wav").size(), 44u + 24u);
    EXPECT_NE(r.err.find("word 4 has no audio"), std::string::npos);
    auto pcm = adpcm_decode(db_word(db.get(), 0)->audio.data(), 4);
    auto wav = read_bytes(out + "/001.wav");
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), wav.begin() + 44));

    ToolRun again = tool({"export", csf, out});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("Output file already exist"), std::string::npos);
    EXPECT_EQ(tool({"export", "--force", csf, out}).status, 0);
}

TEST(ToolImport, ReplacesWordsAndWritesEitherFormat)
{
    TempDir dir;
    SpeechDbPtr db = sample_db(DB_FORMAT_OLD);
    std::string csf = save_csf(dir, db.get(), "x.csf");
    std::string in = dir.file("in");
    mkdir(in.c_str(), 0755);
    write_bytes(in + "/002.wav", wav_file_bytes(pcm16_bytes({0, 1000, 2000, 3000, -1000, -20000, 32767, -32768})));
    ToolRun r = tool({"import", csf, in, dir.file("OUT.TBP")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Replaced 1 words"), std::string::npos);
    ErrorText err;
    SpeechDbPtr back = db_load_file(dir.file("OUT.TBP").c_str(), &err);
    ASSERT_TRUE(back) << err;
    EXPECT_EQ(back->format, DB_FORMAT_OLD);
    EXPECT_EQ(db_word(back.get(), 1)->audio, (std::vector<std::uint8_t>{0x07, 0x75, 0xFF, 0x7F}));
    EXPECT_EQ(db_word(back.get(), 0)->audio, db_word(db.get(), 0)->audio);

    ASSERT_EQ(tool({"import", csf, in, dir.file("o.csf")}).status, 0);
    back = db_load_file(dir.file("o.csf").c_str(), &err);
    ASSERT_TRUE(back) << err;
    EXPECT_EQ(db_word(back.get(), 1)->audio.size(), 4u);
}

TEST(ToolImport, OneBadFileWritesNothing)
{
    TempDir dir;
    SpeechDbPtr db = sample_db(DB_FORMAT_MODERN);
    std::string csf = save_csf(dir, db.get(), "x.csf");
    std::string in = dir.file("in");
    mkdir(in.c_str(), 0755);
    write_bytes(in + "/001.wav", wav_file_bytes(pcm16_bytes({1, 2, 3, 4})));
    write_bytes(in + "/003.wav", wav_file_bytes(pcm16_bytes({1, 2, 3, 4}), 2));
    write_bytes(in + "/004.wav", wav_file_bytes(pcm16_bytes({5})));

    ToolRun r = tool({"import", csf, in, dir.file("new.csf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("003.wav: Incompatible number of audio channels: 2 (expected: 1)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("004.wav: File is too small"), std::string::npos) << r.err;
    EXPECT_FALSE(g_file_test(dir.file("new.csf").c_str(), G_FILE_TEST_EXISTS));

    // An existing output stays exactly as it was.
    write_bytes(dir.file("old.csf"), {1, 2, 3});
    EXPECT_EQ(tool({"import", csf, in, dir.file("old.csf")}).status, 1);
    EXPECT_EQ(read_bytes(dir.file("old.csf")), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(ToolImport, WrongExtensionIsRefusedBeforeReading)
{
    TempDir dir;
    ToolRun r = tool({"import", dir.file("missing.csf"), dir.path, dir.file("out.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(".csf or .tbp"), std::string::npos);
    EXPECT_EQ(r.err.find("Failed to open"), std::string::npos) << "nothing may be read first";
    ToolRun s = tool({"save", dir.file("missing.csf"), dir.file("out.csfx")});
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.err.find("Failed to open"), std::string::npos);
}

TEST(ToolSave, ProjectToCsfGivesTheImageOfTheLoadedVariant)
{
    TempDir dir;
    for (DbFormat f : {DB_FORMAT_OLD, DB_FORMAT_MODERN}) {
        SpeechDbPtr db = sample_db(f);
        word_set_alias(db.get(), 0, "a");
        std::string tbp = dir.file("p.tbp");
        ASSERT_EQ(project_save(db.get(), tbp.c_str(), nullptr), 1);
        ASSERT_EQ(tool({"save", tbp, dir.file("out.CSF")}).status, 0);
        const std::vector<std::uint8_t> image = csf_image(db.get());
        ASSERT_FALSE(image.empty());
        EXPECT_EQ(read_bytes(dir.file("out.CSF")), image);
    }
}

TEST(ToolCodec, EncodeThenDecodeMatchesTheLibrary)
{
    TempDir dir;
    std::vector<std::int16_t> samples = {0, 1000, 2000, 3000, -1000, -20000, 32767};
    write_bytes(dir.file("in.wav"), wav_file_bytes(pcm16_bytes(samples)));
    ASSERT_EQ(tool({"encode", dir.file("in.wav"), dir.file("x.adpcm")}).status, 0);
    // Seven samples are padded to eight; the eighth codes the zero.
    auto adpcm = read_bytes(dir.file("x.adpcm"));
    ASSERT_EQ(adpcm.size(), 4u);
    EXPECT_EQ(adpcm[0], 0x07);
    EXPECT_EQ(adpcm[1], 0x75);
    ASSERT_EQ(tool({"decode", dir.file("x.adpcm"), dir.file("out.wav")}).status, 0);
    ErrorText err;
    auto pcm = wav_read(dir.file("out.wav").c_str(), 1, 16000, 1, 16, &err);
    ASSERT_TRUE(pcm) << err;
    EXPECT_EQ(*pcm, adpcm_decode(adpcm.data(), adpcm.size()));

    write_bytes(dir.file("tiny.wav"), wav_file_bytes(pcm16_bytes({7})));
    ToolRun tiny = tool({"encode", dir.file("tiny.wav"), dir.file("t.adpcm")});
    EXPECT_EQ(tiny.status, 1);
    EXPECT_NE(tiny.err.find("File is too small"), std::string::npos);
    EXPECT_FALSE(g_file_test(dir.file("t.adpcm").c_str(), G_FILE_TEST_EXISTS));
}

TEST(ToolCodec, EncodeQualityBestSearchesAndStandardIsTheImportEncoder)
{
    TempDir dir;
    // An odd number of samples, padded to whole pairs before either encoder.
    std::vector<std::int16_t> samples;
    for (int k = 0; k < 3001; ++k)
        samples.push_back(std::int16_t(12000 * std::sin(k * 0.07) + 5000 * std::sin(k * 0.9)));
    std::vector<std::uint8_t> pcm = pcm16_bytes(samples);
    write_bytes(dir.file("in.wav"), wav_file_bytes(pcm));
    pcm.resize((pcm.size() + 3) / 4 * 4, 0);

    const struct {
        std::vector<std::string> options;
        std::vector<std::uint8_t> expect;
    } runs[] = {
        {{}, adpcm_encode(pcm.data(), pcm.size())},
        {{"--quality=standard"}, adpcm_encode(pcm.data(), pcm.size())},
        {{"--quality=best"}, adpcm_encode_best(pcm.data(), pcm.size())},
        {{"-q", "best"}, adpcm_encode_best(pcm.data(), pcm.size())},
    };
    for (const auto& r : runs) {
        std::vector<std::string> args = {"encode"};
        args.insert(args.end(), r.options.begin(), r.options.end());
        args.insert(args.end(), {dir.file("in.wav"), dir.file("out.adpcm")});
        ASSERT_EQ(tool(args).status, 0) << args[1];
        EXPECT_EQ(read_bytes(dir.file("out.adpcm")), r.expect) << args[1];
    }
    EXPECT_NE(runs[2].expect, runs[0].expect);

    ToolRun bad = tool({"encode", "--quality=fast", dir.file("in.wav"), dir.file("bad.adpcm")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("unknown quality 'fast'"), std::string::npos) << bad.err;
    EXPECT_FALSE(g_file_test(dir.file("bad.adpcm").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_NE(tool({"encode", "--help"}).out.find("--quality"), std::string::npos);
    // Only encode takes it.
    EXPECT_EQ(tool({"decode", "--quality=best", dir.file("out.adpcm"), dir.file("x.wav")}).status, 2);
}

TEST(ToolPlay, WordAndPhraseReachTheDevice)
{
    TempDir dir;
    SpeechDbPtr db = sample_db(DB_FORMAT_MODERN);
    std::string csf = save_csf(dir, db.get(), "x.csf");
    // The tool inherits the capture's device through the environment.
    AlsaCapture capture(AlsaCapture::CAPTURE_ALL);
    ASSERT_EQ(tool({"play", csf, "3"}).status, 0);
    auto w2 = adpcm_decode(db_word(db.get(), 2)->audio.data(), db_word(db.get(), 2)->audio.size());
    EXPECT_EQ(capture.bytes(w2.size()), w2);

    capture.clear();
    ASSERT_EQ(tool({"play", "--phrase", "2", csf}).status, 0);
    auto w0 = adpcm_decode(db_word(db.get(), 0)->audio.data(), db_word(db.get(), 0)->audio.size());
    std::vector<std::uint8_t> expect = w2;
    expect.insert(expect.end(), w2.begin(), w2.end());
    expect.insert(expect.end(), w0.begin(), w0.end());
    EXPECT_EQ(capture.bytes(expect.size()), expect);

    EXPECT_EQ(tool({"play", csf, "5"}).status, 1);
    EXPECT_EQ(tool({"play", csf, "0"}).status, 1);
    EXPECT_EQ(tool({"play", "--phrase", "9", csf}).status, 1);
}

TEST(ToolUsage, EachCommandsHelpNamesItOnceBeforeItsArguments)
{
    const std::pair<const char*, const char*> commands[] = {
        {"info", "FILE"},
        {"dump", "FILE"},
        {"export", "FILE DIR"},
        {"import", "FILE DIR OUT"},
        {"save", "FILE OUT"},
        {"encode", "IN.wav OUT.adpcm"},
        {"decode", "IN.adpcm OUT.wav"},
        {"play", "FILE [WORD]"},
    };
    for (const auto& [cmd, params] : commands) {
        ToolRun h = tool({cmd, "--help"});
        ASSERT_EQ(h.status, 0) << cmd;
        // "Usage:" then "  tembrel-tool CMD [OPTION…] PARAMS"; the ellipsis
        // depends on the locale's character set, so only its ends are fixed.
        const std::string head = std::string("  tembrel-tool ") + cmd + " [OPTION";
        const std::string tail = std::string("] ") + params;
        const auto start = h.out.find('\n');
        ASSERT_NE(start, std::string::npos) << cmd;
        const std::string line = h.out.substr(start + 1, h.out.find('\n', start + 1) - start - 1);
        EXPECT_EQ(line.substr(0, head.size()), head) << line;
        ASSERT_GE(line.size(), tail.size()) << line;
        EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << line;
        EXPECT_LE(line.size(), head.size() + 3 + tail.size()) << "nothing else on the line: " << line;
    }
}

TEST(ToolPlay, FailsWhenNothingCanBeHeard)
{
    TempDir dir;
    SpeechDbPtr db = sample_db(DB_FORMAT_MODERN);
    std::string csf = save_csf(dir, db.get(), "x.csf");
    {
        // The tool inherits the test's environment, which names the device.
        AlsaCapture capture(AlsaCapture::CAPTURE_ALL);
        ToolRun silent = tool({"play", csf, "4"});
        EXPECT_EQ(silent.status, 1);
        EXPECT_NE(silent.err.find("word 4 has no audio"), std::string::npos) << silent.err;
        EXPECT_TRUE(capture.bytes().empty());
    }
    AlsaCapture missing(AlsaCapture::NO_DEVICE);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"play", csf, "1"}, std::vector<std::string>{"play", "--phrase", "2", csf}}) {
        ToolRun r = tool(args);
        EXPECT_EQ(r.status, 1) << args[2];
        EXPECT_NE(r.err.find("Unable to play on the sound output: "), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line, nothing from the sound library: " << r.err;
    }
}

TEST(ToolUsage, OptionsBelongToTheirCommandAndPhraseReplacesTheWord)
{
    TempDir dir;
    std::string csf = save_csf(dir, sample_db(DB_FORMAT_OLD).get(), "x.csf");
    // Arguments are counted before anything is read or played, so these
    // fail as usage errors even without a sound device.
    EXPECT_EQ(tool({"play", csf}).status, 2) << "a word is needed without --phrase";
    EXPECT_EQ(tool({"play", "--phrase", "1", csf, "1"}).status, 2) << "--phrase takes the word's place";
    EXPECT_EQ(tool({"play", csf, "1", "2"}).status, 2);
    EXPECT_EQ(tool({"info", "--force", csf}).status, 2);
    EXPECT_EQ(tool({"export", "--phrase", "1", csf, dir.path}).status, 2);
    EXPECT_EQ(tool({"save", "--force", csf, dir.file("y.csf")}).status, 2);
    ToolRun export_help = tool({"export", "--help"});
    EXPECT_NE(export_help.out.find("--force"), std::string::npos);
    EXPECT_EQ(export_help.out.find("--phrase"), std::string::npos);
    ToolRun play_help = tool({"play", "--help"});
    EXPECT_NE(play_help.out.find("--phrase"), std::string::npos);
    EXPECT_EQ(play_help.out.find("--force"), std::string::npos);
}

namespace {

// What an import starts from: the sample database as dir/x.csf and an
// empty word folder dir/in.
struct ImportSetup {
    TempDir dir;
    std::string csf = save_csf(dir, sample_db(DB_FORMAT_MODERN).get(), "x.csf");
    std::string in = dir.file("in");
    ImportSetup() { mkdir(in.c_str(), 0755); }
};

} // namespace

TEST(ToolImport, AWordFileThatCannotBeReadFailsInsteadOfBeingSkipped)
{
    ImportSetup s;
    write_bytes(s.in + "/001.wav", wav_file_bytes(pcm16_bytes({1, 2, 3, 4})));
    write_bytes(s.in + "/002.wav", wav_file_bytes(pcm16_bytes({5, 6, 7, 8})));
    // Root reads any file: the tool runs as an ordinary user for this.
    chmod(s.dir.path.c_str(), 0777);
    chmod(s.csf.c_str(), 0644);
    chmod((s.in + "/001.wav").c_str(), 0644);
    chmod((s.in + "/002.wav").c_str(), 0);
    const std::string out = s.dir.file("new.csf");
    std::string failure = run_in_child(
        [&]() -> std::string {
            ToolRun r = tool({"import", s.csf, s.in, out});
            if (r.status != 1)
                return "status " + std::to_string(r.status) + ": " + r.out + r.err;
            if (r.err.find("002.wav: Failed to open") == std::string::npos)
                return "message: " + r.err;
            return "";
        },
        true);
    EXPECT_EQ(failure, "");
    EXPECT_FALSE(g_file_test(out.c_str(), G_FILE_TEST_EXISTS));
}

TEST(ToolCodec, OutputFailuresSayWhetherOpeningOrWritingFailed)
{
    TempDir dir;
    write_bytes(dir.file("in.wav"), wav_file_bytes(pcm16_bytes({0, 1000, 2000, 3000})));
    write_bytes(dir.file("in.adpcm"), {0x07, 0x75});
    const std::string nowhere = dir.file("no/such/folder/out");
    const struct {
        const char* command;
        std::string in;
    } codecs[] = {{"encode", dir.file("in.wav")}, {"decode", dir.file("in.adpcm")}};
    for (const auto& c : codecs) {
        ToolRun open = tool({c.command, c.in, nowhere});
        EXPECT_EQ(open.status, 1) << c.command;
        EXPECT_NE(open.err.find(nowhere + ": Unable to open output file"), std::string::npos) << open.err;
        // A device is written in place; this one refuses every byte.
        ToolRun full = tool({c.command, c.in, "/dev/full"});
        EXPECT_EQ(full.status, 1) << c.command;
        EXPECT_NE(full.err.find("/dev/full: Error saving file"), std::string::npos) << full.err;
    }
    ToolRun missing = tool({"decode", dir.file("none.adpcm"), dir.file("out.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Failed to open '" + dir.file("none.adpcm") + "': No such file"), std::string::npos)
        << missing.err;
}
