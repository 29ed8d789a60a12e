#include "platform/FrameDiff.h"

#include <algorithm>
#include <cstring>

namespace zolvex {
namespace {

constexpr int kTile = 16;

PixelRect Union(const PixelRect& a, const PixelRect& b) {
    const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int right = std::max(a.x + a.w, b.x + b.w), bottom = std::max(a.y + a.h, b.y + b.h);
    return {left, top, right - left, bottom - top};
}

long long Area(const PixelRect& r) {
    return static_cast<long long>(r.w) * r.h;
}

// One tile's row of `n` pixels compared in place: a call to memcmp for 32 bytes costs
// more than the comparison itself.
bool TileRowDiffers(const uint16_t* a, const uint16_t* b, int n) {
    if (n == kTile) {
        uint64_t wa[4], wb[4];
        std::memcpy(wa, a, sizeof wa);
        std::memcpy(wb, b, sizeof wb);
        return ((wa[0] ^ wb[0]) | (wa[1] ^ wb[1]) | (wa[2] ^ wb[2]) | (wa[3] ^ wb[3])) != 0;
    }
    return std::memcmp(a, b, static_cast<size_t>(n) * sizeof(uint16_t)) != 0;
}

}  // namespace

std::vector<PixelRect> ChangedAreas(const uint16_t* shown, const uint16_t* next, int width,
                                    int height, size_t maxRects,
                                    const std::vector<PixelRect>* within) {
    std::vector<PixelRect> rects;
    if (width <= 0 || height <= 0) return rects;
    rects.reserve(2 * std::max<size_t>(maxRects, 1));
    const int columns = (width + kTile - 1) / kTile;
    const int tileRows = (height + kTile - 1) / kTile;
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint16_t);
    // The tiles that may differ: all of them, or those the given rectangles touch.
    std::vector<char> examined(static_cast<size_t>(columns) * tileRows, within == nullptr ? 1 : 0);
    if (within != nullptr) {
        for (const PixelRect& r : *within) {
            const int left = std::max(r.x, 0), top = std::max(r.y, 0);
            const int right = std::min(r.x + r.w, width), bottom = std::min(r.y + r.h, height);
            if (left >= right || top >= bottom) continue;
            for (int row = top / kTile; row <= (bottom - 1) / kTile; ++row) {
                std::fill_n(examined.begin() + static_cast<ptrdiff_t>(row) * columns + left / kTile,
                            (right - 1) / kTile - left / kTile + 1, 1);
            }
        }
    }
    std::vector<char> dirty(static_cast<size_t>(columns));
    // Rectangles still open at the bottom (they reach the tile row above this one), and
    // those this row keeps open.
    std::vector<size_t> open, stillOpen;
    open.reserve(static_cast<size_t>(columns));
    stillOpen.reserve(static_cast<size_t>(columns));
    for (int top = 0; top < height; top += kTile) {
        const int bottom = std::min(height, top + kTile);
        const char* examine = examined.data() + static_cast<size_t>(top / kTile) * columns;
        std::fill(dirty.begin(), dirty.end(), 0);
        bool any = false;
        const bool someExamined = std::find(examine, examine + columns, 1) != examine + columns;
        for (int y = top; y < bottom && someExamined; ++y) {
            const uint16_t* a = shown + static_cast<size_t>(y) * width;
            const uint16_t* b = next + static_cast<size_t>(y) * width;
            if (within == nullptr && std::memcmp(a, b, rowBytes) == 0) continue;
            // Each run of examined tiles is compared in one go first: most of a row is
            // the same, and one long comparison costs far less than one per tile.
            for (int run = 0; run < columns;) {
                if (examine[run] == 0) {
                    ++run;
                    continue;
                }
                int runEnd = run + 1;
                while (runEnd < columns && examine[runEnd] != 0) ++runEnd;
                const int runX = run * kTile;
                const size_t runPixels =
                    static_cast<size_t>(std::min(width, runEnd * kTile) - runX);
                const bool same =
                    within != nullptr &&
                    std::memcmp(a + runX, b + runX, runPixels * sizeof(uint16_t)) == 0;
                for (int c = run; c < runEnd && !same; ++c) {
                    if (dirty[c] != 0) continue;
                    const int x = c * kTile;
                    const int n = std::min(kTile, width - x);
                    if (TileRowDiffers(a + x, b + x, n)) {
                        dirty[c] = 1;
                        any = true;
                    }
                }
                run = runEnd;
            }
        }
        stillOpen.clear();
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
        open.swap(stillOpen);
    }
    // Too many rectangles: the two whose union adds the least area are joined, again and
    // again, so that blocks spread over the screen cost little more than the blocks.
    while (rects.size() > std::max<size_t>(maxRects, 1)) {
        size_t best = 0, other = 1;
        long long bestCost = -1;
        for (size_t i = 0; i < rects.size(); ++i) {
            for (size_t j = i + 1; j < rects.size(); ++j) {
                const long long cost =
                    Area(Union(rects[i], rects[j])) - Area(rects[i]) - Area(rects[j]);
                if (bestCost < 0 || cost < bestCost) {
                    bestCost = cost;
                    best = i;
                    other = j;
                }
            }
        }
        rects[best] = Union(rects[best], rects[other]);
        rects.erase(rects.begin() + static_cast<ptrdiff_t>(other));
    }
    return rects;
}

PixelRect ChangedBounds(const uint16_t* shown, const uint16_t* next, int width, PixelRect area) {
    int left = area.x + area.w, right = area.x, top = -1, bottom = -1;
    for (int y = area.y; y < area.y + area.h; ++y) {
        const uint16_t* a = shown + static_cast<size_t>(y) * width + area.x;
        const uint16_t* b = next + static_cast<size_t>(y) * width + area.x;
        // A row the same throughout (in a tile's part beyond the change) is settled by
        // one comparison, far faster than pixel by pixel; one that differs stops early.
        if (std::memcmp(a, b, static_cast<size_t>(area.w) * sizeof(uint16_t)) == 0) continue;
        int first = 0;
        while (first < area.w && a[first] == b[first]) ++first;
        if (first == area.w) continue;
        int last = area.w - 1;
        while (a[last] == b[last]) --last;
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, area.x + first);
        right = std::max(right, area.x + last + 1);
    }
    if (top < 0) return {};
    return {left, top, right - left, bottom + 1 - top};
}

}  // namespace zolvex
