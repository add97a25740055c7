// Resampling and dithering for imported audio.
#include "audio/pcm_convert.h"

#include <cmath>
#include <memory>
#include <soxr.h>

namespace {

struct SoxrDeleter {
    void operator()(soxr_t s) const { soxr_delete(s); }
};
using SoxrPtr = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDeleter>;

// One resampler per thread, rebuilt only when the rates change: a batch
// of files from one recorder reuses the same filter.
struct Resampler {
    SoxrPtr soxr;
    int rate_in = 0;
    int rate_out = 0;

    soxr_t get(int in, int out)
    {
        if (soxr && rate_in == in && rate_out == out) {
            soxr_clear(soxr.get());
            return soxr.get();
        }
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
        // One thread inside the resampler: batches run one file per core.
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        soxr.reset(soxr_create(double(in), double(out), 1, &error, &io, &quality, &runtime));
        rate_in = in;
        rate_out = out;
        return error ? nullptr : soxr.get();
    }
};

// xorshift32: cheap, and good enough for dither noise.
struct Noise {
    std::uint32_t state;
    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return float(state >> 8) * (1.0f / 16777216.0f); // [0, 1)
    }
};

} // namespace

std::vector<float> audio_resample(std::span<const float> in, int rate_in, int rate_out)
{
    if (rate_in == rate_out || in.empty())
        return {in.begin(), in.end()};
    thread_local Resampler resampler;
    soxr_t s = resampler.get(rate_in, rate_out);
    if (!s)
        return {};
    const double ratio = double(rate_out) / double(rate_in);
    std::vector<float> out(std::size_t(std::ceil(double(in.size()) * ratio)) + 64);
    std::size_t used = 0, made = 0, tail = 0;
    soxr_process(s, in.data(), in.size(), &used, out.data(), out.size(), &made);
    // End of input: the filter's delay line gives up its last samples.
    soxr_process(s, nullptr, 0, nullptr, out.data() + made, out.size() - made, &tail);
    out.resize(made + tail);
    return out;
}

Pcm16 audio_dither_to_pcm16(std::span<const float> in, std::uint32_t seed)
{
    Pcm16 out;
    out.samples.resize(in.size());
    Noise noise{seed ? seed : 1};
    for (std::size_t i = 0; i < in.size(); ++i) {
        // The difference of two uniform values has a triangular density
        // over +-1 LSB, which makes the rounding error independent of the
        // signal.
        const float dither = noise.next() - noise.next();
        const float v = std::nearbyint(in[i] * 32768.0f + dither);
        if (std::isnan(v)) {
            out.samples[i] = 0;
            continue;
        }
        if (v > 32767.0f || v < -32768.0f) {
            ++out.clipped;
            out.samples[i] = v < 0.0f ? -32768 : 32767;
            continue;
        }
        out.samples[i] = std::int16_t(v);
    }
    return out;
}
