// Start-up, the music switch in the settings file, the one fatal error, and the
// teardown that follows the end of the message loop however the window went.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramHarness.h"
#include "display/Font.h"
#include "formats/ProfileFile.h"

namespace zolvex {
namespace {

using test::ProgramHarness;
using testing::ElementsAre;

struct MusicSwitchCase {
    const char* name;
    const char* settings;  // the file before the run; empty for none
    bool musicOn;
    const char* writtenBack;
};

class MusicSwitchTest : public testing::TestWithParam<MusicSwitchCase> {};

TEST_P(MusicSwitchTest, DecidesTheMusicAndIsWrittenBackAsRead) {
    const MusicSwitchCase& c = GetParam();
    ProgramHarness h(c.settings);
    ASSERT_TRUE(h.Start());
    const std::string path = h.SettingsPath().string();
    EXPECT_EQ(GetProfileString(path, "BGM", "BGM", "(missing)", 64), c.writtenBack);
    EXPECT_THAT(h.Settings(), testing::HasSubstr("[BGM]"));
    EXPECT_EQ(h.Backend().MusicIsOpen(), c.musicOn);

    // Whether or not the music is on, the title screen makes all its music calls.
    std::vector<std::string> opening = {"LoadFile open.mid", "Init", "Play"};
    if (c.musicOn) opening.insert(opening.begin(), "Open");
    EXPECT_EQ(h.Music(), opening);

    // Leaving through the farewell screen: both scenes end their tunes, and the
    // music is closed at the end even when it was never opened.
    h.Wait(150);
    h.Key(kVkEscape);
    h.Wait(2000);
    ASSERT_TRUE(h.Run().Ended());
    EXPECT_THAT(h.Music(), ElementsAre("Stop", "Free", "Stop", "Free", "Close"));
    EXPECT_FALSE(h.Backend().MusicIsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    StartUpTest, MusicSwitchTest,
    testing::Values(MusicSwitchCase{"NoSettingsFile", "", true, "1"},
                    MusicSwitchCase{"Off", "[BGM]\nBGM=0\n", false, "0"},
                    MusicSwitchCase{"AnyOtherNumberIsOn", "[BGM]\nBGM=7\n", true, "7"},
                    MusicSwitchCase{"NegativeIsOn", "[BGM]\nBGM=-2\n", true, "-2"},
                    MusicSwitchCase{"NotANumberIsOff", "[BGM]\nBGM=abc\n", false, "0"},
                    MusicSwitchCase{"LeadingNumberCounts", "[BGM]\nBGM=3 voices\n", true, "3"},
                    MusicSwitchCase{"OtherSectionsOnly", "[Game]\nDefaultLevel=2\n", true, "1"}),
    [](const testing::TestParamInfo<MusicSwitchCase>& info) { return info.param.name; });

TEST(StartUpTest, WritingTheSwitchKeepsTheRestOfTheSettingsFile) {
    ProgramHarness h("; chosen by hand\n[Game]\nDefaultLevel=3\n[BGM]\nBGM=0\n");
    ASSERT_TRUE(h.Start());
    EXPECT_THAT(h.Settings(), testing::HasSubstr("; chosen by hand"));
    EXPECT_EQ(h.Run().TheLevelSelect().level, 3);
}

// The window shows once the title's clock runs (a window manager's time over it
// passes while the first tick is awaited); its activation restores nothing.
TEST(StartUpTest, ActivationWhileTheWindowIsShownReachesTheTitleSceneAndRestoresNothing) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.Backend().timersAtShow, (std::map<int, uint32_t>{{0, 150}}));
    const auto& heard = h.Backend().heard;
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard[0].message, kMsgActivateApp);
    EXPECT_EQ(heard[0].wParam, 1u);
    EXPECT_EQ(heard[0].scene, &h.Run().TheLevelSelect());
    // No restore: nothing was flipped, the title scene was started once, with Create.
    EXPECT_EQ(h.Backend().PresentCount(), 0u);
    EXPECT_EQ(h.Run().TheLevelSelect().mode, StartMode::Create);
    EXPECT_THAT(h.Music(), ElementsAre("Open", "LoadFile open.mid", "Init", "Play"));
    EXPECT_EQ(h.Run().TheApplication().active, 1);
    EXPECT_FALSE(h.Backend().CursorShown());
    EXPECT_EQ(h.Backend().RunningTimers(), (std::map<int, uint32_t>{{0, 150}}));
}

// Runs in a working directory without pictures, so the display cannot be set up.
class DisplayFailureTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(inEmpty.Done()); }

    test::TempDirectory empty;
    test::TempDirectory exeFolder;
    test::WorkingDirectory inEmpty{empty.Path()};
};

TEST_F(DisplayFailureTest, ShowsOneErrorBoxAndEndsWithStatusOneBeforeAnySceneOrLoop) {
    test::RecordingPlatform platform(exeFolder.Path().string(), test::kCalendarStart);
    testing::internal::CaptureStderr();
    const int status = RunProgram(platform);
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(status, 1);
    EXPECT_THAT(platform.ErrorBoxes(), ElementsAre("zolvex: DirectDraw 初期化エラー"));
    EXPECT_THAT(err, testing::HasSubstr("mback.bmp"));
    EXPECT_EQ(platform.polls, 0) << "the message loop must not run";
    EXPECT_EQ(platform.PresentCount(), 0u);
    // The title scene never started: no tune loaded, no timer, the cursor never hidden.
    for (const std::string& call : platform.TakeMusicCalls()) {
        EXPECT_THAT(call, testing::Not(testing::StartsWith("LoadFile")));
    }
    EXPECT_TRUE(platform.RunningTimers().empty());
    EXPECT_THAT(platform.events, testing::Not(testing::Contains("HideCursor")));
}

TEST_F(DisplayFailureTest, TheProgramObjectReportsTheEndedRun) {
    ProgramHarness h;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(h.Start());
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(h.Run().Ended());
    EXPECT_EQ(h.Run().ExitCode(), 1);
    EXPECT_EQ(h.Run().TheLevelSelect().blockSurfaces[0], nullptr);
    EXPECT_EQ(h.Backend().ErrorBoxes().size(), 1u);
}

// How to reach each scene from the title screen.
struct SceneRoute {
    const char* scene;
    std::vector<uint32_t> keys;  // pressed after the title screen's first tick
};

class CloseCommandTest : public testing::TestWithParam<SceneRoute> {};

TEST_P(CloseCommandTest, EndsTheRunWithStatusZeroAndAFullTeardownButNoSceneEnd) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(150);
    for (uint32_t key : GetParam().keys) h.Key(key);
    ASSERT_STREQ(h.Current()->Name(), GetParam().scene);
    h.Music();
    h.Backend().events.clear();

    h.Close();
    EXPECT_TRUE(h.Run().Ended());
    EXPECT_EQ(h.Run().ExitCode(), 0);
    EXPECT_FALSE(h.Backend().HasWindow());
    EXPECT_TRUE(h.Backend().RunningTimers().empty());
    // The scene's End (which stops and frees its tune) is not called; the
    // teardown releases the display, then closes the music, then shows the cursor.
    EXPECT_THAT(h.Music(), ElementsAre("Close"));
    EXPECT_THAT(h.Backend().events, ElementsAre("MusicClose", "ShowCursor"));
    EXPECT_EQ(h.Screen().backBuffer, nullptr);
    EXPECT_EQ(h.Screen().background, nullptr);
    EXPECT_EQ(h.Screen().title, nullptr);
    EXPECT_EQ(h.Screen().primary, nullptr);
    EXPECT_EQ(h.Screen().Fonts().Get(0, 1), nullptr);
    EXPECT_STREQ(h.Current()->Name(), GetParam().scene);

    // Nothing more happens once the run has ended.
    const uint64_t presents = h.Backend().PresentCount();
    h.Wait(5000);
    EXPECT_EQ(h.Backend().PresentCount(), presents);
}

INSTANTIATE_TEST_SUITE_P(
    StartUpTest, CloseCommandTest,
    testing::Values(SceneRoute{"LevelSelect", {}}, SceneRoute{"Game", {kVkReturn}},
                    SceneRoute{"Ranking", {kVkF1}}, SceneRoute{"Farewell", {kVkEscape}}),
    [](const testing::TestParamInfo<SceneRoute>& info) { return info.param.scene; });

}  // namespace
}  // namespace zolvex
