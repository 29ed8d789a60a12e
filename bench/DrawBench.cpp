// Cost of composing each screen into the 16-bit back buffer and presenting it:
// the play screen runs on every fall tick (43 ms), the title every 150 ms and
// the ranking every 100 ms. The whole program runs on the headless platform,
// so these are the pixels and the work of the real game minus the window
// system's own copy to the screen.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/Program.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex {
namespace {

// Pictures are read relative to the working folder: the build folder holds them.
// The settings and ranking files go to a temporary folder of their own.
class Run {
public:
    Run() {
        if (chdir(ZOLVEX_RUNTIME_DIR) != 0) {
            std::fprintf(stderr, "DrawBench: cannot enter %s\n", ZOLVEX_RUNTIME_DIR);
        }
        char folder[] = "/tmp/zolvex-drawbench.XXXXXX";
        if (mkdtemp(folder) != nullptr) dataFolder_ = folder;
        platform_ = std::make_unique<HeadlessPlatform>(dataFolder_, 1700000000);
        program_ = std::make_unique<Program>(*platform_);
        started_ = program_->StartUp();
        Wait(200);
    }
    ~Run() {
        program_.reset();
        platform_.reset();
        if (!dataFolder_.empty()) {
            std::remove((dataFolder_ + "/zolvex.ini").c_str());
            std::remove((dataFolder_ + "/score.scr").c_str());
            rmdir(dataFolder_.c_str());
        }
    }

    bool Started() const { return started_; }
    Program& Whole() { return *program_; }

    void Wait(uint64_t ms) {
        platform_->AdvanceTo(platform_->NowMs() + ms);
        if (!program_->Ended()) program_->RunMessageLoop();
    }
    void Key(uint32_t code) {
        platform_->Inject(Message{kMsgKeyDown, code, 0, 0});
        platform_->Inject(Message{kMsgKeyUp, code, 0, 0});
        if (!program_->Ended()) program_->RunMessageLoop();
    }

private:
    std::string dataFolder_;
    std::unique_ptr<HeadlessPlatform> platform_;
    std::unique_ptr<Program> program_;
    bool started_ = false;
};

void DrawTitleScreen(benchmark::State& state) {
    Run run;
    if (!run.Started()) {
        state.SkipWithError("the program did not start");
        return;
    }
    for (auto _ : state) {
        run.Whole().TheLevelSelect().Draw();
        run.Whole().TheDisplay().Flip();
    }
}
BENCHMARK(DrawTitleScreen)->Unit(benchmark::kMicrosecond);

// From the title screen into a game in play; false (and the benchmark skipped)
// when the game did not start.
bool StartPlaying(Run& run, benchmark::State& state) {
    run.Key(kVkReturn);
    run.Key(kVkReturn);
    run.Wait(500);
    if (run.Whole().TheApplication().currentScene != &run.Whole().TheGame() ||
        run.Whole().TheGame().model.state != GameState::Playing) {
        state.SkipWithError("the game did not start");
        return false;
    }
    return true;
}

// Fills the board with 40 blocks and no ten-pair, a trio falling over it; the count.
int FillMidGameBoard(GameModel& m) {
    const int heights[kColumns] = {4, 6, 3, 8, 5, 2, 7, 5};
    uint32_t seed = 7;
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 1; r < kRows; ++r) {
            int32_t v = 0;
            if (r <= heights[c]) {
                do {
                    seed = seed * 1664525u + 1013904223u;
                    v = static_cast<int32_t>(1 + (seed >> 16) % 9);
                } while (m.board[c][r - 1].value + v == 10 ||
                         (c > 0 && m.board[c - 1][r].value + v == 10));
            }
            m.board[c][r].value = v;
            m.board[c][r].marked = 0;
        }
    }
    int blocks = 0;
    for (int h : heights) blocks += h;
    return blocks;
}

// A mid-game board; with `clockRuns`, every frame shows the next second, as the frame
// after each tick of the clock does, and its line of the panel is drawn again.
void DrawPlay(benchmark::State& state, bool clockRuns) {
    Run run;
    if (!run.Started()) {
        state.SkipWithError("the program did not start");
        return;
    }
    if (!StartPlaying(run, state)) return;
    GameModel& m = run.Whole().TheGame().model;
    state.counters["blocks"] = FillMidGameBoard(m);
    for (auto _ : state) {
        if (clockRuns) m.seconds = (m.seconds + 1) % 60;
        run.Whole().TheGame().Draw();
        run.Whole().TheDisplay().Flip();
    }
}

void DrawPlayScreen(benchmark::State& state) {
    DrawPlay(state, false);
}
BENCHMARK(DrawPlayScreen)->Unit(benchmark::kMicrosecond);

void DrawPlayScreenClockTick(benchmark::State& state) {
    DrawPlay(state, true);
}
BENCHMARK(DrawPlayScreenClockTick)->Unit(benchmark::kMicrosecond);

// The ranking after a game, with the picker and a name being typed.
void DrawRankingScreen(benchmark::State& state) {
    Run run;
    if (!run.Started()) {
        state.SkipWithError("the program did not start");
        return;
    }
    if (!StartPlaying(run, state)) return;
    run.Whole().TheGame().model.score = 0x1234;
    run.Key(kVkEscape);
    run.Wait(5000);
    run.Key(kVkDown);
    run.Key(kVkSpace);
    if (run.Whole().TheApplication().currentScene != &run.Whole().TheRanking() ||
        run.Whole().TheRanking().newRank != 0) {
        state.SkipWithError("the ranking screen with a new entry was not reached");
        return;
    }
    for (auto _ : state) {
        run.Whole().TheRanking().Draw();
        run.Whole().TheDisplay().Flip();
    }
}
BENCHMARK(DrawRankingScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zolvex
