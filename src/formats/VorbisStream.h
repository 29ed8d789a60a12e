// What the game reads of an Ogg Vorbis file before the mixer plays it: that it is
// one whole stream, its format and length, and the comments of its comment header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zolvex {

// The largest Ogg Vorbis file accepted, and the largest comment header in it.
constexpr uint64_t kMaxVorbisFileBytes = uint64_t{16} * 1024 * 1024;
constexpr uint32_t kMaxVorbisCommentBytes = 1024 * 1024;

struct VorbisStreamInfo {
    int channels = 0;
    uint32_t sampleRate = 0;
    // The granule position of the last page: the frames the stream decodes to.
    uint64_t frames = 0;
    // Each "KEY=value" comment as key and value, in the file's order; a comment
    // without '=' has an empty value.
    std::vector<std::pair<std::string, std::string>> comments;
};

// Empty when the bytes are one whole Ogg Vorbis stream (every page's checksum
// right, its pages numbered without a gap, the identification, comment and setup
// headers first, the last page marked as the end and nothing after it), at most
// kMaxVorbisFileBytes with a comment header of at most kMaxVorbisCommentBytes;
// `info` then holds what it says. Else what is wrong with them.
std::string ReadVorbisStream(const uint8_t* bytes, size_t size, VorbisStreamInfo& info);

// Reads a Vorbis comment list (vendor, count, then each comment, all lengths 32-bit
// little-endian) from the start of `data`, as the Vorbis comment header holds it after
// its signature. Appends the comments to `info` and sets `used` to the bytes read; else
// says what is wrong.
std::string ReadVorbisComments(const uint8_t* data, size_t size, size_t& used,
                               VorbisStreamInfo& info);

// The value of the first comment whose key equals `key`, ignoring case, as the
// Vorbis comment format compares keys.
std::optional<std::string> VorbisComment(const VorbisStreamInfo& info, std::string_view key);

}  // namespace zolvex
