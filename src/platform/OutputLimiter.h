// The last stage of the game's sound: the music and the effects are mixed with 6 dB
// to spare, so their sum never saturates, and this stage gives those 6 dB back while
// holding every sample below -1 dBFS.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zolvex {

class OutputLimiter {
public:
    // The mixer's volumes are this fraction of what the levels ask for; Process
    // multiplies by its inverse.
    static constexpr double kHeadroom = 0.5;
    // No sample leaves louder than this (-1.2 dBFS of 16-bit full scale).
    static constexpr int kCeiling = 28500;

    // Amplifies `frames` interleaved frames of `channels` 16-bit samples in place. A
    // frame that would pass the ceiling lowers the gain of all channels at once; the
    // gain then recovers over about a tenth of a second at `sampleRate`.
    void Process(int16_t* samples, size_t frames, int channels, int sampleRate);

private:
    // The gain is given back this many frames at a time where it is whole.
    static constexpr size_t kStretch = 256;
    static constexpr int kMakeUp = 2;
    static_assert(kMakeUp * kHeadroom == 1.0);

    // Doubles `count` samples when the gain is whole and none of them would pass the
    // ceiling; false, having changed nothing, otherwise.
    bool PassAtUnity(int16_t* samples, size_t count) const;
    void Limit(int16_t* samples, size_t frames, int channels, int sampleRate);

    double gain_ = 1.0;
};

}  // namespace zolvex
