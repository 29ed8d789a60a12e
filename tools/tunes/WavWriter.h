// The WAV file of a rendered tune, as the desktop's mixer plays it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zolvex {

struct WavEncoding {
    int channels = 2;
    int rate = 44100;
    // The loop, in frames: from loopStart for loopLength frames.
    uint64_t loopStart = 0;
    uint64_t loopLength = 0;
    std::vector<std::pair<std::string, std::string>> comments;  // written as KEY=value lines
};

// The whole WAV file of `samples` (interleaved, in [-1, 1], rounded to 16-bit PCM): a format
// chunk, a sampler chunk holding the loop (the mixer repeats it forever), a LIST INFO chunk
// whose ICMT text holds the comments, then the sound. Empty when the sound or the loop does
// not fit a WAV file.
std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, const WavEncoding& encoding);

}  // namespace zolvex
