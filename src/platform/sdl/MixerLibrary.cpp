#include "platform/sdl/MixerLibrary.h"

#include <SDL.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>

#include "platform/LoadedCalls.h"

namespace zolvex {
namespace {

std::optional<MixerCalls> Load(const std::string& name) {
    void* library = SDL_LoadObject(name.c_str());
    if (library == nullptr) {
        std::fprintf(stderr, "zolvex: cannot open the sound mixer %s (%s): running silent\n",
                     name.c_str(), SDL_GetError());
        return std::nullopt;
    }
    MixerCalls calls;
    std::string missing;
    FindCall(library, "Mix_OpenAudio", calls.openAudio, missing);
    FindCall(library, "Mix_CloseAudio", calls.closeAudio, missing);
    FindCall(library, "Mix_QuerySpec", calls.querySpec, missing);
    FindCall(library, "Mix_AllocateChannels", calls.allocateChannels, missing);
    FindCall(library, "Mix_SetPostMix", calls.setPostMix, missing);
    FindCall(library, "Mix_Volume", calls.volume, missing);
    FindCall(library, "Mix_VolumeMusic", calls.volumeMusic, missing);
    FindCall(library, "Mix_LoadWAV_RW", calls.loadWavRw, missing);
    FindCall(library, "Mix_QuickLoad_RAW", calls.quickLoadRaw, missing);
    FindCall(library, "Mix_FreeChunk", calls.freeChunk, missing);
    FindCall(library, "Mix_PlayChannel", calls.playChannel, missing);
    FindCall(library, "Mix_Playing", calls.playing, missing);
    FindCall(library, "Mix_LoadMUS", calls.loadMus, missing);
    FindCall(library, "Mix_LoadMUSType_RW", calls.loadMusTypeRw, missing);
    FindCall(library, "Mix_FreeMusic", calls.freeMusic, missing);
    FindCall(library, "Mix_PlayMusic", calls.playMusic, missing);
    FindCall(library, "Mix_PauseMusic", calls.pauseMusic, missing);
    FindCall(library, "Mix_ResumeMusic", calls.resumeMusic, missing);
    FindCall(library, "Mix_HaltMusic", calls.haltMusic, missing);
    FindCall(library, "Mix_PausedMusic", calls.pausedMusic, missing);
    FindCall(library, "Mix_PlayingMusic", calls.playingMusic, missing);
    FindCall(library, "Mix_SetSoundFonts", calls.setSoundFonts, missing);
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
