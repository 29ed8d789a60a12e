// The title screen: its texts, the level menu and the stored level, the
// drifting blocks' swing, drawing and random placement, and its restart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "ProgramHarness.h"
#include "display/Bitmap.h"
#include "formats/ProfileFile.h"
#include "scenes/title/LevelSelectScene.h"

namespace zolvex {

// Found by argument-dependent lookup from the matchers, so beside FloatingBlock.
bool operator==(const FloatingBlock& a, const FloatingBlock& b) {
    return a.baseX == b.baseX && a.y == b.y && a.speed == b.speed && a.image == b.image;
}
void PrintTo(const FloatingBlock& b, std::ostream* out) {
    *out << "{baseX " << b.baseX << ", y " << b.y << ", speed " << b.speed << ", image " << b.image
         << "}";
}

namespace {

using test::ProgramHarness;
using testing::ElementsAre;

// Plays back chosen draws, then goes on with the ordinary sequence.
class ScriptedRandom : public RandomGenerator {
public:
    void Seed(uint32_t seed) override {
        seeds.push_back(seed);
        RandomGenerator::Seed(seed);
    }
    int Next() override {
        if (draws.empty()) return RandomGenerator::Next();
        const int r = draws.front();
        draws.pop_front();
        return r;
    }

    std::deque<int> draws;
    std::vector<uint32_t> seeds;
};

std::vector<TextRecord> TitleTexts(int redLevel) {
    const TextRecord black0{100, 270, "Please select Game Level.", 0x000000, std::nullopt, 0, 1};
    const TextRecord black1{
        100,      285,          "Put the Enter key for Play Game or put F1 for Show HighScore.",
        0x000000, std::nullopt, 0,
        1};
    std::vector<TextRecord> texts{black0, black1};
    const char* names[] = {"Beginner Level", "Advanced Level", "Expert Level"};
    for (int i = 0; i < 3; ++i) {
        texts.push_back(TextRecord{185, 310 + 30 * i, names[i],
                                   redLevel == i + 1 ? 0x0000FFu : 0xFFFFFFu, std::nullopt, 4, 1});
    }
    return texts;
}

TEST(LevelSelectSceneTest, DrawsTheInstructionsAndTheLevelNamesWithTheChosenOneInRed) {
    for (int level = 1; level <= 3; ++level) {
        ProgramHarness h("[Game]\nDefaultLevel=" + std::to_string(level) + "\n");
        ASSERT_TRUE(h.Start());
        h.Wait(150);
        EXPECT_EQ(h.Screen().FlippedTexts(), TitleTexts(level)) << "level " << level;
    }
}

TEST(LevelSelectSceneTest, UpAndDownMoveTheSelectionRoundAndWriteNothing) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    LevelSelectScene& title = h.Run().TheLevelSelect();
    // They work before the first draw.
    h.Key(kVkUp);
    EXPECT_EQ(title.level, 3);
    h.Key(kVkDown);
    EXPECT_EQ(title.level, 1);
    h.Key(kVkDown);
    EXPECT_EQ(title.level, 2);
    h.Key(kVkDown);
    h.Key(kVkDown);
    EXPECT_EQ(title.level, 1);
    h.Key(kVkUp);
    h.Key(kVkUp);
    EXPECT_EQ(title.level, 2);
    // The new selection shows at the next tick.
    h.Wait(150);
    EXPECT_EQ(h.Screen().FlippedTexts(), TitleTexts(2));
    EXPECT_EQ(GetProfileInt(h.SettingsPath().string(), "Game", "DefaultLevel", -99), -99);
    EXPECT_TRUE(h.Backend().TakeSounds().empty());
}

TEST(LevelSelectSceneTest, OtherKeysAndKeyReleasesChangeNothing) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Wait(150);
    h.Music();
    for (uint32_t key : std::initializer_list<uint32_t>{kVkSpace, kVkLeft, kVkRight, kVkBack, kVkF5,
                                                        uint32_t{'A'}})
        h.Key(key);
    EXPECT_STREQ(h.Current()->Name(), "LevelSelect");
    EXPECT_EQ(h.Run().TheLevelSelect().level, 1);
    EXPECT_TRUE(h.Music().empty());
}

struct StoredLevelCase {
    const char* name;
    const char* settings;
    int level;
};

class StoredLevelTest : public testing::TestWithParam<StoredLevelCase> {};

TEST_P(StoredLevelTest, OpensOnTheStoredLevelOrOnBeginner) {
    ProgramHarness h(GetParam().settings);
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.Run().TheLevelSelect().level, GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(
    LevelSelectSceneTest, StoredLevelTest,
    testing::Values(StoredLevelCase{"NoFile", "", 1}, StoredLevelCase{"NoKey", "[Game]\n", 1},
                    StoredLevelCase{"Zero", "[Game]\nDefaultLevel=0\n", 1},
                    StoredLevelCase{"Four", "[Game]\nDefaultLevel=4\n", 1},
                    StoredLevelCase{"MinusOne", "[Game]\nDefaultLevel=-1\n", 1},
                    StoredLevelCase{"NotANumber", "[Game]\nDefaultLevel=hard\n", 1},
                    StoredLevelCase{"Two", "[Game]\nDefaultLevel=2\n", 2},
                    StoredLevelCase{"Three", "[game]\ndefaultlevel=3\n", 3}),
    [](const testing::TestParamInfo<StoredLevelCase>& info) { return info.param.name; });

TEST(LevelSelectSceneTest, EnterAndFOneAreIgnoredUntilTheFirstDraw) {
    for (uint32_t key : {kVkReturn, kVkF1}) {
        ProgramHarness h;
        ASSERT_TRUE(h.Start());
        h.Music();
        h.Wait(149);
        h.Key(key);
        EXPECT_STREQ(h.Current()->Name(), "LevelSelect") << key;
        EXPECT_TRUE(h.Music().empty());
        EXPECT_EQ(GetProfileInt(h.SettingsPath().string(), "Game", "DefaultLevel", -99), -99);
        h.Wait(1);
        EXPECT_EQ(h.Run().TheLevelSelect().notYetDrawn, 0);
        h.Key(key);
        EXPECT_STRNE(h.Current()->Name(), "LevelSelect") << key;
    }
}

TEST(LevelSelectSceneTest, EnterStoresTheLevelAndStartsAGameAtIt) {
    std::string stored;
    {
        ProgramHarness h("[Game]\nDefaultLevel=1\n");
        ASSERT_TRUE(h.Start());
        h.Key(kVkDown);
        h.Wait(150);
        h.Music();
        h.Key(kVkReturn);
        EXPECT_EQ(h.Current(), &h.Run().TheGame());
        EXPECT_EQ(h.Run().TheGame().level, 2);
        EXPECT_EQ(h.Run().TheGame().mode, StartMode::Create);
        EXPECT_EQ(GetProfileString(h.SettingsPath().string(), "Game", "DefaultLevel", "", 16), "2");
        // The title's tune is stopped and freed, and its timer gone, before the game starts.
        const std::vector<std::string> music = h.Music();
        ASSERT_GE(music.size(), 3u);
        EXPECT_EQ(music[0], "Stop");
        EXPECT_EQ(music[1], "Free");
        EXPECT_EQ(music[2], "LoadFile game.mid");
        EXPECT_EQ(h.Run().TheLevelSelect().blockSurfaces[0], nullptr);
        stored = h.Settings();
    }

    // The next run opens on the stored level.
    ProgramHarness next(stored);
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(next.Run().TheLevelSelect().level, 2);
}

TEST(LevelSelectSceneTest, FOneStoresTheLevelAndShowsItsRankingOnly) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    h.Key(kVkUp);
    h.Wait(150);
    h.Key(kVkF1);
    EXPECT_EQ(h.Current(), &h.Run().TheRanking());
    EXPECT_EQ(h.Run().TheRanking().level, 3);
    EXPECT_EQ(h.Run().TheRanking().mode, StartMode::ViewOnly);
    EXPECT_EQ(GetProfileString(h.SettingsPath().string(), "Game", "DefaultLevel", "", 16), "3");
}

TEST(LevelSelectSceneTest, EscAndFTwelveLeaveForTheFarewellScreenWithoutStoringTheLevel) {
    for (uint32_t key : {kVkEscape, kVkF12}) {
        ProgramHarness h("[Game]\nDefaultLevel=3\n");
        ASSERT_TRUE(h.Start());
        h.Key(kVkDown);
        h.Music();
        // At once: they do not wait for the first draw.
        h.Key(key);
        EXPECT_EQ(h.Current(), &h.Run().TheFarewell()) << key;
        EXPECT_EQ(GetProfileString(h.SettingsPath().string(), "Game", "DefaultLevel", "", 16), "3");
        EXPECT_THAT(h.Music(), ElementsAre("Stop", "Free"));
        EXPECT_EQ(h.Backend().RunningTimers(), (std::map<int, uint32_t>{{0, 1000}}));
    }
}

// The swing, worked out independently from its definition: a(u) = u / pi / 2
// radians of the frame number taken modulo 2^32.
double Angle(uint64_t u) {
    return static_cast<double>(u % 4294967296ull) * 0.3183098861837907 * 0.5;
}

int ExpectedLeft(int block, uint32_t frame, int baseX) {
    const uint64_t t = frame;
    switch (block) {
        case 0:
            return static_cast<int>(std::trunc(280.0 * (std::cos(Angle(t)) + 1.0)));
        case 1:
            return baseX + static_cast<int>(std::trunc(150.0 * std::cos(Angle(t + 150))));
        case 2:
            return baseX + static_cast<int>(std::trunc(90.0 * std::sin(Angle(t + 1000))));
        case 3:
            return baseX + static_cast<int>(std::trunc(150.0 * std::sin(Angle(t + 150))));
        default:
            return static_cast<int>(std::trunc(280.0 * (std::sin(Angle(t)) + 1.0)));
    }
}

TEST(LevelSelectSceneTest, BlocksSwingByTheirFrameCounter) {
    ProgramHarness h;
    ASSERT_TRUE(h.Start());
    LevelSelectScene& title = h.Run().TheLevelSelect();
    // Frame 0: block 0 at the right end of its swing, block 4 in the middle.
    title.frameCounter = 0;
    EXPECT_EQ(title.BlockLeft(0), 560);
    EXPECT_EQ(title.BlockLeft(4), 280);

    const uint32_t frames[] = {0, 1, 7, 20, 39, 40, 1000, 123456789, 4294967000u, 4294967295u};
    const int bases[] = {0, 100, 743};
    for (uint32_t frame : frames) {
        title.frameCounter = frame;
        for (int base : bases) {
            for (int block = 0; block < 5; ++block) title.floatingBlocks[block].baseX = base;
            for (int block = 0; block < 5; ++block) {
                EXPECT_EQ(title.BlockLeft(block), ExpectedLeft(block, frame, base))
                    << "block " << block << " frame " << frame << " baseX " << base;
            }
        }
        EXPECT_GE(title.BlockLeft(0), 0);
        EXPECT_LE(title.BlockLeft(0), 560);
        EXPECT_GE(title.BlockLeft(4), 0);
        EXPECT_LE(title.BlockLeft(4), 560);
    }
}

// Draws the title screen with every block off screen except block 1, placed
// with its left edge at `x` and its top at `y`.
class BlockDrawingTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.Start());
        h.Wait(150);
        title = &h.Run().TheLevelSelect();
        title->frameCounter = 0;
        for (FloatingBlock& block : title->floatingBlocks) block.y = 1000;
        title->floatingBlocks[1].image = 4;
        title->Draw();
        const Surface& back = *h.Screen().backBuffer;
        reference.assign(back.Pixels(), back.Pixels() + size_t{640} * 480);

        std::optional<Bitmap> strip = LoadBitmapFile("bmp\\block.bmp");
        ASSERT_TRUE(strip.has_value());
        CopyBitmapToSurface(*strip, 40 * 4, 0, tile, 0, 0, 40, 40);
        tile.FadeTowards(kDriftBlue, kDriftKeeps);
    }

    const Surface& DrawBlockAt(int x, int y) {
        FloatingBlock& block = title->floatingBlocks[1];
        block.baseX = 0;
        block.baseX = x - title->BlockLeft(1);
        block.y = y;
        title->Draw();
        return *h.Screen().backBuffer;
    }

    // Pixels that differ from the frame without the block.
    int ChangedPixels(const Surface& back) const {
        int changed = 0;
        for (int i = 0; i < 640 * 480; ++i) changed += back.Pixels()[i] != reference[i];
        return changed;
    }

    ProgramHarness h;
    LevelSelectScene* title = nullptr;
    std::vector<uint16_t> reference;
    Surface tile{40, 40};
};

TEST_F(BlockDrawingTest, ABlockTileLandsWhereItSwingsWithItsBlackLeftOut) {
    int black = 0;
    for (int i = 0; i < 40 * 40; ++i) black += tile.Pixels()[i] == 0;
    ASSERT_GT(black, 0) << "the tile needs black to show the colour key";
    ASSERT_LT(black, 40 * 40);

    const int x = 333;
    const int y = 20;
    const Surface& back = DrawBlockAt(x, y);
    int inside = 0;
    for (int ty = 0; ty < 40; ++ty) {
        for (int tx = 0; tx < 40; ++tx) {
            const uint16_t ink = tile.Pixel(tx, ty);
            const uint16_t expected = ink != 0 ? ink : reference[(y + ty) * 640 + x + tx];
            ASSERT_EQ(back.Pixel(x + tx, y + ty), expected) << "at " << tx << "," << ty;
            inside += back.Pixel(x + tx, y + ty) != reference[(y + ty) * 640 + x + tx];
        }
    }
    EXPECT_EQ(ChangedPixels(back), inside) << "nothing outside the tile may change";
}

TEST_F(BlockDrawingTest, ABlockNotWhollyOnScreenIsNotDrawnAtAll) {
    struct Place {
        int x, y;
        bool shown;
    };
    const Place places[] = {{0, 20, true},    {600, 20, true}, {-1, 20, false},
                            {601, 20, false}, {0, 440, true},  {0, 441, false},
                            {0, -1, false},   {0, 0, true},    {-39, 20, false}};
    for (const Place& place : places) {
        const Surface& back = DrawBlockAt(place.x, place.y);
        EXPECT_EQ(ChangedPixels(back) > 0, place.shown) << place.x << "," << place.y;
    }
}

TEST(LevelSelectSceneTest, PlacesTheBlocksAtStartFromTheirDrawsIncludingTheExtremes) {
    ScriptedRandom random;
    ProgramHarness h;
    h.Run().UseRandom(random);
    random.draws = {
        0,     0,     0,      // block 0: picture 1 only for r = 0; y 100; speed 8
        32761, 32767, 32760,  // block 1: two draws above 32760 are drawn again
        32767, 32766,         //          y 401; speed 26
        1,     1,     32765,  // block 2: picture 2; y 101; speed 23
        4096,  218,   6553,   // block 3: picture 3; y 102; speed 11
        4095,  219,   6554,   // block 4: picture 2; y 103; speed 14
    };
    ASSERT_TRUE(h.Start());
    EXPECT_TRUE(random.draws.empty()) << random.draws.size() << " draws left over";
    EXPECT_THAT(random.seeds, ElementsAre(test::kCalendarStart));
    EXPECT_THAT(h.Run().TheLevelSelect().floatingBlocks,
                ElementsAre(FloatingBlock{0, 100, 8, 0}, FloatingBlock{0, 401, 26, 8},
                            FloatingBlock{0, 101, 23, 1}, FloatingBlock{0, 102, 11, 2},
                            FloatingBlock{0, 103, 14, 1}));
    EXPECT_EQ(h.Run().TheLevelSelect().frameCounter, 0u);
}

TEST(LevelSelectSceneTest, ABlockPastTheBottomStartsAgainAtTheTopInTheSameTick) {
    ScriptedRandom random;
    ProgramHarness h;
    h.Run().UseRandom(random);
    ASSERT_TRUE(h.Start());
    LevelSelectScene& title = h.Run().TheLevelSelect();
    for (FloatingBlock& block : title.floatingBlocks) block = FloatingBlock{0, 0, 8, 3};
    title.floatingBlocks[1] = FloatingBlock{0, 469, 10, 3};  // reaches 479: stays
    title.floatingBlocks[2] = FloatingBlock{0, 470, 10, 3};  // reaches 480: starts again
    title.floatingBlocks[4] = FloatingBlock{0, 400, 26, 3};  // reaches 426: stays
    random.draws = {
        0,     32761, 32767, 1,  // r = 0 and r above 32760 are drawn again; 1 gives picture 1
        32767,                   // baseX 743
        0,                       // speed 8
    };
    h.Wait(150);
    EXPECT_TRUE(random.draws.empty()) << random.draws.size() << " draws left over";
    EXPECT_THAT(title.floatingBlocks,
                ElementsAre(FloatingBlock{0, 8, 8, 3}, FloatingBlock{0, 479, 10, 3},
                            FloatingBlock{743, 0, 8, 0}, FloatingBlock{0, 8, 8, 3},
                            FloatingBlock{0, 426, 26, 3}));
    EXPECT_EQ(title.frameCounter, 1u);

    title.floatingBlocks[0] = FloatingBlock{743, 479, 1, 0};
    title.floatingBlocks[1].y = 0;
    random.draws = {32760, 0, 32767};  // picture 9, baseX 100, speed 26
    h.Wait(150);
    EXPECT_TRUE(random.draws.empty());
    EXPECT_EQ(title.floatingBlocks[0], (FloatingBlock{100, 0, 26, 8}));
}

TEST(LevelSelectSceneTest, RestoreRebuildsTheSceneFromTheStoredLevel) {
    ScriptedRandom random;
    ProgramHarness h("[Game]\nDefaultLevel=2\n");
    h.Run().UseRandom(random);
    ASSERT_TRUE(h.Start());
    h.Wait(5000);
    LevelSelectScene& title = h.Run().TheLevelSelect();
    h.Key(kVkDown);
    ASSERT_EQ(title.level, 3);
    ASSERT_GT(title.frameCounter, 0u);
    h.Music();

    random.draws = {1,        0,        0,       2 * 4095, 109,      6553,    3 * 4095, 2 * 109,
                    2 * 6553, 4 * 4095, 3 * 109, 3 * 6553, 5 * 4095, 4 * 109, 4 * 6553};
    h.Focus(true);
    EXPECT_TRUE(random.draws.empty());
    EXPECT_THAT(random.seeds, ElementsAre(test::kCalendarStart, test::kCalendarStart + 5));
    EXPECT_THAT(title.floatingBlocks,
                ElementsAre(FloatingBlock{0, 100, 8, 1}, FloatingBlock{0, 101, 11, 2},
                            FloatingBlock{0, 102, 14, 3}, FloatingBlock{0, 103, 17, 4},
                            FloatingBlock{0, 104, 20, 5}));
    EXPECT_EQ(title.frameCounter, 0u);
    EXPECT_EQ(title.level, 2);
    EXPECT_EQ(title.mode, StartMode::Restore);
    EXPECT_THAT(h.Music(), ElementsAre("Play"));
    for (const auto& surface : title.blockSurfaces) {
        ASSERT_NE(surface, nullptr);
        EXPECT_TRUE(surface->HasColorKey());
    }
}

// Runs in a working directory whose pictures lack "bmp/block.bmp".
class MissingBlockPictureTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pictures.Ready());
        ASSERT_TRUE(std::filesystem::remove(pictures.File("bmp/block.bmp")));
    }

    test::RuntimeFolderCopy pictures;
};

TEST_F(MissingBlockPictureTest, TheTitleScreenStaysWithoutBlocksAndStillLetsThePlayerLeave) {
    ProgramHarness h;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(h.Start());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, testing::HasSubstr("block.bmp"));
    EXPECT_EQ(h.Current(), &h.Run().TheLevelSelect());
    // No tune, no timer: nothing is drawn, so Enter and F1 stay ignored.
    EXPECT_THAT(h.Music(), ElementsAre("Open"));
    EXPECT_TRUE(h.Backend().RunningTimers().empty());
    h.Wait(1000);
    h.Key(kVkReturn);
    h.Key(kVkF1);
    EXPECT_EQ(h.Current(), &h.Run().TheLevelSelect());
    h.Key(kVkUp);
    EXPECT_EQ(h.Run().TheLevelSelect().level, 3);

    // A restore finds no block surfaces to refill and must not use them.
    testing::internal::CaptureStderr();
    h.Focus(true);
    testing::internal::GetCapturedStderr();
    for (const auto& surface : h.Run().TheLevelSelect().blockSurfaces) EXPECT_EQ(surface, nullptr);

    h.Key(kVkEscape);
    EXPECT_EQ(h.Current(), &h.Run().TheFarewell());
    h.Wait(2000);
    EXPECT_TRUE(h.Run().Ended());
    EXPECT_EQ(h.Run().ExitCode(), 0);
}

}  // namespace
}  // namespace zolvex
