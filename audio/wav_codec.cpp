// WAV file <-> ADPCM bytes.
#include "audio/wav_codec.h"

#include "audio/adpcm.h"
#include "audio/wav.h"
#include "io/bytes.h"
#include "io/file_io.h"
#include "io/i18n.h"

#include <algorithm>

#include <cerrno>

namespace {

constexpr int WAV_FORMAT_PCM = 1;
// Up to this many ADPCM bytes (4 MiB of samples) are decoded in one go.
constexpr std::size_t DECODE_WHOLE_LIMIT = std::size_t(1) << 20;
constexpr std::size_t DECODE_BLOCK_BYTES = std::size_t(1) << 16;

} // namespace

std::optional<std::vector<std::uint8_t>> adpcm_encode_wav_file(const char* path, int sample_rate, int channels,
                                                               int bits_per_sample, ErrorText* err, AdpcmQuality quality)
{
    auto samples = wav_read(path, WAV_FORMAT_PCM, sample_rate, channels, bits_per_sample, err);
    if (!samples)
        return std::nullopt;
    if (samples->size() <= 3) {
        error_set(err, _("File is too small"));
        return std::nullopt;
    }
    // The encoder codes whole pairs of samples; zero bytes complete the last.
    samples->resize((samples->size() + 3) / 4 * 4, 0);
    return adpcm_encode_quality(samples->data(), samples->size(), quality);
}

bool adpcm_decode_to_wav_file(const std::uint8_t* adpcm, std::size_t len, const char* path, bool overwrite,
                              int sample_rate, int channels, int bits_per_sample, ErrorText* err)
{
    // Small inputs go through the fast whole-buffer decoder.
    if (len <= DECODE_WHOLE_LIMIT) {
        std::vector<std::uint8_t> pcm = adpcm_decode(adpcm, len);
        return wav_write(path, overwrite, WAV_FORMAT_PCM, sample_rate, channels, bits_per_sample, pcm.data(),
                         pcm.size(), err);
    }
    if (!wav_output_allowed(path, overwrite, err))
        return false;
    // Every byte decodes to four: the WAV limit is known before anything
    // is decoded, and the samples go out a block at a time, so memory stays
    // at the input's size however long the recording.
    if (std::uint64_t(len) * 4 > WAV_MAX_DATA) {
        error_set(err, _("Error saving file"));
        error_note_cause(err, EFBIG);
        errno = EFBIG;
        return false;
    }
    const IoWriter write = [&](int fd) {
        std::uint8_t head[WAV_HEADER_SIZE];
        wav_header(WAV_FORMAT_PCM, sample_rate, channels, bits_per_sample, std::uint32_t(len * 4), head);
        std::vector<std::uint8_t> block(DECODE_BLOCK_BYTES * 4);
        AdpcmState state;
        adpcm_reset(&state);
        if (!io_write_parts(fd, std::initializer_list<std::span<const std::uint8_t>>{{head, sizeof head}}))
            return false;
        for (std::size_t at = 0; at < len; at += DECODE_BLOCK_BYTES) {
            const std::size_t n = std::min(DECODE_BLOCK_BYTES, len - at);
            for (std::size_t k = 0; k < n; ++k) {
                write_u16le(&block[4 * k], std::uint16_t(adpcm_decode_nibble(adpcm[at + k] >> 4, &state) * 16));
                write_u16le(&block[4 * k + 2], std::uint16_t(adpcm_decode_nibble(adpcm[at + k] & 15, &state) * 16));
            }
            if (!io_write_parts(fd, std::initializer_list<std::span<const std::uint8_t>>{{block.data(), 4 * n}}))
                return false;
        }
        return true;
    };
    return io_report(io_replace_file_with(path, write), err);
}
