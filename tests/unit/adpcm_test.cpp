// ADPCM codec: the fixed vectors the car's decoder agrees with, the encoder
// tracking the decoder, and the fast buffer coders against the plain
// per-nibble ones on random input and on the extremes of both limits.
#include "audio/adpcm.h"
#include "audio/adpcm_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

std::vector<int> samples_of(const std::vector<std::uint8_t>& pcm)
{
    std::vector<int> out;
    for (std::size_t k = 0; k + 1 < pcm.size(); k += 2)
        out.push_back(std::int16_t(std::uint16_t(pcm[k] | (pcm[k + 1] << 8))));
    return out;
}

std::vector<std::uint8_t> pcm_of(const std::vector<int>& samples)
{
    std::vector<std::uint8_t> out;
    for (int s : samples) {
        const auto v = std::uint16_t(std::int16_t(s));
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    }
    return out;
}

std::vector<std::uint8_t> decode(const std::vector<std::uint8_t>& in) { return adpcm_decode(in.data(), in.size()); }
std::vector<std::uint8_t> encode(const std::vector<std::uint8_t>& in) { return adpcm_encode(in.data(), in.size()); }

} // namespace

TEST(AdpcmNibble, CodesFromResetStateAndLimitsOfStepIndex)
{
    AdpcmState st{123, 7};
    adpcm_reset(&st);
    EXPECT_EQ(st.predictor, 0);
    EXPECT_EQ(st.step_index, 0);

    EXPECT_EQ(adpcm_decode_nibble(8, &st), -2);
    EXPECT_EQ(st.step_index, 0);
    adpcm_reset(&st);
    EXPECT_EQ(adpcm_decode_nibble(0, &st), 2);
    EXPECT_EQ(st.step_index, 0);

    // Each part of the change is divided separately: step 19 with code 7
    // gives 2 + 4 + 9 + 19 = 34, where one division of 19 * 15 would give 35.
    st = AdpcmState{0, 2};
    EXPECT_EQ(adpcm_decode_nibble(7, &st), 34);
    EXPECT_EQ(st.step_index, 10);

    st = AdpcmState{0, 46};
    adpcm_decode_nibble(7, &st);
    EXPECT_EQ(st.step_index, 48);
    EXPECT_EQ(ADPCM_STEPS[47], 1408);
}

TEST(AdpcmNibble, EncoderComparisonsIncludeEquality)
{
    // From the reset state (step 16): thresholds 4, 8 and 16 are reached
    // by a difference equal to them.
    const struct {
        int sample;
        int code;
    } cases[] = {{3, 0}, {4, 1}, {8, 2}, {12, 3}, {16, 4}, {28, 7}, {0, 0}, {-1, 8}, {-4, 9}, {-16, 12}, {-2047, 15}};
    for (const auto& c : cases) {
        AdpcmState st;
        adpcm_reset(&st);
        EXPECT_EQ(adpcm_encode_sample(c.sample, &st), c.code) << c.sample;
    }
}

TEST(AdpcmDecode, FixedVectors)
{
    EXPECT_EQ(samples_of(decode({0x08, 0x77, 0x80, 0xFF})), (std::vector<int>{32, 0, 480, 1488, 1344, 1472, -320, -4208}));

    // A run of 0x77 climbs to the upper limit and stays there; no wrap.
    std::vector<int> expect = {480, 1488, 3664, 8352, 18448, 32752};
    expect.resize(400, 32752);
    EXPECT_EQ(samples_of(decode(std::vector<std::uint8_t>(200, 0x77))), expect);

    // The mirror image stops at the lower limit, -2048 * 16.
    const auto down = samples_of(decode(std::vector<std::uint8_t>(200, 0xFF)));
    EXPECT_EQ(down.back(), -32768);
    EXPECT_EQ(*std::min_element(down.begin(), down.end()), -32768);

    for (std::size_t n : {0u, 1u, 2u, 3u, 1001u})
        EXPECT_EQ(decode(std::vector<std::uint8_t>(n, 0x5A)).size(), 4 * n);
}

TEST(AdpcmEncode, FixedVectors)
{
    EXPECT_EQ(encode(pcm_of({0, 1000, 2000, 3000, -1000, -20000, 32767, -32768})),
              (std::vector<std::uint8_t>{0x07, 0x75, 0xFF, 0x7F}));
    // Division by 16 truncates toward zero: -1 and -15 are 0, -17 is -1.
    EXPECT_EQ(encode(pcm_of({-1, -15, -16, -17})), (std::vector<std::uint8_t>{0x08, 0x80}));

    // An unpaired trailing sample is not coded; its byte stays 0.
    const auto three = encode(pcm_of({4000, 8000, 12000}));
    ASSERT_EQ(three.size(), 2u);
    EXPECT_EQ(three[1], 0);
    EXPECT_TRUE(encode({}).empty());
    for (std::size_t len : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u})
        EXPECT_EQ(encode(std::vector<std::uint8_t>(len, 0x40)).size(), (len + 3) / 4) << len;
}

TEST(AdpcmEncode, DecodingGivesTheEncodersTrackedPredictor)
{
    std::mt19937 rng(3);
    std::vector<int> samples(4000);
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = int(20000 * std::sin(double(k) * 0.05) * std::sin(double(k) * 0.001)) + int(rng() % 2001) - 1000;
    const auto enc = encode(pcm_of(samples));
    const auto dec = samples_of(decode(enc));
    ASSERT_EQ(dec.size(), samples.size());

    AdpcmState st;
    adpcm_reset(&st);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const int code = adpcm_encode_sample(samples[k] / 16, &st);
        ASSERT_EQ(code, (enc[k / 2] >> (k % 2 ? 0 : 4)) & 15) << k;
        ASSERT_EQ(dec[k], st.predictor * 16) << k;
    }
}

TEST(AdpcmBuffers, EachBufferStartsFromAFreshState)
{
    const std::vector<std::uint8_t> word1(37, 0x77), word2 = {0x12, 0x9A, 0x3F, 0x70, 0x08};
    const auto alone = decode(word2);
    decode(word1);
    EXPECT_EQ(decode(word2), alone);
    auto both = word1;
    both.insert(both.end(), word2.begin(), word2.end());
    const auto joined = decode(both);
    EXPECT_FALSE(std::equal(alone.begin(), alone.end(), joined.end() - std::ptrdiff_t(alone.size())));

    const auto pcm = pcm_of({300, -5000, 7000, 120, 16000, -16000, 8, 9});
    const auto once = encode(pcm);
    encode(pcm_of(std::vector<int>(64, 32767)));
    EXPECT_EQ(encode(pcm), once);
}

// The fast coders must give exactly the bytes of the plain per-nibble ones.
TEST(AdpcmBuffers, FastDecodeMatchesReferenceOnRandomAndExtremeInput)
{
    std::mt19937 rng(17);
    std::vector<std::vector<std::uint8_t>> inputs;
    for (std::size_t n : {0u, 1u, 2u, 3u, 255u, 256u, 257u, 511u, 4099u, 100001u}) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v)
            b = std::uint8_t(rng());
        inputs.push_back(v);
    }
    // Long runs at both limits, with the step index held at 48.
    inputs.push_back(std::vector<std::uint8_t>(5000, 0x77));
    inputs.push_back(std::vector<std::uint8_t>(5000, 0xFF));
    inputs.push_back(std::vector<std::uint8_t>(5001, 0x7F));
    inputs.push_back(std::vector<std::uint8_t>(5001, 0xF7));
    // Step index held at 0 while the predictor drifts to each limit.
    inputs.push_back(std::vector<std::uint8_t>(3000, 0x33));
    inputs.push_back(std::vector<std::uint8_t>(3000, 0xBB));
    inputs.push_back(std::vector<std::uint8_t>(3001, 0x08));
    // Runs that swing from one limit to the other.
    std::vector<std::uint8_t> swings;
    for (int k = 0; k < 300; ++k)
        swings.insert(swings.end(), std::size_t(1 + k % 23), k % 2 ? 0x77 : 0xFF);
    inputs.push_back(swings);
    // Random codes drawn only from the small magnitudes, then only large.
    for (int mask : {0x33, 0xBB, 0xCC, 0x77}) {
        std::vector<std::uint8_t> v(7777);
        for (auto& b : v)
            b = std::uint8_t(rng() & unsigned(mask));
        inputs.push_back(v);
    }

    for (std::size_t t = 0; t < inputs.size(); ++t) {
        const auto& in = inputs[t];
        ASSERT_EQ(adpcm_decode(in.data(), in.size()), adpcm_decode_reference(in.data(), in.size())) << "input " << t;
    }
}

TEST(AdpcmBuffers, FastEncodeMatchesReferenceOnRandomAndExtremeInput)
{
    std::mt19937 rng(29);
    std::vector<std::vector<std::uint8_t>> inputs;
    // Uniform random bytes, every length from 0 to 40 and a few long ones:
    // odd lengths leave a trailing byte or sample unencoded.
    for (std::size_t n = 0; n <= 40; ++n) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v)
            b = std::uint8_t(rng());
        inputs.push_back(v);
    }
    for (std::size_t n : {4095u, 4097u, 200002u}) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v)
            b = std::uint8_t(rng());
        inputs.push_back(v);
    }
    // Full-scale square waves and constants: long runs at both limits with
    // the step index driven to 48; silence and tiny noise hold it at 0.
    std::vector<int> square, tiny, ramps, loud_sine;
    for (int k = 0; k < 20000; ++k) {
        square.push_back((k / 500) % 2 ? 32767 : -32768);
        tiny.push_back(int(rng() % 65) - 32);
        ramps.push_back((k * 97) % 65536 - 32768);
        loud_sine.push_back(int(std::lround(32767 * std::sin(k * 0.3))));
    }
    for (const auto* s : {&square, &tiny, &ramps, &loud_sine})
        inputs.push_back(pcm_of(*s));
    inputs.push_back(pcm_of(std::vector<int>(9000, 32767)));
    inputs.push_back(pcm_of(std::vector<int>(9000, -32768)));
    inputs.push_back(pcm_of(std::vector<int>(9001, 0)));
    inputs.push_back(pcm_of(std::vector<int>(9001, -17)));
    // Differences from the encoder's own predictor that land on, just
    // below and just above each boundary of the current step size, on
    // both sides: a plain coder run alongside says where the predictor and
    // step size are before each sample.
    std::vector<int> edges;
    AdpcmState st;
    adpcm_reset(&st);
    for (int k = 0; k < 30000; ++k) {
        const int s = ADPCM_STEPS[std::size_t(st.step_index)];
        const int t[] = {0, s / 4, s / 2, s / 2 + s / 4, s, s + s / 4, s + s / 2, s + s / 2 + s / 4};
        const int d = (t[rng() % 8] + int(rng() % 3) - 1) * (rng() % 2 ? 1 : -1);
        const int x = std::clamp(st.predictor + d, -2048, 2047);
        adpcm_encode_sample(x, &st);
        edges.push_back(x * 16);
    }
    inputs.push_back(pcm_of(edges));

    for (std::size_t t = 0; t < inputs.size(); ++t) {
        const auto& in = inputs[t];
        ASSERT_EQ(adpcm_encode(in.data(), in.size()), adpcm_encode_reference(in.data(), in.size())) << "input " << t;
    }
}
