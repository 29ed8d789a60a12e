// A Standard MIDI File as the synthesizer hears it: every channel message of every
// track at the output frame it falls on, merged in order of time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zolvex {

struct MidiMessage {
    uint64_t frame = 0;  // from the start of the tune, at the output rate
    uint8_t status = 0;  // a channel message: 0x80 to 0xEF
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct MidiSequence {
    std::vector<MidiMessage> messages;  // by frame, then by track, then in the track's order
    // Where the last track ends: the length of one pass of the tune.
    uint64_t lengthFrames = 0;
};

// Reads a whole MIDI file (checked with MidiDataProblem first) with ticks per quarter
// note, following its tempo changes, at `rate` frames a second. System exclusive and
// meta events other than tempo are left out. Nothing, with `problem` set, when the file
// keeps time in SMPTE frames, which the game's tunes never do.
std::optional<MidiSequence> ReadMidiSequence(const std::vector<uint8_t>& bytes, int rate,
                                             std::string& problem);

}  // namespace zolvex
