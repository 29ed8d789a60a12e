// Work that may run beside the message loop: on a thread of its own where the
// machine has threads, else at once on the caller's thread (a browser page without
// cross-origin isolation has none). Callers wait on the future either way.
#pragma once

#include <functional>
#include <future>
#include <utility>

namespace zolvex {

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
inline constexpr bool kHasThreads = false;
#else
inline constexpr bool kHasThreads = true;
#endif

// Starts `work` and returns what to wait on; without threads `work` has run and
// ended when this returns.
inline std::future<void> RunAside(std::function<void()> work) {
    if constexpr (kHasThreads) {
        return std::async(std::launch::async, std::move(work));
    } else {
        std::promise<void> done;
        work();
        done.set_value();
        return done.get_future();
    }
}

}  // namespace zolvex
