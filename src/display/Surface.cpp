#include "display/Surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace zolvex {
namespace {

// Copies the pixels of `from` that are not black over `to`: black is the colour key, so
// where `from` is black `to` keeps its own. Eight at a time without a branch, since the
// keyed edges of a block would make a branch per pixel guess wrong at every edge.
void CopyKeyedRow(uint16_t* to, const uint16_t* from, size_t count) {
    using Lanes = uint16_t __attribute__((vector_size(16)));
    constexpr size_t kLanes = sizeof(Lanes) / sizeof(uint16_t);
    size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Lanes source;
        Lanes target;
        std::memcpy(&source, from + i, sizeof source);
        std::memcpy(&target, to + i, sizeof target);
        target = source == 0 ? target : source;
        std::memcpy(to + i, &target, sizeof target);
    }
    for (; i < count; ++i) {
        if (from[i] != 0) to[i] = from[i];
    }
}

}  // namespace

uint16_t ToRgb565(ColorRef c) {
    const uint32_t r = c & 0xFF;
    const uint32_t g = (c >> 8) & 0xFF;
    const uint32_t b = (c >> 16) & 0xFF;
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

DrawnTiles::DrawnTiles(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      columns_((width_ + kTile - 1) / kTile),
      rows_((height_ + kTile - 1) / kTile),
      tiles_(static_cast<size_t>(columns_) * rows_, 0) {}

void DrawnTiles::Add(const Rect& r) {
    if (all_) return;
    const int left = std::max(r.left, 0), top = std::max(r.top, 0);
    const int right = std::min(r.right, width_), bottom = std::min(r.bottom, height_);
    if (left >= right || top >= bottom) return;
    for (int row = top / kTile; row <= (bottom - 1) / kTile; ++row) {
        for (int column = left / kTile; column <= (right - 1) / kTile; ++column) {
            uint8_t& tile = tiles_[static_cast<size_t>(row) * columns_ + column];
            count_ += tile == 0 ? 1 : 0;
            tile = 1;
        }
    }
}

void DrawnTiles::Add(const DrawnTiles& other) {
    if (other.all_ || other.tiles_.size() != tiles_.size()) {
        all_ = true;
        return;
    }
    if (all_ || other.count_ == 0) return;
    for (size_t i = 0; i < tiles_.size(); ++i) {
        count_ += tiles_[i] == 0 && other.tiles_[i] != 0 ? 1 : 0;
        tiles_[i] |= other.tiles_[i];
    }
}

void DrawnTiles::Clear() {
    all_ = false;
    if (count_ == 0) return;
    std::fill(tiles_.begin(), tiles_.end(), 0);
    count_ = 0;
}

std::vector<PixelRect> DrawnTiles::Areas() const {
    std::vector<PixelRect> areas;
    ForEachArea([&areas](const PixelRect& area) { areas.push_back(area); });
    return areas;
}

uint64_t Surface::NextContent() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

void Surface::NoteDrawn(const Rect* area) {
    content = NextContent();
    if (area == nullptr) {
        drawn.AddAll();
    } else {
        drawn.Add(*area);
    }
}

Surface::Surface(int width, int height)
    : width(std::max(width, 0)),
      height(std::max(height, 0)),
      pixels(static_cast<size_t>(this->width) * this->height, 0),
      drawn(this->width, this->height) {
    drawn.AddAll();
}

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

    const bool keyed = useKey && src.keyBlack;
    if (!keyed && &src != this && x == 0 && y == 0 && from.left == 0 && from.top == 0 &&
        src.width == width && src.height == height) {
        Restore(src);
        return true;
    }
    const Rect area{x, y, x + from.Width(), y + from.Height()};
    NoteDrawn(&area);
    // Copying a surface onto itself with overlap must read the source as it was.
    std::vector<uint16_t> copy;
    const uint16_t* srcPixels = src.pixels.data();
    if (&src == this) {
        copy = pixels;
        srcPixels = copy.data();
    }
    const size_t rowPixels = static_cast<size_t>(from.Width());
    for (int row = 0; row < from.Height(); ++row) {
        const uint16_t* s = srcPixels + static_cast<size_t>(from.top + row) * src.width + from.left;
        uint16_t* d = pixels.data() + static_cast<size_t>(y + row) * width + x;
        if (!keyed) {
            std::memcpy(d, s, rowPixels * sizeof(uint16_t));
            continue;
        }
        CopyKeyedRow(d, s, rowPixels);
    }
    return true;
}

void Surface::Restore(const Surface& src) {
    if (restoredFrom == src.content && !drawn.All()) {
        drawn.ForEachArea([this, &src](const PixelRect& area) {
            for (int y = area.y; y < area.y + area.h; ++y) {
                const size_t offset = static_cast<size_t>(y) * width + area.x;
                std::memcpy(pixels.data() + offset, src.pixels.data() + offset,
                            static_cast<size_t>(area.w) * sizeof(uint16_t));
            }
        });
    } else {
        std::memcpy(pixels.data(), src.pixels.data(), pixels.size() * sizeof(uint16_t));
    }
    content = NextContent();
    restoredFrom = src.content;
    drawn.Clear();
}

bool Surface::BltStretchKeyed(const Rect& dst, const Surface& src) {
    if (!Inside(dst, width, height) || src.width == 0 || src.height == 0) return false;
    NoteDrawn(&dst);
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
    NoteDrawn(&r);
    const uint16_t p = ToRgb565(color);
    for (int y = top; y < bottom; ++y) {
        uint16_t* row = pixels.data() + static_cast<size_t>(y) * width;
        std::fill(row + left, row + right, p);
    }
}

void Surface::FadeTowards(ColorRef towards, int keepPercent) {
    NoteDrawn(nullptr);
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
    NoteDrawn(nullptr);
    std::fill(pixels.begin(), pixels.end(), 0);
}

void Surface::NoteSourceRedrawn(const Surface& source, uint64_t before, const Rect& area) {
    if (restoredFrom != before || before == 0 || drawn.All()) return;
    restoredFrom = source.content;
    drawn.Add(area);
}

bool Surface::SwapPixels(Surface& other) {
    if (other.width != width || other.height != height) return false;
    pixels.swap(other.pixels);
    std::swap(restoredFrom, other.restoredFrom);
    std::swap(drawn, other.drawn);
    content = NextContent();
    other.content = NextContent();
    return true;
}

}  // namespace zolvex
