// The WAV writer and the shaping every sound effect goes through.
#include <gtest/gtest.h>

#include "AssetReaders.h"
#include "SoundEffects.h"
#include "WavWriter.h"

namespace zolvex {
namespace {

TEST(WavWriter, WritesPcmMonoSixteenBitWithClampedSamples) {
    Sound s{22050, {0.0f, 0.5f, -0.5f, 1.5f, -1.5f}};
    std::vector<uint8_t> b = EncodeWav(s);
    ASSERT_EQ(b.size(), 44u + 10);
    using test::Le;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Le(b, 4, 4), b.size() - 8);
    EXPECT_EQ(Le(b, 20, 2), 1u);      // PCM
    EXPECT_EQ(Le(b, 22, 2), 1u);      // mono
    EXPECT_EQ(Le(b, 24, 4), 22050u);  // sample rate
    EXPECT_EQ(Le(b, 28, 4), 44100u);  // bytes per second
    EXPECT_EQ(Le(b, 34, 2), 16u);
    EXPECT_EQ(Le(b, 40, 4), 10u);
    EXPECT_EQ(static_cast<int16_t>(Le(b, 46, 2)), 16384);
    EXPECT_EQ(static_cast<int16_t>(Le(b, 48, 2)), -16384);
    EXPECT_EQ(static_cast<int16_t>(Le(b, 50, 2)), 32767);
    EXPECT_EQ(static_cast<int16_t>(Le(b, 52, 2)), -32767);
}

TEST(SoundShaping, FinishSetsThePeakAndFadesBothEndsToSilence) {
    Sound s{44100, std::vector<float>(4410, 0.25f)};
    Finish(s, 0.8f, 10);
    EXPECT_EQ(s.samples.front(), 0.0f);
    EXPECT_EQ(s.samples.back(), 0.0f);
    EXPECT_FLOAT_EQ(s.samples[2205], 0.8f);
    EXPECT_LT(s.samples[100], s.samples[300]);
    EXPECT_LT(s.samples[4310], s.samples[4110]);
}

}  // namespace
}  // namespace zolvex
