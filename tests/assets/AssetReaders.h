// Independent readers for the generated files (BMP, PNG, WAV, Standard MIDI), so the tests check
// the bytes on disk rather than the generator's own idea of them.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Files.h"

namespace zolvex::test {

inline uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
    return v;
}

inline uint32_t Be(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | b.at(at + i);
    return v;
}

struct Bitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<uint8_t> rgb;  // top row first
    const uint8_t* At(int x, int y) const { return &rgb[(y * width + x) * 3]; }
    // Black on a 5-6-5 display, where the colour key makes it transparent.
    bool KeyBlack(int x, int y) const {
        const uint8_t* p = At(x, y);
        return p[0] < 8 && p[1] < 4 && p[2] < 8;
    }
    bool Black(int x, int y) const {
        const uint8_t* p = At(x, y);
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
};

// Reads an uncompressed 24-bit BMP; nothing when the file is not one.
inline std::optional<Bitmap> ReadBmp(const std::string& path) {
    std::vector<uint8_t> b = ReadFileBytes(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
    Bitmap bmp;
    uint32_t offset = Le(b, 10, 4);
    bmp.width = static_cast<int32_t>(Le(b, 18, 4));
    int32_t h = static_cast<int32_t>(Le(b, 22, 4));
    bmp.bitsPerPixel = static_cast<int>(Le(b, 28, 2));
    if (bmp.bitsPerPixel != 24 || Le(b, 30, 4) != 0 || bmp.width <= 0 || h == 0)
        return std::nullopt;
    bmp.height = std::abs(h);
    size_t row = (static_cast<size_t>(bmp.width) * 3 + 3) & ~size_t{3};
    if (b.size() < offset + row * bmp.height) return std::nullopt;
    bmp.rgb.resize(static_cast<size_t>(bmp.width) * bmp.height * 3);
    for (int y = 0; y < bmp.height; ++y) {
        size_t src = offset + row * (h > 0 ? bmp.height - 1 - y : y);
        for (int x = 0; x < bmp.width; ++x)
            for (int c = 0; c < 3; ++c)
                bmp.rgb[(y * bmp.width + x) * 3 + c] = b[src + x * 3 + 2 - c];
    }
    return bmp;
}

struct Png {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // top row first, straight alpha
    const uint8_t* At(int x, int y) const { return &rgba[(y * width + x) * 4]; }
};

// Reads an 8-bit RGBA, non-interlaced PNG, every chunk's checksum checked; nothing when the file
// is not one.
inline std::optional<Png> ReadPng(const std::string& path) {
    const std::vector<uint8_t> b = ReadFileBytes(path);
    const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 8 || !std::equal(kSignature, kSignature + 8, b.begin())) return std::nullopt;
    Png png;
    std::vector<uint8_t> packed;
    bool rgba8 = false, ended = false;
    for (size_t at = 8; at + 12 <= b.size() && !ended;) {
        const uint32_t length = Be(b, at, 4);
        if (at + 12 + length > b.size()) return std::nullopt;
        if (crc32(0, &b[at + 4], length + 4) != Be(b, at + 8 + length, 4)) return std::nullopt;
        const std::string type(b.begin() + at + 4, b.begin() + at + 8);
        if (type == "IHDR" && length == 13) {
            png.width = static_cast<int>(Be(b, at + 8, 4));
            png.height = static_cast<int>(Be(b, at + 12, 4));
            rgba8 = b[at + 16] == 8 && b[at + 17] == 6 && b[at + 20] == 0;
        } else if (type == "IDAT") {
            packed.insert(packed.end(), b.begin() + at + 8, b.begin() + at + 8 + length);
        }
        ended = type == "IEND";
        at += 12 + length;
    }
    if (!ended || !rgba8 || png.width <= 0 || png.height <= 0) return std::nullopt;
    const size_t stride = static_cast<size_t>(png.width) * 4;
    std::vector<uint8_t> raw((stride + 1) * png.height);
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, packed.data(), packed.size()) != Z_OK ||
        rawSize != raw.size())
        return std::nullopt;
    png.rgba.resize(stride * png.height);
    for (int y = 0; y < png.height; ++y) {
        const uint8_t filter = raw[y * (stride + 1)];
        const uint8_t* in = &raw[y * (stride + 1) + 1];
        uint8_t* row = &png.rgba[y * stride];
        for (size_t i = 0; i < stride; ++i) {
            int a = i >= 4 ? row[i - 4] : 0, up = y > 0 ? row[i - stride] : 0;
            int c = i >= 4 && y > 0 ? row[i - stride - 4] : 0;
            int p = a + up - c, pa = std::abs(p - a), pb = std::abs(p - up), pc = std::abs(p - c);
            int paeth = pa <= pb && pa <= pc ? a : (pb <= pc ? up : c);
            const int predicted[5] = {0, a, up, (a + up) / 2, paeth};
            if (filter > 4) return std::nullopt;
            row[i] = static_cast<uint8_t>(in[i] + predicted[filter]);
        }
    }
    return png;
}

struct Wave {
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<int16_t> samples;
    double Seconds() const {
        return sampleRate ? static_cast<double>(samples.size()) / sampleRate : 0;
    }
};

inline std::optional<Wave> ReadWav(const std::string& path) {
    std::vector<uint8_t> b = ReadFileBytes(path);
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return std::nullopt;
    Wave w;
    bool haveFormat = false, haveData = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        std::string id(b.begin() + at, b.begin() + at + 4);
        uint32_t size = Le(b, at + 4, 4);
        if (at + 8 + size > b.size()) return std::nullopt;
        if (id == "fmt ") {
            w.format = static_cast<int>(Le(b, at + 8, 2));
            w.channels = static_cast<int>(Le(b, at + 10, 2));
            w.sampleRate = static_cast<int>(Le(b, at + 12, 4));
            w.bitsPerSample = static_cast<int>(Le(b, at + 22, 2));
            haveFormat = true;
        } else if (id == "data") {
            for (uint32_t i = 0; i + 1 < size; i += 2)
                w.samples.push_back(static_cast<int16_t>(Le(b, at + 8 + i, 2)));
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFormat || !haveData) return std::nullopt;
    return w;
}

struct MidiEvent {
    uint32_t tick = 0;
    uint8_t status = 0;  // 0xFF for meta events
    uint8_t meta = 0;
    std::vector<uint8_t> data;
};

struct Midi {
    int format = 0;
    int ticksPerQuarter = 0;
    int declaredTracks = 0;
    std::vector<std::vector<MidiEvent>> tracks;
};

// Reads a Standard MIDI file, running status included; nothing when it is malformed.
inline std::optional<Midi> ReadMidi(const std::string& path) {
    std::vector<uint8_t> b = ReadFileBytes(path);
    if (b.size() < 14 || std::string(b.begin(), b.begin() + 4) != "MThd" || Be(b, 4, 4) != 6)
        return std::nullopt;
    Midi m;
    m.format = static_cast<int>(Be(b, 8, 2));
    m.declaredTracks = static_cast<int>(Be(b, 10, 2));
    m.ticksPerQuarter = static_cast<int>(Be(b, 12, 2));
    size_t at = 14;
    while (at + 8 <= b.size()) {
        if (std::string(b.begin() + at, b.begin() + at + 4) != "MTrk") return std::nullopt;
        size_t end = at + 8 + Be(b, at + 4, 4);
        if (end > b.size()) return std::nullopt;
        size_t p = at + 8;
        auto varLen = [&]() {
            uint32_t v = 0;
            for (int i = 0; i < 4 && p < end; ++i) {
                uint8_t c = b[p++];
                v = (v << 7) | (c & 0x7F);
                if (!(c & 0x80)) break;
            }
            return v;
        };
        std::vector<MidiEvent> events;
        uint32_t tick = 0;
        uint8_t running = 0;
        while (p < end) {
            tick += varLen();
            if (p >= end) return std::nullopt;
            MidiEvent e;
            e.tick = tick;
            uint8_t first = b[p];
            if (first == 0xFF) {
                e.status = 0xFF;
                e.meta = b.at(p + 1);
                p += 2;
                uint32_t len = varLen();
                if (p + len > end) return std::nullopt;
                e.data.assign(b.begin() + p, b.begin() + p + len);
                p += len;
            } else if (first == 0xF0 || first == 0xF7) {
                ++p;
                p += varLen();
                continue;
            } else {
                if (first & 0x80) {
                    running = first;
                    ++p;
                }
                if (!running) return std::nullopt;
                e.status = running;
                int n = ((running & 0xF0) == 0xC0 || (running & 0xF0) == 0xD0) ? 1 : 2;
                if (p + n > end) return std::nullopt;
                e.data.assign(b.begin() + p, b.begin() + p + n);
                p += n;
            }
            events.push_back(e);
        }
        m.tracks.push_back(events);
        at = end;
    }
    return m;
}

// Seconds from the start to `tick`, following the file's tempo changes (120 bpm until the first).
inline double MidiSeconds(const Midi& m, uint32_t tick) {
    std::map<uint32_t, uint32_t> tempo{{0, 500000}};
    for (const auto& track : m.tracks)
        for (const MidiEvent& e : track)
            if (e.status == 0xFF && e.meta == 0x51 && e.data.size() == 3)
                tempo[e.tick] = (e.data[0] << 16) | (e.data[1] << 8) | e.data[2];
    double seconds = 0;
    for (auto it = tempo.begin(); it != tempo.end() && it->first < tick; ++it) {
        auto next = std::next(it);
        uint32_t until = (next == tempo.end() || next->first > tick) ? tick : next->first;
        seconds += static_cast<double>(until - it->first) * it->second / 1e6 / m.ticksPerQuarter;
    }
    return seconds;
}

}  // namespace zolvex::test
