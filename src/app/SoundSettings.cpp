#include "app/SoundSettings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

#include "formats/ProfileFile.h"

namespace zolvex {
namespace {

constexpr const char* kSection = "Sound";

int ReadLevel(const ProfileSnapshot& settings, const std::string& path, const char* key,
              int fallback) {
    const std::string text = settings.GetString(kSection, key, "", 32);
    if (text.empty()) return fallback;
    int value = 0;
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc() && next == end && value >= 0 && value <= 100) return value;
    const bool number = error == std::errc() && next == end;
    const int level = number ? std::clamp(value, 0, 100) : fallback;
    std::fprintf(stderr, "zolvex: [%s] %s=%s in %s is not a level from 0 to 100: using %d\n",
                 kSection, key, text.c_str(), path.c_str(), level);
    return level;
}

std::string LevelNotice(const char* what, int level) {
    return level == 0 ? std::string(what) + " off"
                      : std::string(what) + " " + std::to_string(level);
}

}  // namespace

SoundLevels ReadSoundSettings(const std::string& settingsPath) {
    const ProfileSnapshot settings(settingsPath);
    SoundLevels levels;
    levels.music = ReadLevel(settings, settingsPath, "Music", SoundLevels::kDefaultMusic);
    levels.effects = ReadLevel(settings, settingsPath, "Effects", SoundLevels::kDefaultEffects);
    return levels;
}

bool WriteSoundLevels(const std::string& settingsPath, const SoundLevels& before,
                      const SoundLevels& now) {
    std::vector<ProfileWrite> writes;
    if (now.music != before.music) writes.push_back({kSection, "Music", std::to_string(now.music)});
    if (now.effects != before.effects) {
        writes.push_back({kSection, "Effects", std::to_string(now.effects)});
    }
    return writes.empty() || WriteProfileStrings(settingsPath, writes);
}

void SoundKeys::Load(const std::string& settingsPath, bool musicOn) {
    settingsPath_ = settingsPath;
    musicOn_ = musicOn;
    levels_ = ReadSoundSettings(settingsPath);
    if (levels_.music > 0) musicUnmuted_ = levels_.music;
    if (levels_.effects > 0) effectsUnmuted_ = levels_.effects;
    platform_.SetVolumes(levels_.music, levels_.effects);
}

std::optional<std::string> SoundKeys::OnKey(uint32_t virtualKey) {
    SoundLevels now = levels_;
    switch (virtualKey) {
        case kVkF2:
        case kVkF7:
        case kVkF8:
            if (!musicOn_) return "No music: BGM=0 in zolvex.ini";
            if (virtualKey == kVkF2) {
                now.music = levels_.music > 0 ? 0 : musicUnmuted_;
            } else {
                now.music = std::clamp(levels_.music + (virtualKey == kVkF8 ? 10 : -10), 0, 100);
            }
            Change(now);
            return LevelNotice("Music", levels_.music);
        case kVkF3:
            now.effects = levels_.effects > 0 ? 0 : effectsUnmuted_;
            Change(now);
            return levels_.effects == 0 ? "Effects off" : "Effects on";
        default:
            return std::nullopt;
    }
}

void SoundKeys::Change(const SoundLevels& now) {
    if (now == levels_) return;
    platform_.SetVolumes(now.music, now.effects);
    // The levels stay in use for this run even when the file cannot be written.
    WriteSoundLevels(settingsPath_, levels_, now);
    levels_ = now;
    if (levels_.music > 0) musicUnmuted_ = levels_.music;
    if (levels_.effects > 0) effectsUnmuted_ = levels_.effects;
}

}  // namespace zolvex
