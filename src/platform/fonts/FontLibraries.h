// SDL_ttf and fontconfig, opened on the thread that opens the game's fonts rather than
// linked. Linked in, they and what they bring (FreeType, HarfBuzz and theirs, some
// four megabytes) were read before the game's first line ran, and on a machine whose
// disk cache had let them go that put off the title's first frame; opened here, they
// load while the window opens.
#pragma once

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <string>

namespace zolvex {

// The calls the font rasterisers make, found in the opened libraries.
struct FontCalls {
    decltype(&::TTF_Init) ttfInit = nullptr;
    decltype(&::TTF_WasInit) ttfWasInit = nullptr;
    decltype(&::TTF_Quit) ttfQuit = nullptr;
    decltype(&::TTF_OpenFontIndex) ttfOpenFontIndex = nullptr;
    decltype(&::TTF_CloseFont) ttfCloseFont = nullptr;
    decltype(&::TTF_SetFontSize) ttfSetFontSize = nullptr;
    decltype(&::TTF_FontHeight) ttfFontHeight = nullptr;
    decltype(&::TTF_RenderText_Blended) ttfRenderTextBlended = nullptr;
    decltype(&::TTF_RenderUTF8_Blended) ttfRenderUtf8Blended = nullptr;
    decltype(&::FcInit) fcInit = nullptr;
    decltype(&::FcFini) fcFini = nullptr;
    decltype(&::FcPatternCreate) fcPatternCreate = nullptr;
    decltype(&::FcPatternDestroy) fcPatternDestroy = nullptr;
    decltype(&::FcPatternAddString) fcPatternAddString = nullptr;
    decltype(&::FcPatternAddInteger) fcPatternAddInteger = nullptr;
    decltype(&::FcPatternAddBool) fcPatternAddBool = nullptr;
    decltype(&::FcPatternGetString) fcPatternGetString = nullptr;
    decltype(&::FcPatternGetInteger) fcPatternGetInteger = nullptr;
    decltype(&::FcPatternGetBool) fcPatternGetBool = nullptr;
    decltype(&::FcPatternGetCharSet) fcPatternGetCharSet = nullptr;
    decltype(&::FcWeightFromOpenType) fcWeightFromOpenType = nullptr;
    decltype(&::FcConfigSubstitute) fcConfigSubstitute = nullptr;
    decltype(&::FcDefaultSubstitute) fcDefaultSubstitute = nullptr;
    decltype(&::FcFontMatch) fcFontMatch = nullptr;
    decltype(&::FcFontSort) fcFontSort = nullptr;
    decltype(&::FcFontSetDestroy) fcFontSetDestroy = nullptr;
    decltype(&::FcCharSetCreate) fcCharSetCreate = nullptr;
    decltype(&::FcCharSetDestroy) fcCharSetDestroy = nullptr;
    decltype(&::FcCharSetAddChar) fcCharSetAddChar = nullptr;
    decltype(&::FcCharSetIsSubset) fcCharSetIsSubset = nullptr;
    decltype(&::FcUtf8ToUcs4) fcUtf8ToUcs4 = nullptr;
};

// The libraries' names as the system's loader knows them (their sonames).
inline constexpr const char* kTtfLibraryName = "libSDL2_ttf-2.0.so.0";
inline constexpr const char* kFontconfigLibraryName = "libfontconfig.so.1";

// Opens both libraries and finds every call in them, once for each pair of names; they
// then stay for the rest of the run. Null when one cannot be opened or lacks a call: a
// line on standard error says which, once.
const FontCalls* OpenFontLibraries(const std::string& ttfName = kTtfLibraryName,
                                   const std::string& fontconfigName = kFontconfigLibraryName);

}  // namespace zolvex
