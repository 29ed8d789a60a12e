#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "Files.h"
#include "TempDirectory.h"
#include "TestBitmaps.h"
#include "display/Bitmap.h"

namespace zolvex {
namespace {

using test::BmpLayout;
using test::BuildBmp;

uint32_t RgbAt(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.rgb.data() + (static_cast<size_t>(y) * b.width + x) * 3;
    return (p[0] << 16) | (p[1] << 8) | p[2];
}

std::optional<Bitmap> Decode(const std::vector<uint8_t>& bytes, std::string* why = nullptr) {
    return DecodeBitmap(bytes.data(), bytes.size(), why);
}

// Decodes `layout` and checks every pixel against `expected(x, y)` (0x00RRGGBB).
template <typename Expected>
void ExpectDecodes(const BmpLayout& layout, Expected expected) {
    std::string why;
    const auto bitmap = Decode(BuildBmp(layout), &why);
    ASSERT_TRUE(bitmap) << why;
    ASSERT_EQ(bitmap->width, layout.width);
    ASSERT_EQ(bitmap->height, layout.height);
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x)
            ASSERT_EQ(RgbAt(*bitmap, x, y), expected(x, y)) << "at " << x << "," << y;
}

BmpLayout Indexed(int bpp, int width, int height, std::vector<uint32_t> palette) {
    BmpLayout s;
    s.bitsPerPixel = bpp;
    s.width = width;
    s.height = height;
    s.palette = std::move(palette);
    if (s.palette.size() < (1u << bpp)) s.colorsUsed = static_cast<uint32_t>(s.palette.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            s.pixels.push_back(static_cast<uint32_t>((x + 3 * y) % s.palette.size()));
    return s;
}

std::vector<uint32_t> Palette(int n) {
    std::vector<uint32_t> p;
    for (int i = 0; i < n; ++i) p.push_back(0x010203u * static_cast<uint32_t>(i) + 0x100000u);
    return p;
}

TEST(BitmapLoaderTest, PalettedDepthsDecode) {
    // Widths chosen so rows need padding and cross byte boundaries.
    for (int bpp : {1, 4, 8}) {
        SCOPED_TRACE(bpp);
        const BmpLayout s = Indexed(bpp, 11, 3, Palette(1 << bpp));
        ExpectDecodes(s, [&](int x, int y) { return s.palette[(x + 3 * y) % s.palette.size()]; });
    }
    // A short colour table declared as such is fine.
    BmpLayout few = Indexed(8, 3, 2, Palette(4));
    few.colorsUsed = 4;
    ExpectDecodes(few, [&](int x, int y) { return few.palette[(x + 3 * y) % 4]; });
}

TEST(BitmapLoaderTest, SixteenBitLayoutsDecode) {
    // Default 5-5-5: full-scale channels widen to 255, one step to 8.
    BmpLayout s555;
    s555.bitsPerPixel = 16;
    s555.width = 3;
    s555.height = 1;
    s555.pixels = {0x7C00, 0x03E0 | 0x0001, 0x0421};
    ExpectDecodes(s555, [](int x, int) {
        const uint32_t expected[] = {0xFF0000, 0x00FF08, 0x080808};
        return expected[x];
    });

    BmpLayout s565 = s555;
    s565.compression = 3;
    s565.masks = std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F};
    s565.pixels = {0xF800, 0x07E0, 0x0821};
    ExpectDecodes(s565, [](int x, int) {
        const uint32_t expected[] = {0xFF0000, 0x00FF00, 0x080408};
        return expected[x];
    });
}

TEST(BitmapLoaderTest, TrueColourDepthsDecodeBottomUpAndTopDown) {
    std::vector<uint32_t> pixels;
    for (int i = 0; i < 6; ++i) pixels.push_back(0x112233u * static_cast<uint32_t>(i + 1));
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown);
        BmpLayout s24;
        s24.width = 3;
        s24.height = 2;
        s24.topDown = topDown;
        s24.pixels = pixels;
        ExpectDecodes(s24, [&](int x, int y) { return pixels[y * 3 + x] & 0xFFFFFF; });

        BmpLayout s32 = s24;
        s32.bitsPerPixel = 32;
        for (auto& p : s32.pixels) p |= 0xAB000000;  // the unused byte is ignored
        ExpectDecodes(s32, [&](int x, int y) { return pixels[y * 3 + x] & 0xFFFFFF; });

        // Bit fields in the other byte order: red in the low byte.
        BmpLayout fields = s24;
        fields.bitsPerPixel = 32;
        fields.compression = 3;
        fields.masks = std::array<uint32_t, 3>{0x000000FF, 0x0000FF00, 0x00FF0000};
        for (auto& p : fields.pixels) p = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
        ExpectDecodes(fields, [&](int x, int y) { return pixels[y * 3 + x]; });

        BmpLayout paletted = Indexed(8, 3, 2, Palette(6));
        paletted.topDown = topDown;
        ExpectDecodes(paletted, [&](int x, int y) { return paletted.palette[(x + 3 * y) % 6]; });
    }
}

TEST(BitmapLoaderTest, RunLengthPicturesDecode) {
    BmpLayout rle8 = Indexed(8, 4, 2, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
    // Bottom line: 3 x index 1, then one literal index 2; next line: literal 3, 3, 3;
    // its last pixel is skipped and stays black.
    rle8.compression = 1;
    rle8.rawPixelData = {3, 1, 1, 2, 0, 0, 0, 3, 3, 3, 3, 0, 0, 1};
    ExpectDecodes(rle8, [](int x, int y) -> uint32_t {
        if (y == 1) return x < 3 ? 0xFF0000 : 0x00FF00;
        return x < 3 ? 0x0000FF : 0x000000;
    });

    BmpLayout rle4 = Indexed(4, 5, 1, {0x000000, 0xFF0000, 0x00FF00});
    rle4.compression = 2;
    rle4.rawPixelData = {5, 0x12, 0, 1};  // alternating 1, 2, 1, 2, 1
    ExpectDecodes(rle4, [](int x, int) -> uint32_t { return x % 2 ? 0x00FF00 : 0xFF0000; });

    rle8.rawPixelData = {3, 1, 0, 0};  // no end-of-picture mark
    EXPECT_FALSE(Decode(BuildBmp(rle8)));
}

TEST(BitmapLoaderTest, BrokenFilesFailWithAReason) {
    const std::vector<uint8_t> good = test::SolidBmp24(4, 4, 0x123456);
    ASSERT_TRUE(Decode(good));
    std::string why;

    EXPECT_FALSE(Decode({}, &why));
    EXPECT_FALSE(Decode(std::vector<uint8_t>(good.begin(), good.begin() + 30), &why));
    EXPECT_NE(why.find("truncated header"), std::string::npos) << why;

    EXPECT_FALSE(Decode(std::vector<uint8_t>(good.begin(), good.end() - 13), &why));
    EXPECT_NE(why.find("truncated pixel data"), std::string::npos) << why;

    std::vector<uint8_t> notBmp = good;
    notBmp[0] = 'P';
    EXPECT_FALSE(Decode(notBmp, &why));

    auto withField = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> b = good;
        for (int k = 0; k < 4; ++k) b[at + k] = (value >> (8 * k)) & 0xFF;
        return b;
    };
    EXPECT_FALSE(Decode(withField(18, 100000), &why));  // width
    EXPECT_NE(why.find("100000"), std::string::npos) << why;
    EXPECT_FALSE(Decode(withField(22, static_cast<uint32_t>(-100000)), &why));  // tall top-down
    EXPECT_FALSE(Decode(withField(18, 0), &why));
    EXPECT_FALSE(Decode(withField(22, 0), &why));
    EXPECT_FALSE(Decode(withField(18, static_cast<uint32_t>(-4)), &why));
    EXPECT_NE(why.find("negative width"), std::string::npos) << why;
    EXPECT_FALSE(Decode(withField(22, 0x80000000u), &why));  // the most negative height
    EXPECT_FALSE(Decode(withField(10, 1000), &why));         // pixel data past the end
    EXPECT_FALSE(Decode(withField(14, 41), &why));           // unknown header size
    EXPECT_FALSE(Decode(withField(30, 4), &why));            // embedded JPEG
    std::vector<uint8_t> twoBits = good;
    twoBits[28] = 2;
    EXPECT_FALSE(Decode(twoBits, &why));
    EXPECT_NE(why.find("bit depth 2"), std::string::npos) << why;

    // 256 colours declared, only two present before the pixels.
    BmpLayout shortPalette = Indexed(8, 2, 2, {0x000000, 0xFFFFFF});
    shortPalette.colorsUsed = 256;
    EXPECT_FALSE(Decode(BuildBmp(shortPalette), &why));
    EXPECT_NE(why.find("short palette"), std::string::npos) << why;
}

TEST(BitmapLoaderTest, LoadBitmapFileReportsTheFileOnStandardError) {
    test::TempDirectory dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("bmp")));
    test::WorkingDirectory inDir(dir.Path());
    ASSERT_TRUE(inDir.Done());
    test::WriteWholeFile("bmp/good.bmp", test::SolidBmp24(2, 2, 0x00FF00));
    test::WriteWholeFile("bmp/bad.bmp", {'B', 'M', 0, 0});

    testing::internal::CaptureStderr();
    const auto good = LoadBitmapFile("bmp\\good.bmp");
    const auto missing = LoadBitmapFile("bmp\\missing.bmp");
    const auto bad = LoadBitmapFile("bmp\\bad.bmp");
    const std::string err = testing::internal::GetCapturedStderr();

    ASSERT_TRUE(good);
    EXPECT_EQ(RgbAt(*good, 1, 1), 0x00FF00u);
    EXPECT_FALSE(missing);
    EXPECT_FALSE(bad);
    EXPECT_NE(err.find("zolvex: cannot load picture bmp/missing.bmp: "), std::string::npos) << err;
    EXPECT_NE(err.find("zolvex: cannot load picture bmp/bad.bmp: truncated header"),
              std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2);
}

TEST(BitmapLoaderTest, PicturesReadAheadAreTakenOnceAndReportedWhenLoaded) {
    test::TempDirectory dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("bmp")));
    test::WorkingDirectory inDir(dir.Path());
    ASSERT_TRUE(inDir.Done());
    test::WriteWholeFile("bmp/good.bmp", test::SolidBmp24(2, 2, 0x00FF00));

    testing::internal::CaptureStderr();
    ReadPicturesAhead({"bmp\\good.bmp", "bmp\\missing.bmp"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "nothing is said before the load";

    // Changed after it was read ahead: the first load has what was read, the next
    // reads the file again.
    test::WriteWholeFile("bmp/good.bmp", test::SolidBmp24(2, 2, 0x0000FF));
    const auto first = LoadBitmapFile("bmp\\good.bmp");
    const auto second = LoadBitmapFile("bmp\\good.bmp");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(RgbAt(*first, 1, 1), 0x00FF00u);
    EXPECT_EQ(RgbAt(*second, 1, 1), 0x0000FFu);

    std::string failure;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadBitmapFile("bmp\\missing.bmp", &failure));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zolvex: " + failure + "\n");
    EXPECT_EQ(failure.rfind("cannot load picture bmp/missing.bmp: ", 0), 0u) << failure;
}

TEST(BitmapLoaderTest, LoadBitmapSurfaceCutsTilesAndHonoursTheMode) {
    // A strip of two 2 x 2 tiles: red, then green.
    std::vector<uint32_t> pixels = {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00,
                                    0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00};
    const auto strip = Decode(test::Bmp24(4, 2, pixels));
    ASSERT_TRUE(strip);

    std::unique_ptr<Surface> tile;
    EXPECT_FALSE(LoadBitmapSurface(tile, StartMode::Restore, *strip, 2, 0, 2, 2));
    ASSERT_TRUE(LoadBitmapSurface(tile, StartMode::Create, *strip, 2, 0, 2, 2));
    EXPECT_EQ(tile->Width(), 2);
    EXPECT_EQ(tile->Pixel(0, 0), 0x07E0);
    EXPECT_EQ(tile->Pixel(1, 1), 0x07E0);

    // Restore refills the same surface.
    const Surface* before = tile.get();
    tile->FillBlack();
    ASSERT_TRUE(LoadBitmapSurface(tile, StartMode::Restore, *strip, 0, 0, 2, 2));
    EXPECT_EQ(tile.get(), before);
    EXPECT_EQ(tile->Pixel(1, 1), 0xF800);

    // A tile reaching past the bitmap keeps black where the bitmap ends.
    std::unique_ptr<Surface> wide;
    ASSERT_TRUE(LoadBitmapSurface(wide, StartMode::Create, *strip, 3, 1, 3, 3));
    EXPECT_EQ(wide->Pixel(0, 0), 0x07E0);
    EXPECT_EQ(wide->Pixel(1, 0), 0);
    EXPECT_EQ(wide->Pixel(0, 1), 0);
}

TEST(BitmapLoaderTest, SavedSurfaceLoadsBackUnchanged) {
    Surface s(5, 3);
    for (int i = 0; i < 15; ++i) s.Pixels()[i] = static_cast<uint16_t>(i * 4099);
    test::TempDirectory dir;
    const auto path = dir.File("saved.bmp");
    ASSERT_TRUE(SaveSurfaceAsBmp(s, path.string()));
    const auto loaded = LoadBitmapFile(path.string());
    ASSERT_TRUE(loaded);
    Surface back(5, 3);
    CopyBitmapToSurface(*loaded, 0, 0, back, 0, 0, 5, 3);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(back.Pixels()[i], s.Pixels()[i]) << i;
}

}  // namespace
}  // namespace zolvex
