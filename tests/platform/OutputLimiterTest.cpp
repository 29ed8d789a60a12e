// The last stage of the sound: what the mixer leaves at half level comes out at full
// level, and nothing, however loud the sum, comes out above -1 dBFS.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/OutputLimiter.h"

namespace zolvex {
namespace {

TEST(OutputLimiterTest, GivesTheHeadroomBackAndHoldsEveryFrameUnderTheCeiling) {
    OutputLimiter limiter;
    constexpr int kRate = 44100;
    // A quiet stereo tone comes out twice as loud, sample for sample.
    std::vector<int16_t> quiet;
    for (int i = 0; i < kRate / 10; ++i) {
        const auto v = static_cast<int16_t>(8000 * std::sin(i * 0.05));
        quiet.insert(quiet.end(), {v, static_cast<int16_t>(-v)});
    }
    std::vector<int16_t> out = quiet;
    limiter.Process(out.data(), out.size() / 2, 2, kRate);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 2 * quiet[i]) << i;

    // A full-scale burst is held at the ceiling in both channels together.
    std::vector<int16_t> loud;
    for (int i = 0; i < kRate / 20; ++i) {
        const auto v = static_cast<int16_t>(32767 * std::sin(i * 0.05));
        loud.insert(loud.end(), {v, static_cast<int16_t>(v / 4)});
    }
    out = loud;
    limiter.Process(out.data(), out.size() / 2, 2, kRate);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(int{s}));
    EXPECT_LE(peak, OutputLimiter::kCeiling);
    EXPECT_GT(peak, OutputLimiter::kCeiling * 9 / 10);
    EXPECT_EQ(out[out.size() - 2] / 4, out[out.size() - 1]) << "one gain for both channels";
    EXPECT_LE(OutputLimiter::kCeiling, static_cast<int>(32768 * std::pow(10.0, -1.0 / 20)));

    // Afterwards the gain recovers within half a second.
    for (int tenth = 0; tenth < 5; ++tenth) {
        out = quiet;
        limiter.Process(out.data(), out.size() / 2, 2, kRate);
    }
    EXPECT_NEAR(out[out.size() / 2], 2 * quiet[quiet.size() / 2], 2 * 8000 / 50);
}

// Every sample as the plain rule gives it, frame by frame: the gain recovers by a fixed
// fraction a frame, drops at once to hold a loud frame, and each product is rounded.
std::vector<int16_t> LimitedFrameByFrame(std::vector<int16_t> samples, int rate) {
    const double recovery = 1.0 - std::exp(-1.0 / (0.1 * rate));
    double gain = 1.0;
    for (size_t f = 0; f < samples.size() / 2; ++f) {
        const int peak = std::max(std::abs(int{samples[2 * f]}), std::abs(int{samples[2 * f + 1]}));
        gain += (1.0 - gain) * recovery;
        if (peak * 2.0 * gain > OutputLimiter::kCeiling)
            gain = OutputLimiter::kCeiling / (peak * 2.0);
        for (size_t i = 2 * f; i < 2 * f + 2; ++i) {
            samples[i] = static_cast<int16_t>(std::clamp(std::round(samples[i] * 2.0 * gain),
                                                         -double{OutputLimiter::kCeiling},
                                                         double{OutputLimiter::kCeiling}));
        }
    }
    return samples;
}

TEST(OutputLimiterTest, TakesNoShortcutThatChangesASample) {
    // Loud swells with quiet stretches between them, so the gain drops, recovers and
    // comes back whole many times, in blocks of the mixer's odd sizes.
    constexpr int kRate = 44100;
    std::vector<int16_t> tune;
    for (int i = 0; i < kRate * 3; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double swell = std::pow(std::sin(t * 2.1), 8);
        const auto v = static_cast<int16_t>(16383 * (0.2 + 0.8 * swell) * std::sin(t * 1400));
        tune.insert(tune.end(), {v, static_cast<int16_t>(v * 3 / 4)});
    }
    std::vector<int16_t> out = tune;
    OutputLimiter limiter;
    for (size_t f = 0, n = 1; f < out.size() / 2; f += n, n = n * 7 % 3001 + 1) {
        limiter.Process(out.data() + 2 * f, std::min(n, out.size() / 2 - f), 2, kRate);
    }
    EXPECT_EQ(out, LimitedFrameByFrame(tune, kRate));
}

}  // namespace
}  // namespace zolvex
