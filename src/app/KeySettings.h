// The [Keys] section of the player's settings: a key of one's own for each of
// the game's actions, by the key's name ("Swap=Left Shift").
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace zolvex {

// Every action with the key the settings give it; an action without a key of its
// own keeps its default. The names are checked by the platform, which knows the keys.
std::vector<KeyBinding> ReadKeySettings(const std::string& settingsPath);

}  // namespace zolvex
