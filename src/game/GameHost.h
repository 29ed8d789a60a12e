// The narrow interface through which the game rules reach the rest of the
// program: the scene's timers, sound, music, the redraw, the hand-over to the
// ranking scene and the program's one random generator.
#pragma once

#include <cstdint>

namespace zolvex {

class GameHost {
public:
    virtual ~GameHost() = default;
    // Starts timer `id`, or restarts it with a fresh interval if it runs.
    virtual void SetTimer(int id, uint32_t ms) = 0;
    // Stops timer `id` and drops its outstanding tick; harmless if it is not running.
    virtual void KillTimer(int id) = 0;
    // Starts a sound effect by its game path ("wav\\drop.wav"); failures are ignored.
    virtual void PlaySoundFile(const char* gamePath) = 0;
    // Stops the game music.
    virtual void StopMusic() = 0;
    // Draws the whole play screen (which calls GameRules::MarkedCellDrawn per marked
    // cell) and flips it to the screen.
    virtual void RedrawAndFlip() = 0;
    // Tells the ranking scene which level the finished game was played at.
    virtual void HandOverLevel(int level) = 0;
    // Ends the play-screen scene and starts the ranking scene to rank the result.
    virtual void EndGameAndShowRanking() = 0;
    // The program's one generator: uniform over 0..32767.
    virtual int Random() = 0;
};

}  // namespace zolvex
