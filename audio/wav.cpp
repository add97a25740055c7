// Reading and writing WAV files in the one PCM format the database uses.
// Reading checks the header step by step, in a fixed order, so that a file
// wrong in several ways is always reported for the same first fault.
#include "audio/wav.h"

#include "io/bytes.h"
#include "io/file_io.h"
#include "io/i18n.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t CHUNK_HEADER_SIZE = 8;
constexpr std::uint64_t FMT_CHUNK_START = 20; // first byte of the fmt chunk body

bool read_exact(std::FILE* f, std::uint8_t* buf, std::size_t n) { return std::fread(buf, 1, n, f) == n; }

bool tag_is(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

} // namespace

std::optional<std::vector<std::uint8_t>> wav_read(const char* path, int format_tag, int sample_rate, int channels,
                                                  int bits_per_sample, ErrorText* err)
{
    if (!path || !*path) {
        // The full stop belongs to the message users know; keep it.
        error_set(err, _("Invalid file name."));
        return std::nullopt;
    }
    // Opened without blocking: a named pipe nobody writes to would
    // otherwise hold the open forever; it is then refused as unreadable,
    // like any pipe, because it has no length.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    FilePtr file(fd >= 0 ? ::fdopen(fd, "rb") : nullptr);
    if (fd >= 0 && !file)
        ::close(fd);
    if (!file) {
        error_set(err, _("Failed to open '%s': %s"), path, std::strerror(errno));
        return std::nullopt;
    }
    // A folder opens like a file here but is no file at all.
    struct stat st;
    if (::fstat(fileno(file.get()), &st) == 0 && S_ISDIR(st.st_mode)) {
        error_set(err, _("Failed to open '%s': %s"), path, std::strerror(EISDIR));
        return std::nullopt;
    }

    std::FILE* f = file.get();
    off_t size = -1;
    if (fseeko(f, 0, SEEK_END) == 0)
        size = ftello(f);
    if (size < 0 || fseeko(f, 0, SEEK_SET) != 0) {
        error_set(err, _("Error reading '%s'"), path);
        return std::nullopt;
    }
    const auto file_size = std::uint64_t(size);
    if (file_size < WAV_MIN_FILE_SIZE) {
        error_set(err, _("File '%s' is too small"), path);
        return std::nullopt;
    }

    std::uint8_t head[WAV_MIN_FILE_SIZE];
    if (!read_exact(f, head, sizeof head)) {
        error_set(err, _("Error reading '%s'"), path);
        return std::nullopt;
    }
    if (!tag_is(head, "RIFF")) {
        error_set(err, _("Invalid RIFF header"));
        return std::nullopt;
    }
    if (!tag_is(head + 8, "WAVE")) {
        error_set(err, _("Not a WAVE file"));
        return std::nullopt;
    }
    if (!tag_is(head + 12, "fmt ")) {
        error_set(err, _("'fmt ' chunk not found"));
        return std::nullopt;
    }
    std::uint32_t fmt_size = 0, tag = 0, file_channels = 0, rate = 0, bits = 0;
    read_u32le(head, sizeof head, 16, &fmt_size);
    read_u16le(head, sizeof head, 20, &tag);
    read_u16le(head, sizeof head, 22, &file_channels);
    read_u32le(head, sizeof head, 24, &rate);
    read_u16le(head, sizeof head, 34, &bits);
    if (std::int64_t(tag) != format_tag) {
        error_set(err, _("File not in PCM format"));
        return std::nullopt;
    }
    if (std::int64_t(file_channels) != channels) {
        error_set(err, _("Incompatible number of audio channels: %u (expected: %d)"), file_channels, channels);
        return std::nullopt;
    }
    if (std::int64_t(rate) != sample_rate) {
        error_set(err, _("Incompatible audio samplerate: %u (expected: %d)"), rate, sample_rate);
        return std::nullopt;
    }
    if (std::int64_t(bits) != bits_per_sample) {
        error_set(err, _("Incompatible number of bits per sample: %u (expected: %d)"), bits, bits_per_sample);
        return std::nullopt;
    }

    // The data chunk usually follows the fmt chunk directly, whose size is
    // taken as it stands (an odd size is not rounded up). Many programs put
    // LIST, fact, bext or cue chunks in between: those are stepped over,
    // each padded to an even length as RIFF lays them out.
    std::uint64_t data_header = FMT_CHUNK_START + fmt_size;
    std::uint8_t chunk[CHUNK_HEADER_SIZE];
    if (data_header > file_size || fseeko(f, off_t(data_header), SEEK_SET) != 0 || !read_exact(f, chunk, sizeof chunk)) {
        error_set(err, _("Error reading '%s'"), path);
        return std::nullopt;
    }
    while (!tag_is(chunk, "data")) {
        std::uint32_t skip = 0;
        read_u32le(chunk, sizeof chunk, 4, &skip);
        // Each step moves forward by at least one header, so the walk ends.
        data_header += CHUNK_HEADER_SIZE + skip + (skip & 1u);
        if (data_header + CHUNK_HEADER_SIZE > file_size) {
            error_set(err, _("'data' chunk not found"));
            return std::nullopt;
        }
        if (fseeko(f, off_t(data_header), SEEK_SET) != 0 || !read_exact(f, chunk, sizeof chunk)) {
            error_set(err, _("Error reading '%s'"), path);
            return std::nullopt;
        }
    }
    std::uint32_t data_len = 0;
    read_u32le(chunk, sizeof chunk, 4, &data_len);
    // The chunk header lies inside the file and z is below 2^32, so the sum
    // cannot overflow.
    if (data_header + CHUNK_HEADER_SIZE + data_len > file_size) {
        // Lower case on purpose: the message has always read this way.
        error_set(err, _("unexpected end of file"));
        return std::nullopt;
    }
    std::vector<std::uint8_t> samples(data_len);
    if (!read_exact(f, samples.data(), samples.size())) {
        error_set(err, _("Error reading '%s'"), path);
        return std::nullopt;
    }
    return samples;
}

void wav_header(int format_tag, int sample_rate, int channels, int bits_per_sample, std::uint32_t len,
                std::uint8_t head[WAV_HEADER_SIZE])
{
    const auto rate = std::uint32_t(sample_rate);
    const auto chans = std::uint32_t(channels);
    const auto bits = std::uint32_t(bits_per_sample);
    std::memcpy(head, "RIFF", 4);
    write_u32le(head + 4, std::uint32_t(len + (WAV_HEADER_SIZE - CHUNK_HEADER_SIZE)));
    std::memcpy(head + 8, "WAVE", 4);
    std::memcpy(head + 12, "fmt ", 4);
    write_u32le(head + 16, 16);
    write_u16le(head + 20, std::uint32_t(format_tag));
    write_u16le(head + 22, chans);
    write_u32le(head + 24, rate);
    write_u32le(head + 28, std::uint32_t(std::uint64_t(rate) * bits / 8 * chans));
    write_u16le(head + 32, bits / 8 * chans);
    write_u16le(head + 34, bits);
    std::memcpy(head + 36, "data", 4);
    write_u32le(head + 40, len);
}

bool wav_output_allowed(const char* path, bool overwrite, ErrorText* err)
{
    if (!path || !*path) {
        error_set(err, _("Invalid output filename"));
        return false;
    }
    if (!overwrite && io_entry_exists(path)) {
        // The wording is deliberate (users and saved logs know it as it is).
        error_set(err, _("Output file already exist"));
        return false;
    }
    return true;
}

bool wav_write(const char* path, bool overwrite, int format_tag, int sample_rate, int channels, int bits_per_sample,
               const std::uint8_t* data, std::size_t len, ErrorText* err)
{
    if (!wav_output_allowed(path, overwrite, err))
        return false;
    // The sizes in the header are 32-bit; a longer file could not describe
    // itself.
    if (len > WAV_MAX_DATA) {
        error_set(err, _("Error saving file"));
        error_note_cause(err, EFBIG);
        errno = EFBIG;
        return false;
    }

    std::uint8_t head[WAV_HEADER_SIZE];
    wav_header(format_tag, sample_rate, channels, bits_per_sample, std::uint32_t(len), head);

    // Written beside the target and renamed over it, so a failed export
    // never damages a file that was there before. Without leave to
    // overwrite, a file that appears meanwhile is not replaced either.
    const std::span<const std::uint8_t> parts[] = {{head, sizeof head}, {data, data ? len : 0}};
    const IoStatus status = overwrite ? io_replace_file(path, parts) : io_create_file(path, parts);
    if (status == IO_EXISTS) {
        error_set(err, _("Output file already exist"));
        return false;
    }
    return io_report(status, err);
}
