// The three tunes of the game, composed in text scores, and how they become MIDI files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "MidiWriter.h"
#include "Score.h"

namespace zolvex {

// One instrument of a tune: its General MIDI program on its own channel (9 for drums).
struct Part {
    std::string name;
    int channel = 0;
    int program = 0;  // ignored on channel 9
    int volume = 100;
    int pan = 64;
    int reverb = 40;
    std::vector<ScoreNote> notes;
};

// A format-1 file: a first track with the title, tempo and 4/4 metre, then one track per part.
// Every track ends exactly at bar `bars`; a note reaching past it is cut there, so the tune
// loops without a gap or a hanging note.
MidiFile BuildSong(const std::string& title, int beatsPerMinute, int bars,
                   const std::vector<Part>& parts);

struct Tune {
    const char* fileName;
    std::optional<MidiFile> (*compose)();  // nothing when a score does not parse
};

// open.mid (title screen), game.mid (play), rank.mid (ranking and name entry).
const std::vector<Tune>& AllTunes();

}  // namespace zolvex
