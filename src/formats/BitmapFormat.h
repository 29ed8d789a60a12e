// Windows BMP pictures decoded from the bytes of a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zolvex {

// The largest picture accepted, per side and in all; larger declarations are
// refused before anything is allocated.
constexpr int kMaxBitmapSide = 8192;
constexpr int64_t kMaxBitmapPixels = int64_t{4096} * 4096;

// A decoded Windows BMP, top row first, three bytes (red, green, blue) per pixel.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Decodes a whole BMP file held in memory: 1, 4 and 8 bits per pixel with a palette
// (uncompressed or run-length encoded), 16 and 32 bits (default layout or bit
// fields), 24 bits; bottom-up or top-down. On failure returns nullopt and, if
// `error` is given, says why.
std::optional<Bitmap> DecodeBitmap(const uint8_t* data, size_t size, std::string* error);

}  // namespace zolvex
