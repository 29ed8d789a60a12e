// Lettering for the pictures: text rendered to coverage masks with fixed DejaVu faces, found
// through fontconfig, so the output does not depend on which other fonts are installed.
#pragma once

#include <optional>
#include <string>

#include "Image.h"

namespace zolvex {

// The faces the pictures are lettered in.
enum class Face {
    kSansBold,  // DejaVu Sans Bold: tile digits and the logo
    kSans,      // DejaVu Sans: the screens' texts on the contact sheet
    kMono,      // DejaVu Sans Mono: the ranking table's fixed-pitch columns
};

class Lettering {
public:
    // Starts the font renderer and finds every face; false (with one line on standard error,
    // naming the missing family) when it cannot.
    static bool Init();
    static void Quit();

    // Coverage of `text` in `face` at pixel size `size`, thickened by `outline` pixels on every
    // side (the text itself then starts at (outline, outline)). Empty when the face cannot be
    // opened; the reason goes to standard error.
    static std::optional<Mask> Render(Face face, int size, const std::string& text,
                                      int outline = 0);
    // Advance width in pixels of `text` in that face and size; 0 when it cannot be measured.
    static int Width(Face face, int size, const std::string& text);
};

}  // namespace zolvex
