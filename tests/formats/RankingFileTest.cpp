#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FileSizeCap.h"
#include "Files.h"
#include "TempDirectory.h"
#include "formats/ProfileFile.h"
#include "formats/RankingFile.h"

namespace zolvex {
namespace {

namespace fs = std::filesystem;

class RankingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ready());
        dir_ = folder_.Path().string();
        path_ = folder_.File("score.scr").string();
    }

    void WriteRaw(const std::string& text) { test::WriteWholeFile(path_, text); }
    std::string ReadRaw() const { return test::ReadWholeFile(path_); }

    static RankEntry Entry(const char* name, uint32_t score, int32_t check = 0) {
        RankEntry entry{};
        std::strncpy(entry.name, name, 10);
        entry.score = score;
        entry.check = check;
        return entry;
    }

    test::TempDirectory folder_;
    std::string dir_;
    std::string path_;
};

TEST_F(RankingFileTest, NoFileReadsAsTenEmptyPlacesAndZeroBestScores) {
    RankEntry entries[10];
    std::memset(entries, 0x5A, sizeof entries);
    ReadRankingTable(path_, 1, entries);
    for (const RankEntry& entry : entries) {
        EXPECT_STREQ(entry.name, "");
        EXPECT_EQ(entry.score, 0u);
        EXPECT_EQ(entry.check, 0);
    }
    BestScores best = ReadBestScores(path_, 1);
    EXPECT_EQ(best.best[0], 0u);
    EXPECT_EQ(best.best[1], 0u);
    EXPECT_EQ(best.best[2], 0u);
    EXPECT_EQ(best.tenth, 0u);
}

TEST_F(RankingFileTest, WritingATableCreatesTenSectionsWithNameAndScore) {
    RankEntry entries[10];
    ReadRankingTable(path_, 2, entries);
    entries[0] = Entry("ALICE", 1234);
    ASSERT_TRUE(WriteRankingTable(path_, 2, entries));

    std::string expected = "[20]\nName=ALICE\nScore=0000001234\n";
    for (int i = 1; i < 10; ++i) {
        expected += "[2" + std::to_string(i) + "]\nName=\nScore=0000000000\n";
    }
    EXPECT_EQ(ReadRaw(), expected);
}

TEST_F(RankingFileTest, RewriteNormalisesScoresAndCutsNamesButKeepsCheckAndOtherLevels) {
    WriteRaw(
        "[10]\nName=BEGINNER\nScore=99\n"
        "[20]\nName=ABCDEFGHIJKLMNOP\nScore=1234\nCheck=-77\n"
        "[29]\nScore=  0000000005  \nCheck=3\n"
        "[30]\nName=EXPERT\nScore=7\n");
    RankEntry entries[10];
    ReadRankingTable(path_, 2, entries);
    EXPECT_STREQ(entries[0].name, "ABCDEFGHIJ");
    EXPECT_EQ(entries[0].score, 1234u);
    EXPECT_EQ(entries[0].check, -77);
    EXPECT_EQ(entries[9].score, 5u);
    EXPECT_EQ(entries[9].check, 3);

    // A view-only visit writes back what it read.
    ASSERT_TRUE(WriteRankingTable(path_, 2, entries));
    std::string text = ReadRaw();
    EXPECT_NE(text.find("[20]\nName=ABCDEFGHIJ\nScore=0000001234\nCheck=-77\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[29]\nScore=0000000005\nCheck=3\nName=\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("[10]\nName=BEGINNER\nScore=99\n"), 0u) << "level 1 untouched";
    EXPECT_NE(text.find("[30]\nName=EXPERT\nScore=7\n"), std::string::npos) << "level 3 untouched";

    RankEntry again[10];
    ReadRankingTable(path_, 2, again);
    for (int i = 0; i < 10; ++i) {
        EXPECT_STREQ(again[i].name, entries[i].name) << "place " << i;
        EXPECT_EQ(again[i].score, entries[i].score) << "place " << i;
        EXPECT_EQ(again[i].check, entries[i].check) << "place " << i;
    }
}

TEST_F(RankingFileTest, ScoresOfTheFullUnsignedRangeSurvive) {
    const uint32_t scores[10] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000001u, 0x80000000u, 0x7FFFFFFFu,
                                 1000000000u, 4096u,       1u,          0u,          0u};
    RankEntry entries[10];
    for (int i = 0; i < 10; ++i) entries[i] = Entry("P", scores[i]);
    ASSERT_TRUE(WriteRankingTable(path_, 3, entries));
    EXPECT_NE(ReadRaw().find("[30]\nName=P\nScore=4294967295\n"), std::string::npos);

    RankEntry back[10];
    ReadRankingTable(path_, 3, back);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(back[i].score, scores[i]) << "place " << i;

    BestScores best = ReadBestScores(path_, 3);
    EXPECT_EQ(best.best[0], 0xFFFFFFFFu);
    EXPECT_EQ(best.best[1], 0xFFFFFFFEu);
    EXPECT_EQ(best.best[2], 0x80000001u);
    EXPECT_EQ(best.tenth, 0u);
}

TEST_F(RankingFileTest, NegativeScoresOfOlderFilesReadAsTwosComplement) {
    WriteRaw(
        "[10]\nScore=-000000001\n"
        "[11]\nScore=-2147483648\n"
        "[12]\nScore=12abc\n"
        "[13]\nScore=abc\n"
        "[19]\nScore=-1294967296\n");
    RankEntry entries[10];
    ReadRankingTable(path_, 1, entries);
    EXPECT_EQ(entries[0].score, 4294967295u);
    EXPECT_EQ(entries[1].score, 2147483648u);
    EXPECT_EQ(entries[2].score, 12u);
    EXPECT_EQ(entries[3].score, 0u);
    EXPECT_EQ(entries[9].score, 3000000000u);
    BestScores best = ReadBestScores(path_, 1);
    EXPECT_EQ(best.best[0], 4294967295u);
    EXPECT_EQ(best.best[1], 2147483648u);
    EXPECT_EQ(best.best[2], 12u);
    EXPECT_EQ(best.tenth, 3000000000u);
}

TEST_F(RankingFileTest, NamesWithBlanksQuotesAndMarksRoundTrip) {
    const char* names[10] = {" LEAD", "TRAIL ", "  ",    "\"Q\"", "A=B;C",
                             "[10]",  "\"",     "@^_`a", "",      "0123456789"};
    RankEntry entries[10];
    for (int i = 0; i < 10; ++i) entries[i] = Entry(names[i], 100u - i);
    ASSERT_TRUE(WriteRankingTable(path_, 1, entries));
    RankEntry back[10];
    ReadRankingTable(path_, 1, back);
    for (int i = 0; i < 10; ++i) {
        EXPECT_STREQ(back[i].name, names[i]) << "place " << i;
        EXPECT_EQ(back[i].score, 100u - i);
    }
}

TEST_F(RankingFileTest, FailedWriteIsReportedAndKeepsTheOldTable) {
    WriteRaw("[10]\nName=OLD\nScore=0000000001\n");
    RankEntry entries[10];
    ReadRankingTable(path_, 1, entries);
    entries[0] = Entry("NEW", 2);
    ::testing::internal::CaptureStderr();
    {
        // Past the line the failure prints, but short of the new table.
        FileSizeCap cap(200);
        EXPECT_FALSE(WriteRankingTable(path_, 1, entries));
    }
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(path_), std::string::npos);
    EXPECT_EQ(ReadRaw(), "[10]\nName=OLD\nScore=0000000001\n");
}

}  // namespace
}  // namespace zolvex
