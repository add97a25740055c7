// Fuzz target: any bytes as a WAV file. The reader works on a file, so each
// input is written to one file in a private temporary folder (in memory
// when /dev/shm exists) and read back from there. Whatever it accepts must
// be exactly the sample bytes the data chunk declares, the first one met
// walking the chunks from the fmt chunk on.
#include "audio/wav.h"
#include "fuzz/fuzz_target.h"
#include "io/bytes.h"

#include <cstring>
#include <string>

namespace {

std::string g_path;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_path = fuzz_temp_dir("wav-fuzz") + "/input.wav";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_write_file(g_path, data, size);
    ErrorText err;
    const auto samples = wav_read(g_path.c_str(), 1, 16000, 1, 16, &err);
    if (!samples) {
        FUZZ_CHECK(err[0] != 0 && std::memchr(err, 0, sizeof err), "refusal without a message");
        return 0;
    }
    // Accepted: the header holds the expected format, and a data chunk,
    // reached from the fmt chunk over whole chunks, lies inside the file.
    std::uint32_t fmt = 0, tag = 0, channels = 0, rate = 0, bits = 0, length = 0;
    FUZZ_CHECK(read_u32le(data, size, 16, &fmt) && read_u16le(data, size, 20, &tag)
                   && read_u16le(data, size, 22, &channels) && read_u32le(data, size, 24, &rate)
                   && read_u16le(data, size, 34, &bits),
               "accepted a short header");
    FUZZ_CHECK(tag == 1 && channels == 1 && rate == 16000 && bits == 16, "accepted another format");
    std::uint64_t chunk = 20 + std::uint64_t(fmt);
    for (;;) {
        FUZZ_CHECK(read_u32le(data, size, chunk + 4, &length), "accepted without a data chunk");
        if (std::memcmp(data + chunk, "data", 4) == 0)
            break;
        chunk += 8 + std::uint64_t(length) + (length & 1u);
    }
    FUZZ_CHECK(in_bounds(size, chunk + 8, length) && samples->size() == length, "wrong sample length");
    FUZZ_CHECK(length == 0 || std::memcmp(samples->data(), data + chunk + 8, length) == 0, "wrong sample bytes");
    return 0;
}
