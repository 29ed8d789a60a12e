// The [Display] settings and the command line that overrides them for one run.
#include <gtest/gtest.h>

#include "Files.h"
#include "TempDirectory.h"
#include "app/CommandLine.h"
#include "app/DisplaySettings.h"

namespace zolvex {
namespace {

using test::ReadWholeFile;
using test::TempDirectory;
using test::WriteWholeFile;

class DisplaySettingsTest : public ::testing::Test {
protected:
    WindowOptions Read(const std::string& text, const DisplayOverrides& overrides = {}) {
        EXPECT_TRUE(WriteWholeFile(path_, text));
        return ReadDisplaySettings(path_, overrides);
    }

    TempDirectory folder_;
    std::string path_ = folder_.File("zolvex.ini").string();
};

TEST_F(DisplaySettingsTest, MissingOrNonsenseValuesMeanTheDefaults) {
    for (const std::string text :
         {"", "[Display]\nScaling=blurry\nScale=0\nWidth=wide\nHeight=600\nX=10\nY=\nMonitor=-3\n",
          "[Display]\nWidth=800\nHeight=600\nX=1e3\nY=20\n"}) {
        const WindowOptions options = Read(text);
        EXPECT_FALSE(options.placement.windowed) << text;
        EXPECT_EQ(options.scale, 1) << text;
        EXPECT_EQ(options.scaling, ScalingMode::Sharp) << text;
        EXPECT_EQ(options.placement, WindowPlacement{}) << text;
    }
}

TEST_F(DisplaySettingsTest, ReadsEveryKeyAndTheCommandLineOverridesForOneRun) {
    const std::string text =
        "[Display]\nWindowed=1\nScale=3\nScaling=Integer\nWidth=900\nHeight=700\nX=-1200\n"
        "Y=40\nMonitor=1\n";
    const WindowOptions options = Read(text);
    EXPECT_EQ(options.scale, 3);
    EXPECT_EQ(options.scaling, ScalingMode::Integer);
    EXPECT_EQ(options.placement, (WindowPlacement{true, 900, 700, -1200, 40, 1}));

    const WindowOptions overridden = Read(text, DisplayOverrides{false, 2});
    EXPECT_FALSE(overridden.placement.windowed);
    EXPECT_EQ(overridden.scale, 2);
    EXPECT_EQ(ReadWholeFile(path_), text) << "an override is never written";
}

TEST_F(DisplaySettingsTest, WritesOnlyWhatChangedAndKeepsTheRest) {
    const std::string text = "; mine\n[BGM]\nBGM=0\n[Display]\nScale=2\nWindowed=0\n";
    ASSERT_TRUE(WriteWholeFile(path_, text));
    const WindowPlacement before = ReadDisplaySettings(path_).placement;
    EXPECT_TRUE(WriteDisplayPlacement(path_, before, before));
    EXPECT_EQ(ReadWholeFile(path_), text);

    // Full screen to a window never shown before: no size or place to keep yet.
    WindowPlacement now = before;
    now.windowed = true;
    ASSERT_TRUE(WriteDisplayPlacement(path_, before, now));
    EXPECT_EQ(ReadWholeFile(path_), "; mine\n[BGM]\nBGM=0\n[Display]\nScale=2\nWindowed=1\n");

    const WindowPlacement moved{true, 1000, 750, 12, 34, 1};
    ASSERT_TRUE(WriteDisplayPlacement(path_, now, moved));
    EXPECT_EQ(ReadDisplaySettings(path_).placement, moved);
}

TEST(CommandLineTest, ScreenOptionsAndTheirMistakes) {
    const CommandLine line = ParseCommandLine({"--windowed", "--scale", "3"});
    EXPECT_EQ(line.action, CommandLine::Action::Play);
    EXPECT_EQ(line.windowed, true);
    EXPECT_EQ(line.scale, 3);
    EXPECT_EQ(ParseCommandLine({"--windowed", "--fullscreen"}).windowed, false);
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"--scale"}, {"--scale", "0"}, {"--scale", "2x"}, {"--scale", "17"}, {"--scaled"}}) {
        EXPECT_EQ(ParseCommandLine(bad).action, CommandLine::Action::Usage) << bad[0];
    }
}

}  // namespace
}  // namespace zolvex
