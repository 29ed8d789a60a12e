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

void ReadTable(const ProfileSnapshot& file, int level, RankEntry (&entries)[10]) {
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

std::vector<ProfileWrite> TableWrites(int level, const RankEntry (&entries)[10]) {
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
    return writes;
}

}  // namespace

void ReadRankingTable(const std::string& path, int level, RankEntry (&entries)[10]) {
    ReadTable(ProfileSnapshot(path), level, entries);
}

bool WriteRankingTable(const std::string& path, int level, const RankEntry (&entries)[10]) {
    return WriteProfileStrings(path, TableWrites(level, entries));
}

bool StoreRankingEntry(const std::string& path, int level, const RankEntry* entry) {
    return UpdateProfile(path, [&](const ProfileSnapshot& file) {
        RankEntry entries[10];
        ReadTable(file, level, entries);
        if (entry != nullptr) {
            for (int place = 0; place < 10; ++place) {
                if (entries[place].score > entry->score) continue;
                for (int i = 9; i > place; --i) entries[i] = entries[i - 1];
                std::memcpy(entries[place].name, entry->name, sizeof entry->name);
                entries[place].name[sizeof entry->name - 1] = '\0';
                entries[place].score = entry->score;
                break;
            }
        }
        return TableWrites(level, entries);
    });
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
