// PNG files for the desktop icons: 8-bit RGBA, not interlaced, zlib-compressed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

namespace zolvex {

// The bytes of the PNG file of `picture`; the same picture always gives the same bytes.
std::vector<uint8_t> EncodePng(const RgbaPicture& picture);
// Writes that file; false, with one line on standard error, when it cannot.
bool WritePng(const std::string& path, const RgbaPicture& picture);

}  // namespace zolvex
