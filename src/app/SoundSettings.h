// The [Sound] keys of the player's settings: how loud the music and the sound
// effects play, and the keys that change them on every screen.
#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"

namespace zolvex {

// Each 0 (silent) to 100 (as recorded).
struct SoundLevels {
    // With these the music plays at about -17 dBFS RMS and every effect stands
    // clearly above it (docs/ASSETS.md).
    static constexpr int kDefaultMusic = 85;
    static constexpr int kDefaultEffects = 100;

    int music = kDefaultMusic;
    int effects = kDefaultEffects;

    bool operator==(const SoundLevels&) const = default;
};

// Reads the keys; a missing value means its default, and a value that is not a whole
// number from 0 to 100 says so on standard error and reads as its default (a number
// out of range as the nearest level).
SoundLevels ReadSoundSettings(const std::string& settingsPath);

// Writes the keys of `now` that differ from `before` in one replacement of the file.
// False when the file could not be written (it has said so on standard error).
bool WriteSoundLevels(const std::string& settingsPath, const SoundLevels& before,
                      const SoundLevels& now);

// What F2 (music on and off), F3 (effects on and off), F7 and F8 (music down and up
// by 10) do: each change reaches the platform at once and the settings file.
class SoundKeys {
public:
    explicit SoundKeys(Platform& platform) : platform_(platform) {}

    // Reads the levels from `settingsPath` and hands them to the platform. Without
    // music (`[BGM] BGM=0`) the music keys change nothing.
    void Load(const std::string& settingsPath, bool musicOn);
    // The notice to show for `virtualKey` when it is one of the sound keys, else nullopt.
    std::optional<std::string> OnKey(uint32_t virtualKey);
    const SoundLevels& Levels() const { return levels_; }

private:
    void Change(const SoundLevels& now);

    Platform& platform_;
    std::string settingsPath_;
    bool musicOn_ = true;
    SoundLevels levels_;
    // The levels an unmute goes back to.
    int musicUnmuted_ = SoundLevels::kDefaultMusic;
    int effectsUnmuted_ = SoundLevels::kDefaultEffects;
};

}  // namespace zolvex
