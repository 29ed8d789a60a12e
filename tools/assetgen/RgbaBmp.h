// Windows BMP files that keep transparency: the window's icon, which the game
// loads without a PNG decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

namespace zolvex {

// 32 bits per pixel with bit fields (a BITMAPV4HEADER naming the alpha mask),
// bottom-up, straight alpha.
std::vector<uint8_t> EncodeRgbaBmp(const RgbaPicture& picture);
bool WriteRgbaBmp(const std::string& path, const RgbaPicture& picture);

}  // namespace zolvex
