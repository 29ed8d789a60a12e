#include "app/CommandLine.h"

#include <charconv>

namespace zolvex {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--fullscreen" || argument == "--windowed") {
            line.windowed = argument == "--windowed";
        } else if (argument == "--scale") {
            int scale = 0;
            const std::string value = i + 1 < arguments.size() ? arguments[++i] : "";
            const char* end = value.data() + value.size();
            auto [next, error] = std::from_chars(value.data(), end, scale);
            if (value.empty() || error != std::errc() || next != end || scale < 1 || scale > 16) {
                line.action = CommandLine::Action::Usage;
                line.error = "--scale needs a whole number from 1 to 16";
                return line;
            }
            line.scale = scale;
        } else if (argument == "--replay") {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                line.action = CommandLine::Action::Usage;
                line.error = "--replay needs a replay FILE";
                return line;
            }
            line.replay = arguments[++i];
        } else if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::Help;
        } else if (argument == "--version") {
            line.action = CommandLine::Action::Version;
        } else {
            line.action = CommandLine::Action::Usage;
            line.error = (argument.size() > 1 && argument[0] == '-' ? "unknown option '"
                                                                    : "unexpected argument '") +
                         argument + "'";
            return line;
        }
    }
    return line;
}

std::string UsageText() {
    return "usage: zolvex [--fullscreen | --windowed] [--scale N] [--replay FILE] [--help] "
           "[--version]\n";
}

std::string HelpText(const std::string& programFolder, const std::string& settingsFolder,
                     const std::string& scoresFolder) {
    return UsageText() +
           "\n"
           "A falling-number puzzle: swap columns so that neighbours adding up to ten clear.\n"
           "\n"
           "Options:\n"
           "      --fullscreen  play full screen this time\n"
           "      --windowed    play in a window this time\n"
           "      --scale N     open the window at 640 x 480 times N (1 to 16) this time\n"
           "      --replay FILE play a recorded game (replays/ of the rankings' folder)\n"
           "  -h, --help        show this help and exit\n"
           "      --version     show the version and exit\n"
           "\n"
           "Keys:\n"
           "  Anywhere  Alt+Enter or F11 switches between full screen and a window;\n"
           "            F2 music off/on, F3 sound effects off/on, F7/F8 music down/up;\n"
           "            Print Screen saves a screenshot in the pictures folder\n"
           "  Title     Up/Down choose the level, Enter plays, F1 shows the level's top 10,\n"
           "            R replays the level's best game, Esc or F12 quits, H shows the\n"
           "            controls card\n"
           "  Play      Enter starts, pauses and resumes; Left/Right move the swapper;\n"
           "            Space or Up swaps its two columns; hold Down to drop faster;\n"
           "            Esc or F12 gives up\n"
           "  Rankings  the arrows move the character picker, Space types the character,\n"
           "            Backspace deletes, Enter, Esc or F12 store the name\n"
           "            (or type the name on the keyboard)\n"
           "  Replay    Space pauses and resumes, Right doubles the speed (up to x8),\n"
           "            Left halves it, Esc ends it\n"
           "  Controller  D-pad or left stick: the arrows; A Space, B Backspace, Start Enter,\n"
           "            Back Esc, Y F1, right shoulder H\n"
           "  [Keys] in zolvex.ini puts the game's actions on keys of your own (zolvex(6))\n"
           "\n"
           "Folders of this copy:\n"
           "  pictures, sounds, tunes  " +
           programFolder +
           "\n"
           "  settings (zolvex.ini)    " +
           settingsFolder +
           "\n"
           "  rankings (score.scr)     " +
           scoresFolder + "\n";
}

std::string VersionText() {
    return "zolvex " ZOLVEX_VERSION "\n";
}

}  // namespace zolvex
