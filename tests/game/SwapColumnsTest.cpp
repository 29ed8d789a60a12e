#include <gtest/gtest.h>

#include "FakeGameHost.h"

namespace zolvex {
namespace {

using fake::Falling;
using fake::Game;
using fake::SetColumn;

// Flipper over columns 3 and 4 (the new-game position); all blocks at y 200 (row 5).
struct SwapGame : Game {
    SwapGame() { model.state = GameState::Playing; }
};

TEST(SwapColumnsTest, SwappingTwiceRestoresTheBoard) {
    SwapGame g;
    SetColumn(g.model, 3, {1, 2, 1});
    SetColumn(g.model, 4, {5, 1, 5, 1, 2});
    GameModel before = g.model;
    g.rules.SwapColumns();
    EXPECT_EQ(g.model.board[3][5].value, 2);
    EXPECT_EQ(g.model.board[4][3].value, 1);
    EXPECT_EQ(g.model.board[4][4].value, 0);
    g.rules.SwapColumns();
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r) {
            EXPECT_EQ(g.model.board[c][r].value, before.board[c][r].value) << c << "," << r;
            EXPECT_EQ(g.model.board[c][r].marked, 0);
        }
    }
    EXPECT_EQ(g.model.pairCount, 0);
}

TEST(SwapColumnsTest, FallingBlockHopsToTheOtherColumnWhenItsRowIsOccupiedThere) {
    {
        SwapGame g;  // block over the right column, left column tall
        SetColumn(g.model, 3, {1, 2, 1, 2, 1, 2});
        g.model.currentTrio[0] = Falling(6, 4, 200);
        g.model.currentTrio[1] = Falling(7, 6, 200);
        g.model.currentTrio[2] = Falling(9, 0, 200);
        g.rules.SwapColumns();
        EXPECT_EQ(g.model.currentTrio[0].column, 3);
        EXPECT_EQ(g.model.board[3][5].value, 0) << "again over an empty cell";
        EXPECT_EQ(g.model.board[4][5].value, 1);
        EXPECT_EQ(g.model.currentTrio[1].column, 6);
        EXPECT_EQ(g.model.currentTrio[2].column, 0);
        EXPECT_EQ(g.model.currentTrio[0].y, 200);
        EXPECT_EQ(g.model.currentTrio[0].row, 5);
    }
    {
        SwapGame g;  // block over the left column, right column tall
        SetColumn(g.model, 4, {1, 2, 1, 2, 1, 2});
        g.model.currentTrio[0] = Falling(6, 3, 200);
        g.rules.SwapColumns();
        EXPECT_EQ(g.model.currentTrio[0].column, 4);
        EXPECT_EQ(g.model.board[4][5].value, 0);
    }
    {
        SwapGame g;  // both columns low: nothing to hop over
        SetColumn(g.model, 3, {1, 2});
        g.model.currentTrio[0] = Falling(6, 4, 200);
        g.model.currentTrio[1] = Falling(7, 3, 200);
        g.rules.SwapColumns();
        EXPECT_EQ(g.model.currentTrio[0].column, 4);
        EXPECT_EQ(g.model.currentTrio[1].column, 3);
    }
}

TEST(SwapColumnsTest, LandedRecordsAreCarriedByTheirStaleRowBothTestsInTurn) {
    // A block that landed in row 1 keeps row 0 in its record, and the floor is occupied
    // in both columns: one under the left column goes right, one under the right stays.
    SwapGame g;
    g.model.currentTrio[0] = FallingBlock{2, 3, 0, 0, 0, 402};
    g.model.currentTrio[1] = FallingBlock{3, 4, 0, 0, 0, 402};
    g.rules.SwapColumns();
    EXPECT_EQ(g.model.currentTrio[0].column, 4);
    EXPECT_EQ(g.model.currentTrio[1].column, 4);
}

TEST(SwapColumnsTest, RestartsTheFallIntervalAndLeavesClearTimerRunning) {
    SwapGame g;
    g.host.SetTimer(kFallTimer, kFallPeriodMs);
    g.host.SetTimer(kClearTimer, kClearPeriodMs);
    g.host.now = 20;
    g.rules.SwapColumns();
    EXPECT_EQ(g.host.Due(kFallTimer), 63u);
    EXPECT_TRUE(g.host.Running(kClearTimer));
    EXPECT_EQ(g.host.Due(kClearTimer), 30u);
}

TEST(SwapColumnsTest, MarkedVerticalPairIsCountedAgainButSideBySidePairIsNot) {
    SwapGame g;
    SetColumn(g.model, 3, {2, 8});
    g.model.board[3][1].marked = g.model.board[3][2].marked = 1;
    SetColumn(g.model, 4, {5});
    g.model.pairCount = 2;
    g.rules.SwapColumns();
    // The vertical 2/8 now in column 4 is tested again from the 8 downwards.
    EXPECT_EQ(g.model.pairCount, 4);
    EXPECT_EQ(g.model.board[4][2].value, 8);
    EXPECT_TRUE(g.model.board[4][1].marked);

    SwapGame h;
    SetColumn(h.model, 3, {3});
    SetColumn(h.model, 4, {7});
    h.model.board[3][1].marked = h.model.board[4][1].marked = 1;
    h.model.pairCount = 2;
    h.rules.SwapColumns();
    EXPECT_EQ(h.model.pairCount, 2);
    EXPECT_EQ(h.model.board[3][1].value, 7);
    EXPECT_TRUE(h.model.board[3][1].marked && h.model.board[4][1].marked);
}

TEST(SwapColumnsTest, ExchangeMarksNewNeighboursOutsideTheFlipper) {
    SwapGame g;
    SetColumn(g.model, 2, {3});
    SetColumn(g.model, 4, {7});
    SetColumn(g.model, 5, {1});
    g.rules.SwapColumns();
    EXPECT_EQ(g.model.board[3][1].value, 7);
    EXPECT_TRUE(g.model.board[2][1].marked);
    EXPECT_TRUE(g.model.board[3][1].marked);
    EXPECT_EQ(g.model.pairCount, 2);
    for (int c = 0; c < kColumns; ++c) EXPECT_EQ(g.model.board[c][0].value, kFloorValue);
}

TEST(SwapColumnsTest, FlipperStopsAtTheEdges) {
    Game g;
    for (int i = 0; i < 5; ++i) g.rules.MoveFlipperLeft();
    EXPECT_EQ(g.model.flipperLeft, 0);
    EXPECT_EQ(g.model.flipperRight, 1);
    for (int i = 0; i < 9; ++i) g.rules.MoveFlipperRight();
    EXPECT_EQ(g.model.flipperLeft, 6);
    EXPECT_EQ(g.model.flipperRight, 7);
}

}  // namespace
}  // namespace zolvex
