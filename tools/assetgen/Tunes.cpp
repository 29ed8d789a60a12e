#include "Tunes.h"

#include <algorithm>
#include <cstdio>

namespace zolvex {

MidiFile BuildSong(const std::string& title, int beatsPerMinute, int bars,
                   const std::vector<Part>& parts) {
    MidiFile file(static_cast<int>(kTicksPerQuarter));
    const uint32_t end = static_cast<uint32_t>(bars) * kTicksPerBar;
    MidiTrack& conductor = file.AddTrack();
    conductor.Name(title);
    conductor.TimeSignature(0, 4, 2);
    conductor.Tempo(0, static_cast<uint32_t>(60000000 / beatsPerMinute));
    conductor.End(end);
    for (const Part& part : parts) {
        MidiTrack& track = file.AddTrack();
        track.Name(part.name);
        if (part.channel != 9) track.Program(0, part.channel, part.program);
        track.Controller(0, part.channel, 7, part.volume);
        track.Controller(0, part.channel, 10, part.pan);
        track.Controller(0, part.channel, 91, part.reverb);
        for (const ScoreNote& n : part.notes) {
            if (n.tick >= end) continue;
            track.Note(n.tick, std::min(n.length, end - n.tick), part.channel, n.key, n.velocity);
        }
        track.End(end);
    }
    return file;
}

namespace {

// Collects the parsed pieces of one tune; the first mistake is reported once and spoils it.
class Sheet {
public:
    explicit Sheet(const char* tune) : tune_(tune) {}
    std::vector<ScoreNote> Voice(const char* text, int velocity, int startBar = 0) {
        std::string error;
        auto notes =
            ParseVoice(text, velocity, &error, static_cast<uint32_t>(startBar) * kTicksPerBar);
        if (!notes) Fail(error);
        return notes ? *notes : std::vector<ScoreNote>{};
    }
    std::vector<Chord> Chart(const char* text) {
        std::string error;
        auto chart = ParseChart(text, &error);
        if (!chart) Fail(error);
        return chart ? *chart : std::vector<Chord>{};
    }
    bool Ok() const { return ok_; }

private:
    void Fail(const std::string& error) {
        if (ok_) std::fprintf(stderr, "zolvex-assetgen: %s: %s\n", tune_, error.c_str());
        ok_ = false;
    }
    const char* tune_;
    bool ok_ = true;
};

std::vector<ScoreNote> Join(std::initializer_list<std::vector<ScoreNote>> parts) {
    std::vector<ScoreNote> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// General MIDI drum keys.
enum : int {
    kKick = 36,
    kSideStick = 37,
    kSnare = 38,
    kClosedHat = 42,
    kOpenHat = 46,
    kCrash = 49,
    kRide = 51,
    kTambourine = 54,
    kShaker = 70,
};

// Title screen: a light, friendly tune in C major at a walking pace; a flute over marimba.
std::optional<MidiFile> ComposeOpening() {
    Sheet sheet("open.mid");
    const int bars = 16;
    auto chart = sheet.Chart(
        "C | Am | F | G | C | Am | Dm7 G7 | C |"
        "F | G | Em | Am | F | G | Dm7 G7 | C G7");
    auto melody = sheet.Voice(
        "E5:4 G5:8 E5 D5:4 C5 | A4:4 C5:8 E5 A5:4. G5:8 | F5:4 E5:8 D5 C5:4 A4 | B4:4. C5:8 D5:2 |"
        "E5:4 G5:8 E5 C6:4 B5:8 A5 | A5:4. G5:8 E5:2 | F5:8 E5 D5 F5 E5 D5 C5 B4 | C5:2. r:4 |"
        "A5:4 A5:8 G5 F5:4 C5 | D5:8 E5 F5 G5 D5:2 | G5:4 B5:8 A5 G5:4 E5 | A5:2 E5 |"
        "F5:4 A5:8 C6 A5:4 F5 | G5:4. F5:8 E5:4 D5 | F5:8 E5 D5 C5 B4:4 D5 | C5:2 r:4 G4:4 |",
        92);
    std::vector<DrumLine> groove = {{kKick, "x.......x......."},
                                    {kSideStick, "....o.......o..."},
                                    {kClosedHat, "o.o.o.o.o.o.o.o."},
                                    {kShaker, "..o...o...o...o."}};
    if (!sheet.Ok()) return std::nullopt;
    return BuildSong("zolvex - open", 100, bars,
                     {
                         {"Flute", 0, 73, 104, 70, 50, melody},
                         {"Marimba", 1, 12, 80, 44, 40,
                          Arpeggio(chart, 60, kTicksPerQuarter / 2, {0, 1, 2, 3, 2, 1, 2, 1}, 62)},
                         {"Strings", 2, 48, 66, 84, 70, Pad(chart, 53, 50)},
                         {"Bass", 3, 33, 96, 64, 20, BassLine(chart, 36, "R-F-O-F-", 86)},
                         {"Drums", 9, 0, 72, 64, 30, Groove(groove, 0, bars)},
                     });
}

// Play: a driving A-minor tune at 140 beats a minute. Intro, two themes, a bridge, the first
// theme an octave higher and a closing riff: forty bars before it comes round again.
std::optional<MidiFile> ComposeGame() {
    Sheet sheet("game.mid");
    const int bars = 40;
    auto chart = sheet.Chart(
        "Am | F | G | E7 |"                      // intro
        "Am | F | G | Em | Am | F | G | E7 |"    // first theme
        "F | G | Am | Am | F | G | E | E |"      // second theme
        "Dm | Am | Dm | E | Dm | Am | F | E7 |"  // bridge
        "Am | F | G | Em | Am | F | G | E7 |"    // first theme, higher
        "Am | F | G | E7");                      // closing riff
    auto lead = sheet.Voice(
        "r:1 | r:1 | r:1 | r:1 |"
        "A4:8 C5 E5 A5 G5:4 E5:8 C5 | F5:4 E5:8 D5 C5:4 A4 | B4:8 D5 G5 B5 A5:4 G5:8 D5 | E5:4. "
        "D5:8 E5:4 G5 |"
        "A5:8 A5 G5 A5 C6:4 A5 | F5:8 G5 A5 F5 E5:4 C5 | D5:8 E5 F5 G5 B5:4 D6 | E6:4. D6:8 B5:4 "
        "G#5 |"
        "C6:4.! A5:8 r F5 A5:4 | B5:4.! G5:8 r D5 G5:4 | C6:8 B5 A5 G5 A5:4 E5 | A5:2 r:4 E5:8 G5 |"
        "A5:4.! F5:8 r A5 C6:4 | D6:4.! B5:8 r G5 B5:4 | G#5:8 A5 B5 C6 D6:4 B5 | E6:2 E5:4 G#5 |"
        "F5:4 A5 D6 C6:8 A5 | E5:4 A5 C6:2 | D6:8 C6 A5 F5 D5:4 F5 | E5:2 G#5:4 B5 |"
        "F5:8 A5 D6 F6 E6:4 D6 | C6:8 B5 A5 E5 A5:2 | A5:4 C6 F6:4. E6:8 | D6:8 C6 B5 A5 G#5:2 |"
        "A5:8 C6 E6 A6 G6:4 E6:8 C6 | F6:4 E6:8 D6 C6:4 A5 | B5:8 D6 G6 B5 A5:4 G5:8 D5 | E5:4. "
        "D5:8 E5:4 G5 |"
        "A5:8 A5 G5 A5 C6:4 A5 | F5:8 G5 A5 C6 F6:4 E6 | D6:8 C6 B5 G5 B5:4 D6 | E6:2. r:4 |"
        "E5:8 A5 E5 A5 C6:4 B5 | A5:2 r | B5:8 G5 D5 G5 B5:4 D6 | E6:2 r |",
        96);
    const std::vector<DrumLine> intro = {{kKick, "X...x...X...x..."},
                                         {kClosedHat, "x.x.x.x.x.x.x.x."}};
    const std::vector<DrumLine> main = {{kKick, "X.....x.X.x....."},
                                        {kSnare, "....X.......X..."},
                                        {kClosedHat, "x.x.x.x.x.x.x.o."},
                                        {kOpenHat, "..............x."}};
    const std::vector<DrumLine> bridge = {{kKick, "X.......X.....x."},
                                          {kSnare, "....X.......X..."},
                                          {kRide, "x.x.x.x.x.x.x.x."},
                                          {kTambourine, "....o.......o..."}};
    const std::vector<DrumLine> fill = {{kKick, "X.......X......."}, {kSnare, "....X...X.xxXXXX"}};
    const std::vector<DrumLine> crash = {{kCrash, "X..............."}};
    auto drums =
        Join({Groove(intro, 0, 3), Groove(fill, 3, 1), Groove(main, 4, 7), Groove(fill, 11, 1),
              Groove(main, 12, 7), Groove(fill, 19, 1), Groove(bridge, 20, 7), Groove(fill, 27, 1),
              Groove(main, 28, 7), Groove(fill, 35, 1), Groove(main, 36, 3), Groove(fill, 39, 1),
              Groove(crash, 4, 1), Groove(crash, 12, 1), Groove(crash, 20, 1), Groove(crash, 28, 1),
              Groove(crash, 36, 1)});
    if (!sheet.Ok()) return std::nullopt;
    return BuildSong("zolvex - game", 140, bars,
                     {
                         {"Lead", 0, 80, 92, 64, 40, lead},
                         {"Keys", 1, 5, 74, 40, 40,
                          Arpeggio(chart, 57, kTicksPerQuarter / 4, {0, 1, 2, 3, 2, 1, 2, 3}, 58)},
                         {"Strings", 2, 50, 60, 88, 60, Pad(chart, 55, 52)},
                         {"Bass", 3, 38, 100, 64, 10, BassLine(chart, 33, "RRORRROR", 96)},
                         {"Drums", 9, 0, 96, 64, 25, drums},
                     });
}

// Ranking: a calm horn tune in F major, slow and a little proud, with strings, harp and
// timpani on the cadences.
std::optional<MidiFile> ComposeRanking() {
    Sheet sheet("rank.mid");
    const int bars = 16;
    auto chart = sheet.Chart(
        "F | Bb | C | F | Dm | Bb | Gm7 C | F |"
        "Bb | C | Am | Dm | Bb | C | Bb C | F");
    auto horn = sheet.Voice(
        "C5:4 F5 A5:4. G5:8 | F5:2 D5:4 F5 | E5:4. F5:8 G5:4 C5 | A4:2. C5:4 |"
        "D5:4 F5 A5 D6 | C6:4. Bb5:8 A5:4 F5 | G5:4 Bb5 A5 G5 | F5:2. C5:4 |"
        "D5:4 F5 Bb5:2 | C6:4. Bb5:8 A5:4 G5 | A5:4 E5 C5 E5 | F5:2. A5:4 |"
        "Bb5:4. A5:8 G5:4 F5 | G5:2 E5:4 C5 | F5:4 A5 G5 E5 | F5:2. r:4 |",
        86);
    auto timpani = sheet.Voice(
        "F2:4 r r:2 | r:1 | r:1 | r:2 C2:4 C2 |"
        "r:1 | r:1 | r:1 | F2:4 r C2 C2 |"
        "F2:4 r r:2 | r:1 | r:1 | r:1 |"
        "r:1 | r:2 C2:4 C2 | r:1 | F2:4 r r:2 |",
        84);
    const std::vector<DrumLine> calm = {{kKick, "o.......o......."}, {kRide, "o...o...o...o..."}};
    const std::vector<DrumLine> swell = {{kCrash, "x..............."}};
    const std::vector<DrumLine> roll = {{kKick, "o.......o......."}, {kSnare, "............ooxx"}};
    auto drums =
        Join({Groove(swell, 0, 1), Groove(swell, 8, 1), Groove(calm, 8, 7), Groove(roll, 15, 1)});
    if (!sheet.Ok()) return std::nullopt;
    return BuildSong("zolvex - rank", 80, bars,
                     {
                         {"Horn", 0, 60, 104, 60, 60, horn},
                         {"Harp", 1, 46, 80, 36, 60,
                          Arpeggio(chart, 60, kTicksPerQuarter / 2, {0, 1, 2, 3, 2, 1, 0, 1}, 56)},
                         {"Strings", 2, 48, 76, 90, 80, Pad(chart, 53, 56)},
                         {"Bass", 3, 32, 92, 64, 30, BassLine(chart, 36, "R---F---", 84)},
                         {"Timpani", 4, 47, 84, 64, 50, timpani},
                         {"Drums", 9, 0, 64, 64, 50, drums},
                     });
}

}  // namespace

const std::vector<Tune>& AllTunes() {
    static const std::vector<Tune> kTunes = {
        {"open.mid", ComposeOpening},
        {"game.mid", ComposeGame},
        {"rank.mid", ComposeRanking},
    };
    return kTunes;
}

}  // namespace zolvex
