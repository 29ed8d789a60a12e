// The installed faces and the rasteriser that draws text in them. Both backends
// draw text through the same rasteriser, so headless frames hold the pixels a
// player sees.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zolvex {

// An installed scalable face: its file and the face's index inside that file.
struct FaceFile {
    std::string path;
    int index = 0;
};

// Text as the rasteriser draws it: coverage from 0 (background) to 255 (full ink),
// row-major, `width` x `height`.
struct TextCoverage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;
};

// One face opened at one size. Deleted before the rasteriser that opened it.
class RasterFont {
public:
    virtual ~RasterFont() = default;
    // Changes the size to `pixelsPerEm`; false if the face cannot take that size.
    virtual bool SetPixelSize(int pixelsPerEm) = 0;
    // The height of a line of text at the current size, in pixels.
    virtual int LineHeight() const = 0;
    // `text` (Latin-1, so ASCII as is) drawn at the current size, one line high, with
    // rows added below for a glyph that reaches past the line's bottom and above (the
    // line then starts lower) for one that reaches past its top; nothing if it cannot
    // be drawn.
    virtual std::optional<TextCoverage> Render(const std::string& text) const = 0;
};

class FontRasterizer {
public:
    virtual ~FontRasterizer() = default;
    // The installed upright scalable face of `family` (a name or a generic such as
    // "sans-serif") closest to `weight` (100 thin to 900 black), fixed-pitch if asked;
    // with `exactFamily`, a substitute from another family counts as not found.
    virtual std::optional<FaceFile> FindFace(const std::string& family, bool fixedPitch, int weight,
                                             bool exactFamily) = 0;
    // `face` opened at `pixelsPerEm`; null, with a line on standard error naming the
    // file, if it cannot be opened.
    virtual std::unique_ptr<RasterFont> OpenFont(const FaceFile& face, int pixelsPerEm) = 0;
};

}  // namespace zolvex
