// Sounds as sample sequences, and their encoding as WAV files (16-bit PCM, mono).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zolvex {

struct Sound {
    int sampleRate = 44100;
    std::vector<float> samples;  // mono, full scale is -1 to 1
    double Seconds() const { return static_cast<double>(samples.size()) / sampleRate; }
};

// RIFF/WAVE bytes: one "fmt " chunk (PCM, 1 channel, 16 bits) and one "data" chunk. Samples
// beyond full scale are clamped.
std::vector<uint8_t> EncodeWav(const Sound& sound);
// Writes those bytes; false, with one line on standard error, when the file cannot be written.
bool WriteWav(const std::string& path, const Sound& sound);

}  // namespace zolvex
