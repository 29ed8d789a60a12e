#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Files.h"
#include "TempDirectory.h"
#include "TestBitmaps.h"
#include "display/Bitmap.h"
#include "display/Display.h"
#include "display/Font.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex {
namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kWhite = 0xFFFF;

// Keeps every presented frame, and what the background looked like at that moment.
class RecordingPlatform : public HeadlessPlatform {
public:
    RecordingPlatform() : HeadlessPlatform(".", 0) {
        CreateMainWindow(
            "zolvex", [](const Message&) -> intptr_t { return 0; }, WindowOptions{});
    }
    void Present(const uint16_t* pixels, int width, int height) override {
        HeadlessPlatform::Present(pixels, width, height);
        frames.emplace_back(pixels, pixels + static_cast<size_t>(width) * height);
        const Display* d = display;
        backgroundAtPresent.push_back(d && d->background ? d->background->Pixel(0, 0) : 0);
    }
    std::vector<std::vector<uint16_t>> frames;
    std::vector<uint16_t> backgroundAtPresent;
    const Display* display = nullptr;
};

// Without a window there is no screen to set up.
TEST(DisplayWithoutWindowTest, InitFails) {
    HeadlessPlatform platform(".", 0);
    Display display(platform);
    EXPECT_FALSE(display.Init(19, 640, 480, 16));
    EXPECT_EQ(display.backBuffer, nullptr);
}

int Count(const Surface& s, const Rect& r, uint16_t value) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += s.Pixel(x, y) == value;
    return n;
}

class DisplayTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display.Fonts().Create(platform.CreateFontRasterizer()));
        ASSERT_TRUE(inDir.Done());
        ASSERT_TRUE(std::filesystem::create_directory(dir.File("bmp")));
        platform.display = &display;
    }
    // A title logo: a white frame around a black middle.
    void WritePictures(int backWidth, int backHeight, uint32_t backRgb) {
        test::WriteWholeFile("bmp/mback.bmp", test::SolidBmp24(backWidth, backHeight, backRgb));
        std::vector<uint32_t> logo(size_t{50} * 20, 0xFFFFFF);
        for (int y = 5; y < 15; ++y)
            for (int x = 5; x < 45; ++x) logo[y * 50 + x] = 0;
        test::WriteWholeFile("bmp/title.bmp", test::Bmp24(50, 20, logo));
    }
    bool InitQuietly() {
        testing::internal::CaptureStderr();
        const bool ok = display.Init(19, 640, 480, 16);
        err = testing::internal::GetCapturedStderr();
        return ok;
    }

    test::TempDirectory dir;
    test::WorkingDirectory inDir{dir.Path()};
    RecordingPlatform platform;
    Display display{platform};
    std::string err;
};

TEST_F(DisplayTest, InitBuildsTheBackgroundWithItsCreditLineAndTheKeyedTitle) {
    WritePictures(320, 240, 0xFF0000);
    ASSERT_TRUE(InitQuietly()) << err;
    EXPECT_EQ(err, "");
    ASSERT_NE(display.primary, nullptr);
    ASSERT_NE(display.backBuffer, nullptr);
    EXPECT_EQ(display.backBuffer->Width(), 640);
    EXPECT_EQ(display.backBuffer->Height(), 480);

    // A smaller picture leaves the rest of the 640 x 480 background black.
    const Surface& bg = *display.background;
    EXPECT_EQ(bg.Width(), 640);
    EXPECT_EQ(bg.Height(), 480);
    EXPECT_EQ(Count(bg, Rect{0, 0, 320, 240}, kRed), 320 * 240);
    EXPECT_EQ(Count(bg, Rect{320, 0, 640, 450}, 0), 320 * 450);
    EXPECT_EQ(Count(bg, Rect{0, 240, 380, 480}, 0), 380 * 240);

    // The credit line: blue on a white band, 18 pixels high, from (380, 450). The farewell
    // screen writes 31 of its characters, so it must be no longer than that.
    EXPECT_STREQ(CreditLine(), "(C) 2026 The zolvex Project");
    EXPECT_LE(std::strlen(CreditLine()), 31u);
    const int w = RenderText(display.Fonts().Get(1, 1), CreditLine())->width;
    const Rect band{380, 450, std::min(640, 380 + w), 468};
    EXPECT_GT(Count(bg, band, kWhite), band.Width() * 18 / 2);
    EXPECT_GT(Count(bg, band, kBlue), 30);
    EXPECT_EQ(Count(bg, Rect{380, 468, 640, 480}, 0), 260 * 12);
    EXPECT_EQ(Count(bg, Rect{380, 449, 640, 450}, 0), 260);
    // Only the back buffer's texts are recorded.
    EXPECT_TRUE(display.Flip());
    EXPECT_TRUE(display.FlippedTexts().empty());

    // The title keeps its picture's size, and black is left out when it is blitted keyed.
    ASSERT_NE(display.title, nullptr);
    EXPECT_EQ(display.title->Width(), 50);
    EXPECT_EQ(display.title->Height(), 20);
    EXPECT_TRUE(display.title->HasColorKey());
    Surface target(50, 20);
    target.Fill(Rect{0, 0, 50, 20}, 0x0000FF);
    ASSERT_TRUE(target.BltFast(0, 0, *display.title, nullptr, true));
    EXPECT_EQ(Count(target, Rect{5, 5, 45, 15}, kRed), 400);
    EXPECT_EQ(Count(target, Rect{0, 0, 50, 20}, kWhite), 1000 - 400);

    // The dimmed title: the same shape, its white turned into one dark blue.
    ASSERT_NE(display.dimmedTitle, nullptr);
    target.Fill(Rect{0, 0, 50, 20}, 0x0000FF);
    ASSERT_TRUE(target.BltFast(0, 0, *display.dimmedTitle, nullptr, true));
    EXPECT_EQ(Count(target, Rect{5, 5, 45, 15}, kRed), 400);
    const uint16_t dimmed = target.Pixel(0, 0);
    EXPECT_EQ(Count(target, Rect{0, 0, 50, 20}, dimmed), 1000 - 400);
    EXPECT_LT(dimmed >> 11, 16) << "less than half the red";
    EXPECT_LT((dimmed >> 5) & 0x3F, 32) << "less than half the green";
    EXPECT_GT(dimmed & 0x1F, dimmed >> 11) << "more blue than red";
}

// Measuring what lies under the texts: with glyphs off, a text fills only its opaque box,
// and every text is still recorded for the frame.
TEST_F(DisplayTest, WithoutGlyphsTextsLeaveOnlyTheirOpaqueBoxes) {
    WritePictures(640, 480, 0x000000);
    ASSERT_TRUE(InitQuietly()) << err;
    Surface& back = *display.backBuffer;
    auto draw = [&] {
        back.FillBlack();
        TextContext text(display, back);
        text.SelectFont(display.Fonts().Get(2, 1));
        text.SetTextColor(0xFFFFFF);
        text.SetBkMode(BkMode::Opaque);
        text.SetBkColor(0xFF0000);
        text.TextOut(150, 170, "Pause.", 6);
        text.SetBkMode(BkMode::Transparent);
        text.TextOut(60, 200, "Put Enter key to Start.", 23);
        display.Flip();
    };
    const int boxWidth = RenderText(display.Fonts().Get(2, 1), "Pause.")->width;
    const Rect box{150, 170, 150 + boxWidth, 190};
    const Rect transparent{60, 200, 300, 220};

    display.SetTextGlyphsDrawn(false);
    draw();
    EXPECT_EQ(Count(*display.Front(), box, kBlue), box.Width() * box.Height());
    EXPECT_EQ(Count(*display.Front(), transparent, 0), transparent.Width() * transparent.Height());
    ASSERT_EQ(display.FlippedTexts().size(), 2u);
    EXPECT_EQ(display.FlippedTexts()[1].text, "Put Enter key to Start.");

    display.SetTextGlyphsDrawn(true);
    draw();
    EXPECT_GT(Count(*display.Front(), box, kWhite), 20);
    EXPECT_GT(Count(*display.Front(), transparent, kWhite), 20);
}

TEST_F(DisplayTest, ALargerBackgroundIsCutAt640By480) {
    WritePictures(700, 500, 0x00FF00);
    ASSERT_TRUE(InitQuietly()) << err;
    EXPECT_EQ(display.background->Width(), 640);
    EXPECT_EQ(display.background->Pixel(639, 0), 0x07E0);
    EXPECT_EQ(display.background->Pixel(0, 479), 0x07E0);
}

TEST_F(DisplayTest, InitFailsWithALineNamingTheBrokenPicture) {
    struct Case {
        const char* name;
        const char* file;
        std::vector<uint8_t> bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"missing background", "bmp/mback.bmp", {}, "cannot load picture bmp/mback.bmp: "},
        {"broken background",
         "bmp/mback.bmp",
         {'B', 'M', 1, 2, 3},
         "cannot load picture bmp/mback.bmp: "},
        {"missing title", "bmp/title.bmp", {}, "cannot load picture bmp/title.bmp: "},
        {"truncated title",
         "bmp/title.bmp",
         {},
         "cannot load picture bmp/title.bmp: truncated pixel data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WritePictures(640, 480, 0x808080);
        std::filesystem::remove(c.file);
        if (!c.bytes.empty()) test::WriteWholeFile(c.file, c.bytes);
        if (std::string(c.name) == "truncated title") {
            auto logo = test::SolidBmp24(50, 20, 0xFFFFFF);
            logo.resize(logo.size() - 100);
            test::WriteWholeFile(c.file, logo);
        }
        EXPECT_FALSE(InitQuietly());
        EXPECT_EQ(err.rfind("zolvex: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.expected), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    WritePictures(640, 480, 0x808080);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(display.Init(19, 640, 480, 8));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("16 bits"), std::string::npos);
}

// Built on another thread while the window opens, the screen is taken over by Init as
// it stands, its credit line written once the fonts are there; a picture that failed
// there fails Init with its reason, and a screen prepared at another size is built
// afresh, credit line and all.
TEST_F(DisplayTest, InitTakesOverWhatWasPreparedAheadOnAnotherThread) {
    WritePictures(320, 240, 0xFF0000);
    testing::internal::CaptureStderr();
    std::thread([&] { display.PrepareAhead(640, 480); }).join();
    const Surface* prepared = display.background;
    ASSERT_TRUE(display.Init(19, 640, 480, 16));
    EXPECT_EQ(display.background, prepared);
    EXPECT_EQ(Count(*display.background, Rect{0, 0, 320, 240}, kRed), 320 * 240);
    const Rect credit{380, 450, 640, 480};
    EXPECT_EQ(Count(*display.background, credit, kWhite), 0);
    display.WriteCreditLine();
    const int written = Count(*display.background, credit, kWhite);
    EXPECT_GT(written, 0);

    std::filesystem::remove("bmp/title.bmp");
    display.PrepareAhead(640, 480);
    EXPECT_FALSE(display.Init(19, 640, 480, 16));
    EXPECT_NE(display.FailureReason().find("bmp/title.bmp"), std::string::npos);

    WritePictures(320, 240, 0xFF0000);
    display.PrepareAhead(320, 240);
    EXPECT_TRUE(display.Init(19, 640, 480, 16));
    EXPECT_EQ(display.backBuffer->Width(), 640);
    EXPECT_EQ(Count(*display.background, credit, kWhite), written);
    testing::internal::GetCapturedStderr();
}

TEST_F(DisplayTest, FlipShowsTheBackBufferWithTheTextsDrawnIntoIt) {
    WritePictures(640, 480, 0x000000);
    ASSERT_TRUE(InitQuietly()) << err;
    Surface& back = *display.backBuffer;
    back.BltFast(0, 0, *display.background, nullptr, false);
    back.Fill(Rect{0, 0, 10, 10}, 0x0000FF);
    Surface elsewhere(100, 100);
    {
        TextContext text(display, back);
        text.SetBkMode(BkMode::Transparent);
        text.SetTextColor(0xFFFFFF);
        text.SelectFont(display.Fonts().Get(7, 0));
        text.TextOut(380, 100, "Score:       0 and more", 14);
        text.SetBkMode(BkMode::Opaque);
        text.SetBkColor(0xFF0000);
        text.SelectFont(display.Fonts().Get(2, 0));
        text.TextOut(150, 170, "Pause.", 6);
        TextContext other(display, elsewhere);
        other.TextOut(0, 0, "not on screen", 13);
    }
    const std::vector<uint16_t> drawn(back.Pixels(), back.Pixels() + size_t{640} * 480);
    EXPECT_TRUE(display.Flip());
    EXPECT_EQ(display.FlipCount(), 1u);
    EXPECT_EQ(display.backBuffer, &back) << "the surfaces keep their identity";
    ASSERT_EQ(platform.frames.size(), 1u);
    EXPECT_EQ(platform.frames[0], drawn);
    EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), display.Front()->Pixels()));
    EXPECT_EQ(display.Front()->Pixel(0, 0), kRed);
    const std::vector<TextRecord> expected = {
        {380, 100, "Score:       0", 0xFFFFFF, std::nullopt, 2, 1},
        {150, 170, "Pause.", 0xFFFFFF, 0xFF0000, 2, 0},
    };
    EXPECT_EQ(display.FlippedTexts(), expected);

    // The next frame starts with no texts, and the shown frame changes only on a flip.
    back.FillBlack();
    EXPECT_EQ(display.Front()->Pixel(0, 0), kRed);
    display.Flip();
    EXPECT_TRUE(display.FlippedTexts().empty());
    EXPECT_EQ(display.Front()->Pixel(0, 0), 0);
    EXPECT_EQ(display.FlipCount(), 2u);
}

TEST_F(DisplayTest, RestoreAllShowsTheNoticeThenRedrawsTheSameSurfaces) {
    WritePictures(640, 480, 0xFF0000);
    ASSERT_TRUE(InitQuietly()) << err;
    Surface* const primary = display.primary;
    Surface* const background = display.background;
    Surface* const title = display.title;
    Surface* const dimmedTitle = display.dimmedTitle;
    display.backBuffer->Fill(Rect{0, 0, 640, 480}, 0xFFFFFF);
    WritePictures(640, 480, 0x0000FF);  // the picture changed while away

    ASSERT_TRUE(display.RestoreAll());
    // The notice was flipped onto a black screen while the old pictures were still in place.
    ASSERT_EQ(platform.frames.size(), 1u);
    EXPECT_EQ(platform.backgroundAtPresent[0], kRed);
    const std::vector<TextRecord> notice = {
        {260, 220, "Now Restoreing data, Wait...", 0xFFFFFF, 0x000000, -1, -1}};
    EXPECT_EQ(display.FlippedTexts(), notice);
    const std::vector<uint16_t>& shown = platform.frames[0];
    int white = 0, other = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint16_t p = shown[static_cast<size_t>(y) * 640 + x];
            const bool inNotice = x >= 260 && y >= 220 && y < 236;
            white += p == kWhite;
            if (!inNotice) other += p != 0;
        }
    }
    EXPECT_GT(white, 50);
    EXPECT_EQ(other, 0);

    // Then the pictures were redrawn into the very same surfaces, credit line included.
    EXPECT_EQ(display.primary, primary);
    EXPECT_EQ(display.background, background);
    EXPECT_EQ(display.title, title);
    EXPECT_EQ(display.dimmedTitle, dimmedTitle);
    EXPECT_EQ(display.background->Pixel(0, 0), kBlue);
    EXPECT_GT(Count(*display.background, Rect{380, 450, 640, 468}, kWhite), 1000);

    // A picture that went missing makes the restore report failure after the notice.
    std::filesystem::remove("bmp/title.bmp");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(display.RestoreAll());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("bmp/title.bmp"), std::string::npos);
    EXPECT_EQ(platform.frames.size(), 2u);
}

TEST_F(DisplayTest, ReleaseDropsEverySurfaceAndRestoreThenFails) {
    WritePictures(64, 48, 0xFFFFFF);
    ASSERT_TRUE(InitQuietly()) << err;
    display.Release();
    EXPECT_EQ(display.primary, nullptr);
    EXPECT_EQ(display.backBuffer, nullptr);
    EXPECT_EQ(display.background, nullptr);
    EXPECT_EQ(display.title, nullptr);
    EXPECT_EQ(display.dimmedTitle, nullptr);
    EXPECT_FALSE(display.Flip());
    EXPECT_FALSE(display.LoadSharedSurfaces(StartMode::Restore));
    EXPECT_TRUE(platform.frames.empty());
}

}  // namespace
}  // namespace zolvex
