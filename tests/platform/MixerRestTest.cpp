// The mixer's thread rests once the game has been silent for a second and takes up at
// once when a sound is played. Runs on SDL's dummy sound driver, counting the buffers
// the mixer hands over.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/sdl/MixerRest.h"

namespace zolvex {
namespace {

std::atomic<int> buffers{0};

// Waits `ms` and says how many buffers were mixed meanwhile.
int MixedDuring(int ms) {
    const int before = buffers;
    SDL_Delay(static_cast<Uint32>(ms));
    return buffers - before;
}

TEST(MixerRestTest, RestsAfterAQuietSecondAndWakesForTheNextSound) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    const MixerCalls* mix = OpenMixer();
    ASSERT_NE(mix, nullptr);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0);
    ASSERT_EQ(mix->openAudio(44100, AUDIO_S16SYS, 2, 512), 0);  // a buffer every 12 ms
    mix->allocateChannels(1);
    mix->setPostMix([](void*, Uint8*, int) { ++buffers; }, nullptr);
    std::vector<int16_t> tone(4410 * 2, 1000);  // 100 ms
    Mix_Chunk* chunk = mix->quickLoadRaw(reinterpret_cast<Uint8*>(tone.data()),
                                         static_cast<Uint32>(tone.size() * sizeof(int16_t)));
    ASSERT_NE(chunk, nullptr);
    MixerRest rest;
    rest.Attach(mix);
    constexpr uint64_t kQuiet = MixerRest::kQuietMs;

    // A sound that plays keeps it awake however long the loop took to look.
    mix->playChannel(0, chunk, 0);
    EXPECT_EQ(rest.Check(0), kQuiet);
    EXPECT_EQ(rest.Check(50 * kQuiet), kQuiet);
    EXPECT_FALSE(rest.Resting());
    for (int wait = 0; wait < 100 && mix->playing(-1) != 0; ++wait) SDL_Delay(10);
    ASSERT_EQ(mix->playing(-1), 0);
    // Silent, it mixes on until a quiet second has passed, then mixes nothing.
    EXPECT_EQ(rest.Check(100 * kQuiet), kQuiet);
    EXPECT_EQ(rest.Check(100 * kQuiet + 400), kQuiet - 400);
    EXPECT_GT(MixedDuring(100), 0);
    EXPECT_EQ(rest.Check(101 * kQuiet), std::nullopt);
    EXPECT_TRUE(rest.Resting());
    MixedDuring(30);  // a buffer being mixed as it came to rest
    EXPECT_EQ(MixedDuring(150), 0);

    // A sound wakes it, and it plays to its end.
    mix->playChannel(0, chunk, 0);
    rest.Wake();
    EXPECT_GT(MixedDuring(150), 5);
    EXPECT_EQ(mix->playing(-1), 0);

    // Music keeps it awake while it plays; paused, it sounds nothing.
    Mix_Music* music = mix->loadMus((std::string(ZOLVEX_RUNTIME_DIR) + "/open.wav").c_str());
    ASSERT_NE(music, nullptr);
    mix->playMusic(music, -1);
    EXPECT_EQ(rest.Check(200 * kQuiet), std::nullopt);
    EXPECT_FALSE(rest.Resting());
    mix->pauseMusic();
    rest.Check(300 * kQuiet);
    rest.Check(301 * kQuiet);
    EXPECT_TRUE(rest.Resting());

    // Closing waits for the thread: it is woken first, or this would not return.
    mix->freeMusic(music);
    rest.Wake();
    mix->closeAudio();
    mix->freeChunk(chunk);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace
}  // namespace zolvex
