#include <gtest/gtest.h>

#include "FakeGameHost.h"

namespace zolvex {
namespace {

using fake::Falling;
using fake::Game;
using fake::SetColumn;

// A block in column `column` that has just come into play (y 6, row 11).
FallingBlock Entering(int32_t value, int32_t column) {
    return {value, column, 11, 1, 0, 6};
}

TEST(FallStepTest, BlockFallsThroughEmptyColumnAndLandsInRowOneAtY400) {
    Game g;
    g.PlayWith(Entering(7, 0), Entering(1, 4), Entering(2, 6));
    // y runs 6, 10, ... ; row 1 is reached at y 360 and the landing comes at y 402.
    int ticks = 0;
    while (g.host.Count(kDropSound) < 3) {
        ASSERT_EQ(g.host.RunNextTick(), kFallTimer);
        ASSERT_LT(++ticks, 200) << "the trio never landed";
    }
    EXPECT_EQ(ticks, 99);
    EXPECT_EQ(g.host.now, 99u * 43u);
    EXPECT_EQ(g.model.board[0][1].value, 7);
    EXPECT_EQ(g.model.board[4][1].value, 1);
    EXPECT_EQ(g.model.board[6][1].value, 2);
    EXPECT_EQ(g.host.Count(kDropSound), 3);
    // All three landed, nothing marked: the next trio is already in play.
    EXPECT_EQ(g.model.score, 30u);
    EXPECT_EQ(g.model.currentTrio[0].y, 6);
    EXPECT_EQ(g.model.currentTrio[0].row, 11);
}

TEST(FallStepTest, LandsOnTheStackSixPixelsAboveTheRowBeforeRowIsRecomputed) {
    Game g;
    SetColumn(g.model, 2, {5});
    g.PlayWith(Falling(3, 2, 352), Falling(1, 5, 352), Falling(2, 6, 352));
    g.rules.FallStep();  // y 356: still row 2, not yet at 440 - 80
    EXPECT_TRUE(g.model.currentTrio[0].falling);
    EXPECT_EQ(g.model.currentTrio[0].row, 2);
    g.rules.FallStep();  // y 360: lands in row 2, on top of the 5
    EXPECT_FALSE(g.model.currentTrio[0].falling);
    EXPECT_EQ(g.model.board[2][2].value, 3);
    EXPECT_EQ(g.model.board[2][1].value, 5);
    // The landed record keeps a stale row from its y; the others move on to row 1.
    EXPECT_EQ(g.model.currentTrio[0].row, 1);
    EXPECT_EQ(g.model.currentTrio[1].row, 1);
    EXPECT_TRUE(g.host.Running(kFallTimer));
    EXPECT_EQ(g.host.Due(kFallTimer), g.host.now + 43);
}

TEST(FallStepTest, LandingInTopRowEndsGameUnlessItIsMarked) {
    for (int below : {4, 3}) {
        Game g;
        SetColumn(g.model, 1, {1, 2, 1, 2, 1, 2, 1, 2, 1, below});
        g.PlayWith(Entering(7, 1), Entering(1, 4), Entering(2, 6));
        g.host.RunNextTick();
        EXPECT_EQ(g.model.board[1][11].value, 7);
        EXPECT_EQ(g.model.score, 10u) << "each landing scores, also the losing one";
        if (below == 4) {
            EXPECT_EQ(g.model.state, GameState::Over);
            EXPECT_TRUE(g.host.Running(kOverTimer));
            EXPECT_FALSE(g.host.Running(kFallTimer));
        } else {
            // 7 over 3 is a ten-pair: the drawing stops the fall and schedules the pass,
            // which empties both cells; the game goes on.
            EXPECT_EQ(g.model.state, GameState::Playing);
            EXPECT_FALSE(g.host.Running(kFallTimer));
            EXPECT_EQ(g.host.RunNextTick(), kClearTimer);
            EXPECT_EQ(g.model.board[1][11].value, 0);
            EXPECT_EQ(g.model.board[1][10].value, 0);
            EXPECT_EQ(g.model.board[1][9].value, 1);
            EXPECT_TRUE(g.host.Running(kFallTimer));
        }
    }
}

TEST(FallStepTest, TwoBlocksLandingInOneTickBothScoreAndArePairedBeforeGameOver) {
    Game g;
    SetColumn(g.model, 0, {1, 2, 1, 2, 1, 2, 1, 2, 1, 2});
    SetColumn(g.model, 1, {2, 1, 2, 1, 2, 1, 2, 1, 2, 4});
    g.PlayWith(Entering(5, 0), Entering(6, 1), Entering(2, 6));
    g.rules.FallStep();
    EXPECT_EQ(g.model.state, GameState::Over);
    EXPECT_EQ(g.model.score, 20u);
    // Block 0 is unmarked in row 11 and loses; block 1 was still tested and paired 6 with 4.
    EXPECT_EQ(g.model.pairCount, 2);
    EXPECT_TRUE(g.model.board[1][11].marked);
    EXPECT_FALSE(g.model.board[0][11].marked);
}

TEST(FallStepTest, NoHandOverWhileCellsAreMarkedEvenWhenTheTrioHasLanded) {
    Game g;
    SetColumn(g.model, 0, {3});
    g.PlayWith(Falling(7, 0, 356), Falling(1, 4, 396), Falling(2, 6, 396));
    const FallingBlock next = g.model.nextTrio[0];
    g.host.RunNextTick();  // all three land; 7 over 3 is marked
    EXPECT_FALSE(g.model.currentTrio[0].falling || g.model.currentTrio[1].falling ||
                 g.model.currentTrio[2].falling);
    EXPECT_EQ(g.model.currentTrio[1].value, 1) << "trio must not be handed over yet";
    EXPECT_EQ(g.host.RunNextTick(), kClearTimer);  // removes the 3; the 7 drops, still marked
    EXPECT_EQ(g.host.RunNextTick(), kFallTimer);
    EXPECT_EQ(g.model.currentTrio[1].value, 1);
    EXPECT_EQ(g.host.RunNextTick(), kClearTimer);  // removes the 7
    EXPECT_EQ(g.host.RunNextTick(), kFallTimer);   // now the hand-over happens
    EXPECT_EQ(g.model.currentTrio[0].value, next.value);
    EXPECT_EQ(g.model.currentTrio[0].column, next.column);
    EXPECT_EQ(g.model.pairCount, 0);
}

TEST(FallStepTest, BlockCompletingPairsBelowAndLeftScoresEightHundredAtHandOver) {
    Game g;
    SetColumn(g.model, 1, {5, 3});
    SetColumn(g.model, 2, {3});
    g.PlayWith(Entering(7, 2), Entering(1, 5), Entering(2, 6));
    for (int ticks = 0; g.host.Count(kDropSound) < 3; ++ticks) {
        ASSERT_GE(g.host.RunNextTick(), 0);
        ASSERT_LT(ticks, 500) << "the trio never landed";
    }
    // Three landings and one block that completed two pairs at once (pairCount 4).
    EXPECT_EQ(g.model.score, 30u + 800u);
    EXPECT_EQ(g.model.board[1][1].value, 5);
    EXPECT_EQ(g.model.board[1][2].value, 0);
    EXPECT_EQ(g.model.board[2][1].value, 0);
}

}  // namespace
}  // namespace zolvex

namespace zolvex {
namespace {

// Speeds and clock values set from outside a game (the simulator's setters)
// stay within range instead of overflowing.
TEST(FallStepTest, ExtremeSpeedsAndClockValuesDoNotOverflow) {
    fake::Game g;
    g.PlayWith(Entering(7, 0), Entering(1, 4), Entering(2, 6));
    g.model.fallSpeed = std::numeric_limits<int32_t>::max();
    g.model.baseFallSpeed = std::numeric_limits<int32_t>::max();
    g.rules.FallStep();
    g.rules.FallStep();
    EXPECT_EQ(g.model.currentTrio[0].y, std::numeric_limits<int32_t>::max());
    g.rules.DownPressed();
    EXPECT_EQ(g.model.fallSpeed, std::numeric_limits<int32_t>::max());
    g.model.tenths = 9;
    g.model.seconds = 59;
    g.model.minutes = 59;
    g.model.hours = std::numeric_limits<int32_t>::max();
    g.rules.ClockTick();
    EXPECT_EQ(g.model.hours, std::numeric_limits<int32_t>::max());
}

}  // namespace
}  // namespace zolvex
