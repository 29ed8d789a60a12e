// The font rasteriser of both backends: fontconfig finds the faces, SDL_ttf
// (FreeType) draws them.
#pragma once

#include <memory>

#include "platform/FontRasterizer.h"

namespace zolvex {

// Starts fontconfig and SDL_ttf; null, with a line on standard error, if either
// cannot start. One at a time: deleting it gives back what it started, fontconfig's
// configuration included.
std::unique_ptr<FontRasterizer> CreateTtfFontRasterizer();

}  // namespace zolvex
