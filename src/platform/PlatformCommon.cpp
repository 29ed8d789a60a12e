#include "platform/Platform.h"

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

}  // namespace zolvex
