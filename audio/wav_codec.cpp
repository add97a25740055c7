// WAV file <-> ADPCM bytes.
#include "audio/wav_codec.h"

#include "audio/adpcm.h"
#include "audio/wav.h"

constexpr int WAV_FORMAT_PCM = 1;

std::optional<std::vector<std::uint8_t>> adpcm_encode_wav_file(const char* path, int sample_rate, int channels,
                                                               int bits_per_sample, ErrorText* err, AdpcmQuality quality)
{
    auto samples = wav_read(path, WAV_FORMAT_PCM, sample_rate, channels, bits_per_sample, err);
    if (!samples)
        return std::nullopt;
    if (samples->size() <= 3) {
        error_set(err, "File is too small");
        return std::nullopt;
    }
    // The encoder codes whole pairs of samples; zero bytes complete the last.
    samples->resize((samples->size() + 3) / 4 * 4, 0);
    return adpcm_encode_quality(samples->data(), samples->size(), quality);
}

bool adpcm_decode_to_wav_file(const std::uint8_t* adpcm, std::size_t len, const char* path, bool overwrite,
                              int sample_rate, int channels, int bits_per_sample, ErrorText* err)
{
    std::vector<std::uint8_t> pcm = adpcm_decode(adpcm, len);
    return wav_write(path, overwrite, WAV_FORMAT_PCM, sample_rate, channels, bits_per_sample, pcm.data(), pcm.size(),
                     err);
}
