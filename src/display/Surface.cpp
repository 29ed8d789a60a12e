#include "display/Surface.h"

#include <algorithm>
#include <cstring>

namespace zolvex {

uint16_t ToRgb565(ColorRef c) {
    const uint32_t r = c & 0xFF;
    const uint32_t g = (c >> 8) & 0xFF;
    const uint32_t b = (c >> 16) & 0xFF;
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

Surface::Surface(int width, int height)
    : width(std::max(width, 0)),
      height(std::max(height, 0)),
      pixels(static_cast<size_t>(this->width) * this->height, 0) {}

namespace {

bool Inside(const Rect& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height &&
           r.left < r.right && r.top < r.bottom;
}

}  // namespace

bool Surface::BltFast(int x, int y, const Surface& src, const Rect* srcRect, bool useKey) {
    const Rect from = srcRect != nullptr ? *srcRect : Rect{0, 0, src.width, src.height};
    if (!Inside(from, src.width, src.height)) return false;
    // The game's title screen relies on this refusal: a block drifting partly off
    // the screen is not drawn at all rather than drawn cut.
    if (x < 0 || y < 0 || x > width - from.Width() || y > height - from.Height()) return false;

    // Copying a surface onto itself with overlap must read the source as it was.
    std::vector<uint16_t> copy;
    const uint16_t* srcPixels = src.pixels.data();
    if (&src == this) {
        copy = pixels;
        srcPixels = copy.data();
    }
    const bool keyed = useKey && src.keyBlack;
    const size_t rowPixels = static_cast<size_t>(from.Width());
    for (int row = 0; row < from.Height(); ++row) {
        const uint16_t* s = srcPixels + static_cast<size_t>(from.top + row) * src.width + from.left;
        uint16_t* d = pixels.data() + static_cast<size_t>(y + row) * width + x;
        if (!keyed) {
            std::memcpy(d, s, rowPixels * sizeof(uint16_t));
            continue;
        }
        for (size_t i = 0; i < rowPixels; ++i) {
            if (s[i] != 0) d[i] = s[i];
        }
    }
    return true;
}

bool Surface::BltStretchKeyed(const Rect& dst, const Surface& src) {
    if (!Inside(dst, width, height) || src.width == 0 || src.height == 0) return false;
    std::vector<uint16_t> copy;
    const uint16_t* srcPixels = src.pixels.data();
    if (&src == this) {
        copy = pixels;
        srcPixels = copy.data();
    }
    const int64_t dw = dst.Width();
    const int64_t dh = dst.Height();
    // Column lookup computed once; each destination pixel samples the source pixel
    // under its centre.
    std::vector<int> srcX(static_cast<size_t>(dw));
    for (int64_t dx = 0; dx < dw; ++dx) {
        srcX[static_cast<size_t>(dx)] = static_cast<int>((2 * dx + 1) * src.width / (2 * dw));
    }
    for (int64_t dy = 0; dy < dh; ++dy) {
        const int sy = static_cast<int>((2 * dy + 1) * src.height / (2 * dh));
        const uint16_t* s = srcPixels + static_cast<size_t>(sy) * src.width;
        uint16_t* d = pixels.data() + static_cast<size_t>(dst.top + dy) * width + dst.left;
        for (int64_t dx = 0; dx < dw; ++dx) {
            const uint16_t p = s[srcX[static_cast<size_t>(dx)]];
            if (p != 0 || !src.keyBlack) d[dx] = p;
        }
    }
    return true;
}

void Surface::Fill(const Rect& r, ColorRef color) {
    const int left = std::max(r.left, 0);
    const int top = std::max(r.top, 0);
    const int right = std::min(r.right, width);
    const int bottom = std::min(r.bottom, height);
    if (left >= right || top >= bottom) return;
    const uint16_t p = ToRgb565(color);
    for (int y = top; y < bottom; ++y) {
        uint16_t* row = pixels.data() + static_cast<size_t>(y) * width;
        std::fill(row + left, row + right, p);
    }
}

void Surface::FadeTowards(ColorRef towards, int keepPercent) {
    const int keep = std::clamp(keepPercent, 0, 100);
    auto mix = [keep](uint32_t own, uint32_t other) {
        return (own * keep + other * (100 - keep) + 50) / 100;
    };
    for (uint16_t& p : pixels) {
        if (p == 0) continue;
        const uint32_t r = ((p >> 11) << 3) | (p >> 13);
        const uint32_t g = (((p >> 5) & 0x3F) << 2) | ((p >> 9) & 0x3);
        const uint32_t b = ((p & 0x1F) << 3) | ((p >> 2) & 0x7);
        const uint16_t faded =
            ToRgb565(mix(r, towards & 0xFF) | (mix(g, (towards >> 8) & 0xFF) << 8) |
                     (mix(b, (towards >> 16) & 0xFF) << 16));
        // The smallest blue stands in for a pixel that would otherwise turn transparent.
        p = faded != 0 ? faded : uint16_t{1};
    }
}

void Surface::FillBlack() {
    std::fill(pixels.begin(), pixels.end(), 0);
}

bool Surface::SwapPixels(Surface& other) {
    if (other.width != width || other.height != height) return false;
    pixels.swap(other.pixels);
    return true;
}

}  // namespace zolvex
