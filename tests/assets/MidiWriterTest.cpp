// The Standard MIDI file writer.
#include <gtest/gtest.h>

#include "MidiWriter.h"

namespace zolvex {
namespace {

std::vector<uint8_t> VarLen(uint32_t v) {
    std::vector<uint8_t> out;
    AppendVarLen(out, v);
    return out;
}

TEST(MidiWriter, EncodesVariableLengthQuantitiesAsTheFileFormatDefines) {
    EXPECT_EQ(VarLen(0), (std::vector<uint8_t>{0x00}));
    EXPECT_EQ(VarLen(0x7F), (std::vector<uint8_t>{0x7F}));
    EXPECT_EQ(VarLen(0x80), (std::vector<uint8_t>{0x81, 0x00}));
    EXPECT_EQ(VarLen(0x2000), (std::vector<uint8_t>{0xC0, 0x00}));
    EXPECT_EQ(VarLen(0x3FFF), (std::vector<uint8_t>{0xFF, 0x7F}));
    EXPECT_EQ(VarLen(0x100000), (std::vector<uint8_t>{0xC0, 0x80, 0x00}));
    EXPECT_EQ(VarLen(0x0FFFFFFF), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST(MidiWriter, NoteEndingWhereTheNextStartsIsReleasedFirst) {
    MidiTrack track;
    track.Note(480, 480, 0, 62, 100);  // added first, but starts later
    track.Note(0, 480, 0, 60, 100);
    track.End(960);
    std::vector<uint8_t> expected{'M', 'T',  'r',  'k',  0,    0,  0,    22,   0x00, 0x90,
                                  60,  100,  0x83, 0x60, 0x80, 60, 64,   0x00, 0x90, 62,
                                  100, 0x83, 0x60, 0x80, 62,   64, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(track.Encode(), expected);
}

TEST(MidiWriter, EndOfTrackSitsAtTheGivenTickAfterEveryEvent) {
    MidiTrack track;
    track.Program(0, 2, 48);
    track.End(1920);
    std::vector<uint8_t> expected{'M',  'T',  'r', 'k',  0,    0,    0,    8,
                                  0x00, 0xC2, 48,  0x8F, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(track.Encode(), expected);
}

TEST(MidiWriter, FileHeaderCountsTracksAndTicks) {
    MidiFile file(480);
    file.AddTrack().Tempo(0, 500000);
    file.AddTrack();
    std::vector<uint8_t> b = file.Encode();
    std::vector<uint8_t> header{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0};
    ASSERT_GE(b.size(), header.size());
    EXPECT_TRUE(std::equal(header.begin(), header.end(), b.begin()));
    // The tempo event: delta 0, FF 51 03, 500000 microseconds.
    std::vector<uint8_t> tempo{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    EXPECT_NE(std::search(b.begin(), b.end(), tempo.begin(), tempo.end()), b.end());
}

}  // namespace
}  // namespace zolvex
