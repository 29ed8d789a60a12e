// The keyboard of the play screen in each of its states, losing and regaining the
// foreground during a game, and the hand-over to the ranking after game over.
#include <algorithm>

#include "SimHarness.h"

namespace zolvex::simtest {
namespace {

using Timers_t = std::map<int, uint32_t>;

class GameInputTest : public SimTest {
protected:
    // A snapshot of everything a stray key could change.
    struct Snapshot {
        GameState state;
        int32_t flipperLeft;
        int32_t fallSpeed;
        uint32_t score;
        uint32_t bonus;
        int32_t values[kColumns][kRows];
        Timers_t timers;
        bool operator==(const Snapshot& other) const {
            return state == other.state && flipperLeft == other.flipperLeft &&
                   fallSpeed == other.fallSpeed && score == other.score && bonus == other.bonus &&
                   timers == other.timers &&
                   std::equal(&values[0][0], &values[0][0] + kColumns * kRows, &other.values[0][0]);
        }
    };
    Snapshot Take() {
        Snapshot s{Model().state, Model().flipperLeft, Model().fallSpeed,
                   Model().score, Model().bonus,       {},
                   Timers()};
        for (int c = 0; c < kColumns; ++c)
            for (int r = 0; r < kRows; ++r) s.values[c][r] = Model().board[c][r].value;
        return s;
    }

    // Enters the wanted state of a fresh game, with a 2 under the Flipper's left column.
    void ReachState(GameState state) {
        Boot();
        StartGame();
        Run("cell 3 1 2");
        if (state == GameState::Playing) Run("key Enter");
        if (state == GameState::Paused) Run("key Enter Enter");
        if (state == GameState::Over) Run("key Esc");
        ASSERT_EQ(Model().state, state);
    }
};

TEST_F(GameInputTest, EnterStartsPlayThenPausesThenResumes) {
    Boot();
    StartGame();
    Music();
    uint64_t flips = Flips();
    Run("key Enter");
    EXPECT_EQ(Model().state, GameState::Playing);
    EXPECT_EQ(Timers(), (Timers_t{{0, 43}, {2, 100}}));
    EXPECT_EQ(Music(), std::vector<std::string>{"Play"});
    EXPECT_EQ(Flips(), flips) << "the start screen stays until the first fall tick";
    EXPECT_TRUE(Shown("Put Enter key to Start."));
    Run("wait 43");
    EXPECT_FALSE(Shown("Put Enter key to Start."));

    Sounds();
    Run("key Enter");
    EXPECT_EQ(Model().state, GameState::Paused);
    EXPECT_EQ(Sounds(), std::vector<std::string>{"wav/pause.wav"});
    EXPECT_EQ(Music(), std::vector<std::string>{"Pause"});
    EXPECT_TRUE(Timers().empty());
    EXPECT_EQ(TextOrNone(150, 170), "Pause.");

    Run("key Enter");
    EXPECT_EQ(Model().state, GameState::Playing);
    EXPECT_TRUE(Sounds().empty()) << "resuming makes no sound";
    EXPECT_EQ(Music(), std::vector<std::string>{"Resume"});
    EXPECT_EQ(Timers(), (Timers_t{{0, 43}, {1, 30}, {2, 100}}));
}

TEST_F(GameInputTest, EscOnTheStartScreenEndsTheGameWithNoBonus) {
    Boot();
    StartGame();
    Music();
    Sounds();
    Run("key Esc");
    EXPECT_EQ(Model().state, GameState::Over);
    EXPECT_EQ(Model().score, 0u);
    EXPECT_EQ(Model().bonus, 0u) << "no time passed and rows 1 to 10 are empty";
    EXPECT_EQ(Timers(), (Timers_t{{3, 500}}));
    EXPECT_EQ(Sounds(), std::vector<std::string>{"wav/gover.wav"});
    EXPECT_EQ(Music(), std::vector<std::string>{"Stop"});
    std::optional<TextRecord> banner = TextAt(145, 170);
    ASSERT_TRUE(banner.has_value());
    EXPECT_EQ(banner->text, "Game Over");
    EXPECT_EQ(banner->bk, std::optional<ColorRef>(0xFF0000));
}

TEST_F(GameInputTest, NoKeyActsAfterGameOver) {
    ReachState(GameState::Over);
    Run("wait 600");
    Sounds();
    Music();
    Snapshot before = Take();
    int32_t overTicks = Model().overTicks;
    Run("key Enter Esc F12 Space Up Left Right Down F5 A");
    EXPECT_TRUE(Take() == before);
    EXPECT_EQ(Model().overTicks, overTicks);
    EXPECT_TRUE(Sounds().empty());
    EXPECT_TRUE(Music().empty());
}

TEST_F(GameInputTest, F12GivesUpFromPlayAndFromPause) {
    for (GameState state : {GameState::Playing, GameState::Paused}) {
        ReachState(state);
        Run("key F12");
        EXPECT_EQ(Model().state, GameState::Over);
        EXPECT_EQ(Timers(), (Timers_t{{3, 500}}));
    }
}

TEST_F(GameInputTest, PlayKeysActOnlyWhilePlaying) {
    for (GameState state : {GameState::Ready, GameState::Paused, GameState::Over}) {
        SCOPED_TRACE(static_cast<int>(state));
        ReachState(state);
        Snapshot before = Take();
        Run("key Space Up Left Right Down\ndown Down");
        EXPECT_TRUE(Take() == before);
    }

    ReachState(GameState::Playing);
    Run("key Space");
    EXPECT_EQ(Model().board[3][1].value, 0);
    EXPECT_EQ(Model().board[4][1].value, 2) << "Space swaps the Flipper's columns";
    Run("key Up");
    EXPECT_EQ(Model().board[3][1].value, 2) << "so does Up";
    Run("key Left Left Left Left");
    EXPECT_EQ(Model().flipperLeft, 0);
    EXPECT_EQ(Model().flipperRight, 1);
    Run("key Right Right Right Right Right Right Right");
    EXPECT_EQ(Model().flipperLeft, 6);
    EXPECT_EQ(Model().flipperRight, 7);

    uint32_t score = Model().score;
    Run("down Down\ndown Down\ndown Down");
    EXPECT_EQ(Model().fallSpeed, 8);
    EXPECT_EQ(Model().score, score + 3) << "every Down message, auto-repeat included, counts";
    Run("up Down");
    EXPECT_EQ(Model().fallSpeed, 4);
}

TEST_F(GameInputTest, ReleasingDownRestoresTheBaseSpeedInEveryState) {
    for (GameState state :
         {GameState::Ready, GameState::Playing, GameState::Paused, GameState::Over}) {
        SCOPED_TRACE(static_cast<int>(state));
        ReachState(state);
        Run("set fallSpeed 9\nup Down");
        EXPECT_EQ(Model().fallSpeed, Model().baseFallSpeed);
    }
}

TEST_F(GameInputTest, F5DoesNotRestoreDuringAGame) {
    ReachState(GameState::Playing);
    Music();
    uint64_t flips = Flips();
    Snapshot before = Take();
    Run("key F5");
    EXPECT_TRUE(Take() == before);
    EXPECT_EQ(Flips(), flips);
    EXPECT_TRUE(Music().empty());
}

TEST_F(GameInputTest, LosingTheForegroundPausesTheGameWhateverItsState) {
    for (GameState state :
         {GameState::Ready, GameState::Playing, GameState::Paused, GameState::Over}) {
        SCOPED_TRACE(static_cast<int>(state));
        ReachState(state);
        Run("set score 4660\nset minutes 2\ncell 6 1 5\nwait 10");
        Timers_t timersBefore = Timers();
        Music();
        Run("focus lost");
        EXPECT_EQ(Model().state, GameState::Paused);
        EXPECT_EQ(Music(), std::vector<std::string>{"Stop"});
        Timers_t timers = Timers();
        for (int id : {0, 1, 2}) EXPECT_EQ(timers.count(id), 0u) << "timer " << id;
        EXPECT_EQ(timers.count(3), timersBefore.count(3)) << "the game-over wait goes on";

        uint64_t flips = Flips();
        Snapshot before = Take();
        Run("focus gained");
        EXPECT_GT(Flips(), flips) << "the screen is restored and shown";
        EXPECT_TRUE(Take() == before) << "the game is kept as it was";
        EXPECT_EQ(TextOrNone(150, 170), "Pause.");
        EXPECT_EQ(TextOrNone(380, 100), "Score:    1234");
        EXPECT_EQ(TextOrNone(380, 130), " Time:00:02:00");
    }
}

TEST_F(GameInputTest, AFinishedGamePausedByLosingTheForegroundStaysFinished) {
    ReachState(GameState::Over);
    uint32_t bonus = Model().bonus;
    Run("focus lost\nfocus gained");
    ASSERT_EQ(Model().state, GameState::Paused);
    Music();
    Run("key Enter\nwait 200\nkey Esc F12");
    EXPECT_EQ(Model().state, GameState::Paused) << "Enter does not resume a finished game";
    EXPECT_EQ(Timers(), (Timers_t{{3, 500}}));
    EXPECT_EQ(Model().bonus, bonus) << "nor does Esc end it a second time";
    EXPECT_TRUE(Music().empty());

    Run("wait 4500");
    ASSERT_EQ(CurrentName(), "Ranking");
    Run("key Enter");
    ASSERT_EQ(CurrentName(), "LevelSelect");
    EXPECT_EQ(Timers(), (Timers_t{{0, 150}})) << "no game timer follows into the title screen";
}

TEST_F(GameInputTest, AGameLostInReadyComesBackThroughTheResumePath) {
    ReachState(GameState::Ready);
    Run("focus lost\nfocus gained");
    Music();
    Run("key Enter");
    EXPECT_EQ(Model().state, GameState::Playing);
    EXPECT_EQ(Music(), std::vector<std::string>{"Resume"});
    EXPECT_EQ(Timers(), (Timers_t{{0, 43}, {1, 30}, {2, 100}}));
}

TEST_F(GameInputTest, TheRankingTakesOverOnTheNinthGameOverTick) {
    ReachState(GameState::Playing);
    Run("wait 1000\nset score 100\nkey Esc");
    uint64_t overAt = Now();
    Music();
    Run("wait 4499");
    EXPECT_EQ(CurrentName(), "Game");
    EXPECT_EQ(Model().overTicks, 8);
    Run("wait 1");
    EXPECT_EQ(Now(), overAt + 4500);
    ASSERT_EQ(CurrentName(), "Ranking");
    EXPECT_EQ(Ranking().level, 1);
    EXPECT_EQ(Timers(), (Timers_t{{0, 100}})) << "only the ranking's own timer runs";
    std::vector<std::string> music = Music();
    std::vector<std::string> expected{"Stop", "Free", "LoadFile rank.mid", "Init", "Play"};
    EXPECT_EQ(music, expected);
    EXPECT_EQ(Game().frameSurface, nullptr) << "the game's pictures are released";
    // The bonus is one second of play and the 2 left in row 1.
    EXPECT_EQ(Ranking().total, 100u + 1u + 2u);
}

TEST_F(GameInputTest, PausingAndResumingOnAnEmptyBoardEarnsNothing) {
    Boot();
    StartGame();
    Run("key Enter\nkey Down Down");
    ASSERT_EQ(Model().score, 2u);
    for (int i = 0; i < 40; ++i) Run("key Enter Enter\nwait 30");
    EXPECT_EQ(Model().score, 2u) << "each resume's clearing pass removed nothing";
    EXPECT_EQ(Model().state, GameState::Playing);
}

TEST_F(GameInputTest, SettersHoldCellsToWhatABoardCanShow) {
    ReachState(GameState::Playing);
    Run("cell 3 1 2147483647\ncell 4 1 -5\ncell 5 0 11\ntrio next 0 3 11 6 2147483647 0\nkey "
        "Space");
    EXPECT_EQ(Model().board[4][1].value, 9) << "swapped with column 3";
    EXPECT_EQ(Model().board[3][1].value, 0);
    EXPECT_EQ(Model().board[5][0].value, kFloorValue);
    EXPECT_EQ(Model().nextTrio[0].value, 9);
}

}  // namespace
}  // namespace zolvex::simtest
