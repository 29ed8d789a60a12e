// Finding the parts of a frame that changed since the one on screen.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/FrameDiff.h"

namespace zolvex {
namespace {

constexpr int kW = 640;
constexpr int kH = 480;

// True when every pixel where the two frames differ lies in one of the rectangles.
bool CoversEveryChange(const std::vector<uint16_t>& shown, const std::vector<uint16_t>& next, int w,
                       const std::vector<PixelRect>& rects) {
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == next[i]) continue;
        const int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
        bool covered = false;
        for (const PixelRect& r : rects) {
            covered = covered || (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h);
        }
        if (!covered) return false;
    }
    return true;
}

TEST(FrameDiffTest, SameFrameNothingAndOnePixelOneTile) {
    std::vector<uint16_t> shown(kW * kH, 0x1234);
    std::vector<uint16_t> next = shown;
    EXPECT_TRUE(ChangedAreas(shown.data(), next.data(), kW, kH).empty());
    next[479 * kW + 639] = 0;
    EXPECT_EQ(ChangedAreas(shown.data(), next.data(), kW, kH),
              (std::vector<PixelRect>{{624, 464, 16, 16}}));
}

// Told where the frames may differ, it looks only at the tiles those parts touch.
TEST(FrameDiffTest, OnlyTheTilesItIsToldOfAreCompared) {
    std::vector<uint16_t> shown(kW * kH, 0);
    std::vector<uint16_t> next = shown;
    next[10 * kW + 10] = 1;
    next[300 * kW + 500] = 1;
    const std::vector<PixelRect> within{{490, 290, 20, 20}};
    EXPECT_EQ(ChangedAreas(shown.data(), next.data(), kW, kH, 8, &within),
              (std::vector<PixelRect>{{496, 288, 16, 16}}));
    const std::vector<PixelRect> none;
    EXPECT_TRUE(ChangedAreas(shown.data(), next.data(), kW, kH, 8, &none).empty());
}

TEST(FrameDiffTest, ChangesFarApartStaySeparateAndTooManyAreJoinedCheaply) {
    std::vector<uint16_t> shown(kW * kH, 0);
    std::vector<uint16_t> next = shown;
    // A trio falling in the well and the clock ticking in the panel.
    for (int y = 100; y < 140; ++y)
        for (int x = 100; x < 140; ++x) next[y * kW + x] = 1;
    for (int y = 130; y < 146; ++y)
        for (int x = 450; x < 540; ++x) next[y * kW + x] = 1;
    const std::vector<PixelRect> two = ChangedAreas(shown.data(), next.data(), kW, kH);
    ASSERT_EQ(two.size(), 2u);
    int area = 0;
    for (const PixelRect& r : two) area += r.w * r.h;
    EXPECT_LT(area, 6000) << "two small changes are sent as two small rectangles";

    // Twelve blocks drifting down the title screen, spread across it: more than eight
    // rectangles' worth, yet what is sent stays near their own area, not the screen's.
    std::vector<uint16_t> title(kW * kH, 0);
    for (int b = 0; b < 12; ++b) {
        const int x0 = 10 + b * 52, y0 = 20 + (b * 137) % 400;
        for (int y = y0; y < y0 + 40; ++y)
            for (int x = x0; x < x0 + 40; ++x) title[y * kW + x] = 7;
    }
    const std::vector<PixelRect> joined = ChangedAreas(shown.data(), title.data(), kW, kH, 8);
    EXPECT_LE(joined.size(), 8u);
    EXPECT_TRUE(CoversEveryChange(shown, title, kW, joined));
    long long sent = 0;
    for (const PixelRect& r : joined) sent += static_cast<long long>(r.w) * r.h;
    EXPECT_LT(sent, kW * kH / 3);

    // Scattered changes beyond the limit: still at most the limit, covering them all.
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) next[random() % (kW * kH)] ^= 0xFFFF;
    const std::vector<PixelRect> few = ChangedAreas(shown.data(), next.data(), kW, kH, 8);
    EXPECT_LE(few.size(), 8u);
    EXPECT_TRUE(CoversEveryChange(shown, next, kW, few));
}

TEST(FrameDiffTest, EveryChangedPixelIsCoveredOnOddSizes) {
    const int w = 100, h = 37;
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        std::vector<uint16_t> shown(w * h), next;
        for (auto& p : shown) p = static_cast<uint16_t>(random());
        next = shown;
        const int changes = static_cast<int>(random() % 12);
        for (int i = 0; i < changes; ++i) next[random() % (w * h)] ^= 1;
        const std::vector<PixelRect> rects = ChangedAreas(shown.data(), next.data(), w, h, 4);
        EXPECT_LE(rects.size(), 4u);
        for (const PixelRect& r : rects) {
            EXPECT_GE(r.x, 0);
            EXPECT_LE(r.x + r.w, w);
            EXPECT_LE(r.y + r.h, h);
        }
        EXPECT_TRUE(CoversEveryChange(shown, next, w, rects));
        // Shrunk to its changes, each area still covers them all, with a changed pixel on
        // each of its four edges.
        std::vector<PixelRect> bounds;
        for (const PixelRect& r : rects) {
            const PixelRect b = ChangedBounds(shown.data(), next.data(), w, r);
            int edges = 0;
            for (int y = b.y; y < b.y + b.h; ++y) {
                for (int x = b.x; x < b.x + b.w; ++x) {
                    if (shown[y * w + x] == next[y * w + x]) continue;
                    edges |= (x == b.x ? 1 : 0) | (x == b.x + b.w - 1 ? 2 : 0) |
                             (y == b.y ? 4 : 0) | (y == b.y + b.h - 1 ? 8 : 0);
                }
            }
            EXPECT_EQ(edges, 15) << round;
            bounds.push_back(b);
        }
        EXPECT_TRUE(CoversEveryChange(shown, next, w, bounds));
    }
}

}  // namespace
}  // namespace zolvex
