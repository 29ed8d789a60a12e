// 16-bit (RGB565) pixel surfaces: the back buffer, the shared pictures and every
// scene's off-screen pictures, with the copies and fills the scenes draw with.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/FrameScaler.h"

namespace zolvex {

// A Windows colour reference, 0x00BBGGRR: 0x000000FF is red, 0x00FF0000 blue.
// The top byte is ignored.
using ColorRef = uint32_t;

// The RGB565 pixel of a colour reference, each channel cut to its top 5/6/5 bits.
uint16_t ToRgb565(ColorRef c);

// A rectangle in pixels; right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Which 16 x 16 tiles of a surface have been drawn on: a set of tiles, or all of them.
class DrawnTiles {
public:
    static constexpr int kTile = 16;

    // None of a width x height surface's tiles.
    DrawnTiles(int width, int height);
    // Adds the tiles `r` touches inside the surface.
    void Add(const Rect& r);
    void AddAll() { all_ = true; }
    void Add(const DrawnTiles& other);
    void Clear();
    bool All() const { return all_; }
    bool Empty() const { return !all_ && count_ == 0; }
    // The tiles as rectangles in pixels, clipped to the surface: one per run of drawn
    // tiles in a row of tiles.
    std::vector<PixelRect> Areas() const;
    // The same rectangles handed to `visit` one by one, for the frame's own paths,
    // which run on every fall tick and need no list of them.
    template <class Visit>
    void ForEachArea(Visit&& visit) const;

private:
    int width_, height_, columns_, rows_;
    bool all_ = false;
    size_t count_ = 0;
    std::vector<uint8_t> tiles_;
};

template <class Visit>
void DrawnTiles::ForEachArea(Visit&& visit) const {
    if (all_) {
        if (width_ > 0 && height_ > 0) visit(PixelRect{0, 0, width_, height_});
        return;
    }
    if (count_ == 0) return;
    for (int row = 0; row < rows_; ++row) {
        const uint8_t* tiles = tiles_.data() + static_cast<size_t>(row) * columns_;
        for (int column = 0; column < columns_;) {
            if (tiles[column] == 0) {
                ++column;
                continue;
            }
            int end = column + 1;
            while (end < columns_ && tiles[end] != 0) ++end;
            const int x = column * kTile, y = row * kTile;
            visit(PixelRect{x, y, std::min(width_, end * kTile) - x,
                            std::min(height_, y + kTile) - y});
            column = end;
        }
    }
}

class Surface {
public:
    // A width x height surface, all black, without a colour key. Sizes below 1 count as 0.
    Surface(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    // Row-major pixels, top row first; the pitch equals the width. Writing through
    // them counts as drawing on the whole surface; code that draws inside a known
    // area asks for PixelsToDraw(area) instead.
    uint16_t* Pixels() {
        NoteDrawn(nullptr);
        return pixels.data();
    }
    uint16_t* PixelsToDraw(const Rect& area) {
        NoteDrawn(&area);
        return pixels.data();
    }
    const uint16_t* Pixels() const { return pixels.data(); }
    uint16_t Pixel(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    // Makes black the source colour key: keyed copies from this surface leave its
    // black pixels out. A surface without a key is copied whole even by keyed copies.
    void SetColorKeyBlack() { keyBlack = true; }
    bool HasColorKey() const { return keyBlack; }

    // Unclipped fast copy of `src` (or of `srcRect` of it) to (x, y). Refuses (returns
    // false, draws nothing) unless the rectangle lies wholly inside both surfaces.
    // useKey: leave out the source's key colour. A plain copy of the whole of a surface
    // of the same size restores this one from it: when this one was last restored from
    // the same, unchanged surface, only the tiles drawn on since are copied.
    bool BltFast(int x, int y, const Surface& src, const Rect* srcRect, bool useKey);
    // Stretches the whole of `src` into `dst` (nearest neighbour), leaving out the
    // source's key colour. Refuses a `dst` that is empty or not wholly inside this surface.
    bool BltStretchKeyed(const Rect& dst, const Surface& src);
    // Mixes every pixel but black with `towards`, keeping `keepPercent` (0-100) of its own
    // colour. Black stays black and no other pixel becomes black, so a keyed picture keeps
    // exactly its transparent pixels.
    void FadeTowards(ColorRef towards, int keepPercent);
    // Fills the part of `r` that lies inside the surface.
    void Fill(const Rect& r, ColorRef color);
    void FillBlack();
    // Exchanges the pixels of two surfaces of the same size, without copying them; each
    // keeps its own colour key. False (nothing exchanged) when the sizes differ.
    bool SwapPixels(Surface& other);

    // The surface this one was last restored from, as it was then (0 when none, or
    // when the surface has been drawn on whole since), and the tiles drawn on since:
    // outside them this surface holds exactly that surface's pixels.
    uint64_t RestoredFrom() const { return drawn.All() ? 0 : restoredFrom; }
    const DrawnTiles& DrawnSinceRestored() const { return drawn; }
    // This surface's content as it is now, in the numbering RestoredFrom uses.
    uint64_t Content() const { return content; }
    // `source` has been drawn on inside `area` only since it was `before`: a surface
    // restored from it as it was then now counts as restored from it as it is, with
    // `area` among the tiles drawn on since. Its pixels are left as they are.
    void NoteSourceRedrawn(const Surface& source, uint64_t before, const Rect& area);

private:
    // One count for every surface and every change of one, so that a surface's content
    // is named by a number no other surface or other content of it ever had.
    static uint64_t NextContent();
    void NoteDrawn(const Rect* area);
    void Restore(const Surface& src);

    int width;
    int height;
    bool keyBlack = false;
    std::vector<uint16_t> pixels;
    uint64_t content = NextContent();
    uint64_t restoredFrom = 0;
    DrawnTiles drawn;
};

}  // namespace zolvex
