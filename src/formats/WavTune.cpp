#include "formats/WavTune.h"

#include <cstring>
#include <string_view>

#include "formats/LittleEndian.h"

namespace zolvex {

namespace {

constexpr size_t kRiffHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;
constexpr uint16_t kPcm = 1;
// The sampler chunk: nine 32-bit fields, then 24 bytes a loop (its type, start and end in
// frames at bytes 4, 8 and 12).
constexpr size_t kSamplerFields = 36;
constexpr size_t kSamplerLoopBytes = 24;

// Each "KEY=value" line of an ICMT text, up to its terminating zero.
void TakeCommentLines(std::string_view text, VorbisStreamInfo& info) {
    text = text.substr(0, text.find('\0'));
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        const size_t equals = line.find('=');
        if (!line.empty()) {
            info.comments.emplace_back(
                std::string(line.substr(0, equals)),
                equals == std::string_view::npos ? "" : std::string(line.substr(equals + 1)));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

// The ICMT text of a LIST INFO chunk's body, or false when the list has none.
bool InfoComment(const uint8_t* body, size_t size, VorbisStreamInfo& info) {
    if (size < 4 || std::memcmp(body, "INFO", 4) != 0) return false;
    for (size_t at = 4; size - at >= kChunkHeaderBytes;) {
        const uint32_t length = Le32(body + at + 4);
        if (length > size - at - kChunkHeaderBytes) return false;
        if (std::memcmp(body + at, "ICMT", 4) == 0) {
            TakeCommentLines(std::string_view(reinterpret_cast<const char*>(body + at + 8), length),
                             info);
            return true;
        }
        at += kChunkHeaderBytes + uint64_t{length} + (length & 1U);
        if (at > size) return false;
    }
    return false;
}

}  // namespace

std::string ReadWavTune(const uint8_t* bytes, size_t size, uint64_t fileSize,
                        VorbisStreamInfo& info) {
    info = VorbisStreamInfo{};
    if (fileSize < size) fileSize = size;
    if (fileSize > kMaxWavTuneBytes) {
        return "file too large for a tune (expected at most " +
               std::to_string(kMaxWavTuneBytes >> 20) + " MiB)";
    }
    if (size < kRiffHeaderBytes || std::memcmp(bytes, "RIFF", 4) != 0 ||
        std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        return "not a WAV file (expected a RIFF WAVE header)";
    }
    bool haveFormat = false, haveLoop = false, haveComment = false;
    uint32_t blockAlign = 0;
    uint64_t loopStart = 0, loopEnd = 0;
    for (size_t at = kRiffHeaderBytes;;) {
        if (size - at < kChunkHeaderBytes) return "no sound data";
        const uint8_t* chunk = bytes + at;
        const uint32_t length = Le32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return "the sound data comes before its format chunk";
            if (!haveLoop) return "no loop (expected a sampler chunk before the sound data)";
            if (!haveComment) return "no comments (expected a LIST INFO chunk with ICMT)";
            if (length > fileSize - at - kChunkHeaderBytes) return "the sound data is cut short";
            info.frames = length / blockAlign;
            break;
        }
        if (at - kRiffHeaderBytes + kChunkHeaderBytes + uint64_t{length} > kMaxVorbisCommentBytes) {
            return "the chunks before the sound data are too long";
        }
        if (length > size - at - kChunkHeaderBytes) return "a chunk runs past the end of the file";
        const uint8_t* body = chunk + kChunkHeaderBytes;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
            if (length < 16) return "the format chunk is too short";
            info.channels = Le16(body + 2);
            info.sampleRate = Le32(body + 4);
            blockAlign = Le16(body + 12);
            if (Le16(body) != kPcm || Le16(body + 14) != 16) return "expected 16-bit PCM";
            if (info.channels < 1 || info.channels > 8) return "expected 1 to 8 channels";
            if (info.sampleRate < 1000 || info.sampleRate > 384000) {
                return "expected 1000 to 384000 frames a second";
            }
            if (blockAlign != 2U * static_cast<uint32_t>(info.channels)) {
                return "the block size does not match the channels and sample size";
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "smpl", 4) == 0 && !haveLoop) {
            if (length < kSamplerFields + kSamplerLoopBytes || Le32(body + 28) == 0) {
                return "a sampler chunk without a loop";
            }
            const uint8_t* loop = body + kSamplerFields;
            if (Le32(loop + 4) != 0) return "its loop does not run forwards";
            loopStart = Le32(loop + 8);
            loopEnd = Le32(loop + 12);
            haveLoop = true;
        } else if (std::memcmp(chunk, "LIST", 4) == 0 && !haveComment) {
            haveComment = InfoComment(body, length, info);
        }
        // Chunks are padded to an even length.
        at += kChunkHeaderBytes + uint64_t{length} + (length & 1U);
        if (at > size) return "no sound data";
    }
    if (info.frames == 0) return "no sound";
    // The loop's end is its last frame: an end before its start is no loop at all.
    info.comments.emplace_back("LOOPSTART", std::to_string(loopStart));
    info.comments.emplace_back("LOOPLENGTH",
                               loopEnd < loopStart ? "0" : std::to_string(loopEnd + 1 - loopStart));
    return {};
}

std::vector<uint8_t> ReadWavTuneHead(std::FILE* file) {
    std::vector<uint8_t> head;
    // Appends up to `count` bytes of the file; false at its end.
    auto take = [&](size_t count) {
        const size_t at = head.size();
        head.resize(at + count);
        const size_t got = std::fread(head.data() + at, 1, count, file);
        head.resize(at + got);
        return got == count;
    };
    if (!take(kRiffHeaderBytes) || std::memcmp(head.data(), "RIFF", 4) != 0) return head;
    while (take(kChunkHeaderBytes)) {
        const uint8_t* header = head.data() + head.size() - kChunkHeaderBytes;
        if (std::memcmp(header, "data", 4) == 0) break;
        const uint32_t length = Le32(header + 4);
        const uint64_t padded = uint64_t{length} + (length & 1U);
        if (head.size() + padded > kMaxVorbisCommentBytes + kRiffHeaderBytes ||
            !take(static_cast<size_t>(padded))) {
            break;
        }
    }
    return head;
}

}  // namespace zolvex
