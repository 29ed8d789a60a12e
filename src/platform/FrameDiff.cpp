#include "platform/FrameDiff.h"

#include <algorithm>
#include <cstring>

namespace zolvex {
namespace {

constexpr int kTile = 16;

}  // namespace

std::vector<PixelRect> ChangedAreas(const uint16_t* shown, const uint16_t* next, int width,
                                    int height, size_t maxRects) {
    std::vector<PixelRect> rects;
    if (width <= 0 || height <= 0) return rects;
    const int columns = (width + kTile - 1) / kTile;
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint16_t);
    std::vector<char> dirty(static_cast<size_t>(columns));
    // Rectangles still open at the bottom (they reach the tile row above this one).
    std::vector<size_t> open;
    for (int top = 0; top < height; top += kTile) {
        const int bottom = std::min(height, top + kTile);
        std::fill(dirty.begin(), dirty.end(), 0);
        bool any = false;
        for (int y = top; y < bottom; ++y) {
            const uint16_t* a = shown + static_cast<size_t>(y) * width;
            const uint16_t* b = next + static_cast<size_t>(y) * width;
            if (std::memcmp(a, b, rowBytes) == 0) continue;
            for (int c = 0; c < columns; ++c) {
                if (dirty[c] != 0) continue;
                const int x = c * kTile;
                const int n = std::min(kTile, width - x);
                if (std::memcmp(a + x, b + x, static_cast<size_t>(n) * sizeof(uint16_t)) != 0) {
                    dirty[c] = 1;
                    any = true;
                }
            }
        }
        std::vector<size_t> stillOpen;
        if (any) {
            for (int c = 0; c < columns;) {
                if (dirty[c] == 0) {
                    ++c;
                    continue;
                }
                // A run of dirty tiles; a single clean tile between two dirty ones is
                // taken in, as two rectangles cost more than one a little wider.
                int end = c + 1;
                while (end < columns &&
                       (dirty[end] != 0 || (end + 1 < columns && dirty[end + 1] != 0))) {
                    ++end;
                }
                const int x = c * kTile;
                const int w = std::min(width, end * kTile) - x;
                auto same = std::find_if(open.begin(), open.end(), [&](size_t i) {
                    return rects[i].x == x && rects[i].w == w;
                });
                if (same != open.end()) {
                    rects[*same].h = bottom - rects[*same].y;
                    stillOpen.push_back(*same);
                } else {
                    stillOpen.push_back(rects.size());
                    rects.push_back({x, top, w, bottom - top});
                }
                c = end;
            }
        }
        open = std::move(stillOpen);
    }
    if (rects.size() > maxRects) {
        PixelRect all = rects.front();
        for (const PixelRect& r : rects) {
            const int right = std::max(all.x + all.w, r.x + r.w);
            const int lower = std::max(all.y + all.h, r.y + r.h);
            all.x = std::min(all.x, r.x);
            all.y = std::min(all.y, r.y);
            all.w = right - all.x;
            all.h = lower - all.y;
        }
        rects.assign(1, all);
    }
    return rects;
}

}  // namespace zolvex
