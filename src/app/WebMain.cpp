// The game's entry in a web browser. The page has loaded the game's pictures,
// sounds and tunes into the program's folder and the player's files from the
// browser's storage before it calls this, with
//   (nothing)           the game from its title screen;
//   --replay FILE       that replay instead of the title, as on the desktop;
//   --verify FILE       that replay at once without a window or sound, as
//                       zolvex-sim --verify plays it, its result handed to the page.
// FILE is a path in the player's folder.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "ReplayCheck.h"
#include "app/Program.h"
#include "app/ReplayStore.h"
#include "core/Paths.h"
#include "platform/web/WebPlatform.h"

namespace {

// Where the page keeps the game's own files, and the browser storage the player's
// files live in: the game treats the first as an installed copy's read-only data and
// keeps its settings, rankings and replays in "zolvex" of the second.
constexpr const char* kProgramFolder = "/zolvex";
constexpr const char* kStorageFolder = "/save";

std::string PlayerPath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    return zolvex::JoinPath(std::string(kStorageFolder) + "/zolvex", path);
}

int Run(int argc, char** argv) {
    using namespace zolvex;
    const std::string option = argc >= 3 ? argv[1] : "";
    if (::chdir(kProgramFolder) != 0) {
        std::fprintf(stderr, "zolvex: cannot enter the program's folder %s\n", kProgramFolder);
    }
    if (option == "--verify") {
        std::optional<Replay> replay = LoadReplay(PlayerPath(argv[2]));
        if (!replay) return 2;
        std::ostringstream out;
        std::ostringstream err;
        const int status =
            ReportReplayCheck(argv[2], *replay, ReplayHeadless(*replay, "."), out, err);
        if (!err.str().empty()) std::fputs(err.str().c_str(), stderr);
        TellPageVerifyResult(out.str());
        return status;
    }
    std::optional<Replay> replay;
    if (option == "--replay") {
        replay = LoadReplay(PlayerPath(argv[2]));
        if (!replay) return 1;
    }
    WebOptions web;
    web.programDirectory = kProgramFolder;
    auto platform = CreateWebPlatform(web);
    ProgramOptions options;
    options.installed = true;
    if (replay) options.replay = &*replay;
    return RunProgram(*platform, options);
}

}  // namespace

int main(int argc, char** argv) {
    // The settings and the rankings share the one folder of the browser's storage.
    ::setenv("XDG_CONFIG_HOME", kStorageFolder, 1);
    ::setenv("XDG_DATA_HOME", kStorageFolder, 1);
    const int status = Run(argc, argv);
    zolvex::TellPageRunEnded(status);
    return status;
}
