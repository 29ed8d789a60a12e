// The game's ten fonts: a variable-pitch and a fixed-pitch face, each in five
// sizes, plus the stock font a fresh text context starts with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FontRasterizer.h"

namespace zolvex {

// One face at one cell height and weight.
class Font;

// The fonts of one run, with the cache of rendered texts they share, drawn by the
// rasteriser the set was created with. Only one set may hold fonts at a time when
// the rasteriser is the desktop's, which is process-wide.
class FontSet {
public:
    FontSet();
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // Creates the ten fonts (and the stock font) with `rasterizer`, which the set keeps
    // until Delete. False, with a line on standard error, if no face can be found or
    // opened; false also for a null rasteriser (its maker has said why). Then no font exists.
    bool Create(std::unique_ptr<FontRasterizer> rasterizer);
    // Deletes every font and the rendered-text cache.
    void Delete();

    // The font for size index 0-4 (cell height 16 + 2 * index, weight 200 + 100 *
    // index); flag != 0 picks the variable-pitch face, 0 the fixed-pitch face. Any
    // other index (a negative one counts as large) gives the variable-pitch font of
    // size index 2. Null while the fonts do not exist.
    const Font* Get(unsigned index, int flag) const;
    // The stock font of a fresh text context (a bold variable-pitch face, cell height 16).
    const Font* Stock() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The font's own size index and face flag (1 variable-pitch, 0 fixed-pitch);
// -1 for the stock font and for null.
int FontSizeIndex(const Font* font);
int FontFaceFlag(const Font* font);
// Height of the font's character cell in pixels; 0 for null.
int FontCellHeight(const Font* font);

// A text as the font draws it: coverage from 0 (background) to 255 (full ink),
// row-major, `width` x `height`.
struct RenderedText {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;
};

// The rendering of `text` in `font`, from its set's bounded cache; null if the font is
// null or the text cannot be rendered. The pointer stays valid until the next call.
const RenderedText* RenderText(const Font* font, const std::string& text);

}  // namespace zolvex
