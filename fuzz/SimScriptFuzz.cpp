// Any bytes as a simulator script: parsing never crashes, every command it accepts
// is well formed, and the accepted script then runs on the headless program under
// the sanitizers, so that what a script can set or press never reaches undefined
// behaviour in the game.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "SimScript.h"
#include "Simulator.h"

namespace {

namespace fs = std::filesystem;

// Virtual time one input may let pass: long enough for games, trios and the
// ranking, short enough to keep each run quick.
constexpr int64_t kWaitBudgetMs = 30000;

fs::path gFolder;

void CheckWellFormed(const std::vector<zolvex::SimCommand>& commands) {
    for (const auto& command : commands) {
        using Kind = zolvex::SimCommand::Kind;
        switch (command.kind) {
            case Kind::Key:
                if (command.keys.empty()) std::abort();
                break;
            case Kind::Down:
            case Kind::Up:
                if (command.keys.size() != 1) std::abort();
                break;
            case Kind::Cell:
                if (command.numbers.size() != 4 || command.numbers[0] < 0 ||
                    command.numbers[0] > 7 || command.numbers[1] < 0 || command.numbers[1] > 11) {
                    std::abort();
                }
                break;
            case Kind::Trio:
                if (command.numbers.size() != 6 || command.numbers[0] < 0 ||
                    command.numbers[0] > 2) {
                    std::abort();
                }
                break;
            default:
                break;
        }
    }
}

}  // namespace

// The program reads its pictures, sounds and tunes from its working folder: a private
// copy of the build's, where the settings and rankings of each run are written too.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    std::error_code error;
    gFolder = fs::temp_directory_path() / ("zolvex-simfuzz-" + std::to_string(::getpid()));
    fs::create_directories(gFolder, error);
    const fs::path runtime = ZOLVEX_RUNTIME_DIR;
    fs::copy(runtime / "bmp", gFolder / "bmp", fs::copy_options::recursive, error);
    fs::copy(runtime / "wav", gFolder / "wav", fs::copy_options::recursive, error);
    for (const char* tune : {"open.mid", "game.mid", "rank.mid"}) {
        fs::copy_file(runtime / tune, gFolder / tune, error);
    }
    fs::current_path(gFolder, error);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(gFolder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string script(reinterpret_cast<const char*>(data), size);
    std::vector<zolvex::SimCommand> commands;
    std::string error;
    bool ok = zolvex::ParseSimScript(script, &commands, &error);
    if (!ok && error.empty()) std::abort();
    if (!ok) return 0;
    CheckWellFormed(commands);

    // Every run starts from the same files.
    std::error_code ignored;
    fs::remove(gFolder / "zolvex.ini", ignored);
    fs::remove(gFolder / "score.scr", ignored);
    zolvex::Simulator sim(1'000'000'000, gFolder.string());
    sim.Start();
    std::ostringstream dumps;
    int64_t budget = kWaitBudgetMs;
    for (const zolvex::SimCommand& command : commands) {
        if (command.kind == zolvex::SimCommand::Kind::Shot) continue;  // writes no files
        zolvex::SimCommand step = command;
        if (step.kind == zolvex::SimCommand::Kind::Wait) {
            step.numbers[0] = std::min<int64_t>(step.numbers[0], budget);
            budget -= step.numbers[0];
        }
        sim.Execute(step, dumps, &error);
    }
    return 0;
}
