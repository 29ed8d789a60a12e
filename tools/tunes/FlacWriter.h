// FLAC encoding with libFLAC.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zolvex {

struct FlacEncoding {
    int channels = 2;
    int rate = 44100;
    std::vector<std::pair<std::string, std::string>> comments;  // written as KEY=value
};

// The whole FLAC file of `samples` (interleaved, in [-1, 1], rounded to 16 bits), with
// the comments in its comment block and a seek table, so that the mixer's jump back to
// the loop's start finds its frame at once; empty when the encoder fails.
std::vector<uint8_t> EncodeFlac(const std::vector<float>& samples, const FlacEncoding& encoding);

}  // namespace zolvex
