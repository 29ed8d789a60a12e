#include "ByteWriter.h"

#include <cstdio>

namespace zolvex {

void AppendLe16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void AppendLe32(std::vector<uint8_t>& out, uint32_t value) {
    AppendLe16(out, value & 0xFFFF);
    AppendLe16(out, value >> 16);
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, const char* kind) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "zolvex-assetgen: cannot write %s: expected a writable %s\n",
                     path.c_str(), kind);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "zolvex-assetgen: writing %s failed: the disk may be full\n",
                     path.c_str());
    return ok;
}

}  // namespace zolvex
