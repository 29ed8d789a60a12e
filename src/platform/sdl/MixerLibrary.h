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
    decltype(&::Mix_OpenAudio) OpenAudio = nullptr;
    decltype(&::Mix_CloseAudio) CloseAudio = nullptr;
    decltype(&::Mix_QuerySpec) QuerySpec = nullptr;
    decltype(&::Mix_AllocateChannels) AllocateChannels = nullptr;
    decltype(&::Mix_SetPostMix) SetPostMix = nullptr;
    decltype(&::Mix_Volume) Volume = nullptr;
    decltype(&::Mix_VolumeMusic) VolumeMusic = nullptr;
    decltype(&::Mix_LoadWAV_RW) LoadWAV_RW = nullptr;
    decltype(&::Mix_QuickLoad_RAW) QuickLoad_RAW = nullptr;
    decltype(&::Mix_FreeChunk) FreeChunk = nullptr;
    decltype(&::Mix_PlayChannel) PlayChannel = nullptr;
    decltype(&::Mix_LoadMUS) LoadMUS = nullptr;
    decltype(&::Mix_LoadMUSType_RW) LoadMUSType_RW = nullptr;
    decltype(&::Mix_FreeMusic) FreeMusic = nullptr;
    decltype(&::Mix_PlayMusic) PlayMusic = nullptr;
    decltype(&::Mix_PauseMusic) PauseMusic = nullptr;
    decltype(&::Mix_ResumeMusic) ResumeMusic = nullptr;
    decltype(&::Mix_HaltMusic) HaltMusic = nullptr;
    decltype(&::Mix_PausedMusic) PausedMusic = nullptr;
    decltype(&::Mix_PlayingMusic) PlayingMusic = nullptr;
    decltype(&::Mix_SetSoundFonts) SetSoundFonts = nullptr;
};

// The library's name as the system's loader knows it (its soname).
inline constexpr const char* kMixerLibraryName = "libSDL2_mixer-2.0.so.0";

// Opens the library named `name` and finds every call in it, once, on the first call;
// the library then stays for the rest of the run. Null when it cannot be opened or
// lacks a call; a line on standard error says which, and the game runs silent.
const MixerCalls* OpenMixer(const std::string& name = kMixerLibraryName);

}  // namespace zolvex
