#include "formats/FlacStream.h"

#include <algorithm>
#include <cstring>

namespace zolvex {

namespace {

constexpr uint8_t kStreamInfoBlock = 0;
constexpr uint8_t kCommentBlock = 4;
constexpr uint8_t kInvalidBlock = 127;
constexpr size_t kStreamInfoBytes = 34;

uint32_t Be24(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}

// Sample rate (20 bits), channels - 1 (3), bits per sample - 1 (5) and the length in
// frames (36), from byte 10 of the stream information block.
std::string StreamInfoProblem(const uint8_t* block, VorbisStreamInfo& info) {
    const uint8_t* p = block + 10;
    info.sampleRate = static_cast<uint32_t>(p[0]) << 12 | static_cast<uint32_t>(p[1]) << 4 |
                      static_cast<uint32_t>(p[2]) >> 4;
    info.channels = ((p[2] >> 1) & 0x07) + 1;
    info.frames = uint64_t{p[3] & 0x0FU} << 32 | uint64_t{p[4]} << 24 | uint64_t{p[5]} << 16 |
                  uint64_t{p[6]} << 8 | p[7];
    if (info.sampleRate == 0) return "no sample rate";
    if (info.frames == 0) return "its length is not known";
    return {};
}

}  // namespace

std::vector<uint8_t> ReadFlacHead(std::FILE* file) {
    std::vector<uint8_t> head;
    // Appends up to `count` bytes of the file; false at its end.
    auto take = [&](size_t count) {
        const size_t at = head.size();
        head.resize(at + count);
        const size_t got = std::fread(head.data() + at, 1, count, file);
        head.resize(at + got);
        return got == count;
    };
    if (!take(4) || std::memcmp(head.data(), "fLaC", 4) != 0) return head;
    size_t kept = 0;
    for (bool last = false; !last;) {
        if (!take(4)) return head;
        const uint8_t* header = head.data() + head.size() - 4;
        last = (header[0] & 0x80) != 0;
        const uint8_t type = header[0] & 0x7F;
        const size_t length = Be24(header + 1);
        if (type != kStreamInfoBlock && type != kCommentBlock) {
            // Nothing in it is read: it is kept as an empty block of its type.
            if (std::fseek(file, static_cast<long>(length), SEEK_CUR) != 0) return head;
            std::fill_n(head.end() - 3, 3, uint8_t{0});
            continue;
        }
        kept += length;
        if (kept > kMaxVorbisCommentBytes + kStreamInfoBytes || !take(length)) return head;
    }
    take(2);
    return head;
}

std::string ReadFlacStream(const uint8_t* bytes, size_t size, VorbisStreamInfo& info) {
    info = VorbisStreamInfo();
    if (size > kMaxFlacFileBytes) {
        return "file too large for a tune (expected at most " +
               std::to_string(kMaxFlacFileBytes >> 20) + " MiB)";
    }
    if (size < 4 || std::memcmp(bytes, "fLaC", 4) != 0) return "not a FLAC file";
    size_t at = 4;
    bool last = false;
    bool comments = false;
    for (int index = 0; !last; ++index) {
        if (size - at < 4) return "cut short (no audio after the metadata)";
        last = (bytes[at] & 0x80) != 0;
        const uint8_t type = bytes[at] & 0x7F;
        const size_t length = Be24(bytes + at + 1);
        at += 4;
        if (length > size - at) return "cut short (a metadata block is cut off)";
        const uint8_t* block = bytes + at;
        if (type == kInvalidBlock) return "damaged metadata";
        if ((index == 0) != (type == kStreamInfoBlock)) {
            return "damaged metadata (the stream information block is not the first)";
        }
        if (type == kStreamInfoBlock) {
            if (length != kStreamInfoBytes) return "damaged stream information block";
            std::string problem = StreamInfoProblem(block, info);
            if (!problem.empty()) return problem;
        } else if (type == kCommentBlock) {
            if (comments) return "more than one comment block";
            if (length > kMaxVorbisCommentBytes) {
                return "comment block too large (expected at most " +
                       std::to_string(kMaxVorbisCommentBytes >> 10) + " KiB)";
            }
            size_t used = 0;
            std::string problem = ReadVorbisComments(block, length, used, info);
            if (!problem.empty()) return problem;
            comments = true;
        }
        at += length;
    }
    // Every frame starts with the 14-bit sync code and a zero bit.
    if (size - at < 2 || bytes[at] != 0xFF || (bytes[at + 1] & 0xFE) != 0xF8) {
        return "no audio after the metadata";
    }
    return {};
}

}  // namespace zolvex
