// A chain reaction played through the whole program, tick by tick, against a
// hand computation: a landing marks a vertical pair, the redraw stops the fall
// and schedules the clearing pass, the lower cell goes, one fall tick shows the
// upper one marked again, the second pass empties the board (score × 1.5), and
// the hand-over adds pairCount² × 50.
#include <algorithm>

#include "SimHarness.h"

namespace zolvex::simtest {
namespace {

using Timers_t = std::map<int, uint32_t>;

class ChainReactionSceneTest : public SimTest {};

TEST_F(ChainReactionSceneTest, VerticalPairClearsInTwoPassesAndEmptiesTheBoard) {
    TileStrip tiles;
    ASSERT_TRUE(tiles.Loaded());
    Boot();
    StartGame();
    // A 3 on the floor of column 0; a 7 falling onto it, one step from landing
    // (row 2 lands at y 360); the other two blocks of the trio have landed already.
    Run("cell 0 1 3\n"
        "trio current 0 0 2 356 7 1\n"
        "trio current 1 5 10 6 1 0\n"
        "trio current 2 6 10 6 2 0\n"
        "set score 1005\n"
        "key Enter");
    FallingBlock handed[3];
    std::copy(std::begin(Model().nextTrio), std::end(Model().nextTrio), handed);
    const uint64_t t0 = Now();
    Sounds();

    // t0 + 43, fall tick: the 7 lands on the 3 and both are marked.
    Run("wait 43");
    EXPECT_EQ(Model().board[0][2].value, 7);
    EXPECT_EQ(Model().board[0][2].marked, 1);
    EXPECT_EQ(Model().board[0][1].marked, 1);
    EXPECT_EQ(Model().pairCount, 2);
    EXPECT_EQ(Model().score, 1015u);
    EXPECT_EQ(Model().currentTrio[0].falling, 0);
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"wav/drop.wav", "wav/pan.wav", "wav/pan.wav"}));
    EXPECT_EQ(Timers(), (Timers_t{{1, 30}, {2, 100}}));
    EXPECT_TRUE(tiles.Shows(Screen(), 7, true, ColumnX(0), RowY(2)));
    EXPECT_TRUE(tiles.Shows(Screen(), 3, true, ColumnX(0), RowY(1)));

    // t0 + 73, first clearing pass: the 3 goes, the marked 7 drops into row 1.
    Run("wait 30");
    EXPECT_EQ(Model().board[0][1].value, 7);
    EXPECT_EQ(Model().board[0][1].marked, 1);
    EXPECT_EQ(Model().board[0][2].value, 0);
    EXPECT_EQ(Model().score, 1015u) << "the board is not empty yet";
    EXPECT_EQ(Timers(), (Timers_t{{0, 43}, {2, 100}}));

    // t0 + 116, the fall tick that the pass restarted: no hand-over while a cell
    // is marked; the redraw stops the fall again and schedules the second pass.
    Run("wait 43");
    EXPECT_EQ(Now(), t0 + 116);
    EXPECT_EQ(Model().currentTrio[1].column, 5) << "the trio has not been handed over";
    EXPECT_EQ(Model().tenths, 1);
    EXPECT_EQ(Sounds(), std::vector<std::string>{"wav/pan.wav"});
    EXPECT_EQ(Timers(), (Timers_t{{1, 30}, {2, 100}}));
    EXPECT_TRUE(tiles.Shows(Screen(), 7, true, ColumnX(0), RowY(1)));

    // t0 + 146, second clearing pass: the board is empty, 1015 × 1.5 = 1522.
    Run("wait 30");
    EXPECT_EQ(Model().board[0][1].value, 0);
    EXPECT_EQ(Model().score, 1522u);
    EXPECT_EQ(Model().pairCount, 2);
    EXPECT_EQ(Timers(), (Timers_t{{0, 43}, {2, 100}}));

    // t0 + 189, fall tick: every block has landed and nothing is marked, so the
    // next trio comes into play and the pair scores 2² × 50.
    Run("wait 43");
    EXPECT_EQ(Model().score, 1722u);
    EXPECT_EQ(Model().pairCount, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Model().currentTrio[i].column, handed[i].column);
        EXPECT_EQ(Model().currentTrio[i].value, handed[i].value);
        EXPECT_EQ(Model().currentTrio[i].y, 6);
    }
    EXPECT_EQ(TextOrNone(380, 100), "Score:     6BA");
    for (int c = 0; c < kColumns; ++c) EXPECT_EQ(Model().board[c][0].value, 11);
}

TEST_F(ChainReactionSceneTest, ALandingInTheTopRowEndsTheGameUnlessItPairs) {
    Boot();
    StartGame();
    // Column 2 is full up to row 10 with a 4 on top; column 6 up to row 10 with a 1.
    std::string fill;
    for (int r = 1; r <= 10; ++r) {
        fill += "cell 2 " + std::to_string(r) + " " + (r == 10 ? "4" : "1") + "\n";
        fill += "cell 6 " + std::to_string(r) + " " + (r == 10 ? "1" : "2") + "\n";
    }
    Run(fill);
    // A 6 onto the 4 pairs and is cleared; the game goes on.
    Run("trio current 0 2 11 0 6 1\ntrio current 1 0 11 0 1 1\ntrio current 2 1 11 0 2 1\n"
        "key Enter\nwait 43");
    EXPECT_EQ(Model().state, GameState::Playing);
    EXPECT_EQ(Model().board[2][11].marked, 1);
    Run("wait 30");
    EXPECT_EQ(Model().board[2][11].value, 0);
    EXPECT_EQ(Model().board[2][10].value, 0) << "the 4 went with the 6";
    EXPECT_EQ(Model().board[2][9].value, 1);

    // A 3 onto the 1 does not pair: the game is lost at once.
    Run("trio current 0 6 11 6 3 1\nwait 43");
    EXPECT_EQ(Model().state, GameState::Over);
    EXPECT_EQ(Timers(), (Timers_t{{3, 500}}));
    EXPECT_EQ(TextOrNone(145, 170), "Game Over");
}

}  // namespace
}  // namespace zolvex::simtest
