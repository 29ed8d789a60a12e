#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "Lettering.h"
#include "Pictures.h"

namespace zolvex {

namespace {

// Copies src (or its rectangle sx, sy, sw, sh) to (x, y), leaving out black when keyed, as the
// game's source-keyed blits do.
void Blit(Picture& dst, const Picture& src, int x, int y, bool keyed, int sx = 0, int sy = 0,
          int sw = -1, int sh = -1) {
    if (sw < 0) sw = src.width;
    if (sh < 0) sh = src.height;
    for (int j = 0; j < sh; ++j)
        for (int i = 0; i < sw; ++i) {
            int tx = x + i, ty = y + j;
            if (tx < 0 || ty < 0 || tx >= dst.width || ty >= dst.height) continue;
            const uint8_t* s = src.At(sx + i, sy + j);
            if (keyed && s[0] == 0 && s[1] == 0 && s[2] == 0) continue;
            std::copy(s, s + 3, dst.At(tx, ty));
        }
}

// Nearest-neighbour stretch of the whole of src into the rectangle, keyed.
void StretchBlit(Picture& dst, const Picture& src, int x, int y, int w, int h, bool keyed) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const uint8_t* s = src.At(i * src.width / w, j * src.height / h);
            if (keyed && s[0] == 0 && s[1] == 0 && s[2] == 0) continue;
            if (x + i < dst.width && y + j < dst.height) std::copy(s, s + 3, dst.At(x + i, y + j));
        }
}

void Fill(Picture& dst, int x, int y, int w, int h, Rgb c) {
    for (int j = std::max(0, y); j < std::min(dst.height, y + h); ++j)
        for (int i = std::max(0, x); i < std::min(dst.width, x + w); ++i) {
            uint8_t* p = dst.At(i, j);
            p[0] = static_cast<uint8_t>(c.r * 255);
            p[1] = static_cast<uint8_t>(c.g * 255);
            p[2] = static_cast<uint8_t>(c.b * 255);
        }
}

// Text as the screens draw it: the game's font heights 16 to 24 map to these pixel sizes.
void Text(Picture& dst, const std::string& text, int x, int y, Rgb colour, int height, bool fixed,
          const Rgb* box = nullptr) {
    auto mask = Lettering::Render(fixed ? Face::kMono : Face::kSans, height - 3, text);
    if (!mask) return;
    if (box) Fill(dst, x, y, mask->width, mask->height, *box);
    for (int j = 0; j < mask->height; ++j)
        for (int i = 0; i < mask->width; ++i) {
            float a = mask->At(i, j);
            if (a <= 0 || x + i >= dst.width || y + j >= dst.height) continue;
            uint8_t* p = dst.At(x + i, y + j);
            p[0] = static_cast<uint8_t>(p[0] * (1 - a) + colour.r * 255 * a);
            p[1] = static_cast<uint8_t>(p[1] * (1 - a) + colour.g * 255 * a);
            p[2] = static_cast<uint8_t>(p[2] * (1 - a) + colour.b * 255 * a);
        }
}

Picture Blank(int w, int h, Rgb c) {
    Picture p{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
    Fill(p, 0, 0, w, h, c);
    return p;
}

const Rgb kWhite{1, 1, 1};
const Rgb kBlack{0, 0, 0};
const Rgb kRed{1, 0, 0};
const Rgb kYellow{1, 1, 0};
const Rgb kCyan{0, 1, 1};
const Rgb kCreditBlue{0, 0, 1};

Picture Backdrop(const PictureSet& p) {
    Picture screen = p.background;
    Text(screen, "(C) 2026 The zolvex Project", 380, 450, kCreditBlue, 18, false, &kWhite);
    return screen;
}

// A keyed picture faded as the game fades it for a screen: every pixel but black mixed with
// `towards`, keeping `keep` of its own colour.
Picture Faded(const Picture& src, Rgb towards, float keep) {
    Picture out = src;
    const float to[3] = {towards.r * 255, towards.g * 255, towards.b * 255};
    for (size_t i = 0; i + 2 < out.rgb.size(); i += 3) {
        uint8_t* c = &out.rgb[i];
        if (c[0] == 0 && c[1] == 0 && c[2] == 0) continue;
        for (int k = 0; k < 3; ++k)
            c[k] = static_cast<uint8_t>(std::lround(c[k] * keep + to[k] * (1 - keep)));
    }
    return out;
}

Picture TitleScreen(const PictureSet& p) {
    Picture s = Backdrop(p);
    // The drifting blocks are faded into the night blue, the logo is shown as it is.
    const Picture blocks = Faded(p.blocks, Rgb8(14, 18, 42), 0.7f);
    const int drift[5][3] = {
        {80, 380, 4}, {250, 60, 7}, {430, 200, 2}, {560, 330, 9}, {150, 250, 5}};
    for (const auto& d : drift)
        Blit(s, blocks, d[0], d[1], true, (d[2] - 1) * kTileSize, 0, kTileSize, kTileSize);
    Text(s, "Please select Game Level.", 100, 270, kBlack, 16, false);
    Text(s, "Put the Enter key for Play Game or put F1 for Show HighScore.", 100, 285, kBlack, 16,
         false);
    Text(s, "Beginner Level", 185, 310, kWhite, 24, false);
    Text(s, "Advanced Level", 185, 340, kRed, 24, false);
    Text(s, "Expert Level", 185, 370, kWhite, 24, false);
    Blit(s, p.title, 85, 140, true);
    return s;
}

Picture RankingScreen(const PictureSet& p) {
    Picture s = Backdrop(p);
    // The table is written across the logo, which the ranking screen shows dimmed.
    Blit(s, Faded(p.title, Rgb8(14, 16, 46), 0.25f), 85, 140, true);
    const int tableX = 300;
    Text(s, "Put Enter key.", 50, 400, kWhite, 16, false);
    Text(s, "- Ranking for Top 10 -", tableX, 50, kYellow, 22, false);
    const char* names[10] = {"AYAKA", "", "bob", "Zed", "K.M", "lola", "Q", "rin", "max", "ok"};
    for (int k = 0; k < 10; ++k) {
        int y = 80 + 23 * k;
        char line[32];
        if (k == 1) {
            Text(s, "          ", tableX + 39, y, kRed, 20, true, &kWhite);
            Text(s, "NEW", tableX + 39, y, kRed, 20, true);
        } else {
            Text(s, names[k], tableX + 39, y, kWhite, 20, true);
        }
        std::snprintf(line, sizeof line, "%2d", k + 1);
        Text(s, line, tableX, y, kWhite, 20, true);
        std::snprintf(line, sizeof line, "%10X", 0x9A00u - 0xE00u * k);
        Text(s, line, tableX + 169, y, kWhite, 20, true);
    }
    Text(s, "Score:    8C40", 50, 100, kWhite, 20, true);
    Text(s, "Bonus:     1F2", 50, 120, kWhite, 20, true);
    Text(s, "Total:    8E32", 50, 150, kWhite, 20, true);
    Text(s, "You get  2nd Rank!!", 50, 180, kCyan, 22, false);
    for (int c = 32; c <= 96; ++c) {
        std::string ch(1, static_cast<char>(c));
        int x = c <= 64 ? 13 * c - 366 : 13 * c - 795, y = c <= 64 ? 340 : 360;
        if (c == 78)
            Text(s, ch, x, y, kBlack, 18, true, &kWhite);
        else
            Text(s, ch, x, y, kWhite, 18, true);
    }
    return s;
}

Picture PlayScreen(const PictureSet& p) {
    Picture s = Backdrop(p);
    Blit(s, p.frame, 0, 0, true);
    StretchBlit(s, p.title, 380, 20, 235, 50, true);
    Blit(s, p.flipper, 30 + 40 * 3, 444, true);
    // A board part way through a game; negative numbers are marked cells.
    const int board[6][8] = {
        {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 2},   {0, 0, 0, 6, 0, 0, 0, 5},
        {0, 9, 0, 3, 0, 0, 1, 4}, {2, 8, -4, -6, 7, 0, 8, 3}, {5, 1, 7, 9, 3, 4, 6, 1},
    };
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 8; ++c) {
            int v = board[r][c];
            if (v == 0) continue;
            int row = 6 - r;
            Blit(s, p.blocks, 30 + 40 * c, 446 - 40 * row, true, (std::abs(v) - 1) * kTileSize,
                 v < 0 ? kTileSize : 0, kTileSize, kTileSize);
        }
    const int trio[3][3] = {{1, 2, 120}, {4, 8, 132}, {6, 7, 110}};
    for (const auto& t : trio)
        Blit(s, p.blocks, 30 + 40 * t[0], t[2], true, (t[1] - 1) * kTileSize, 0, kTileSize,
             kTileSize);
    const int next[3][2] = {{0, 3}, {5, 9}, {7, 5}};
    for (const auto& t : next)
        Blit(s, p.blocks, 30 + 40 * t[0], 6, true, (t[1] - 1) * kTileSize, 0, kTileSize, kTileSize);
    Text(s, "Score:    1A4F", 380, 100, kWhite, 20, true);
    Text(s, " Time:00:03:27", 380, 130, kWhite, 20, true);
    Text(s, "  1st:    9A00", 380, 180, kWhite, 20, true);
    Text(s, "  2nd:    8C00", 380, 200, kWhite, 20, true);
    Text(s, "  3rd:    7E00", 380, 220, kWhite, 20, true);
    Text(s, ":", 450, 240, kWhite, 20, true);
    Text(s, " 10th:    1A00", 380, 260, kWhite, 20, true);
    const Rgb blue{0, 0, 1};
    Text(s, "Pause.", 150, 170, kWhite, 20, false, &blue);
    return s;
}

Picture Checker(int w, int h) {
    Picture p = Blank(w, h, Rgb8(96, 96, 104));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (((x / 8) + (y / 8)) % 2) Fill(p, x, y, 1, 1, Rgb8(128, 128, 136));
    return p;
}

Picture Scaled(const Picture& src, int factor) {
    Picture out = Blank(src.width * factor, src.height * factor, kBlack);
    StretchBlit(out, src, 0, 0, out.width, out.height, false);
    return out;
}

}  // namespace

std::optional<Picture> MakeContactSheet(const PictureSet& p) {
    Picture sheet = Blank(1320, 1610, Rgb8(40, 42, 50));
    const Rgb label = Rgb8(220, 222, 230);
    auto caption = [&](const std::string& text, int x, int y) {
        Text(sheet, text, x, y, label, 19, false);
    };

    caption("Title screen (mback.bmp + title.bmp, with the screen's texts)", 20, 10);
    Blit(sheet, TitleScreen(p), 20, 34, false);
    caption("Ranking screen", 680, 10);
    Blit(sheet, RankingScreen(p), 680, 34, false);
    caption("Play screen (frame.bmp, stretched logo, fliper.bmp, block.bmp)", 20, 530);
    Blit(sheet, PlayScreen(p), 20, 554, false);
    caption("mback.bmp", 680, 530);
    Blit(sheet, p.background, 680, 554, false);

    caption("block.bmp (x2): normal row, marked row", 20, 1050);
    Picture strip = Checker(720, 160);
    Blit(strip, Scaled(p.blocks, 2), 0, 0, true);
    Blit(sheet, strip, 20, 1074, false);
    caption("title.bmp", 780, 1050);
    Picture logo = Checker(p.title.width, p.title.height);
    Blit(logo, p.title, 0, 0, true);
    Blit(sheet, logo, 780, 1074, false);
    caption("fliper.bmp (x3)", 780, 1190);
    Picture flip = Checker(p.flipper.width * 3, p.flipper.height * 3);
    Blit(flip, Scaled(p.flipper, 3), 0, 0, true);
    Blit(sheet, flip, 780, 1214, false);
    caption("frame.bmp (half size)", 20, 1250);
    Picture frame = Checker(320, 240);
    Picture half = Blank(320, 240, kBlack);
    StretchBlit(half, p.frame, 0, 0, 320, 240, false);
    Blit(frame, half, 0, 0, true);
    Blit(sheet, frame, 20, 1274, false);
    caption("block.bmp at play size", 380, 1250);
    Picture row = Blank(380, 100, Rgb8(14, 18, 42));
    Blit(row, p.blocks, 10, 10, true, 0, 0, 360, 80);
    Blit(sheet, row, 380, 1274, false);
    return sheet;
}

}  // namespace zolvex
