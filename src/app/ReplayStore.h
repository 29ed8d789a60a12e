// The recorded games kept in "replays/" of the data folder, one file each, named by
// level, date and time, and total ("level2-20261207-153012-4660.replay"). What is
// kept: for each level the game with the best total, and the last 20 games.
#pragma once

#include <optional>
#include <string>

#include "formats/ReplayFile.h"

namespace zolvex {

inline constexpr int kReplaysKept = 20;

// "<dataDirectory>/replays".
std::string ReplayFolder(const std::string& dataDirectory);

// Stores `replay` in `folder` (made 0700 if it is missing), atomically, and removes
// the replays no longer kept. The path written, or none after one line on standard
// error.
std::optional<std::string> StoreReplay(const std::string& folder, const Replay& replay);

// The replay with the best total of `level` in `folder` (the latest of equals); none
// when there is none.
std::optional<std::string> BestReplay(const std::string& folder, int level);

// Reads a replay file: none, after one line on standard error naming the file and
// the line at fault, when it cannot be read.
std::optional<Replay> LoadReplay(const std::string& path);

}  // namespace zolvex
