#include "app/ReplayStore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "core/Paths.h"
#include "formats/ProfileFile.h"

namespace zolvex {

namespace fs = std::filesystem;

namespace {

// What a replay's name says of it.
struct Stored {
    std::string name;
    int level = 0;
    std::string when;  // "YYYYMMDD-HHMMSS"
    int sequence = 0;  // 1 for the first of a second, then 2, 3...
    uint64_t total = 0;
};

// Reads "level<L>-<YYYYMMDD>-<HHMMSS>[.<n>]-<total>.replay"; other names are not ours.
std::optional<Stored> ParseName(const std::string& name) {
    Stored s;
    s.name = name;
    unsigned level = 0, sequence = 1;
    char day[9] = {}, time[7] = {};
    unsigned long long total = 0;
    int used = 0;
    if (std::sscanf(name.c_str(), "level%1u-%8[0-9]-%6[0-9]%n", &level, day, time, &used) != 3 ||
        std::strlen(day) != 8 || std::strlen(time) != 6) {
        return std::nullopt;
    }
    const char* rest = name.c_str() + used;
    int more = 0;
    if (std::sscanf(rest, ".%u%n", &sequence, &more) == 1) rest += more;
    more = 0;
    if (std::sscanf(rest, "-%llu.replay%n", &total, &more) != 1 || rest[more] != '\0') {
        return std::nullopt;
    }
    s.level = static_cast<int>(level);
    s.when = std::string(day) + "-" + time;
    s.sequence = static_cast<int>(sequence);
    s.total = total;
    return s;
}

std::vector<Stored> ListReplays(const std::string& folder) {
    std::vector<Stored> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        if (std::optional<Stored> s = ParseName(entry.path().filename().string())) {
            found.push_back(*s);
        }
    }
    return found;
}

bool Later(const Stored& a, const Stored& b) {
    return a.when != b.when ? a.when > b.when : a.sequence > b.sequence;
}

// Removes what is no longer kept: every replay that is neither among the last
// kReplaysKept nor its level's best; and temporaries of writes cut short a while ago.
void Prune(const std::string& folder) {
    std::vector<Stored> all = ListReplays(folder);
    std::sort(all.begin(), all.end(), Later);
    std::map<int, const Stored*> best;
    for (const Stored& s : all) {
        auto it = best.find(s.level);
        if (it == best.end() || s.total > it->second->total) best[s.level] = &s;
    }
    std::error_code error;
    for (size_t i = kReplaysKept; i < all.size(); ++i) {
        if (best[all[i].level] != &all[i]) fs::remove(JoinPath(folder, all[i].name), error);
    }
    const auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 2 || name[0] != '.' || name.find(".replay.tmp.") == std::string::npos) {
            continue;
        }
        const auto written = fs::last_write_time(entry.path(), error);
        if (!error && now - written > std::chrono::minutes(10)) fs::remove(entry.path(), error);
    }
}

}  // namespace

std::string ReplayFolder(const std::string& dataDirectory) {
    return JoinPath(dataDirectory, "replays");
}

std::optional<std::string> StoreReplay(const std::string& folder, const Replay& replay) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "zolvex: cannot make the replay folder %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return std::nullopt;
    }
    const std::time_t date = static_cast<std::time_t>(replay.date);
    std::tm local{};
    if (localtime_r(&date, &local) == nullptr) local = std::tm{};
    char when[32];
    std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &local);
    std::string path;
    std::error_code error;
    // Two games ended within one second are told apart by a sequence number.
    for (int sequence = 1; sequence < 1000; ++sequence) {
        char name[96];
        if (sequence == 1) {
            std::snprintf(name, sizeof name, "level%d-%s-%u.replay", replay.level, when,
                          replay.total);
        } else {
            std::snprintf(name, sizeof name, "level%d-%s.%d-%u.replay", replay.level, when,
                          sequence, replay.total);
        }
        path = JoinPath(folder, name);
        if (!fs::exists(fs::symlink_status(path, error))) break;
    }
    if (!WriteFileAtomically(path, WriteReplay(replay))) return std::nullopt;
    Prune(folder);
    return path;
}

std::optional<std::string> BestReplay(const std::string& folder, int level) {
    std::vector<Stored> all = ListReplays(folder);
    const Stored* best = nullptr;
    for (const Stored& s : all) {
        if (s.level != level) continue;
        if (best == nullptr || s.total > best->total ||
            (s.total == best->total && Later(s, *best))) {
            best = &s;
        }
    }
    if (best == nullptr) return std::nullopt;
    return JoinPath(folder, best->name);
}

std::optional<Replay> LoadReplay(const std::string& path) {
    std::error_code error;
    const auto status = fs::status(path, error);
    if (error || !fs::is_regular_file(status)) {
        std::fprintf(stderr, "zolvex: cannot read the replay %s: not a readable file\n",
                     path.c_str());
        return std::nullopt;
    }
    if (fs::file_size(path, error) > kReplayFileLimit) {
        std::fprintf(stderr, "zolvex: cannot read the replay %s: larger than 4 MiB\n",
                     path.c_str());
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        std::fprintf(stderr, "zolvex: cannot read the replay %s\n", path.c_str());
        return std::nullopt;
    }
    ReplayRead read = ReadReplay(text);
    if (!read.replay) {
        if (read.error.line > 0) {
            std::fprintf(stderr, "zolvex: %s line %d: %s\n", path.c_str(), read.error.line,
                         read.error.what.c_str());
        } else {
            std::fprintf(stderr, "zolvex: %s: %s\n", path.c_str(), read.error.what.c_str());
        }
        return std::nullopt;
    }
    return read.replay;
}

}  // namespace zolvex
