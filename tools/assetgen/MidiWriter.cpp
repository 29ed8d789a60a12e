#include "MidiWriter.h"

#include <algorithm>

#include "ByteWriter.h"

namespace zolvex {

namespace {

uint8_t Data(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 127));
}

void Append32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

void AppendVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (n > 1) out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
}

void MidiTrack::Note(uint32_t tick, uint32_t length, int channel, int key, int velocity) {
    uint8_t ch = static_cast<uint8_t>(channel & 0x0F);
    events_.push_back(
        {tick, 2, {static_cast<uint8_t>(0x90 | ch), Data(key), Data(std::max(1, velocity))}});
    events_.push_back({tick + length, 0, {static_cast<uint8_t>(0x80 | ch), Data(key), 64}});
}

void MidiTrack::Program(uint32_t tick, int channel, int program) {
    events_.push_back({tick, 1, {static_cast<uint8_t>(0xC0 | (channel & 0x0F)), Data(program)}});
}

void MidiTrack::Controller(uint32_t tick, int channel, int controller, int value) {
    events_.push_back(
        {tick, 1, {static_cast<uint8_t>(0xB0 | (channel & 0x0F)), Data(controller), Data(value)}});
}

void MidiTrack::Tempo(uint32_t tick, uint32_t microsPerQuarter) {
    events_.push_back(
        {tick,
         1,
         {0xFF, 0x51, 0x03, static_cast<uint8_t>(microsPerQuarter >> 16),
          static_cast<uint8_t>(microsPerQuarter >> 8), static_cast<uint8_t>(microsPerQuarter)}});
}

void MidiTrack::TimeSignature(uint32_t tick, int numerator, int denominatorPower) {
    events_.push_back(
        {tick, 1, {0xFF, 0x58, 0x04, Data(numerator), Data(denominatorPower), 24, 8}});
}

void MidiTrack::Name(const std::string& name) {
    Event e{0, 1, {0xFF, 0x03}};
    AppendVarLen(e.bytes, static_cast<uint32_t>(name.size()));
    e.bytes.insert(e.bytes.end(), name.begin(), name.end());
    events_.push_back(e);
}

uint32_t MidiTrack::LastTick() const {
    uint32_t last = 0;
    for (const Event& e : events_) last = std::max(last, e.tick);
    return last;
}

std::vector<uint8_t> MidiTrack::Encode() const {
    std::vector<Event> sorted = events_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    const uint32_t end = end_ >= 0 ? static_cast<uint32_t>(end_) : LastTick();
    std::vector<uint8_t> body;
    uint32_t now = 0;
    for (const Event& e : sorted) {
        if (e.tick > end) break;
        AppendVarLen(body, e.tick - now);
        now = e.tick;
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
    }
    AppendVarLen(body, end - now);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    std::vector<uint8_t> chunk{'M', 'T', 'r', 'k'};
    Append32(chunk, static_cast<uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<uint8_t> MidiFile::Encode() const {
    std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    out.push_back(static_cast<uint8_t>(tracks_.size() >> 8));
    out.push_back(static_cast<uint8_t>(tracks_.size()));
    out.push_back(static_cast<uint8_t>(ppq_ >> 8));
    out.push_back(static_cast<uint8_t>(ppq_));
    for (const MidiTrack& t : tracks_) {
        std::vector<uint8_t> chunk = t.Encode();
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

bool MidiFile::Save(const std::string& path) const {
    return WriteFileBytes(path, Encode(), "MIDI file");
}

}  // namespace zolvex
