// Quantising for the 16-bit display and the BMP encoding.
#include <gtest/gtest.h>

#include <algorithm>

#include "Image.h"

namespace zolvex {
namespace {

TEST(ImageQuantise, EveryChannelSurvivesTheDisplaysTruncationUnchanged) {
    Image img(64, 4);
    img.Paint([](float, float) { return 1.0f; },
              [](float x, float y) {
                  return Rgb{x / 64, y / 4, 1 - x / 64};
              });
    Picture p = img.Quantise(false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint8_t* c = p.At(x, y);
            // Widening a 5- or 6-bit level repeats its top bits in the low bits.
            EXPECT_EQ(c[0] & 7, c[0] >> 5) << x;
            EXPECT_EQ(c[1] & 3, c[1] >> 6) << x;
            EXPECT_EQ(c[2] & 7, c[2] >> 5) << x;
        }
}

TEST(ImageQuantise, DitheringKeepsTheAverageOfASmoothShade) {
    // A grey halfway between two 5-bit levels must not collapse onto one of them (banding).
    const float grey = 10.5f / 31;
    Image img(16, 16);
    img.Paint([](float, float) { return 1.0f; },
              [&](float, float) {
                  return Rgb{grey, grey, grey};
              });
    Picture p = img.Quantise(false);
    double sum = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) sum += p.At(x, y)[0] >> 3;
    EXPECT_NEAR(sum / 256, 10.5, 0.1);
}

TEST(ImageQuantise, KeyedPicturesAreBlackOnlyWhereUncovered) {
    Image img(4, 1);
    img.Paint([](float x, float) { return x < 1   ? 0.0f
                                          : x < 2 ? 0.3f
                                                  : 1.0f; },
              [](float x, float) {
                  return x < 3 ? Rgb{0.01f, 0.0f, 0.01f} : Rgb{0, 0, 0};
              });
    Picture p = img.Quantise(true);
    auto black = [&](int x) {
        return p.At(x, 0)[0] == 0 && p.At(x, 0)[1] == 0 && p.At(x, 0)[2] == 0;
    };
    EXPECT_TRUE(black(0));
    EXPECT_TRUE(black(1)) << "a pixel less than half covered is transparent";
    EXPECT_FALSE(black(2)) << "a nearly black covered pixel must not become transparent";
    EXPECT_FALSE(black(3)) << "even a covered black pixel stays visible";
    EXPECT_GE(std::max({p.At(3, 0)[0], p.At(3, 0)[1], p.At(3, 0)[2]}), 8);
}

TEST(BmpEncoding, WritesBottomUpBgrRowsPaddedToFourBytes) {
    Picture p{3, 2, std::vector<uint8_t>(18)};
    p.At(0, 0)[0] = 0xAA;  // top left, red
    p.At(2, 1)[2] = 0xBB;  // bottom right, blue
    std::vector<uint8_t> b = EncodeBmp(p);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(b[2], b.size());
    EXPECT_EQ(b[10], 54);
    EXPECT_EQ(b[18], 3);
    EXPECT_EQ(b[22], 2);
    EXPECT_EQ(b[28], 24);
    // First stored row is the bottom one: its last pixel's blue is the first byte of that pixel.
    EXPECT_EQ(b[54 + 6], 0xBB);
    // Second stored row (the top one) starts after 9 bytes and 3 of padding; red is third.
    EXPECT_EQ(b[54 + 12 + 2], 0xAA);
    EXPECT_EQ(b[54 + 9], 0);
}

}  // namespace
}  // namespace zolvex

namespace zolvex {
namespace {

TEST(BmpEncoding, AFolderThatCannotBeWrittenIsAFailureNotACrash) {
    Picture p{1, 1, std::vector<uint8_t>(3)};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(WriteBmp("/nonexistent-folder/zolvex/mback.bmp", p));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("/nonexistent-folder/zolvex/mback.bmp"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
}  // namespace zolvex
