// Paths as the game writes them and as this system reads them.
#pragma once

#include <string>

namespace zolvex {

// Maps a game path written with backslashes ("bmp\\mback.bmp") to this system's.
std::string NativePath(const std::string& gamePath);
// Joins a folder and a file name with this system's separator.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace zolvex
