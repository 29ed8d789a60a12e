// Pictures on surfaces: loading from the bmp folder, cutting into surfaces, and
// writing a surface back out (screenshots).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/StartMode.h"
#include "display/Surface.h"
#include "formats/BitmapFormat.h"

namespace zolvex {

// Loads a picture by its game path ("bmp\\block.bmp", relative to the working
// directory). On failure prints "zolvex: cannot load picture bmp/block.bmp: <why>"
// on standard error, keeps that line without "zolvex: " in `failure` when given,
// and returns nullopt.
std::optional<Bitmap> LoadBitmapFile(const std::string& gamePath, std::string* failure = nullptr);

// Reads and decodes the pictures at `gamePaths` now, on the calling thread, for the
// next LoadBitmapFile of each path to take instead of reading its file (once; a later
// load reads the file again). A picture that cannot be read is reported when it is
// taken, exactly as LoadBitmapFile reports it. Safe to run beside LoadBitmapFile.
void ReadPicturesAhead(const std::vector<std::string>& gamePaths);

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
