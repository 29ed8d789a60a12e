// Calls found by name in a library the game opens while it runs rather than links
// (the sound mixer, the font libraries), so that loading it stays off the start.
#pragma once

#include <SDL.h>

#include <string>

namespace zolvex {

// Finds `symbol` in `library` as `call`; the first that cannot be found is named in
// `missing`.
template <typename Call>
void FindCall(void* library, const char* symbol, Call& call, std::string& missing) {
    call = reinterpret_cast<Call>(SDL_LoadFunction(library, symbol));
    if (call == nullptr && missing.empty()) missing = symbol;
}

}  // namespace zolvex
