// Whether a tune is a whole Standard MIDI File: a header, then every track's
// events complete and within their chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zolvex {

// Empty when the bytes are a whole MIDI file, else what is wrong with them.
std::string MidiDataProblem(const uint8_t* bytes, size_t size);

}  // namespace zolvex
