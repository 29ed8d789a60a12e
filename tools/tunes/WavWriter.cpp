#include "WavWriter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zolvex {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8U));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFFU);
    Put16(out, v >> 16U);
}

void PutId(std::vector<uint8_t>& out, const char (&id)[5]) {
    out.insert(out.end(), id, id + 4);
}

}  // namespace

std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, const WavEncoding& encoding) {
    const auto channels = static_cast<uint32_t>(encoding.channels);
    const auto rate = static_cast<uint32_t>(encoding.rate);
    const size_t frames = channels == 0 ? 0 : samples.size() / channels;
    const uint64_t dataBytes = uint64_t{frames} * channels * 2;
    constexpr uint64_t kMost = std::numeric_limits<uint32_t>::max() - 4096;
    if (frames == 0 || rate == 0 || dataBytes > kMost || encoding.loopLength == 0 ||
        encoding.loopStart + encoding.loopLength > frames) {
        return {};
    }
    std::string text;
    for (const auto& [key, value] : encoding.comments) text += key + "=" + value + "\n";
    text.push_back('\0');
    if (text.size() % 2 != 0) text.push_back('\0');

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(dataBytes) + 256 + text.size());
    PutId(out, "RIFF");
    Put32(out, 0);  // the file's length, known at the end
    PutId(out, "WAVE");

    PutId(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * channels * 2);
    Put16(out, channels * 2);
    Put16(out, 16);

    // One forward loop played without end; its end is its last frame.
    PutId(out, "smpl");
    Put32(out, 36 + 24);
    Put32(out, 0);                                               // manufacturer
    Put32(out, 0);                                               // product
    Put32(out, static_cast<uint32_t>(std::lround(1e9 / rate)));  // nanoseconds a frame
    Put32(out, 60);                                              // unity note: middle C
    Put32(out, 0);                                               // pitch fraction
    Put32(out, 0);                                               // SMPTE format
    Put32(out, 0);                                               // SMPTE offset
    Put32(out, 1);                                               // loops
    Put32(out, 0);                                               // sampler data
    Put32(out, 0);                                               // cue point
    Put32(out, 0);                                               // forwards
    Put32(out, static_cast<uint32_t>(encoding.loopStart));
    Put32(out, static_cast<uint32_t>(encoding.loopStart + encoding.loopLength - 1));
    Put32(out, 0);  // fraction
    Put32(out, 0);  // play count: for ever

    PutId(out, "LIST");
    Put32(out, static_cast<uint32_t>(4 + 8 + text.size()));
    PutId(out, "INFO");
    PutId(out, "ICMT");
    Put32(out, static_cast<uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());

    PutId(out, "data");
    Put32(out, static_cast<uint32_t>(dataBytes));
    for (size_t i = 0; i < frames * channels; ++i) {
        const float s = std::clamp(samples[i], -1.0F, 1.0F);
        const long v = std::clamp(std::lround(s * 32767.0F), long{-32768}, long{32767});
        Put16(out, static_cast<uint32_t>(v) & 0xFFFFU);
    }
    const auto riffBytes = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(riffBytes >> (8 * i));
    return out;
}

}  // namespace zolvex
