#include "formats/RenderedTune.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>

#include "formats/VorbisStream.h"
#include "formats/WavTune.h"

namespace zolvex {

namespace {

// A frame count written in decimal digits alone, as the tune renderer writes it.
std::optional<uint64_t> FrameCount(const std::optional<std::string>& text) {
    if (!text || text->empty()) return std::nullopt;
    uint64_t value = 0;
    const char* end = text->data() + text->size();
    auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// The CRC-32 of zlib and PNG (reflected polynomial 0xEDB88320), computed here so that
// builds without zlib (the browser's) name a MIDI file by the same digest.
uint32_t Crc32(const uint8_t* bytes, size_t size) {
    static const std::array<uint32_t, 256> kTable = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1U) : c >> 1U;
            entries[n] = c;
        }
        return entries;
    }();
    uint32_t crc = 0xFFFFFFFFU;
    for (size_t i = 0; i < size; ++i) crc = kTable[(crc ^ bytes[i]) & 0xFFU] ^ (crc >> 8U);
    return crc ^ 0xFFFFFFFFU;
}

}  // namespace

std::string MidiDigest(const uint8_t* bytes, size_t size) {
    char text[40];
    std::snprintf(text, sizeof text, "%08x:%zu", static_cast<unsigned>(Crc32(bytes, size)), size);
    return text;
}

std::string RenderedTuneProblem(const uint8_t* tune, size_t tuneSize, const uint8_t* midi,
                                size_t midiSize, uint64_t fileSize) {
    VorbisStreamInfo info;
    const bool wav = tuneSize >= 4 && std::memcmp(tune, "RIFF", 4) == 0;
    std::string problem =
        wav ? ReadWavTune(tune, tuneSize, fileSize, info) : ReadVorbisStream(tune, tuneSize, info);
    if (!problem.empty()) return problem;
    const std::optional<std::string> digest = VorbisComment(info, kMidiDigestComment);
    if (!digest) return "it names no MIDI file (no ZOLVEX_MIDI comment)";
    if (*digest != MidiDigest(midi, midiSize)) return "it was rendered from another MIDI file";
    const std::optional<uint64_t> start = FrameCount(VorbisComment(info, kLoopStartComment));
    const std::optional<uint64_t> length = FrameCount(VorbisComment(info, kLoopLengthComment));
    if (!start || !length || *length == 0 || *start > info.frames ||
        *length != info.frames - *start) {
        return "its loop does not end where the stream does (LOOPSTART, LOOPLENGTH)";
    }
    return {};
}

}  // namespace zolvex
