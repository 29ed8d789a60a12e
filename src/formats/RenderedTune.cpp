#include "formats/RenderedTune.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "formats/VorbisStream.h"

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

}  // namespace

std::string MidiDigest(const uint8_t* bytes, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most 4 GiB a call.
    for (size_t done = 0; done < size;) {
        const size_t chunk = std::min<size_t>(size - done, 1U << 30);
        crc = crc32(crc, bytes + done, static_cast<uInt>(chunk));
        done += chunk;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%08lx:%zu", crc & 0xFFFFFFFFUL, size);
    return text;
}

std::string RenderedTuneProblem(const uint8_t* ogg, size_t oggSize, const uint8_t* midi,
                                size_t midiSize) {
    VorbisStreamInfo info;
    std::string problem = ReadVorbisStream(ogg, oggSize, info);
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
