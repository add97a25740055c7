// libsndfile behind the sound-file reader. Files are opened without
// blocking and must be regular files, so a named pipe with no writer is
// refused instead of hanging the import.
#include "audio/sound_file.h"

#include "io/i18n.h"

#include <algorithm>
#include <cerrno>
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

// Frames read per call while mixing down.
constexpr sf_count_t READ_BLOCK_FRAMES = 4096;

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

// Opens `path` for libsndfile; null with the reason in `err`.
SndfilePtr open_sound(const char* path, SF_INFO* info, ErrorText* err)
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
    SndfilePtr f = open_sound(path, &info, err);
    if (!f)
        return std::nullopt;
    SoundData data;
    data.format = format_of(info);
    const auto frames = std::size_t(std::max<sf_count_t>(info.frames, 0));

    // 16-bit integers read as shorts come back exactly as stored.
    if (sound_format_is_native(data.format)) {
        data.exact.resize(frames);
        const sf_count_t got = sf_read_short(f.get(), data.exact.data(), sf_count_t(frames));
        if (got < 0 || std::size_t(got) != frames) {
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
    data.mono.reserve(frames);
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
    if (sf_error(f.get()) != SF_ERR_NO_ERROR || (info.frames > 0 && data.mono.size() < frames)) {
        error_set(err, _("Error reading '%s'"), path);
        return std::nullopt;
    }
    return data;
}
