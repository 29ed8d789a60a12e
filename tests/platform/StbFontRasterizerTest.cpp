// The web build's rasteriser against the desktop's: the same faces for the game's
// requests, lines of the same height and width with their ink at the same rows, and
// folders that lack fonts or hold broken ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Files.h"
#include "TempDirectory.h"
#include "platform/fonts/StbFontRasterizer.h"
#include "platform/fonts/TtfFontRasterizer.h"

namespace zolvex {
namespace {

// The rows that hold ink (coverage over a quarter), as {first, last}; {-1, -1} for none.
std::pair<int, int> InkRows(const TextCoverage& text) {
    std::pair<int, int> rows{-1, -1};
    for (int y = 0; y < text.height; ++y) {
        const auto row = text.coverage.begin() + static_cast<ptrdiff_t>(y) * text.width;
        if (std::any_of(row, row + text.width, [](uint8_t c) { return c > 64; })) {
            if (rows.first < 0) rows.first = y;
            rows.second = y;
        }
    }
    return rows;
}

TEST(StbFontRasterizerTest, FindsTheFacesTheDesktopFindsForEveryRequestOfTheGame) {
    auto stb = CreateStbFontRasterizer(kDejaVuFolder);
    auto desktop = CreateTtfFontRasterizer();
    ASSERT_NE(desktop, nullptr);
    struct Request {
        const char* family;
        bool fixedPitch;
        bool exactFamily;
    };
    for (const Request& r :
         {Request{"DejaVu Sans", false, true}, Request{"sans-serif", false, false},
          Request{"DejaVu Sans Mono", true, true}, Request{"monospace", true, false}}) {
        for (int weight : {400, 500, 600, 700}) {
            SCOPED_TRACE(std::string(r.family) + " at weight " + std::to_string(weight));
            const auto found = stb->FindFace(r.family, r.fixedPitch, weight, r.exactFamily);
            // A generic name stands for the DejaVu family of its pitch, whatever else the
            // machine has installed.
            const auto expected = desktop->FindFace(
                r.fixedPitch ? "DejaVu Sans Mono" : "DejaVu Sans", r.fixedPitch, weight, true);
            ASSERT_TRUE(found && expected);
            EXPECT_EQ(found->path, expected->path);
        }
    }
    EXPECT_FALSE(stb->FindFace("Zolvex Missing Family", false, 400, true));
}

TEST(StbFontRasterizerTest, LinesHaveTheDesktopsHeightBaselineAndWidths) {
    auto stb = CreateStbFontRasterizer(kDejaVuFolder);
    auto desktop = CreateTtfFontRasterizer();
    ASSERT_NE(desktop, nullptr);
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf",
                             "DejaVuSansMono-Bold.ttf"}) {
        const FaceFile face{std::string(kDejaVuFolder) + "/" + file, 0};
        auto font = stb->OpenFont(face, 24);
        auto reference = desktop->OpenFont(face, 24);
        ASSERT_TRUE(font != nullptr && reference != nullptr) << file;
        // The game opens its faces at 13 to 20 pixels, the sizes whose lines fit its
        // cells of 16 to 24.
        for (int size = 13; size <= 24; ++size) {
            ASSERT_TRUE(font->SetPixelSize(size) && reference->SetPixelSize(size));
            SCOPED_TRACE(std::string(file) + " at " + std::to_string(size) + " pixels");
            EXPECT_EQ(font->LineHeight(), reference->LineHeight());
            for (const char* text :
                 {"Score: 0x1A2B", "Beginner Level", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                  "abcdefghijklmnopqrstuvwxyz 0123456789", " "}) {
                const auto drawn = font->Render(text);
                const auto expected = reference->Render(text);
                ASSERT_TRUE(drawn && expected) << text;
                EXPECT_LE(std::abs(drawn->width - expected->width), 1) << text;
                EXPECT_LE(std::abs(drawn->height - expected->height), 1) << text;
                // The ink stands inside the line, on the same baseline and as high, give or
                // take the row the desktop's hinting snaps an edge to.
                const auto rows = InkRows(*drawn);
                const auto expectedRows = InkRows(*expected);
                EXPECT_LE(std::abs(rows.first - expectedRows.first), 1) << text;
                EXPECT_LE(std::abs(rows.second - expectedRows.second), 1) << text;
                EXPECT_LT(rows.second, font->LineHeight()) << text;
            }
        }
        EXPECT_FALSE(font->SetPixelSize(0));
    }
}

TEST(StbFontRasterizerTest, MissingAndBrokenFilesAreSaidOnceAndDrawNothing) {
    testing::internal::CaptureStderr();
    auto nowhere = CreateStbFontRasterizer("/nonexistent/zolvex-fonts");
    EXPECT_FALSE(nowhere->FindFace("DejaVu Sans", false, 400, true));
    EXPECT_FALSE(nowhere->FindFace("sans-serif", false, 400, false));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("/nonexistent/zolvex-fonts/DejaVuSans.ttf"), std::string::npos) << said;

    // Only the regular face, cut short, and a text file in place of the fixed-pitch one.
    test::TempDirectory folder;
    const std::string regular = test::ReadWholeFile(std::string(kDejaVuFolder) + "/DejaVuSans.ttf");
    ASSERT_GT(regular.size(), 4096u);
    ASSERT_TRUE(test::WriteWholeFile(folder.File("DejaVuSans.ttf"), regular.substr(0, 4096)));
    ASSERT_TRUE(test::WriteWholeFile(folder.File("DejaVuSansMono.ttf"), "not a font\n"));
    auto broken = CreateStbFontRasterizer(folder.Path().string());
    testing::internal::CaptureStderr();
    // The bold face is missing: the regular one stands in, as fontconfig would choose it.
    const auto bold = broken->FindFace("DejaVu Sans", false, 700, true);
    ASSERT_TRUE(bold);
    EXPECT_EQ(std::filesystem::path(bold->path).filename(), "DejaVuSans.ttf");
    EXPECT_EQ(broken->OpenFont(*bold, 16), nullptr);
    const auto mono = broken->FindFace("monospace", true, 400, false);
    ASSERT_TRUE(mono);
    EXPECT_EQ(broken->OpenFont(*mono, 16), nullptr);
    said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
    EXPECT_NE(said.find("DejaVuSans-Bold.ttf"), std::string::npos) << said;
    EXPECT_NE(said.find(folder.File("DejaVuSansMono.ttf").string()), std::string::npos) << said;
}

}  // namespace
}  // namespace zolvex
