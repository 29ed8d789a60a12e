// Every text of every screen reads over what lies beneath it: the contrast ratio between the
// text's colour and the mean colour of its box (its rendered width by the font's cell height),
// taken from the frame drawn without glyphs, is at least 3:1. Texts on an opaque box are
// measured against the box's colour.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "SimHarness.h"
#include "display/Font.h"

namespace zolvex::simtest {
namespace {

constexpr double kLeastContrast = 3.0;

using Channels = std::array<double, 3>;  // red, green, blue, 0 to 255

// A 16-bit pixel as the screen shows it, each channel widened to 8 bits.
Channels OnScreen(uint16_t p) {
    return {static_cast<double>(((p >> 11) << 3) | (p >> 13)),
            static_cast<double>((((p >> 5) & 0x3F) << 2) | ((p >> 9) & 0x3)),
            static_cast<double>(((p & 0x1F) << 3) | ((p >> 2) & 0x7))};
}

double RelativeLuminance(const Channels& c) {
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    double luminance = 0;
    for (int k = 0; k < 3; ++k) {
        const double v = c[k] / 255.0;
        luminance += weights[k] * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return luminance;
}

struct Reading {
    std::string screen;
    TextRecord text;
    double ratio = 0;
};

class ReadabilityTest : public SimTest {
protected:
    // Level 1 full with ten-character names, so that every name box is as wide as it gets.
    void WriteFullTable() {
        std::string table;
        for (int k = 0; k < 10; ++k) {
            table += "[1" + std::to_string(k) + "]\nName=WIDE NAME" + std::to_string(k) +
                     "\nScore=" + std::to_string(20000 - 1000 * k) + "\n";
        }
        WriteWholeFile(folder.File("score.scr"), table);
    }

    // Every text of the frame flipped last, measured against that frame: the run draws
    // without glyphs, so the frame holds only what lies under the texts.
    void Measure(const std::string& screen) { Measure(screen, Texts(), Screen()); }

    // The same for `texts` drawn over `frame` (what the program draws over a scene's frame)
    // by `drawnBy`, this run's display unless told.
    void Measure(const std::string& screen, const std::vector<TextRecord>& texts,
                 const Surface& frame, const Display* drawnBy = nullptr) {
        const Display& display = drawnBy != nullptr ? *drawnBy : P().TheDisplay();
        ASSERT_FALSE(display.TextGlyphsDrawn());
        ASSERT_FALSE(texts.empty()) << screen << " shows no text";
        for (const TextRecord& text : texts) {
            const Font* font = text.fontIndex < 0
                                   ? display.Fonts().Stock()
                                   : display.Fonts().Get(text.fontIndex, text.fontFlag);
            double backdrop = 0;
            if (text.bk) {
                backdrop = RelativeLuminance(OnScreen(ToRgb565(*text.bk)));
            } else {
                const RenderedText* rendered = RenderText(font, text.text);
                ASSERT_NE(rendered, nullptr) << text.text;
                const int left = std::max(text.x, 0);
                const int top = std::max(text.y, 0);
                const int right = std::min(text.x + rendered->width, frame.Width());
                const int bottom = std::min(text.y + FontCellHeight(font), frame.Height());
                ASSERT_TRUE(left < right && top < bottom) << screen << ": " << text.text;
                Channels sum{};
                for (int y = top; y < bottom; ++y) {
                    for (int x = left; x < right; ++x) {
                        const Channels p = OnScreen(frame.Pixel(x, y));
                        for (int k = 0; k < 3; ++k) sum[k] += p[k];
                    }
                }
                const double n = static_cast<double>(right - left) * (bottom - top);
                backdrop = RelativeLuminance({sum[0] / n, sum[1] / n, sum[2] / n});
            }
            const double ink = RelativeLuminance(OnScreen(ToRgb565(text.color)));
            const double ratio =
                (std::max(ink, backdrop) + 0.05) / (std::min(ink, backdrop) + 0.05);
            readings.push_back({screen, text, ratio});
        }
    }

    // The title screen at its next `frames` frames.
    void MeasureTitle(const std::string& screen, int frames) {
        for (int i = 0; i < frames; ++i) {
            Run("wait 150");
            Measure(screen + ", frame " + std::to_string(P().TheLevelSelect().frameCounter));
        }
    }

    // Sorts the readings, least contrast first, and prints the first ten.
    void PrintLeastReadable() {
        std::stable_sort(readings.begin(), readings.end(),
                         [](const Reading& a, const Reading& b) { return a.ratio < b.ratio; });
        std::printf("Least readable texts:\n");
        for (size_t i = 0; i < std::min<size_t>(10, readings.size()); ++i) {
            const Reading& r = readings[i];
            std::printf("  %5.2f:1  %s: \"%s\" at %d,%d\n", r.ratio, r.screen.c_str(),
                        r.text.text.c_str(), r.text.x, r.text.y);
        }
    }

    std::vector<Reading> readings;
};

TEST_F(ReadabilityTest, EveryTextOfEveryScreenStandsOutFromWhatLiesBeneathIt) {
    WriteFullTable();
    Boot();
    P().TheDisplay().SetTextGlyphsDrawn(false);

    MeasureTitle("title, Beginner Level", 10);
    // The controls card over the title, and a notice over the card.
    Run("key F8\nkey H");
    const ProgramKeys& keys = P().TheProgramKeys();
    ASSERT_NE(keys.Composed(), nullptr);
    Measure("controls card", keys.OverlayTexts(), *keys.Composed());
    Run("key Esc\nwait 1300");
    Run("key Down");
    MeasureTitle("title, Advanced Level", 10);
    Run("key Down");
    MeasureTitle("title, Expert Level", 10);
    Run("key Down");

    Run("key F1\nwait 100");
    ASSERT_EQ(CurrentName(), "Ranking");
    Measure("ranking, view only");
    Run("key Esc");

    StartGame();
    ASSERT_EQ(Model().state, GameState::Ready);
    Measure("play, ready");
    Run("key Enter\nwait 3000");
    ASSERT_EQ(Model().state, GameState::Playing);
    Measure("play, playing");
    Run("key Enter");
    ASSERT_EQ(Model().state, GameState::Paused);
    Measure("play, paused");
    Run("key Enter\nset score 1\nkey Esc\nwait 200");
    ASSERT_EQ(Model().state, GameState::Over);
    Measure("play, game over");

    Run("wait 4500");
    ASSERT_EQ(CurrentName(), "Ranking");
    ASSERT_EQ(Ranking().newRank, 10);
    Measure("ranking, missed rank");
    Run("key Esc");

    PlayToRanking(0x3000, 0x123);
    ASSERT_EQ(Ranking().newRank, 8);
    Run("key Right\nkey Right\nkey Space\nkey Down\nwait 100");
    Measure("ranking, new rank being entered");
    Run("key Enter");

    Run("wait 150\nkey Esc");
    ASSERT_EQ(CurrentName(), "Farewell");
    Measure("farewell");

    PrintLeastReadable();
    ASSERT_FALSE(readings.empty());
    EXPECT_GE(readings.front().ratio, kLeastContrast)
        << readings.front().screen << ": \"" << readings.front().text.text
        << "\" reads below 3:1 (the least readable texts are listed above)";
}

// The title as the web build draws it, with stb_truetype: its texts read as well, and
// their ink stands inside their boxes. A second run, the same but for its glyphs, gives
// the frame beneath, so every pixel the glyphs changed must lie in a text's box.
TEST_F(ReadabilityTest, TheTitleDrawnWithTheWebRasterizerReadsAndKeepsItsTextsInTheirBoxes) {
    Boot(test::kCalendarStart, SimFonts::Stb);
    test::TempDirectory otherFolder;
    test::ScriptedProgram withoutGlyphs(otherFolder.Path(), test::kCalendarStart, SimFonts::Stb);
    withoutGlyphs.Start();
    withoutGlyphs.Program().TheDisplay().SetTextGlyphsDrawn(false);
    for (int i = 0; i < 4; ++i) {
        Run("wait 150");
        withoutGlyphs.Script("wait 150");
        const std::string screen = "title drawn with stb, frame " + std::to_string(i);
        const Display& beneath = withoutGlyphs.Program().TheDisplay();
        const std::vector<TextRecord>& texts = beneath.FlippedTexts();
        Measure(screen, texts, *beneath.Front(), &beneath);
        ASSERT_EQ(Texts().size(), texts.size());

        std::vector<Rect> boxes;
        for (const TextRecord& text : texts) {
            const Font* font = text.fontIndex < 0
                                   ? P().TheDisplay().Fonts().Stock()
                                   : P().TheDisplay().Fonts().Get(text.fontIndex, text.fontFlag);
            const RenderedText* rendered = RenderText(font, text.text);
            ASSERT_NE(rendered, nullptr) << text.text;
            boxes.push_back(Rect{text.x, text.y, text.x + rendered->width,
                                 text.y + std::max(rendered->height, FontCellHeight(font))});
        }
        std::vector<int> inked(boxes.size(), 0);
        int astray = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (Screen().Pixel(x, y) == beneath.Front()->Pixel(x, y)) continue;
                bool inBox = false;
                for (size_t k = 0; k < boxes.size(); ++k) {
                    const Rect& b = boxes[k];
                    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) {
                        ++inked[k];
                        inBox = true;
                    }
                }
                astray += inBox ? 0 : 1;
            }
        }
        EXPECT_EQ(astray, 0) << screen;
        for (size_t k = 0; k < boxes.size(); ++k) {
            EXPECT_GT(inked[k], 10 * static_cast<int>(texts[k].text.size()) / 2)
                << screen << ": \"" << texts[k].text << "\" shows too little ink";
        }
    }
    PrintLeastReadable();
    ASSERT_FALSE(readings.empty());
    EXPECT_GE(readings.front().ratio, kLeastContrast) << readings.front().text.text;
}

}  // namespace
}  // namespace zolvex::simtest
