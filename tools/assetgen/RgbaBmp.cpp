#include "RgbaBmp.h"

#include "ByteWriter.h"

namespace zolvex {

std::vector<uint8_t> EncodeRgbaBmp(const RgbaPicture& picture) {
    constexpr uint32_t kFileHeaderSize = 14;
    constexpr uint32_t kInfoHeaderSize = 108;  // BITMAPV4HEADER
    constexpr uint32_t kBitFields = 3;
    const auto pixelBytes = static_cast<uint32_t>(picture.width * picture.height * 4);
    std::vector<uint8_t> out;
    out.reserve(kFileHeaderSize + kInfoHeaderSize + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    AppendLe32(out, kFileHeaderSize + kInfoHeaderSize + pixelBytes);
    AppendLe32(out, 0);
    AppendLe32(out, kFileHeaderSize + kInfoHeaderSize);
    AppendLe32(out, kInfoHeaderSize);
    AppendLe32(out, static_cast<uint32_t>(picture.width));
    AppendLe32(out, static_cast<uint32_t>(picture.height));
    AppendLe16(out, 1);
    AppendLe16(out, 32);
    AppendLe32(out, kBitFields);
    AppendLe32(out, pixelBytes);
    AppendLe32(out, 2835);  // 72 dots per inch
    AppendLe32(out, 2835);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    AppendLe32(out, 0x00FF0000);          // red
    AppendLe32(out, 0x0000FF00);          // green
    AppendLe32(out, 0x000000FF);          // blue
    AppendLe32(out, 0xFF000000);          // alpha
    AppendLe32(out, 0x73524742);          // 'sRGB'
    out.resize(out.size() + 36 + 12, 0);  // end points and gamma, unused for sRGB
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.At(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    }
    return out;
}

bool WriteRgbaBmp(const std::string& path, const RgbaPicture& picture) {
    return WriteFileBytes(path, EncodeRgbaBmp(picture), "bitmap file");
}

}  // namespace zolvex
