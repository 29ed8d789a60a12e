// Cost of the game rules on realistic boards: one fall tick, one clearing pass,
// and a whole game played by the test bot in virtual time.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "FakeGameHost.h"
#include "GameBot.h"
#include "game/GameHost.h"
#include "game/GameRules.h"

namespace zolvex {
namespace {

// Timers and sounds do nothing, so the figures are the rules' own work.
class QuietHost : public GameHost {
public:
    void SetTimer(int, uint32_t) override {}
    void KillTimer(int) override {}
    void PlaySoundFile(const char*) override {}
    void StopMusic() override {}
    void RedrawAndFlip() override {}
    void HandOverLevel(int) override {}
    void EndGameAndShowRanking() override {}
    int Random() override {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) & 0x7FFF);
    }
    uint32_t seed = 5;
};

// A mid-game board: uneven stacks of two to eight blocks with no ten-pair in them.
void FillMidGameBoard(GameModel& m, uint32_t seed) {
    const int heights[kColumns] = {4, 6, 3, 8, 5, 2, 7, 4};
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 1; r <= heights[c]; ++r) {
            int32_t v;
            do {
                seed = seed * 1664525u + 1013904223u;
                v = static_cast<int32_t>(1 + (seed >> 16) % 9);
            } while (m.board[c][r - 1].value + v == 10 ||
                     (c > 0 && m.board[c - 1][r].value + v == 10));
            m.board[c][r].value = v;
        }
    }
}

struct BenchGame {
    BenchGame() : rules(model, host) {
        rules.InitNewGameValues(2);
        rules.InitBoardAndTrios();
        model.state = GameState::Playing;
        FillMidGameBoard(model, 11);
    }
    GameModel model;
    QuietHost host;
    GameRules rules;
};

// A trio enters over the mid-game board and falls until all three have landed.
void BM_FallStepTrioToLanding(benchmark::State& state) {
    BenchGame g;
    // Not Playing, so the landing of the last block does not hand a new trio over
    // and each iteration is exactly one trio's fall.
    g.model.state = GameState::Paused;
    const GameModel start = g.model;
    int64_t steps = 0;
    for (auto _ : state) {
        g.model = start;
        const FallingBlock* trio = g.model.currentTrio;
        while (trio[0].falling || trio[1].falling || trio[2].falling) {
            g.rules.FallStep();
            ++steps;
        }
        benchmark::DoNotOptimize(g.model.score);
    }
    state.SetItemsProcessed(steps);
    state.counters["steps_per_trio"] =
        static_cast<double>(steps) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FallStepTrioToLanding);

// A clearing pass over the mid-game board after three blocks were set on top of
// three stacks, each making at least one pair (one vertical, two side by side),
// including the drops and re-tests the pass causes.
void BM_ClearingPass(benchmark::State& state) {
    BenchGame g;
    GameModel& m = g.model;
    m.board[3][9].value = 10 - m.board[3][8].value;
    m.board[5][3].value = 10 - m.board[4][3].value;
    m.board[2][4].value = 10 - m.board[1][4].value;
    g.rules.CheckPairs(3, 9);
    g.rules.CheckPairs(5, 3);
    g.rules.CheckPairs(2, 4);
    const GameModel start = m;
    for (auto _ : state) {
        m = start;
        g.rules.ClearingPass();
        benchmark::DoNotOptimize(m.board);
    }
    state.counters["pairs"] = start.pairCount / 2;
}
BENCHMARK(BM_ClearingPass);

// Copying the model back, on its own: subtract it from the two figures above.
void BM_ModelReset(benchmark::State& state) {
    BenchGame g;
    const GameModel start = g.model;
    for (auto _ : state) {
        g.model = start;
        benchmark::DoNotOptimize(g.model);
    }
}
BENCHMARK(BM_ModelReset);

// A whole game from the start screen to the ranking, played by the test bot in
// virtual time (fall, clear, clock and over ticks, with the fake drawing).
void BM_WholeBotGame(benchmark::State& state) {
    uint32_t seed = 1;
    int64_t ticks = 0;
    for (auto _ : state) {
        fake::Game g(1 + seed % 3, seed);
        fake::GameBot bot(seed * 7u + 3u);
        ticks += bot.PlayWholeGame(g, [] {});
        ++seed;
        benchmark::DoNotOptimize(g.model.score);
    }
    state.SetItemsProcessed(ticks);
}
BENCHMARK(BM_WholeBotGame);

}  // namespace
}  // namespace zolvex
