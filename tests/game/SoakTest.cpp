#include <gtest/gtest.h>

#include "FakeGameHost.h"
#include "GameBot.h"

namespace zolvex {
namespace {

using fake::Game;
using fake::GameBot;

::testing::AssertionResult Invariants(const GameModel& m) {
    for (int c = 0; c < kColumns; ++c) {
        if (m.board[c][0].value != kFloorValue)
            return ::testing::AssertionFailure() << "floor lost in column " << c;
    }
    if (m.pairCount % 2 != 0) return ::testing::AssertionFailure() << "odd pairCount";
    if (m.flipperLeft < 0 || m.flipperLeft > 6 || m.flipperRight != m.flipperLeft + 1)
        return ::testing::AssertionFailure() << "Flipper at " << m.flipperLeft;
    if (m.fallSpeed > 32 || m.baseFallSpeed > 16)
        return ::testing::AssertionFailure() << "speed " << m.fallSpeed;
    // Game over writes the last trio into row 11 on purpose; the rest holds until then.
    if (m.state == GameState::Over) return ::testing::AssertionSuccess();
    for (int c = 0; c < kColumns; ++c) {
        bool gapSeen = false;
        for (int r = 1; r < kRows; ++r) {
            const Cell& cell = m.board[c][r];
            if (cell.value < 0 || cell.value > 9)
                return ::testing::AssertionFailure() << "value " << cell.value;
            if (cell.value == 0) {
                if (cell.marked) return ::testing::AssertionFailure() << "empty cell marked";
                gapSeen = true;
            } else if (gapSeen) {
                return ::testing::AssertionFailure() << "gap below row " << r << " col " << c;
            }
        }
        const Cell& top = m.board[c][kTopRow];
        if (m.state == GameState::Playing && top.value != 0 && !top.marked)
            return ::testing::AssertionFailure() << "unmarked block left in row 11";
    }
    for (const FallingBlock& b : m.currentTrio) {
        if (!b.falling) continue;
        if (b.column < 0 || b.column >= kColumns || b.row < 1 || b.row > kTopRow)
            return ::testing::AssertionFailure() << "block at " << b.column << "," << b.row;
        if (m.board[b.column][b.row].value != 0)
            return ::testing::AssertionFailure() << "falling block inside a block";
    }
    return ::testing::AssertionSuccess();
}

TEST(SoakTest, ThousandBotGamesKeepTheBoardConsistent) {
    constexpr int kGames = 1000;
    uint64_t totalTicks = 0;
    uint32_t bestScore = 0;
    int markedShown = 0;
    for (int n = 0; n < kGames; ++n) {
        Game g(1 + n % 3, 1000u + n);
        GameBot bot(77u + n);
        bool ok = true;
        const int ticks = bot.PlayWholeGame(g, [&] {
            if (!ok) return;
            ::testing::AssertionResult r = Invariants(g.model);
            if (!r) {
                ADD_FAILURE() << "game " << n << " at " << g.host.now << " ms: " << r.message();
                ok = false;
            }
        });
        ASSERT_TRUE(ok);
        ASSERT_GT(ticks, 0) << "game " << n << " did not end";
        EXPECT_EQ(g.model.overTicks, 9);
        EXPECT_EQ(g.host.rankingStarts, 1);
        totalTicks += static_cast<uint64_t>(ticks);
        bestScore = std::max(bestScore, g.rules.GetScore());
        markedShown += g.host.Count(kPanSound);
    }
    EXPECT_GT(bestScore, 0u);
    EXPECT_GT(markedShown, kGames) << "the bot should set off clears, or the soak proves little";
    RecordProperty("ticks", std::to_string(totalTicks));
}

}  // namespace
}  // namespace zolvex
