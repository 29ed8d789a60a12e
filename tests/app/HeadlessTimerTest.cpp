// The headless platform's timers behave like the window system's: the game's
// timings in virtual time depend on it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"

namespace zolvex {
namespace {

struct Tick {
    int id;
    uint64_t time;
    bool operator==(const Tick&) const = default;
};

void PrintTo(const Tick& tick, std::ostream* out) {
    *out << "{" << tick.id << "@" << tick.time << "}";
}

class HeadlessTimerTest : public testing::Test {
protected:
    HeadlessTimerTest() : platform(".", 0) {
        platform.CreateMainWindow(
            "zolvex",
            [this](const Message& message) {
                windowMessages.push_back(message);
                return intptr_t{0};
            },
            WindowOptions{});
        windowMessages.clear();
    }

    // Takes every message available while virtual time runs up to `time`.
    std::vector<Message> TakeUntil(uint64_t time) {
        platform.AdvanceTo(time);
        std::vector<Message> taken;
        Message message;
        while (platform.GetNextMessage(message)) taken.push_back(message);
        return taken;
    }

    std::vector<Tick> TicksUntil(uint64_t time) {
        std::vector<Tick> ticks;
        for (const Message& m : TakeUntil(time)) {
            EXPECT_EQ(m.message, kMsgTimer);
            ticks.push_back(Tick{static_cast<int>(m.wParam), m.time});
        }
        return ticks;
    }

    HeadlessPlatform platform;
    std::vector<Message> windowMessages;
};

TEST_F(HeadlessTimerTest, TicksComeOncePerPeriodAtTheirDueTimes) {
    platform.SetTimer(0, 150);
    EXPECT_EQ(TicksUntil(1000),
              (std::vector<Tick>{{0, 150}, {0, 300}, {0, 450}, {0, 600}, {0, 750}, {0, 900}}));
    EXPECT_EQ(platform.NowMs(), 1000u);
    EXPECT_EQ(TicksUntil(1049), std::vector<Tick>{});
    EXPECT_EQ(TicksUntil(1050), (std::vector<Tick>{{0, 1050}}));
}

TEST_F(HeadlessTimerTest, RestartingAnIdGivesAFreshIntervalAndTheNewPeriod) {
    platform.SetTimer(0, 100);
    EXPECT_EQ(TicksUntil(250), (std::vector<Tick>{{0, 100}, {0, 200}}));
    // Restarted at 250: the next tick is a whole period later, not at 300.
    platform.SetTimer(0, 100);
    EXPECT_EQ(TicksUntil(400), (std::vector<Tick>{{0, 350}}));
    platform.SetTimer(0, 30);
    EXPECT_EQ(TicksUntil(500), (std::vector<Tick>{{0, 430}, {0, 460}, {0, 490}}));
    EXPECT_EQ(platform.RunningTimers(), (std::map<int, uint32_t>{{0, 30}}));
}

TEST_F(HeadlessTimerTest, KillingAnIdDropsItsDueTickAndLeavesTheOthers) {
    platform.SetTimer(0, 100);
    platform.SetTimer(1, 100);
    platform.AdvanceTo(100);
    // Both ticks are due; killing id 0 before the loop takes it loses it.
    platform.KillTimer(0);
    EXPECT_EQ(TicksUntil(100), (std::vector<Tick>{{1, 100}}));
    EXPECT_EQ(TicksUntil(300), (std::vector<Tick>{{1, 200}, {1, 300}}));
    EXPECT_EQ(platform.RunningTimers(), (std::map<int, uint32_t>{{1, 100}}));
}

TEST_F(HeadlessTimerTest, ALateTimerGivesOneTickNotOnePerMissedPeriod) {
    platform.SetTimer(0, 100);
    platform.SetTimer(1, 40);
    // The clock moves on while no message is taken: ten periods of id 0 and
    // many of id 1 pass unseen.
    platform.AdvanceTo(1000);
    platform.Settle();
    EXPECT_THAT(TicksUntil(1000), testing::UnorderedElementsAre(Tick{0, 1000}, Tick{1, 1000}));
    // Each counts its next period from the late tick.
    EXPECT_EQ(TicksUntil(1100), (std::vector<Tick>{{1, 1040}, {1, 1080}, {0, 1100}}));
}

TEST_F(HeadlessTimerTest, QueuedMessagesComeBeforeADueTick) {
    platform.SetTimer(0, 100);
    platform.AdvanceTo(100);
    platform.Inject(Message{kMsgKeyDown, kVkReturn, 0, 0});
    platform.Inject(Message{kMsgKeyUp, kVkReturn, 0, 0});
    std::vector<Message> taken = TakeUntil(100);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].message, kMsgKeyDown);
    EXPECT_EQ(taken[1].message, kMsgKeyUp);
    EXPECT_EQ(taken[2].message, kMsgTimer);
    // Input taken before the tick carries the time at which it was taken.
    EXPECT_EQ(taken[0].time, 0u);
    EXPECT_EQ(taken[2].time, 100u);
}

TEST_F(HeadlessTimerTest, TicksDueAtTheSameInstantComeInIdOrder) {
    platform.SetTimer(3, 100);
    platform.SetTimer(1, 100);
    platform.SetTimer(2, 50);
    EXPECT_EQ(TicksUntil(200),
              (std::vector<Tick>{
                  {2, 50}, {1, 100}, {2, 100}, {3, 100}, {2, 150}, {1, 200}, {2, 200}, {3, 200}}));
}

TEST_F(HeadlessTimerTest, DestroyingTheWindowSendsDestroyEndsTimersAndDropsInput) {
    platform.SetTimer(0, 100);
    platform.Inject(Message{kMsgKeyDown, kVkSpace, 0, 0});
    platform.DestroyMainWindow();
    ASSERT_EQ(windowMessages.size(), 1u);
    EXPECT_EQ(windowMessages[0].message, kMsgDestroy);
    EXPECT_TRUE(platform.RunningTimers().empty());
    platform.PostQuit(0);
    // Input queued for the gone window is dropped; the quit message still arrives.
    std::vector<Message> taken = TakeUntil(500);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, kMsgQuit);
    platform.SetTimer(1, 10);
    EXPECT_TRUE(platform.RunningTimers().empty());
}

}  // namespace
}  // namespace zolvex
