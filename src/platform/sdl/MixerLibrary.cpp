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
    Find(library, "Mix_OpenAudio", calls.openAudio, missing);
    Find(library, "Mix_CloseAudio", calls.closeAudio, missing);
    Find(library, "Mix_QuerySpec", calls.querySpec, missing);
    Find(library, "Mix_AllocateChannels", calls.allocateChannels, missing);
    Find(library, "Mix_SetPostMix", calls.setPostMix, missing);
    Find(library, "Mix_Volume", calls.volume, missing);
    Find(library, "Mix_VolumeMusic", calls.volumeMusic, missing);
    Find(library, "Mix_LoadWAV_RW", calls.loadWavRw, missing);
    Find(library, "Mix_QuickLoad_RAW", calls.quickLoadRaw, missing);
    Find(library, "Mix_FreeChunk", calls.freeChunk, missing);
    Find(library, "Mix_PlayChannel", calls.playChannel, missing);
    Find(library, "Mix_LoadMUS", calls.loadMus, missing);
    Find(library, "Mix_LoadMUSType_RW", calls.loadMusTypeRw, missing);
    Find(library, "Mix_FreeMusic", calls.freeMusic, missing);
    Find(library, "Mix_PlayMusic", calls.playMusic, missing);
    Find(library, "Mix_PauseMusic", calls.pauseMusic, missing);
    Find(library, "Mix_ResumeMusic", calls.resumeMusic, missing);
    Find(library, "Mix_HaltMusic", calls.haltMusic, missing);
    Find(library, "Mix_PausedMusic", calls.pausedMusic, missing);
    Find(library, "Mix_PlayingMusic", calls.playingMusic, missing);
    Find(library, "Mix_SetSoundFonts", calls.setSoundFonts, missing);
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
