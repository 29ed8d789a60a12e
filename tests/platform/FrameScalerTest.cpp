// The frame drawn into windows of the sizes players have, in each scaling mode: where
// the picture goes, which pixels are exact frame colours and which are blends.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/FrameScaler.h"

namespace zolvex {
namespace {

constexpr int kW = 640, kH = 480;
// No drawn pixel has its top byte set, so a pixel still holding this was not drawn.
constexpr uint32_t kUntouched = 0xDEADBEEF;
constexpr ScalingMode kModes[] = {ScalingMode::Sharp, ScalingMode::Integer, ScalingMode::Smooth};

// Each channel's bits repeated to fill eight: x * 33 / 4 for five bits, x * 65 / 16 for six.
uint32_t Expand(uint16_t p) {
    const uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    return (r * 33 / 4) << 16 | (g * 65 / 16) << 8 | (b * 33 / 4);
}

bool Inside(const PixelRect& r, int x, int y) {
    return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

std::vector<uint16_t> MakeFrame(const auto& colourAt) {
    std::vector<uint16_t> frame(kW * kH);
    for (int i = 0; i < kW * kH; ++i) frame[i] = static_cast<uint16_t>(colourAt(i % kW, i / kW));
    return frame;
}

struct Window {
    Window(ScalingMode mode, int w, int h)
        : w(w), h(h), picture(PictureRect(mode, w, h, kW, kH)), pixels(w * h, kUntouched) {
        scaler.Configure(mode, kW, kH, picture, w, h);
    }
    uint32_t At(int x, int y) const { return pixels[y * w + x]; }
    // Draws the frame, expecting every pixel outside the picture untouched.
    void Draw(const std::vector<uint16_t>& frame) {
        scaler.Scale(frame.data(), pixels.data(), w);
        int strays = 0;
        for (int i = 0; i < w * h; ++i)
            strays += (pixels[i] == kUntouched) == Inside(picture, i % w, i / w);
        EXPECT_EQ(strays, 0);
    }
    int w, h;
    PixelRect picture;
    std::vector<uint32_t> pixels;
    FrameScaler scaler;
};

TEST(FrameScalerTest, PictureGoesWhereEachModeSays) {
    struct Case {
        int w, h;
        PixelRect fitted, integer;
    };
    for (const Case& c : {Case{1366, 768, {171, 0, 1024, 768}, {363, 144, 640, 480}},
                          Case{1600, 900, {200, 0, 1200, 900}, {480, 210, 640, 480}},
                          Case{1920, 1080, {240, 0, 1440, 1080}, {320, 60, 1280, 960}},
                          Case{2560, 1440, {320, 0, 1920, 1440}, {320, 0, 1920, 1440}},
                          Case{640, 480, {0, 0, 640, 480}, {0, 0, 640, 480}},
                          Case{1280, 1024, {0, 32, 1280, 960}, {0, 32, 1280, 960}},
                          Case{600, 400, {33, 0, 533, 400}, {-20, -40, 640, 480}}}) {
        EXPECT_EQ(PictureRect(ScalingMode::Sharp, c.w, c.h, kW, kH), c.fitted) << c.w;
        EXPECT_EQ(PictureRect(ScalingMode::Smooth, c.w, c.h, kW, kH), c.fitted) << c.w;
        EXPECT_EQ(PictureRect(ScalingMode::Integer, c.w, c.h, kW, kH), c.integer) << c.w;
    }
    EXPECT_EQ(ParseScalingMode("Integer"), ScalingMode::Integer);
    EXPECT_EQ(ParseScalingMode(ScalingModeName(ScalingMode::Smooth)), ScalingMode::Smooth);
    EXPECT_EQ(ParseScalingMode("sharpest"), std::nullopt);
}

// Integer draws k x k blocks of exact colours (overhanging a small window), and so does
// Sharp wherever the window is a whole multiple of the frame.
TEST(FrameScalerTest, WholeRatiosDrawExactBlocks) {
    std::mt19937 rng(1);
    const std::vector<uint16_t> frame = MakeFrame([&rng](int, int) { return rng(); });
    for (const auto& [w, h, k] :
         {std::tuple{1920, 1440, 3}, {1280, 960, 2}, {640, 480, 1}, {600, 400, 1}}) {
        Window integer(ScalingMode::Integer, w, h), sharp(ScalingMode::Sharp, w, h);
        integer.Draw(frame);
        const PixelRect& p = integer.picture;
        std::vector<uint32_t> blocks(w * h);
        for (int i = 0; i < w * h; ++i) {
            blocks[i] = Expand(frame[(i / w - p.y) / k * kW + (i % w - p.x) / k]);
        }
        EXPECT_EQ(integer.pixels, blocks) << w;
        if (sharp.picture != p) continue;
        sharp.Draw(frame);
        EXPECT_EQ(sharp.pixels, integer.pixels) << w;
    }
}

// A black and white checkerboard at 9/4: a window pixel is exact unless its span crosses
// an edge between frame pixels, and then it is the grey of the shares it covers.
TEST(FrameScalerTest, SharpBlendsOnlyThePixelOnEachEdge) {
    const auto frame = MakeFrame([](int x, int y) { return (x + y) % 2 ? 0xFFFF : 0; });
    Window window(ScalingMode::Sharp, 1920, 1080);
    window.Draw(frame);
    const auto crosses = [](int o) { return o * 4 / 9 != ((o + 1) * 4 - 1) / 9; };
    for (int y = 0; y < 1080; ++y) {
        for (int o = 0; o < 1440; ++o) {
            const uint32_t pixel = window.At(240 + o, y), grey = pixel & 0xFF;
            ASSERT_EQ(pixel, grey * 0x010101) << o << "," << y;
            if (crosses(o) || crosses(y)) {
                ASSERT_TRUE(grey > 0 && grey < 255) << o << "," << y;
            } else {
                ASSERT_EQ(pixel, Expand(frame[y * 4 / 9 * kW + o * 4 / 9])) << o << "," << y;
            }
        }
    }
    // Window column 2 spans frame columns 8/9 .. 12/9: a quarter black, three quarters white.
    EXPECT_EQ(window.At(242, 0), 0xBFBFBFu);
}

TEST(FrameScalerTest, SmoothRampsAndEveryModeKeepsAFlatFrameFlatToItsEdges) {
    for (ScalingMode mode : kModes) {
        Window window(mode, 1366, 768);
        window.Draw(std::vector<uint16_t>(kW * kH, 0x8410));
        for (uint32_t p : window.pixels) ASSERT_TRUE(p == kUntouched || p == Expand(0x8410));
    }
    // Black left half, white right half: a ramp two pixels wide, rising only.
    Window window(ScalingMode::Smooth, 1920, 1080);
    window.Draw(MakeFrame([](int x, int) { return x >= kW / 2 ? 0xFFFF : 0; }));
    int greys = 0;
    for (int x = 241; x < 1680; ++x) {
        ASSERT_GE(window.At(x, 500), window.At(x - 1, 500));
        greys += window.At(x, 500) != 0 && window.At(x, 500) != 0xFFFFFF;
    }
    EXPECT_EQ(greys, 2);
}

// Redrawing a changed rectangle leaves the window as a whole redraw of the new frame
// does, and writes nothing outside the rectangle it returns.
TEST(FrameScalerTest, ScaleRegionMatchesAWholeRedraw) {
    std::mt19937 rng(3);
    const auto below = [&rng](int n) { return static_cast<int>(rng() % n); };
    const int sizes[][2] = {{1920, 1080}, {1366, 768},  {1601, 901},
                            {600, 400},   {1280, 1024}, {640, 480}};
    for (int round = 0; round < 36; ++round) {
        const ScalingMode mode = kModes[round % 3];
        const auto [w, h] = sizes[round % 6];
        std::vector<uint16_t> frame = MakeFrame([&rng](int, int) { return rng(); });
        Window before(mode, w, h), after(mode, w, h), region(mode, w, h);
        before.Draw(frame);
        const int x = below(kW), y = below(kH);
        const PixelRect changed{x, y, 1 + below(kW - x) / (1 + below(8)),
                                1 + below(kH - y) / (1 + below(8))};
        for (int i = 0; i < kW * kH; ++i) {
            if (Inside(changed, i % kW, i / kW)) frame[i] = static_cast<uint16_t>(rng());
        }
        after.Draw(frame);
        const PixelRect r =
            region.scaler.ScaleRegion(frame.data(), changed, before.pixels.data(), w);
        ASSERT_EQ(before.pixels, after.pixels) << round;
        region.scaler.ScaleRegion(frame.data(), changed, region.pixels.data(), w);
        ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= w && r.y + r.h <= h) << round;
        for (int i = 0; i < w * h; ++i) {
            if (!Inside(r, i % w, i / w)) after.pixels[i] = kUntouched;
        }
        ASSERT_EQ(region.pixels, after.pixels) << round;
    }
}

}  // namespace
}  // namespace zolvex
