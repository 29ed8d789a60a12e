// The [Display] keys of the player's settings: full screen or window, the
// scaling, and where the window was last.
#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"

namespace zolvex {

// What the command line asks for this run only, over the settings.
struct DisplayOverrides {
    std::optional<bool> windowed;
    std::optional<int> scale;
};

// Reads the keys; a missing or nonsense value means its default.
WindowOptions ReadDisplaySettings(const std::string& settingsPath,
                                  const DisplayOverrides& overrides = {});

// Writes the keys of `now` that differ from `before` in one replacement of the
// file; a size or place that is not known is not written. False when the file
// could not be written (it has said so on standard error).
bool WriteDisplayPlacement(const std::string& settingsPath, const WindowPlacement& before,
                           const WindowPlacement& now);

}  // namespace zolvex
