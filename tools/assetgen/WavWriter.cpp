#include "WavWriter.h"

#include <algorithm>
#include <cmath>

#include "ByteWriter.h"

namespace zolvex {

std::vector<uint8_t> EncodeWav(const Sound& sound) {
    const uint32_t dataBytes = static_cast<uint32_t>(sound.samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
    };
    auto put16 = [&](uint32_t v) { AppendLe16(out, v); };
    auto put32 = [&](uint32_t v) { AppendLe32(out, v); };
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
    return WriteFileBytes(path, EncodeWav(sound), "wave file");
}

}  // namespace zolvex
