#include <gtest/gtest.h>

#include "FakeGameHost.h"

namespace zolvex {
namespace {

using fake::Game;
using fake::SetColumn;

void Mark(GameModel& m, int c, int r) {
    m.board[c][r].marked = 1;
}

TEST(ClearingPassTest, VerticalPairTakesTwoPassesLowerCellFirst) {
    Game g;
    g.model.state = GameState::Playing;
    SetColumn(g.model, 3, {1, 4, 6, 2});
    Mark(g.model, 3, 2);
    Mark(g.model, 3, 3);
    g.rules.ClearingPass();
    // The 4 is gone; the 6 dropped into its row and waits, still marked, for the next pass.
    EXPECT_EQ(g.model.board[3][2].value, 6);
    EXPECT_TRUE(g.model.board[3][2].marked);
    EXPECT_EQ(g.model.board[3][3].value, 2);
    g.rules.ClearingPass();
    EXPECT_EQ(g.model.board[3][1].value, 1);
    EXPECT_EQ(g.model.board[3][2].value, 2);
    EXPECT_EQ(g.model.board[3][3].value, 0);
    EXPECT_FALSE(g.rules.AnyCellMarked());
    EXPECT_EQ(g.model.board[3][0].value, kFloorValue);
}

TEST(ClearingPassTest, DroppedBlockPairingAboveTheEmptiedRowGoesInTheSamePass) {
    Game g;
    SetColumn(g.model, 0, {2, 8, 4});
    SetColumn(g.model, 1, {9, 6});
    Mark(g.model, 0, 1);
    Mark(g.model, 0, 2);
    g.rules.ClearingPass();
    // The 4 dropped to row 2 beside the 6 and was marked at once: both lie above the
    // row being emptied or in a column still to come, so both go in this pass.
    EXPECT_EQ(g.model.pairCount, 2);
    EXPECT_EQ(g.model.board[0][1].value, 8);
    EXPECT_TRUE(g.model.board[0][1].marked);
    EXPECT_EQ(g.model.board[0][2].value, 0);
    EXPECT_EQ(g.model.board[1][1].value, 9);
    EXPECT_EQ(g.model.board[1][2].value, 0);
}

TEST(ClearingPassTest, MarkSetInAnAlreadyScannedColumnWaitsForTheNextPass) {
    Game g;
    g.model.score = 1000;
    SetColumn(g.model, 0, {7});
    SetColumn(g.model, 1, {5, 3});
    SetColumn(g.model, 2, {5});
    Mark(g.model, 1, 1);
    Mark(g.model, 2, 1);
    g.rules.ClearingPass();
    // The 3 dropped into row 1 beside the 7: marked, but neither is removed yet.
    EXPECT_EQ(g.model.pairCount, 2);
    EXPECT_TRUE(g.model.board[0][1].marked);
    EXPECT_EQ(g.model.board[1][1].value, 3);
    EXPECT_TRUE(g.model.board[1][1].marked);
    EXPECT_EQ(g.model.board[2][1].value, 0);
    EXPECT_EQ(g.model.score, 1000u);
    g.rules.ClearingPass();
    EXPECT_EQ(g.model.board[0][1].value, 0);
    EXPECT_EQ(g.model.board[1][1].value, 0);
    EXPECT_EQ(g.model.score, 1500u) << "the pass that empties the board multiplies by 1.5";
}

TEST(ClearingPassTest, EmptyingTheBoardMultipliesScoreByOneAndAHalfTruncatedAndSaturating) {
    struct Case {
        uint32_t before, after;
    };
    for (Case c : {Case{0, 0}, Case{1000, 1500}, Case{1015, 1522}, Case{1, 1},
                   Case{0xAAAAAAAAu, 0xFFFFFFFFu}, Case{0xAAAAAAABu, 0xFFFFFFFFu},
                   Case{0xFFFFFFFFu, 0xFFFFFFFFu}}) {
        Game g;
        g.model.score = c.before;
        SetColumn(g.model, 2, {3});
        SetColumn(g.model, 3, {7});
        g.model.board[2][1].marked = g.model.board[3][1].marked = 1;
        g.rules.ClearingPass();
        EXPECT_EQ(g.model.board[2][1].value + g.model.board[3][1].value, 0);
        EXPECT_EQ(g.model.score, c.after) << c.before;
    }
}

TEST(ClearingPassTest, APassThatRemovesNothingNeverMultiplies) {
    // Resuming runs a pass; on an empty board it must not pay out again and again.
    Game g;
    g.model.score = 1000;
    for (int i = 0; i < 40; ++i) g.rules.ClearingPass();
    EXPECT_EQ(g.model.score, 1000u);
}

TEST(ClearingPassTest, PassWithNothingMarkedRestartsFallOnlyWhilePlaying) {
    for (GameState state : {GameState::Playing, GameState::Paused, GameState::Over}) {
        Game g;
        g.model.state = state;
        g.model.score = 200;
        SetColumn(g.model, 4, {6, 1});
        g.host.SetTimer(kClearTimer, kClearPeriodMs);
        g.host.RunUntil(100);
        EXPECT_FALSE(g.host.Running(kClearTimer)) << "a pass runs once per start";
        EXPECT_EQ(g.host.Running(kFallTimer), state == GameState::Playing);
        EXPECT_EQ(g.model.board[4][1].value, 6);
        EXPECT_EQ(g.model.board[4][2].value, 1);
        EXPECT_EQ(g.model.score, 200u) << "board not empty: no multiplier";
    }
}

TEST(ClearingPassTest, TopRowIsEmptiedInEveryColumn) {
    Game g;
    SetColumn(g.model, 5, {1, 2, 1, 2, 1, 2, 1, 2, 1, 3, 7});
    Mark(g.model, 5, 10);
    Mark(g.model, 5, 11);
    g.rules.ClearingPass();
    EXPECT_EQ(g.model.board[5][11].value, 0);
    EXPECT_EQ(g.model.board[5][10].value, 0);
    EXPECT_EQ(g.model.board[5][9].value, 1);
    EXPECT_FALSE(g.rules.AnyCellMarked());
}

}  // namespace
}  // namespace zolvex
