#include "platform/PictureFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/Paths.h"
#include "platform/Storage.h"

namespace zolvex {
namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// XDG_PICTURES_DIR as user-dirs.dirs sets it ("$HOME/Pictures" or an absolute path);
// empty when the file does not name it.
std::string UserDirsPictures(const std::string& home) {
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') config = JoinPath(home, ".config");
    std::ifstream file(JoinPath(config, "user-dirs.dirs"));
    std::string line;
    const std::string key = "XDG_PICTURES_DIR=\"";
    while (std::getline(file, line)) {
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value.replace(0, 5, home);
        return value;
    }
    return "";
}

bool Usable(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error) && IsWritableDirectory(folder);
}

}  // namespace

std::string ChooseScreenshotFolder(const std::string& fallback) {
    const std::string home = Environment("HOME");
    std::string pictures = Environment("XDG_PICTURES_DIR");
    if (pictures.empty() && !home.empty()) pictures = UserDirsPictures(home);
    if (!pictures.empty() && pictures[0] == '/') {
        std::string named = JoinPath(pictures, "zolvex");
        if (Usable(named)) return named;
        std::fprintf(stderr, "zolvex: cannot save screenshots in %s\n", named.c_str());
    }
    if (!home.empty()) {
        std::string usual = JoinPath(JoinPath(home, "Pictures"), "zolvex");
        if (Usable(usual)) return usual;
    }
    return fallback;
}

}  // namespace zolvex
