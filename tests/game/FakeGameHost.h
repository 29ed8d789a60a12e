// A GameHost for tests and benchmarks: a virtual clock running the platform's
// timers (one EventQueue), a record of sounds and hand-overs, a seeded 15-bit
// generator, and the play screen's drawing reduced to what the rules depend on
// (one MarkedCellDrawn per marked cell).
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "game/GameHost.h"
#include "game/GameModel.h"
#include "game/GameRules.h"
#include "platform/EventQueue.h"

namespace zolvex::fake {

class FakeGameHost : public GameHost {
public:
    // The play screen's window is up for the whole game.
    explicit FakeGameHost(uint32_t seed = 1) : rngState(seed) { timers.WindowCreated(); }

    void Attach(GameRules& r) { rules = &r; }

    void SetTimer(int id, uint32_t ms) override { timers.SetTimer(id, ms, now); }
    void KillTimer(int id) override { timers.KillTimer(id); }
    void PlaySoundFile(const char* gamePath) override { sounds.push_back(gamePath); }
    void StopMusic() override { ++musicStops; }
    void RedrawAndFlip() override {
        Draw();
        ++flips;
    }
    void HandOverLevel(int level) override { rankingLevel = level; }
    void EndGameAndShowRanking() override {
        // The scene's End stops the fall and clear timers before the ranking starts.
        KillTimer(kFallTimer);
        KillTimer(kClearTimer);
        ++rankingStarts;
        rankingStartedAt = now;
    }
    int Random() override {
        if (!scripted.empty()) {
            const int r = scripted.front();
            scripted.pop_front();
            return r;
        }
        rngState = rngState * 1103515245u + 12345u;
        return static_cast<int>((rngState >> 16) & 0x7FFF);
    }

    // What the play-screen drawing does for the rules: one call per marked cell, rows 11..1.
    void Draw() {
        const GameModel& m = rules->Model();
        for (int r = kTopRow; r >= 1; --r) {
            for (int c = 0; c < kColumns; ++c) {
                if (m.board[c][r].marked) rules->MarkedCellDrawn();
            }
        }
    }

    // Enter on the start screen: the fall and the clock start.
    void StartPlay() {
        SetTimer(kFallTimer, kFallPeriodMs);
        SetTimer(kClockTimer, kClockPeriodMs);
        rules->Model().state = GameState::Playing;
    }

    bool Running(int id) const { return timers.DueTime(id).has_value(); }
    uint64_t Due(int id) const { return timers.DueTime(id).value_or(0); }

    // Runs the earliest due tick (same instant: lower id first) if it is due by `limit`,
    // the clock moving to its due time. Returns its id, or -1 when no timer is due by then.
    int RunNextTick(uint64_t limit = UINT64_MAX) {
        const std::optional<uint64_t> due = timers.EarliestDue();
        if (!due || *due > limit) return -1;
        now = std::max(now, *due);
        const int next = static_cast<int>(timers.Next(now)->wParam);
        switch (next) {
            case kFallTimer:
                rules->FallStep();
                Draw();
                ++flips;
                break;
            case kClearTimer:
                rules->ClearingPass();
                break;
            case kClockTimer:
                rules->ClockTick();
                break;
            case kOverTimer:
                rules->OverTick();
                break;
        }
        return next;
    }

    void RunUntil(uint64_t limit) {
        while (RunNextTick(limit) >= 0) {
        }
        now = limit;
    }

    void Script(std::initializer_list<int> values) { scripted.insert(scripted.end(), values); }

    int Count(std::string_view sound) const {
        int n = 0;
        for (const char* s : sounds) n += sound == s;
        return n;
    }

    uint64_t now = 0;
    EventQueue timers;
    std::vector<const char*> sounds;
    int musicStops = 0;
    int flips = 0;
    int rankingLevel = 0;
    int rankingStarts = 0;
    uint64_t rankingStartedAt = 0;

private:
    GameRules* rules = nullptr;
    std::deque<int> scripted;
    uint32_t rngState;
};

// Fills column c from row 1 upwards with the given values and empties the rest.
inline void SetColumn(GameModel& m, int c, std::initializer_list<int32_t> values) {
    int r = 1;
    for (int32_t v : values) m.board[c][r++] = Cell{v, c, r, 0, 0, 0};
    for (; r < kRows; ++r) m.board[c][r] = Cell{0, c, r, 0, 0, 0};
}

// A block in the air; its row is the one a fall step would have computed from y.
inline FallingBlock Falling(int32_t value, int32_t column, int32_t y) {
    return FallingBlock{value, column, 10 - y / 40, 1, 0, y};
}

// A model, a fake host and the rules wired together, set up as a new game.
struct Game {
    explicit Game(int level = 1, uint32_t seed = 1) : host(seed), rules(model, host) {
        host.Attach(rules);
        rules.InitNewGameValues(level);
        rules.InitBoardAndTrios();
    }
    // Replaces the trio in play by three given blocks and starts the fall (not the
    // clock, so that only fall and clear ticks interleave).
    void PlayWith(FallingBlock a, FallingBlock b, FallingBlock c) {
        model.currentTrio[0] = a;
        model.currentTrio[1] = b;
        model.currentTrio[2] = c;
        model.state = GameState::Playing;
        host.SetTimer(kFallTimer, kFallPeriodMs);
    }
    GameModel model;
    FakeGameHost host;
    GameRules rules;
};

}  // namespace zolvex::fake
