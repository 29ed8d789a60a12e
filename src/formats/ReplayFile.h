// The replay file: one recorded game as text. Its first line names the format and
// its version; a header of "key value" lines (the level, the generator's state at
// the start, the result) follows, then the journal: what the game received and the
// timer calls it made, in order, as short space-separated tokens, and "end".
//
// Timer ticks are the bulk of a game. The journal keeps the timers' schedule (each
// set timer is due a period after it was set, then a period after each tick, as the
// window system keeps it), so a tick that came when it was due costs nothing but a
// count: "T57" is the next 57 ticks of the schedule, each at its due time, and
// "W01a0" four ticks, the second a millisecond late and the third ten (0-9, a-z,
// A-Z: up to 61 ms).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolvex {

inline constexpr int kReplayVersion = 1;
// Larger files are refused before they are read.
inline constexpr size_t kReplayFileLimit = 4u << 20;
inline constexpr size_t kReplayEventLimit = 2000000;

struct ReplayEvent {
    enum class Kind {
        KeyDown,   // code: the key; extra: the message's lParam
        KeyUp,     // as KeyDown
        Focus,     // code: 1 gained, 0 lost
        Tick,      // id: the timer
        Other,     // code: the message number, id: its wParam, extra: its lParam
        SetTimer,  // id, period: a timer the game started or restarted
        KillTimer  // id: a timer the game stopped
    };
    Kind kind = Kind::Tick;
    uint32_t code = 0;
    uint32_t extra = 0;
    int32_t id = 0;
    uint32_t period = 0;
    uint64_t time = 0;  // milliseconds since the recording began

    bool operator==(const ReplayEvent&) const = default;
};

struct Replay {
    int level = 0;
    uint32_t randomState = 0;
    int64_t date = 0;  // calendar seconds at the start
    uint32_t score = 0;
    uint32_t bonus = 0;
    uint32_t total = 0;
    uint32_t playedTenths = 0;  // the game's clock at the end, in tenths of a second
    std::vector<ReplayEvent> events;

    bool operator==(const Replay&) const = default;
};

// The file's text.
std::string WriteReplay(const Replay& replay);

struct ReplayError {
    int line = 0;  // 1-based; 0 when no one line is to blame
    std::string what;
};

// Reads a replay's text; a damaged, truncated or foreign one gives the line and
// what was wrong with it instead.
struct ReplayRead {
    std::optional<Replay> replay;
    ReplayError error;
};
ReplayRead ReadReplay(std::string_view text);

// The total a game's score and bonus make, held at 0xFFFFFFFF.
uint32_t ReplayTotal(uint32_t score, uint32_t bonus);

}  // namespace zolvex
