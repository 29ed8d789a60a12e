// Where the player's screenshots are saved.
#pragma once

#include <string>

namespace zolvex {

// "zolvex" in the player's pictures folder ($XDG_PICTURES_DIR, else the one
// user-dirs.dirs names, else ~/Pictures), else in ~/Pictures, made when missing;
// `fallback` itself when none of them can be written. A pictures folder that is
// named but cannot be used is said once on standard error.
std::string ChooseScreenshotFolder(const std::string& fallback);

}  // namespace zolvex
