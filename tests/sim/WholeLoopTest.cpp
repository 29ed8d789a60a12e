// A whole visit: title screen, a game played until a landing in the top row
// ends it, the ranking with a typed name, the table in score.scr, and back on
// the title screen.
#include <cstdio>

#include "SimHarness.h"

namespace zolvex::simtest {
namespace {

class WholeLoopTest : public SimTest {};

TEST_F(WholeLoopTest, AGameLostInTheTopRowIsRankedNamedAndStored) {
    WriteWholeFile(folder.File("zolvex.ini"), "[Game]\nDefaultLevel=2\n");
    Boot(1234567890);
    StartGame();
    ASSERT_EQ(CurrentName(), "Game");
    Run("key Enter\ndown Down");

    // Play with Down held until a few trios have landed and a new one has just
    // come into play.
    int handOvers = 0;
    for (int tick = 0; tick < 2000 && handOvers < 3; ++tick) {
        Run("wait 43");
        ASSERT_EQ(Model().state, GameState::Playing);
        bool fresh = true;
        for (const FallingBlock& block : Model().currentTrio) fresh = fresh && block.row == 11;
        if (fresh) ++handOvers;
    }
    ASSERT_EQ(handOvers, 3);
    EXPECT_GT(Model().score, 30u) << "three trios landed at 10 points a block";

    // Stack every column up to row 10 with 1s: the trio in play lands in row 11
    // on its next step and loses the game.
    std::string fill;
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 1; r <= 10; ++r) {
            if (Model().board[c][r].value == 0) {
                fill += "cell " + std::to_string(c) + " " + std::to_string(r) + " 1\n";
            }
        }
    }
    Run(fill + "wait 43");
    ASSERT_EQ(Model().state, GameState::Over);
    uint32_t leftOnBoard = 0;
    for (int c = 0; c < kColumns; ++c)
        for (int r = 1; r <= 10; ++r) leftOnBoard += Model().board[c][r].value;
    uint32_t seconds = (Model().hours * 60 + Model().minutes) * 60 + Model().seconds;
    EXPECT_EQ(Model().bonus, seconds + leftOnBoard);

    Run("up Down\nwait 4500");
    ASSERT_EQ(CurrentName(), "Ranking");
    const uint32_t total = Model().score + Model().bonus;
    EXPECT_EQ(Ranking().level, 2);
    EXPECT_EQ(Ranking().total, total);
    EXPECT_EQ(Ranking().newRank, 0);

    Run("key Down Space Right Space\nwait 100\nkey Enter");
    ASSERT_EQ(CurrentName(), "LevelSelect");
    EXPECT_EQ(Timers(), (std::map<int, uint32_t>{{0, 150}}));
    std::string file = ScoreFile();
    char stored[16];
    std::snprintf(stored, sizeof stored, "%010u", total);
    EXPECT_EQ(IniValue(file, "20", "Name"), std::optional<std::string>("AB"));
    EXPECT_EQ(IniValue(file, "20", "Score"), std::optional<std::string>(stored));
    EXPECT_EQ(IniValue(file, "10", "Score"), std::nullopt) << "other levels untouched";

    // The next game at that level shows the stored total as its best score.
    StartGame();
    char best[32];
    std::snprintf(best, sizeof best, "  1st:%8X", total);
    EXPECT_EQ(TextOrNone(380, 180), best);
}

}  // namespace
}  // namespace zolvex::simtest
