// The game's entry on a real machine.
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/ReplayStore.h"
#include "platform/Storage.h"
#include "platform/sdl/SdlPlatform.h"

int main(int argc, char** argv) {
    using namespace zolvex;
    // A reader of standard error that has gone away must not end the game; the
    // lines written there are simply lost.
    std::signal(SIGPIPE, SIG_IGN);
#if defined(__GLIBC__)
    // One memory pool for every thread: the start-up tasks and the audio thread
    // allocate little, and pools of their own would keep what they free resident.
    mallopt(M_ARENA_MAX, 1);
#endif
    CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.action == CommandLine::Action::Usage) {
        std::fprintf(stderr, "zolvex: %s\n%s", line.error.c_str(), UsageText().c_str());
        return 2;
    }
    if (line.action == CommandLine::Action::Version) {
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    }

    ProgramFolder program = LocateProgramFolder(ReadExecutableDirectory());
    if (line.action == CommandLine::Action::Help) {
        StorageFolders folders = PlanStorageFolders(program);
        std::fputs(HelpText(program.directory, folders.settings, folders.scores).c_str(), stdout);
        return 0;
    }
    // A replay named on the command line is read before the folder changes.
    std::optional<Replay> replay;
    if (line.replay) {
        replay = LoadReplay(*line.replay);
        if (!replay) return 1;
    }
    // The game names its pictures and sounds relative to its own folder.
    if (::chdir(program.directory.c_str()) != 0) {
        std::fprintf(stderr, "zolvex: cannot enter the program's folder %s\n",
                     program.directory.c_str());
    }

    SdlOptions options;
    options.programDirectory = program.directory;
#ifdef ZOLVEX_MEASURE
    // Measurement builds only: the polling loop of the original design for
    // comparison, and a log of fall ticks.
    options.pollingLoop = std::getenv("ZOLVEX_POLL") != nullptr;
    if (const char* log = std::getenv("ZOLVEX_TICK_LOG")) options.tickLogPath = log;
#endif
    auto platform = CreateSdlPlatform(options);
    ProgramOptions programOptions;
    programOptions.installed = program.installed;
    programOptions.display.windowed = line.windowed;
    programOptions.display.scale = line.scale;
    if (replay) programOptions.replay = &*replay;
    return RunProgram(*platform, programOptions);
}
