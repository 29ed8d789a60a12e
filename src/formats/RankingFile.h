// The ranking file "score.scr": for each level (1..3) ten places in the sections
// "<level><place>" ("10" is the beginner's first place, "39" the expert's tenth),
// each with the keys Name, Score and Check.
#pragma once

#include <cstdint>
#include <string>

namespace zolvex {

// One place of a level's top-10 table. An empty place has an empty name and score 0.
struct RankEntry {
    char name[11];  // up to 10 characters and the terminator
    uint32_t score;
    int32_t check;  // read and carried, never written
};

// Reads the ten places of `level`; missing file, section or key = empty name, score 0.
// Names keep their first 10 characters. A negative Score (older files) reads as its
// 32-bit two's complement; larger values wrap modulo 2^32.
void ReadRankingTable(const std::string& path, int level, RankEntry (&entries)[10]);

// Writes "Name" then "Score" ("%010u") of places 0..9 in one atomic replace of the
// file; nothing else is touched. Returns false when the write failed.
bool WriteRankingTable(const std::string& path, int level, const RankEntry (&entries)[10]);

// Stores a game's place. Under the file's lock, reads the level's table as it is now
// (another copy may have stored a game since it was shown), inserts `entry`'s name and
// score above the first place whose score is not higher, and writes the ten places as
// WriteRankingTable does. A null entry, or one that no longer ranks, writes the table
// as it is. Returns false when the write failed.
bool StoreRankingEntry(const std::string& path, int level, const RankEntry* entry);

// The scores the game shows during play: places 1 to 3 and the tenth.
struct BestScores {
    uint32_t best[3];
    uint32_t tenth;
};

// Reads "Score" of the sections "<level>0", "<level>1", "<level>2" and "<level>9".
BestScores ReadBestScores(const std::string& path, int level);

}  // namespace zolvex
