// Which sound font the MIDI synthesizer plays the tunes with.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zolvex {

// The folders a system's sound font packages install into, in the order searched.
std::vector<std::string> SystemSoundFontFolders();

// The first entry of `listed` (the SDL_SOUNDFONTS list: paths separated by ':' or
// ';') that is a readable file; nothing when none is.
std::optional<std::string> ListedSoundFont(const std::string& listed);

// The sound font to use: ListedSoundFont(listed) when there is one; otherwise, in
// `folders`, a General MIDI font under a well-known name (default-GM first), else the
// first readable .sf2 or .sf3 file in name order, folder by folder. Nothing when none
// is found.
std::optional<std::string> FindSoundFont(const std::vector<std::string>& folders,
                                         const std::string& listed);

}  // namespace zolvex
