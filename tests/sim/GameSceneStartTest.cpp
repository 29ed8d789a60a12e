// The play screen as a game starts: the start screen's texts, the panel and its
// number formats, the level's best scores from the ranking file, and a start
// whose pictures cannot be loaded.
#include <filesystem>

#include "SimHarness.h"

namespace zolvex::simtest {
namespace {

class GameSceneStartTest : public SimTest {};

TEST_F(GameSceneStartTest, StartScreenShowsPromptPanelAndBestScoresOfItsLevel) {
    // Level 1 has 1st/2nd/3rd/10th = 1234, 255, 16, 1; a 4th place and the other
    // levels must not leak into the panel.
    WriteWholeFile(folder.File("score.scr"),
                   "[10]\nName=AAA\nScore=0000001234\n[11]\nScore=255\n[12]\nScore=16\n"
                   "[13]\nScore=9\n[19]\nScore=1\n[20]\nScore=999999\n[29]\nScore=77\n");
    Boot();
    Music();
    StartGame();

    ASSERT_EQ(CurrentName(), "Game");
    EXPECT_EQ(Model().state, GameState::Ready);
    EXPECT_TRUE(Timers().empty()) << "no timer runs on the start screen";
    EXPECT_EQ(Model().fallSpeed, 4);
    std::vector<std::string> music = Music();
    EXPECT_NE(std::find(music.begin(), music.end(), "LoadFile game.mid"), music.end());
    EXPECT_EQ(std::find(music.begin(), music.end(), "Play"), music.end())
        << "the game music stays silent until Enter";

    std::optional<TextRecord> prompt = TextAt(60, 200);
    ASSERT_TRUE(prompt.has_value());
    EXPECT_EQ(prompt->text, "Put Enter key to Start.");
    EXPECT_EQ(prompt->color, 0xFFFFFFu);
    EXPECT_FALSE(prompt->bk.has_value());
    EXPECT_EQ(prompt->fontIndex, 2);
    EXPECT_EQ(prompt->fontFlag, 1);

    EXPECT_EQ(TextOrNone(380, 100), "Score:       0");
    EXPECT_EQ(TextOrNone(380, 130), " Time:00:00:00");
    EXPECT_EQ(TextOrNone(380, 180), "  1st:     4D2");
    EXPECT_EQ(TextOrNone(380, 200), "  2nd:      FF");
    EXPECT_EQ(TextOrNone(380, 220), "  3rd:      10");
    EXPECT_EQ(TextOrNone(450, 240), ":");
    EXPECT_EQ(TextOrNone(380, 260), " 10th:       1");
    for (const TextRecord& record : Texts()) {
        if (record.x == 380 || record.x == 450) {
            EXPECT_EQ(record.fontIndex, 2) << record.text;
            EXPECT_EQ(record.fontFlag, 0) << record.text << " is in the fixed-pitch face";
            EXPECT_EQ(record.color, 0xFFFFFFu) << record.text;
        }
    }
    EXPECT_FALSE(Shown("Pause."));
    EXPECT_FALSE(Shown("Game Over"));
}

TEST_F(GameSceneStartTest, ExpertLevelReadsItsOwnSectionsAndFallsFaster) {
    WriteWholeFile(folder.File("zolvex.ini"), "[Game]\nDefaultLevel=3\n");
    WriteWholeFile(folder.File("score.scr"),
                   "[10]\nScore=5\n[30]\nScore=4294967295\n[31]\nScore=48879\n[32]\nScore=0\n"
                   "[39]\nScore=10\n");
    Boot();
    StartGame();
    ASSERT_EQ(CurrentName(), "Game");
    EXPECT_EQ(Model().fallSpeed, 5);
    EXPECT_EQ(Model().baseFallSpeed, 5);
    EXPECT_EQ(TextOrNone(380, 180), "  1st:FFFFFFFF");
    EXPECT_EQ(TextOrNone(380, 200), "  2nd:    BEEF");
    EXPECT_EQ(TextOrNone(380, 220), "  3rd:       0");
    EXPECT_EQ(TextOrNone(380, 260), " 10th:       A");
}

TEST_F(GameSceneStartTest, WithoutRankingFileAllBestScoresAreZero) {
    Boot();
    StartGame();
    for (int y : {180, 200, 220, 260}) {
        std::string text = TextOrNone(380, y);
        ASSERT_EQ(text.size(), 14u) << text;
        EXPECT_EQ(text.substr(6), "       0") << text;
    }
}

TEST_F(GameSceneStartTest, ScoreAndClockAreDrawnInTheirFields) {
    Boot();
    StartGame();
    Run("key Enter\nset score 255\nset minutes 1\nset seconds 5\nwait 43");
    EXPECT_EQ(TextOrNone(380, 100), "Score:      FF");
    EXPECT_EQ(TextOrNone(380, 130), " Time:00:01:05");

    Run("set score 4294967295\nset hours 12\nset minutes 34\nset seconds 56\nwait 43");
    EXPECT_EQ(TextOrNone(380, 100), "Score:FFFFFFFF");
    EXPECT_EQ(TextOrNone(380, 130), " Time:12:34:56");
}

// A working folder holding every asset but the play-screen frame.
class MissingFrameTest : public SimTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.Ready());
        ASSERT_TRUE(std::filesystem::remove(work.File("bmp/frame.bmp")));
    }
    // The program goes before its working folder.
    void TearDown() override { sim.reset(); }

    RuntimeFolderCopy work;
};

TEST_F(MissingFrameTest, StartFailsQuietlyWithOneLineNamingThePicture) {
    Boot();
    Run("wait 150");
    ASSERT_EQ(CurrentName(), "LevelSelect");
    uint64_t flipsBefore = Flips();

    testing::internal::CaptureStderr();
    Run("key Enter");
    int again = Game().Start(StartMode::Create);
    std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_EQ(again, 0);
    EXPECT_EQ(Flips(), flipsBefore) << "nothing is drawn or flipped";
    EXPECT_NE(errors.find("bmp/frame.bmp"), std::string::npos) << errors;
    EXPECT_EQ(Game().blockSurface, nullptr) << "pictures after the failing one are not loaded";

    // Whatever the player presses next, the program keeps running.
    Run("key Enter Left Space Down\nwait 500\nkey Esc\nwait 5000");
    EXPECT_FALSE(P().Ended());
}

}  // namespace
}  // namespace zolvex::simtest
