// tembrel-tool with real recordings: import and encode with conversion,
// shaping and the search encoder, the list of files an import did not
// use, words named by alias, export into a new folder and a phrase saved
// as one WAV file.
#include "audio/adpcm.h"
#include "audio/wav.h"
#include "db/load.h"
#include "db/operations.h"
#include "db/project.h"
#include "tests/alsa_capture.h"
#include "tool_run.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

bool sox(const std::string& args) { return std::system(("sox -V1 " + args).c_str()) == 0; }

// A project with four words, word 3 aliased "left", word 4 "turn".
std::string aliased_project(const TempDir& dir)
{
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, {{0x08, 0x77}, {1, 2}, {3, 4}, {5, 6}}, {{0, 2}, {3}});
    word_set_alias(db.get(), 2, "left");
    word_set_alias(db.get(), 3, "turn");
    ErrorText err;
    const std::string path = dir.file("voice.tbp");
    EXPECT_EQ(project_save(db.get(), path.c_str(), &err), 1) << err;
    return path;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    gchar** parts = g_strsplit(text.c_str(), "\n", -1);
    for (gchar** p = parts; *p; ++p)
        if (**p)
            out.emplace_back(*p);
    g_strfreev(parts);
    return out;
}

} // namespace

TEST(ToolImportAudio, ConvertsMatchedFilesAndListsEveryUnusedOne)
{
    TempDir dir;
    const std::string project = aliased_project(dir);
    const std::string in = dir.file("in");
    mkdir(in.c_str(), 0755);
    ASSERT_TRUE(sox("-n -r 48000 -c 1 -b 24 " + in + "/1.flac synth 0.5 sine 500 vol 0.3 pad 0.3 0.3"));
    ASSERT_TRUE(sox("-n -r 44100 -c 2 -e floating-point -b 32 " + in + "/left.wav synth 0.4 sine 700 vol 0.5"));
    ASSERT_TRUE(sox("-n -r 16000 -c 1 -b 16 " + in + "/right.wav synth 0.2 sine 300"));
    ASSERT_TRUE(sox("-n -r 16000 -c 1 -b 16 " + in + "/099.wav synth 0.2 sine 300"));
    write_bytes(in + "/notes.txt", {'h', 'i'});
    const std::vector<std::string> unused = {
        "099.wav: no word 99",
        "notes.txt: not a sound file",
        "right.wav: no word has the alias 'right'",
    };
    const std::string out = dir.file("out.tbp");

    // Without --convert the recordings are refused as they always were,
    // and nothing is written.
    ToolRun strict = tool({"import", project, in, out});
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("1.flac: Invalid RIFF header"), std::string::npos) << strict.err;
    EXPECT_NE(strict.err.find("left.wav: File not in PCM format"), std::string::npos) << strict.err;
    EXPECT_FALSE(g_file_test(out.c_str(), G_FILE_TEST_EXISTS));

    ToolRun r = tool({"import", "--convert", "--trim", "--level=-20", "--quality=best", project, in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.err), unused);
    const std::vector<std::string> said = lines(r.out);
    ASSERT_EQ(said.size(), 3u) << r.out;
    EXPECT_EQ(said[0].rfind("word 1: 48000 Hz, mono, 24-bit converted, 0.", 0), 0u) << said[0];
    // 0.6 s of padding less two margins; a 500 Hz tone at about -14 LUFS.
    double gain = 0;
    ASSERT_EQ(std::sscanf(said[0].c_str(), "word 1: 48000 Hz, mono, 24-bit converted, 0.54 s trimmed, gain %lf dB", &gain), 1)
        << said[0];
    EXPECT_NEAR(gain, -6.0, 0.5);
    EXPECT_EQ(said[1].rfind("word 3: 44100 Hz, stereo, 32-bit float converted, gain ", 0), 0u) << said[1];
    EXPECT_EQ(said[2], "Replaced 2 words.");

    ErrorText err;
    SpeechDbPtr back = db_load_file(out.c_str(), &err);
    ASSERT_TRUE(back) << err;
    // 0.5 s of tone with 30 ms kept on each side, 0.4 s untrimmed.
    EXPECT_NEAR(double(db_word(back.get(), 0)->audio.size()) * 2, 16000 * 0.56, 16000 * 0.012);
    EXPECT_NEAR(double(db_word(back.get(), 2)->audio.size()) * 2, 16000 * 0.4, 2);
    EXPECT_EQ(db_word(back.get(), 1)->audio, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_STREQ(word_alias(back.get(), 2), "left");
}

TEST(ToolImportAudio, ShapingOptionsAreCheckedBeforeAnythingIsRead)
{
    TempDir dir;
    const std::string wav = dir.file("in.wav");
    ASSERT_TRUE(sox("-n -r 22050 -c 2 -b 16 " + wav + " synth 0.3 sine 440 vol 0.1"));
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"encode", "--trim=loud", wav, dir.file("a")}, 2, "--trim takes a level in dBFS"},
        {{"encode", "--trim=6", wav, dir.file("a")}, 2, "--trim takes a level in dBFS"},
        {{"encode", "--level=-90", wav, dir.file("a")}, 2, "--level takes auto or a loudness in LUFS"},
        {{"encode", "--level=quiet", wav, dir.file("a")}, 2, "--level takes auto or a loudness in LUFS"},
        {{"import", "--quality=great", dir.file("x.csf"), dir.path, dir.file("o.csf")}, 2, "unknown quality 'great'"},
        {{"encode", "--level", "--convert", wav, dir.file("a")}, 1, "give --level=TARGET"},
        {{"encode", wav, dir.file("a")}, 1, "Incompatible number of audio channels: 2 (expected: 1)"},
        {{"save", "--convert", dir.file("x.csf"), dir.file("o.csf")}, 2, "Unknown option --convert"},
        {{"encode", "--convert", "--trim=-40dB", "--level=-18LUFS", wav, dir.file("ok")}, 0,
         "22050 Hz, stereo, 16-bit converted, gain +"},
    };
    for (const auto& c : cases) {
        ToolRun r = tool(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args[1] << ": " << r.err;
    }
    // 0.3 s at 16000 Hz, two samples per byte.
    EXPECT_NEAR(double(read_bytes(dir.file("ok")).size()), 16000 * 0.3 / 2, 2);
    EXPECT_FALSE(g_file_test(dir.file("a").c_str(), G_FILE_TEST_EXISTS));
}

TEST(ToolImportAudio, LevelAutoFollowsTheDatabasesOwnWords)
{
    TempDir dir;
    // Every word of the database is a 1 kHz tone at about -23 dBFS RMS.
    std::vector<std::int16_t> tone(8000);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = std::int16_t(32767 * 0.1 * std::sin(2 * M_PI * 1000 * double(i) / 16000));
    const auto pcm = pcm16_bytes(tone);
    const auto adpcm = adpcm_encode(pcm.data(), pcm.size());
    const std::string csf = save_csf(dir, make_db(DB_FORMAT_MODERN, {adpcm, adpcm, adpcm}, {{0, 1, 2}}).get(), "x.csf");
    const std::string in = dir.file("in");
    mkdir(in.c_str(), 0755);
    ASSERT_TRUE(sox("-n -r 16000 -c 1 -b 16 " + in + "/2.wav synth 0.5 sine 1000 vol 0.01"));
    ToolRun r = tool({"import", "--level", csf, in, dir.file("o.csf")});
    ASSERT_EQ(r.status, 0) << r.err;
    // From -43 to -23 dBFS: about 20 dB.
    double gain = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "word 2: gain %lf dB", &gain), 1) << r.out;
    EXPECT_NEAR(gain, 20.0, 0.7);
}

TEST(ToolWords, AliasesPlayAndExportMakesItsFolderAndSavesPhrases)
{
    TempDir dir;
    const std::string project = aliased_project(dir);
    ErrorText err;
    SpeechDbPtr db = db_load_file(project.c_str(), &err);
    ASSERT_TRUE(db) << err;
    const auto decoded = [&](std::uint32_t w) {
        return adpcm_decode(db_word(db.get(), w)->audio.data(), db_word(db.get(), w)->audio.size());
    };
    {
        AlsaCapture capture(AlsaCapture::CAPTURE_ALL);
        ASSERT_EQ(tool({"play", project, "left"}).status, 0);
        EXPECT_EQ(capture.bytes(decoded(2).size()), decoded(2));
        ToolRun unknown = tool({"play", project, "right"});
        EXPECT_EQ(unknown.status, 1);
        EXPECT_NE(unknown.err.find("No word has the alias 'right'"), std::string::npos) << unknown.err;
    }

    const std::string words = dir.file("new/words");
    ToolRun exported = tool({"export", project, words});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(dir_entries(words), (std::vector<std::string>{"001.wav", "002.wav", "003.wav", "004.wav"}));

    const std::string phrase = dir.file("phrase.wav");
    ASSERT_EQ(tool({"export-phrase", project, "1", phrase}).status, 0);
    std::vector<std::uint8_t> want = decoded(0);
    const auto second = decoded(2);
    want.insert(want.end(), second.begin(), second.end());
    EXPECT_EQ(wav_read(phrase.c_str(), 1, 16000, 1, 16, &err), want);
    ToolRun again = tool({"export-phrase", project, "2", phrase});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("Output file already exist"), std::string::npos) << again.err;
    EXPECT_EQ(tool({"export-phrase", "--force", project, "2", phrase}).status, 0);
    EXPECT_EQ(wav_read(phrase.c_str(), 1, 16000, 1, 16, &err), decoded(3));
    ToolRun none = tool({"export-phrase", project, "3", phrase});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("No phrase 3 (the database has 2)"), std::string::npos) << none.err;
}
