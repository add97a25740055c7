// libsndfile behind the sound-file reader. Files are opened without
// blocking and must be regular files, so a named pipe with no writer is
// refused instead of hanging the import.
#include "audio/sound_file.h"

#include "io/i18n.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// Frames read per call.
constexpr sf_count_t READ_BLOCK_FRAMES = 4096;

// How many frames a file of `file_bytes` may plausibly hold, for reserving
// room before reading. The length in a header is the file's own claim: a
// few kilobytes of FLAC may say two billion samples. Room is reserved for
// at most this many; a file that truly holds more (silence compresses
// well) grows its buffer as the samples arrive.
constexpr std::uint64_t PLAUSIBLE_FRAMES_PER_BYTE = 16;

std::size_t frames_to_reserve(sf_count_t claimed, off_t file_bytes)
{
    if (claimed <= 0 || file_bytes <= 0)
        return 0;
    const auto bytes = std::uint64_t(file_bytes);
    const std::uint64_t plausible = bytes > UINT64_MAX / PLAUSIBLE_FRAMES_PER_BYTE
        ? UINT64_MAX
        : bytes * PLAUSIBLE_FRAMES_PER_BYTE;
    return std::size_t(std::min(std::uint64_t(claimed), plausible));
}

SoundFormat format_of(const SF_INFO& info)
{
    SoundFormat f;
    f.sample_rate = info.samplerate;
    f.channels = info.channels;
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        f.bits = 8;
        break;
    case SF_FORMAT_PCM_16:
        f.bits = 16;
        break;
    case SF_FORMAT_PCM_24:
        f.bits = 24;
        break;
    case SF_FORMAT_PCM_32:
        f.bits = 32;
        break;
    case SF_FORMAT_FLOAT:
        f.bits = 32;
        f.kind = SampleKind::Float;
        break;
    case SF_FORMAT_DOUBLE:
        f.bits = 64;
        f.kind = SampleKind::Float;
        break;
    case SF_FORMAT_VORBIS:
        f.kind = SampleKind::Compressed;
        f.codec = "Vorbis";
        break;
    case SF_FORMAT_OPUS:
        f.kind = SampleKind::Compressed;
        f.codec = "Opus";
        break;
    default:
        f.kind = SampleKind::Compressed;
        f.codec = "compressed";
        break;
    }
    return f;
}

// Opens `path` for libsndfile; null with the reason in `err`. With
// `file_bytes`, the file's size is stored there.
SndfilePtr open_sound(const char* path, SF_INFO* info, ErrorText* err, off_t* file_bytes = nullptr)
{
    if (!path || !*path) {
        error_set(err, _("Invalid file name."));
        return nullptr;
    }
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_set(err, _("Failed to open '%s': %s"), path, std::strerror(errno));
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        error_set(err, _("Failed to open '%s': %s"), path, std::strerror(code));
        return nullptr;
    }
    if (file_bytes)
        *file_bytes = st.st_size;
    // A regular file never blocks; the library expects ordinary reads.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *info = SF_INFO{};
    SndfilePtr f(sf_open_fd(fd, SFM_READ, info, SF_TRUE));
    if (!f) {
        error_set(err, _("Unsupported audio file '%s': %s"), path, sf_strerror(nullptr));
        return nullptr;
    }
    if (info->channels < 1 || info->samplerate < 1) {
        error_set(err, _("Unsupported audio file '%s': %s"), path, _("no audio"));
        return nullptr;
    }
    return f;
}

} // namespace

std::string sound_format_text(const SoundFormat& f)
{
    std::string text = std::to_string(f.sample_rate) + " Hz, ";
    if (f.channels == 1)
        text += "mono";
    else if (f.channels == 2)
        text += "stereo";
    else
        text += std::to_string(f.channels) + " channels";
    text += ", ";
    if (f.kind == SampleKind::Compressed)
        text += f.codec;
    else
        text += std::to_string(f.bits) + (f.kind == SampleKind::Float ? "-bit float" : "-bit");
    return text;
}

bool sound_format_is_native(const SoundFormat& f)
{
    return f.sample_rate == 16000 && f.channels == 1 && f.bits == 16 && f.kind == SampleKind::Integer;
}

std::optional<SoundFormat> sound_file_probe(const char* path, ErrorText* err)
{
    SF_INFO info;
    SndfilePtr f = open_sound(path, &info, err);
    if (!f)
        return std::nullopt;
    return format_of(info);
}

std::optional<SoundData> sound_file_read(const char* path, ErrorText* err)
{
    SF_INFO info;
    off_t file_bytes = 0;
    SndfilePtr f = open_sound(path, &info, err, &file_bytes);
    if (!f)
        return std::nullopt;
    SoundData data;
    data.format = format_of(info);
    const auto frames = std::size_t(std::max<sf_count_t>(info.frames, 0));
    const std::size_t reserve = frames_to_reserve(info.frames, file_bytes);
    // A file that ends before the length its header claims is broken.
    const auto short_of_claim = [&](std::size_t got) {
        return sf_error(f.get()) != SF_ERR_NO_ERROR || (info.frames > 0 && got < frames);
    };

    // 16-bit integers read as shorts come back exactly as stored.
    if (sound_format_is_native(data.format)) {
        data.exact.reserve(reserve);
        for (;;) {
            const std::size_t at = data.exact.size();
            data.exact.resize(at + std::size_t(READ_BLOCK_FRAMES));
            const sf_count_t got = sf_read_short(f.get(), data.exact.data() + at, READ_BLOCK_FRAMES);
            data.exact.resize(at + std::size_t(std::max<sf_count_t>(got, 0)));
            if (got <= 0)
                break;
        }
        if (short_of_claim(data.exact.size())) {
            error_set(err, _("Error reading '%s'"), path);
            return std::nullopt;
        }
        return data;
    }

    // Everything else is mixed down to one channel as it is read: the
    // average of the channels, so a centred voice keeps its level.
    const int channels = info.channels;
    const float scale = 1.0f / float(channels);
    std::vector<float> block(std::size_t(READ_BLOCK_FRAMES) * std::size_t(channels));
    data.mono.reserve(reserve);
    for (;;) {
        const sf_count_t got = sf_readf_float(f.get(), block.data(), READ_BLOCK_FRAMES);
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i) {
            const float* frame = block.data() + std::size_t(i) * std::size_t(channels);
            float sum = 0.0f;
            for (int c = 0; c < channels; ++c)
                sum += frame[c];
            data.mono.push_back(channels == 1 ? sum : sum * scale);
        }
    }
    if (short_of_claim(data.mono.size())) {
        error_set(err, _("Error reading '%s'"), path);
        return std::nullopt;
    }
    return data;
}
