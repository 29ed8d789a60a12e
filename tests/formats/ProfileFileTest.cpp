#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "FileSizeCap.h"
#include "Files.h"
#include "TempDirectory.h"
#include "formats/ProfileFile.h"

namespace zolvex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ready());
        dir_ = folder_.Path().string();
        path_ = folder_.File("zolvex.ini").string();
    }

    void WriteRaw(const std::string& text) { test::WriteWholeFile(path_, text); }
    std::string ReadRaw() const { return test::ReadWholeFile(path_); }
    std::vector<std::string> DirectoryEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    test::TempDirectory folder_;
    std::string dir_;
    std::string path_;
};

TEST_F(ProfileFileTest, MissingOrBlankFileSectionOrKeyGivesDefault) {
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 1), 1);
    EXPECT_EQ(GetProfileString(path_, "10", "Name", "none", 11), "none");
    EXPECT_FALSE(fs::exists(path_)) << "reading must not create the file";

    WriteRaw("");
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 1), 1);

    WriteRaw("[BGM]\nBGM=0\n");
    EXPECT_EQ(GetProfileInt(path_, "Game", "BGM", 5), 5);
    EXPECT_EQ(GetProfileInt(path_, "BGM", "Music", 6), 6);
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 1), 0);
}

TEST_F(ProfileFileTest, ReadsKeysOfTheirOwnSectionOnly) {
    WriteRaw(
        "; settings\n"
        "Level=9\n"
        "[BGM]\n"
        "BGM=0\n"
        "Level=7\n"
        "\n"
        "[Game]\n"
        "DefaultLevel=3\n");
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 1), 0);
    EXPECT_EQ(GetProfileInt(path_, "Game", "DefaultLevel", 1), 3);
    EXPECT_EQ(GetProfileInt(path_, "Game", "Level", -1), -1)
        << "a key of another section or before any section is not found";
    EXPECT_EQ(GetProfileInt(path_, "BGM", "Level", -1), 7);
}

TEST_F(ProfileFileTest, NamesIgnoreCaseAndBlanksAroundNamesAndValuesAreIgnored) {
    WriteRaw("  [ gAmE ]  \n\t defaultlevel \t=  2  \nname =  Al Bo  \n");
    EXPECT_EQ(GetProfileInt(path_, "Game", "DefaultLevel", 1), 2);
    EXPECT_EQ(GetProfileString(path_, "GAME", "NAME", "", 32), "Al Bo");
    EXPECT_EQ(GetProfileString(path_, " Game ", " Name ", "", 32), "Al Bo");
}

TEST_F(ProfileFileTest, IntegerIsTheLeadingDecimalNumberWrappedTo32Bits) {
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"-5", -5},
        {" 7 ", 7},
        {"+8", 8},
        {"0000001234", 1234},
        {"- 5", 0},
        {"\"42\"", 42},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MIN},
        {"4294967295", -1},
        {"4294967296", 0},
        {"99999999999", 1215752191},
        {"-2147483648", INT_MIN},
    };
    for (const Case& c : cases) {
        WriteRaw(std::string("[A]\nK=") + c.value + "\n");
        EXPECT_EQ(GetProfileInt(path_, "A", "K", 77), c.expected) << "value '" << c.value << "'";
    }
    WriteRaw("[A]\nK=\n");
    EXPECT_EQ(GetProfileInt(path_, "A", "K", 77), 77) << "an empty value reads as the default";
}

TEST_F(ProfileFileTest, TextIsCutToItsStorage) {
    WriteRaw("[10]\nName=ABCDEFGHIJKLMN\n");
    EXPECT_EQ(GetProfileString(path_, "10", "Name", "", 11), "ABCDEFGHIJ");
    EXPECT_EQ(GetProfileString(path_, "10", "Name", "", 1), "");
    EXPECT_EQ(GetProfileString(path_, "10", "Name", "", 100), "ABCDEFGHIJKLMN");
    EXPECT_EQ(GetProfileString(path_, "11", "Name", "0123456789XYZ", 11), "0123456789")
        << "the default is cut too";
}

TEST_F(ProfileFileTest, SettingsWrittenBackAtStartUpCreateFileAndKeepNumbers) {
    // Start-up reads BGM with default 1 and writes the value straight back.
    int bgm = GetProfileInt(path_, "BGM", "BGM", 1);
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "BGM", std::to_string(bgm)));
    EXPECT_EQ(ReadRaw(), "[BGM]\nBGM=1\n");

    ASSERT_TRUE(WriteProfileString(path_, "Game", "DefaultLevel", "3"));
    EXPECT_EQ(ReadRaw(), "[BGM]\nBGM=1\n[Game]\nDefaultLevel=3\n");

    WriteRaw("[BGM]\nBGM=7\n");
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 1), 7);
    WriteRaw("[BGM]\nBGM=on\n");
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 1), 0);
}

TEST_F(ProfileFileTest, WriteChangesOnlyItsKeyAndKeepsCommentsAndOrder) {
    WriteRaw(
        "; zolvex settings\n"
        "[BGM]\n"
        "; 0 = off\n"
        "BGM = 1\n"
        "Volume=80\n"
        "\n"
        "\n"
        "[Game]\n"
        "DefaultLevel=2\n"
        "Other=x\n");
    ASSERT_TRUE(WriteProfileString(path_, "bgm", "bgm", "0"));
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "Fade", "3"));
    ASSERT_TRUE(WriteProfileString(path_, "Game", "Extra", "y"));
    ASSERT_TRUE(WriteProfileString(path_, "New", "Key", "z"));
    EXPECT_EQ(ReadRaw(),
              "; zolvex settings\n"
              "[BGM]\n"
              "; 0 = off\n"
              "BGM=0\n"
              "Volume=80\n"
              "Fade=3\n"
              "\n"
              "\n"
              "[Game]\n"
              "DefaultLevel=2\n"
              "Other=x\n"
              "Extra=y\n"
              "[New]\n"
              "Key=z\n");
}

TEST_F(ProfileFileTest, CrlfFileStaysCrlf) {
    WriteRaw("[BGM]\r\nBGM=1\r\n[Game]\r\nDefaultLevel=2\r\n");
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 5), 1);
    EXPECT_EQ(GetProfileString(path_, "Game", "DefaultLevel", "", 10), "2");
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "BGM", "0"));
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "New", "a"));
    ASSERT_TRUE(WriteProfileString(path_, "10", "Name", "b"));
    EXPECT_EQ(ReadRaw(),
              "[BGM]\r\nBGM=0\r\nNew=a\r\n[Game]\r\nDefaultLevel=2\r\n[10]\r\nName=b\r\n");
}

TEST_F(ProfileFileTest, FileWithoutFinalNewline) {
    WriteRaw("[Game]\nDefaultLevel=3");
    EXPECT_EQ(GetProfileInt(path_, "Game", "DefaultLevel", 1), 3);
    ASSERT_TRUE(WriteProfileString(path_, "Game", "Speed", "4"));
    EXPECT_EQ(ReadRaw(), "[Game]\nDefaultLevel=3\nSpeed=4\n");

    WriteRaw("[Game]");
    ASSERT_TRUE(WriteProfileString(path_, "Game", "A", "1"));
    EXPECT_EQ(ReadRaw(), "[Game]\nA=1\n");

    WriteRaw("; only a comment");
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "BGM", "1"));
    EXPECT_EQ(ReadRaw(), "; only a comment\n[BGM]\nBGM=1\n");
}

TEST_F(ProfileFileTest, DuplicatesUseTheFirstSectionAndKey) {
    WriteRaw("[10]\nScore=1\nScore=2\n[11]\nScore=5\n[10]\nScore=3\nName=late\n");
    EXPECT_EQ(GetProfileInt(path_, "10", "Score", 0), 1);
    EXPECT_EQ(GetProfileString(path_, "10", "Name", "-", 11), "-")
        << "only the first section of a name is searched";
    ASSERT_TRUE(WriteProfileString(path_, "10", "Score", "9"));
    ASSERT_TRUE(WriteProfileString(path_, "10", "Name", "A"));
    EXPECT_EQ(ReadRaw(),
              "[10]\nScore=9\nScore=2\nName=A\n[11]\nScore=5\n[10]\nScore=3\nName=late\n");
}

TEST_F(ProfileFileTest, HeaderWithoutClosingBracketIsNoSection) {
    WriteRaw("[10\nScore=5\n[11]\nScore=6\n");
    EXPECT_EQ(GetProfileInt(path_, "10", "Score", -1), -1);
    EXPECT_EQ(GetProfileInt(path_, "11", "Score", -1), 6);
    ASSERT_TRUE(WriteProfileString(path_, "10", "Score", "7"));
    EXPECT_EQ(ReadRaw(), "[10\nScore=5\n[11]\nScore=6\n[10]\nScore=7\n");
    EXPECT_EQ(GetProfileInt(path_, "10", "Score", -1), 7);
}

TEST_F(ProfileFileTest, CopesWithLongLinesBinaryJunkAndLargeFiles) {
    std::string longValue(100000, 'x');
    longValue[50000] = '=';
    WriteRaw("[A]\nLong=" + longValue + "\nAfter=1\n");
    EXPECT_EQ(GetProfileString(path_, "A", "Long", "", 200000), longValue);
    EXPECT_EQ(GetProfileInt(path_, "A", "After", 0), 1);

    std::mt19937 random(7);
    std::string junk;
    for (int i = 0; i < 20000; ++i) junk.push_back(static_cast<char>(random() & 0xFF));
    junk += "\0[]]=\r\r\n[\n=\n"s;
    std::string text = junk + "\n[Game]\nDefaultLevel=2\n" + junk;
    WriteRaw(text);
    EXPECT_EQ(GetProfileInt(path_, "Game", "DefaultLevel", 1), 2);
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "BGM", "0"));
    std::string after = ReadRaw();
    EXPECT_EQ(after.compare(0, text.size(), text), 0) << "junk is kept byte for byte";
    EXPECT_EQ(GetProfileInt(path_, "BGM", "BGM", 1), 0);

    WriteRaw("[A]\nName=ab\0cd\n"s);
    EXPECT_EQ(GetProfileString(path_, "A", "Name", "", 11), "ab");

    std::string big;
    big.reserve(kProfileFileLimit);
    while (big.size() < kProfileFileLimit - 100) big += "[S]\nKey=value of some length here\n";
    big += "[Last]\nKey=42\n";
    WriteRaw(big);
    EXPECT_EQ(GetProfileInt(path_, "Last", "Key", 0), 42);
    ASSERT_TRUE(WriteProfileString(path_, "Last", "Key", "43"));
    EXPECT_EQ(GetProfileInt(path_, "Last", "Key", 0), 43);
}

TEST_F(ProfileFileTest, EveryPickerNameRoundTripsExactly) {
    std::vector<std::string> names = {"",     " ",     "   ",     "  AB", "AB  ", " A B ",   "\"",
                                      "\"\"", "\"A\"", " \"A\" ", "\"A",  "A\"",  "A=B",     "=",
                                      ";A",   "[10]",  "]",       "[",    "a\"b", "\"\"\"\""};
    for (int c = 32; c <= 97; ++c) names.push_back(std::string(1, static_cast<char>(c)));
    for (int c = 32; c + 9 <= 97; c += 10) {
        std::string ten;
        for (int k = 0; k < 10; ++k) ten.push_back(static_cast<char>(c + k));
        names.push_back(ten);
    }
    WriteRaw("[Other]\nKeep=1\n");
    for (const std::string& name : names) {
        ASSERT_TRUE(WriteProfileString(path_, "10", "Name", name));
        EXPECT_EQ(GetProfileString(path_, "10", "Name", "default", 11), name)
            << "name '" << name << "'";
    }
    EXPECT_EQ(GetProfileInt(path_, "Other", "Keep", 0), 1);

    WriteRaw("[10]\nName=\"  X \"\n");
    EXPECT_EQ(GetProfileString(path_, "10", "Name", "", 11), "  X ")
        << "one pair of quotes is stripped after trimming";
}

TEST_F(ProfileFileTest, LineBreaksInAValueAreDropped) {
    ASSERT_TRUE(WriteProfileString(path_, "10", "Name", "A\r\nB\nC"));
    ASSERT_TRUE(WriteProfileString(path_, "10", "Score", "1"));
    EXPECT_EQ(ReadRaw(), "[10]\nName=ABC\nScore=1\n");
}

TEST_F(ProfileFileTest, BatchWriteAppliesAllInOrder) {
    WriteRaw("[10]\nName=old\nCheck=5\n");
    ASSERT_TRUE(WriteProfileStrings(
        path_,
        {{"10", "Name", "new"}, {"10", "Score", "1"}, {"11", "Name", "x"}, {"10", "Score", "2"}}));
    EXPECT_EQ(ReadRaw(), "[10]\nName=new\nCheck=5\nScore=2\n[11]\nName=x\n");
}

TEST_F(ProfileFileTest, ReplaceLeavesNoTemporaryAndKeepsOldFileOnFailure) {
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "BGM", "1"));
    std::vector<std::string> entries = DirectoryEntries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{".zolvex.ini.lock", "zolvex.ini"}));

    // A folder under a temporary's name of an older copy is not in the way either.
    std::string temporary = dir_ + "/.zolvex.ini.tmp." + std::to_string(getpid());
    ASSERT_TRUE(fs::create_directory(temporary));
    ::testing::internal::CaptureStderr();
    {
        // Past the line the failure prints, but short of the new file.
        FileSizeCap cap(512);
        EXPECT_FALSE(WriteProfileString(path_, "BGM", "BGM", std::string(600, '0')));
    }
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(path_), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_EQ(ReadRaw(), "[BGM]\nBGM=1\n");
    EXPECT_TRUE(fs::is_directory(temporary)) << "what is not ours is not removed";
    fs::remove(temporary);

    std::string nowhere = dir_ + "/missing/zolvex.ini";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(WriteProfileString(nowhere, "BGM", "BGM", "0"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(nowhere), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ + "/missing"));

    std::string folder = dir_ + "/score.scr";
    fs::create_directory(folder);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(WriteProfileString(folder, "10", "Name", "A"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(GetProfileString(folder, "10", "Name", "d", 11), "d");
}

TEST_F(ProfileFileTest, KeepsThePermissionsOfTheReplacedFile) {
    WriteRaw("[BGM]\nBGM=1\n");
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteProfileString(path_, "BGM", "BGM", "0"));
    EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileFileTest, RemovesOnlyOurStaleTemporaries) {
    for (const char* name : {".zolvex.ini.tmp.123", ".score.scr.tmp.9", "zolvex.ini",
                             ".zolvex.ini.tmp.abc", ".other.tmp.1", ".score.scr.tmp."}) {
        std::ofstream(dir_ + "/" + name) << "x";
    }
    RemoveStaleProfileTemporaries(dir_);
    std::vector<std::string> left = DirectoryEntries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".other.tmp.1", ".score.scr.tmp.",
                                              ".zolvex.ini.tmp.abc", "zolvex.ini"}));
    RemoveStaleProfileTemporaries(dir_ + "/missing");  // no folder: nothing happens
}

}  // namespace
}  // namespace zolvex
