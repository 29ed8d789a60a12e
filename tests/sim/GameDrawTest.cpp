// What the play screen shows, checked on the screen's pixels against the tile
// strip: the next-trio preview around the start and the hand-over, the normal and
// the marked look of board cells, and the marked look as the trigger of the
// clearing pass (re-armed by every redraw, still run during a pause).
#include <algorithm>

#include "SimHarness.h"

namespace zolvex::simtest {
namespace {

class GameDrawTest : public SimTest {
protected:
    void SetUp() override { ASSERT_TRUE(tiles.Loaded()); }

    // Columns of the next trio that no block of the current trio uses, so that
    // the preview there cannot be hidden by a falling block.
    std::vector<int> FreePreviewColumns() {
        std::vector<int> free;
        for (const FallingBlock& next : Model().nextTrio) {
            bool used = std::any_of(std::begin(Model().currentTrio), std::end(Model().currentTrio),
                                    [&](const FallingBlock& b) { return b.column == next.column; });
            if (!used) free.push_back(next.column);
        }
        return free;
    }
    int NextValueInColumn(int column) {
        for (const FallingBlock& next : Model().nextTrio) {
            if (next.column == column) return next.value;
        }
        return 0;
    }

    TileStrip tiles;
};

TEST_F(GameDrawTest, PreviewIsHiddenOnTheStartScreenAndShownFromTheFirstFallTick) {
    Boot();
    StartGame();
    std::vector<int> free = FreePreviewColumns();
    ASSERT_FALSE(free.empty()) << "pick another start time: the trios share every column";

    for (const FallingBlock& block : Model().currentTrio) {
        EXPECT_TRUE(tiles.Shows(Screen(), block.value, false, ColumnX(block.column), 0))
            << "the first trio stands at the very top, y 0";
    }
    for (int column : free) {
        EXPECT_FALSE(tiles.Shows(Screen(), NextValueInColumn(column), false, ColumnX(column), 6))
            << "no preview on the start screen, column " << column;
    }

    Run("key Enter\nwait 43");
    for (int column : free) {
        EXPECT_TRUE(tiles.Shows(Screen(), NextValueInColumn(column), false, ColumnX(column), 6))
            << "preview after the first fall tick, column " << column;
    }
    for (const FallingBlock& block : Model().currentTrio) {
        EXPECT_EQ(block.y, 4);
        EXPECT_TRUE(tiles.Shows(Screen(), block.value, false, ColumnX(block.column), 4));
    }
}

TEST_F(GameDrawTest, PreviewIsHiddenInTheTickOfAHandOverOnly) {
    Boot(1000000001);
    StartGame();
    // The trio in play has landed (nothing on the board needs it), so the next
    // fall tick hands the next trio over.
    Run("key Enter\n"
        "trio current 0 0 10 6 1 0\ntrio current 1 1 10 6 2 0\ntrio current 2 2 10 6 3 0");
    FallingBlock handed[3];
    std::copy(std::begin(Model().nextTrio), std::end(Model().nextTrio), handed);

    Run("wait 43");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Model().currentTrio[i].column, handed[i].column);
        EXPECT_EQ(Model().currentTrio[i].row, 11);
        EXPECT_TRUE(tiles.Shows(Screen(), handed[i].value, false, ColumnX(handed[i].column), 6))
            << "the new trio shows where the preview was";
    }
    std::vector<int> free = FreePreviewColumns();
    ASSERT_FALSE(free.empty()) << "pick another start time: the trios share every column";
    for (int column : free) {
        EXPECT_FALSE(tiles.Shows(Screen(), NextValueInColumn(column), false, ColumnX(column), 6))
            << "no preview in the tick of the hand-over, column " << column;
    }

    Run("wait 43");
    for (int column : free) {
        EXPECT_TRUE(tiles.Shows(Screen(), NextValueInColumn(column), false, ColumnX(column), 6))
            << "preview again from the next tick, column " << column;
    }
}

TEST_F(GameDrawTest, TheFlipperShowsUnderItsColumnsFromTheNextRedraw) {
    Picture flipper("bmp\\fliper.bmp");
    ASSERT_TRUE(flipper.Loaded());
    Boot();
    StartGame();
    EXPECT_TRUE(flipper.ShowsWhole(Screen(), ColumnX(3), 444));
    Run("key Enter Left Left");
    EXPECT_TRUE(flipper.ShowsWhole(Screen(), ColumnX(3), 444)) << "moving does not redraw";
    Run("wait 43");
    EXPECT_TRUE(flipper.ShowsWhole(Screen(), ColumnX(1), 444));
    EXPECT_FALSE(flipper.ShowsWhole(Screen(), ColumnX(3), 444));
}

TEST_F(GameDrawTest, MarkedCellsShowTheLowerTileRowAndStartTheClearingPass) {
    Boot();
    StartGame();
    Run("key Enter\ncell 2 1 3\ncell 2 2 8\ncell 5 1 6 1\ncell 7 3 9 1");
    Sounds();
    Run("wait 43");

    EXPECT_TRUE(tiles.Shows(Screen(), 3, false, ColumnX(2), RowY(1)));
    EXPECT_TRUE(tiles.Shows(Screen(), 8, false, ColumnX(2), RowY(2)));
    EXPECT_FALSE(tiles.Shows(Screen(), 3, true, ColumnX(2), RowY(1)));
    EXPECT_TRUE(tiles.Shows(Screen(), 6, true, ColumnX(5), RowY(1)));
    EXPECT_FALSE(tiles.Shows(Screen(), 6, false, ColumnX(5), RowY(1)));
    EXPECT_TRUE(tiles.Shows(Screen(), 9, true, ColumnX(7), RowY(3)));

    std::vector<std::string> sounds = Sounds();
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "wav/pan.wav"), 2)
        << "one marked sound per marked cell";
    std::map<int, uint32_t> timers = Timers();
    EXPECT_EQ(timers.count(0), 0u) << "the fall stands still while cells are marked";
    EXPECT_EQ(timers[1], 30u);

    Run("wait 30");
    EXPECT_EQ(Model().board[5][1].value, 0);
    EXPECT_EQ(Model().board[7][3].value, 0);
    EXPECT_EQ(Model().board[2][2].value, 8) << "unmarked cells stay";
    EXPECT_EQ(Timers()[0], 43u) << "the clearing pass restarts the fall";
}

TEST_F(GameDrawTest, BottomRowBlocksLieOverTheFlipperWhereTheyMeetIt) {
    Boot();
    StartGame();
    // The marked look's lowest line reaches the flipper's top lines under column 3.
    Run("key Enter\ncell 3 1 1 1\ncell 4 1 2\nwait 43");
    ASSERT_EQ(Model().flipperLeft, 3);
    EXPECT_TRUE(tiles.Shows(Screen(), 1, true, ColumnX(3), RowY(1)));
    EXPECT_TRUE(tiles.Shows(Screen(), 2, false, ColumnX(4), RowY(1)));
}

TEST_F(GameDrawTest, EveryRedrawOfMarkedCellsRestartsTheClearDelay) {
    Boot();
    StartGame();
    Run("key Enter\ncell 5 1 6 1\nwait 43");
    ASSERT_EQ(Model().board[5][1].marked, 1);

    Run("wait 20");
    Game().Redraw();
    Run("wait 25");
    EXPECT_EQ(Model().board[5][1].value, 6)
        << "30 ms after the first redraw the pass has not run: the second redraw restarted it";
    Run("wait 5");
    EXPECT_EQ(Model().board[5][1].value, 0) << "30 ms after the second redraw it has";
}

TEST_F(GameDrawTest, PausingWithMarkedCellsStillClearsThemButDoesNotRestartTheFall) {
    Boot();
    StartGame();
    Run("key Enter\ncell 0 1 4\ncell 5 1 6 1\nwait 43");
    Sounds();
    Music();
    Run("key Enter");
    EXPECT_EQ(Model().state, GameState::Paused);
    std::vector<std::string> sounds = Sounds();
    EXPECT_NE(std::find(sounds.begin(), sounds.end(), "wav/pause.wav"), sounds.end());
    EXPECT_EQ(Music(), std::vector<std::string>{"Pause"});
    std::optional<TextRecord> banner = TextAt(150, 170);
    ASSERT_TRUE(banner.has_value());
    EXPECT_EQ(banner->text, "Pause.");
    EXPECT_EQ(banner->color, 0xFFFFFFu);
    EXPECT_EQ(banner->bk, std::optional<ColorRef>(0xFF0000));
    EXPECT_EQ(banner->fontIndex, 2);
    EXPECT_EQ(banner->fontFlag, 1);
    EXPECT_EQ(Timers(), (std::map<int, uint32_t>{{1, 30}})) << "only the pending clear runs";

    int32_t tenths = Model().tenths;
    Run("wait 30");
    EXPECT_EQ(Model().board[5][1].value, 0);
    EXPECT_TRUE(Timers().empty());
    EXPECT_EQ(Model().state, GameState::Paused);
    Run("wait 1000");
    EXPECT_EQ(Model().tenths, tenths) << "the clock stands during the pause";
    for (const FallingBlock& block : Model().currentTrio) EXPECT_EQ(block.y, 4);

    Run("key Enter");
    EXPECT_EQ(Model().state, GameState::Playing);
    EXPECT_EQ(Music(), std::vector<std::string>{"Resume"});
    EXPECT_EQ(Timers(), (std::map<int, uint32_t>{{0, 43}, {1, 30}, {2, 100}}));
}

}  // namespace
}  // namespace zolvex::simtest
