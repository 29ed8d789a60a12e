#include "platform/sdl/MixerLibrary.h"

#include <SDL.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>

namespace zolvex {
namespace {

// Finds one call; the first that cannot be found is named in `missing`.
template <typename Call>
void Find(void* library, const char* symbol, Call& call, std::string& missing) {
    call = reinterpret_cast<Call>(SDL_LoadFunction(library, symbol));
    if (call == nullptr && missing.empty()) missing = symbol;
}

std::optional<MixerCalls> Load(const std::string& name) {
    void* library = SDL_LoadObject(name.c_str());
    if (library == nullptr) {
        std::fprintf(stderr, "zolvex: cannot open the sound mixer %s (%s): running silent\n",
                     name.c_str(), SDL_GetError());
        return std::nullopt;
    }
    MixerCalls calls;
    std::string missing;
    Find(library, "Mix_OpenAudio", calls.OpenAudio, missing);
    Find(library, "Mix_CloseAudio", calls.CloseAudio, missing);
    Find(library, "Mix_QuerySpec", calls.QuerySpec, missing);
    Find(library, "Mix_AllocateChannels", calls.AllocateChannels, missing);
    Find(library, "Mix_SetPostMix", calls.SetPostMix, missing);
    Find(library, "Mix_Volume", calls.Volume, missing);
    Find(library, "Mix_VolumeMusic", calls.VolumeMusic, missing);
    Find(library, "Mix_LoadWAV_RW", calls.LoadWAV_RW, missing);
    Find(library, "Mix_QuickLoad_RAW", calls.QuickLoad_RAW, missing);
    Find(library, "Mix_FreeChunk", calls.FreeChunk, missing);
    Find(library, "Mix_PlayChannel", calls.PlayChannel, missing);
    Find(library, "Mix_LoadMUS", calls.LoadMUS, missing);
    Find(library, "Mix_LoadMUSType_RW", calls.LoadMUSType_RW, missing);
    Find(library, "Mix_FreeMusic", calls.FreeMusic, missing);
    Find(library, "Mix_PlayMusic", calls.PlayMusic, missing);
    Find(library, "Mix_PauseMusic", calls.PauseMusic, missing);
    Find(library, "Mix_ResumeMusic", calls.ResumeMusic, missing);
    Find(library, "Mix_HaltMusic", calls.HaltMusic, missing);
    Find(library, "Mix_PausedMusic", calls.PausedMusic, missing);
    Find(library, "Mix_PlayingMusic", calls.PlayingMusic, missing);
    Find(library, "Mix_SetSoundFonts", calls.SetSoundFonts, missing);
    if (!missing.empty()) {
        std::fprintf(stderr, "zolvex: the sound mixer %s lacks %s: running silent\n", name.c_str(),
                     missing.c_str());
        SDL_UnloadObject(library);
        return std::nullopt;
    }
    return calls;
}

}  // namespace

const MixerCalls* OpenMixer(const std::string& name) {
    // Each name is tried once: a missing library is said once, not at every sound.
    static std::mutex lock;
    static std::map<std::string, std::optional<MixerCalls>> opened;
    const std::lock_guard<std::mutex> hold(lock);
    auto it = opened.find(name);
    if (it == opened.end()) it = opened.emplace(name, Load(name)).first;
    return it->second ? &*it->second : nullptr;
}

}  // namespace zolvex
