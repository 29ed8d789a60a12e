// The headless backend's virtual clock: it stops at each timer tick up to the
// horizon the caller sets, and the window procedure hears of the window's end.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/HeadlessPlatform.h"

namespace zolvex {
namespace {

class HeadlessPlatformTest : public testing::Test {
protected:
    HeadlessPlatformTest() : platform(".", 0) {
        platform.CreateMainWindow(
            "zolvex",
            [this](const Message& message) {
                windowMessages.push_back(message);
                return intptr_t{0};
            },
            WindowOptions{});
        windowMessages.clear();
    }

    HeadlessPlatform platform;
    std::vector<Message> windowMessages;
};

TEST_F(HeadlessPlatformTest, TheClockStopsAtEachTickUpToTheHorizon) {
    platform.SetTimer(0, 150);
    platform.AdvanceTo(400);
    // Queued input is taken at the time it was queued, before the clock moves on.
    platform.Inject(Message{kMsgKeyDown, kVkReturn, 0, 0});
    Message m;
    ASSERT_TRUE(platform.GetNextMessage(m));
    EXPECT_EQ(m.message, kMsgKeyDown);
    EXPECT_EQ(m.time, 0u);
    for (uint64_t due : {150u, 300u}) {
        ASSERT_TRUE(platform.GetNextMessage(m));
        EXPECT_EQ(m.message, kMsgTimer);
        EXPECT_EQ(m.time, due);
        EXPECT_EQ(platform.NowMs(), due);
    }
    EXPECT_FALSE(platform.GetNextMessage(m));
    EXPECT_EQ(platform.NowMs(), 400u);
    // Settling moves the clock to the horizon with the tick at 450 still untaken.
    platform.AdvanceTo(1000);
    platform.Settle();
    EXPECT_EQ(platform.NowMs(), 1000u);
    ASSERT_TRUE(platform.GetNextMessage(m));
    EXPECT_EQ(m.time, 1000u);
    EXPECT_FALSE(platform.GetNextMessage(m));
}

TEST_F(HeadlessPlatformTest, DestroyingTheWindowSendsDestroyAndEndsTimers) {
    platform.SetTimer(0, 100);
    platform.DestroyMainWindow();
    ASSERT_EQ(windowMessages.size(), 1u);
    EXPECT_EQ(windowMessages[0].message, kMsgDestroy);
    EXPECT_FALSE(platform.HasWindow());
    EXPECT_TRUE(platform.RunningTimers().empty());
}

}  // namespace
}  // namespace zolvex
