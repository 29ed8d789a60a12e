#include "game/GameRules.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace zolvex {

namespace {

constexpr uint32_t kMaxScore = std::numeric_limits<uint32_t>::max();
constexpr int kRandomRange = 32768;
constexpr int kColumnDivisor = 4096;  // 32768 / 8 columns
constexpr int kValueDivisor = 3640;   // ⌈r / 3640⌉ gives 1..9, with r = 0 and r > 32760 redrawn
constexpr int32_t kMaxBaseSpeedToRaise = 15;

uint32_t SaturateToScore(uint64_t value) {
    return value > kMaxScore ? kMaxScore : static_cast<uint32_t>(value);
}

bool ValidColumn(int column) {
    return column >= 0 && column < kColumns;
}

bool SumsToTen(int32_t a, int32_t b) {
    return int64_t{a} + b == 10;
}

}  // namespace

int GameRules::DrawRandom() {
    // Keeps every formula below inside its range even if a host strays outside 0..32767.
    return static_cast<int>(static_cast<uint32_t>(host.Random()) % kRandomRange);
}

bool GameRules::Occupied(int column, int row) const {
    return ValidColumn(column) && row >= 0 && row < kRows && model.board[column][row].value != 0;
}

bool GameRules::AnyCellMarked() const {
    for (const auto& column : model.board) {
        for (int r = 1; r < kRows; ++r) {
            if (column[r].marked) return true;
        }
    }
    return false;
}

void GameRules::InitNewGameValues(int level) {
    model.level = level;
    model.score = 0;
    model.bonus = 0;
    model.baseFallSpeed = model.fallSpeed = level - level / 2 + 3;
    model.hours = model.minutes = model.seconds = model.tenths = 0;
    model.state = GameState::Ready;
    model.pairCount = 0;
    model.overTicks = 0;
}

void GameRules::InitBoardAndTrios() {
    model.flipperLeft = 3;
    model.flipperRight = 4;
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 1; r < kRows; ++r) {
            model.board[c][r] = Cell{0, c, r, 0, 0, 0};
        }
        model.board[c][0].value = kFloorValue;
    }
    GenerateNextTrio();
    for (int i = 0; i < kTrioSize; ++i) {
        model.currentTrio[i] = model.nextTrio[i];
        // The very first trio starts flush with the top of the screen; later ones at 6.
        model.currentTrio[i].y = 0;
    }
    GenerateNextTrio();
}

void GameRules::GenerateNextTrio() {
    FallingBlock* trio = model.nextTrio;
    int columns[kTrioSize];
    for (int i = 0; i < kTrioSize; ++i) {
        bool taken;
        do {
            columns[i] = DrawRandom() / kColumnDivisor;
            taken = std::find(columns, columns + i, columns[i]) != columns + i;
        } while (taken);
    }
    for (;;) {
        for (int i = 0; i < kTrioSize; ++i) {
            int v;
            do {
                const int r = DrawRandom();
                v = (r + kValueDivisor - 1) / kValueDivisor;
            } while (v < 1 || v > 9);
            trio[i] = FallingBlock{v, columns[i], kTopRow, 1, 0, 6};
        }
        const int32_t a = trio[0].value, b = trio[1].value, c = trio[2].value;
        // A trio must never be able to clear itself, so all three values are redrawn
        // whenever two of them are equal or form a ten-pair.
        const bool clash = a == b || b == c || a == c;
        const bool tenPair = SumsToTen(a, b) || SumsToTen(b, c) || SumsToTen(a, c);
        if (!clash && !tenPair) break;
    }
}

void GameRules::HandOverTrio() {
    for (int i = 0; i < kTrioSize; ++i) {
        model.currentTrio[i] = model.nextTrio[i];
        model.currentTrio[i].row = kTopRow;
    }
    const uint64_t pairs = static_cast<uint64_t>(std::max<int32_t>(model.pairCount, 0));
    model.score = SaturateToScore(uint64_t{model.score} + pairs * pairs * 50);
    model.pairCount = 0;
    GenerateNextTrio();
}

void GameRules::FallStep() {
    for (FallingBlock& block : model.currentTrio) {
        if (block.falling) block.y = ClampedAdd(block.y, model.fallSpeed);
    }

    bool lost = false;
    for (FallingBlock& block : model.currentTrio) {
        if (!block.falling) continue;
        const int column = block.column;
        const int row = block.row;
        if (!ValidColumn(column) || row < 1 || row > kTopRow) continue;
        if (!Occupied(column, row - 1) || block.y < 440 - 40 * row) continue;

        host.KillTimer(kFallTimer);
        block.falling = 0;
        model.board[column][row].value = block.value;
        CheckPairs(column, row);
        host.PlaySoundFile(kDropSound);
        const Cell& top = model.board[column][kTopRow];
        if (top.value != 0 && !top.marked) lost = true;
        model.score = SaturatingAdd(model.score, 10);
    }
    if (lost) {
        GameOver();
        return;
    }

    host.SetTimer(kFallTimer, kFallPeriodMs);
    // The row is recomputed only after the landing test, so a block lands in row r
    // once it reaches 440 - 40r, six pixels above that row's own place.
    for (FallingBlock& block : model.currentTrio) block.row = 10 - block.y / 40;

    if (AnyCellMarked()) return;
    for (const FallingBlock& block : model.currentTrio) {
        if (block.falling) return;
    }
    if (model.state != GameState::Playing) return;
    HandOverTrio();
}

void GameRules::CheckPairs(int column, int row) {
    if (!ValidColumn(column) || row < 1 || row > kTopRow) return;
    Cell& cell = model.board[column][row];
    const int32_t v = cell.value;
    if (v == 0) return;

    // The cell below is paired even if already marked; side neighbours only if not,
    // so a side-by-side pair is never counted twice.
    Cell& below = model.board[column][row - 1];
    if (SumsToTen(below.value, v)) {
        cell.marked = below.marked = 1;
        model.pairCount = ClampedAdd(model.pairCount, 2);
    }
    if (column != kColumns - 1) {
        Cell& right = model.board[column + 1][row];
        if (SumsToTen(right.value, v) && !right.marked) {
            cell.marked = right.marked = 1;
            model.pairCount = ClampedAdd(model.pairCount, 2);
        }
    }
    if (column != 0) {
        Cell& left = model.board[column - 1][row];
        if (SumsToTen(left.value, v) && !left.marked) {
            cell.marked = left.marked = 1;
            model.pairCount = ClampedAdd(model.pairCount, 2);
        }
    }
}

void GameRules::ClearingPass() {
    host.KillTimer(kClearTimer);

    uint64_t total = 0;
    bool removed = false;
    for (int c = 0; c < kColumns; ++c) {
        Cell* column = model.board[c];
        // Row 11 is either empty or marked here: an unmarked block there has ended the game.
        removed = removed || column[kTopRow].value != 0;
        column[kTopRow].value = 0;
        column[kTopRow].marked = 0;
        for (int a = 1; a < kRows; ++a) {
            if (column[a].marked) {
                removed = true;
                for (int i = a; i < kTopRow; ++i) {
                    column[i] = column[i + 1];
                    if (!column[i].marked) CheckPairs(c, i);
                }
            }
            // What dropped into row a is not examined again in this pass; if it is
            // marked it stays and the next redraw schedules another pass.
            total += static_cast<uint32_t>(column[a].value);
        }
    }

    // Emptying the board is rewarded; a pass that removed nothing (a resume runs one)
    // earns nothing, however empty the board is.
    if (removed && total == 0) {
        const double grown = static_cast<double>(model.score) * 1.5;
        model.score =
            grown >= static_cast<double>(kMaxScore) ? kMaxScore : static_cast<uint32_t>(grown);
    }
    if (model.state == GameState::Playing) host.SetTimer(kFallTimer, kFallPeriodMs);
}

void GameRules::SwapColumns() {
    const int left = model.flipperLeft;
    const int right = model.flipperRight;
    if (!ValidColumn(left) || right != left + 1 || !ValidColumn(right)) return;

    // A block in the air over one of the two columns hops to the other column when its
    // own row is occupied there, so that after the exchange it is again over an empty cell.
    for (FallingBlock& block : model.currentTrio) {
        if (block.column == left + 1 && Occupied(left, block.row)) block.column = left;
        if (block.column == right - 1 && Occupied(right, block.row)) block.column = right;
    }

    for (int r = 0; r < kRows; ++r) {
        model.spareColumn[r] = model.board[left][r];
        model.board[left][r] = model.board[right][r];
        model.board[right][r] = model.spareColumn[r];
    }

    host.KillTimer(kFallTimer);
    for (int r = 1; r < kRows; ++r) {
        CheckPairs(left, r);
        CheckPairs(right, r);
    }
    host.SetTimer(kFallTimer, kFallPeriodMs);
}

void GameRules::ClockTick() {
    model.tenths = ClampedAdd(model.tenths, 1);
    if (model.tenths != 10) return;
    model.tenths = 0;
    model.seconds = ClampedAdd(model.seconds, 1);
    if (model.seconds != 60) return;
    if (model.baseFallSpeed <= kMaxBaseSpeedToRaise) {
        // fallSpeed rises with the base, so a held Down keeps its lead until the next key message.
        ++model.baseFallSpeed;
        model.fallSpeed = ClampedAdd(model.fallSpeed, 1);
    }
    model.seconds = 0;
    model.minutes = ClampedAdd(model.minutes, 1);
    if (model.minutes != 60) return;
    model.minutes = 0;
    model.hours = ClampedAdd(model.hours, 1);
}

void GameRules::OverTick() {
    if (++model.overTicks != 9) return;
    host.KillTimer(kOverTimer);
    host.EndGameAndShowRanking();
}

void GameRules::GameOver() {
    host.KillTimer(kFallTimer);
    host.KillTimer(kClearTimer);
    host.KillTimer(kClockTimer);
    model.state = GameState::Over;
    host.RedrawAndFlip();

    const uint64_t playedSeconds = (static_cast<uint64_t>(std::max<int32_t>(model.hours, 0)) * 60 +
                                    static_cast<uint64_t>(std::max<int32_t>(model.minutes, 0))) *
                                       60 +
                                   static_cast<uint64_t>(std::max<int32_t>(model.seconds, 0));
    model.bonus = SaturateToScore(uint64_t{model.bonus} + playedSeconds);

    for (FallingBlock& block : model.currentTrio) {
        if (ValidColumn(block.column)) model.board[block.column][kTopRow].value = block.value;
        block.value = 0;
    }

    uint64_t leftOnBoard = 0;
    for (const auto& column : model.board) {
        for (int r = 1; r < kTopRow; ++r) {
            leftOnBoard += static_cast<uint32_t>(column[r].value);
        }
    }
    model.bonus = SaturateToScore(uint64_t{model.bonus} + leftOnBoard);

    host.StopMusic();
    host.PlaySoundFile(kGameOverSound);
    host.HandOverLevel(model.level);
    host.SetTimer(kOverTimer, kOverPeriodMs);
}

void GameRules::DownPressed() {
    if (model.state != GameState::Playing) return;
    model.fallSpeed = ClampedAdd(model.baseFallSpeed, model.baseFallSpeed);
    model.score = SaturatingAdd(model.score, 1);
}

void GameRules::DownReleased() {
    model.fallSpeed = model.baseFallSpeed;
}

void GameRules::MoveFlipperLeft() {
    if (model.flipperLeft == 0) return;
    --model.flipperLeft;
    --model.flipperRight;
}

void GameRules::MoveFlipperRight() {
    if (model.flipperRight == kColumns - 1) return;
    ++model.flipperLeft;
    ++model.flipperRight;
}

void GameRules::MarkedCellDrawn() {
    // The marked look is what starts the clearing pass: the fall stands still until it runs.
    host.KillTimer(kFallTimer);
    host.PlaySoundFile(kPanSound);
    host.SetTimer(kClearTimer, kClearPeriodMs);
}

}  // namespace zolvex
