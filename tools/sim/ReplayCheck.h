// zolvex-sim --verify: a recorded game played again headlessly, as fast as it goes,
// and its result held to the recorded one.
#pragma once

#include <iosfwd>
#include <string>

#include "app/Program.h"

namespace zolvex {

// Plays `replay` on the headless platform with the program's folder `directory`.
PlaybackResult ReplayHeadless(const Replay& replay, const std::string& directory);

// The JSON line of a check: the result recomputed, and whether it matches the recorded
// one. Returns the exit status: 0 when it matches, 1 when not or when the game parted
// from its recording (said on `err`).
int ReportReplayCheck(const std::string& name, const Replay& replay, const PlaybackResult& played,
                      std::ostream& out, std::ostream& err);

// The whole option: 2 for a file that cannot be read, with the line at fault.
int VerifyReplayFile(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace zolvex
