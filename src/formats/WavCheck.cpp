#include "formats/WavCheck.h"

#include <cstring>
#include <string>

#include "formats/LittleEndian.h"

namespace zolvex {

namespace {

enum : uint16_t {
    kPcm = 1,
    kMsAdpcm = 2,
    kFloat = 3,
    kALaw = 6,
    kMuLaw = 7,
    kImaAdpcm = 0x11,
    kExtensible = 0xFFFE,
};

// What follows the format tag in the sub-format of an extensible format chunk.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The most frames `dataSize` bytes of ADPCM blocks decode to: each block holds
// `headerBytes` per channel, of which `headerFrames` frames, then four bits a sample.
uint64_t AdpcmFrames(uint32_t dataSize, uint32_t blockAlign, uint32_t channels,
                     uint32_t headerBytes, uint32_t headerFrames) {
    const uint64_t blocks = (uint64_t{dataSize} + blockAlign - 1) / blockAlign;
    const uint64_t perBlock = (blockAlign - headerBytes * channels) * 2 / channels + headerFrames;
    return blocks * perBlock;
}

}  // namespace

std::string WavDataProblem(const uint8_t* bytes, size_t size) {
    if (size > kMaxSoundFileBytes) {
        return "file too large for a sound (expected at most " +
               std::to_string(kMaxSoundFileBytes >> 20) + " MiB)";
    }
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        return "not a WAV file (expected a RIFF WAVE header)";
    }
    // The chunks up to the sound data: the format must come before it.
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0;
    bool haveData = false;
    uint32_t dataSize = 0;
    for (size_t at = 12; !haveData && size - at >= 8;) {
        const uint8_t* chunk = bytes + at;
        const uint32_t chunkSize = Le32(chunk + 4);
        const bool isData = std::memcmp(chunk, "data", 4) == 0;
        if (chunkSize > size - at - 8) {
            return isData ? "the sound data is cut short" : "a chunk runs past the end of the file";
        }
        if (isData) {
            if (format == nullptr) return "the sound data comes before its format chunk";
            haveData = true;
            dataSize = chunkSize;
        } else if (format == nullptr && std::memcmp(chunk, "fmt ", 4) == 0) {
            format = chunk + 8;
            formatSize = chunkSize;
        }
        // Chunks are padded to an even length.
        at += 8 + uint64_t{chunkSize} + (chunkSize & 1);
        if (at > size) break;
    }
    if (format == nullptr) return "no format chunk";
    if (!haveData) return "no sound data";
    if (formatSize < 16) return "the format chunk is too short";

    uint16_t encoding = Le16(format);
    const uint32_t channels = Le16(format + 2);
    const uint32_t rate = Le32(format + 4);
    const uint32_t blockAlign = Le16(format + 12);
    const uint32_t bits = Le16(format + 14);
    if (encoding == kExtensible) {
        if (formatSize < 40 ||
            std::memcmp(format + 26, kSubFormatTail, sizeof kSubFormatTail) != 0) {
            return "an extensible format chunk without its sub-format";
        }
        encoding = Le16(format + 24);
    }
    if (channels < 1 || channels > 8) return "expected 1 to 8 channels";
    if (rate < 1000 || rate > 384000) return "expected 1000 to 384000 frames a second";
    if (blockAlign == 0) return "a block of no bytes";

    uint64_t frames = 0;
    switch (encoding) {
        case kPcm:
        case kFloat:
        case kALaw:
        case kMuLaw: {
            const bool bitsOk = encoding == kPcm
                                    ? bits == 8 || bits == 16 || bits == 24 || bits == 32
                                : encoding == kFloat ? bits == 32
                                                     : bits == 8;
            if (!bitsOk) return "a sample size the encoding does not have";
            if (blockAlign != channels * bits / 8) {
                return "the block size does not match the channels and sample size";
            }
            frames = dataSize / blockAlign;
            break;
        }
        case kMsAdpcm:
        case kImaAdpcm: {
            const uint32_t headerBytes = encoding == kMsAdpcm ? 7 : 4;
            if (bits != 4) return "expected ADPCM of 4 bits";
            if (blockAlign <= headerBytes * channels) return "ADPCM blocks too short for a header";
            frames = AdpcmFrames(dataSize, blockAlign, channels, headerBytes,
                                 encoding == kMsAdpcm ? 2 : 1);
            break;
        }
        default:
            return "an encoding other than PCM, float, A-law, mu-law or ADPCM";
    }
    if (frames > uint64_t{kMaxSoundSeconds} * rate) {
        return "longer than a sound may be (expected at most " + std::to_string(kMaxSoundSeconds) +
               " seconds)";
    }
    return {};
}

}  // namespace zolvex
