#include "platform/fonts/FontLibraries.h"

#include <SDL.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace zolvex {
namespace {

// Finds one call; the first that cannot be found is named in `missing`.
template <typename Call>
void Find(void* library, const char* symbol, Call& call, std::string& missing) {
    call = reinterpret_cast<Call>(SDL_LoadFunction(library, symbol));
    if (call == nullptr && missing.empty()) missing = symbol;
}

void* Open(const std::string& name) {
    void* library = SDL_LoadObject(name.c_str());
    if (library == nullptr) {
        std::fprintf(stderr, "zolvex: cannot open the font library %s (%s)\n", name.c_str(),
                     SDL_GetError());
    }
    return library;
}

std::optional<FontCalls> Load(const std::string& ttfName, const std::string& fontconfigName) {
    void* ttf = Open(ttfName);
    void* fc = ttf != nullptr ? Open(fontconfigName) : nullptr;
    if (fc == nullptr) {
        if (ttf != nullptr) SDL_UnloadObject(ttf);
        return std::nullopt;
    }
    FontCalls calls;
    std::string missing;
    Find(ttf, "TTF_Init", calls.ttfInit, missing);
    Find(ttf, "TTF_WasInit", calls.ttfWasInit, missing);
    Find(ttf, "TTF_Quit", calls.ttfQuit, missing);
    Find(ttf, "TTF_OpenFontIndex", calls.ttfOpenFontIndex, missing);
    Find(ttf, "TTF_CloseFont", calls.ttfCloseFont, missing);
    Find(ttf, "TTF_SetFontSize", calls.ttfSetFontSize, missing);
    Find(ttf, "TTF_FontHeight", calls.ttfFontHeight, missing);
    Find(ttf, "TTF_RenderText_Blended", calls.ttfRenderTextBlended, missing);
    Find(ttf, "TTF_RenderUTF8_Blended", calls.ttfRenderUtf8Blended, missing);
    const std::string inTtf = std::exchange(missing, "");
    Find(fc, "FcInit", calls.fcInit, missing);
    Find(fc, "FcFini", calls.fcFini, missing);
    Find(fc, "FcPatternCreate", calls.fcPatternCreate, missing);
    Find(fc, "FcPatternDestroy", calls.fcPatternDestroy, missing);
    Find(fc, "FcPatternAddString", calls.fcPatternAddString, missing);
    Find(fc, "FcPatternAddInteger", calls.fcPatternAddInteger, missing);
    Find(fc, "FcPatternAddBool", calls.fcPatternAddBool, missing);
    Find(fc, "FcPatternGetString", calls.fcPatternGetString, missing);
    Find(fc, "FcPatternGetInteger", calls.fcPatternGetInteger, missing);
    Find(fc, "FcPatternGetBool", calls.fcPatternGetBool, missing);
    Find(fc, "FcPatternGetCharSet", calls.fcPatternGetCharSet, missing);
    Find(fc, "FcWeightFromOpenType", calls.fcWeightFromOpenType, missing);
    Find(fc, "FcConfigSubstitute", calls.fcConfigSubstitute, missing);
    Find(fc, "FcDefaultSubstitute", calls.fcDefaultSubstitute, missing);
    Find(fc, "FcFontMatch", calls.fcFontMatch, missing);
    Find(fc, "FcFontSort", calls.fcFontSort, missing);
    Find(fc, "FcFontSetDestroy", calls.fcFontSetDestroy, missing);
    Find(fc, "FcCharSetCreate", calls.fcCharSetCreate, missing);
    Find(fc, "FcCharSetDestroy", calls.fcCharSetDestroy, missing);
    Find(fc, "FcCharSetAddChar", calls.fcCharSetAddChar, missing);
    Find(fc, "FcCharSetIsSubset", calls.fcCharSetIsSubset, missing);
    Find(fc, "FcUtf8ToUcs4", calls.fcUtf8ToUcs4, missing);
    if (!inTtf.empty() || !missing.empty()) {
        std::fprintf(stderr, "zolvex: the font library %s lacks %s\n",
                     (inTtf.empty() ? fontconfigName : ttfName).c_str(),
                     (inTtf.empty() ? missing : inTtf).c_str());
        SDL_UnloadObject(fc);
        SDL_UnloadObject(ttf);
        return std::nullopt;
    }
    return calls;
}

}  // namespace

const FontCalls* OpenFontLibraries(const std::string& ttfName, const std::string& fontconfigName) {
    static std::mutex lock;
    static std::map<std::pair<std::string, std::string>, std::optional<FontCalls>> opened;
    const std::lock_guard<std::mutex> hold(lock);
    const auto key = std::make_pair(ttfName, fontconfigName);
    auto it = opened.find(key);
    if (it == opened.end()) it = opened.emplace(key, Load(ttfName, fontconfigName)).first;
    return it->second ? &*it->second : nullptr;
}

}  // namespace zolvex
