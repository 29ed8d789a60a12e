// A careless player for soak tests and benchmarks: after each fall tick it moves
// the Flipper, swaps, presses or releases Down, now and then pauses (and resumes
// once every timer has stopped),
// and very rarely gives up. Its games end quickly, mostly by filling a column.
#pragma once

#include <cstdint>

#include "FakeGameHost.h"

namespace zolvex::fake {

class GameBot {
public:
    explicit GameBot(uint32_t seed) : state(seed) {}

    // Plays `g` from the start screen until the ranking takes over; `afterEach` runs
    // after every tick and every move. Returns the number of ticks, or -1 if the game
    // did not end within `maxTicks`.
    template <typename AfterEach>
    int PlayWholeGame(Game& g, AfterEach afterEach, int maxTicks = 200000) {
        g.host.StartPlay();
        for (int ticks = 1; ticks <= maxTicks; ++ticks) {
            const int id = g.host.RunNextTick();
            if (id < 0 && g.model.state == GameState::Paused) {
                // Every timer has stopped (a pending clearing pass has run): resume.
                Resume(g);
                continue;
            }
            if (id < 0) return -1;
            afterEach();
            if (g.host.rankingStarts > 0) return ticks;
            if (id == kFallTimer) {
                Move(g);
                afterEach();
            }
        }
        return -1;
    }

private:
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }

    void Move(Game& g) {
        GameModel& m = g.model;
        if (m.state != GameState::Playing) return;
        const uint32_t roll = Next() % 1000;
        if (roll < 150) {
            g.rules.MoveFlipperLeft();
        } else if (roll < 300) {
            g.rules.MoveFlipperRight();
        } else if (roll < 420) {
            g.rules.SwapColumns();
        } else if (roll < 800) {
            g.rules.DownPressed();
        } else if (roll < 850) {
            g.rules.DownReleased();
        } else if (roll < 853) {
            Pause(g);
        } else if (roll < 854 && Next() % 20 == 0) {
            g.rules.GameOver();
        }
    }

    // What the scene's pause switch does with the rules' timers and drawing.
    static void Pause(Game& g) {
        g.model.state = GameState::Paused;
        g.host.KillTimer(kFallTimer);
        g.host.KillTimer(kClearTimer);
        g.host.KillTimer(kClockTimer);
        g.host.RedrawAndFlip();
    }
    static void Resume(Game& g) {
        g.model.state = GameState::Playing;
        g.host.SetTimer(kFallTimer, kFallPeriodMs);
        g.host.SetTimer(kClearTimer, kClearPeriodMs);
        g.host.SetTimer(kClockTimer, kClockPeriodMs);
    }

    uint32_t state;
};

}  // namespace zolvex::fake
