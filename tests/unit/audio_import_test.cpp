// Importing real recordings: files made by sox in every format a user may
// bring, converted and compared with sox's own conversion of the same
// file; the strict refusals without conversion; trim, level and the
// conversion report.
#include "audio/adpcm.h"
#include "audio/audio_import.h"
#include "audio/pcm_convert.h"
#include "audio/shaping.h"
#include "audio/wav.h"
#include "test_db.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs sox quietly; false when it failed.
bool sox(const std::string& args) { return std::system(("sox -V1 " + args).c_str()) == 0; }

std::vector<float> to_float(const std::vector<std::uint8_t>& pcm)
{
    std::vector<float> f(pcm.size() / 2);
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = float(std::int16_t(std::uint16_t(pcm[2 * i] | pcm[2 * i + 1] << 8))) / 32768.0f;
    return f;
}

// The samples of a 16000 Hz mono 16-bit WAV file.
std::vector<float> read_native(const std::string& path)
{
    ErrorText err;
    auto bytes = wav_read(path.c_str(), 1, 16000, 1, 16, &err);
    EXPECT_TRUE(bytes.has_value()) << err;
    return bytes ? to_float(*bytes) : std::vector<float>{};
}

std::vector<float> decoded(const std::vector<std::uint8_t>& adpcm) { return to_float(adpcm_decode(adpcm.data(), adpcm.size())); }

double rms(std::span<const float> s)
{
    double sum = 0;
    for (float x : s)
        sum += double(x) * x;
    return std::sqrt(sum / double(std::max<std::size_t>(s.size(), 1)));
}

struct Similarity {
    double correlation;
    double rms_diff_db;
};

Similarity compare(std::span<const float> a, std::span<const float> b)
{
    const std::size_t n = std::min(a.size(), b.size());
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return {ab / std::sqrt(aa * bb), 20.0 * std::log10(rms(a.first(n)) / rms(b.first(n)))};
}

// A voice-like test signal: a falling and a rising tone with a little
// noise, one on each channel when there are two.
constexpr const char* TONES = "synth 1 sine 300-1800 sine 1200-400 whitenoise vol 0.9";

// Inserts a RIFF chunk into a WAV file's bytes at `offset`.
void insert_chunk(std::vector<std::uint8_t>& wav, std::size_t offset, const char* tag, const std::string& body)
{
    std::vector<std::uint8_t> chunk(tag, tag + 4);
    const auto n = std::uint32_t(body.size());
    for (int k = 0; k < 4; ++k)
        chunk.push_back(std::uint8_t(n >> (8 * k)));
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (n % 2)
        chunk.push_back(0);
    wav.insert(wav.begin() + std::ptrdiff_t(offset), chunk.begin(), chunk.end());
}

struct SourceCase {
    const char* name;
    const char* make; // sox output options and effects after the file name
    const char* strict_message;
    bool converted;
};

} // namespace

TEST(AudioImport, EverySourceMatchesSoxsOwnConversion)
{
    TempDir dir;
    const SourceCase cases[] = {
        {"float.wav", "-r 44100 -c 2 -e floating-point -b 32", "File not in PCM format", true},
        {"studio.flac", "-r 48000 -c 1 -b 24", "Invalid RIFF header", true},
        {"old.wav", "-r 11025 -c 1 -b 8 -e unsigned-integer", "Incompatible audio samplerate: 11025 (expected: 16000)",
         true},
        {"phone.ogg", "-r 44100 -c 2 -C 6", "Invalid RIFF header", true},
        {"loud.wav", "-r 44100 -c 1 -b 16", "Incompatible audio samplerate: 44100 (expected: 16000)", true},
        {"extensible.wav", "-r 16000 -c 1 -b 24", "File not in PCM format", true},
        {"plain24.wav", "-r 16000 -c 1 -b 24 -t wavpcm", "Incompatible number of bits per sample: 24 (expected: 16)",
         true},
        {"aiff.aiff", "-r 22050 -c 2 -b 16", "Invalid RIFF header", true},
    };
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string src = dir.file(c.name);
        const std::string gain = std::string(c.name) == "loud.wav" ? " vol 4" : "";
        ASSERT_TRUE(sox(std::string("-n ") + c.make + " " + src + " " + TONES + gain));
        const std::string ref = dir.file(std::string(c.name) + ".ref.wav");
        ASSERT_TRUE(sox(src + " -r 16000 -c 1 -b 16 -e signed-integer " + ref + " rate -v"));

        ErrorText err;
        EXPECT_FALSE(audio_import_file(src.c_str(), ImportOptions{}, &err));
        EXPECT_STREQ(err, c.strict_message);

        ImportOptions convert;
        convert.convert = true;
        auto word = audio_import_file(src.c_str(), convert, &err);
        ASSERT_TRUE(word.has_value()) << err;
        EXPECT_EQ(word->report.converted, c.converted);
        const std::vector<float> got = decoded(word->adpcm);
        const std::vector<float> want = read_native(ref);
        EXPECT_NEAR(double(got.size()), double(want.size()), 2.0);
        const Similarity s = compare(got, want);
        std::printf("  %-15s correlation %.4f  RMS difference %+.2f dB  clipped %zu\n", c.name, s.correlation,
                    s.rms_diff_db, word->report.clipped);
        EXPECT_GT(s.correlation, 0.98);
        EXPECT_LT(std::fabs(s.rms_diff_db), 1.0);
        if (std::string(c.name) == "loud.wav")
            EXPECT_GT(word->report.clipped, 0u) << "the overshoot of a clipped recording is counted";
        else
            EXPECT_EQ(word->report.clipped, 0u);
    }
}

TEST(AudioImport, NativeFilesKeepTheirExactSamplesWhateverTheirChunks)
{
    TempDir dir;
    const std::string plain = dir.file("plain.wav");
    ASSERT_TRUE(sox("-n -r 16000 -c 1 -b 16 " + plain + " " + TONES));
    const std::vector<float> samples = read_native(plain);
    ErrorText err;
    auto expected = audio_import_file(plain.c_str(), ImportOptions{}, &err);
    ASSERT_TRUE(expected.has_value()) << err;
    auto raw = wav_read(plain.c_str(), 1, 16000, 1, 16, &err);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(expected->adpcm, adpcm_encode(raw->data(), raw->size())) << "the plain encoder, unchanged";
    EXPECT_FALSE(expected->report.converted);
    ImportOptions best;
    best.quality = AdpcmQuality::BEST;
    auto searched = audio_import_file(plain.c_str(), best, &err);
    ASSERT_TRUE(searched.has_value()) << err;
    EXPECT_EQ(searched->adpcm, adpcm_encode_best(raw->data(), raw->size()));

    // A LIST chunk before the data and one after it, as many editors write.
    std::vector<std::uint8_t> bytes = read_bytes(plain);
    const std::size_t data_at = 20 + (bytes[16] | bytes[17] << 8);
    insert_chunk(bytes, bytes.size(), "LIST", std::string("INFOISFT\x05\0\0\0sox!", 17));
    insert_chunk(bytes, data_at, "LIST", std::string("INFOINAM\x03\0\0\0abc", 15));
    const std::string listed = dir.file("listed.wav");
    ASSERT_TRUE(write_bytes(listed, bytes));
    for (bool convert : {false, true}) {
        ImportOptions options;
        options.convert = convert;
        auto word = audio_import_file(listed.c_str(), options, &err);
        ASSERT_TRUE(word.has_value()) << err;
        EXPECT_EQ(word->adpcm, expected->adpcm) << "convert " << convert;
        EXPECT_FALSE(word->report.converted);
    }
    // The same samples in an AIFF file need libsndfile, yet stay exact.
    const std::string aiff = dir.file("native.aiff");
    ASSERT_TRUE(sox(plain + " " + aiff));
    ImportOptions convert;
    convert.convert = true;
    auto word = audio_import_file(aiff.c_str(), convert, &err);
    ASSERT_TRUE(word.has_value()) << err;
    EXPECT_EQ(word->adpcm, expected->adpcm);
    EXPECT_FALSE(word->report.converted);
}

TEST(AudioImport, UnreadableFilesAreRefusedWithTheirReason)
{
    TempDir dir;
    const std::string text = dir.file("notes.wav");
    write_bytes(text, std::vector<std::uint8_t>(100, 'x'));
    const std::string one = dir.file("one.wav");
    write_bytes(one, wav_file_bytes({1, 2, 3}));
    ImportOptions convert;
    convert.convert = true;
    struct {
        std::string path;
        ImportOptions options;
        std::string message;
    } cases[] = {
        {text, {}, "Invalid RIFF header"},
        {text, convert, "Unsupported audio file '" + text + "': Format not recognised."},
        {dir.file("missing.flac"), convert,
         "Failed to open '" + dir.file("missing.flac") + "': No such file or directory"},
        {dir.path, convert, "Failed to open '" + dir.path + "': Is a directory"},
        {one, {}, "File is too small"},
    };
    for (const auto& c : cases) {
        ErrorText err;
        EXPECT_FALSE(audio_import_file(c.path.c_str(), c.options, &err));
        EXPECT_EQ(std::string(err), c.message);
    }
}

TEST(AudioShaping, TrimKeepsTheWordAndAMarginButNeverEverything)
{
    constexpr int RATE = 16000;
    // Half a second of faint noise (-60 dBFS), 0.3 s of tone, half a
    // second of noise again.
    std::vector<float> clip(RATE * 13 / 10);
    std::uint32_t r = 7;
    for (std::size_t i = 0; i < clip.size(); ++i) {
        r = r * 1664525u + 1013904223u;
        clip[i] = 0.001f * (float(r >> 8) / 8388608.0f - 1.0f);
        if (i >= RATE / 2 && i < RATE * 8 / 10)
            clip[i] = 0.3f * std::sin(float(i) * 0.2f);
    }
    const SampleRange keep = audio_trim_range(clip, RATE, TRIM_DEFAULT_DB);
    const std::size_t margin = RATE * TRIM_MARGIN_MS / 1000, window = RATE * TRIM_WINDOW_MS / 1000;
    EXPECT_NEAR(double(keep.begin), double(RATE / 2 - margin), double(window));
    EXPECT_NEAR(double(keep.end), double(RATE * 8 / 10 + margin), double(window));

    // A threshold below the noise keeps everything; so does silence.
    const SampleRange all = audio_trim_range(clip, RATE, -80.0);
    EXPECT_EQ(all.begin, 0u);
    EXPECT_EQ(all.end, clip.size());
    const std::vector<float> silence(RATE, 0.0f);
    const SampleRange none = audio_trim_range(silence, RATE, TRIM_DEFAULT_DB);
    EXPECT_EQ(none.end - none.begin, silence.size());
}

TEST(AudioShaping, LevelReachesTheTargetWithinThePeakLimit)
{
    constexpr int RATE = 16000;
    std::vector<float> tone(RATE);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.05f * std::sin(2.0f * float(M_PI) * 1000.0f * float(i) / RATE);
    // A 1 kHz sine reads about its RMS level in dBFS.
    const auto measured = audio_loudness(tone, RATE);
    ASSERT_TRUE(measured.has_value());
    EXPECT_NEAR(*measured, 20 * std::log10(0.05 / std::sqrt(2.0)), 0.3);

    struct {
        double target;
        bool limited;
    } cases[] = {{-20.0, false}, {-35.0, false}, {-2.0, true}};
    for (const auto& c : cases) {
        const LevelGain g = audio_level_gain(tone, RATE, c.target);
        EXPECT_EQ(g.peak_limited, c.limited) << c.target;
        std::vector<float> scaled = tone;
        for (float& x : scaled)
            x *= float(std::pow(10.0, g.gain_db / 20.0));
        float peak = 0;
        for (float x : scaled)
            peak = std::max(peak, std::fabs(x));
        if (c.limited)
            EXPECT_NEAR(20 * std::log10(peak), LEVEL_PEAK_LIMIT_DB, 0.01);
        else
            EXPECT_NEAR(*audio_loudness(scaled, RATE), c.target, 0.1);
    }
    // A word shorter than a gating block is still measured, and silence
    // is not.
    EXPECT_NEAR(*audio_loudness(std::span<const float>(tone).first(RATE / 5), RATE), *measured, 0.5);
    EXPECT_FALSE(audio_loudness(std::vector<float>(RATE, 0.0f), RATE).has_value());
    EXPECT_EQ(audio_level_gain(std::vector<float>(RATE, 0.0f), RATE, -20).gain_db, 0.0);
}

TEST(PcmConvert, DitherRoundsWithinOneStepAndCountsClipping)
{
    const std::vector<float> in = {0.0f, 0.5f, -0.5f, 1.5f, -2.0f, 0.999f, 100.0f / 32768.0f};
    const Pcm16 out = audio_dither_to_pcm16(in, 3);
    ASSERT_EQ(out.samples.size(), in.size());
    EXPECT_EQ(out.clipped, 2u);
    EXPECT_EQ(out.samples[3], 32767);
    EXPECT_EQ(out.samples[4], -32768);
    for (std::size_t i : {0u, 1u, 2u, 5u, 6u})
        EXPECT_NEAR(out.samples[i], std::min(32767.0f, in[i] * 32768.0f), 1.0f) << i;
    EXPECT_EQ(audio_dither_to_pcm16(in, 3).samples, out.samples) << "the same seed gives the same samples";

    // Resampling keeps a tone's level and duration.
    std::vector<float> tone(44100);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.5f * std::sin(2.0f * float(M_PI) * 440.0f * float(i) / 44100.0f);
    const std::vector<float> r = audio_resample(tone, 44100, 16000);
    EXPECT_NEAR(double(r.size()), 16000.0, 1.0);
    EXPECT_NEAR(rms(std::span<const float>(r).subspan(100, 15800)), 0.5 / std::sqrt(2.0), 0.005);
}

TEST(SoundFormat, NamesTheFormatForTheQuestion)
{
    struct {
        SoundFormat format;
        const char* text;
        bool native;
    } cases[] = {
        {{44100, 2, 24, SampleKind::Integer, {}}, "44100 Hz, stereo, 24-bit", false},
        {{16000, 1, 16, SampleKind::Integer, {}}, "16000 Hz, mono, 16-bit", true},
        {{16000, 1, 32, SampleKind::Float, {}}, "16000 Hz, mono, 32-bit float", false},
        {{48000, 6, 0, SampleKind::Compressed, "Vorbis"}, "48000 Hz, 6 channels, Vorbis", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sound_format_text(c.format), c.text);
        EXPECT_EQ(sound_format_is_native(c.format), c.native) << c.text;
    }
}
