// Whether a sound effect is a whole WAV file the game can play: a RIFF WAVE
// header, a format it knows, and sound data within the file and of a bounded
// length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zolvex {

// The largest sound file accepted; larger ones are refused before they are read.
constexpr uint64_t kMaxSoundFileBytes = uint64_t{16} * 1024 * 1024;
// The longest sound accepted, whatever its rate, so that the sound decoded for
// the device stays within some tens of megabytes (an effect lasts seconds).
constexpr uint32_t kMaxSoundSeconds = 300;

// Empty when the bytes are a whole WAV file of PCM (8, 16, 24 or 32 bits),
// 32-bit float, A-law, mu-law, or Microsoft or IMA ADPCM sound, 1 to 8
// channels at 1000 to 384000 frames a second, at most kMaxSoundFileBytes and
// kMaxSoundSeconds long; else what is wrong with them.
std::string WavDataProblem(const uint8_t* bytes, size_t size);

}  // namespace zolvex
