#include "WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zolvex {

std::vector<uint8_t> EncodeWav(const Sound& sound) {
    const uint32_t dataBytes = static_cast<uint32_t>(sound.samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
    };
    auto put16 = [&](uint32_t v) {
        out.push_back(v & 0xFF);
        out.push_back((v >> 8) & 0xFF);
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    tag("RIFF");
    put32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(static_cast<uint32_t>(sound.sampleRate));
    put32(static_cast<uint32_t>(sound.sampleRate) * 2);
    put16(2);
    put16(16);
    tag("data");
    put32(dataBytes);
    for (float s : sound.samples) {
        long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        put16(static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    return out;
}

bool WriteWav(const std::string& path, const Sound& sound) {
    std::vector<uint8_t> bytes = EncodeWav(sound);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "zolvex-assetgen: cannot write %s: expected a writable wave file\n",
                     path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "zolvex-assetgen: writing %s failed\n", path.c_str());
    return ok;
}

}  // namespace zolvex
