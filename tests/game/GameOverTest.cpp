#include <gtest/gtest.h>

#include "FakeGameHost.h"

namespace zolvex {
namespace {

using fake::Falling;
using fake::Game;
using fake::SetColumn;

TEST(GameOverTest, GivingUpOnTheStartScreenScoresNothing) {
    Game g(2);
    g.rules.GameOver();
    EXPECT_EQ(g.model.state, GameState::Over);
    EXPECT_EQ(g.rules.GetScore(), 0u);
    EXPECT_EQ(g.rules.GetBonus(), 0u);
    EXPECT_EQ(g.host.musicStops, 1);
    EXPECT_EQ(g.host.Count(kGameOverSound), 1);
    EXPECT_EQ(g.host.flips, 1);
    EXPECT_EQ(g.host.rankingLevel, 2);
    EXPECT_TRUE(g.host.Running(kOverTimer));
    // The first trio's numbers now stand in row 11; the records are emptied.
    for (const FallingBlock& b : g.model.currentTrio) {
        EXPECT_EQ(b.value, 0);
        EXPECT_NE(g.model.board[b.column][11].value, 0);
    }
}

TEST(GameOverTest, BonusIsWholeSecondsPlusNumbersBelowTheTopRow) {
    Game g;
    g.host.StartPlay();
    g.model.minutes = 2;
    g.model.seconds = 5;
    g.model.tenths = 7;
    SetColumn(g.model, 0, {3});
    SetColumn(g.model, 4, {8, 6});
    SetColumn(g.model, 7, {1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 9});  // the 9 in row 11 is not counted
    g.model.score = 77;
    g.rules.GameOver();
    EXPECT_EQ(g.rules.GetBonus(), 125u + 17u + 15u);
    EXPECT_EQ(g.rules.GetScore(), 77u);
    for (int id : {kFallTimer, kClearTimer, kClockTimer}) EXPECT_FALSE(g.host.Running(id));
}

TEST(GameOverTest, BlockThatEndsTheGameInTheTopRowIsNotInTheBonus) {
    Game g;
    SetColumn(g.model, 2, {1, 2, 1, 2, 1, 2, 1, 2, 1, 2});
    g.PlayWith({4, 2, 11, 1, 0, 6}, Falling(5, 5, 6), Falling(6, 6, 6));
    g.host.RunNextTick();
    ASSERT_EQ(g.model.state, GameState::Over);
    EXPECT_EQ(g.model.board[2][11].value, 4);
    EXPECT_EQ(g.rules.GetBonus(), 15u) << "rows 1..10 only, 43 ms of play is 0 seconds";
}

TEST(GameOverTest, RankingStartsOnTheNinthOverTickAndClockStandsStill) {
    Game g(3);
    g.host.StartPlay();
    g.host.RunUntil(1000);
    g.rules.GameOver();
    const int32_t tenths = g.model.tenths;
    g.host.RunUntil(1000 + 4499);
    EXPECT_EQ(g.host.rankingStarts, 0);
    EXPECT_EQ(g.model.overTicks, 8);
    g.host.RunUntil(1000 + 4500);
    EXPECT_EQ(g.host.rankingStarts, 1);
    EXPECT_EQ(g.host.rankingStartedAt, 5500u);
    EXPECT_FALSE(g.host.Running(kOverTimer));
    EXPECT_EQ(g.model.tenths, tenths);
    EXPECT_EQ(g.host.rankingLevel, 3);
}

TEST(GameOverTest, MarksLeftAtGameOverGetOneLastPassThatDoesNotRestartTheFall) {
    Game g;
    SetColumn(g.model, 0, {3});
    SetColumn(g.model, 1, {7});
    g.model.board[0][1].marked = g.model.board[1][1].marked = 1;
    g.model.pairCount = 2;
    g.model.score = 1000;
    g.host.StartPlay();
    g.host.now = 10;
    g.rules.GameOver();
    // The game-over redraw showed the marks and so re-armed the clear timer.
    EXPECT_TRUE(g.host.Running(kClearTimer));
    EXPECT_EQ(g.host.Count(kPanSound), 2);
    g.host.RunUntil(100);
    // The pass removes the pair and the trio numbers written into row 11: empty board.
    for (int c = 0; c < kColumns; ++c)
        for (int r = 1; r < kRows; ++r) EXPECT_EQ(g.model.board[c][r].value, 0);
    EXPECT_EQ(g.rules.GetScore(), 1500u);
    EXPECT_FALSE(g.host.Running(kFallTimer));
}

}  // namespace
}  // namespace zolvex
