#include "platform/OutputLimiter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zolvex {
namespace {

// Rounds half away from zero, as std::round does, without a call into the maths
// library for every sample: the part after the point of a double that fits an int is
// exact, so this gives std::round's answer to the last bit.
int RoundHalfAway(double v) {
    const auto whole = static_cast<int>(v);
    const double rest = v - whole;
    return whole + static_cast<int>(rest >= 0.5) - static_cast<int>(rest <= -0.5);
}

}  // namespace

void OutputLimiter::Process(int16_t* samples, size_t frames, int channels, int sampleRate) {
    if (channels < 1 || sampleRate < 1) return;
    const auto width = static_cast<size_t>(channels);
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(frames - done, kStretch);
        int16_t* stretch = samples + done * width;
        if (!PassAtUnity(stretch, n * width)) Limit(stretch, n, channels, sampleRate);
        done += n;
    }
}

bool OutputLimiter::PassAtUnity(int16_t* samples, size_t count) const {
    // Within this much of full gain, every sample that stays under the ceiling comes
    // out exactly doubled (the product is less than half a step from it), and a frame
    // passes the ceiling at exactly the loudness that would pass it at full gain: the
    // gain's recovery then changes nothing that is heard, and need not be followed.
    constexpr double kUnity = 1.0 - 1.0 / 65536;
    if (gain_ <= kUnity) return false;
    int peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
    if (peak * kMakeUp > kCeiling) return false;
    for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(samples[i] * kMakeUp);
    return true;
}

void OutputLimiter::Limit(int16_t* samples, size_t frames, int channels, int sampleRate) {
    // The fraction of the way back to full gain made each frame.
    const double recovery = 1.0 - std::exp(-1.0 / (0.1 * sampleRate));
    for (size_t f = 0; f < frames; ++f) {
        int16_t* frame = samples + f * static_cast<size_t>(channels);
        int peak = 0;
        for (int c = 0; c < channels; ++c) peak = std::max(peak, std::abs(int{frame[c]}));
        gain_ += (1.0 - gain_) * recovery;
        const double loud = peak * double{kMakeUp};
        // The gain drops at once, so the frame that asks for it is already held.
        if (loud * gain_ > kCeiling) gain_ = kCeiling / loud;
        for (int c = 0; c < channels; ++c) {
            const int v = RoundHalfAway(frame[c] * double{kMakeUp} * gain_);
            frame[c] = static_cast<int16_t>(std::clamp(v, -kCeiling, kCeiling));
        }
    }
}

}  // namespace zolvex
