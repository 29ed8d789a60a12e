#include "formats/ReplayFile.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <map>
#include <set>

namespace zolvex {

namespace {

constexpr const char* kMagic = "zolvex-replay";
// Beyond this a recording is not a game but a hostile file; it keeps sums in 64 bits.
constexpr uint64_t kTimeLimit = uint64_t{1} << 40;

// The timers as the window system runs them: due a period after being set, then a
// period after each tick, or a period after a tick that came a whole period late.
class Schedule {
public:
    void Set(int32_t id, uint32_t period, uint64_t now) {
        const uint64_t p = period == 0 ? 1 : period;
        timers_[id] = Timer{p, now + p, period};
    }
    // The period `id` was last set with; none while it does not run.
    std::optional<uint32_t> PeriodSet(int32_t id) const {
        auto it = timers_.find(id);
        if (it == timers_.end()) return std::nullopt;
        return it->second.periodSet;
    }
    // Whether the game sets `id` again, with its period, at each of its ticks (the fall
    // timer does): "R<id>" says it does from there on, "N<id>" that it does not.
    bool Rearms(int32_t id) const { return rearming_.contains(id); }
    void SetRearms(int32_t id, bool rearms) {
        if (rearms) {
            rearming_.insert(id);
        } else {
            rearming_.erase(id);
        }
    }
    void Kill(int32_t id) { timers_.erase(id); }
    // The id of the tick due first (the lowest id among equals), and when it is due.
    std::optional<std::pair<int32_t, uint64_t>> Next() const {
        std::optional<std::pair<int32_t, uint64_t>> next;
        for (const auto& [id, timer] : timers_) {
            if (!next || timer.due < next->second) next = std::pair{id, timer.due};
        }
        return next;
    }
    void Took(int32_t id, uint64_t now) {
        auto it = timers_.find(id);
        if (it == timers_.end()) return;
        const uint64_t next = it->second.due + it->second.period;
        it->second.due = next > now ? next : now + it->second.period;
    }

private:
    struct Timer {
        uint64_t period;
        uint64_t due;
        uint32_t periodSet;
    };
    std::map<int32_t, Timer> timers_;
    std::set<int32_t> rearming_;
};

// How late a scheduled tick came, 0 to 61 ms, in one character of a "W" token.
constexpr char kLateness[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

int LatenessOf(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 36;
    return -1;
}

char Letter(ReplayEvent::Kind kind) {
    switch (kind) {
        case ReplayEvent::Kind::KeyDown:
            return 'D';
        case ReplayEvent::Kind::KeyUp:
            return 'U';
        case ReplayEvent::Kind::Focus:
            return 'A';
        case ReplayEvent::Kind::Tick:
            return 'X';
        case ReplayEvent::Kind::Other:
            return 'M';
        case ReplayEvent::Kind::SetTimer:
            return 'S';
        case ReplayEvent::Kind::KillTimer:
            return 'K';
    }
    return '?';
}

// A letter and what follows it. Built by appending: GCC 12's Release build takes a
// string added to a literal for an overlapping copy.
std::string Tagged(char letter, const std::string& rest) {
    std::string token(1, letter);
    token += rest;
    return token;
}

class TokenWriter {
public:
    void Add(const std::string& token) {
        if (column_ > 0 && column_ + 1 + token.size() > 78) {
            text_ += '\n';
            column_ = 0;
        }
        if (column_ > 0) {
            text_ += ' ';
            ++column_;
        }
        text_ += token;
        column_ += token.size();
    }
    std::string Take() {
        if (column_ > 0) text_ += '\n';
        return std::move(text_);
    }

private:
    std::string text_;
    size_t column_ = 0;
};

}  // namespace

std::string WriteReplay(const Replay& replay) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "%s %d\nlevel %d\nrandom %u\ndate %lld\nscore %u\nbonus %u\ntotal %u\n"
                  "played %u\nevents %zu\njournal\n",
                  kMagic, kReplayVersion, replay.level, replay.randomState,
                  static_cast<long long>(replay.date), replay.score, replay.bonus, replay.total,
                  replay.playedTenths, replay.events.size());
    std::string text = line;

    TokenWriter tokens;
    Schedule schedule;
    uint64_t last = 0;
    // The latenesses (0 to 61 ms, one character each) of the scheduled ticks not yet
    // written.
    std::string run;
    auto flushRun = [&] {
        if (run.empty()) return;
        if (run.find_first_not_of('0') == std::string::npos) {
            tokens.Add(Tagged('T', std::to_string(run.size())));
        } else {
            tokens.Add(Tagged('W', run));
        }
        run.clear();
    };
    const std::vector<ReplayEvent>& events = replay.events;
    for (size_t i = 0; i < events.size(); ++i) {
        const ReplayEvent& e = events[i];
        // Times never run backwards; an event stamped earlier is kept at the time before it.
        const uint64_t time = e.time > last ? e.time : last;
        if (e.kind == ReplayEvent::Kind::Tick) {
            auto next = schedule.Next();
            if (next && next->first == e.id) {
                const std::optional<uint32_t> period = schedule.PeriodSet(e.id);
                const bool rearms = i + 1 < events.size() &&
                                    events[i + 1].kind == ReplayEvent::Kind::SetTimer &&
                                    events[i + 1].id == e.id && events[i + 1].period == period &&
                                    events[i + 1].time <= time;
                if (rearms != schedule.Rearms(e.id)) {
                    flushRun();
                    tokens.Add(Tagged(rearms ? 'R' : 'N', std::to_string(e.id)));
                    schedule.SetRearms(e.id, rearms);
                }
                if (time >= next->second && time - next->second < 62) {
                    const char digit = kLateness[time - next->second];
                    // Ticks on time make one count however many; a run with late ones
                    // is written 64 ticks at most to a token.
                    const bool onTime = run.find_first_not_of('0') == std::string::npos;
                    if ((!onTime && run.size() == 64) ||
                        (onTime && digit != '0' && run.size() >= 8)) {
                        flushRun();
                    }
                    run += digit;
                } else {
                    flushRun();
                    tokens.Add(Tagged('L', std::to_string(static_cast<int64_t>(time) -
                                                          static_cast<int64_t>(next->second))));
                }
                schedule.Took(e.id, time);
                if (rearms) {
                    schedule.Set(e.id, *period, time);
                    ++i;
                }
                last = time;
                continue;
            }
        }
        flushRun();
        std::string token(1, Letter(e.kind));
        switch (e.kind) {
            case ReplayEvent::Kind::KeyDown:
            case ReplayEvent::Kind::KeyUp:
                token += std::to_string(e.code);
                if (e.extra != 0) {
                    token += ',';
                    token += std::to_string(e.extra);
                }
                break;
            case ReplayEvent::Kind::Focus:
                token += std::to_string(e.code);
                break;
            case ReplayEvent::Kind::Other:
                token += std::to_string(e.code);
                token += ',';
                token += std::to_string(e.id);
                token += ',';
                token += std::to_string(e.extra);
                break;
            case ReplayEvent::Kind::SetTimer:
                token += std::to_string(e.id);
                token += ',';
                token += std::to_string(e.period);
                break;
            case ReplayEvent::Kind::Tick:
            case ReplayEvent::Kind::KillTimer:
                token += std::to_string(e.id);
                break;
        }
        if (time > last) {
            token += '+';
            token += std::to_string(time - last);
        }
        last = time;
        tokens.Add(token);
        if (e.kind == ReplayEvent::Kind::Tick) schedule.Took(e.id, time);
        if (e.kind == ReplayEvent::Kind::SetTimer) schedule.Set(e.id, e.period, time);
        if (e.kind == ReplayEvent::Kind::KillTimer) schedule.Kill(e.id);
    }
    flushRun();
    return text + tokens.Take() + "end\n";
}

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    ReplayRead Read() {
        ReplayRead result;
        if (text_.size() > kReplayFileLimit) return Fail(0, "larger than 4 MiB; not a replay");
        Replay replay;
        std::string_view first;
        if (!NextLine(first)) return Fail(1, "empty; not a replay");
        {
            std::string_view word = Word(first);
            if (word != kMagic) return Fail(1, "not a zolvex replay");
            int64_t version = 0;
            if (!Number(first, version) || !first.empty()) return Fail(1, "no format version");
            if (version != kReplayVersion) {
                return Fail(1, "format version " + std::to_string(version) +
                                   "; this copy reads version " + std::to_string(kReplayVersion));
            }
        }
        int64_t eventCount = 0;
        struct Field {
            const char* name;
            int64_t low, high;
            int64_t value = 0;
        };
        Field fields[] = {{"level", 1, 3},
                          {"random", 0, UINT32_MAX},
                          {"date", INT64_MIN, INT64_MAX},
                          {"score", 0, UINT32_MAX},
                          {"bonus", 0, UINT32_MAX},
                          {"total", 0, UINT32_MAX},
                          {"played", 0, UINT32_MAX},
                          {"events", 0, kReplayEventLimit}};
        for (Field& field : fields) {
            std::string_view line;
            if (!NextLine(line))
                return Fail(line_ + 1, "ends before its '" + std::string(field.name) + "' line");
            if (Word(line) != field.name) {
                return Fail(line_, "expected '" + std::string(field.name) + " NUMBER'");
            }
            if (!Number(line, field.value) || !line.empty() || field.value < field.low ||
                field.value > field.high) {
                return Fail(line_, "'" + std::string(field.name) + "' needs a number from " +
                                       std::to_string(field.low) + " to " +
                                       std::to_string(field.high));
            }
        }
        replay.level = static_cast<int>(fields[0].value);
        replay.randomState = static_cast<uint32_t>(fields[1].value);
        replay.date = fields[2].value;
        replay.score = static_cast<uint32_t>(fields[3].value);
        replay.bonus = static_cast<uint32_t>(fields[4].value);
        replay.total = static_cast<uint32_t>(fields[5].value);
        replay.playedTenths = static_cast<uint32_t>(fields[6].value);
        eventCount = fields[7].value;

        std::string_view line;
        if (!NextLine(line) || line != "journal") return Fail(line_, "expected 'journal'");
        Schedule schedule;
        uint64_t last = 0;
        for (;;) {
            if (!NextLine(line)) return Fail(line_ + 1, "the journal is cut short (no 'end' line)");
            if (line == "end") break;
            while (!line.empty()) {
                std::string_view token = Word(line);
                if (token.empty()) break;
                if (replay.events.size() >= static_cast<size_t>(eventCount)) {
                    return Fail(
                        line_, "more events than the " + std::to_string(eventCount) + " announced");
                }
                const char letter = token[0];
                token.remove_prefix(1);
                if (letter == 'R' || letter == 'N') {
                    int64_t id = 0;
                    if (!Number(token, id) || !token.empty() || id < 0 || id > INT32_MAX) {
                        return Fail(line_, "bad timer in a '" + std::string(1, letter) + "' token");
                    }
                    schedule.SetRearms(static_cast<int32_t>(id), letter == 'R');
                    continue;
                }
                if (letter == 'T' || letter == 'L' || letter == 'W') {
                    int64_t n = 0;
                    const std::string_view digits = token;
                    if (letter == 'W') {
                        if (digits.empty() || digits.size() > 64) {
                            return Fail(line_, "bad tick token");
                        }
                        for (char c : digits) {
                            if (LatenessOf(c) < 0) return Fail(line_, "bad tick token");
                        }
                        n = static_cast<int64_t>(digits.size());
                    } else if (!Number(token, n) || !token.empty()) {
                        return Fail(line_, "bad tick token");
                    }
                    const int64_t count = letter == 'L' ? 1 : n;
                    const int64_t lateness = letter == 'L' ? n : 0;
                    if (lateness < -static_cast<int64_t>(kTimeLimit) ||
                        lateness > static_cast<int64_t>(kTimeLimit)) {
                        return Fail(line_, "a tick out of time order");
                    }
                    if (count < 1 ||
                        count > eventCount - static_cast<int64_t>(replay.events.size())) {
                        return Fail(line_, "more events than the " + std::to_string(eventCount) +
                                               " announced");
                    }
                    for (int64_t i = 0; i < count; ++i) {
                        auto next = schedule.Next();
                        if (!next) return Fail(line_, "a tick while no timer runs");
                        const int64_t late =
                            letter == 'W' ? LatenessOf(digits[static_cast<size_t>(i)]) : lateness;
                        const int64_t time = static_cast<int64_t>(next->second) + late;
                        if (time < static_cast<int64_t>(last) ||
                            static_cast<uint64_t>(time) > kTimeLimit) {
                            return Fail(line_, "a tick out of time order");
                        }
                        last = static_cast<uint64_t>(time);
                        ReplayEvent e;
                        e.kind = ReplayEvent::Kind::Tick;
                        e.id = next->first;
                        e.time = last;
                        schedule.Took(e.id, last);
                        replay.events.push_back(e);
                        if (!schedule.Rearms(e.id)) continue;
                        if (replay.events.size() >= static_cast<size_t>(eventCount)) {
                            return Fail(line_, "more events than the " +
                                                   std::to_string(eventCount) + " announced");
                        }
                        e.kind = ReplayEvent::Kind::SetTimer;
                        e.period = *schedule.PeriodSet(e.id);
                        schedule.Set(e.id, e.period, last);
                        replay.events.push_back(e);
                    }
                    continue;
                }
                ReplayEvent e;
                std::array<int64_t, 3> n{};
                auto numbers = [&](size_t wanted, size_t optional) {
                    for (size_t i = 0; i < wanted + optional && i < n.size(); ++i) {
                        if (i > 0) {
                            if (token.empty() || token[0] != ',') return i >= wanted;
                            token.remove_prefix(1);
                        }
                        if (!Number(token, n[i]) || n[i] < 0 || n[i] > UINT32_MAX) return false;
                    }
                    return true;
                };
                const int64_t& a = n[0];
                const int64_t& b = n[1];
                const int64_t& c = n[2];
                bool ok = false;
                switch (letter) {
                    case 'D':
                    case 'U':
                        e.kind =
                            letter == 'D' ? ReplayEvent::Kind::KeyDown : ReplayEvent::Kind::KeyUp;
                        ok = numbers(1, 1);
                        e.code = static_cast<uint32_t>(a);
                        e.extra = static_cast<uint32_t>(b);
                        break;
                    case 'A':
                        e.kind = ReplayEvent::Kind::Focus;
                        ok = numbers(1, 0) && a <= 1;
                        e.code = static_cast<uint32_t>(a);
                        break;
                    case 'M':
                        e.kind = ReplayEvent::Kind::Other;
                        ok = numbers(3, 0) && b <= INT32_MAX;
                        e.code = static_cast<uint32_t>(a);
                        e.id = static_cast<int32_t>(b);
                        e.extra = static_cast<uint32_t>(c);
                        break;
                    case 'S':
                        e.kind = ReplayEvent::Kind::SetTimer;
                        ok = numbers(2, 0) && a <= INT32_MAX;
                        e.id = static_cast<int32_t>(a);
                        e.period = static_cast<uint32_t>(b);
                        break;
                    case 'K':
                    case 'X':
                        e.kind =
                            letter == 'K' ? ReplayEvent::Kind::KillTimer : ReplayEvent::Kind::Tick;
                        ok = numbers(1, 0) && a <= INT32_MAX;
                        e.id = static_cast<int32_t>(a);
                        break;
                    default:
                        return Fail(line_, "unknown token '" + std::string(1, letter) + "'");
                }
                if (!ok)
                    return Fail(line_, "bad numbers in a '" + std::string(1, letter) + "' token");
                int64_t delta = 0;
                if (!token.empty()) {
                    if (token[0] != '+')
                        return Fail(line_, "bad time in a '" + std::string(1, letter) + "' token");
                    token.remove_prefix(1);
                    if (!Number(token, delta) || !token.empty() || delta < 1 ||
                        delta > static_cast<int64_t>(kTimeLimit)) {
                        return Fail(line_, "bad time in a '" + std::string(1, letter) + "' token");
                    }
                }
                last += static_cast<uint64_t>(delta);
                if (last > kTimeLimit) return Fail(line_, "times beyond any game's length");
                e.time = last;
                if (e.kind == ReplayEvent::Kind::Tick) schedule.Took(e.id, last);
                if (e.kind == ReplayEvent::Kind::SetTimer) schedule.Set(e.id, e.period, last);
                if (e.kind == ReplayEvent::Kind::KillTimer) schedule.Kill(e.id);
                replay.events.push_back(e);
            }
        }
        if (replay.events.size() != static_cast<size_t>(eventCount)) {
            return Fail(line_, "the journal holds " + std::to_string(replay.events.size()) +
                                   " events where " + std::to_string(eventCount) +
                                   " were announced");
        }
        while (NextLine(line)) {
            if (!line.empty()) return Fail(line_, "text after 'end'");
        }
        result.replay = std::move(replay);
        return result;
    }

private:
    ReplayRead Fail(int line, std::string what) {
        ReplayRead result;
        result.error = ReplayError{line, std::move(what)};
        return result;
    }

    bool NextLine(std::string_view& line) {
        if (position_ >= text_.size()) return false;
        size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(position_, end - position_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        position_ = end + 1;
        ++line_;
        return true;
    }

    // The next space-separated word of `line`, which loses it and the spaces after it.
    static std::string_view Word(std::string_view& line) {
        size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            line = {};
            return {};
        }
        size_t end = line.find(' ', start);
        std::string_view word =
            line.substr(start, end == std::string_view::npos ? line.size() - start : end - start);
        line = end == std::string_view::npos ? std::string_view{} : line.substr(end);
        size_t rest = line.find_first_not_of(' ');
        line = rest == std::string_view::npos ? std::string_view{} : line.substr(rest);
        return word;
    }

    // A decimal number at the start of `text`, which loses it.
    static bool Number(std::string_view& text, int64_t& value) {
        const char* begin = text.data();
        const char* end = begin + text.size();
        if (begin != end && *begin == '+') return false;
        auto [next, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || next == begin) return false;
        text.remove_prefix(static_cast<size_t>(next - begin));
        return true;
    }

    std::string_view text_;
    size_t position_ = 0;
    int line_ = 0;
};

}  // namespace

ReplayRead ReadReplay(std::string_view text) {
    return Reader(text).Read();
}

uint32_t ReplayTotal(uint32_t score, uint32_t bonus) {
    const uint64_t total = uint64_t{score} + bonus;
    return total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
}

}  // namespace zolvex
