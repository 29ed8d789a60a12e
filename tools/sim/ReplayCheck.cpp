#include "ReplayCheck.h"

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/ReplayStore.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex {

PlaybackResult ReplayHeadless(const Replay& replay, const std::string& directory) {
    HeadlessPlatform platform(directory, replay.date);
    ProgramOptions options;
    options.replay = &replay;
    options.pace = PlaybackPace::AtOnce;
    Program program(platform, options);
    if (program.StartUp()) program.RunMessageLoop();
    program.Teardown();
    return program.LastPlayback();
}

int ReportReplayCheck(const std::string& name, const Replay& replay, const PlaybackResult& played,
                      std::ostream& out, std::ostream& err) {
    const GameResult result = played.result.value_or(GameResult{});
    const uint32_t total = ReplayTotal(result.score, result.bonus);
    const bool diverged = played.outcome.end == PlaybackOutcome::End::Diverged;
    const bool matches = !diverged && played.result && result.score == replay.score &&
                         result.bonus == replay.bonus && total == replay.total;
    nlohmann::json line{{"level", replay.level},
                        {"score", result.score},
                        {"bonus", result.bonus},
                        {"total", total},
                        {"matches", matches}};
    if (diverged) line["divergedAt"] = played.outcome.message;
    out << line.dump() << "\n";
    if (diverged) {
        err << "zolvex-sim: " << name << ": the game parts from its recording at message "
            << played.outcome.message << ": " << played.outcome.what << "\n";
    } else if (!played.result) {
        err << "zolvex-sim: " << name << ": the game did not end\n";
    } else if (!matches) {
        err << "zolvex-sim: " << name << ": recorded score " << replay.score << ", bonus "
            << replay.bonus << ", total " << replay.total << "; replayed " << result.score << ", "
            << result.bonus << ", " << total << "\n";
    }
    return matches ? 0 : 1;
}

int VerifyReplayFile(const std::string& path, std::ostream& out, std::ostream& err) {
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    // LoadReplay says on standard error what is wrong with the file.
    std::optional<Replay> replay = LoadReplay(error ? path : absolute);
    if (!replay) return 2;
    // The game's pictures are read from the current folder, else from the simulator's.
    if (!std::filesystem::exists("bmp/block.bmp", error)) {
        char self[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
        if (length > 0) {
            const std::string folder =
                std::filesystem::path(std::string(self, static_cast<size_t>(length)))
                    .parent_path()
                    .string();
            if (::chdir(folder.c_str()) != 0) err << "zolvex-sim: cannot enter " << folder << "\n";
        }
    }
    return ReportReplayCheck(path, *replay, ReplayHeadless(*replay, "."), out, err);
}

}  // namespace zolvex
