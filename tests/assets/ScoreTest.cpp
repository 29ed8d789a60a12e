// The text scores: note names, lengths, bar checks, chord charts and accompaniment figures.
#include <gtest/gtest.h>

#include "Score.h"
#include "Tunes.h"

namespace zolvex {
namespace {

constexpr uint32_t kQ = kTicksPerQuarter;

TEST(Score, NoteNamesGiveMidiKeys) {
    EXPECT_EQ(ParseKey("C4"), 60);
    EXPECT_EQ(ParseKey("A4"), 69);
    EXPECT_EQ(ParseKey("Bb3"), 58);
    EXPECT_EQ(ParseKey("F#5"), 78);
    EXPECT_EQ(ParseKey("C0"), 12);
    EXPECT_FALSE(ParseKey("H4"));
    EXPECT_FALSE(ParseKey("C"));
    EXPECT_FALSE(ParseKey("C#"));
    EXPECT_FALSE(ParseKey("C10"));
}

TEST(Score, VoiceLengthsDotsRestsChordsAndAccents) {
    std::string error;
    auto notes = ParseVoice("C4:4. D4:8 r:4 E4 | G3+B3+D4:2 A4:4! r |", 80, &error);
    ASSERT_TRUE(notes) << error;
    ASSERT_EQ(notes->size(), 7u);
    EXPECT_EQ((*notes)[0].length, kQ * 3 / 2);
    EXPECT_EQ((*notes)[1].tick, kQ * 3 / 2);
    EXPECT_EQ((*notes)[1].length, kQ / 2);
    EXPECT_EQ((*notes)[2].key, 64);
    EXPECT_EQ((*notes)[2].tick, 3 * kQ) << "the rest takes its quarter";
    EXPECT_EQ((*notes)[2].length, kQ) << "a length holds until the next one is given";
    for (int i = 3; i < 6; ++i) {
        EXPECT_EQ((*notes)[i].tick, 4 * kQ);
        EXPECT_EQ((*notes)[i].length, 2 * kQ);
    }
    EXPECT_EQ((*notes)[6].key, 69);
    EXPECT_GT((*notes)[6].velocity, 80) << "accented";
    EXPECT_EQ((*notes)[0].velocity, 80);
}

TEST(Score, BarsThatDoNotAddUpAreReportedWithTheirNumber) {
    std::string error;
    EXPECT_FALSE(ParseVoice("C4:1 | D4:2 E4:4 | F4:1 |", 80, &error));
    EXPECT_NE(error.find("bar 2"), std::string::npos) << error;
    EXPECT_FALSE(ParseVoice("C4:2 D4:4", 80, &error)) << "an unfinished last bar";
    EXPECT_FALSE(ParseVoice("C4:3", 80, &error)) << "no such length";
    EXPECT_FALSE(ParseVoice("X4:1", 80, &error));
    EXPECT_TRUE(ParseVoice("C4:1|D4:1|", 80, &error))
        << "bar lines need no blanks around them: " << error;
}

TEST(Score, ChartsShareABarBetweenItsChords) {
    std::string error;
    auto chart = ParseChart("C | Dm7 G7 | F#m | Bbmaj7", &error);
    ASSERT_TRUE(chart) << error;
    ASSERT_EQ(chart->size(), 5u);
    EXPECT_EQ((*chart)[1].tick, kTicksPerBar);
    EXPECT_EQ((*chart)[1].length, kTicksPerBar / 2);
    EXPECT_EQ((*chart)[2].tick, kTicksPerBar * 3 / 2);
    EXPECT_EQ((*chart)[2].intervals, (std::vector<int>{0, 4, 7, 10}));
    EXPECT_EQ((*chart)[3].root, 6);
    EXPECT_EQ((*chart)[3].intervals, (std::vector<int>{0, 3, 7}));
    EXPECT_EQ((*chart)[4].root, 10);
    EXPECT_FALSE(ParseChart("C | Cx", &error));
}

TEST(Score, VoicingsStayWithinAnOctaveAboveTheLowestKey) {
    std::string error;
    auto chart = ParseChart("G7", &error);
    ASSERT_TRUE(chart);
    std::vector<int> keys = Voicing((*chart)[0], 60);
    EXPECT_EQ(keys, (std::vector<int>{62, 65, 67, 71}));  // D F G B
}

TEST(Score, BassLineHoldsRestsAndSplitsWithTheChords) {
    std::string error;
    auto chart = ParseChart("C | F G", &error);
    ASSERT_TRUE(chart);
    auto bass = BassLine(*chart, 36, "R-.F", 90);
    // Bar 1: C held a quarter, rest, G; then C again for the second half.
    ASSERT_GE(bass.size(), 4u);
    EXPECT_EQ(bass[0].key, 36);
    EXPECT_EQ(bass[0].length, kQ);
    EXPECT_EQ(bass[1].key, 43);
    EXPECT_EQ(bass[1].tick, 3 * kQ / 2);
    EXPECT_EQ(bass[2].tick, 2 * kQ);
    // Bar 2, second half: G from the octave above 36 upwards.
    const ScoreNote& g = bass[bass.size() - 2];
    EXPECT_EQ(g.key, 43);
    EXPECT_EQ(g.tick, kTicksPerBar + 2 * kQ);
    for (const ScoreNote& n : bass) EXPECT_LE(n.tick + n.length, 2 * kTicksPerBar);
}

TEST(Score, GroovePlacesHitsOnTheSixteenthGrid) {
    auto hits = Groove({{36, "X...x..........."}, {38, "....o..........."}}, 2, 2);
    ASSERT_EQ(hits.size(), 6u);
    EXPECT_EQ(hits[0].tick, 2 * kTicksPerBar);
    EXPECT_EQ(hits[0].velocity, 118);
    EXPECT_EQ(hits[1].tick, 2 * kTicksPerBar + kQ);
    EXPECT_LT(hits[2].velocity, hits[1].velocity);
}

TEST(Score, SongIsCutAtItsLastBarSoItLoopsWithoutAHangingNote) {
    Part part{"Lead",
              0,
              80,
              100,
              64,
              40,
              {{0, kTicksPerBar * 3, 60, 90}, {kTicksPerBar * 3, kQ, 62, 90}}};
    std::vector<uint8_t> bytes = BuildSong("t", 120, 2, {part}).Encode();
    // The held note is released exactly at bar 2 and the note after the end is left out.
    std::vector<uint8_t> off{0x80, 60, 64, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), off.begin(), off.end()), bytes.end());
    std::vector<uint8_t> late{0x90, 62};
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), late.begin(), late.end()), bytes.end());
}

}  // namespace
}  // namespace zolvex
