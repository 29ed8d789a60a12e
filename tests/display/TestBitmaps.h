// Builds small Windows BMP files in memory for the display tests.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zolvex::test {

struct BmpLayout {
    int width = 0;
    int height = 0;  // positive; topDown writes it negated
    bool topDown = false;
    int bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> palette;                 // 0x00RRGGBB per entry
    std::optional<std::array<uint32_t, 3>> masks;  // written after the 40-byte header
    // Top row first: a palette index, a packed 16/32-bit value, or 0x00RRGGBB for 24 bits.
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> rawPixelData;  // used instead of `pixels` when not empty (run-length data)
};

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline std::vector<uint8_t> BuildBmp(const BmpLayout& s) {
    std::vector<uint8_t> data;
    if (!s.rawPixelData.empty()) {
        data = s.rawPixelData;
    } else {
        const size_t stride = (static_cast<size_t>(s.width) * s.bitsPerPixel + 31) / 32 * 4;
        for (int i = 0; i < s.height; ++i) {
            const int y = s.topDown ? i : s.height - 1 - i;
            std::vector<uint8_t> row(stride, 0);
            for (int x = 0; x < s.width; ++x) {
                const uint32_t v = s.pixels[static_cast<size_t>(y) * s.width + x];
                switch (s.bitsPerPixel) {
                    case 1:
                        row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                        break;
                    case 4:
                        row[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 ? 0 : 4));
                        break;
                    case 8:
                        row[x] = static_cast<uint8_t>(v);
                        break;
                    case 16:
                        row[2 * x] = v & 0xFF;
                        row[2 * x + 1] = (v >> 8) & 0xFF;
                        break;
                    case 24:
                        row[3 * x] = v & 0xFF;
                        row[3 * x + 1] = (v >> 8) & 0xFF;
                        row[3 * x + 2] = (v >> 16) & 0xFF;
                        break;
                    default:
                        for (int k = 0; k < 4; ++k) row[4 * x + k] = (v >> (8 * k)) & 0xFF;
                }
            }
            data.insert(data.end(), row.begin(), row.end());
        }
    }
    const uint32_t tables = (s.masks ? 12u : 0u) + static_cast<uint32_t>(s.palette.size()) * 4;
    const uint32_t offset = 14 + 40 + tables;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + static_cast<uint32_t>(data.size()));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(s.width));
    Put32(out, static_cast<uint32_t>(s.topDown ? -s.height : s.height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(s.bitsPerPixel));
    Put32(out, s.compression);
    Put32(out, static_cast<uint32_t>(data.size()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, s.colorsUsed);
    Put32(out, 0);
    if (s.masks) {
        for (uint32_t m : *s.masks) Put32(out, m);
    }
    for (uint32_t c : s.palette) Put32(out, c);  // stored blue, green, red, 0
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A 24-bit picture whose pixels are given top row first as 0x00RRGGBB.
inline std::vector<uint8_t> Bmp24(int width, int height, const std::vector<uint32_t>& pixels) {
    BmpLayout s;
    s.width = width;
    s.height = height;
    s.pixels = pixels;
    return BuildBmp(s);
}

// A 24-bit picture of one colour.
inline std::vector<uint8_t> SolidBmp24(int width, int height, uint32_t rgb) {
    return Bmp24(width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, rgb));
}

}  // namespace zolvex::test
