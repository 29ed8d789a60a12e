#include "Score.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace zolvex {

namespace {

std::vector<std::string_view> Tokens(std::string_view text) {
    // Bar lines are tokens of their own even where no blank separates them.
    std::vector<std::string_view> out;
    auto separator = [](char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '|'; };
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i < text.size() && text[i] == '|') {
            out.push_back(text.substr(i++, 1));
            continue;
        }
        size_t start = i;
        while (i < text.size() && !separator(text[i])) ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

std::optional<uint32_t> ParseLength(std::string_view s) {
    bool dotted = !s.empty() && s.back() == '.';
    if (dotted) s.remove_suffix(1);
    uint32_t len;
    if (s == "1")
        len = 4 * kTicksPerQuarter;
    else if (s == "2")
        len = 2 * kTicksPerQuarter;
    else if (s == "4")
        len = kTicksPerQuarter;
    else if (s == "8")
        len = kTicksPerQuarter / 2;
    else if (s == "16")
        len = kTicksPerQuarter / 4;
    else
        return std::nullopt;
    return dotted ? len + len / 2 : len;
}

int PitchClass(char letter) {
    static const int kClasses[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    return kClasses[letter - 'A'];
}

}  // namespace

std::optional<int> ParseKey(std::string_view name) {
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') return std::nullopt;
    int pc = PitchClass(name[0]);
    size_t i = 1;
    if (name[i] == '#' || name[i] == 'b') pc += name[i++] == '#' ? 1 : -1;
    if (i + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[i])))
        return std::nullopt;
    int octave = name[i] - '0';
    return 12 * (octave + 1) + pc;
}

std::optional<std::vector<ScoreNote>> ParseVoice(std::string_view text, int velocity,
                                                 std::string* error, uint32_t startTick) {
    std::vector<ScoreNote> notes;
    uint32_t tick = startTick;
    uint32_t length = kTicksPerQuarter;
    int bar = 1;
    auto fail = [&](std::string_view token, const std::string& why) {
        if (error)
            *error = "bar " + std::to_string(bar) + ", \"" + std::string(token) + "\": " + why;
        return std::nullopt;
    };
    for (std::string_view token : Tokens(text)) {
        if (token == "|") {
            if ((tick - startTick) % kTicksPerBar != 0)
                return fail(token, "the bar does not add up to 4 beats");
            bar = static_cast<int>((tick - startTick) / kTicksPerBar) + 1;
            continue;
        }
        std::string_view body = token;
        bool accent = !body.empty() && body.back() == '!';
        if (accent) body.remove_suffix(1);
        size_t colon = body.find(':');
        if (colon != std::string_view::npos) {
            auto parsed = ParseLength(body.substr(colon + 1));
            if (!parsed) return fail(token, "unknown length");
            length = *parsed;
            body = body.substr(0, colon);
        }
        if (body != "r") {
            size_t start = 0;
            while (start <= body.size()) {
                size_t plus = body.find('+', start);
                std::string_view name =
                    body.substr(start, plus == std::string_view::npos ? plus : plus - start);
                auto key = ParseKey(name);
                if (!key) return fail(token, "not a note");
                notes.push_back({tick, length, *key, std::min(127, velocity + (accent ? 18 : 0))});
                if (plus == std::string_view::npos) break;
                start = plus + 1;
            }
        }
        tick += length;
    }
    if ((tick - startTick) % kTicksPerBar != 0)
        return fail("end", "the last bar does not add up to 4 beats");
    return notes;
}

std::optional<std::vector<Chord>> ParseChart(std::string_view text, std::string* error,
                                             uint32_t startTick) {
    std::vector<Chord> chart;
    std::vector<std::string_view> bar;
    uint32_t barStart = startTick;
    auto flush = [&]() -> bool {
        if (bar.empty()) return true;
        uint32_t share = kTicksPerBar / static_cast<uint32_t>(bar.size());
        for (size_t i = 0; i < bar.size(); ++i) {
            std::string_view sym = bar[i];
            Chord c;
            c.tick = barStart + static_cast<uint32_t>(i) * share;
            c.length = share;
            if (sym.empty() || sym[0] < 'A' || sym[0] > 'G') return false;
            c.root = PitchClass(sym[0]);
            size_t q = 1;
            if (q < sym.size() && (sym[q] == '#' || sym[q] == 'b'))
                c.root += sym[q++] == '#' ? 1 : -1;
            c.root = (c.root + 12) % 12;
            std::string_view quality = sym.substr(q);
            if (quality.empty())
                c.intervals = {0, 4, 7};
            else if (quality == "m")
                c.intervals = {0, 3, 7};
            else if (quality == "7")
                c.intervals = {0, 4, 7, 10};
            else if (quality == "m7")
                c.intervals = {0, 3, 7, 10};
            else if (quality == "maj7")
                c.intervals = {0, 4, 7, 11};
            else if (quality == "sus4")
                c.intervals = {0, 5, 7};
            else if (quality == "dim")
                c.intervals = {0, 3, 6};
            else if (quality == "add9")
                c.intervals = {0, 4, 7, 14};
            else
                return false;
            chart.push_back(c);
        }
        bar.clear();
        barStart += kTicksPerBar;
        return true;
    };
    for (std::string_view token : Tokens(text)) {
        if (token == "|") {
            if (!flush()) break;
            continue;
        }
        bar.push_back(token);
    }
    if (!flush()) {
        if (error)
            *error = "unknown chord symbol in bar " +
                     std::to_string((barStart - startTick) / kTicksPerBar + 1);
        return std::nullopt;
    }
    return chart;
}

std::vector<int> Voicing(const Chord& chord, int low) {
    std::vector<int> keys;
    for (int interval : chord.intervals) {
        int pc = (chord.root + interval) % 12;
        int key = low + ((pc - low) % 12 + 12) % 12;
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

std::vector<ScoreNote> Pad(const std::vector<Chord>& chart, int low, int velocity) {
    std::vector<ScoreNote> notes;
    for (const Chord& c : chart)
        for (int key : Voicing(c, low)) notes.push_back({c.tick, c.length, key, velocity});
    return notes;
}

std::vector<ScoreNote> Arpeggio(const std::vector<Chord>& chart, int low, uint32_t step,
                                const std::vector<int>& order, int velocity) {
    std::vector<ScoreNote> notes;
    for (const Chord& c : chart) {
        std::vector<int> keys = Voicing(c, low);
        keys.push_back(keys.front() + 12);
        size_t i = 0;
        for (uint32_t t = 0; t + step <= c.length; t += step, ++i) {
            int index = std::clamp(order[i % order.size()], 0, static_cast<int>(keys.size()) - 1);
            // Lean on the beats a little so the figure does not sound mechanical.
            int accent = (t % kTicksPerQuarter == 0) ? 8 : 0;
            notes.push_back({c.tick + t, step, keys[index], velocity + accent});
        }
    }
    return notes;
}

std::vector<ScoreNote> BassLine(const std::vector<Chord>& chart, int low, std::string_view pattern,
                                int velocity) {
    std::vector<ScoreNote> notes;
    const uint32_t eighth = kTicksPerQuarter / 2;
    for (const Chord& c : chart) {
        int root = low + ((c.root - low) % 12 + 12) % 12;
        int third = root + (c.intervals.size() > 1 ? c.intervals[1] : 4);
        size_t steps = c.length / eighth;
        for (size_t i = 0; i < steps; ++i) {
            char ch = pattern[i % pattern.size()];
            if (ch == '-' && !notes.empty() &&
                notes.back().tick + notes.back().length == c.tick + i * eighth &&
                notes.back().tick >= c.tick) {
                notes.back().length += eighth;
                continue;
            }
            int key;
            switch (std::toupper(static_cast<unsigned char>(ch))) {
                case 'R':
                    key = root;
                    break;
                case 'F':
                    key = root + 7;
                    break;
                case 'O':
                    key = root + 12;
                    break;
                case 'T':
                    key = third;
                    break;
                default:
                    continue;
            }
            int vel = std::isupper(static_cast<unsigned char>(ch)) ? velocity : velocity - 20;
            notes.push_back({c.tick + static_cast<uint32_t>(i) * eighth, eighth, key, vel});
        }
    }
    return notes;
}

std::vector<ScoreNote> Groove(const std::vector<DrumLine>& lines, int firstBar, int bars) {
    std::vector<ScoreNote> notes;
    const uint32_t sixteenth = kTicksPerQuarter / 4;
    for (int bar = firstBar; bar < firstBar + bars; ++bar)
        for (const DrumLine& line : lines) {
            std::string_view steps = line.steps;
            for (size_t i = 0; i < steps.size() && i < 16; ++i) {
                int vel = steps[i] == 'X' ? 118 : steps[i] == 'x' ? 92 : steps[i] == 'o' ? 58 : 0;
                if (vel)
                    notes.push_back({bar * kTicksPerBar + static_cast<uint32_t>(i) * sixteenth,
                                     sixteenth, line.key, vel});
            }
        }
    return notes;
}

}  // namespace zolvex
