// A damaged or strange zolvex.ini, met by the whole program on its usual way
// through the title screen, the rankings, a game and the farewell: the run
// never breaks, reads the defaults (or the first of duplicates), and leaves
// every byte of the file alone except the two keys the game writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HardeningHarness.h"

namespace zolvex::hardening {
namespace {

struct SettingsCase {
    const char* name;
    std::string (*content)();  // made when the test runs, not when it is listed
    int level;                 // the level the title screen opens on
    bool musicOn;              // whether the music library is opened
};

std::vector<SettingsCase> Cases() {
    return {
        {"BinaryJunk", [] { return Junk(64 * 1024, 7); }, 1, true},
        {"Empty", [] { return std::string(); }, 1, true},
        // A value of 100 000 zeros is the number 0; a line of 100 000 letters is no key.
        {"LineOf100000Characters",
         [] {
             return "[BGM]\nBGM=" + std::string(100'000, '0') + "\n[Game]\n" +
                    std::string(100'000, 'x') + "\nDefaultLevel=3\n";
         },
         3, false},
        {"DuplicateSectionsAndKeys",
         [] {
             return std::string(
                 "[Game]\nDefaultLevel=2\nDefaultLevel=3\n[BGM]\nBGM=0\n[game]\nDefaultLevel=1\n"
                 "[BGM]\nBGM=1\n");
         },
         2, false},
        {"CrlfLineEnds",
         [] {
             return std::string("; settings\r\n[BGM]\r\nBGM=0\r\n\r\n[Game]\r\nDefaultLevel=3\r\n");
         },
         3, false},
        {"NoFinalNewline", [] { return std::string("[BGM]\nBGM=1\n[Game]\nDefaultLevel=2"); }, 2,
         true},
        {"HeaderWithoutClosingBracket",
         [] { return std::string("[Game\nDefaultLevel=3\n[BGM\nBGM=0\n"); }, 1, true},
    };
}

class HostileSettingsTest : public testing::TestWithParam<SettingsCase> {};

TEST_P(HostileSettingsTest, TheRunGoesOnWithTheDefaultsAndKeepsTheRestOfTheFile) {
    const SettingsCase& c = GetParam();
    RuntimeFolderCopy work;
    ASSERT_TRUE(work.Ready());
    const std::string before = c.content();
    WriteWholeFile(work.File("zolvex.ini"), before);

    RouteSeen seen = Route(work.Path()).Run();

    EXPECT_TRUE(seen.errorBoxes.empty());
    EXPECT_EQ(seen.titleScene, "LevelSelect");
    EXPECT_EQ(seen.titleLevel, c.level);
    EXPECT_EQ(seen.viewScene, "Ranking");
    EXPECT_EQ(seen.viewLevel, c.level);
    EXPECT_EQ(seen.gameScene, "Game");
    EXPECT_EQ(seen.rankingScene, "Ranking");
    EXPECT_EQ(seen.backScene, "LevelSelect");
    EXPECT_TRUE(seen.ended);
    EXPECT_EQ(seen.exitCode, 0);
    ASSERT_FALSE(seen.music.empty());
    EXPECT_EQ(seen.music.front() == "Open", c.musicOn);
    EXPECT_EQ(seen.music.back(), "Close");

    const std::string after = ReadWholeFile(work.File("zolvex.ini"));
    EXPECT_EQ(IniValue(after, "BGM", "BGM"), c.musicOn ? "1" : "0");
    EXPECT_EQ(IniValue(after, "Game", "DefaultLevel"), std::to_string(c.level));
    const std::vector<IniKey> written = {{"BGM", "BGM"}, {"Game", "DefaultLevel"}};
    EXPECT_TRUE(Untouchable(after, written) == Untouchable(before, written))
        << "lines other than the written keys changed";
    if (AllLinesEndInCrlf(before)) {
        EXPECT_TRUE(AllLinesEndInCrlf(after)) << "a line lost its CR";
    }
    if (!HasWrittenSection(before, written)) {
        // The game's sections are added after everything that was there, so the
        // old bytes, junk included, begin the new file in their order.
        EXPECT_TRUE(after.compare(0, before.size(), before) == 0);
    }
    // The ranking file of the level played was made alongside.
    EXPECT_TRUE(
        IniValue(ReadWholeFile(work.File("score.scr")), std::to_string(c.level) + "0", "Score"));
}

// A file past the size a settings file can have is refused unread: the run goes on
// with the defaults, says so on standard error, and leaves every byte of the file alone.
TEST(OversizeSettingsTest, ATenMegabyteFileIsRefusedAndLeftAsItWas) {
    RuntimeFolderCopy work;
    ASSERT_TRUE(work.Ready());
    RouteSeen seen = RunWithRefusedFile(work, "zolvex.ini",
                                        TenMegabytesEndingWith("Game", "DefaultLevel=2\r\n"));
    EXPECT_EQ(seen.titleLevel, 1) << "the level past ten megabytes is not read";
    ASSERT_FALSE(seen.music.empty());
    EXPECT_EQ(seen.music.front(), "Open");
}

INSTANTIATE_TEST_SUITE_P(Files, HostileSettingsTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<SettingsCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace zolvex::hardening
