#include <gtest/gtest.h>

#include "FakeGameHost.h"

namespace zolvex {
namespace {

using fake::Falling;
using fake::Game;
using fake::SetColumn;

// A 7 lands on a lone 3: the vertical pair is shown, cleared in two passes with one
// fall tick between them, the emptied board multiplies the score, and the rest of the
// trio lands later and is handed over with 2² × 50 for the pair.
TEST(ChainReactionTest, VerticalPairOnAnOtherwiseEmptyBoardTickByTick) {
    Game g;
    g.model.score = 1005;
    SetColumn(g.model, 0, {3});
    g.PlayWith(Falling(7, 0, 356), Falling(1, 4, 6), Falling(2, 5, 6));
    const FallingBlock shown = g.model.nextTrio[1];

    ASSERT_EQ(g.host.RunNextTick(), kFallTimer);  // t 43: the 7 lands in row 2
    EXPECT_EQ(g.host.now, 43u);
    EXPECT_EQ(g.model.board[0][2].value, 7);
    EXPECT_TRUE(g.model.board[0][1].marked && g.model.board[0][2].marked);
    EXPECT_EQ(g.model.pairCount, 2);
    EXPECT_EQ(g.model.score, 1015u);
    EXPECT_EQ(g.host.Count(kDropSound), 1);
    EXPECT_EQ(g.host.Count(kPanSound), 2);
    EXPECT_FALSE(g.host.Running(kFallTimer)) << "the marks stop the fall";
    EXPECT_EQ(g.host.Due(kClearTimer), 73u);

    ASSERT_EQ(g.host.RunNextTick(), kClearTimer);  // t 73: the 3 goes, the 7 drops
    EXPECT_EQ(g.model.board[0][1].value, 7);
    EXPECT_TRUE(g.model.board[0][1].marked);
    EXPECT_EQ(g.model.board[0][2].value, 0);
    EXPECT_EQ(g.model.score, 1015u);
    EXPECT_FALSE(g.host.Running(kClearTimer));
    EXPECT_EQ(g.host.Due(kFallTimer), 116u);

    ASSERT_EQ(g.host.RunNextTick(), kFallTimer);  // t 116: the other two move, no hand-over
    EXPECT_EQ(g.model.currentTrio[1].y, 14);
    EXPECT_EQ(g.model.currentTrio[1].value, 1);
    EXPECT_FALSE(g.host.Running(kFallTimer));
    EXPECT_EQ(g.host.Due(kClearTimer), 146u);

    ASSERT_EQ(g.host.RunNextTick(), kClearTimer);  // t 146: the 7 goes; the board is empty
    EXPECT_EQ(g.model.board[0][1].value, 0);
    EXPECT_EQ(g.model.score, 1522u);
    EXPECT_EQ(g.host.Due(kFallTimer), 189u);

    // From y 14 at 4 pixels a tick the other two land 97 ticks later, together.
    g.host.RunUntil(146 + 43 * 96);
    EXPECT_EQ(g.model.currentTrio[1].value, 1);
    EXPECT_EQ(g.model.currentTrio[1].y, 398);
    ASSERT_EQ(g.host.RunNextTick(), kFallTimer);
    EXPECT_EQ(g.host.now, 146u + 43u * 97u);
    EXPECT_EQ(g.model.board[4][1].value, 1);
    EXPECT_EQ(g.model.board[5][1].value, 2);
    EXPECT_EQ(g.model.score, 1522u + 20u + 200u);
    EXPECT_EQ(g.model.pairCount, 0);
    EXPECT_EQ(g.model.currentTrio[1].value, shown.value);
    EXPECT_EQ(g.model.currentTrio[1].column, shown.column);
}

}  // namespace
}  // namespace zolvex
