// The platform on a real machine: one SDL2 window, SDL2_mixer for sounds and
// music, and the window system's timer semantics kept by the message loop.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace zolvex {

// `pollingLoop` makes the message loop poll without ever waiting (kept only to
// measure what waiting saves).
std::unique_ptr<Platform> CreateSdlPlatform(bool pollingLoop = false);

}  // namespace zolvex
