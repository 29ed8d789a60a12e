// Windows BMP pictures: decoding, loading from the bmp folder, cutting into
// surfaces, and writing a surface back out (screenshots).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/StartMode.h"
#include "display/Surface.h"

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

// Loads a picture by its game path ("bmp\\block.bmp", relative to the working
// directory). On failure prints "zolvex: cannot load picture bmp/block.bmp: <why>"
// on standard error and returns nullopt.
std::optional<Bitmap> LoadBitmapFile(const std::string& gamePath);

// One step of a scene's picture loading. Create makes a new width x height surface
// in `surface`; Restore and ViewOnly keep the existing one (false if there is none).
// Then copies the bitmap area at (srcX, srcY) to (0, 0) of the surface; the parts
// of the surface that the bitmap does not cover are left as they are (black when new).
bool LoadBitmapSurface(std::unique_ptr<Surface>& surface, StartMode mode, const Bitmap& bitmap,
                       int srcX, int srcY, int width, int height);

// Copies the bitmap area at (srcX, srcY) to (dstX, dstY) of `surface`, clipped to both.
void CopyBitmapToSurface(const Bitmap& bitmap, int srcX, int srcY, Surface& surface, int dstX,
                         int dstY, int width, int height);

// Writes a surface as a 24-bit bottom-up BMP; false (and a line on standard error)
// if the file cannot be written.
bool SaveSurfaceAsBmp(const Surface& s, const std::string& path);

}  // namespace zolvex
