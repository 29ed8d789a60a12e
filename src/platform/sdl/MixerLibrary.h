// SDL_mixer, opened when the game first makes a sound rather than when it starts.
// Linked in, the mixer and what it brings with it (the MIDI synthesiser with its own
// libraries, every decoder) took a third of the loading before the game's first line
// ran, ahead of the first frame; opened here, that happens while the title awaits its
// first tick.
#pragma once

#include <SDL_mixer.h>

#include <string>

namespace zolvex {

// The mixer's calls the platform makes, found in the opened library.
struct MixerCalls {
    decltype(&::Mix_OpenAudio) openAudio = nullptr;
    decltype(&::Mix_CloseAudio) closeAudio = nullptr;
    decltype(&::Mix_QuerySpec) querySpec = nullptr;
    decltype(&::Mix_AllocateChannels) allocateChannels = nullptr;
    decltype(&::Mix_SetPostMix) setPostMix = nullptr;
    decltype(&::Mix_Volume) volume = nullptr;
    decltype(&::Mix_VolumeMusic) volumeMusic = nullptr;
    decltype(&::Mix_LoadWAV_RW) loadWavRw = nullptr;
    decltype(&::Mix_QuickLoad_RAW) quickLoadRaw = nullptr;
    decltype(&::Mix_FreeChunk) freeChunk = nullptr;
    decltype(&::Mix_PlayChannel) playChannel = nullptr;
    decltype(&::Mix_Playing) playing = nullptr;
    decltype(&::Mix_LoadMUS) loadMus = nullptr;
    decltype(&::Mix_LoadMUSType_RW) loadMusTypeRw = nullptr;
    decltype(&::Mix_FreeMusic) freeMusic = nullptr;
    decltype(&::Mix_PlayMusic) playMusic = nullptr;
    decltype(&::Mix_PauseMusic) pauseMusic = nullptr;
    decltype(&::Mix_ResumeMusic) resumeMusic = nullptr;
    decltype(&::Mix_HaltMusic) haltMusic = nullptr;
    decltype(&::Mix_PausedMusic) pausedMusic = nullptr;
    decltype(&::Mix_PlayingMusic) playingMusic = nullptr;
    decltype(&::Mix_SetSoundFonts) setSoundFonts = nullptr;
};

// The library's name as the system's loader knows it (its soname).
inline constexpr const char* kMixerLibraryName = "libSDL2_mixer-2.0.so.0";

// Opens the library named `name` and finds every call in it, once, on the first call;
// the library then stays for the rest of the run. Null when it cannot be opened or
// lacks a call; a line on standard error says which, and the game runs silent.
const MixerCalls* OpenMixer(const std::string& name = kMixerLibraryName);

}  // namespace zolvex
