#include "formats/BitmapFormat.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zolvex {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::optional<Bitmap> Fail(std::string* error, std::string why) {
    if (error != nullptr) *error = std::move(why);
    return std::nullopt;
}

// One colour channel of a 16- or 32-bit pixel, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t Of(uint32_t pixel) const {
        if (max == 0) return 0;
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    uint32_t compression = kBiRgb;
    std::vector<uint8_t> palette;  // red, green, blue per entry
    uint32_t masks[3] = {0, 0, 0};
    size_t pixelOffset = 0;
};

void PutPixel(Bitmap& b, int x, int row, uint8_t r, uint8_t g, uint8_t bl) {
    uint8_t* p = b.rgb.data() + (static_cast<size_t>(row) * b.width + x) * 3;
    p[0] = r;
    p[1] = g;
    p[2] = bl;
}

void PutIndex(Bitmap& b, const Layout& l, int x, int row, uint32_t index) {
    // An index past the palette's end shows black rather than reading past it.
    if (size_t{index} * 3 + 2 >= l.palette.size()) return PutPixel(b, x, row, 0, 0, 0);
    const uint8_t* c = l.palette.data() + size_t{index} * 3;
    PutPixel(b, x, row, c[0], c[1], c[2]);
}

std::optional<Bitmap> DecodeUncompressed(const uint8_t* data, size_t size, const Layout& l,
                                         std::string* error) {
    const int64_t rowBits = int64_t{l.width} * l.bitsPerPixel;
    const int64_t stride = (rowBits + 31) / 32 * 4;
    // The last row's padding is often left out by writers; it is never read.
    const int64_t need = stride * (l.height - 1) + (rowBits + 7) / 8;
    const int64_t have = static_cast<int64_t>(size - l.pixelOffset);
    if (need > have) {
        return Fail(error, "truncated pixel data (expected " + std::to_string(need) +
                               " bytes, found " + std::to_string(have) + ")");
    }
    Bitmap b;
    b.width = l.width;
    b.height = l.height;
    b.rgb.assign(static_cast<size_t>(l.width) * l.height * 3, 0);
    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    for (int i = 0; i < l.height; ++i) {
        const int row = l.topDown ? i : l.height - 1 - i;
        const uint8_t* src = data + l.pixelOffset + static_cast<size_t>(stride) * i;
        for (int x = 0; x < l.width; ++x) {
            const size_t at = static_cast<size_t>(x);
            switch (l.bitsPerPixel) {
                case 1:
                    PutIndex(b, l, x, row, (src[x >> 3] >> (7 - (x & 7))) & 1);
                    break;
                case 4:
                    PutIndex(b, l, x, row, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
                    break;
                case 8:
                    PutIndex(b, l, x, row, src[x]);
                    break;
                case 16: {
                    const uint32_t v = U16(src + 2 * at);
                    PutPixel(b, x, row, red.Of(v), green.Of(v), blue.Of(v));
                    break;
                }
                case 24:
                    PutPixel(b, x, row, src[3 * at + 2], src[3 * at + 1], src[3 * at]);
                    break;
                default: {
                    const uint32_t v = U32(src + 4 * at);
                    PutPixel(b, x, row, red.Of(v), green.Of(v), blue.Of(v));
                    break;
                }
            }
        }
    }
    return b;
}

std::optional<Bitmap> DecodeRunLength(const uint8_t* data, size_t size, const Layout& l,
                                      std::string* error) {
    Bitmap b;
    b.width = l.width;
    b.height = l.height;
    b.rgb.assign(static_cast<size_t>(l.width) * l.height * 3, 0);
    const bool four = l.compression == kBiRle4;
    size_t pos = l.pixelOffset;
    int64_t x = 0;
    int64_t y = 0;  // counted from the bottom line
    auto put = [&](uint32_t index) {
        if (x < l.width && y < l.height) {
            PutIndex(b, l, static_cast<int>(x), l.height - 1 - static_cast<int>(y), index);
        }
        ++x;
    };
    const std::string truncated = "run-length data ends before its end-of-picture mark";
    while (true) {
        if (size - pos < 2) return Fail(error, truncated);
        const uint8_t count = data[pos];
        const uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k) {
                put(four ? ((k & 1) ? value & 0xF : value >> 4) : value);
            }
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return b;
        } else if (value == 2) {
            if (size - pos < 2) return Fail(error, truncated);
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
        } else {
            const size_t bytes = four ? (value + 1u) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t{1};
            if (size - pos < padded) return Fail(error, truncated);
            for (int k = 0; k < value; ++k) {
                const uint8_t byte = data[pos + (four ? k / 2 : k)];
                put(four ? ((k & 1) ? byte & 0xF : byte >> 4) : byte);
            }
            pos += padded;
        }
    }
}

}  // namespace

std::optional<Bitmap> DecodeBitmap(const uint8_t* data, size_t size, std::string* error) {
    if (data == nullptr || size < kFileHeaderSize + 4) {
        return Fail(error, "truncated header (expected a 14-byte file header and a bitmap header)");
    }
    if (data[0] != 'B' || data[1] != 'M') {
        return Fail(error, "not a BMP file (expected the signature BM)");
    }
    const uint32_t headerSize = U32(data + kFileHeaderSize);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
        headerSize != 108 && headerSize != 124) {
        return Fail(error, "unknown bitmap header size " + std::to_string(headerSize));
    }
    if (size < kFileHeaderSize + headerSize) {
        return Fail(error, "truncated header (expected " +
                               std::to_string(kFileHeaderSize + headerSize) + " bytes, found " +
                               std::to_string(size) + ")");
    }
    const uint8_t* h = data + kFileHeaderSize;
    Layout l;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t colorsUsed = 0;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        l.bitsPerPixel = U16(h + 10);
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        l.bitsPerPixel = U16(h + 14);
        l.compression = U32(h + 16);
        colorsUsed = U32(h + 32);
    }
    if (width < 0) return Fail(error, "negative width " + std::to_string(width));
    if (width == 0 || height == 0) {
        return Fail(error, "empty picture (" + std::to_string(width) + " x " +
                               std::to_string(height) + ")");
    }
    l.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels) {
        return Fail(error, "declared size " + std::to_string(width) + " x " +
                               std::to_string(height) + " exceeds the limit of " +
                               std::to_string(kMaxBitmapSide) + " per side and " +
                               std::to_string(kMaxBitmapPixels) + " pixels");
    }
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(height);

    const int bpp = l.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        return Fail(error, "unsupported bit depth " + std::to_string(bpp) +
                               " (expected 1, 4, 8, 16, 24 or 32)");
    }
    const uint32_t c = l.compression;
    const bool bitfields = c == kBiBitfields || c == kBiAlphaBitfields;
    const bool valid = c == kBiRgb || (c == kBiRle8 && bpp == 8) || (c == kBiRle4 && bpp == 4) ||
                       (bitfields && headerSize != 64 && (bpp == 16 || bpp == 32));
    if (!valid) {
        return Fail(error, "unsupported compression " + std::to_string(c) + " at " +
                               std::to_string(bpp) + " bits per pixel");
    }
    if (l.topDown && (c == kBiRle8 || c == kBiRle4)) {
        return Fail(error, "a top-down picture cannot be run-length encoded");
    }

    size_t tablesStart = kFileHeaderSize + headerSize;
    if (bitfields) {
        if (headerSize >= 52) {
            for (size_t i = 0; i < 3; ++i) l.masks[i] = U32(h + 40 + 4 * i);
        } else {
            // A plain 40-byte header is followed by the three masks (four with alpha).
            const size_t maskBytes = c == kBiAlphaBitfields ? 16 : 12;
            if (size - tablesStart < maskBytes) {
                return Fail(error, "truncated header (expected the colour masks)");
            }
            for (size_t i = 0; i < 3; ++i) l.masks[i] = U32(data + tablesStart + 4 * i);
            tablesStart += maskBytes;
        }
    } else if (bpp == 16) {
        l.masks[0] = 0x7C00;
        l.masks[1] = 0x03E0;
        l.masks[2] = 0x001F;
    } else {
        l.masks[0] = 0xFF0000;
        l.masks[1] = 0x00FF00;
        l.masks[2] = 0x0000FF;
    }

    const size_t pixelOffset = U32(data + 10);
    if (bpp <= 8) {
        const uint32_t full = 1u << bpp;
        const size_t entries = colorsUsed == 0 ? full : std::min(colorsUsed, full);
        const size_t entrySize = core ? 3 : 4;
        const size_t paletteEnd = tablesStart + entries * entrySize;
        if (paletteEnd > size || paletteEnd > pixelOffset) {
            return Fail(error, "short palette (expected " + std::to_string(entries) +
                                   " colours before the pixel data)");
        }
        l.palette.resize(entries * 3);
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* e = data + tablesStart + i * entrySize;
            l.palette[i * 3] = e[2];
            l.palette[i * 3 + 1] = e[1];
            l.palette[i * 3 + 2] = e[0];
        }
    }
    if (pixelOffset < tablesStart || pixelOffset > size) {
        return Fail(error, "pixel data offset " + std::to_string(pixelOffset) +
                               " lies outside the file's pixel area");
    }
    l.pixelOffset = pixelOffset;
    if (c == kBiRle8 || c == kBiRle4) return DecodeRunLength(data, size, l, error);
    return DecodeUncompressed(data, size, l, error);
}

}  // namespace zolvex
