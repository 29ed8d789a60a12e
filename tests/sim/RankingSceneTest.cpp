// The ranking screen: the table as read from and written back to score.scr,
// where a game's total is placed, the verdict, the character picker and name
// entry, and leaving the screen by every way there is.
#include <algorithm>
#include <sstream>
#include <vector>

#include "SimHarness.h"
#include "display/Font.h"

namespace zolvex::simtest {
namespace {

constexpr ColorRef kRed = 0x0000FF;
constexpr ColorRef kCyan = 0xFFFF00;
constexpr ColorRef kWhite = 0xFFFFFF;

class RankingSceneTest : public SimTest {
protected:
    // Level 1 full with 1000, 900, ..., 100 and the names P0 to P9.
    void WriteFullTable() {
        std::string text;
        for (int k = 0; k < 10; ++k) {
            text += "[1" + std::to_string(k) + "]\nName=P" + std::to_string(k) +
                    "\nScore=" + std::to_string(1000 - 100 * k) + "\n";
        }
        WriteWholeFile(folder.File("score.scr"), text);
    }

    std::string Name(int k) { return Ranking().entries[k].name; }
    std::string FileValue(const std::string& section, const std::string& key) {
        return IniValue(ScoreFile(), section, key).value_or("<missing>");
    }
    // The texts drawn in the picker's two rows.
    std::vector<TextRecord> PickerTexts() {
        std::vector<TextRecord> picker;
        for (const TextRecord& record : Texts()) {
            if (record.y == 340 || record.y == 360) picker.push_back(record);
        }
        return picker;
    }
    std::optional<TextRecord> SelectedPickerText() {
        std::optional<TextRecord> selected;
        for (const TextRecord& record : PickerTexts()) {
            if (record.color != kWhite) selected = record;
        }
        return selected;
    }
};

TEST_F(RankingSceneTest, WithoutAFileTheFirstVisitShowsTenEmptyPlacesAndCreatesTheFile) {
    Boot();
    ViewRanking();
    Run("wait 100");
    ASSERT_EQ(CurrentName(), "Ranking");
    EXPECT_EQ(Ranking().newRank, 11);
    EXPECT_EQ(Ranking().tableX, 150);
    std::optional<TextRecord> heading = TextAt(150, 50);
    ASSERT_TRUE(heading.has_value());
    EXPECT_EQ(heading->text, "- Ranking for Top 10 -");
    EXPECT_EQ(heading->color, 0x00FFFFu);
    EXPECT_EQ(TextOrNone(50, 400), "Put Enter key.");
    for (int k = 0; k < 10; ++k) {
        int y = 80 + 23 * k;
        EXPECT_EQ(TextOrNone(150, y), (k < 9 ? " " : "") + std::to_string(k + 1));
        EXPECT_EQ(TextOrNone(319, y), "         0");
    }
    EXPECT_EQ(TextOrNone(50, 100), "<none>") << "no result lines in a view-only visit";
    EXPECT_EQ(TextOrNone(50, 180), "<none>");
    EXPECT_TRUE(PickerTexts().empty());

    Run("key Enter");
    EXPECT_EQ(CurrentName(), "LevelSelect");
    for (int k = 0; k < 10; ++k) {
        std::string section = std::to_string(10 + k);
        EXPECT_EQ(FileValue(section, "Name"), "") << section;
        EXPECT_EQ(FileValue(section, "Score"), "0000000000") << section;
    }
    EXPECT_EQ(ScoreFile().find("[20]"), std::string::npos) << "only the level shown is written";
}

TEST_F(RankingSceneTest, AViewOnlyVisitNormalisesTheLevelAndLeavesTheRestAlone) {
    WriteWholeFile(folder.File("score.scr"),
                   "[10]\nName=ABCDEFGHIJKLMN\nScore=1234\nCheck=7\n"
                   "[11]\nName=Bee\nScore=5\n"
                   "[20]\nName=Other level\nScore=77\n");
    Boot();
    ViewRanking();
    Run("wait 100");
    EXPECT_EQ(Name(0), "ABCDEFGHIJ");
    EXPECT_EQ(Ranking().entries[0].score, 1234u);
    EXPECT_EQ(Ranking().entries[0].check, 7);
    EXPECT_EQ(TextOrNone(189, 80), "ABCDEFGHIJ");
    EXPECT_EQ(TextOrNone(319, 80), "       4D2");

    // Space and Backspace do nothing here; the arrows still move the picker.
    Run("key Space Backspace Down");
    EXPECT_EQ(Name(0), "ABCDEFGHIJ");
    EXPECT_EQ(Ranking().pickerRow, 1);

    Run("key Enter");
    EXPECT_EQ(FileValue("10", "Name"), "ABCDEFGHIJ");
    EXPECT_EQ(FileValue("10", "Score"), "0000001234");
    EXPECT_EQ(FileValue("10", "Check"), "7");
    EXPECT_EQ(FileValue("11", "Name"), "Bee");
    EXPECT_EQ(FileValue("11", "Score"), "0000000005");
    EXPECT_EQ(FileValue("20", "Name"), "Other level");
    EXPECT_EQ(FileValue("20", "Score"), "77");
}

struct VerdictCase {
    uint32_t total;
    int newRank;
    const char* verdict;
};

class RankingVerdictTest : public RankingSceneTest,
                           public ::testing::WithParamInterface<VerdictCase> {};

TEST_P(RankingVerdictTest, TotalIsPlacedAboveEqualScoresWithItsVerdict) {
    const VerdictCase& c = GetParam();
    WriteFullTable();
    Boot();
    PlayToRanking(c.total, 0);
    ASSERT_EQ(CurrentName(), "Ranking");
    Run("wait 100");
    EXPECT_EQ(Ranking().newRank, c.newRank);

    std::optional<TextRecord> verdict = TextAt(50, 180);
    ASSERT_TRUE(verdict.has_value());
    EXPECT_EQ(verdict->text, c.verdict);
    EXPECT_EQ(verdict->color, c.newRank < 10 ? kCyan : kRed);
    EXPECT_EQ(verdict->fontIndex, 3);
    EXPECT_EQ(verdict->fontFlag, 1);
    char line[32];
    std::snprintf(line, sizeof line, "Score:%8X", c.total);
    EXPECT_EQ(TextOrNone(50, 100), line);
    EXPECT_EQ(TextOrNone(50, 120), "Bonus:       0");
    std::snprintf(line, sizeof line, "Total:%8X", c.total);
    EXPECT_EQ(TextOrNone(50, 150), line);

    if (c.newRank < 10) {
        EXPECT_EQ(Ranking().entries[c.newRank].score, c.total);
        EXPECT_EQ(Name(c.newRank), "");
        if (c.newRank < 9) {
            EXPECT_EQ(Name(c.newRank + 1), "P" + std::to_string(c.newRank))
                << "the equal score moves below the new entry";
        }
        EXPECT_EQ(Name(9), c.newRank == 9 ? "" : "P8") << "the old tenth place is lost";
        // The new line: a white box of ten cells, then the name in red over it.
        int y = 80 + 23 * c.newRank;
        std::vector<TextRecord> atName;
        for (const TextRecord& record : Texts()) {
            if (record.x == 339 && record.y == y) atName.push_back(record);
        }
        ASSERT_FALSE(atName.empty());
        EXPECT_EQ(atName[0].text, "          ");
        EXPECT_EQ(atName[0].color, kRed);
        EXPECT_EQ(atName[0].bk, std::optional<ColorRef>(kWhite));
        EXPECT_FALSE(PickerTexts().empty());
    } else {
        EXPECT_TRUE(PickerTexts().empty());
        for (const TextRecord& record : Texts()) {
            EXPECT_FALSE(record.bk.has_value()) << record.text << " is highlighted";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Places, RankingVerdictTest,
                         ::testing::Values(VerdictCase{2000, 0, "You get  1st Rank!!"},
                                           VerdictCase{900, 1, "You get  2nd Rank!!"},
                                           VerdictCase{700, 3, "You get  4th Rank!!"},
                                           VerdictCase{100, 9, "You get 10th Rank!!"},
                                           VerdictCase{99, 10, "You miss 10 Rank..."}));

TEST_F(RankingSceneTest, AGameThatScoredNothingIsNotRankedWhateverItsBonus) {
    Boot();
    PlayToRanking(0, 500);
    Run("wait 100");
    EXPECT_EQ(Ranking().newRank, 10);
    EXPECT_EQ(Ranking().total, 500u);
    EXPECT_EQ(TextOrNone(50, 180), "You miss 10 Rank...");
    EXPECT_TRUE(PickerTexts().empty());
    Run("key Down Space Enter");
    EXPECT_EQ(FileValue("10", "Score"), "0000000000");
    EXPECT_EQ(FileValue("10", "Name"), "");
}

TEST_F(RankingSceneTest, ThePickerWrapsAndHighlightsTheSelectedCharacter) {
    Boot();
    PlayToRanking(300, 0);
    Run("wait 100");
    std::optional<TextRecord> selected = SelectedPickerText();
    ASSERT_TRUE(selected.has_value());
    EXPECT_EQ(selected->text, " ") << "the picker starts on the space";
    EXPECT_EQ(selected->color, 0xFF000000u);
    EXPECT_EQ(selected->bk, std::optional<ColorRef>(kWhite));
    EXPECT_EQ(PickerTexts().size(), 65u);

    // Left from the space lands past the last character: nothing highlighted,
    // and Space there types a small a.
    Run("key Left\nwait 100");
    EXPECT_EQ(Ranking().pickerRow, 1);
    EXPECT_EQ(Ranking().pickerColumn, 64);
    EXPECT_FALSE(SelectedPickerText().has_value());
    Run("key Space");
    EXPECT_EQ(Name(0), "a");
    Run("key Right");
    EXPECT_EQ(Ranking().SelectedCode(), 32);

    // Down from "!" gives "B", drawn black on white at its place in the second row.
    Run("key Right Down\nwait 100");
    EXPECT_EQ(Ranking().SelectedCode(), 66);
    selected = SelectedPickerText();
    ASSERT_TRUE(selected.has_value());
    EXPECT_EQ(selected->text, "B");
    EXPECT_EQ(selected->x, 13 * 66 - 795);
    EXPECT_EQ(selected->y, 360);
    // On screen: black ink in a white box.
    const RenderedText* cell = RenderText(P().TheDisplay().Fonts().Get(1, 0), "B");
    ASSERT_NE(cell, nullptr);
    int white = 0, black = 0;
    for (int y = 360; y < 360 + cell->height; ++y) {
        for (int x = selected->x; x < selected->x + cell->width; ++x) {
            uint16_t pixel = Screen().Pixel(x, y);
            white += pixel == ToRgb565(kWhite);
            black += pixel == 0;
        }
    }
    EXPECT_GT(white, cell->width * cell->height / 2);
    EXPECT_GT(black, 0);
    Run("key Down");
    EXPECT_EQ(Ranking().SelectedCode(), 33);
    Run("key Up");
    EXPECT_EQ(Ranking().SelectedCode(), 66);
}

TEST_F(RankingSceneTest, ATenthCharacterIsReplacedAfterTheNextTick) {
    Boot();
    PlayToRanking(300, 0);
    Sounds();
    Run("key Down");  // "A"
    for (int i = 0; i < 10; ++i) Run("key Space");
    EXPECT_EQ(Name(0), "AAAAAAAAAA");
    EXPECT_EQ(Ranking().nameLength, 10);
    Run("key Space");
    std::vector<std::string> sounds = Sounds();
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "wav/pause.wav"), 10);
    EXPECT_EQ(sounds.back(), "beep") << "a full name beeps";

    Run("wait 100\nkey Right Space");
    EXPECT_EQ(Name(0), "AAAAAAAAAB");
    EXPECT_EQ(Sounds(), std::vector<std::string>{"wav/pause.wav"});
    Run("wait 100\nkey Backspace");
    EXPECT_EQ(Name(0), "AAAAAAAA");
    EXPECT_EQ(Ranking().nameLength, 8);
    EXPECT_TRUE(Sounds().empty()) << "Backspace makes no sound";

    Run("key Enter");
    EXPECT_EQ(FileValue("10", "Name"), "AAAAAAAA");
    EXPECT_EQ(FileValue("10", "Score"), "0000000300");
}

TEST_F(RankingSceneTest, EnterWithoutANameStoresTheScore) {
    Boot();
    PlayToRanking(300, 0);
    Run("key Enter");
    EXPECT_EQ(CurrentName(), "LevelSelect");
    EXPECT_EQ(FileValue("10", "Name"), "");
    EXPECT_EQ(FileValue("10", "Score"), "0000000300");
}

TEST_F(RankingSceneTest, ScoresOf2To31AndMoreAreStoredAndReadBackIntact) {
    Boot();
    PlayToRanking(0x80000000u, 5);
    EXPECT_EQ(Ranking().total, 0x80000005u);
    Run("key Enter");
    EXPECT_EQ(FileValue("10", "Score"), "2147483653");

    ViewRanking();
    Run("wait 100");
    EXPECT_EQ(Ranking().entries[0].score, 0x80000005u);
    EXPECT_EQ(TextOrNone(319, 80), "  80000005");
    Run("key Enter");
    StartGame();
    EXPECT_EQ(TextOrNone(380, 180), "  1st:80000005") << "the play screen's best score";
}

TEST_F(RankingSceneTest, NamesWithOuterBlanksOrQuotesRoundTrip) {
    Boot();
    PlayToRanking(300, 0);
    // " aaaaaaaa ": blanks at both ends and all ten characters.
    Run("key Space Left Space Space Space Space Space Space Space Space Right Space Enter");
    PlayToRanking(200, 0);
    Run("key Right Right Space Down Space Up Space Enter");  // "\"C\""

    ViewRanking();
    EXPECT_EQ(Name(0), " aaaaaaaa ");
    EXPECT_EQ(Name(1), "\"C\"");
    Run("key Enter");
    ViewRanking();
    EXPECT_EQ(Name(0), " aaaaaaaa ") << "and again after a second write";
    EXPECT_EQ(Name(1), "\"C\"");
}

TEST_F(RankingSceneTest, ClosingTheWindowOnTheRankingStoresTheTable) {
    Boot();
    PlayToRanking(300, 0);
    Run("key Down Space\nclose");
    EXPECT_TRUE(P().Ended());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_EQ(FileValue("10", "Name"), "A");
    EXPECT_EQ(FileValue("10", "Score"), "0000000300");
}

TEST_F(RankingSceneTest, ARestoreDuringAViewOnlyVisitStaysViewOnly) {
    Boot();
    PlayToRanking(300, 0);
    Run("key Enter");
    ASSERT_EQ(FileValue("10", "Score"), "0000000300");

    ViewRanking();
    Run("focus lost\nfocus gained");
    EXPECT_EQ(Ranking().tableX, 150);
    EXPECT_EQ(Ranking().newRank, 11);
    EXPECT_EQ(TextOrNone(150, 50), "- Ranking for Top 10 -");
    EXPECT_EQ(TextOrNone(50, 100), "<none>");
    EXPECT_EQ(TextOrNone(50, 180), "<none>");
    Run("wait 100");
    EXPECT_EQ(TextOrNone(50, 180), "<none>");
    Run("key Enter");
    EXPECT_EQ(FileValue("10", "Score"), "0000000300");
    EXPECT_EQ(FileValue("11", "Score"), "0000000000") << "the last game is not stored twice";
}

TEST_F(RankingSceneTest, ARestoreAfterAGameEntersTheResultAgainKeepingTheNameTyped) {
    Boot();
    PlayToRanking(300, 0);
    Run("key Down Space Space Right");
    Music();
    Run("focus lost\nfocus gained");
    EXPECT_EQ(Music(), (std::vector<std::string>{"Stop", "Play"}));
    EXPECT_EQ(Ranking().newRank, 0);
    EXPECT_EQ(Name(0), "AA") << "switching windows keeps the name typed so far";
    EXPECT_EQ(Ranking().nameLength, 2);
    EXPECT_EQ(Ranking().SelectedCode(), 'B');
    Run("key Space");
    EXPECT_EQ(Name(0), "AAB");
    EXPECT_EQ(Ranking().entries[1].score, 0u) << "the file did not hold the entry yet";
    Run("wait 100");
    EXPECT_EQ(TextOrNone(50, 180), "You get  1st Rank!!");
}

// Characters typed on the keyboard during name entry: each moves the picker to
// itself and is typed as Space would type it, with the same sound and limits.
TEST_F(RankingSceneTest, ANameTypedOnTheKeyboardIsTypedThroughThePicker) {
    Boot();
    PlayToRanking(300, 0);
    EXPECT_TRUE(Platform().TextInputOn());
    Sounds();
    Run("text Player_1");
    EXPECT_EQ(Name(0), "PLAYER_1") << "letters come as the picker's capitals";
    EXPECT_EQ(Ranking().pickerRow, 0);
    EXPECT_EQ(Ranking().pickerColumn, '1');
    std::vector<std::string> sounds = Sounds();
    EXPECT_EQ(sounds, std::vector<std::string>(8, "wav/pause.wav"));

    Run("key Space\ntext {~");
    EXPECT_EQ(Name(0), "PLAYER_11")
        << "Space types the picker's character; { and ~ are not offered";
    Run("text xy");
    EXPECT_EQ(Name(0), "PLAYER_11X");
    EXPECT_EQ(Ranking().SelectedCode(), 'Y');
    EXPECT_EQ(Sounds().back(), "beep") << "a full name beeps";
    Run("wait 100\nkey Backspace Enter");
    EXPECT_EQ(FileValue("10", "Name"), "PLAYER_1");
    EXPECT_FALSE(Platform().TextInputOn());
}

TEST_F(RankingSceneTest, TypedCharactersChangeNothingOutsideNameEntry) {
    Boot();
    // The whole dump of a screen before and after typing letters, digits and the
    // picker's punctuation: nothing changes, nothing sounds.
    auto expectUnchangedByTyping = [&](const std::string& where) {
        EXPECT_FALSE(Platform().TextInputOn()) << where;
        // The first dump takes the sounds and music calls made so far.
        Run("dump\ndump\ntext AEFHLQRSWZ019@*\ndump");
        std::istringstream dumps(sim->Dumps());
        std::vector<std::string> lines;
        for (std::string line; std::getline(dumps, line);) lines.push_back(line);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_TRUE(lines[lines.size() - 2] == lines.back()) << where << ":\n" << lines.back();
    };
    Run("wait 150");
    expectUnchangedByTyping("title");
    StartGame();
    Run("key Enter\nwait 500");
    expectUnchangedByTyping("game");
    Run("key Esc\nwait 4500");
    ASSERT_EQ(CurrentName(), "Ranking");
    expectUnchangedByTyping("the ranking of a game that scored nothing");
    Run("key Enter");
    ViewRanking();
    expectUnchangedByTyping("view-only ranking");
}

}  // namespace
}  // namespace zolvex::simtest
