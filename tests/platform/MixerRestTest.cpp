// The mixer's thread rests once the game has been silent for a while and takes up at
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

void CountBuffer(void* /*unused*/, Uint8* /*stream*/, int /*length*/) {
    ++buffers;
}

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
    // 512 frames: a buffer every 12 ms.
    ASSERT_EQ(mix->openAudio(44100, AUDIO_S16SYS, 2, 512), 0);
    mix->allocateChannels(1);
    mix->setPostMix(CountBuffer, nullptr);
    std::vector<int16_t> tone(4410 * 2, 1000);  // 100 ms
    Mix_Chunk* chunk = mix->quickLoadRaw(reinterpret_cast<Uint8*>(tone.data()),
                                         static_cast<Uint32>(tone.size() * sizeof(int16_t)));
    ASSERT_NE(chunk, nullptr);

    MixerRest rest;
    rest.Attach(mix);
    mix->playChannel(0, chunk, 0);
    // While a sound plays the loop is asked to look again, and nothing rests however
    // long it has been since the loop last looked.
    EXPECT_EQ(rest.Check(0), MixerRest::kQuietMs);
    EXPECT_EQ(rest.Check(50 * MixerRest::kQuietMs), MixerRest::kQuietMs);
    EXPECT_FALSE(rest.Resting());
    for (int wait = 0; wait < 100 && mix->playing(-1) != 0; ++wait) SDL_Delay(10);
    ASSERT_EQ(mix->playing(-1), 0);

    // Silent: the thread still mixes until a quiet second has passed.
    const uint64_t quiet = 100 * MixerRest::kQuietMs;
    EXPECT_EQ(rest.Check(quiet), MixerRest::kQuietMs);
    EXPECT_EQ(rest.Check(quiet + 400), MixerRest::kQuietMs - 400);
    EXPECT_GT(MixedDuring(100), 0);
    EXPECT_EQ(rest.Check(quiet + MixerRest::kQuietMs), std::nullopt);
    EXPECT_TRUE(rest.Resting());
    MixedDuring(30);  // a buffer being mixed as it came to rest
    EXPECT_EQ(MixedDuring(150), 0);

    // A sound wakes it, and it plays to its end.
    mix->playChannel(0, chunk, 0);
    rest.Wake();
    EXPECT_GT(MixedDuring(150), 5);
    EXPECT_EQ(mix->playing(-1), 0);

    // Music keeps it awake as long as it plays; paused, it sounds nothing.
    const std::string tune = std::string(ZOLVEX_RUNTIME_DIR) + "/open.wav";
    Mix_Music* music = mix->loadMus(tune.c_str());
    ASSERT_NE(music, nullptr) << tune;
    mix->playMusic(music, -1);
    EXPECT_EQ(rest.Check(quiet * 2), std::nullopt);
    EXPECT_EQ(rest.Check(quiet * 3), std::nullopt);
    EXPECT_FALSE(rest.Resting());
    mix->pauseMusic();
    EXPECT_EQ(rest.Check(quiet * 4), MixerRest::kQuietMs);
    rest.Check(quiet * 4 + MixerRest::kQuietMs);
    EXPECT_TRUE(rest.Resting());

    // Closing waits for the thread: it is woken first, or this would not return.
    ASSERT_TRUE(rest.Resting());
    mix->haltMusic();
    mix->freeMusic(music);
    rest.Wake();
    mix->closeAudio();
    mix->freeChunk(chunk);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace
}  // namespace zolvex
