#include <gtest/gtest.h>

#include "FakeGameHost.h"

namespace zolvex {
namespace {

using fake::Game;

TEST(ClockAndSpeedTest, StartingSpeedDependsOnLevel) {
    for (auto [level, speed] : {std::pair{1, 4}, {2, 4}, {3, 5}}) {
        Game g(level);
        EXPECT_EQ(g.model.fallSpeed, speed) << level;
        EXPECT_EQ(g.model.baseFallSpeed, speed) << level;
        EXPECT_EQ(g.model.state, GameState::Ready);
    }
}

TEST(ClockAndSpeedTest, SpeedRisesOncePerMinuteUpToSixteen) {
    Game g(3);
    g.host.SetTimer(kClockTimer, kClockPeriodMs);
    g.host.RunUntil(59999);
    EXPECT_EQ(g.model.fallSpeed, 5);
    EXPECT_EQ(g.model.seconds, 59);
    EXPECT_EQ(g.model.tenths, 9);
    g.host.RunUntil(60000);
    EXPECT_EQ(g.model.fallSpeed, 6);
    EXPECT_EQ(g.model.minutes, 1);
    EXPECT_EQ(g.model.seconds, 0);
    g.host.RunUntil(11 * 60000);
    EXPECT_EQ(g.model.baseFallSpeed, 16);
    g.host.RunUntil(20 * 60000);
    EXPECT_EQ(g.model.baseFallSpeed, 16);
    EXPECT_EQ(g.model.fallSpeed, 16);
}

TEST(ClockAndSpeedTest, ClockCarriesIntoHours) {
    Game g;
    g.model.minutes = 59;
    g.model.seconds = 59;
    g.model.tenths = 9;
    g.rules.ClockTick();
    EXPECT_EQ(g.model.hours, 1);
    EXPECT_EQ(g.model.minutes, 0);
    EXPECT_EQ(g.model.seconds, 0);
    EXPECT_EQ(g.model.tenths, 0);
}

TEST(ClockAndSpeedTest, DownDoublesSpeedAndScoresPerKeyMessageOnlyWhilePlaying) {
    Game g;
    g.model.baseFallSpeed = g.model.fallSpeed = 10;
    g.rules.DownPressed();
    EXPECT_EQ(g.model.fallSpeed, 10) << "Ready ignores Down";
    EXPECT_EQ(g.model.score, 0u);
    g.model.state = GameState::Playing;
    for (int i = 0; i < 3; ++i) g.rules.DownPressed();
    EXPECT_EQ(g.model.fallSpeed, 20);
    EXPECT_EQ(g.model.score, 3u);
    g.model.state = GameState::Paused;
    g.rules.DownReleased();
    EXPECT_EQ(g.model.fallSpeed, 10) << "release applies in every state";
}

TEST(ClockAndSpeedTest, HeldDownKeepsItsLeadAcrossAMinuteUntilTheNextKeyMessage) {
    Game g;
    g.model.state = GameState::Playing;
    g.model.baseFallSpeed = g.model.fallSpeed = 10;
    g.model.seconds = 59;
    g.model.tenths = 9;
    g.rules.DownPressed();
    g.rules.ClockTick();
    EXPECT_EQ(g.model.fallSpeed, 21);
    g.rules.DownPressed();
    EXPECT_EQ(g.model.fallSpeed, 22);
    g.rules.DownReleased();
    EXPECT_EQ(g.model.fallSpeed, 11);
}

TEST(ClockAndSpeedTest, DownAddsOnePerTickOfFallDistance) {
    Game g;
    g.model.state = GameState::Playing;
    g.model.baseFallSpeed = g.model.fallSpeed = 10;
    g.rules.DownPressed();
    const int32_t y = g.model.currentTrio[0].y;
    g.rules.FallStep();
    EXPECT_EQ(g.model.currentTrio[0].y, y + 20);
}

}  // namespace
}  // namespace zolvex
