// Holds the mixer's thread still while the game makes no sound. SDL's sound thread
// wakes once a buffer (every 46 ms) to mix and hand over a buffer even of silence, and
// on a machine where a wake is dear that alone costs as much as a tenth of a point of
// one core: with the music off, play is silent between one landing and the next.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>

#include "platform/sdl/MixerLibrary.h"

namespace zolvex {

class MixerRest {
public:
    // The thread rests once nothing has sounded for this long: sounds that follow
    // each other closely (a landing, the clearing after it) keep it awake, so the
    // device is not stopped and started again for each.
    static constexpr uint64_t kQuietMs = 1000;

    // Follows the device the mixer has just opened (the one open device that plays);
    // without one found it never rests.
    void Attach(const MixerCalls* mix);

    // Lets the thread run again: called after a sound is started, which the thread
    // then mixes at once (started first, it would mix a buffer of silence before it),
    // and before the device is closed (closing waits for the thread).
    void Wake();

    // Called from the message loop at `nowMs`: holds the thread once the mixer has
    // been silent for kQuietMs. When the loop should ask again (ms from now), since a
    // sound that is playing ends without telling it; none while music plays (it
    // loops until the game stops it) or while the thread rests.
    std::optional<uint64_t> Check(uint64_t nowMs);

    bool Resting() const { return resting_; }

private:
    const MixerCalls* mix_ = nullptr;
    SDL_AudioDeviceID device_ = 0;
    bool resting_ = false;
    std::optional<uint64_t> quietSince_;
};

}  // namespace zolvex
