#include "formats/MidiCheck.h"

#include <cstring>
#include <vector>

namespace zolvex {

namespace {

// Reads a variable-length quantity of a MIDI file at `at`; false past `end`.
bool ReadMidiNumber(const std::vector<uint8_t>& data, size_t& at, size_t end, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= end) return false;
        uint8_t byte = data[at++];
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

// Walks the events of one track; false when one runs past the track's end or
// is not an event a MIDI file may hold.
bool MidiTrackIsWhole(const std::vector<uint8_t>& data, size_t at, size_t end) {
    uint8_t running = 0;
    while (at < end) {
        uint32_t delta = 0;
        if (!ReadMidiNumber(data, at, end, delta) || at >= end) return false;
        uint8_t status = data[at];
        if (status & 0x80) {
            ++at;
        } else if (running != 0) {
            status = running;
        } else {
            return false;
        }
        uint32_t length = 0;
        if (status == 0xFF) {
            if (at >= end) return false;
            ++at;  // the meta event's type
            if (!ReadMidiNumber(data, at, end, length) || length > end - at) return false;
            at += length;
            running = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            if (!ReadMidiNumber(data, at, end, length) || length > end - at) return false;
            at += length;
            running = 0;
        } else if (status > 0xF0) {
            return false;
        } else {
            size_t bytes = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change, channel pressure
            if (bytes > end - at) return false;
            for (size_t i = 0; i < bytes; ++i) {
                if (data[at + i] & 0x80) return false;
            }
            at += bytes;
            running = status;
        }
    }
    return true;
}

uint32_t BigEndian(const std::vector<uint8_t>& data, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | data[at + static_cast<size_t>(i)];
    return value;
}

}  // namespace

std::string MidiDataProblem(const uint8_t* bytes, size_t size) {
    const std::vector<uint8_t> data(bytes, bytes + size);
    std::string notMidi = "not a whole MIDI file (expected an MThd header and its tracks)";
    if (data.size() < 14 || std::memcmp(data.data(), "MThd", 4) != 0) return notMidi;
    uint32_t headerLength = BigEndian(data, 4, 4);
    uint32_t tracks = BigEndian(data, 10, 2);
    if (headerLength < 6 || headerLength > data.size() - 8 || tracks == 0) return notMidi;
    size_t at = 8 + headerLength;
    uint32_t found = 0;
    while (found < tracks) {
        if (data.size() - at < 8) return notMidi;
        uint32_t chunk = BigEndian(data, at + 4, 4);
        if (chunk > data.size() - at - 8) return notMidi;
        if (std::memcmp(data.data() + at, "MTrk", 4) == 0) {
            if (!MidiTrackIsWhole(data, at + 8, at + 8 + chunk)) return notMidi;
            ++found;
        }
        at += 8 + chunk;
    }
    return std::string();
}

}  // namespace zolvex
