// The keys the player chose for the game's actions ([Keys] in the settings),
// applied where the window's keys become the screens' virtual keys.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/Platform.h"

namespace zolvex {

class SdlKeyMap {
public:
    // Puts each binding's key on its action. A name no key has, or a key the game
    // keeps for itself (the arrows, Enter, Esc, F5, F11), is ignored with one line
    // on standard error. An action's default key stops doing it once every action
    // it did has a key of its own, unless it is one of the keys kept.
    void Bind(const std::vector<KeyBinding>& bindings);

    // What `key` sends to the screens when the player chose it: its action's virtual
    // key, or 0 for a default key that was given away; nullopt when the key keeps
    // its own meaning. While a name is typed, a key that types a character keeps
    // its own meaning, so the character reaches the name.
    std::optional<uint32_t> Lookup(const SDL_Keysym& key, bool typing) const;

private:
    std::map<SDL_Keycode, uint32_t> chosen_;
    std::set<SDL_Keycode> givenAway_;
};

}  // namespace zolvex
