#include "platform/sdl/MixerRest.h"

#include <cstring>

namespace zolvex {

void MixerRest::Attach(const MixerCalls* mix) {
    mix_ = mix;
    device_ = 0;
    resting_ = false;
    quietSince_.reset();
    // Straight to ALSA, the device runs dry while the thread rests, and the library
    // reports each time on standard error as the thread takes up again; sound servers
    // (and SDL's dummy and disk drivers) take a writer that pauses in their stride.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver != nullptr && std::strcmp(driver, "alsa") == 0) return;
    // The mixer does not say which device it opened. SDL gives 1 to a device opened
    // through its older single-device call and numbers the others from 2 up, so both
    // are looked at; the game opens one, and the one that plays is the mixer's.
    for (SDL_AudioDeviceID id = 1; id <= 32 && mix != nullptr; ++id) {
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING) {
            device_ = id;
            return;
        }
    }
}

void MixerRest::Wake() {
    if (!resting_) return;
    // SDL's thread takes this lock around each buffer it mixes; held here, it waits
    // on it without waking.
    SDL_UnlockAudioDevice(device_);
    resting_ = false;
    quietSince_.reset();
}

std::optional<uint64_t> MixerRest::Check(uint64_t nowMs) {
    if (device_ == 0 || resting_) return std::nullopt;
    // Paused music counts as playing for the mixer, but sounds nothing.
    if (mix_->playingMusic() != 0 && mix_->pausedMusic() == 0) {
        quietSince_.reset();
        return std::nullopt;
    }
    if (mix_->playing(-1) != 0) {
        quietSince_.reset();
        return kQuietMs;
    }
    if (!quietSince_) quietSince_ = nowMs;
    if (nowMs - *quietSince_ < kQuietMs) return *quietSince_ + kQuietMs - nowMs;
    SDL_LockAudioDevice(device_);
    resting_ = true;
    return std::nullopt;
}

}  // namespace zolvex
