#include "app/KeySettings.h"

#include "formats/ProfileFile.h"

namespace zolvex {
namespace {

struct Action {
    const char* name;
    uint32_t virtualKey;
    const char* defaultKey;
};

// The screens' keys for each action. Swap and Type are the same key to the
// screens, so a key of either does both, as Space does.
constexpr Action kActions[] = {
    {"Left", kVkLeft, "Left"}, {"Right", kVkRight, "Right"},   {"Swap", kVkSpace, "Space"},
    {"Drop", kVkDown, "Down"}, {"Start", kVkReturn, "Return"}, {"GiveUp", kVkF12, "F12"},
    {"Rankings", kVkF1, "F1"}, {"Type", kVkSpace, "Space"},    {"Delete", kVkBack, "Backspace"},
};

}  // namespace

std::vector<KeyBinding> ReadKeySettings(const std::string& settingsPath) {
    const ProfileSnapshot settings(settingsPath);
    std::vector<KeyBinding> bindings;
    for (const Action& action : kActions) {
        bindings.push_back(KeyBinding{action.name, action.virtualKey, action.defaultKey,
                                      settings.GetString("Keys", action.name, "", 64)});
    }
    return bindings;
}

}  // namespace zolvex
