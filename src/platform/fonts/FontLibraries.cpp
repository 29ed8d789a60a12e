#include "platform/fonts/FontLibraries.h"

#include <SDL.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/LoadedCalls.h"

namespace zolvex {
namespace {

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
    FindCall(ttf, "TTF_Init", calls.ttfInit, missing);
    FindCall(ttf, "TTF_WasInit", calls.ttfWasInit, missing);
    FindCall(ttf, "TTF_Quit", calls.ttfQuit, missing);
    FindCall(ttf, "TTF_OpenFontIndex", calls.ttfOpenFontIndex, missing);
    FindCall(ttf, "TTF_CloseFont", calls.ttfCloseFont, missing);
    FindCall(ttf, "TTF_SetFontSize", calls.ttfSetFontSize, missing);
    FindCall(ttf, "TTF_FontHeight", calls.ttfFontHeight, missing);
    FindCall(ttf, "TTF_RenderText_Blended", calls.ttfRenderTextBlended, missing);
    FindCall(ttf, "TTF_RenderUTF8_Blended", calls.ttfRenderUtf8Blended, missing);
    const std::string inTtf = std::exchange(missing, "");
    FindCall(fc, "FcInit", calls.fcInit, missing);
    FindCall(fc, "FcFini", calls.fcFini, missing);
    FindCall(fc, "FcPatternCreate", calls.fcPatternCreate, missing);
    FindCall(fc, "FcPatternDestroy", calls.fcPatternDestroy, missing);
    FindCall(fc, "FcPatternAddString", calls.fcPatternAddString, missing);
    FindCall(fc, "FcPatternAddInteger", calls.fcPatternAddInteger, missing);
    FindCall(fc, "FcPatternAddBool", calls.fcPatternAddBool, missing);
    FindCall(fc, "FcPatternGetString", calls.fcPatternGetString, missing);
    FindCall(fc, "FcPatternGetInteger", calls.fcPatternGetInteger, missing);
    FindCall(fc, "FcPatternGetBool", calls.fcPatternGetBool, missing);
    FindCall(fc, "FcPatternGetCharSet", calls.fcPatternGetCharSet, missing);
    FindCall(fc, "FcWeightFromOpenType", calls.fcWeightFromOpenType, missing);
    FindCall(fc, "FcConfigSubstitute", calls.fcConfigSubstitute, missing);
    FindCall(fc, "FcDefaultSubstitute", calls.fcDefaultSubstitute, missing);
    FindCall(fc, "FcFontMatch", calls.fcFontMatch, missing);
    FindCall(fc, "FcFontSort", calls.fcFontSort, missing);
    FindCall(fc, "FcFontSetDestroy", calls.fcFontSetDestroy, missing);
    FindCall(fc, "FcCharSetCreate", calls.fcCharSetCreate, missing);
    FindCall(fc, "FcCharSetDestroy", calls.fcCharSetDestroy, missing);
    FindCall(fc, "FcCharSetAddChar", calls.fcCharSetAddChar, missing);
    FindCall(fc, "FcCharSetIsSubset", calls.fcCharSetIsSubset, missing);
    FindCall(fc, "FcUtf8ToUcs4", calls.fcUtf8ToUcs4, missing);
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
