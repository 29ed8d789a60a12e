// The font rasteriser of both backends: fontconfig finds the faces, SDL_ttf
// (FreeType) draws them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/FontRasterizer.h"

namespace zolvex {

// Starts fontconfig and SDL_ttf; null, with a line on standard error, if either
// cannot start. One at a time: deleting it gives back what it started, fontconfig's
// configuration included.
std::unique_ptr<FontRasterizer> CreateTtfFontRasterizer();

// Draws the lines of a message to the player, in any script.
class MessageTextRasterizer {
public:
    virtual ~MessageTextRasterizer() = default;
    // `utf8` as one line at `pixelsPerEm`, in the installed scalable face nearest the
    // game's variable-pitch face that has every character of it, or in the nearest
    // face itself when none has (its missing-glyph boxes then stand for the rest);
    // nothing if no face can draw it.
    virtual std::optional<TextCoverage> Render(const std::string& utf8, int pixelsPerEm) = 0;
};

// Starts fontconfig and SDL_ttf as CreateTtfFontRasterizer does, and under the same
// rule: one rasteriser of either kind at a time. Null, with a line on standard error,
// if either cannot start.
std::unique_ptr<MessageTextRasterizer> CreateMessageTextRasterizer();

}  // namespace zolvex
