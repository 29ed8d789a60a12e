// Lettering for the pictures: text rendered to coverage masks with fixed DejaVu faces, so the
// output does not depend on which other fonts are installed.
#pragma once

#include <optional>
#include <string>

#include "Image.h"

namespace zolvex {

inline constexpr const char* kSansBoldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
inline constexpr const char* kSansFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* kMonoFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

class Lettering {
public:
    // Starts the font renderer; false (with one line on standard error) when it cannot.
    static bool Init();
    static void Quit();

    // Coverage of `text` in the face at `fontPath` and pixel size `size`, thickened by
    // `outline` pixels on every side (the text itself then starts at (outline, outline)).
    // Empty when the face cannot be opened; the reason goes to standard error.
    static std::optional<Mask> Render(const std::string& fontPath, int size,
                                      const std::string& text, int outline = 0);
    // Advance width in pixels of `text` in that face and size; 0 when it cannot be measured.
    static int Width(const std::string& fontPath, int size, const std::string& text);
};

}  // namespace zolvex
