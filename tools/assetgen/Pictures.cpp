#include "Pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "Lettering.h"

namespace zolvex {

namespace {

constexpr float kPi = 3.14159265f;

const Rgb kWhite{1, 1, 1};
// The dark blue the well, the panel and the title screen share; keyed pictures are blended
// against it at their edges, so they never grow a black (transparent) fringe.
const Rgb kNavy = Rgb8(14, 18, 42);

// Coverage of a convex polygon, 4 x 4 samples per pixel.
float PolygonCoverage(const std::vector<std::array<float, 2>>& pts, float x, float y) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            float px = x - 0.5f + (sx + 0.5f) / 4, py = y - 0.5f + (sy + 0.5f) / 4;
            bool in = true;
            for (size_t i = 0; i < pts.size() && in; ++i) {
                const auto& a = pts[i];
                const auto& b = pts[(i + 1) % pts.size()];
                float cross = (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0]);
                in = cross >= 0;
            }
            inside += in;
        }
    }
    return inside / 16.0f;
}

// Box blur, run three times, which is close to a Gaussian: soft shadows and glows.
Mask Blur(const Mask& in, int radius) {
    Mask a = in, b = in;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) s += a.At(x + k, y);
                b.value[y * a.width + x] = s / (2 * radius + 1);
            }
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) s += b.At(x, y + k);
                a.value[y * a.width + x] = s / (2 * radius + 1);
            }
    }
    return a;
}

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

Box InkBox(const Mask& m) {
    Box box{m.width, m.height, 0, 0};
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            if (m.At(x, y) > 0.02f) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

// The bevel light of a rounded shape: positive near edges facing the upper left, negative near
// edges facing the lower right, fading out `width` pixels inside.
template <class Sdf>
float Bevel(const Sdf& sdf, float x, float y, float width) {
    float d = sdf(x, y);
    if (d > 0 || d < -width) return 0;
    float gx = sdf(x + 0.5f, y) - sdf(x - 0.5f, y);
    float gy = sdf(x, y + 0.5f) - sdf(x, y - 0.5f);
    float lit = -(0.6f * gx + 0.8f * gy);
    return lit * (1 + d / width);
}

struct DigitMasks {
    Mask fill;
    Mask outline;        // thickened by `thickness` pixels
    int thickness = 0;   // of the outline
    int dx = 0, dy = 0;  // where the fill mask's top left goes inside a tile
};

// The digit for a tile `tileSize` pixels wide: lettered at that size rather than scaled, so
// small tiles keep crisp, hinted digits.
std::optional<DigitMasks> RenderDigit(int number, int tileSize) {
    const float scale = static_cast<float>(tileSize) / kTileSize;
    const int size = static_cast<int>(std::lround(31 * scale));
    const int thickness = std::max(1, static_cast<int>(std::lround(2 * scale)));
    std::string text(1, static_cast<char>('0' + number));
    auto fill = Lettering::Render(Face::kSansBold, size, text);
    auto outline = Lettering::Render(Face::kSansBold, size, text, thickness);
    if (!fill || !outline) return std::nullopt;
    Box ink = InkBox(*fill);
    DigitMasks d{*fill, *outline, thickness};
    d.dx = (tileSize - (ink.right - ink.left)) / 2 - ink.left;
    d.dy = (tileSize - (ink.bottom - ink.top)) / 2 - ink.top;
    return d;
}

std::optional<std::array<DigitMasks, 9>> RenderDigits() {
    std::array<DigitMasks, 9> digits;
    for (int v = 1; v <= 9; ++v) {
        auto digit = RenderDigit(v, kTileSize);
        if (!digit) return std::nullopt;
        digits[v - 1] = std::move(*digit);
    }
    return digits;
}

// Fills `tile`, a canvas of any square size, with the tile of `number`, `inset` units inside its
// edges. The shapes are laid out in the units of the game's 40-pixel tile and their distances
// scaled back to pixels, so every edge stays antialiased at any size.
void DrawNormalTile(Image& tile, int number, const DigitMasks& digit, float inset = 1) {
    const float s = static_cast<float>(tile.Width()) / kTileSize;
    const Rgb base = TileColour(number);
    auto shape = [s, inset](float x, float y) {
        return RoundRectDistance(x / s, y / s, inset, inset, kTileSize - inset, kTileSize - inset,
                                 7) *
               s;
    };
    auto body = [&](float x, float y) { return shape(x, y) + 1.5f * s; };
    tile.Paint([&](float x, float y) { return Coverage(shape(x, y)); },
               [&](float, float) { return Mix(Scale(base, 0.32f), kNavy, 0.3f); });
    tile.Paint([&](float x, float y) { return Coverage(body(x, y)); },
               [&](float x, float y) {
                   float u = x / s, v = y / s;
                   float t = std::clamp((v - 2) / 36 * 0.75f + (u - 2) / 36 * 0.25f, 0.0f, 1.0f);
                   return Mix(Mix(base, kWhite, 0.3f), Scale(base, 0.68f), t);
               });
    tile.Paint([&](float x, float y) { return std::max(0.0f, Bevel(body, x, y, 3.5f * s)); },
               [](float, float) { return kWhite; }, 0.55f);
    tile.Paint([&](float x, float y) { return std::max(0.0f, -Bevel(body, x, y, 3.0f * s)); },
               [&](float, float) { return Scale(base, 0.3f); }, 0.6f);
    // A soft gloss over the upper part of the tile.
    tile.Paint(
        [s](float x, float y) {
            float u = x / s, v = y / s;
            float dx = (u - 20) / 17, dy = (v - 4) / 13;
            return Coverage((std::sqrt(dx * dx + dy * dy) - 1) * 8) *
                   std::clamp((20 - v) / 16, 0.0f, 1.0f);
        },
        [](float, float) { return kWhite; }, 0.28f);
    const Rgb ink = Mix(Scale(base, 0.22f), kNavy, 0.5f);
    const int shadowX = static_cast<int>(std::lround(s)), shadowY = 2 * shadowX;
    const int left = digit.dx - digit.thickness, top = digit.dy - digit.thickness;
    tile.PaintMask(
        Blur(digit.outline, std::max(1, shadowX)), left + shadowX, top + shadowY,
        [&](float, float) { return ink; }, 0.6f);
    tile.PaintMask(digit.outline, left, top, [&](float, float) { return ink; });
    tile.PaintMask(digit.fill, digit.dx, digit.dy, [s](float, float y) {
        return Mix(kWhite, Rgb8(226, 230, 240), std::clamp((y / s - 8) / 26, 0.0f, 1.0f));
    });
}

// The marked look turns the tile inside out: a glowing white face with a gold rim and rays, and
// the digit in the tile's own hue, so a marked block stands out from any normal one.
void DrawMarkedTile(Image& tile, int number, const DigitMasks& digit) {
    const Rgb base = TileColour(number);
    const Rgb gold = Rgb8(255, 214, 64);
    auto shape = [](float x, float y) { return RoundRectDistance(x, y, 0, 0, 40, 40, 8); };
    tile.Paint([&](float x, float y) { return Coverage(shape(x, y)); },
               [&](float x, float y) { return Mix(gold, Rgb8(255, 150, 30), (x + y) / 80); });
    tile.Paint([&](float x, float y) { return Coverage(shape(x, y) + 3); },
               [&](float x, float y) {
                   float r = std::hypot(x - 20, y - 20) / 24;
                   return Mix(Rgb8(255, 255, 250), Mix(base, kWhite, 0.35f),
                              std::clamp(r * r, 0.0f, 1.0f));
               });
    // A ring in the tile's colour keeps the number's hue recognisable.
    tile.Paint([&](float x, float y) { return Coverage(std::fabs(shape(x, y) + 5.5f) - 1.2f); },
               [&](float, float) { return base; }, 0.85f);
    tile.Paint(
        [](float x, float y) {
            float a = std::atan2(y - 20, x - 20), r = std::hypot(x - 20, y - 20);
            float ray = std::pow(std::fabs(std::cos(4 * a)), 12.0f);
            return ray * std::clamp(1 - r / 22, 0.0f, 1.0f);
        },
        [&](float, float) { return kWhite; }, 0.9f);
    const Rgb ink = Mix(Scale(base, 0.42f), kNavy, 0.15f);
    const int left = digit.dx - digit.thickness, top = digit.dy - digit.thickness;
    tile.PaintMask(
        Blur(digit.outline, 2), left, top, [&](float, float) { return Mix(base, kWhite, 0.6f); },
        0.9f);
    tile.PaintMask(digit.outline, left, top, [&](float, float) { return kWhite; });
    tile.PaintMask(digit.fill, digit.dx, digit.dy, [&](float, float) { return ink; });
}

std::optional<Picture> MakeBlocks() {
    auto digits = RenderDigits();
    if (!digits) return std::nullopt;
    Image strip(9 * kTileSize, 2 * kTileSize);
    for (int v = 1; v <= 9; ++v) {
        Image normal(kTileSize, kTileSize), marked(kTileSize, kTileSize);
        DrawNormalTile(normal, v, (*digits)[v - 1]);
        DrawMarkedTile(marked, v, (*digits)[v - 1]);
        strip.Draw(normal, (v - 1) * kTileSize, 0);
        strip.Draw(marked, (v - 1) * kTileSize, kTileSize);
    }
    return strip.Quantise(true, kNavy);
}

void PaintFaintTile(Image& img, float cx, float cy, float size, float angle, int number,
                    float opacity) {
    const Rgb c = TileColour(number);
    float ca = std::cos(angle), sa = std::sin(angle), h = size / 2;
    auto sdf = [=](float x, float y) {
        float u = (x - cx) * ca + (y - cy) * sa, v = -(x - cx) * sa + (y - cy) * ca;
        return RoundRectDistance(u, v, -h, -h, h, h, size * 0.18f);
    };
    img.Paint([&](float x, float y) { return Coverage(sdf(x, y)); },
              [&](float, float y) { return Mix(c, Scale(c, 0.5f), (y - cy + h) / size); },
              opacity * 0.55f);
    img.Paint([&](float x, float y) { return Coverage(std::fabs(sdf(x, y) + 1.5f) - 1); },
              [&](float, float) { return Mix(c, kWhite, 0.4f); }, opacity);
}

Picture MakeBackground() {
    Image img(kScreenWidth, kScreenHeight);
    img.Paint([](float, float) { return 1.0f; },
              [](float x, float y) {
                  Rgb top = Rgb8(26, 34, 88), bottom = Rgb8(9, 13, 38);
                  Rgb c = Mix(top, bottom, y / 480);
                  return Mix(c, Rgb8(12, 30, 70), std::clamp(x / 640 - 0.3f, 0.0f, 1.0f) * 0.3f);
              });
    // A soft glow behind the logo.
    img.Paint(
        [](float x, float y) {
            float d = std::hypot((x - 320) / 330, (y - 185) / 210);
            float f = std::clamp(1 - d, 0.0f, 1.0f);
            return f * f;
        },
        [](float, float) { return Rgb8(92, 70, 170); }, 0.55f);
    // Slanting beams of light from the upper left.
    for (int i = 0; i < 4; ++i) {
        float offset = -120.0f + i * 150, width = 26.0f + 14 * (i % 2);
        img.Paint(
            [=](float x, float y) {
                float d = std::fabs((x - offset) * 0.8f - y * 0.6f) - width;
                return Coverage(d / 14) * std::clamp(1 - y / 520, 0.0f, 1.0f);
            },
            [](float, float) { return Rgb8(140, 170, 255); }, 0.06f);
    }
    // Blocks drifting at the edges of the screen, faint enough not to compete with the texts.
    struct Drift {
        float x, y, size, angle;
        int number;
        float opacity;
    };
    const Drift drifts[] = {
        {34, 40, 46, -0.25f, 3, 0.35f}, {600, 52, 50, 0.3f, 7, 0.35f},
        {28, 150, 36, 0.4f, 9, 0.28f},  {612, 178, 38, -0.35f, 1, 0.28f},
        {40, 372, 52, 0.15f, 5, 0.3f},  {604, 322, 44, 0.5f, 2, 0.28f},
        {118, 58, 28, 0.6f, 6, 0.22f},  {520, 96, 26, -0.5f, 4, 0.22f},
        {22, 268, 30, -0.2f, 8, 0.2f},  {96, 446, 30, 0.35f, 4, 0.2f},
        {250, 34, 22, 0.2f, 8, 0.16f},  {420, 28, 24, -0.3f, 5, 0.16f},
    };
    for (const Drift& d : drifts)
        PaintFaintTile(img, d.x, d.y, d.size, d.angle, d.number, d.opacity);
    // Small stars in the upper part.
    uint32_t seed = 20240601u;
    auto next = [&seed]() {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    for (int i = 0; i < 60; ++i) {
        float sx = static_cast<float>(next() % 640), sy = static_cast<float>(next() % 250);
        // Stars stay out of the lines where the ranking table and the menu are written.
        if (sx > 40 && sx < 610 && sy > 40) continue;
        float r = 0.7f + (next() % 100) / 80.0f;
        img.Paint([=](float x, float y) { return Coverage(std::hypot(x - sx, y - sy) - r); },
                  [](float, float) { return Rgb8(220, 230, 255); },
                  0.25f + (next() % 100) / 300.0f);
    }
    // The band under the logo: mid-toned, so the black instructions and the white table rows
    // that share these lines on different screens both read.
    img.Paint([](float, float y) { return Coverage(std::fabs(y - 284) - 22) * 0.6f; },
              [](float, float) { return Rgb8(4, 6, 20); }, 1.0f);
    img.Paint([](float, float y) { return Coverage(std::fabs(y - 284) - 21); },
              [](float x, float) {
                  float t = std::fabs(x - 320) / 320;
                  return Mix(Rgb8(86, 124, 178), Rgb8(66, 98, 156), t * t);
              });
    img.Paint([](float, float y) { return Coverage(std::fabs(y - 263.5f) - 0.5f); },
              [](float, float) { return Rgb8(110, 140, 190); }, 0.8f);
    img.Paint([](float, float y) { return Coverage(std::fabs(y - 304.5f) - 0.5f); },
              [](float, float) { return Rgb8(30, 44, 90); }, 0.9f);
    return img.Quantise(false);
}

std::optional<Picture> MakeTitle() {
    const std::string word = "zolvex";
    const int size = 92, inner = 2, outer = 6;
    auto fill = Lettering::Render(Face::kSansBold, size, word);
    auto dark = Lettering::Render(Face::kSansBold, size, word, inner);
    auto light = Lettering::Render(Face::kSansBold, size, word, outer);
    if (!fill || !dark || !light) return std::nullopt;
    Box box = InkBox(*light);
    const int w = 470, h = 100;
    // Where the outer stroke's mask goes so that its ink is centred.
    int ox = (w - (box.right - box.left)) / 2 - box.left;
    int oy = (h - (box.bottom - box.top)) / 2 - box.top - 2;
    Box fillBox = InkBox(*fill);
    float fillTop = static_cast<float>(fillBox.top + oy + outer);
    float fillBottom = static_cast<float>(fillBox.bottom + oy + outer);
    // Each letter takes the colour of one number, left to right along the rainbow.
    std::array<float, 7> edges{};
    for (size_t i = 0; i <= word.size(); ++i)
        edges[i] = static_cast<float>(ox + outer +
                                      Lettering::Width(Face::kSansBold, size, word.substr(0, i)));
    const int letterNumbers[6] = {1, 2, 3, 5, 6, 8};
    auto letterColour = [&](float x) {
        size_t i = 0;
        while (i + 1 < word.size() && x >= edges[i + 1]) ++i;
        return TileColour(letterNumbers[i]);
    };

    // A dark outline and deep colours: white table text written over the logo on the ranking
    // screen still reads, while a soft glow lifts the logo off the dark screens.
    Image img(w, h);
    img.PaintMask(
        Blur(*light, 3), ox, oy, [](float, float) { return Rgb8(110, 100, 220); }, 0.5f);
    img.PaintMask(*light, ox, oy, [](float, float) { return Rgb8(20, 18, 58); });
    img.PaintMask(*dark, ox + outer - inner, oy + outer - inner,
                  [&](float x, float) { return Mix(letterColour(x), Rgb8(20, 18, 58), 0.45f); });
    img.PaintMask(*fill, ox + outer, oy + outer, [&](float x, float y) {
        float t = std::clamp((y - fillTop) / (fillBottom - fillTop), 0.0f, 1.0f);
        Rgb c = letterColour(x);
        return Mix(Mix(c, kWhite, 0.2f), Scale(c, 0.58f), t);
    });
    // Gloss: the upper part of each letter is lightened up to a gently curved line.
    const float mid = fillTop + (fillBottom - fillTop) * 0.46f;
    img.Paint(
        [&](float x, float y) {
            float curve = mid - 5 * std::sin((x / w) * kPi);
            float m = fill->At(static_cast<int>(x) - ox - outer, static_cast<int>(y) - oy - outer);
            return m * Coverage(y - curve) *
                   (0.15f + 0.25f * std::clamp((curve - y) / 30, 0.0f, 1.0f));
        },
        [](float, float) { return kWhite; });
    return img.Quantise(true, kNavy);
}

// Steel for bezels and plates: light at the top, dark at the bottom.
Rgb Steel(float t) {
    return Mix(Rgb8(150, 164, 196), Rgb8(52, 62, 96), std::clamp(t, 0.0f, 1.0f));
}

void PaintPlate(Image& img, float l, float t, float r, float b, float radius, float border) {
    auto outer = [=](float x, float y) { return RoundRectDistance(x, y, l, t, r, b, radius); };
    img.Paint([&](float x, float y) { return Coverage(outer(x, y)); },
              [=](float, float y) { return Steel((y - t) / (b - t)); });
    img.Paint([&](float x, float y) { return std::max(0.0f, Bevel(outer, x, y, 2.0f)); },
              [](float, float) { return kWhite; }, 0.5f);
    auto inner = [=](float x, float y) { return outer(x, y) + border; };
    img.Paint([&](float x, float y) { return Coverage(inner(x, y) - 1); },
              [](float, float) { return Rgb8(30, 36, 64); });
    img.Paint(
        [&](float x, float y) { return Coverage(inner(x, y)); },
        [=](float, float y) { return Mix(Rgb8(22, 30, 70), Rgb8(12, 16, 42), (y - t) / (b - t)); });
}

Picture MakeFrame() {
    Image img(kScreenWidth, kScreenHeight);
    // The bezel around the well and the rail, open at the top and bottom of the screen.
    auto bezel = [](float x, float y) { return RoundRectDistance(x, y, 18, -20, 362, 500, 10); };
    img.Paint([&](float x, float y) { return Coverage(bezel(x, y)); },
              [](float x, float) { return Steel(0.2f + std::fabs(x - 190) / 220); });
    img.Paint([&](float x, float y) { return std::max(0.0f, Bevel(bezel, x, y, 3.0f)); },
              [](float, float) { return kWhite; }, 0.6f);
    // The well: dark, with the eight columns faintly striped and the top row tinted as a warning.
    img.Paint(
        [](float x, float y) { return Coverage(RoundRectDistance(x, y, 28, 4, 352, 448, 3)); },
        [](float, float) { return Rgb8(20, 24, 44); });
    img.Paint(
        [](float x, float y) { return Coverage(RoundRectDistance(x, y, 30, 6, 350, 446, 2)); },
        [](float x, float y) {
            Rgb c = Mix(Rgb8(20, 28, 64), Rgb8(10, 14, 36), (y - 6) / 440);
            int column = static_cast<int>((x - 30) / 40);
            if (column % 2 == 1) c = Mix(c, Rgb8(40, 50, 100), 0.18f);
            float topRow = std::clamp(1 - (y - 6) / 40, 0.0f, 1.0f);
            return Mix(c, Rgb8(92, 20, 48), topRow * topRow * 0.55f);
        });
    for (int row = 1; row < 11; ++row) {
        float ly = 6.0f + 40 * row;
        img.Paint([=](float x,
                      float y) { return Coverage(std::fabs(y - ly) - 0.5f) * (x > 30 && x < 350); },
                  [](float, float) { return Rgb8(70, 90, 160); }, 0.12f);
    }
    // Inner shadow along the top and left of the well.
    img.Paint(
        [](float x, float y) {
            if (x < 30 || x > 350 || y < 6 || y > 446) return 0.0f;
            return std::max(std::clamp(1 - (y - 6) / 8, 0.0f, 1.0f),
                            std::clamp(1 - (x - 30) / 8, 0.0f, 1.0f));
        },
        [](float, float) { return Rgb8(4, 6, 16); }, 0.6f);
    // The swapper's rail below the well.
    img.Paint(
        [](float x, float y) { return Coverage(RoundRectDistance(x, y, 26, 448, 354, 484, 3)); },
        [](float, float y) { return Mix(Rgb8(46, 52, 78), Rgb8(26, 30, 50), (y - 448) / 32); });
    for (float ry : {456.0f, 472.0f}) {
        img.Paint([=](float x,
                      float y) { return Coverage(std::fabs(y - ry) - 1.5f) * (x > 30 && x < 350); },
                  [=](float, float y) {
                      return Mix(Rgb8(200, 212, 236), Rgb8(90, 100, 130), (y - ry + 1.5f) / 3);
                  });
    }
    for (int i = 0; i <= 8; ++i) {
        float bx = 30.0f + 40 * i;
        img.Paint([=](float x, float y) { return Coverage(std::hypot(x - bx, y - 464) - 2.2f); },
                  [](float, float) { return Rgb8(120, 132, 164); });
    }
    // The logo plate and the panel behind the score, time and best scores.
    PaintPlate(img, 368, 8, 628, 82, 12, 4);
    PaintPlate(img, 366, 88, 616, 296, 10, 4);
    img.Paint(
        [](float x, float y) { return Coverage(std::fabs(y - 167) - 0.5f) * (x > 380 && x < 602); },
        [](float, float) { return Rgb8(110, 130, 190); }, 0.7f);
    return img.Quantise(true, kNavy);
}

Picture MakeFlipper() {
    Image img(80, 36);
    auto body = [](float x, float y) { return RoundRectDistance(x, y, 1, 9, 79, 34, 8); };
    img.Paint([&](float x, float y) { return Coverage(body(x, y)); },
              [](float, float) { return Rgb8(74, 36, 12); });
    auto inner = [&](float x, float y) { return body(x, y) + 1.5f; };
    img.Paint(
        [&](float x, float y) { return Coverage(inner(x, y)); },
        [](float, float y) { return Mix(Rgb8(255, 206, 96), Rgb8(206, 104, 26), (y - 10) / 23); });
    img.Paint([&](float x, float y) { return std::max(0.0f, Bevel(inner, x, y, 3.0f)); },
              [](float, float) { return kWhite; }, 0.6f);
    img.Paint([&](float x, float y) { return std::max(0.0f, -Bevel(inner, x, y, 3.0f)); },
              [](float, float) { return Rgb8(90, 40, 8); }, 0.5f);
    // Two pointers, one under each of the two columns that are swapped.
    for (float cx : {20.0f, 60.0f}) {
        std::vector<std::array<float, 2>> outline{{cx, 1.0f}, {cx + 13, 10.0f}, {cx - 13, 10.0f}};
        std::vector<std::array<float, 2>> tip{{cx, 3.0f}, {cx + 9.5f, 9.5f}, {cx - 9.5f, 9.5f}};
        img.Paint([&](float x, float y) { return PolygonCoverage(outline, x, y); },
                  [](float, float) { return Rgb8(74, 36, 12); });
        img.Paint([&](float x, float y) { return PolygonCoverage(tip, x, y); },
                  [](float, float) { return Rgb8(120, 236, 255); });
    }
    // A double arrow across the middle: the swap.
    const Rgb arrow = Rgb8(70, 30, 6);
    img.Paint([](float x, float y) { return Coverage(RoundRectDistance(x, y, 26, 20, 54, 24, 1)); },
              [&](float, float) { return arrow; });
    std::vector<std::array<float, 2>> left{{19, 22}, {28, 15.5f}, {28, 28.5f}};
    std::vector<std::array<float, 2>> right{{61, 22}, {52, 28.5f}, {52, 15.5f}};
    img.Paint([&](float x, float y) { return PolygonCoverage(left, x, y); },
              [&](float, float) { return arrow; });
    img.Paint([&](float x, float y) { return PolygonCoverage(right, x, y); },
              [&](float, float) { return arrow; });
    for (float cx : {8.5f, 71.5f}) {
        img.Paint([=](float x, float y) { return Coverage(std::hypot(x - cx, y - 22) - 3); },
                  [](float, float) { return Rgb8(60, 230, 255); });
        img.Paint([=](float x, float y) { return Coverage(std::hypot(x - cx + 1, y - 21) - 1.2f); },
                  [](float, float) { return kWhite; }, 0.8f);
    }
    img.Paint([](float x, float y) { return Coverage(RoundRectDistance(x, y, 4, 11, 76, 18, 4)); },
              [](float, float) { return kWhite; }, 0.25f);
    return img.Quantise(true, kNavy);
}

}  // namespace

Rgb TileColour(int number) {
    static const Rgb kColours[9] = {
        Rgb8(226, 48, 52),   // 1 red
        Rgb8(246, 132, 28),  // 2 orange
        Rgb8(240, 204, 32),  // 3 yellow
        Rgb8(128, 204, 40),  // 4 lime
        Rgb8(24, 170, 104),  // 5 green
        Rgb8(30, 176, 226),  // 6 sky blue
        Rgb8(52, 92, 226),   // 7 blue
        Rgb8(146, 72, 218),  // 8 violet
        Rgb8(226, 64, 176),  // 9 magenta
    };
    return kColours[std::clamp(number, 1, 9) - 1];
}

std::optional<PictureSet> MakePictures() {
    PictureSet set;
    auto blocks = MakeBlocks();
    auto title = MakeTitle();
    if (!blocks || !title) return std::nullopt;
    set.background = MakeBackground();
    set.title = std::move(*title);
    set.blocks = std::move(*blocks);
    set.frame = MakeFrame();
    set.flipper = MakeFlipper();
    return set;
}

// Icons of 32 pixels and less show one tile, the blue 7, whose white digit stands out most;
// larger ones a corner of the well whose rows each add up to ten. Every tile is drawn at its own
// size and fills its canvas, so its straight edges fall on whole pixels and stay crisp.
std::optional<RgbaPicture> MakeIcon(int size) {
    Image icon(size, size);
    if (size <= 32) {
        auto digit = RenderDigit(7, size);
        if (!digit) return std::nullopt;
        DrawNormalTile(icon, 7, *digit, 0);
        return icon.ToRgba();
    }
    // For even sizes the margins, the gap and the two tiles add up exactly.
    const int margin = size / 32, gap = 2 * std::max(1, size / 80);
    const int tile = (size - 2 * margin - gap) / 2;
    // A soft shadow under the cluster lifts it off any desktop.
    const float drop = static_cast<float>(size) / 64, near = static_cast<float>(margin) + drop / 2,
                far = static_cast<float>(size) - near, radius = static_cast<float>(tile) / 5;
    icon.Paint(
        [&](float x, float y) {
            return Coverage(RoundRectDistance(x, y - drop, near, near, far, far, radius) / drop);
        },
        [](float, float) { return Rgb8(4, 6, 20); }, 0.5f);
    const int numbers[4] = {3, 7, 8, 2};
    for (int i = 0; i < 4; ++i) {
        auto digit = RenderDigit(numbers[i], tile);
        if (!digit) return std::nullopt;
        Image face(tile, tile);
        DrawNormalTile(face, numbers[i], *digit, 0);
        icon.Draw(face, margin + (i % 2) * (tile + gap), margin + (i / 2) * (tile + gap));
    }
    return icon.ToRgba();
}

}  // namespace zolvex
