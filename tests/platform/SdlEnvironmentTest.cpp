// The window's libraries read settings from the environment. The program opens its
// fonts on a thread that reads the environment too, while the window opens, so
// opening the window must leave the environment exactly as it found it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "platform/sdl/SdlPlatform.h"

namespace zolvex {
namespace {

size_t CountVariables() {
    size_t count = 0;
    while (environ[count] != nullptr) ++count;
    return count;
}

TEST(SdlEnvironmentTest, TheEnvironmentIsSetWhenThePlatformIsMadeAndNotWhenTheWindowOpens) {
    for (const char* name :
         {"SDL_VIDEO_X11_WMCLASS", "SDL_VIDEO_WAYLAND_WMCLASS", "XCOMPOSECACHE"}) {
        ::unsetenv(name);
    }
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::unique_ptr<Platform> platform = CreateSdlPlatform();
    const char* wmClass = std::getenv("SDL_VIDEO_X11_WMCLASS");
    ASSERT_NE(wmClass, nullptr);
    EXPECT_STREQ(wmClass, "zolvex");

    char** const list = environ;
    const size_t count = CountVariables();
    ASSERT_TRUE(platform->CreateMainWindow("zolvex", [](const Message&) { return 0; }, {}));
    EXPECT_EQ(environ, list) << "the list of variables was replaced while the window opened";
    EXPECT_EQ(CountVariables(), count);
    platform->DestroyMainWindow();
}

}  // namespace
}  // namespace zolvex
