// PNG files of the game's pictures: 8-bit RGB, not interlaced.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zolvex {

// The bytes of the PNG file of a width x height picture given as rows of RGB
// triples, top row first; nullopt when it cannot be encoded.
std::optional<std::vector<uint8_t>> EncodePngRgb(const std::vector<uint8_t>& rgb, int width,
                                                 int height);

}  // namespace zolvex
