// 16-bit (RGB565) pixel surfaces: the back buffer, the shared pictures and every
// scene's off-screen pictures, with the copies and fills the scenes draw with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

class Surface {
public:
    // A width x height surface, all black, without a colour key. Sizes below 1 count as 0.
    Surface(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    // Row-major pixels, top row first; the pitch equals the width.
    uint16_t* Pixels() { return pixels.data(); }
    const uint16_t* Pixels() const { return pixels.data(); }
    uint16_t Pixel(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    // Makes black the source colour key: keyed copies from this surface leave its
    // black pixels out. A surface without a key is copied whole even by keyed copies.
    void SetColorKeyBlack() { keyBlack = true; }
    bool HasColorKey() const { return keyBlack; }

    // Unclipped fast copy of `src` (or of `srcRect` of it) to (x, y). Refuses (returns
    // false, draws nothing) unless the rectangle lies wholly inside both surfaces.
    // useKey: leave out the source's key colour.
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

private:
    int width;
    int height;
    bool keyBlack = false;
    std::vector<uint16_t> pixels;
};

}  // namespace zolvex
