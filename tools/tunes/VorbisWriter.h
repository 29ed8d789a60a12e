// Ogg Vorbis encoding with libvorbisenc.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zolvex {

struct VorbisEncoding {
    int channels = 2;
    int rate = 44100;
    float quality = 0.45F;  // libvorbisenc's VBR quality, -0.1 to 1
    uint32_t serial = 1;    // the Ogg stream's serial number; fixed, so builds repeat
    std::vector<std::pair<std::string, std::string>> comments;  // written as KEY=value
};

// The whole Ogg Vorbis file of `samples` (interleaved, in [-1, 1]); empty when the
// encoder refuses the settings.
std::vector<uint8_t> EncodeVorbis(const std::vector<float>& samples,
                                  const VorbisEncoding& encoding);

}  // namespace zolvex
