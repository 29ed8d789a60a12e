#include "display/Bitmap.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "core/Paths.h"

namespace zolvex {

namespace {

// No picture the game could use comes near this; it keeps a stray file from
// being read into memory whole.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;
constexpr size_t kFileHeaderSize = 14;

// A picture read from its file: decoded, or why it could not be.
struct PictureRead {
    std::optional<Bitmap> bitmap;
    std::string why;
};

// The pictures read ahead and not yet taken, by native path.
std::mutex readAheadLock;
std::map<std::string, PictureRead> readAhead;

PictureRead ReadPicture(const std::string& path) {
    auto report = [](const std::string& why) { return PictureRead{std::nullopt, why}; };
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return report(std::string(std::strerror(errno)) + " (expected a Windows BMP file)");
    }
    std::vector<uint8_t> bytes;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return report("cannot read the file");
    }
    if (length > kMaxFileBytes) {
        std::fclose(file);
        return report("file of " + std::to_string(length) + " bytes is too large for a picture");
    }
    bytes.resize(static_cast<size_t>(length));
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != bytes.size()) return report("cannot read the file");
    std::string why;
    std::optional<Bitmap> bitmap = DecodeBitmap(bytes.data(), bytes.size(), &why);
    if (!bitmap) return report(why);
    return PictureRead{std::move(bitmap), {}};
}

}  // namespace

void ReadPicturesAhead(const std::vector<std::string>& gamePaths) {
    for (const std::string& gamePath : gamePaths) {
        const std::string path = NativePath(gamePath);
        PictureRead read = ReadPicture(path);
        const std::lock_guard<std::mutex> hold(readAheadLock);
        readAhead.insert_or_assign(path, std::move(read));
    }
}

std::optional<Bitmap> LoadBitmapFile(const std::string& gamePath, std::string* failure) {
    const std::string path = NativePath(gamePath);
    std::optional<PictureRead> ahead;
    {
        const std::lock_guard<std::mutex> hold(readAheadLock);
        if (auto it = readAhead.find(path); it != readAhead.end()) {
            ahead = std::move(it->second);
            readAhead.erase(it);
        }
    }
    PictureRead read = ahead ? std::move(*ahead) : ReadPicture(path);
    if (read.bitmap) return std::move(read.bitmap);
    const std::string line = "cannot load picture " + path + ": " + read.why;
    std::fprintf(stderr, "zolvex: %s\n", line.c_str());
    if (failure != nullptr) *failure = line;
    return std::nullopt;
}

void CopyBitmapToSurface(const Bitmap& bitmap, int srcX, int srcY, Surface& surface, int dstX,
                         int dstY, int width, int height) {
    // Clip the area against the bitmap and the surface in 64 bits so that no
    // offset can overflow.
    int64_t x0 = 0, y0 = 0, x1 = width, y1 = height;
    x0 = std::max({x0, -int64_t{srcX}, -int64_t{dstX}});
    y0 = std::max({y0, -int64_t{srcY}, -int64_t{dstY}});
    x1 = std::min({x1, int64_t{bitmap.width} - srcX, int64_t{surface.Width()} - dstX});
    y1 = std::min({y1, int64_t{bitmap.height} - srcY, int64_t{surface.Height()} - dstY});
    if (x0 >= x1 || y0 >= y1) return;
    uint16_t* pixels =
        surface.PixelsToDraw(Rect{static_cast<int>(dstX + x0), static_cast<int>(dstY + y0),
                                  static_cast<int>(dstX + x1), static_cast<int>(dstY + y1)});
    for (int64_t j = y0; j < y1; ++j) {
        const uint8_t* s = bitmap.rgb.data() + ((srcY + j) * bitmap.width + srcX + x0) * 3;
        uint16_t* d = pixels + (dstY + j) * surface.Width() + dstX + x0;
        for (int64_t i = x0; i < x1; ++i, s += 3) {
            *d++ = ToRgb565(s[0] | (s[1] << 8) | (s[2] << 16));
        }
    }
}

bool LoadBitmapSurface(std::unique_ptr<Surface>& surface, StartMode mode, const Bitmap& bitmap,
                       int srcX, int srcY, int width, int height) {
    if (mode == StartMode::Create) {
        if (width <= 0 || height <= 0) return false;
        surface = std::make_unique<Surface>(width, height);
    } else if (surface == nullptr) {
        return false;
    }
    CopyBitmapToSurface(bitmap, srcX, srcY, *surface, 0, 0, width, height);
    return true;
}

bool SaveSurfaceAsBmp(const Surface& s, const std::string& path) {
    const uint32_t stride = (static_cast<uint32_t>(s.Width()) * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * static_cast<uint32_t>(s.Height());
    std::vector<uint8_t> out(kFileHeaderSize + 40 + imageSize, 0);
    auto put16 = [&](size_t at, uint32_t v) {
        out[at] = v & 0xFF;
        out[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, kFileHeaderSize + 40);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(s.Width()));
    put32(22, static_cast<uint32_t>(s.Height()));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    put32(38, 2835);  // 72 dots per inch
    put32(42, 2835);
    for (int y = 0; y < s.Height(); ++y) {
        uint8_t* row = out.data() + kFileHeaderSize + 40 +
                       size_t{stride} * static_cast<size_t>(s.Height() - 1 - y);
        for (int x = 0; x < s.Width(); ++x) {
            const uint16_t p = s.Pixel(x, y);
            const size_t at = static_cast<size_t>(x) * 3;
            const uint8_t r5 = p >> 11, g6 = (p >> 5) & 0x3F, b5 = p & 0x1F;
            row[at] = static_cast<uint8_t>((b5 << 3) | (b5 >> 2));
            row[at + 1] = static_cast<uint8_t>((g6 << 2) | (g6 >> 4));
            row[at + 2] = static_cast<uint8_t>((r5 << 3) | (r5 >> 2));
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(out.data(), 1, out.size(), file) == out.size();
    if (file != nullptr && std::fclose(file) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "zolvex: cannot write picture %s\n", path.c_str());
    return ok;
}

}  // namespace zolvex
