#include "platform/sdl/SdlKeyMap.h"

#include <cstdio>

namespace zolvex {
namespace {

// Keys that keep their meaning whatever is chosen, so that no one is locked out;
// F11 switches the screen before any scene hears of it.
bool KeptKey(SDL_Keycode key) {
    switch (key) {
        case SDLK_LEFT:
        case SDLK_RIGHT:
        case SDLK_UP:
        case SDLK_DOWN:
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_ESCAPE:
        case SDLK_F5:
        case SDLK_F11:
            return true;
        default:
            return false;
    }
}

// Whether the key types a character into a name (the Space key types the
// picker's character instead, so it is not one of them).
bool TypesCharacter(const SDL_Keysym& key) {
    if (key.sym > ' ' && key.sym < 0x7F) return true;
    switch (key.sym) {
        case SDLK_KP_0:
        case SDLK_KP_1:
        case SDLK_KP_2:
        case SDLK_KP_3:
        case SDLK_KP_4:
        case SDLK_KP_5:
        case SDLK_KP_6:
        case SDLK_KP_7:
        case SDLK_KP_8:
        case SDLK_KP_9:
        case SDLK_KP_PERIOD:
            return (key.mod & KMOD_NUM) != 0;
        case SDLK_KP_DIVIDE:
        case SDLK_KP_MULTIPLY:
        case SDLK_KP_MINUS:
        case SDLK_KP_PLUS:
        case SDLK_KP_EQUALS:
        case SDLK_KP_COMMA:
            return true;
        default:
            return false;
    }
}

}  // namespace

void SdlKeyMap::Bind(const std::vector<KeyBinding>& bindings) {
    chosen_.clear();
    givenAway_.clear();
    // A default key stays while any action it does keeps it.
    std::map<SDL_Keycode, bool> defaultStays;
    for (const KeyBinding& binding : bindings) {
        const SDL_Keycode defaultKey = SDL_GetKeyFromName(binding.defaultKey.c_str());
        bool moved = false;
        if (!binding.key.empty()) {
            const SDL_Keycode key = SDL_GetKeyFromName(binding.key.c_str());
            if (key == SDLK_UNKNOWN) {
                std::fprintf(stderr,
                             "zolvex: no key is named \"%s\" ([Keys] %s in the settings); "
                             "keeping %s\n",
                             binding.key.c_str(), binding.action.c_str(),
                             binding.defaultKey.c_str());
            } else if (KeptKey(key) && key != defaultKey) {
                std::fprintf(stderr,
                             "zolvex: %s keeps its own meaning ([Keys] %s=%s in the settings); "
                             "keeping %s\n",
                             SDL_GetKeyName(key), binding.action.c_str(), binding.key.c_str(),
                             binding.defaultKey.c_str());
            } else {
                auto [at, fresh] = chosen_.try_emplace(key, binding.virtualKey);
                if (!fresh && at->second != binding.virtualKey) {
                    std::fprintf(stderr,
                                 "zolvex: %s is chosen for two actions in [Keys] of the "
                                 "settings; it does %s\n",
                                 SDL_GetKeyName(key), binding.action.c_str());
                    at->second = binding.virtualKey;
                }
                moved = key != defaultKey;
            }
        }
        bool& stays = defaultStays.try_emplace(defaultKey, false).first->second;
        stays = stays || !moved || KeptKey(defaultKey);
    }
    for (const auto& [key, stays] : defaultStays) {
        if (!stays && !chosen_.contains(key)) givenAway_.insert(key);
    }
}

std::optional<uint32_t> SdlKeyMap::Lookup(const SDL_Keysym& key, bool typing) const {
    if (typing && TypesCharacter(key)) return std::nullopt;
    if (auto it = chosen_.find(key.sym); it != chosen_.end()) return it->second;
    if (givenAway_.contains(key.sym)) return 0u;
    return std::nullopt;
}

}  // namespace zolvex
