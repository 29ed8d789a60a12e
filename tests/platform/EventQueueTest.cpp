// The one queue of messages and timers behaves like the window system's: the
// game's timings, on screen and in virtual time, depend on it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <vector>

#include "platform/EventQueue.h"

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

class EventQueueTest : public testing::Test {
protected:
    EventQueueTest() { queue.WindowCreated(); }

    // Takes every message while the clock runs to `time`, the clock stopping at
    // each tick as it falls due.
    std::vector<Message> TakeUntil(uint64_t time) {
        std::vector<Message> taken;
        for (;;) {
            if (std::optional<Message> m = queue.Next(now)) {
                taken.push_back(*m);
                continue;
            }
            std::optional<uint64_t> due = queue.EarliestDue();
            if (!due || *due > time) break;
            now = *due;
        }
        now = std::max(now, time);
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

    // The message taken when the loop comes round at `time`, as a tick.
    std::optional<Tick> TickTakenAt(uint64_t time) {
        now = time;
        std::optional<Message> m = queue.Next(time);
        if (!m) return std::nullopt;
        EXPECT_EQ(m->message, kMsgTimer);
        return Tick{static_cast<int>(m->wParam), m->time};
    }

    EventQueue queue;
    uint64_t now = 0;
};

TEST_F(EventQueueTest, TicksComeOncePerPeriodAtTheirDueTimes) {
    queue.SetTimer(0, 150, now);
    EXPECT_EQ(TicksUntil(1000),
              (std::vector<Tick>{{0, 150}, {0, 300}, {0, 450}, {0, 600}, {0, 750}, {0, 900}}));
    EXPECT_EQ(TicksUntil(1049), std::vector<Tick>{});
    EXPECT_EQ(TicksUntil(1050), (std::vector<Tick>{{0, 1050}}));
}

TEST_F(EventQueueTest, RestartingAnIdGivesAFreshIntervalAndTheNewPeriod) {
    queue.SetTimer(0, 100, now);
    EXPECT_EQ(TicksUntil(250), (std::vector<Tick>{{0, 100}, {0, 200}}));
    // Restarted at 250: the next tick is a whole period later, not at 300.
    queue.SetTimer(0, 100, now);
    EXPECT_EQ(TicksUntil(400), (std::vector<Tick>{{0, 350}}));
    queue.SetTimer(0, 30, now);
    EXPECT_EQ(TicksUntil(500), (std::vector<Tick>{{0, 430}, {0, 460}, {0, 490}}));
    EXPECT_EQ(queue.RunningTimers(), (std::map<int, uint32_t>{{0, 30}}));
}

TEST_F(EventQueueTest, KillingAnIdDropsItsDueTickAndLeavesTheOthers) {
    queue.SetTimer(0, 100, now);
    queue.SetTimer(1, 100, now);
    // Both ticks are due at 100; killing id 0 before the loop takes it loses it.
    queue.KillTimer(0);
    EXPECT_EQ(TickTakenAt(100), (Tick{1, 100}));
    EXPECT_EQ(TickTakenAt(100), std::nullopt);
    EXPECT_EQ(TicksUntil(300), (std::vector<Tick>{{1, 200}, {1, 300}}));
    EXPECT_EQ(queue.RunningTimers(), (std::map<int, uint32_t>{{1, 100}}));
}

TEST_F(EventQueueTest, ALateTimerGivesOneTickNotOnePerMissedPeriod) {
    queue.SetTimer(0, 100, now);
    queue.SetTimer(1, 40, now);
    // The clock moves on while no message is taken: ten periods of id 0 and
    // many of id 1 pass unseen.
    std::vector<Tick> late;
    while (std::optional<Tick> tick = TickTakenAt(1000)) late.push_back(*tick);
    EXPECT_THAT(late, testing::UnorderedElementsAre(Tick{0, 1000}, Tick{1, 1000}));
    // Each counts its next period from the late tick.
    EXPECT_EQ(TicksUntil(1100), (std::vector<Tick>{{1, 1040}, {1, 1080}, {0, 1100}}));
}

TEST_F(EventQueueTest, ALateTickKeepsThePhaseOfTheFollowingTicks) {
    queue.SetTimer(0, 100, now);
    EXPECT_EQ(TickTakenAt(130), (Tick{0, 130}));
    EXPECT_EQ(queue.SleepBefore(130), 70u);
    EXPECT_EQ(TickTakenAt(199), std::nullopt);
    EXPECT_EQ(TickTakenAt(200), (Tick{0, 200}));
    // Taken at 400, a whole period late, it stands for the ticks due at 300 and
    // 400; the next is due a period later.
    EXPECT_EQ(TickTakenAt(400), (Tick{0, 400}));
    EXPECT_EQ(queue.DueTime(0), 500u);
}

TEST_F(EventQueueTest, ATickMoreThanAPeriodLateIsNotMadeUp) {
    queue.SetTimer(0, 100, now);
    EXPECT_EQ(TickTakenAt(250), (Tick{0, 250}));
    EXPECT_EQ(TickTakenAt(250), std::nullopt);
    EXPECT_EQ(queue.SleepBefore(250), 100u);
    EXPECT_EQ(TicksUntil(500), (std::vector<Tick>{{0, 350}, {0, 450}}));
}

TEST_F(EventQueueTest, TheLoopMaySleepUntilTheEarliestTickIsDue) {
    EXPECT_EQ(queue.SleepBefore(0), std::nullopt);
    queue.SetTimer(0, 100, 10);
    queue.SetTimer(1, 30, 10);
    EXPECT_EQ(queue.SleepBefore(10), 30u);
    EXPECT_EQ(queue.SleepBefore(45), 0u);
    queue.KillTimer(1);
    EXPECT_EQ(queue.SleepBefore(45), 65u);
    // Queued messages are the caller's to take first; they do not shorten the sleep.
    queue.Post(Message{kMsgKeyDown, kVkSpace, 0, 0});
    EXPECT_EQ(queue.SleepBefore(45), 65u);
    queue.KillTimer(0);
    EXPECT_EQ(queue.SleepBefore(45), std::nullopt);
}

TEST_F(EventQueueTest, ALongerTimersTickWaitsForTheShorterOnesNextTickInTheOrderTheyFellDue) {
    // The fall restarts its timer on every tick, the clock keeps its own rhythm.
    queue.SetTimer(1, 43, 0);
    queue.SetTimer(3, 100, 0);
    std::vector<Tick> ticks;
    while (now < 1000) {
        now += *queue.SleepJoiningTicks(now);
        queue.Post(Message{kMsgKeyDown, kVkLeft, 0, 0});  // read by the wait
        while (std::optional<Message> m = queue.NextTick(now)) {
            ticks.push_back(Tick{static_cast<int>(m->wParam), m->time});
            if (m->wParam == 1) queue.SetTimer(1, 43, now);
        }
        ASSERT_EQ(queue.Next(now)->message, kMsgKeyDown) << "the key waits behind the ticks";
    }
    std::vector<Tick> falls, clocks;
    for (size_t i = 0; i < ticks.size(); ++i) {
        (ticks[i].id == 1 ? falls : clocks).push_back(ticks[i]);
        // A clock tick comes with the first fall tick at or after its due time.
        if (ticks[i].id == 3) {
            EXPECT_EQ(ticks.at(i + 1), (Tick{1, ticks[i].time})) << i;
        }
    }
    for (size_t i = 0; i < falls.size(); ++i) EXPECT_EQ(falls[i].time, 43 * (i + 1));
    // Late by less than a fall period, and never so late that one is lost.
    ASSERT_EQ(clocks.size(), 10u);
    for (size_t i = 0; i < clocks.size(); ++i) {
        EXPECT_GE(clocks[i].time, 100 * (i + 1));
        EXPECT_LT(clocks[i].time, 100 * (i + 1) + 43);
    }
    // Alone, or beside a longer one, a timer is woken for when it is due.
    queue.KillTimer(1);
    EXPECT_EQ(queue.SleepJoiningTicks(now), queue.SleepBefore(now));
    queue.SetTimer(5, 1200, now);
    EXPECT_EQ(queue.SleepJoiningTicks(now), queue.SleepBefore(now));
}

TEST_F(EventQueueTest, QueuedMessagesComeBeforeADueTick) {
    queue.SetTimer(0, 100, now);
    queue.Post(Message{kMsgKeyDown, kVkReturn, 0, 0});
    queue.Post(Message{kMsgKeyUp, kVkReturn, 0, 0});
    std::vector<Message> taken = TakeUntil(100);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].message, kMsgKeyDown);
    EXPECT_EQ(taken[1].message, kMsgKeyUp);
    EXPECT_EQ(taken[2].message, kMsgTimer);
    // Each carries the time at which it was taken.
    EXPECT_EQ(taken[0].time, 0u);
    EXPECT_EQ(taken[2].time, 100u);
}

TEST_F(EventQueueTest, MessagesOfOneKindCanBeTakenOutAheadOfTheRest) {
    queue.Post(Message{kMsgKeyDown, kVkSpace, 0, 0});
    queue.Post(Message{kMsgActivateApp, 1, 0, 0});
    queue.Post(Message{kMsgKeyUp, kVkSpace, 0, 0});
    queue.Post(Message{kMsgActivateApp, 0, 0, 0});
    std::vector<Message> activations = queue.TakeQueued(kMsgActivateApp);
    ASSERT_EQ(activations.size(), 2u);
    EXPECT_EQ(activations[0].wParam, 1u);
    EXPECT_EQ(activations[1].wParam, 0u);
    EXPECT_EQ(queue.Next(0)->message, kMsgKeyDown);
    EXPECT_EQ(queue.Next(0)->message, kMsgKeyUp);
    EXPECT_EQ(queue.Next(0), std::nullopt);
}

TEST_F(EventQueueTest, TicksDueAtTheSameInstantComeInIdOrder) {
    queue.SetTimer(3, 100, now);
    queue.SetTimer(1, 100, now);
    queue.SetTimer(2, 50, now);
    EXPECT_EQ(TicksUntil(200),
              (std::vector<Tick>{
                  {2, 50}, {1, 100}, {2, 100}, {3, 100}, {2, 150}, {1, 200}, {2, 200}, {3, 200}}));
}

TEST_F(EventQueueTest, WithoutTheWindowTimersEndAndOnlyTheQuitMessageArrives) {
    queue.SetTimer(0, 100, now);
    queue.Post(Message{kMsgKeyDown, kVkSpace, 0, 0});
    queue.WindowDestroyed();
    EXPECT_FALSE(queue.HasWindow());
    EXPECT_TRUE(queue.RunningTimers().empty());
    queue.Post(Message{kMsgQuit, 0, 0, 0});
    // Input queued for the gone window is dropped; the quit message still arrives.
    std::vector<Message> taken = TakeUntil(500);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, kMsgQuit);
    queue.SetTimer(1, 10, now);
    EXPECT_TRUE(queue.RunningTimers().empty());
}

}  // namespace
}  // namespace zolvex
