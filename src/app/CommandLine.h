// The game's command line: what the player asked for, and the texts of --help.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zolvex {

struct CommandLine {
    enum class Action { Play, Help, Version, Usage };
    Action action = Action::Play;
    std::string error;  // with Action::Usage: what was wrong
    // --fullscreen / --windowed and --scale N: over the settings, for this run only.
    std::optional<bool> windowed;
    std::optional<int> scale;
    // --replay FILE: plays that recorded game and ends.
    std::optional<std::string> replay;
};

// Reads the arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The one-line usage, and the whole --help text naming this copy's folders.
std::string UsageText();
std::string HelpText(const std::string& programFolder, const std::string& settingsFolder,
                     const std::string& scoresFolder);
std::string VersionText();

}  // namespace zolvex
