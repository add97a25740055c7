// The searching encoder: its bytes decode, with the unchanged decoder, to
// exactly the error it reports; that error is never above the plain
// encoder's on any input; it really is lower on speech-like audio; and the
// AVX2 kernels give the portable ones' bytes.
#include "audio/adpcm.h"
#include "audio/adpcm_best.h"
#include "audio/adpcm_search_kernels.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

std::vector<std::uint8_t> pcm_of(const std::vector<int>& samples)
{
    std::vector<std::uint8_t> out;
    for (int s : samples) {
        const auto v = std::uint16_t(std::int16_t(std::clamp(s, -32768, 32767)));
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    }
    return out;
}

// Squared error of decoded codes against the truncated input, in the
// 16-bit domain, over the samples the encoders code (whole pairs).
std::uint64_t squared_error(const std::vector<std::uint8_t>& pcm, const std::vector<std::uint8_t>& codes)
{
    const std::vector<std::uint8_t> dec = adpcm_decode(codes.data(), codes.size());
    std::uint64_t sum = 0;
    for (std::size_t k = 0; k < pcm.size() / 4 * 2; ++k) {
        const int x = std::int16_t(std::uint16_t(pcm[2 * k] | pcm[2 * k + 1] << 8)) / 16 * 16;
        const int y = std::int16_t(std::uint16_t(dec[2 * k] | dec[2 * k + 1] << 8));
        sum += std::uint64_t(std::int64_t(x - y) * (x - y));
    }
    return sum;
}

// Syllable-like bursts of a few partials, with silences longer than the
// search's fixing interval between them.
std::vector<int> speechlike(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 300.0);
    std::vector<int> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double t = double(k) / 16000.0;
        const double env = std::max(0.0, std::sin(2 * M_PI * 3.0 * t));
        out[k] = int(env * (9000 * std::sin(2 * M_PI * 170 * t) + 5000 * std::sin(2 * M_PI * 850 * t) +
                               2500 * std::sin(2 * M_PI * 2300 * t) + noise(rng)));
    }
    return out;
}

struct Case {
    const char* name;
    std::vector<std::uint8_t> pcm;
};

std::vector<Case> cases()
{
    std::mt19937 rng(41);
    std::vector<Case> out;
    // Every length up to 40 bytes: odd ones leave a trailing byte or
    // sample uncoded, as adpcm_encode does.
    for (std::size_t n = 0; n <= 40; ++n) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v)
            b = std::uint8_t(rng());
        out.push_back({"random bytes", v});
    }
    std::vector<int> square, clipped, tiny, swings, white;
    for (int k = 0; k < 6000; ++k) {
        square.push_back((k / 37) % 2 ? 32767 : -32768);
        clipped.push_back(int(3.0 * 32767 * std::sin(k * 0.02)));
        tiny.push_back(int(rng() % 49) - 24); // holds the step index at 0
        swings.push_back(k % 2 ? 32767 : -32768); // drives it to 48 and holds it
        white.push_back(int(rng() % 65536) - 32768);
    }
    out.push_back({"full-scale square", pcm_of(square)});
    out.push_back({"clipped sine", pcm_of(clipped)});
    out.push_back({"tiny noise", pcm_of(tiny)});
    out.push_back({"full-scale alternation", pcm_of(swings)});
    out.push_back({"white noise", pcm_of(white)});
    out.push_back({"silence", pcm_of(std::vector<int>(3000, 0))});
    out.push_back({"constant", pcm_of(std::vector<int>(3001, 1000))});
    out.push_back({"negative constant", pcm_of(std::vector<int>(3000, -32768))});
    out.push_back({"speech-like", pcm_of(speechlike(9000, 5))});
    // Full scale, silence, then full-scale runs of 1 to 3 samples: here,
    // at width 2, the plain path overtakes the path the search has already
    // fixed, which must then be given up for the plain codes.
    std::vector<int> overtaken(574, 32767);
    overtaken.resize(1096, 0);
    unsigned lcg = 15;
    for (int level = 32767; overtaken.size() < 1828; level = level > 0 ? -32768 : 32767) {
        lcg = lcg * 1103515245u + 12345u;
        overtaken.resize(overtaken.size() + 1 + (lcg >> 16) % 3, level);
    }
    out.push_back({"overtaken by plain", pcm_of(overtaken)});
    return out;
}

} // namespace

TEST(AdpcmBest, DecodesToTheReportedErrorAndNeverWorseThanPlain)
{
    for (const Case& c : cases()) {
        const std::vector<std::uint8_t> plain = adpcm_encode(c.pcm.data(), c.pcm.size());
        for (int width : {-3, 1, 2, 5, 16, 40}) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << c.pcm.size() << " bytes, width " << width);
            const AdpcmSearchResult r = adpcm_search(c.pcm.data(), c.pcm.size(), width);
            ASSERT_EQ(r.bytes.size(), plain.size());
            if (c.pcm.size() % 4 != 0) {
                EXPECT_EQ(r.bytes.back(), 0);
            }
            EXPECT_EQ(squared_error(c.pcm, r.bytes), r.squared_error);
            EXPECT_EQ(squared_error(c.pcm, plain), r.plain_squared_error);
            EXPECT_LE(r.squared_error, r.plain_squared_error);
            if (width <= 1) {
                EXPECT_EQ(r.bytes, plain);
            }
            const auto& portable = adpcm_search_kernels_portable();
            EXPECT_EQ(adpcm_search(c.pcm.data(), c.pcm.size(), width, &portable).bytes, r.bytes);
        }
    }
}

TEST(AdpcmBest, SilenceStaysPlainAndSpeechGetsCloser)
{
    // Nothing beats the plain codes on silence; a tie keeps them.
    const auto silence = pcm_of(std::vector<int>(2000, 0));
    EXPECT_EQ(adpcm_encode_best(silence.data(), silence.size()), adpcm_encode(silence.data(), silence.size()));

    for (unsigned seed : {1u, 2u, 3u}) {
        const auto pcm = pcm_of(speechlike(16000, seed));
        const AdpcmSearchResult r = adpcm_search(pcm.data(), pcm.size(), ADPCM_BEST_WIDTH);
        const double gain_db = 10 * std::log10(double(r.plain_squared_error) / double(r.squared_error));
        EXPECT_GT(gain_db, 1.5) << seed;
    }
}

TEST(AdpcmBest, QualityChoosesTheEncoder)
{
    const auto pcm = pcm_of(speechlike(3000, 9));
    EXPECT_EQ(
        adpcm_encode_quality(pcm.data(), pcm.size(), AdpcmQuality::STANDARD), adpcm_encode(pcm.data(), pcm.size()));
    EXPECT_EQ(
        adpcm_encode_quality(pcm.data(), pcm.size(), AdpcmQuality::BEST), adpcm_encode_best(pcm.data(), pcm.size()));
    EXPECT_NE(adpcm_encode_best(pcm.data(), pcm.size()), adpcm_encode(pcm.data(), pcm.size()));
}

TEST(AdpcmSearchKernels, SortAndNearCopyAgreeWithThePortableOnes)
{
    const auto& native = adpcm_search_kernels_native();
    const auto& portable = adpcm_search_kernels_portable();
    std::mt19937 rng(8);
    for (int n = 1; n <= 300; ++n) {
        std::vector<std::uint32_t> keys(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k)
            keys[std::size_t(k)] = std::uint32_t(rng() % 5000) << 9 | std::uint32_t(k); // distinct
        auto a = keys, b = keys;
        native.sort(a.data(), n);
        portable.sort(b.data(), n);
        std::sort(keys.begin(), keys.end());
        ASSERT_EQ(a, keys) << native.name << ", " << n << " keys";
        ASSERT_EQ(b, keys) << n << " keys";
    }
    const std::vector<std::int32_t> kept = {-1000000, 50, 8192 + 50, 3 * 8192 - 2048, 0, 0, 0, 0};
    const struct {
        int key, near;
        bool found;
    } probes[] = {{52, 2, true}, {53, 2, false}, {48, 2, true}, {8192 + 50, 0, true}, {8192 + 51, 0, false},
        {3 * 8192 - 2048 - 24, 24, true}, {2 * 8192 + 40, 24, false}, {-999990, 5, false}};
    for (const auto& p : probes) {
        EXPECT_EQ(native.near_copy(kept.data(), 8, p.key, p.near), p.found) << p.key;
        EXPECT_EQ(portable.near_copy(kept.data(), 8, p.key, p.near), p.found) << p.key;
    }
}
