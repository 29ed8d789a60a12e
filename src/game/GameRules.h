// The rules of a game: new-game set-up, trio drawing and hand-over, the fall
// tick with landing and ten-pairs, the clearing pass, the column swap, the
// clock and the speed rule, and game over. Every operation acts on the model it
// was given and reaches timers, sound and the other scenes only through GameHost.
#pragma once

#include <cstdint>

#include "game/GameHost.h"
#include "game/GameModel.h"

namespace zolvex {

class GameRules {
public:
    GameRules(GameModel& model, GameHost& host) : model(model), host(host) {}

    GameModel& Model() { return model; }
    const GameModel& Model() const { return model; }

    // New game, first half: level, score, bonus, both fall speeds, clock, state Ready,
    // pairCount and overTicks.
    void InitNewGameValues(int level);
    // New game, second half: Flipper at 3/4, empty board with its floor, first trio in
    // play at y 0 and a second trio drawn as the next one.
    void InitBoardAndTrios();
    // Draws a fresh next trio: three different columns, three values no two of which
    // are equal or add up to ten.
    void GenerateNextTrio();
    // Puts the next trio into play, scores pairCount² × 50 and draws a new next trio.
    void HandOverTrio();

    // One FallTimer tick: move, land and test for pairs, end the game or re-arm the
    // fall, recompute rows and hand over the trio when it is done.
    void FallStep();
    // Marks the ten-pairs that cell (column, row) forms below, right and left of it,
    // adding 2 to pairCount per pair. Rows 1..11 only; other coordinates are ignored.
    void CheckPairs(int column, int row);
    // One ClearTimer tick: stops ClearTimer, empties row 11, removes marked cells,
    // multiplies the score by 1.5 when the board is left empty and, while Playing,
    // restarts the fall.
    void ClearingPass();
    // Exchanges the two columns under the Flipper, carrying falling blocks that would
    // end up inside a block, re-tests both columns and restarts the fall interval.
    // Does not test the state; the input handling calls it only while Playing.
    void SwapColumns();

    // One ClockTimer tick: advances the clock; each full minute raises both fall
    // speeds by 1 while the base speed is at most 15.
    void ClockTick();
    // One OverTimer tick; the ninth stops OverTimer and hands over to the ranking.
    void OverTick();
    // Ends the game: stops the play timers, redraws, computes the bonus, writes the
    // trio's numbers into row 11, plays the game-over sound and starts OverTimer.
    // Callers make sure the state is not already Over.
    void GameOver();

    uint32_t GetScore() const { return model.score; }
    uint32_t GetBonus() const { return model.bonus; }

    // Down key-down (auto-repeat included): while Playing, double speed and score + 1.
    void DownPressed();
    // Down key-up, in every state: back to the base speed.
    void DownReleased();
    // Move the Flipper one column, unless it is at the edge. The state is not tested.
    void MoveFlipperLeft();
    void MoveFlipperRight();

    // What drawing a marked cell does besides the tile: stops the fall, plays the
    // marked sound and (re)starts ClearTimer with 30 ms.
    void MarkedCellDrawn();

    // True when any cell of rows 1..11 is marked.
    bool AnyCellMarked() const;

private:
    int DrawRandom();
    bool Occupied(int column, int row) const;

    GameModel& model;
    GameHost& host;
};

}  // namespace zolvex
