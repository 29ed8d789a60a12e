// The handling all scenes share: losing and regaining the foreground, F5, and
// ticks routed to whichever scene is current when they are dispatched.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramHarness.h"

namespace zolvex {
namespace {

using test::ProgramHarness;
using testing::ElementsAre;

const TextRecord kRestoringNotice{260, 220, "Now Restoreing data, Wait...", 0xFFFFFF, 0x000000,
                                  -1,  -1};

// A scene that only counts what reaches it.
class ProbeScene : public Scene {
public:
    using Scene::Scene;
    int Draw() override { return 1; }
    int OnTimer(int timerId, uint32_t time) override {
        ticks.push_back({timerId, time});
        return 1;
    }
    const char* Name() const override { return "Probe"; }

    std::vector<std::pair<int, uint32_t>> ticks;
};

TEST(SceneFrameworkTest, ATickGoesToTheSceneCurrentWhenItIsDispatched) {
    ProgramHarness h;
    ProbeScene first(h.Run().Context());
    ProbeScene second(h.Run().Context());
    ASSERT_TRUE(h.Start());
    h.Run().TheLevelSelect().End();
    first.Start(StartMode::Create);
    first.SetSceneTimer(1, 50);
    h.Wait(25);
    // The switch leaves the first scene's timer running.
    second.Start(StartMode::Create);
    h.Wait(100);
    EXPECT_TRUE(first.ticks.empty());
    EXPECT_THAT(second.ticks, ElementsAre(std::pair{1, 50u}, std::pair{1, 100u}));
    EXPECT_EQ(second.window, h.Run().TheLevelSelect().window);
    EXPECT_EQ(second.background, h.Screen().background);
    EXPECT_EQ(second.title, h.Screen().title);
    EXPECT_EQ(second.primary, h.Screen().primary);
}

TEST(SceneFrameworkTest, LosingTheForegroundOnTheTitleScreenOnlyStopsTheMusic) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(300);
    h.Music();
    const uint64_t presents = h.Backend().PresentCount();
    const uint32_t frame = h.Run().TheLevelSelect().frameCounter;

    h.Focus(false);
    EXPECT_THAT(h.Music(), ElementsAre("Stop"));
    EXPECT_EQ(h.Current(), &h.Run().TheLevelSelect());
    EXPECT_EQ(h.Backend().PresentCount(), presents);
    EXPECT_EQ(h.Run().TheLevelSelect().frameCounter, frame);
    EXPECT_EQ(h.Backend().RunningTimers(), (std::map<int, uint32_t>{{0, 150}}));
    // The screen goes on animating in the background.
    h.Wait(150);
    EXPECT_EQ(h.Run().TheLevelSelect().frameCounter, frame + 1);
}

TEST(SceneFrameworkTest, RegainingTheForegroundShowsTheNoticeThenRestartsAndRedrawsTheScene) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(300);
    h.Key(kVkDown);  // not confirmed: the restart reads the stored level again
    h.Focus(false);
    h.Music();
    h.Backend().ForgetFrames();

    h.Focus(true);
    LevelSelectScene& title = h.Run().TheLevelSelect();
    const auto frames = h.Backend().Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_THAT(frames[0], ElementsAre(kRestoringNotice));
    ASSERT_EQ(frames[1].size(), 5u);
    EXPECT_EQ(frames[1][2].text, "Beginner Level");
    EXPECT_EQ(frames[1][2].color, 0x0000FFu);
    EXPECT_EQ(title.mode, StartMode::Restore);
    EXPECT_EQ(title.frameCounter, 0u);
    EXPECT_EQ(title.level, 1);
    EXPECT_EQ(title.notYetDrawn, 0);
    // The loaded tune is played again, not reloaded.
    EXPECT_THAT(h.Music(), ElementsAre("Play"));
    EXPECT_EQ(h.Backend().RunningTimers(), (std::map<int, uint32_t>{{0, 150}}));

    // The redraw counts as the first draw: Enter works at once.
    h.Key(kVkReturn);
    EXPECT_STREQ(h.Current()->Name(), "Game");
}

TEST(SceneFrameworkTest, AnActivationFlagOtherThanZeroOrOneDoesNothing) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(150);
    h.Music();
    const uint64_t presents = h.Backend().PresentCount();
    h.Send(Message{kMsgActivateApp, 2, 0, 0});
    EXPECT_TRUE(h.Music().empty());
    EXPECT_EQ(h.Backend().PresentCount(), presents);
    EXPECT_EQ(h.Run().TheLevelSelect().mode, StartMode::Create);
}

TEST(SceneFrameworkTest, FiveOnTheTitleScreenDoesNothing) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(300);
    h.Music();
    const uint64_t presents = h.Backend().PresentCount();
    h.Key(kVkF5);
    EXPECT_TRUE(h.Music().empty());
    EXPECT_EQ(h.Backend().PresentCount(), presents);
    EXPECT_EQ(h.Run().TheLevelSelect().mode, StartMode::Create);
    EXPECT_EQ(h.Run().TheLevelSelect().frameCounter, 2u);
}

TEST(SceneFrameworkTest, LosingTheForegroundDuringAGamePausesItAndStopsItsFirstThreeTimers) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(150);
    h.Key(kVkReturn);
    ASSERT_STREQ(h.Current()->Name(), "Game");
    h.Key(kVkReturn);  // play begins
    h.Wait(500);
    h.Music();
    h.Run().TheGame().SetSceneTimer(3, 500);

    h.Focus(false);
    EXPECT_EQ(h.Run().TheGame().model.state, GameState::Paused);
    EXPECT_EQ(h.Backend().RunningTimers(), (std::map<int, uint32_t>{{3, 500}}));
    EXPECT_THAT(h.Music(), ElementsAre("Stop"));
}

}  // namespace
}  // namespace zolvex
