// Shared set-up of the scenario tests: the whole program on the headless platform
// in a throw-away executable folder, driven by zolvex-sim script lines, with
// helpers to look at what the player would see (flipped texts, screen pixels,
// sounds, music, running timers) and at the files left behind.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Files.h"
#include "IniText.h"
#include "ProgramHarness.h"
#include "TempDirectory.h"
#include "app/Program.h"
#include "display/Bitmap.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex::simtest {

using test::IniValue;
using test::ReadWholeFile;
using test::RuntimeFolderCopy;
using test::WriteWholeFile;

// A picture of the bmp folder, to compare the screen against.
class Picture {
public:
    explicit Picture(const char* gamePath) : bitmap_(LoadBitmapFile(gamePath)) {}
    bool Loaded() const { return bitmap_.has_value(); }

    // The RGB565 pixel at (x, y) of the picture.
    uint16_t Pixel(int x, int y) const {
        size_t at = (static_cast<size_t>(y) * bitmap_->width + x) * 3;
        ColorRef color = bitmap_->rgb[at] | (bitmap_->rgb[at + 1] << 8) |
                         (static_cast<ColorRef>(bitmap_->rgb[at + 2]) << 16);
        return ToRgb565(color);
    }

    // True when every non-black pixel of the w x h area at (srcX, srcY) shows at
    // (x, y) on `screen` (black is the colour key, so it may show anything).
    bool Shows(const Surface& screen, int srcX, int srcY, int w, int h, int x, int y) const {
        int compared = 0;
        for (int dy = 0; dy < h; ++dy) {
            for (int dx = 0; dx < w; ++dx) {
                uint16_t pixel = Pixel(srcX + dx, srcY + dy);
                if (pixel == 0) continue;
                if (screen.Pixel(x + dx, y + dy) != pixel) return false;
                ++compared;
            }
        }
        return compared > 0;
    }
    bool ShowsWhole(const Surface& screen, int x, int y) const {
        return Shows(screen, 0, 0, bitmap_->width, bitmap_->height, x, y);
    }

private:
    std::optional<Bitmap> bitmap_;
};

// The number tiles: value v at columns 40(v-1), the normal look in the upper row
// of tiles and the marked look in the lower one.
class TileStrip : public Picture {
public:
    TileStrip() : Picture("bmp\\block.bmp") {}
    bool Shows(const Surface& screen, int value, bool marked, int x, int y) const {
        return Picture::Shows(screen, 40 * (value - 1), marked ? 40 : 0, 40, 40, x, y);
    }
};

class SimTest : public ::testing::Test {
protected:
    // Starts the program on the title screen; files in the folder are read from then on.
    void Boot(int64_t calendarStart = test::kCalendarStart, SimFonts fonts = SimFonts::Desktop) {
        sim = std::make_unique<test::ScriptedProgram>(folder.Path(), calendarStart, fonts);
        sim->Start();
    }

    // Carries out zolvex-sim script lines.
    void Run(const std::string& script) { sim->Script(script); }

    // From the title screen into a new game at the level of zolvex.ini (start screen).
    // The title screen takes Enter and F1 only once it has been drawn.
    void StartGame() { Run("wait 150\nkey Enter"); }
    // From the title screen into the view-only ranking of that level.
    void ViewRanking() { Run("wait 150\nkey F1"); }
    // From the title screen through a game given up with `score` and `bonus` to the
    // ranking screen 4.5 seconds later.
    void PlayToRanking(uint32_t score, uint32_t bonus) {
        StartGame();
        Run("set score " + std::to_string(score) + "\nset bonus " + std::to_string(bonus) +
            "\nkey Esc\nwait 4500");
    }

    Program& P() { return sim->Program(); }
    HeadlessPlatform& Platform() { return sim->Platform(); }
    GameScene& Game() { return P().TheGame(); }
    GameModel& Model() { return P().TheGame().model; }
    RankingScene& Ranking() { return P().TheRanking(); }
    Scene* Current() { return sim->Current(); }
    std::string CurrentName() { return sim->SceneName(); }
    std::map<int, uint32_t> Timers() { return Platform().RunningTimers(); }
    uint64_t Now() { return Platform().NowMs(); }
    const Surface& Screen() { return *P().TheDisplay().Front(); }
    const Surface& BackBuffer() { return *P().TheDisplay().backBuffer; }
    uint64_t Flips() { return P().TheDisplay().FlipCount(); }
    // Everything logged since the last call.
    std::vector<std::string> Sounds() { return Platform().TakeSounds(); }
    std::vector<std::string> Music() { return Platform().TakeMusicCalls(); }

    const std::vector<TextRecord>& Texts() { return P().TheDisplay().FlippedTexts(); }
    // The text flipped last at (x, y), if any.
    std::optional<TextRecord> TextAt(int x, int y) {
        std::optional<TextRecord> found;
        for (const TextRecord& record : Texts()) {
            if (record.x == x && record.y == y) found = record;
        }
        return found;
    }
    bool Shown(const std::string& text) {
        for (const TextRecord& record : Texts()) {
            if (record.text == text) return true;
        }
        return false;
    }
    std::string TextOrNone(int x, int y) {
        std::optional<TextRecord> record = TextAt(x, y);
        return record ? record->text : "<none>";
    }

    std::string ScoreFile() { return ReadWholeFile(folder.File("score.scr")); }

    test::TempDirectory folder;
    std::unique_ptr<test::ScriptedProgram> sim;
};

}  // namespace zolvex::simtest
