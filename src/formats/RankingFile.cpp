#include "formats/RankingFile.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/ProfileFile.h"

namespace zolvex {

namespace {

constexpr size_t kNameStorage = sizeof(RankEntry::name);
// The whole score text: any number of leading zeros still reads as the number.
constexpr size_t kScoreStorage = std::string::npos;

std::string SectionName(int level, int place) {
    return std::to_string(level) + std::to_string(place);
}

// Scores were once written with a signed format, so totals of 2^31 and more were
// stored as negative text; reading modulo 2^32 brings them back unchanged.
uint32_t ReadScore(const ProfileSnapshot& file, const std::string& section) {
    return ParseLeadingDecimal(file.GetString(section, "Score", "", kScoreStorage));
}

}  // namespace

void ReadRankingTable(const std::string& path, int level, RankEntry (&entries)[10]) {
    ProfileSnapshot file(path);
    for (int place = 0; place < 10; ++place) {
        std::string section = SectionName(level, place);
        RankEntry& entry = entries[place];
        std::string name = file.GetString(section, "Name", "", kNameStorage);
        std::memset(entry.name, 0, sizeof entry.name);
        std::memcpy(entry.name, name.data(), name.size());
        entry.score = ReadScore(file, section);
        entry.check = file.GetInt(section, "Check", 0);
    }
}

bool WriteRankingTable(const std::string& path, int level, const RankEntry (&entries)[10]) {
    std::vector<ProfileWrite> writes;
    writes.reserve(20);
    for (int place = 0; place < 10; ++place) {
        std::string section = SectionName(level, place);
        const RankEntry& entry = entries[place];
        char score[16];
        std::snprintf(score, sizeof score, "%010u", static_cast<unsigned>(entry.score));
        writes.push_back({section, "Name", std::string(entry.name, strnlen(entry.name, 10))});
        writes.push_back({section, "Score", score});
    }
    return WriteProfileStrings(path, writes);
}

BestScores ReadBestScores(const std::string& path, int level) {
    ProfileSnapshot file(path);
    BestScores scores{};
    for (int place = 0; place < 3; ++place) {
        scores.best[place] = ReadScore(file, SectionName(level, place));
    }
    scores.tenth = ReadScore(file, SectionName(level, 9));
    return scores;
}

}  // namespace zolvex
