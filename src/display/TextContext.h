// Text drawing onto a surface, the way a scene's drawing pass holds a device
// context: a selected font, text and background colours and a background mode.
#pragma once

#include <optional>
#include <string>

#include "display/Font.h"
#include "display/Surface.h"

namespace zolvex {

class Display;

enum class BkMode { Transparent = 1, Opaque = 2 };

// One text drawn into the back buffer, kept for the simulator's dump and for tests.
struct TextRecord {
    int x = 0;
    int y = 0;
    std::string text;            // exactly the characters drawn
    ColorRef color = 0;          // text colour
    std::optional<ColorRef> bk;  // background colour when opaque, nullopt when transparent
    int fontIndex = -1;          // FontSizeIndex of the font, -1 for the stock font
    int fontFlag = -1;           // FontFaceFlag of the font, -1 for the stock font

    bool operator==(const TextRecord&) const = default;
};

class TextContext {
public:
    // A fresh context: opaque background mode, background white, text black, the stock
    // font of `fonts`.
    TextContext(Surface& target, const FontSet& fonts);
    // The same with the display's fonts; texts drawn into its back buffer are recorded
    // in the frame being composed.
    TextContext(Display& display, Surface& target);
    // Releases the context; nothing drawn is undone.
    ~TextContext() = default;
    TextContext(const TextContext&) = delete;
    TextContext& operator=(const TextContext&) = delete;

    // Selects `font` for the following texts and returns the one selected before.
    const Font* SelectFont(const Font* font);
    void SetTextColor(ColorRef c) { textColor = c; }
    void SetBkColor(ColorRef c) { bkColor = c; }
    void SetBkMode(BkMode m) { bkMode = m; }

    // Draws `count` characters of `text` (fewer if the text is shorter) with the top-left
    // corner of its cell at (x, y), clipped to the surface. In opaque mode the cell
    // (the rendered width by the font's cell height) is first filled with the
    // background colour.
    void TextOut(int x, int y, const char* text, int count);
    // Records the text as TextOut into the display's back buffer would, without drawing
    // it: for a text the back buffer already shows because the backdrop it was restored
    // from holds it.
    void NoteTextOut(int x, int y, const char* text, int count);

private:
    Surface& target;
    Display* recorder;
    const Font* font;
    ColorRef textColor = 0x000000;
    ColorRef bkColor = 0xFFFFFF;
    BkMode bkMode = BkMode::Opaque;
};

}  // namespace zolvex
