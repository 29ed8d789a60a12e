// The display tells the platform where each frame can differ from the one shown
// before it; the recording platform checks every such frame pixel by pixel.
#include <gtest/gtest.h>

#include "ProgramHarness.h"

namespace zolvex {
namespace {

using test::ProgramHarness;

// A careless player through every screen: the swinging title, a game with moves,
// swaps, fast falls, clears, a pause, a lost window and a volume notice over it, the
// ranking with a name, the title again and its table.
TEST(PresentedFramesTest, EveryFrameChangesOnlyWhereTheDisplaySaysOnEveryScreen) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(2000);
    h.Key(kVkReturn);
    h.Wait(300);
    h.Key(kVkReturn);
    uint32_t seed = 5;
    for (int step = 0; step < 1500 && h.Current() == &h.Run().TheGame(); ++step) {
        seed = seed * 1664525u + 1013904223u;
        const uint32_t roll = (seed >> 8) % 1000;
        if (roll < 200) {
            h.Key(kVkLeft);
        } else if (roll < 400) {
            h.Key(kVkRight);
        } else if (roll < 520) {
            h.Key(kVkSpace);
        } else if (roll < 540) {
            h.Send(Message{kMsgKeyDown, kVkDown, 0, 0});
        } else if (roll < 680) {
            h.Send(Message{kMsgKeyUp, kVkDown, 0, 0});
        } else if (roll < 684) {
            h.Key(kVkReturn);
            h.Wait(400);
            h.Key(kVkReturn);
        } else if (roll < 686) {
            h.Focus(false);
            h.Wait(300);
            h.Focus(true);
            h.Key(kVkReturn);
        } else if (roll < 690) {
            h.Key(kVkF7);
        }
        h.Wait(43);
    }
    if (h.Current() == &h.Run().TheGame()) h.Key(kVkEscape);
    h.Wait(5000);
    ASSERT_EQ(h.Current(), &h.Run().TheRanking());
    h.Key(kVkSpace);
    h.Wait(200);
    h.Key(kVkReturn);
    h.Wait(2000);
    h.Key(kVkF1);
    h.Wait(2000);
    // Most frames come with what changed, also after the play screen redraws part of its
    // backdrop; the destructor checks that none lied.
    EXPECT_GT(h.Backend().changesTold, h.Backend().PresentCount() * 4 / 5);
}

}  // namespace
}  // namespace zolvex
