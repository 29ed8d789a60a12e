// Standard MIDI files (format 1): tracks of timed events, encoded with running delta times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zolvex {

class MidiTrack {
public:
    // A note on `channel` (0 to 15) from `tick` for `length` ticks; the note-off lands exactly at
    // tick + length.
    void Note(uint32_t tick, uint32_t length, int channel, int key, int velocity);
    void Program(uint32_t tick, int channel, int program);
    void Controller(uint32_t tick, int channel, int controller, int value);
    // Tempo in microseconds per quarter note.
    void Tempo(uint32_t tick, uint32_t microsPerQuarter);
    void TimeSignature(uint32_t tick, int numerator, int denominatorPower);
    void Name(const std::string& name);
    // Places the end-of-track event; without it the track ends at its last event.
    void End(uint32_t tick) { end_ = tick; }

    // The "MTrk" chunk. At equal ticks note-offs come first and note-ons last, so a note that
    // ends where the next one starts never cuts it off. Events after the end are dropped.
    std::vector<uint8_t> Encode() const;
    uint32_t LastTick() const;

private:
    struct Event {
        uint32_t tick;
        int order;  // 0 note-off, 1 meta and controls, 2 note-on
        std::vector<uint8_t> bytes;
    };
    std::vector<Event> events_;
    int64_t end_ = -1;
};

class MidiFile {
public:
    explicit MidiFile(int ticksPerQuarter) : ppq_(ticksPerQuarter) {}
    MidiTrack& AddTrack() { return tracks_.emplace_back(); }
    int TicksPerQuarter() const { return ppq_; }

    std::vector<uint8_t> Encode() const;  // "MThd" (format 1) followed by the tracks
    // Writes the file; false, with one line on standard error, when it cannot be written.
    bool Save(const std::string& path) const;

private:
    int ppq_;
    std::vector<MidiTrack> tracks_;
};

// MIDI variable-length quantity, seven bits per byte, most significant first.
void AppendVarLen(std::vector<uint8_t>& out, uint32_t value);

}  // namespace zolvex
