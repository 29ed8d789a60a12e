// The farewell screen: what it shows, and the two-tick countdown that ends the run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramHarness.h"
#include "scenes/farewell/FarewellScene.h"

namespace zolvex {
namespace {

using test::ProgramHarness;
using testing::ElementsAre;

const std::vector<TextRecord> kFarewellTexts = {
    {0, 0, "zolvex Project Build=2.00.00.01.22", 0xFFFFFF, 0x000000, 0, 1},
    {260, 180, "Thank you for playing...", 0xFFFFFF, 0x000000, 2, 1},
    {280, 200, "See you next Time!", 0xFF00FF, 0x000000, 2, 1},
    {380, 450, "(C) 2026 The zolvex Project", 0xFF0000, 0xFFFFFF, 1, 1},
};

// Starts a run and leaves the title screen with Esc at `leaveAt` milliseconds.
class FarewellSceneTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.Start());
        h.Wait(leaveAt);
        h.Backend().ForgetFrames();
        h.Key(kVkEscape);
        ASSERT_EQ(h.Current(), &h.Run().TheFarewell());
        h.Music();
    }

    // Lets time run to `time` milliseconds after the farewell screen started.
    void RunTo(uint64_t time) { h.Wait(leaveAt + time - h.Backend().NowMs()); }

    const uint64_t leaveAt = 450;
    ProgramHarness h;
};

TEST_F(FarewellSceneTest, ShowsTheBannerTheMessageAndTheWholeCreditLineOnBlack) {
    const auto frames = h.Backend().Frames();
    ASSERT_EQ(frames.size(), 1u) << "the start flips once";
    EXPECT_EQ(frames[0], kFarewellTexts);
    EXPECT_EQ(std::string(BuildBanner()).size(), 34u);
    EXPECT_EQ(CreditLine(), kFarewellTexts[3].text) << "the 31 characters show all of it";

    // Black wherever no text is.
    const Surface* front = h.Screen().Front();
    ASSERT_NE(front, nullptr);
    for (auto [x, y] : {std::pair{639, 0}, std::pair{100, 100}, std::pair{0, 479},
                        std::pair{639, 479}, std::pair{320, 300}}) {
        EXPECT_EQ(front->Pixel(x, y), 0) << x << "," << y;
    }
    // The credit line sits on white.
    int white = 0;
    for (int x = 380; x < 640; ++x) white += front->Pixel(x, 452) == 0xFFFF;
    EXPECT_GT(white, 0);
}

TEST_F(FarewellSceneTest, EndsTheRunTwoTimerPeriodsLaterWithStatusZero) {
    EXPECT_EQ(h.Backend().RunningTimers(), (std::map<int, uint32_t>{{0, 1000}}));
    RunTo(999);
    EXPECT_EQ(h.Run().TheFarewell().ticks, 0);
    RunTo(1000);
    EXPECT_EQ(h.Run().TheFarewell().ticks, 1);
    EXPECT_FALSE(h.Run().Ended());
    RunTo(1999);
    EXPECT_FALSE(h.Run().Ended());
    RunTo(2000);
    EXPECT_TRUE(h.Run().Ended());
    EXPECT_EQ(h.Run().ExitCode(), 0);
    EXPECT_EQ(h.Run().TheFarewell().ticks, 2);
    EXPECT_FALSE(h.Backend().HasWindow());
    EXPECT_TRUE(h.Backend().CursorShown());
    // The farewell screen's end (freeing handle 0), then the teardown.
    EXPECT_THAT(h.Music(), ElementsAre("Stop", "Free", "Close"));
    EXPECT_EQ(h.Backend().freedHandles.back(), 0u);
    EXPECT_EQ(h.Run().TheFarewell().music, 0u);
}

TEST_F(FarewellSceneTest, FiveRestartsTheCountdownAfterTheRestoringNotice) {
    RunTo(1500);
    ASSERT_EQ(h.Run().TheFarewell().ticks, 1);
    h.Backend().ForgetFrames();
    h.Key(kVkF5);
    // The notice, the restarted scene's own flip, and the framework's redraw.
    const auto frames = h.Backend().Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_THAT(frames[0], ElementsAre(TextRecord{260, 220, "Now Restoreing data, Wait...",
                                                  0xFFFFFF, 0x000000, -1, -1}));
    EXPECT_EQ(frames[1], kFarewellTexts);
    EXPECT_EQ(frames[2], kFarewellTexts);
    EXPECT_EQ(h.Run().TheFarewell().ticks, 0);
    EXPECT_EQ(h.Run().TheFarewell().mode, StartMode::Restore);

    RunTo(3499);
    EXPECT_FALSE(h.Run().Ended());
    RunTo(3500);
    EXPECT_TRUE(h.Run().Ended());
    EXPECT_EQ(h.Run().ExitCode(), 0);
}

TEST_F(FarewellSceneTest, RegainingTheForegroundAlsoRestartsTheCountdown) {
    RunTo(1200);
    h.Focus(false);
    EXPECT_THAT(h.Music(), ElementsAre("Stop"));
    EXPECT_EQ(h.Run().TheFarewell().ticks, 1);
    h.Focus(true);
    EXPECT_EQ(h.Run().TheFarewell().ticks, 0);
    RunTo(3199);
    EXPECT_FALSE(h.Run().Ended());
    RunTo(3200);
    EXPECT_TRUE(h.Run().Ended());
}

TEST_F(FarewellSceneTest, OtherKeysLeaveTheCountdownAlone) {
    RunTo(500);
    const uint64_t presents = h.Backend().PresentCount();
    for (uint32_t key : std::initializer_list<uint32_t>{kVkReturn, kVkEscape, kVkF1, kVkF12,
                                                        kVkSpace, kVkUp, kVkDown, uint32_t{'Z'}}) {
        h.Key(key);
    }
    EXPECT_EQ(h.Backend().PresentCount(), presents);
    EXPECT_EQ(h.Current(), &h.Run().TheFarewell());
    EXPECT_TRUE(h.Music().empty());
    RunTo(1999);
    EXPECT_FALSE(h.Run().Ended());
    RunTo(2000);
    EXPECT_TRUE(h.Run().Ended());
}

TEST_F(FarewellSceneTest, LosingTheForegroundOnlyStopsTheMusic) {
    RunTo(300);
    h.Focus(false);
    EXPECT_THAT(h.Music(), ElementsAre("Stop"));
    EXPECT_EQ(h.Backend().RunningTimers(), (std::map<int, uint32_t>{{0, 1000}}));
    RunTo(2000);
    EXPECT_TRUE(h.Run().Ended());
}

}  // namespace
}  // namespace zolvex
