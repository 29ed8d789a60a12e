#include "display/TextContext.h"

#include <algorithm>
#include <cstring>

#include "display/Display.h"

namespace zolvex {

TextContext::TextContext(Surface& target, const FontSet& fonts)
    : target(target), recorder(nullptr), font(fonts.Stock()) {}

TextContext::TextContext(Display& display, Surface& target)
    : target(target), recorder(&display), font(display.Fonts().Stock()) {}

const Font* TextContext::SelectFont(const Font* f) {
    const Font* previous = font;
    font = f;
    return previous;
}

void TextContext::NoteTextOut(int x, int y, const char* text, int count) {
    if (recorder == nullptr || text == nullptr || count <= 0) return;
    std::string drawn(text, strnlen(text, static_cast<size_t>(count)));
    if (drawn.empty()) return;
    std::optional<ColorRef> bk;
    if (bkMode == BkMode::Opaque) bk = bkColor;
    recorder->RecordText(
        TextRecord{x, y, std::move(drawn), textColor, bk, FontSizeIndex(font), FontFaceFlag(font)});
}

void TextContext::TextOut(int x, int y, const char* text, int count) {
    if (text == nullptr || count <= 0) return;
    const std::string drawn(text, strnlen(text, static_cast<size_t>(count)));
    if (drawn.empty()) return;

    if (recorder != nullptr && recorder->backBuffer == &target) NoteTextOut(x, y, text, count);

    // Far-off positions draw nothing and must not overflow the clipping below.
    constexpr int kFar = 1 << 20;
    if (x < -kFar || x > kFar || y < -kFar || y > kFar) return;
    const RenderedText* rendered = RenderText(font, drawn);
    if (rendered == nullptr) return;
    if (bkMode == BkMode::Opaque) {
        target.Fill(Rect{x, y, x + rendered->width, y + FontCellHeight(font)}, bkColor);
    }
    if (recorder != nullptr && recorder->backBuffer == &target && !recorder->TextGlyphsDrawn()) {
        return;
    }

    // Blend the ink onto the 16-bit pixels in 8-bit channels; full coverage is a
    // plain store, which is most of a text's ink.
    const uint16_t ink = ToRgb565(textColor);
    const int inkR = static_cast<int>(textColor & 0xFF);
    const int inkG = static_cast<int>((textColor >> 8) & 0xFF);
    const int inkB = static_cast<int>((textColor >> 16) & 0xFF);
    const int x0 = std::max(0, -x), x1 = std::min(rendered->width, target.Width() - x);
    const int y0 = std::max(0, -y), y1 = std::min(rendered->height, target.Height() - y);
    if (x0 >= x1 || y0 >= y1) return;
    uint16_t* pixels = target.PixelsToDraw(Rect{x + x0, y + y0, x + x1, y + y1});
    for (int j = y0; j < y1; ++j) {
        const uint8_t* cover = rendered->coverage.data() + static_cast<size_t>(j) * rendered->width;
        uint16_t* row = pixels + static_cast<size_t>(y + j) * target.Width() + x;
        for (int i = x0; i < x1; ++i) {
            const int a = cover[i];
            if (a == 0) continue;
            if (a == 255) {
                row[i] = ink;
                continue;
            }
            const uint16_t p = row[i];
            const int r = ((p >> 11) << 3) | (p >> 13);
            const int g = (((p >> 5) & 0x3F) << 2) | ((p >> 9) & 0x3);
            const int b = ((p & 0x1F) << 3) | ((p >> 2) & 0x7);
            const int outR = (inkR * a + r * (255 - a) + 127) / 255;
            const int outG = (inkG * a + g * (255 - a) + 127) / 255;
            const int outB = (inkB * a + b * (255 - a) + 127) / 255;
            row[i] = ToRgb565(static_cast<ColorRef>(outR | (outG << 8) | (outB << 16)));
        }
    }
}

}  // namespace zolvex
