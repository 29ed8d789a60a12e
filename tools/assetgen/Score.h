// Small text scores for the tunes: melodies written note by note, chord charts, and the
// accompaniment figures (pads, arpeggios, bass lines, drum grooves) played over a chart.
//
// A voice is a list of tokens separated by blanks:
//   C5:4    a note (C4 is middle C, key 60) with its length: 1 whole, 2 half, 4 quarter,
//           8 eighth, 16 sixteenth; a trailing '.' dots it. Without ':' the last length holds.
//   Eb4 F#3 accidentals; C4+E4+G4:2 several keys sounding together; r:8 a rest;
//   A5:4!   an accent (louder); |  a bar line, checked to fall exactly on a bar boundary.
// A chord chart is one chord symbol per bar or several that share the bar evenly, bars
// separated by '|': "C | Am | Dm7 G7 | C". Symbols: root A-G, optional # or b, then one of
// "", m, 7, m7, maj7, sus4, dim, add9.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolvex {

inline constexpr uint32_t kTicksPerQuarter = 480;
inline constexpr uint32_t kTicksPerBar = 4 * kTicksPerQuarter;  // every tune is in 4/4

struct ScoreNote {
    uint32_t tick = 0;
    uint32_t length = 0;
    int key = 0;
    int velocity = 0;
};

struct Chord {
    uint32_t tick = 0;
    uint32_t length = 0;
    int root = 0;                // pitch class, 0 = C
    std::vector<int> intervals;  // semitones above the root, the root (0) first
};

// Parses a voice (see above) starting at `startTick`. On a mistake returns nothing and
// describes it (token and bar) in *error.
std::optional<std::vector<ScoreNote>> ParseVoice(std::string_view text, int velocity,
                                                 std::string* error, uint32_t startTick = 0);
// Parses a chord chart; nothing, with the reason in *error, on an unknown symbol.
std::optional<std::vector<Chord>> ParseChart(std::string_view text, std::string* error,
                                             uint32_t startTick = 0);
// Key number of a note name such as "C4", "F#3" or "Bb5"; nothing when it is not one.
std::optional<int> ParseKey(std::string_view name);

// The chord's tones as keys at or above `low` and below low + 12: close voicings that move
// smoothly from chord to chord.
std::vector<int> Voicing(const Chord& chord, int low);

// Each chord held for its whole length.
std::vector<ScoreNote> Pad(const std::vector<Chord>& chart, int low, int velocity);
// The chord's voicing (plus its top octave) broken into steps of `step` ticks, visiting the
// voice indices of `order` in turn, restarting with each chord.
std::vector<ScoreNote> Arpeggio(const std::vector<Chord>& chart, int low, uint32_t step,
                                const std::vector<int>& order, int velocity);
// A bass line on an eighth-note grid, one character per eighth, repeating over each chord:
// R root, F fifth, O root an octave up, T third, '-' holds the previous note, '.' rests. The
// root sits at or above `low`. Upper-case letters play at `velocity`, lower-case softer.
std::vector<ScoreNote> BassLine(const std::vector<Chord>& chart, int low, std::string_view pattern,
                                int velocity);

// A drum groove: one line per drum key on a sixteenth-note grid (16 characters a bar):
// 'X' accent, 'x' normal, 'o' soft, '.' silent.
struct DrumLine {
    int key;
    const char* steps;
};
// The groove played from bar `firstBar` for `bars` bars.
std::vector<ScoreNote> Groove(const std::vector<DrumLine>& lines, int firstBar, int bars);

}  // namespace zolvex
