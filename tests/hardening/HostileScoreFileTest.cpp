// A damaged or strange score.scr, met by the whole program on its usual way
// through the title screen, the rankings, a game and the farewell: the run
// never breaks, the tables read as empty places (or as the first of
// duplicates), and when the level's table is stored nothing changes in the
// file but the Name and Score keys of that level's ten places.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "HardeningHarness.h"

namespace zolvex::hardening {
namespace {

struct Place {
    std::string name;
    uint32_t score;
};

struct ScoreCase {
    const char* name;
    std::string (*content)();        // made when the test runs, not when it is listed
    std::vector<Place> firstPlaces;  // of the beginner level; the others are empty
};

std::vector<ScoreCase> Cases() {
    return {
        {"BinaryJunk", [] { return Junk(64 * 1024, 11); }, {}},
        {"Empty", [] { return std::string(); }, {}},
        // Names keep their first ten characters; 100 000 leading zeros are still a number.
        {"LineOf100000Characters",
         [] {
             return "[10]\nName=" + std::string(100'000, 'N') +
                    "\nScore=" + std::string(99'998, '0') + "42\n[11]\n" +
                    std::string(100'000, 'x') + "\nName=Second\nScore=30\n";
         },
         {{"NNNNNNNNNN", 42}, {"Second", 30}}},
        {"DuplicateSectionsAndKeys",
         [] {
             return std::string(
                 "[10]\nName=First\nScore=100\nName=Shadow\nScore=999\n[11]\nName=Two\nScore=50\n"
                 "[10]\nName=Second\nScore=200\n");
         },
         {{"First", 100}, {"Two", 50}}},
        {"CrlfLineEnds",
         [] {
             return std::string(
                 "[10]\r\nName=Ann\r\nScore=0000000300\r\nCheck=5\r\n\r\n[11]\r\nName=Bob\r\n"
                 "Score=0000000200\r\n[20]\r\nName=Other level\r\nScore=0000000900\r\n");
         },
         {{"Ann", 300}, {"Bob", 200}}},
        {"NoFinalNewline",
         [] { return std::string("[10]\nName=Last\nScore=0000000500"); },
         {{"Last", 500}}},
        {"HeaderWithoutClosingBracket",
         [] {
             return std::string(
                 "[10\nName=Ghost\nScore=0000000999\n[11]\nName=Real\nScore=0000000100\n");
         },
         {{"", 0}, {"Real", 100}}},
    };
}

std::vector<IniKey> BeginnerTable() {
    std::vector<IniKey> keys;
    for (int i = 0; i < 10; ++i) {
        std::string section = std::to_string(10 + i);
        keys.push_back({section, "Name"});
        keys.push_back({section, "Score"});
    }
    return keys;
}

class HostileScoreFileTest : public testing::TestWithParam<ScoreCase> {};

TEST_P(HostileScoreFileTest, TheRunGoesOnWithEmptyPlacesAndKeepsTheRestOfTheFile) {
    const ScoreCase& c = GetParam();
    RuntimeFolderCopy work;
    ASSERT_TRUE(work.Ready());
    const std::string before = c.content();
    WriteWholeFile(work.File("score.scr"), before);

    RouteSeen seen = Route(work.Path()).Run();

    EXPECT_TRUE(seen.errorBoxes.empty());
    EXPECT_EQ(seen.titleScene, "LevelSelect");
    EXPECT_EQ(seen.viewScene, "Ranking");
    ASSERT_EQ(seen.viewLevel, 1);
    EXPECT_EQ(seen.gameScene, "Game");
    EXPECT_EQ(seen.rankingScene, "Ranking");
    EXPECT_EQ(seen.backScene, "LevelSelect");
    EXPECT_TRUE(seen.ended);
    EXPECT_EQ(seen.exitCode, 0);

    std::vector<Place> expected = c.firstPlaces;
    expected.resize(10, Place{"", 0});
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE("place " + std::to_string(i));
        EXPECT_EQ(std::string(seen.viewEntries[i].name), expected[i].name);
        EXPECT_EQ(seen.viewEntries[i].score, expected[i].score);
    }
    EXPECT_EQ(seen.bestScores[0], expected[0].score);
    EXPECT_EQ(seen.bestScores[1], expected[1].score);
    EXPECT_EQ(seen.bestScores[2], expected[2].score);
    EXPECT_EQ(seen.tenthScore, expected[9].score);

    // A total of 0 takes no place, so the table stored is the one read.
    const std::string after = ReadWholeFile(work.File("score.scr"));
    const std::vector<IniKey> written = BeginnerTable();
    const std::vector<std::optional<std::string>> stored = IniValues(after, written);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE("place " + std::to_string(i));
        char score[16];
        std::snprintf(score, sizeof score, "%010u", expected[i].score);
        EXPECT_EQ(stored[2 * i], expected[i].name);
        EXPECT_EQ(stored[2 * i + 1], std::string(score));
    }
    EXPECT_TRUE(Untouchable(after, written) == Untouchable(before, written))
        << "lines other than the beginner table's names and scores changed";
    if (AllLinesEndInCrlf(before)) {
        EXPECT_TRUE(AllLinesEndInCrlf(after)) << "a line lost its CR";
    }
    if (!HasWrittenSection(before, written)) {
        // The table's sections are added after everything that was there, so
        // the old bytes, junk included, begin the new file in their order.
        EXPECT_TRUE(after.compare(0, before.size(), before) == 0);
    }
}

// A file past the size a ranking file can have is refused unread: the places read as
// empty, the run says so on standard error, and no store replaces the file.
TEST(OversizeScoreFileTest, ATenMegabyteFileIsRefusedAndLeftAsItWas) {
    RuntimeFolderCopy work;
    ASSERT_TRUE(work.Ready());
    RouteSeen seen = RunWithRefusedFile(
        work, "score.scr", TenMegabytesEndingWith("10", "Name=Deep\r\nScore=0000000777\r\n"));
    EXPECT_EQ(seen.viewEntries[0].score, 0u) << "the entry past ten megabytes is not read";
}

INSTANTIATE_TEST_SUITE_P(Files, HostileScoreFileTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<ScoreCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace zolvex::hardening
