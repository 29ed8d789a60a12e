// Where the settings file "zolvex.ini" and the ranking file "score.scr" live.
#pragma once

#include <string>

namespace zolvex {

// The executable's folder when it is writable; otherwise FallbackDataDirectory's
// folder, or the executable's folder again when that cannot be made either.
// Prints one line on stderr when the folder chosen is not the executable's.
std::string ChooseDataDirectory(const std::string& exeDirectory);

// "$XDG_DATA_HOME/zolvex" (default "$HOME/.local/share/zolvex"), created as needed;
// when it holds neither profile file yet, both are copied from exeDirectory where
// they exist. Returns the folder, or an empty string when it cannot be made writable.
std::string FallbackDataDirectory(const std::string& exeDirectory);

// True when a file can be created in `directory` (checked by creating and removing one).
bool IsWritableDirectory(const std::string& directory);

}  // namespace zolvex
