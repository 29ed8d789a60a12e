#include "app/CommandLine.h"

namespace zolvex {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
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
    return "usage: zolvex [--help] [--version]\n";
}

std::string HelpText(const std::string& programFolder, const std::string& settingsFolder,
                     const std::string& scoresFolder) {
    return UsageText() +
           "\n"
           "A falling-number puzzle: swap columns so that neighbours adding up to ten clear.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Keys:\n"
           "  Title     Up/Down choose the level, Enter plays, F1 shows the level's top 10,\n"
           "            Esc or F12 quits\n"
           "  Play      Enter starts, pauses and resumes; Left/Right move the swapper;\n"
           "            Space or Up swaps its two columns; hold Down to drop faster;\n"
           "            Esc or F12 gives up\n"
           "  Rankings  the arrows move the character picker, Space types the character,\n"
           "            Backspace deletes, Enter, Esc or F12 store the name\n"
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
