// Every picture of the bmp folder missing, cut short, declaring an absurd
// size, or with a palette shorter than it declares, met by the whole program:
// the shared pictures end the run at start-up with the error box and status 1,
// a scene's own pictures make that scene's start fail; each time one line on
// standard error names the file, and nothing crashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "HardeningHarness.h"

namespace zolvex::hardening {
namespace {

enum class Damage { kMissing, kTruncated, kAbsurdSize, kShortPalette };

void Put32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A Windows BMP of 8 bits per pixel declaring 256 colours, with room for only
// 16 of them before its pixel data.
std::string ShortPaletteBmp(int width, int height) {
    const uint32_t stride = (static_cast<uint32_t>(width) + 3) & ~3u;
    const uint32_t offset = 14 + 40 + 16 * 4;
    std::string bytes(offset + stride * static_cast<uint32_t>(height), '\x01');
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    Put32(bytes, 6, 0);
    Put32(bytes, 10, offset);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, static_cast<uint32_t>(width));
    Put32(bytes, 22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[27] = 0;
    bytes[28] = 8;
    bytes[29] = 0;
    Put32(bytes, 30, 0);
    Put32(bytes, 34, stride * static_cast<uint32_t>(height));
    Put32(bytes, 38, 2835);
    Put32(bytes, 42, 2835);
    Put32(bytes, 46, 256);
    Put32(bytes, 50, 0);
    return bytes;
}

void Break(const std::filesystem::path& file, Damage damage) {
    std::string bytes = ReadWholeFile(file);
    ASSERT_GT(bytes.size(), 54u) << file;
    const int32_t width = static_cast<int32_t>(static_cast<uint8_t>(bytes[18]) |
                                               (static_cast<uint8_t>(bytes[19]) << 8));
    const int32_t height = static_cast<int32_t>(static_cast<uint8_t>(bytes[22]) |
                                                (static_cast<uint8_t>(bytes[23]) << 8));
    switch (damage) {
        case Damage::kMissing:
            std::filesystem::remove(file);
            return;
        case Damage::kTruncated:
            bytes.resize(bytes.size() / 2);
            break;
        case Damage::kAbsurdSize:
            Put32(bytes, 18, 100000);
            Put32(bytes, 22, 100000);
            break;
        case Damage::kShortPalette:
            bytes = ShortPaletteBmp(width, height);
            break;
    }
    WriteWholeFile(file, bytes);
}

const char* DamageName(Damage damage) {
    switch (damage) {
        case Damage::kMissing:
            return "Missing";
        case Damage::kTruncated:
            return "Truncated";
        case Damage::kAbsurdSize:
            return "AbsurdSize";
        case Damage::kShortPalette:
            return "ShortPalette";
    }
    return "";
}

size_t LinesNaming(const std::string& errors, const std::string& file) {
    size_t count = 0;
    size_t begin = 0;
    while (begin < errors.size()) {
        size_t end = errors.find('\n', begin);
        if (end == std::string::npos) end = errors.size();
        if (errors.compare(begin, 8, "zolvex: ") == 0 &&
            errors.substr(begin, end - begin).find(file) != std::string::npos) {
            ++count;
        }
        begin = end + 1;
    }
    return count;
}

struct PictureCase {
    const char* file;  // under bmp/
    Damage damage;
};

class BrokenPicturesTest : public testing::TestWithParam<PictureCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.Ready());
        path = std::string("bmp/") + GetParam().file;
        Break(work.File(path), GetParam().damage);
    }

    RuntimeFolderCopy work;
    std::string path;
};

// The two pictures every screen shares: no screen can be shown without them.
class BrokenSharedPictureTest : public BrokenPicturesTest {};

TEST_P(BrokenSharedPictureTest, StartUpShowsTheErrorBoxAndEndsWithStatusOne) {
    Route route(work.Path());
    const std::string errors = route.StartAndRun("");

    EXPECT_TRUE(route.Ended());
    EXPECT_EQ(route.Program().ExitCode(), 1);
    EXPECT_EQ(route.Platform().ErrorBoxes().size(), 1u);
    EXPECT_EQ(LinesNaming(errors, path), 1u) << errors;
    // No scene was started: no tune was ever loaded.
    std::vector<std::string> music = route.Platform().TakeMusicCalls();
    EXPECT_TRUE(std::none_of(music.begin(), music.end(), [](const std::string& call) {
        return call.rfind("LoadFile", 0) == 0;
    }));
}

// The number tiles of the title screen (and of the game).
class BrokenBlockPictureTest : public BrokenPicturesTest {};

TEST_P(BrokenBlockPictureTest, TheTitleScreenFailsToStartButEscStillSaysGoodbye) {
    Route route(work.Path());
    std::string errors = route.StartAndRun("wait 300\nkey Enter\nkey F1\nwait 300");

    EXPECT_EQ(LinesNaming(errors, path), 1u) << errors;
    EXPECT_TRUE(route.Platform().ErrorBoxes().empty());
    EXPECT_FALSE(route.Ended());
    EXPECT_EQ(route.SceneName(), "LevelSelect");

    route.RunCaptured("key Esc\nwait 3000");
    EXPECT_TRUE(route.Ended());
    EXPECT_EQ(route.Program().ExitCode(), 0);
}

// The play screen's frame and swapper.
class BrokenGamePictureTest : public BrokenPicturesTest {};

TEST_P(BrokenGamePictureTest, TheGameFailsToStartWithALineAndTheProgramLivesOn) {
    Route route(work.Path());
    std::string errors = route.StartAndRun("wait 150");
    EXPECT_EQ(LinesNaming(errors, path), 0u) << "the title screen does not need it";
    ASSERT_EQ(route.SceneName(), "LevelSelect");

    errors = route.RunCaptured(
        "key Enter\nwait 500\nkey Enter Left Right Space Up\ndown Down\nwait 500\nup Down\n"
        "focus lost\nfocus gained\nkey Enter Esc\nwait 5000");
    EXPECT_GE(LinesNaming(errors, path), 1u) << errors;
    EXPECT_TRUE(route.Platform().ErrorBoxes().empty());
    EXPECT_FALSE(route.Ended());

    // The window can still be closed, with the usual teardown.
    route.Script("close");
    EXPECT_TRUE(route.Ended());
    EXPECT_EQ(route.Program().ExitCode(), 0);
}

std::vector<PictureCase> CasesFor(std::vector<const char*> files) {
    std::vector<PictureCase> cases;
    for (const char* file : files) {
        for (Damage damage :
             {Damage::kMissing, Damage::kTruncated, Damage::kAbsurdSize, Damage::kShortPalette}) {
            cases.push_back({file, damage});
        }
    }
    return cases;
}

std::string CaseName(const testing::TestParamInfo<PictureCase>& info) {
    std::string file = info.param.file;
    file = file.substr(0, file.find('.'));
    return file + DamageName(info.param.damage);
}

INSTANTIATE_TEST_SUITE_P(Pictures, BrokenSharedPictureTest,
                         testing::ValuesIn(CasesFor({"mback.bmp", "title.bmp"})), CaseName);
INSTANTIATE_TEST_SUITE_P(Pictures, BrokenBlockPictureTest,
                         testing::ValuesIn(CasesFor({"block.bmp"})), CaseName);
INSTANTIATE_TEST_SUITE_P(Pictures, BrokenGamePictureTest,
                         testing::ValuesIn(CasesFor({"frame.bmp", "fliper.bmp"})), CaseName);

}  // namespace
}  // namespace zolvex::hardening
