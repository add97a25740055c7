// WAV files: every refusal of the reader on a crafted file, in the order
// the checks run, the exact bytes the writer produces, round trips, and
// that a failed or refused write never damages a file already there.
#include "audio/wav.h"

#include "test_db.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <random>
#include <sys/resource.h>

namespace {

struct WavSpec {
    std::uint32_t tag = 1, channels = 1, rate = 16000, bits = 16;
    std::uint32_t fmt_size = 16;
    std::uint32_t riff_size = 0xDEADBEEF, byte_rate = 7, block_align = 3; // never examined
    std::vector<std::uint8_t> between;                                     // bytes between fmt and data
    std::vector<std::uint8_t> samples;
    std::int64_t declared = -1; // data length written, default: the real one
};

void put32(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    for (int k = 0; k < 4; ++k)
        v.push_back(std::uint8_t(x >> (8 * k)));
}
void put16(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
void put_tag(std::vector<std::uint8_t>& v, const char* t)
{
    for (int k = 0; k < 4; ++k)
        v.push_back(std::uint8_t(t[k]));
}

std::vector<std::uint8_t> make_wav(const WavSpec& s)
{
    std::vector<std::uint8_t> v;
    put_tag(v, "RIFF");
    put32(v, s.riff_size);
    put_tag(v, "WAVE");
    put_tag(v, "fmt ");
    put32(v, s.fmt_size);
    put16(v, s.tag);
    put16(v, s.channels);
    put32(v, s.rate);
    put32(v, s.byte_rate);
    put16(v, s.block_align);
    put16(v, s.bits);
    v.resize(20 + s.fmt_size, 0xEE); // extra fmt bytes, ignored
    v.insert(v.end(), s.between.begin(), s.between.end());
    put_tag(v, "data");
    put32(v, s.declared >= 0 ? std::uint32_t(s.declared) : std::uint32_t(s.samples.size()));
    v.insert(v.end(), s.samples.begin(), s.samples.end());
    return v;
}

struct Reader {
    TempDir dir;
    ErrorText err;
    std::string path = dir.file("in.wav");

    std::optional<std::vector<std::uint8_t>> read(const std::vector<std::uint8_t>& bytes)
    {
        write_bytes(path, bytes);
        err = ErrorText();
        return wav_read(path.c_str(), 1, 16000, 1, 16, &err);
    }
    std::string refusal(const std::vector<std::uint8_t>& bytes)
    {
        auto r = read(bytes);
        EXPECT_FALSE(r.has_value());
        return err.text;
    }
};

} // namespace

TEST(WavRead, AcceptsTheDatabaseFormatWhateverTheUnexaminedFields)
{
    Reader r;
    WavSpec s;
    s.samples = {1, 2, 3, 4, 5, 6};
    auto got = r.read(make_wav(s));
    ASSERT_TRUE(got.has_value()) << r.err;
    EXPECT_EQ(*got, s.samples);

    // An 18-byte fmt chunk: its extra bytes are skipped and the data chunk
    // header is found at offset 38.
    s.fmt_size = 18;
    const auto bytes = make_wav(s);
    ASSERT_EQ(std::memcmp(bytes.data() + 38, "data", 4), 0);
    got = r.read(bytes);
    ASSERT_TRUE(got.has_value()) << r.err;
    EXPECT_EQ(*got, s.samples);

    // An odd fmt size is used as it stands, with no pad byte.
    s.fmt_size = 17;
    got = r.read(make_wav(s));
    ASSERT_TRUE(got.has_value()) << r.err;
    EXPECT_EQ(*got, s.samples);

    // A data chunk of length 0 gives an empty buffer; bytes after the data
    // chunk are ignored.
    WavSpec empty;
    auto trailing = make_wav(empty);
    trailing.insert(trailing.end(), {'L', 'I', 'S', 'T', 0, 0, 0, 0});
    got = r.read(trailing);
    ASSERT_TRUE(got.has_value()) << r.err;
    EXPECT_TRUE(got->empty());
}

TEST(WavRead, RefusesPathsAndFilesItCannotRead)
{
    ErrorText err;
    EXPECT_FALSE(wav_read(nullptr, 1, 16000, 1, 16, &err));
    EXPECT_STREQ(err, "Invalid file name.");
    EXPECT_FALSE(wav_read("", 1, 16000, 1, 16, &err));
    EXPECT_STREQ(err, "Invalid file name.");
    EXPECT_FALSE(wav_read("", 1, 16000, 1, 16, nullptr)); // no buffer: no text, no crash

    TempDir dir;
    const std::string missing = dir.file("missing.wav");
    EXPECT_FALSE(wav_read(missing.c_str(), 1, 16000, 1, 16, &err));
    EXPECT_EQ(std::string(err), "Failed to open '" + missing + "': No such file or directory");
    EXPECT_FALSE(wav_read(dir.path.c_str(), 1, 16000, 1, 16, &err));
    EXPECT_EQ(std::string(err), "Failed to open '" + dir.path + "': Is a directory");

    // A path too long for the buffer is cut, never overrun.
    const std::string long_path = dir.path + "/" + std::string(200, 'x') + "/" + std::string(200, 'y') + "/" +
                                  std::string(200, 'z') + "/" + std::string(200, 'w') + "/" + std::string(200, 'v');
    std::memset(err.text, 'Q', sizeof err.text);
    EXPECT_FALSE(wav_read(long_path.c_str(), 1, 16000, 1, 16, &err));
    EXPECT_EQ(std::strlen(err), ERROR_BUFFER_SIZE - 1);
}

TEST(WavRead, RefusesShortAndTruncatedFiles)
{
    Reader r;
    const auto valid = make_wav(WavSpec{});
    EXPECT_EQ(r.refusal({valid.begin(), valid.begin() + 35}), "File '" + r.path + "' is too small");
    EXPECT_EQ(r.refusal({}), "File '" + r.path + "' is too small");
    // Exactly the 36 header bytes: the data chunk header is missing.
    EXPECT_EQ(r.refusal({valid.begin(), valid.begin() + 36}), "Error reading '" + r.path + "'");
    // Part of the data chunk header.
    EXPECT_EQ(r.refusal({valid.begin(), valid.begin() + 41}), "Error reading '" + r.path + "'");
    // A fmt size that points past the end of the file.
    auto bytes = make_wav(WavSpec{});
    bytes[16] = 0xF0, bytes[17] = bytes[18] = bytes[19] = 0xFF;
    EXPECT_EQ(r.refusal(bytes), "Error reading '" + r.path + "'");

    WavSpec longer;
    longer.samples = {1, 2, 3, 4};
    longer.declared = 5;
    EXPECT_EQ(r.refusal(make_wav(longer)), "unexpected end of file");
    longer.declared = 0xFFFFFFFF; // must not wrap around
    EXPECT_EQ(r.refusal(make_wav(longer)), "unexpected end of file");
}

TEST(WavRead, RefusesOtherContainersAndChunkLayouts)
{
    Reader r;
    auto bytes = make_wav(WavSpec{});
    std::memcpy(bytes.data(), "RIFX", 4);
    EXPECT_EQ(r.refusal(bytes), "Invalid RIFF header");
    bytes = make_wav(WavSpec{});
    std::memcpy(bytes.data() + 8, "AVI ", 4);
    EXPECT_EQ(r.refusal(bytes), "Not a WAVE file");
    bytes = make_wav(WavSpec{});
    std::memcpy(bytes.data() + 12, "fact", 4);
    EXPECT_EQ(r.refusal(bytes), "'fmt ' chunk not found");

    // A walk over the chunks that never meets a data chunk.
    WavSpec list;
    list.between = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    auto no_data = make_wav(list);
    no_data.resize(no_data.size() - 8);
    EXPECT_EQ(r.refusal(no_data), "'data' chunk not found");
    WavSpec huge_list;
    huge_list.between = {'L', 'I', 'S', 'T', 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(r.refusal(make_wav(huge_list)), "'data' chunk not found");
}

TEST(WavRead, StepsOverChunksBetweenFmtAndData)
{
    Reader r;
    const std::vector<std::uint8_t> samples = {9, 9, 7, 7};
    // LIST, fact, an odd-sized chunk with its pad byte, an empty one.
    const std::vector<std::vector<std::uint8_t>> layouts = {
        {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'},
        {'f', 'a', 'c', 't', 4, 0, 0, 0, 2, 0, 0, 0, 'b', 'e', 'x', 't', 3, 0, 0, 0, 'a', 'b', 'c', 0},
        {'c', 'u', 'e', ' ', 0, 0, 0, 0},
    };
    for (const auto& between : layouts) {
        WavSpec s;
        s.between = between;
        s.samples = samples;
        auto got = r.read(make_wav(s));
        ASSERT_TRUE(got.has_value()) << r.err;
        EXPECT_EQ(*got, samples);
    }
}

TEST(WavRead, RefusesOtherFormatsInTheOrderOfTheChecks)
{
    Reader r;
    for (std::uint32_t tag : {3u, 65534u, 0u}) {
        WavSpec s;
        s.tag = tag;
        EXPECT_EQ(r.refusal(make_wav(s)), "File not in PCM format") << tag;
    }
    WavSpec stereo;
    stereo.channels = 2;
    stereo.rate = 44100; // the channel count is reported first
    stereo.bits = 8;
    EXPECT_EQ(r.refusal(make_wav(stereo)), "Incompatible number of audio channels: 2 (expected: 1)");
    WavSpec cd;
    cd.rate = 44100;
    cd.bits = 8;
    EXPECT_EQ(r.refusal(make_wav(cd)), "Incompatible audio samplerate: 44100 (expected: 16000)");
    WavSpec eight;
    eight.bits = 8;
    EXPECT_EQ(r.refusal(make_wav(eight)), "Incompatible number of bits per sample: 8 (expected: 16)");
    // Format faults come before layout faults.
    WavSpec both;
    both.channels = 2;
    both.between = {'f', 'a', 'c', 't', 0, 0, 0, 0};
    EXPECT_EQ(r.refusal(make_wav(both)), "Incompatible number of audio channels: 2 (expected: 1)");
}

TEST(WavWrite, WritesTheCanonicalHeader)
{
    TempDir dir;
    const std::string path = dir.file("out.wav");
    const std::vector<std::uint8_t> samples = {1, 2, 3, 4, 5, 6, 7, 8};
    ErrorText err;
    ASSERT_TRUE(wav_write(path.c_str(), false, 1, 16000, 1, 16, samples.data(), samples.size(), &err)) << err;
    const std::vector<std::uint8_t> expect = {
        'R', 'I', 'F', 'F', 44, 0, 0,    0,    'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0,
        0,   0,   1,   0,   1,  0, 0x80, 0x3E, 0,   0,   0,   0x7D, 0,  0,   2,   0,   16, 0,
        'd', 'a', 't', 'a', 8,  0, 0,    0,    1,   2,   3,   4,    5,  6,   7,   8};
    EXPECT_EQ(read_bytes(path), expect);

    // Other values are recorded as given: 8000 Hz stereo 8-bit.
    ASSERT_TRUE(wav_write(path.c_str(), true, 1, 8000, 2, 8, samples.data(), 3, &err)) << err;
    const auto other = read_bytes(path);
    ASSERT_EQ(other.size(), 47u);
    EXPECT_EQ(other[22], 2);
    EXPECT_EQ(other[28] | other[29] << 8, 16000); // bytes per second
    EXPECT_EQ(other[32], 2);                      // block align
    EXPECT_EQ(other[34], 8);
    EXPECT_EQ(other[40], 3);

    // An empty word gives a bare header.
    ASSERT_TRUE(wav_write(path.c_str(), true, 1, 16000, 1, 16, nullptr, 0, &err)) << err;
    EXPECT_EQ(read_bytes(path).size(), WAV_HEADER_SIZE);
}

TEST(WavWrite, RoundTripsThroughTheReader)
{
    TempDir dir;
    std::mt19937 rng(5);
    ErrorText err;
    for (std::size_t len : {0u, 2u, 1000u, 65538u}) {
        std::vector<std::uint8_t> samples(len);
        for (auto& b : samples)
            b = std::uint8_t(rng());
        const std::string path = dir.file(std::to_string(len) + ".wav");
        ASSERT_TRUE(wav_write(path.c_str(), false, 1, 16000, 1, 16, samples.data(), samples.size(), &err)) << err;
        const auto back = wav_read(path.c_str(), 1, 16000, 1, 16, &err);
        ASSERT_TRUE(back.has_value()) << err;
        EXPECT_EQ(*back, samples);
    }
}

TEST(WavWrite, RefusalsAndFailuresLeaveTheExistingFileIntact)
{
    TempDir dir;
    const std::string path = dir.file("keep.wav");
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    write_bytes(path, old);
    const std::vector<std::uint8_t> samples(5000, 0x55);
    ErrorText err;

    EXPECT_FALSE(wav_write(nullptr, true, 1, 16000, 1, 16, samples.data(), 2, &err));
    EXPECT_STREQ(err, "Invalid output filename");
    EXPECT_FALSE(wav_write("", true, 1, 16000, 1, 16, samples.data(), 2, &err));
    EXPECT_STREQ(err, "Invalid output filename");

    EXPECT_FALSE(wav_write(path.c_str(), false, 1, 16000, 1, 16, samples.data(), samples.size(), &err));
    EXPECT_STREQ(err, "Output file already exist");
    EXPECT_EQ(read_bytes(path), old);

    // A folder in the way cannot be opened as the output file.
    const std::string folder = dir.file("folder.wav");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    EXPECT_FALSE(wav_write(folder.c_str(), true, 1, 16000, 1, 16, samples.data(), samples.size(), &err));
    EXPECT_STREQ(err, "Unable to open output file");

    // A write that fails halfway (the file size limit stops it) reports the
    // failure and leaves the previous file and nothing else behind.
    // The limit and the ignored signal stay in a child process.
    EXPECT_EQ(run_in_child([&] {
                  std::signal(SIGXFSZ, SIG_IGN);
                  struct rlimit small {};
                  if (getrlimit(RLIMIT_FSIZE, &small) != 0)
                      return std::string("getrlimit failed");
                  small.rlim_cur = 1000;
                  if (setrlimit(RLIMIT_FSIZE, &small) != 0)
                      return std::string("setrlimit failed");
                  ErrorText child_err;
                  if (wav_write(path.c_str(), true, 1, 16000, 1, 16, samples.data(), samples.size(), &child_err))
                      return std::string("write succeeded");
                  return std::string(child_err);
              }),
              "Error saving file");
    EXPECT_EQ(read_bytes(path), old);
    EXPECT_EQ(dir_entries(dir.path), (std::vector<std::string>{"folder.wav", "keep.wav"}));

    // With the flag set the file is replaced.
    ASSERT_TRUE(wav_write(path.c_str(), true, 1, 16000, 1, 16, samples.data(), samples.size(), &err)) << err;
    EXPECT_EQ(read_bytes(path).size(), WAV_HEADER_SIZE + samples.size());
}
