#include "platform/OutputLimiter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zolvex {

void OutputLimiter::Process(int16_t* samples, size_t frames, int channels, int sampleRate) {
    if (channels < 1 || sampleRate < 1) return;
    constexpr double kMakeUp = 1.0 / kHeadroom;
    // The fraction of the way back to full gain made each frame.
    const double recovery = 1.0 - std::exp(-1.0 / (0.1 * sampleRate));
    for (size_t f = 0; f < frames; ++f) {
        int16_t* frame = samples + f * static_cast<size_t>(channels);
        int peak = 0;
        for (int c = 0; c < channels; ++c) peak = std::max(peak, std::abs(int{frame[c]}));
        gain_ += (1.0 - gain_) * recovery;
        const double loud = peak * kMakeUp;
        // The gain drops at once, so the frame that asks for it is already held.
        if (loud * gain_ > kCeiling) gain_ = kCeiling / loud;
        for (int c = 0; c < channels; ++c) {
            const double v = std::round(frame[c] * kMakeUp * gain_);
            frame[c] = static_cast<int16_t>(std::clamp(v, double{-kCeiling}, double{kCeiling}));
        }
    }
}

}  // namespace zolvex
