#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zolvex {

namespace {
Platform* gPlatform = nullptr;
}  // namespace

Platform& GetPlatform() {
    if (gPlatform == nullptr) {
        std::fputs("zolvex: no platform backend is set\n", stderr);
        std::abort();
    }
    return *gPlatform;
}

void SetPlatform(Platform* platform) { gPlatform = platform; }

std::string NativePath(const std::string& gamePath) {
    std::string path = gamePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

}  // namespace zolvex
