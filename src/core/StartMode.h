// How a scene is started: a new visit, a rebuild after the display was restored,
// or a look at a stored table without a new result.
#pragma once

namespace zolvex {

enum class StartMode : int {
    Create = 10,
    Restore = 20,
    ViewOnly = 30,
};

}  // namespace zolvex
