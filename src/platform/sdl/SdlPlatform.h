// The platform on a real machine: one SDL2 window, SDL2_mixer for sounds and
// music, and the window system's timer semantics kept by the message loop.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace zolvex {

struct SdlOptions {
    // Poll without ever waiting (kept only to measure what waiting saves).
    bool pollingLoop = false;
    // When set, the time of every tick of timer 0 is appended to this file
    // (measurement builds only).
    std::string tickLogPath;
    // The folder of the game's pictures, sounds and tunes, reported as the program's
    // folder; empty means the executable's own folder.
    std::string programDirectory;
};

// Folder of the running executable, without a trailing separator.
std::string ReadExecutableDirectory();

// Sets the environment variables the window's libraries read, so it is called before
// the program starts a thread of its own.
std::unique_ptr<Platform> CreateSdlPlatform(const SdlOptions& options = {});

}  // namespace zolvex
