#include "platform/sdl/SoundFont.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace zolvex {
namespace {

// A folder or a dangling link may sit under a sound font's name; neither can be played.
bool IsReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool HasSoundFontExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".sf2" || extension == ".sf3";
}

std::optional<std::string> FirstSoundFontIn(const std::string& folder) {
    std::vector<std::filesystem::path> fonts;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (HasSoundFontExtension(it->path())) fonts.push_back(it->path());
    }
    std::sort(fonts.begin(), fonts.end());
    for (const auto& font : fonts) {
        if (IsReadableFile(font)) return font.string();
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> SystemSoundFontFolders() {
    return {"/usr/share/sounds/sf2", "/usr/share/sounds/sf3", "/usr/share/soundfonts"};
}

std::optional<std::string> ListedSoundFont(const std::string& listed) {
    size_t begin = 0;
    while (begin <= listed.size()) {
        size_t end = listed.find_first_of(":;", begin);
        if (end == std::string::npos) end = listed.size();
        std::string entry = listed.substr(begin, end - begin);
        if (!entry.empty() && IsReadableFile(entry)) return entry;
        begin = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> FindSoundFont(const std::vector<std::string>& folders,
                                         const std::string& listed) {
    if (auto font = ListedSoundFont(listed)) return font;
    // The system's chosen default comes first; the game's tunes are written for the
    // General MIDI instruments, which any other font may lack or put elsewhere.
    static const char* const kGeneralMidiNames[] = {
        "default-GM.sf2", "default-GM.sf3", "TimGM6mb.sf2", "FluidR3_GM.sf2", "FluidR3_GM.sf3"};
    for (const char* name : kGeneralMidiNames) {
        for (const std::string& folder : folders) {
            std::filesystem::path font = std::filesystem::path(folder) / name;
            if (IsReadableFile(font)) return font.string();
        }
    }
    for (const std::string& folder : folders) {
        if (auto font = FirstSoundFontIn(folder)) return font;
    }
    return std::nullopt;
}

}  // namespace zolvex
