// The import pipeline of one word.
#include "audio/audio_import.h"

#include "audio/pcm_convert.h"
#include "audio/shaping.h"
#include "audio/wav.h"
#include "io/i18n.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int NATIVE_RATE = 16000;
constexpr int WAV_FORMAT_PCM = 1;

// The samples of a file in the database's format, as the strict reader
// hands them over.
std::vector<std::int16_t> to_samples(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::int16_t> s(bytes.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::int16_t(std::uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return s;
}

std::vector<float> to_float(std::span<const std::int16_t> s)
{
    std::vector<float> f(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
        f[i] = float(s[i]) * (1.0f / 32768.0f);
    return f;
}

// A trailing odd byte of the strict reader's data is a sample's low half;
// it is kept as one, as the plain import always kept it.
std::vector<std::int16_t> strict_samples(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::uint8_t> even = bytes;
    if (even.size() % 2)
        even.push_back(0);
    return to_samples(even);
}

} // namespace

std::vector<std::uint8_t> audio_encode_pcm16(std::span<const std::int16_t> samples, AdpcmQuality quality)
{
    std::vector<std::uint8_t> pcm((samples.size() + 1) / 2 * 4, 0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto v = std::uint16_t(samples[i]);
        pcm[2 * i] = std::uint8_t(v);
        pcm[2 * i + 1] = std::uint8_t(v >> 8);
    }
    return adpcm_encode_quality(pcm.data(), pcm.size(), quality);
}

std::optional<ImportedWord> audio_import_file(const char* path, const ImportOptions& options, ErrorText* err)
{
    ImportedWord word;
    ImportReport& report = word.report;

    // The strict reader first: it decides what a file without conversion
    // may be, and its messages are the ones users know.
    std::vector<std::int16_t> exact;
    std::vector<float> mono;
    ErrorText strict_err;
    auto strict = wav_read(path, WAV_FORMAT_PCM, NATIVE_RATE, 1, 16, &strict_err);
    if (strict) {
        if (strict->size() <= 3) {
            error_set(err, _("File is too small"));
            return std::nullopt;
        }
        exact = strict_samples(*strict);
        report.source = SoundFormat{NATIVE_RATE, 1, 16, SampleKind::Integer, {}};
    } else {
        if (!options.convert) {
            error_set(err, "%s", strict_err.text);
            return std::nullopt;
        }
        auto data = sound_file_read(path, err);
        if (!data)
            return std::nullopt;
        report.source = data->format;
        if (sound_format_is_native(data->format)) {
            exact = std::move(data->exact);
        } else {
            mono = audio_resample(data->mono, data->format.sample_rate, NATIVE_RATE);
            report.converted = true;
        }
        if (exact.size() + mono.size() < 2) {
            error_set(err, _("File is too small"));
            return std::nullopt;
        }
    }

    const bool converted = report.converted;
    if (!converted && (options.trim_db || options.level_lufs))
        mono = to_float(exact);
    if (options.trim_db) {
        const SampleRange keep = audio_trim_range(mono, NATIVE_RATE, *options.trim_db);
        report.trimmed = mono.size() - (keep.end - keep.begin);
        // Without other changes the exact samples are cut, not re-dithered.
        if (!exact.empty())
            exact = std::vector<std::int16_t>(exact.begin() + std::ptrdiff_t(keep.begin),
                                              exact.begin() + std::ptrdiff_t(keep.end));
        mono = std::vector<float>(mono.begin() + std::ptrdiff_t(keep.begin), mono.begin() + std::ptrdiff_t(keep.end));
    }
    if (options.level_lufs) {
        const LevelGain g = audio_level_gain(mono, NATIVE_RATE, *options.level_lufs);
        report.gain_db = g.gain_db;
        report.peak_limited = g.peak_limited;
        const auto factor = float(std::pow(10.0, g.gain_db / 20.0));
        for (float& x : mono)
            x *= factor;
    }
    if (converted || options.level_lufs) {
        Pcm16 pcm = audio_dither_to_pcm16(mono);
        report.clipped = pcm.clipped;
        exact = std::move(pcm.samples);
    }
    word.adpcm = audio_encode_pcm16(exact, options.quality);
    return word;
}
