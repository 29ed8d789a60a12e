// The keys the program answers on every screen: the sound levels with their notice and
// their [Sound] keys, and the controls card on the title screen. What they show is
// drawn over the presented picture only: the scene's own frame never holds it.
#include "SimHarness.h"

namespace zolvex::simtest {
namespace {

class ProgramKeysTest : public SimTest {
protected:
    ProgramKeys& Keys() { return P().TheProgramKeys(); }
    std::string Setting(const char* key) {
        return IniValue(ReadWholeFile(folder.File("zolvex.ini")), "Sound", key).value_or("");
    }
    std::pair<int, int> Volumes() { return {Platform().MusicVolume(), Platform().EffectsVolume()}; }
};

TEST_F(ProgramKeysTest, VolumeKeysWorkOnEveryScreenAndTheLevelsComeBackNextRun) {
    WriteWholeFile(folder.File("zolvex.ini"), "[Sound]\nMusic=50\n");
    Boot();
    EXPECT_EQ(Volumes(), std::make_pair(50, 100));

    Run("wait 150\nkey F7");
    EXPECT_EQ(Volumes(), std::make_pair(40, 100));
    EXPECT_EQ(Setting("Music"), "40");
    EXPECT_EQ(Setting("Effects"), "") << "only the changed key is written";
    EXPECT_EQ(Keys().Notice(), "Music 40");
    ASSERT_NE(Keys().Composed(), nullptr);
    EXPECT_FALSE(Shown("Music 40")) << "the notice is not part of the scene's frame";
    Run("wait 1300");
    EXPECT_EQ(Keys().Notice(), "");
    EXPECT_EQ(Keys().Composed(), nullptr);
    EXPECT_EQ(Timers().count(ProgramKeys::kNoticeTimer), 0u);

    // During a paused game: the game stays paused.
    StartGame();
    Run("key Enter\nwait 500\nkey Enter");
    ASSERT_EQ(Model().state, GameState::Paused);
    Run("key F2");
    EXPECT_EQ(Volumes(), std::make_pair(0, 100));
    EXPECT_EQ(Keys().Notice(), "Music off");
    Run("key F2\nkey F3");
    EXPECT_EQ(Volumes(), std::make_pair(40, 0)) << "unmuting goes back to the level before";
    EXPECT_EQ(Model().state, GameState::Paused);

    // During name entry: nothing is typed, and F8 goes up from where the music is.
    Run("key Enter\nset score 4096\nkey Esc\nwait 4500");
    ASSERT_EQ(CurrentName(), "Ranking");
    const int typed = Ranking().nameLength;
    Run("key F8\nkey F8");
    EXPECT_EQ(Volumes(), std::make_pair(60, 0));
    EXPECT_EQ(Ranking().nameLength, typed);
    Run("key Enter\nwait 150\nkey Esc");

    Boot();
    EXPECT_EQ(Volumes(), std::make_pair(60, 0));
    Run("wait 150\nkey F3");
    EXPECT_EQ(Volumes(), std::make_pair(60, 100)) << "an unmute with no level before: the default";
}

TEST_F(ProgramKeysTest, WithoutMusicTheMusicKeysSaySoAndChangeNothing) {
    WriteWholeFile(folder.File("zolvex.ini"), "[BGM]\nBGM=0\n[Sound]\nMusic=250\nEffects=x\n");
    Boot();
    EXPECT_EQ(Volumes(), std::make_pair(100, 100))
        << "out of range is held, nonsense is the default";
    Run("wait 150\nkey F8");
    EXPECT_EQ(Platform().MusicVolume(), 100);
    EXPECT_EQ(Keys().Notice(), "No music: BGM=0 in zolvex.ini");
    EXPECT_EQ(Setting("Music"), "250");
}

TEST_F(ProgramKeysTest, HShowsTheCardOverTheTitleAndAnyKeyClosesItDoingNothingElse) {
    Boot();
    Run("wait 150");
    const int level = P().TheLevelSelect().level;
    Run("key H");
    ASSERT_TRUE(Keys().CardShown());
    ASSERT_NE(Keys().Composed(), nullptr);
    EXPECT_GT(Keys().OverlayTexts().size(), 20u);
    // The title goes on under the card, its texts unchanged.
    Run("wait 300");
    EXPECT_TRUE(Shown("Please select Game Level."));
    EXPECT_TRUE(Keys().CardShown());

    Run("key Down");
    EXPECT_FALSE(Keys().CardShown());
    EXPECT_EQ(P().TheLevelSelect().level, level);
    Run("key H\nkey Enter");
    EXPECT_FALSE(Keys().CardShown());
    EXPECT_EQ(CurrentName(), "LevelSelect") << "Enter closed the card and started nothing";

    // Elsewhere H is no key at all.
    StartGame();
    Run("key H");
    EXPECT_FALSE(Keys().CardShown());
}

}  // namespace
}  // namespace zolvex::simtest
