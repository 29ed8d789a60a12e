// The model of one game: the board, the trio in play and the next trio, the
// Flipper, the clock, the fall speeds, the score and the bonus. The play-screen
// scene owns one GameModel; GameRules changes it.
#pragma once

#include <cstdint>
#include <limits>

namespace zolvex {

enum class GameState : int32_t { Playing = 0, Paused = 1, Over = 2, Ready = 3 };

// A board cell, and also a falling block of a trio (same record, same field order).
// In a board cell only `value` and `marked` carry meaning; `column` and `row` are
// written at initialisation and afterwards only carried along when records move.
// In a falling block `column`, `row`, `falling` and `y` are live.
struct Cell {
    int32_t value = 0;    // 0 empty, 1..9 a block, 11 the floor (row 0 only)
    int32_t column = 0;   // 0..7, 0 leftmost
    int32_t row = 0;      // 0..11; for a falling block the row it would land in now
    uint8_t falling = 0;  // falling block: 1 while in the air
    uint8_t marked = 0;   // board cell: 1 while part of a ten-pair awaiting the clearing pass
    int32_t y = 0;        // falling block: pixel row of its top edge
};
using FallingBlock = Cell;

inline constexpr int kColumns = 8;
inline constexpr int kRows = 12;  // row 0 is the floor, rows 1..11 are played
inline constexpr int kTopRow = 11;
inline constexpr int kTrioSize = 3;
inline constexpr int32_t kFloorValue = 11;

// The scene's timer ids and their periods in milliseconds.
inline constexpr int kFallTimer = 0;
inline constexpr int kClearTimer = 1;
inline constexpr int kClockTimer = 2;
inline constexpr int kOverTimer = 3;
inline constexpr uint32_t kFallPeriodMs = 43;
inline constexpr uint32_t kClearPeriodMs = 30;
inline constexpr uint32_t kClockPeriodMs = 100;
inline constexpr uint32_t kOverPeriodMs = 500;

// Sound effects, addressed as the game addresses them (relative, backslash separated).
inline constexpr const char* kDropSound = "wav\\drop.wav";
inline constexpr const char* kPanSound = "wav\\pan.wav";
inline constexpr const char* kGameOverSound = "wav\\gover.wav";

// Board-to-screen geometry: column c at x = 30 + 40c, row r with its top edge at 446 - 40r.
inline constexpr int ColumnX(int column) {
    return 30 + 40 * column;
}
inline constexpr int RowY(int row) {
    return 446 - 40 * row;
}

// a + b, held at 0xFFFFFFFF instead of wrapping (scores and the ranking's score + bonus).
inline constexpr uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
    return b > std::numeric_limits<uint32_t>::max() - a ? std::numeric_limits<uint32_t>::max()
                                                        : a + b;
}

// a + b held within the 32-bit range, so that fields set from outside a game
// (the simulator's setters) can never overflow.
inline constexpr int32_t ClampedAdd(int32_t a, int64_t b) {
    const int64_t sum = int64_t{a} + b;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

struct GameModel {
    GameState state = GameState::Ready;
    Cell board[kColumns][kRows] = {};  // [column][row]
    FallingBlock currentTrio[kTrioSize] = {};
    FallingBlock nextTrio[kTrioSize] = {};
    Cell spareColumn[kRows] = {};  // scratch for the column swap
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t tenths = 0;
    int32_t flipperLeft = 3;
    int32_t flipperRight = 4;
    int32_t fallSpeed = 4;      // pixels per fall tick
    int32_t baseFallSpeed = 4;  // fallSpeed without Down held
    int32_t pairCount = 0;      // blocks marked in ten-pairs since the trio came into play
    uint32_t score = 0;
    uint32_t bonus = 0;
    int32_t overTicks = 0;
    uint32_t bestScores[3] = {};  // 1st, 2nd, 3rd of the level, shown on the play screen
    uint32_t tenthScore = 0;      // 10th of the level
    int32_t level = 1;            // 1 Beginner, 2 Advanced, 3 Expert
};

}  // namespace zolvex
