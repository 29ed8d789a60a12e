#include "app/DisplaySettings.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "formats/ProfileFile.h"

namespace zolvex {
namespace {

constexpr const char* kSection = "Display";

// The whole value as a decimal integer, or nullopt.
std::optional<int> WholeNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || next != end || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

WindowOptions ReadDisplaySettings(const std::string& settingsPath,
                                  const DisplayOverrides& overrides) {
    const ProfileSnapshot settings(settingsPath);
    auto number = [&](const char* key) {
        return WholeNumber(settings.GetString(kSection, key, "", 32));
    };
    WindowOptions options;
    WindowPlacement& placement = options.placement;
    placement.windowed = settings.GetInt(kSection, "Windowed", 0) != 0;
    options.scale = settings.GetInt(kSection, "Scale", 1);
    if (options.scale < 1 || options.scale > 16) options.scale = 1;
    options.scaling = ParseScalingMode(settings.GetString(kSection, "Scaling", "", 32))
                          .value_or(ScalingMode::Sharp);

    const std::optional<int> width = number("Width");
    const std::optional<int> height = number("Height");
    const std::optional<int> x = number("X");
    const std::optional<int> y = number("Y");
    // A size and place are kept only whole: without any one of them the window
    // opens at its usual size.
    if (width && height && x && y && *width > 0 && *height > 0) {
        placement.width = *width;
        placement.height = *height;
        placement.x = *x;
        placement.y = *y;
    }
    placement.monitor = std::max(0, number("Monitor").value_or(0));

    if (overrides.windowed) placement.windowed = *overrides.windowed;
    if (overrides.scale) options.scale = *overrides.scale;
    return options;
}

bool WriteDisplayPlacement(const std::string& settingsPath, const WindowPlacement& before,
                           const WindowPlacement& now) {
    std::vector<ProfileWrite> writes;
    auto write = [&](const char* key, int value) {
        writes.push_back({kSection, key, std::to_string(value)});
    };
    if (now.windowed != before.windowed) write("Windowed", now.windowed ? 1 : 0);
    if (now.width > 0 && now.height > 0 &&
        (now.width != before.width || now.height != before.height || now.x != before.x ||
         now.y != before.y)) {
        write("Width", now.width);
        write("Height", now.height);
        write("X", now.x);
        write("Y", now.y);
    }
    if (now.monitor != before.monitor) write("Monitor", now.monitor);
    return writes.empty() || WriteProfileStrings(settingsPath, writes);
}

}  // namespace zolvex
