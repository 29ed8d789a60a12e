#include "MidiSequence.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "formats/MidiCheck.h"

namespace zolvex {

namespace {

struct TimedMessage {
    uint64_t tick;
    size_t track;
    MidiMessage message;
};

uint32_t BigEndian(const std::vector<uint8_t>& data, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | data[at + static_cast<size_t>(i)];
    return value;
}

uint32_t ReadNumber(const std::vector<uint8_t>& data, size_t& at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t byte = data[at++];
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) break;
    }
    return value;
}

// Walks one track (already checked whole), collecting its channel messages and
// tempo changes; returns the tick of its end.
uint64_t ReadTrack(const std::vector<uint8_t>& data, size_t at, size_t end, size_t track,
                   std::vector<TimedMessage>& messages, std::map<uint64_t, uint32_t>& tempos) {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (at < end) {
        tick += ReadNumber(data, at);
        uint8_t status = data[at];
        if (status & 0x80) {
            ++at;
        } else {
            status = running;
        }
        if (status == 0xFF) {
            const uint8_t type = data[at++];
            const uint32_t length = ReadNumber(data, at);
            if (type == 0x51 && length == 3) tempos[tick] = BigEndian(data, at, 3);
            at += length;
            if (type == 0x2F) break;  // the end of the track
            running = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            at += ReadNumber(data, at);
            running = 0;
        } else {
            MidiMessage m;
            m.status = status;
            m.data1 = data[at++];
            if ((status & 0xE0) != 0xC0) m.data2 = data[at++];
            messages.push_back({tick, track, m});
            running = status;
        }
    }
    return tick;
}

}  // namespace

std::optional<MidiSequence> ReadMidiSequence(const std::vector<uint8_t>& bytes, int rate,
                                             std::string& problem) {
    problem = MidiDataProblem(bytes.data(), bytes.size());
    if (!problem.empty()) return std::nullopt;
    const uint32_t division = BigEndian(bytes, 12, 2);
    if ((division & 0x8000) != 0 || division == 0) {
        problem = "time kept in SMPTE frames (expected ticks per quarter note)";
        return std::nullopt;
    }
    const uint32_t tracks = BigEndian(bytes, 10, 2);
    std::vector<TimedMessage> timed;
    std::map<uint64_t, uint32_t> tempos;  // tick -> microseconds per quarter note
    uint64_t endTick = 0;
    size_t at = 8 + BigEndian(bytes, 4, 4);
    for (uint32_t found = 0; found < tracks;) {
        const size_t chunk = BigEndian(bytes, at + 4, 4);
        if (std::equal(bytes.begin() + static_cast<ptrdiff_t>(at),
                       bytes.begin() + static_cast<ptrdiff_t>(at) + 4, "MTrk")) {
            endTick =
                std::max(endTick, ReadTrack(bytes, at + 8, at + 8 + chunk, found, timed, tempos));
            ++found;
        }
        at += 8 + chunk;
    }

    // Where each tempo takes over, from 120 beats a minute until the first change.
    struct TempoSpan {
        uint64_t tick;
        double seconds;
        uint32_t microsPerQuarter;
    };
    auto secondsAt = [&](const TempoSpan& span, uint64_t tick) {
        return span.seconds +
               static_cast<double>(tick - span.tick) * span.microsPerQuarter / 1e6 / division;
    };
    std::vector<TempoSpan> spans{{0, 0.0, 500000}};
    for (const auto& [tick, micros] : tempos) {
        if (tick == spans.back().tick) {
            spans.back().microsPerQuarter = micros;
        } else {
            spans.push_back({tick, secondsAt(spans.back(), tick), micros});
        }
    }
    auto frameOf = [&](uint64_t tick) {
        auto span = std::upper_bound(spans.begin(), spans.end(), tick,
                                     [](uint64_t t, const TempoSpan& s) { return t < s.tick; });
        return static_cast<uint64_t>(std::llround(secondsAt(*(span - 1), tick) * rate));
    };

    std::stable_sort(timed.begin(), timed.end(), [](const TimedMessage& a, const TimedMessage& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.track < b.track;
    });
    MidiSequence sequence;
    sequence.messages.reserve(timed.size());
    for (TimedMessage& t : timed) {
        t.message.frame = frameOf(t.tick);
        sequence.messages.push_back(t.message);
    }
    sequence.lengthFrames = frameOf(endTick);
    return sequence;
}

}  // namespace zolvex
