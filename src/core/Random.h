// The program's one pseudo-random generator: 15-bit draws, 0 to 32767,
// seeded from the calendar time so that a run on the virtual clock repeats.
#pragma once

#include <cstdint>

namespace zolvex {

class RandomGenerator {
public:
    virtual ~RandomGenerator() = default;

    // Restarts the sequence from `seed`.
    virtual void Seed(uint32_t seed) { state_ = seed; }
    // The next draw, uniform over 0 to 32767.
    virtual int Next() {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

    // Where the sequence stands: seeding with it repeats the draws from here.
    uint32_t State() const { return state_; }

private:
    uint32_t state_ = 1;
};

}  // namespace zolvex
