// [Keys] of the player's settings, from the file to what the window's keys send.
#include <gtest/gtest.h>

#include <algorithm>

#include "Files.h"
#include "TempDirectory.h"
#include "app/DisplaySettings.h"
#include "app/KeySettings.h"
#include "formats/ProfileFile.h"
#include "platform/sdl/SdlKeyMap.h"

namespace zolvex {
namespace {

// What `name` sends once the settings are applied: its action's virtual key, 0 for
// nothing, or -1 for the key's own meaning.
class KeySettingsTest : public ::testing::Test {
protected:
    // Reads the settings file and binds its keys; returns what was said on standard error.
    std::string Bind() {
        testing::internal::CaptureStderr();
        map_.Bind(ReadKeySettings(path_));
        return testing::internal::GetCapturedStderr();
    }
    int64_t Sends(const char* name, bool typing = false, uint16_t mod = KMOD_NONE) {
        SDL_Keysym key{};
        key.sym = SDL_GetKeyFromName(name);
        key.mod = mod;
        std::optional<uint32_t> sent = map_.Lookup(key, typing);
        return sent ? static_cast<int64_t>(*sent) : -1;
    }

    test::TempDirectory folder_;
    std::string path_ = folder_.File("zolvex.ini").string();
    SdlKeyMap map_;
};

TEST_F(KeySettingsTest, ChosenKeysTakeTheirActionsOverAndSurviveTheGamesOwnWrites) {
    ASSERT_TRUE(test::WriteWholeFile(
        path_,
        "[Keys]\nleft=a\nRight=D\nSwap=Left Shift\nDrop=Keypad 2\nStart=P\nGiveUp=Q\n"
        "Rankings=R\nDelete=Delete\n[BGM]\nBGM=1\n"));
    // The game's own settings written meanwhile leave the section as it was.
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "BGM", "0"));
    ASSERT_TRUE(WriteDisplayPlacement(path_, {}, WindowPlacement{true, 800, 600, 10, 20, 0}));
    EXPECT_EQ(Bind(), "");

    EXPECT_EQ(Sends("A"), kVkLeft);
    EXPECT_EQ(Sends("D"), kVkRight);
    EXPECT_EQ(Sends("Left Shift"), kVkSpace);
    EXPECT_EQ(Sends("Keypad 2"), kVkDown);
    EXPECT_EQ(Sends("P"), kVkReturn);
    EXPECT_EQ(Sends("Q"), kVkF12);
    EXPECT_EQ(Sends("R"), kVkF1);
    EXPECT_EQ(Sends("Delete"), kVkBack);
    // Keys given away do nothing; Space still types, so it still swaps too; the
    // arrows, Enter and Esc keep their meaning.
    EXPECT_EQ(Sends("F1"), 0);
    EXPECT_EQ(Sends("F12"), 0);
    EXPECT_EQ(Sends("Backspace"), 0);
    for (const char* name : {"Space", "Left", "Right", "Down", "Return", "Escape"}) {
        EXPECT_EQ(Sends(name), -1) << name;
    }
    // While a name is typed, keys that type characters type them.
    EXPECT_EQ(Sends("A", true), -1);
    EXPECT_EQ(Sends("Keypad 2", true, KMOD_NUM), -1);
    EXPECT_EQ(Sends("Keypad 2", true), kVkDown) << "without Num Lock it types nothing";
}

TEST_F(KeySettingsTest, BadNamesAndKeptKeysAreIgnoredWithOneLineEach) {
    ASSERT_TRUE(test::WriteWholeFile(
        path_, "[Keys]\nSwap=Shift Left\nType=S\nRankings=Up\nGiveUp=Keypad Enter\n"));
    const std::string said = Bind();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
    EXPECT_NE(said.find("\"Shift Left\""), std::string::npos) << said;
    EXPECT_NE(said.find("[Keys] Rankings"), std::string::npos) << said;
    EXPECT_EQ(Sends("S"), kVkSpace);
    EXPECT_EQ(Sends("Space"), -1) << "Swap keeps Space, so it stays";
    for (const char* name : {"Up", "F1", "F12", "Backspace"}) EXPECT_EQ(Sends(name), -1) << name;
}

}  // namespace
}  // namespace zolvex
