#include <gtest/gtest.h>

#include <set>

#include "display/Font.h"
#include "display/TextContext.h"
#include "platform/fonts/TtfFontRasterizer.h"

namespace zolvex {
namespace {

constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kWhite = 0xFFFF;

class FontTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fonts.Create(CreateTtfFontRasterizer())); }

    FontSet fonts;
};

Surface Green(int w, int h) {
    Surface s(w, h);
    s.Fill(Rect{0, 0, w, h}, 0x00FF00);
    return s;
}

// The bounding box of the pixels that differ from `base`, as {left, top, right, bottom}.
Rect Changed(const Surface& s, uint16_t base) {
    Rect r{s.Width(), s.Height(), 0, 0};
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            if (s.Pixel(x, y) == base) continue;
            r.left = std::min(r.left, x);
            r.top = std::min(r.top, y);
            r.right = std::max(r.right, x + 1);
            r.bottom = std::max(r.bottom, y + 1);
        }
    }
    return r;
}

int Count(const Surface& s, uint16_t value) {
    int n = 0;
    for (int i = 0; i < s.Width() * s.Height(); ++i) n += s.Pixels()[i] == value;
    return n;
}

TEST_F(FontTest, GetFontFollowsTheSizeAndFaceTable) {
    std::set<const Font*> distinct;
    for (unsigned i = 0; i < 5; ++i) {
        const Font* variable = fonts.Get(i, 1);
        const Font* fixed = fonts.Get(i, 0);
        ASSERT_NE(variable, nullptr);
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(FontSizeIndex(variable), static_cast<int>(i));
        EXPECT_EQ(FontFaceFlag(variable), 1);
        EXPECT_EQ(FontSizeIndex(fixed), static_cast<int>(i));
        EXPECT_EQ(FontFaceFlag(fixed), 0);
        EXPECT_EQ(FontCellHeight(variable), 16 + 2 * static_cast<int>(i));
        EXPECT_EQ(FontCellHeight(fixed), 16 + 2 * static_cast<int>(i));
        EXPECT_EQ(fonts.Get(i, -3), variable);  // any non-zero flag is the variable-pitch face
        distinct.insert(variable);
        distinct.insert(fixed);
    }
    EXPECT_EQ(distinct.size(), 10u);
    // Out of range, whatever the flag: the variable-pitch face at size index 2.
    EXPECT_EQ(fonts.Get(7, 0), fonts.Get(2, 1));
    EXPECT_EQ(fonts.Get(5, 1), fonts.Get(2, 1));
    EXPECT_EQ(fonts.Get(static_cast<unsigned>(-1), 0), fonts.Get(2, 1));
    EXPECT_NE(fonts.Get(2, 0), fonts.Get(2, 1));
    EXPECT_EQ(FontSizeIndex(fonts.Stock()), -1);
    EXPECT_EQ(FontFaceFlag(fonts.Stock()), -1);

    fonts.Delete();
    EXPECT_EQ(fonts.Get(2, 1), nullptr);
    EXPECT_EQ(fonts.Stock(), nullptr);
}

TEST_F(FontTest, FacesKeepTheirPitchAndFitTheirCells) {
    auto width = [](const Font* f, const char* text) { return RenderText(f, text)->width; };
    // The rendered width includes the last glyph's overhang, hence the pixel of slack.
    EXPECT_NEAR(width(fonts.Get(2, 0), "iiiiiiii"), width(fonts.Get(2, 0), "WWWWWWWW"), 1);
    EXPECT_LT(2 * width(fonts.Get(2, 1), "iiiiiiii"), width(fonts.Get(2, 1), "WWWWWWWW"));
    int previous = 0;
    for (unsigned i = 0; i < 5; ++i) {
        for (int flag : {0, 1}) {
            const RenderedText* r = RenderText(fonts.Get(i, flag), "Mg");
            ASSERT_NE(r, nullptr);
            EXPECT_LE(r->height, FontCellHeight(fonts.Get(i, flag)));
            // The face is sized to its cell, not far below it.
            EXPECT_GE(r->height, FontCellHeight(fonts.Get(i, flag)) - 3);
        }
        const int h = RenderText(fonts.Get(i, 1), "Mg")->height;
        EXPECT_GT(h, previous);
        previous = h;
    }
}

TEST_F(FontTest, OpaqueTextStandsOnABandOfTheBackgroundColour) {
    Surface s = Green(200, 40);
    TextContext text(s, fonts);
    text.SelectFont(fonts.Get(2, 1));
    text.TextOut(10, 5, "Hi there", 8);  // fresh context: opaque, black on white
    const int w = RenderText(fonts.Get(2, 1), "Hi there")->width;
    const Rect band = Changed(s, kGreen);
    EXPECT_EQ(band.left, 10);
    EXPECT_EQ(band.top, 5);
    EXPECT_EQ(band.right, 10 + w);
    EXPECT_EQ(band.bottom, 5 + 20);  // the whole cell of a height-20 font
    // Inside the band every pixel is paper or ink: nothing of the green remains.
    EXPECT_GT(Count(s, kWhite), w * 20 / 2);
    EXPECT_GT(Count(s, 0), 0);
    EXPECT_EQ(Count(s, kGreen), 200 * 40 - w * 20);
}

TEST_F(FontTest, TransparentTextDrawsOnlyItsInk) {
    Surface s = Green(200, 40);
    TextContext text(s, fonts);
    text.SelectFont(fonts.Get(2, 1));
    text.SetBkMode(BkMode::Transparent);
    text.SetTextColor(0x0000FF);
    text.TextOut(10, 5, "HIH", 3);
    EXPECT_EQ(Count(s, kWhite), 0);
    EXPECT_GT(Count(s, 0xF800), 20);  // stems in full red
    const Rect ink = Changed(s, kGreen);
    EXPECT_GE(ink.left, 10);
    EXPECT_GT(ink.top, 5);  // the cell's top line is above the capitals
    EXPECT_LE(ink.bottom, 25);
    // Anti-aliased edges are blends of red over green, never other colours.
    for (int i = 0; i < 200 * 40; ++i) {
        const uint16_t p = s.Pixels()[i];
        EXPECT_EQ(p & 0x1F, 0) << i;
    }
}

TEST_F(FontTest, TextOutDrawsExactlyCountCharacters) {
    Surface cut = Green(300, 30);
    Surface whole = Green(300, 30);
    Surface nothing = Green(300, 30);
    {
        TextContext a(cut, fonts), b(whole, fonts), c(nothing, fonts);
        a.TextOut(0, 0, "Score:      12345", 9);
        b.TextOut(0, 0, "Score:   ", 40);  // a count past the end stops at the text's end
        c.TextOut(0, 0, "Score:", 0);
        c.TextOut(0, 0, "", 5);
        c.TextOut(0, 0, nullptr, 5);
    }
    EXPECT_TRUE(std::equal(cut.Pixels(), cut.Pixels() + size_t{300} * 30, whole.Pixels()));
    EXPECT_EQ(Count(nothing, kGreen), 300 * 30);
}

TEST_F(FontTest, TextIsClippedAtTheSurfaceEdges) {
    const int w = RenderText(fonts.Stock(), "Clipped")->width;
    ASSERT_GT(w, 30);
    Surface topLeft = Green(40, 30);
    Surface bottomRight = Green(40, 30);
    {
        TextContext a(topLeft, fonts), b(bottomRight, fonts);
        a.TextOut(-15, -8, "Clipped", 7);  // the stock font's cell is 16 high
        b.TextOut(30, 25, "Clipped", 7);
        b.TextOut(5000, 5000, "Far", 3);
        b.TextOut(-2000000000, 0, "Far", 3);
    }
    const Rect a = Changed(topLeft, kGreen);
    EXPECT_EQ(a.left, 0);
    EXPECT_EQ(a.top, 0);
    EXPECT_EQ(a.right, -15 + w);
    EXPECT_EQ(a.bottom, 8);
    const Rect b = Changed(bottomRight, kGreen);
    EXPECT_EQ(b.left, 30);
    EXPECT_EQ(b.top, 25);
    EXPECT_EQ(b.right, 40);
    EXPECT_EQ(b.bottom, 30);
}

TEST(FontRasterizerTest, MissingFacesAreNotPassedOffAsFound) {
    auto rasterizer = CreateTtfFontRasterizer();
    ASSERT_NE(rasterizer, nullptr);
    const char* missing = "Zolvex Missing Family";
    EXPECT_FALSE(rasterizer->FindFace(missing, false, 400, true));
    // Without the exact family, the closest installed face stands in.
    const auto substitute = rasterizer->FindFace(missing, false, 400, false);
    ASSERT_TRUE(substitute);
    EXPECT_NE(rasterizer->OpenFont(*substitute, 16), nullptr);
    EXPECT_EQ(rasterizer->OpenFont(FaceFile{"/nonexistent/zolvex-face.ttf", 0}, 16), nullptr);
}

TEST(FontLifetimeTest, TextWithoutFontsDrawsNothing) {
    FontSet fonts;
    Surface s = Green(50, 20);
    TextContext text(s, fonts);
    text.TextOut(0, 0, "x", 1);
    text.SelectFont(fonts.Get(1, 1));
    text.TextOut(0, 0, "x", 1);
    EXPECT_EQ(Count(s, kGreen), 50 * 20);
}

}  // namespace
}  // namespace zolvex
