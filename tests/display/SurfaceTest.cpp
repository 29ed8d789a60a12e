#include <gtest/gtest.h>

#include "display/Surface.h"

namespace zolvex {
namespace {

constexpr uint16_t kWhite = 0xFFFF;

Surface Filled(int w, int h, ColorRef color) {
    Surface s(w, h);
    s.Fill(Rect{0, 0, w, h}, color);
    return s;
}

int CountPixels(const Surface& s, uint16_t value) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) n += s.Pixel(x, y) == value;
    return n;
}

TEST(SurfaceTest, ColourReferencesConvertToRgb565ByTruncation) {
    EXPECT_EQ(ToRgb565(0x000000FF), 0xF800);  // red is the low byte
    EXPECT_EQ(ToRgb565(0x0000FF00), 0x07E0);
    EXPECT_EQ(ToRgb565(0x00FF0000), 0x001F);  // blue is the third byte
    EXPECT_EQ(ToRgb565(0x00FFFFFF), 0xFFFF);
    EXPECT_EQ(ToRgb565(0x00FF00FF), 0xF81F);  // magenta
    // Low bits are dropped, not rounded: 0x07 red, 0x03 green, 0x07 blue are black.
    EXPECT_EQ(ToRgb565(0x00070307), 0x0000);
    EXPECT_EQ(ToRgb565(0x00080408), 0x0821);
    // The top byte is no colour: 0xFF000000 draws black.
    EXPECT_EQ(ToRgb565(0xFF000000), 0x0000);
}

TEST(SurfaceTest, NewSurfaceIsBlackAndFillIsClipped) {
    Surface s(4, 3);
    EXPECT_EQ(CountPixels(s, 0), 12);
    s.Fill(Rect{-5, 2, 2, 10}, 0xFFFFFF);
    EXPECT_EQ(CountPixels(s, kWhite), 2);
    EXPECT_EQ(s.Pixel(0, 2), kWhite);
    EXPECT_EQ(s.Pixel(1, 2), kWhite);
    s.Fill(Rect{3, 0, 1, 3}, 0xFFFFFF);  // inverted: nothing
    s.Fill(Rect{10, 10, 20, 20}, 0xFFFFFF);
    EXPECT_EQ(CountPixels(s, kWhite), 2);
    s.FillBlack();
    EXPECT_EQ(CountPixels(s, 0), 12);
}

TEST(SurfaceTest, FadingMixesColoursButKeepsTheKeyExactly) {
    Surface s = Filled(3, 1, 0xFFFFFF);
    s.Fill(Rect{1, 0, 2, 1}, 0x000000);
    s.Fill(Rect{2, 0, 3, 1}, 0x0000F8);  // pure red
    s.FadeTowards(0x800000, 50);         // half towards a mid blue
    EXPECT_EQ(s.Pixel(0, 0), ToRgb565(0xC08080));
    EXPECT_EQ(s.Pixel(1, 0), 0) << "black stays transparent";
    EXPECT_EQ(s.Pixel(2, 0), ToRgb565(0x400080));
    // Faded all the way to black, a pixel must still not turn transparent.
    s.FadeTowards(0x000000, 0);
    EXPECT_EQ(s.Pixel(0, 0), 0x0001);
    EXPECT_EQ(s.Pixel(1, 0), 0);
    EXPECT_EQ(s.Pixel(2, 0), 0x0001);
}

TEST(SurfaceTest, BltFastRefusesCopiesNotWhollyInside) {
    Surface dst(640, 480);
    const Surface block = Filled(40, 40, 0xFFFFFF);
    // One pixel over each edge is refused and draws nothing.
    EXPECT_FALSE(dst.BltFast(-1, 100, block, nullptr, false));
    EXPECT_FALSE(dst.BltFast(601, 100, block, nullptr, false));
    EXPECT_FALSE(dst.BltFast(100, -1, block, nullptr, false));
    EXPECT_FALSE(dst.BltFast(100, 441, block, nullptr, false));
    EXPECT_FALSE(dst.BltFast(2000000000, 0, block, nullptr, false));
    EXPECT_EQ(CountPixels(dst, kWhite), 0);
    // Exactly touching the edges is accepted.
    EXPECT_TRUE(dst.BltFast(0, 0, block, nullptr, false));
    EXPECT_TRUE(dst.BltFast(600, 440, block, nullptr, false));
    EXPECT_EQ(CountPixels(dst, kWhite), 2 * 40 * 40);
    EXPECT_EQ(dst.Pixel(639, 479), kWhite);
}

TEST(SurfaceTest, BltFastCopiesASourceRectangle) {
    Surface strip(40, 80);
    strip.Fill(Rect{0, 0, 40, 40}, 0x0000FF);
    strip.Fill(Rect{0, 40, 40, 80}, 0x00FF00);
    Surface dst(100, 100);
    const Rect lower{0, 40, 40, 80};
    EXPECT_TRUE(dst.BltFast(10, 20, strip, &lower, false));
    EXPECT_EQ(dst.Pixel(10, 20), ToRgb565(0x00FF00));
    EXPECT_EQ(dst.Pixel(49, 59), ToRgb565(0x00FF00));
    EXPECT_EQ(dst.Pixel(50, 20), 0);
    EXPECT_EQ(dst.Pixel(10, 60), 0);
    // A source rectangle reaching outside the source is refused too.
    const Rect beyond{0, 60, 40, 100};
    EXPECT_FALSE(dst.BltFast(0, 0, strip, &beyond, false));
    const Rect empty{5, 5, 5, 10};
    EXPECT_FALSE(dst.BltFast(0, 0, strip, &empty, false));
}

TEST(SurfaceTest, KeyedCopiesLeaveBlackSourcePixelsOut) {
    Surface sprite(3, 1);
    sprite.Fill(Rect{1, 0, 2, 1}, 0x0000FF);  // black, red, black
    Surface dst = Filled(3, 1, 0xFFFFFF);
    // Without a key black is an ordinary colour.
    EXPECT_TRUE(dst.BltFast(0, 0, sprite, nullptr, true));
    EXPECT_EQ(dst.Pixel(0, 0), 0);
    sprite.SetColorKeyBlack();
    dst.Fill(Rect{0, 0, 3, 1}, 0xFFFFFF);
    EXPECT_TRUE(dst.BltFast(0, 0, sprite, nullptr, true));
    EXPECT_EQ(dst.Pixel(0, 0), kWhite);
    EXPECT_EQ(dst.Pixel(1, 0), 0xF800);
    EXPECT_EQ(dst.Pixel(2, 0), kWhite);
    // The key only counts when the copy asks for it.
    EXPECT_TRUE(dst.BltFast(0, 0, sprite, nullptr, false));
    EXPECT_EQ(dst.Pixel(0, 0), 0);

    // A wide row, black in an irregular pattern, keeps the key at every place in it.
    Surface stripe(21, 1);
    for (int x = 0; x < 21; ++x) {
        if (x % 3 != 0 && x != 8) stripe.Fill(Rect{x, 0, x + 1, 1}, 0x0000FF);
    }
    stripe.SetColorKeyBlack();
    Surface wide = Filled(23, 1, 0xFFFFFF);
    EXPECT_TRUE(wide.BltFast(1, 0, stripe, nullptr, true));
    for (int x = 0; x < 23; ++x) {
        const bool red = x >= 1 && x <= 21 && (x - 1) % 3 != 0 && x - 1 != 8;
        EXPECT_EQ(wide.Pixel(x, 0), red ? 0xF800 : kWhite) << x;
    }
}

TEST(SurfaceTest, BltFastOntoItselfReadsTheOriginalPixels) {
    Surface s(4, 1);
    for (int x = 0; x < 4; ++x) s.Pixels()[x] = static_cast<uint16_t>(x + 1);
    const Rect first{0, 0, 3, 1};
    EXPECT_TRUE(s.BltFast(1, 0, s, &first, false));
    EXPECT_EQ(s.Pixel(0, 0), 1);
    EXPECT_EQ(s.Pixel(1, 0), 1);
    EXPECT_EQ(s.Pixel(2, 0), 2);
    EXPECT_EQ(s.Pixel(3, 0), 3);
}

TEST(SurfaceTest, StretchedKeyedCopyScalesIntoTheRectangle) {
    // Left half red, right half blue, a black column in the middle as the key.
    Surface logo(5, 2);
    logo.Fill(Rect{0, 0, 2, 2}, 0x0000FF);
    logo.Fill(Rect{3, 0, 5, 2}, 0xFF0000);
    logo.SetColorKeyBlack();
    Surface dst = Filled(30, 10, 0xFFFFFF);
    const Rect into{5, 2, 15, 6};  // 10 x 4: each source pixel becomes 2 x 2
    ASSERT_TRUE(dst.BltStretchKeyed(into, logo));
    for (int y = 2; y < 6; ++y) {
        for (int x = 5; x < 15; ++x) {
            const uint16_t expected = x < 9 ? 0xF800 : (x < 11 ? kWhite : 0x001F);
            EXPECT_EQ(dst.Pixel(x, y), expected) << x << "," << y;
        }
    }
    // Nothing outside the rectangle changes.
    EXPECT_EQ(CountPixels(dst, kWhite), 300 - 32);

    // Shrinking 470 x 100 into 235 x 50 takes every second pixel; a source without
    // a key copies its black too.
    Surface wide(470, 100);
    wide.Fill(Rect{0, 0, 235, 100}, 0x00FF00);
    Surface screen = Filled(640, 480, 0xFFFFFF);
    ASSERT_TRUE(screen.BltStretchKeyed(Rect{380, 20, 615, 70}, wide));
    EXPECT_EQ(screen.Pixel(380, 20), 0x07E0);
    EXPECT_EQ(screen.Pixel(496, 69), 0x07E0);
    EXPECT_EQ(screen.Pixel(497, 20), 0);
    EXPECT_EQ(screen.Pixel(614, 69), 0);
    EXPECT_EQ(screen.Pixel(615, 20), kWhite);
    EXPECT_EQ(screen.Pixel(380, 70), kWhite);
    EXPECT_EQ(screen.Pixel(379, 20), kWhite);

    EXPECT_FALSE(screen.BltStretchKeyed(Rect{630, 0, 650, 10}, logo));
    EXPECT_FALSE(screen.BltStretchKeyed(Rect{10, 10, 10, 20}, logo));
}

}  // namespace
}  // namespace zolvex

namespace zolvex {
namespace {

// Restoring again from the same backdrop copies only what was drawn since, so the
// result must be the backdrop whatever was drawn, swapped in or changed meanwhile.
TEST(SurfaceTest, RestoringFromABackdropUndoesEveryDrawingSinceTheLastRestore) {
    Surface backdrop = Filled(64, 48, 0x00FF00);
    Surface sprite = Filled(8, 8, 0x0000FF);
    Surface back(64, 48), front(64, 48);
    const auto restoresToBackdrop = [&](Surface& s) {
        s.BltFast(0, 0, backdrop, nullptr, false);
        return CountPixels(s, backdrop.Pixel(0, 0)) == 64 * 48;
    };
    EXPECT_TRUE(restoresToBackdrop(back));
    back.BltFast(40, 30, sprite, nullptr, false);
    back.Fill(Rect{0, 0, 3, 3}, 0xFFFFFF);
    EXPECT_TRUE(back.SwapPixels(front));
    EXPECT_TRUE(restoresToBackdrop(front));
    EXPECT_TRUE(restoresToBackdrop(back));
    back.Pixels()[47 * 64 + 63] = kWhite;
    EXPECT_TRUE(restoresToBackdrop(back));
    backdrop.Fill(Rect{60, 0, 64, 4}, 0x000000);
    back.BltFast(0, 0, backdrop, nullptr, false);
    EXPECT_EQ(back.Pixel(62, 2), 0);
}

}  // namespace
}  // namespace zolvex
