// The font rasteriser of the web build, and of the simulator's frames the web build
// is checked against: stb_truetype draws DejaVu faces read from one folder, with no
// font configuration and no FreeType. Lines are laid out as the desktop's rasteriser
// lays them (line height, baseline, advances and kerning), so texts stand where they
// stand on the desktop; the glyphs themselves are unhinted.
#pragma once

#include <memory>
#include <string>

#include "platform/FontRasterizer.h"

namespace zolvex {

// The folder the Debian package fonts-dejavu-core installs the faces in.
constexpr const char* kDejaVuFolder = "/usr/share/fonts/truetype/dejavu";

// A rasteriser of the DejaVu files in `fontFolder` (DejaVuSans.ttf, DejaVuSans-Bold.ttf,
// DejaVuSansMono.ttf, DejaVuSansMono-Bold.ttf; DejaVuSans-ExtraLight.ttf if there).
// FindFace answers "DejaVu Sans", "sans-serif", "DejaVu Sans Mono" and "monospace"
// (and, without `exactFamily`, any other family with the face of that pitch) with the
// file of the nearest weight, as fontconfig chooses among the same files. A missing
// file is said once on standard error; the nearest weight the folder holds stands in,
// and with none, the face is not found. Files are read whole when opened and trusted
// past their table directory: they come with the game or with the system.
std::unique_ptr<FontRasterizer> CreateStbFontRasterizer(const std::string& fontFolder);

}  // namespace zolvex
