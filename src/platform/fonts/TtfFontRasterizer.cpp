#include "platform/fonts/TtfFontRasterizer.h"

#include <SDL.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/fonts/FontLibraries.h"

namespace zolvex {
namespace {

// The ink of text drawn white on a transparent surface, which it frees.
std::optional<TextCoverage> CoverageOf(SDL_Surface* drawn) {
    if (drawn == nullptr) return std::nullopt;
    TextCoverage rendered;
    rendered.width = drawn->w;
    rendered.height = drawn->h;
    rendered.coverage.resize(static_cast<size_t>(drawn->w) * drawn->h);
    SDL_LockSurface(drawn);
    const SDL_PixelFormat* format = drawn->format;
    for (int y = 0; y < drawn->h; ++y) {
        const uint8_t* row =
            static_cast<const uint8_t*>(drawn->pixels) + static_cast<ptrdiff_t>(y) * drawn->pitch;
        for (int x = 0; x < drawn->w; ++x) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, row + static_cast<ptrdiff_t>(x) * format->BytesPerPixel,
                        format->BytesPerPixel);
            uint8_t r, g, b, a;
            SDL_GetRGBA(pixel, format, &r, &g, &b, &a);
            rendered.coverage[static_cast<size_t>(y) * drawn->w + x] = a;
        }
    }
    SDL_UnlockSurface(drawn);
    SDL_FreeSurface(drawn);
    return rendered;
}

class TtfFont : public RasterFont {
public:
    TtfFont(const FontCalls& lib, TTF_Font* ttf) : lib_(lib), ttf_(ttf) {}
    ~TtfFont() override { lib_.ttfCloseFont(ttf_); }
    TtfFont(const TtfFont&) = delete;
    TtfFont& operator=(const TtfFont&) = delete;

    bool SetPixelSize(int pixelsPerEm) override {
        return lib_.ttfSetFontSize(ttf_, pixelsPerEm) == 0;
    }

    int LineHeight() const override { return lib_.ttfFontHeight(ttf_); }

    std::optional<TextCoverage> Render(const std::string& text) const override {
        return CoverageOf(
            lib_.ttfRenderTextBlended(ttf_, text.c_str(), SDL_Color{255, 255, 255, 255}));
    }

    std::optional<TextCoverage> RenderUtf8(const std::string& text) const {
        return CoverageOf(
            lib_.ttfRenderUtf8Blended(ttf_, text.c_str(), SDL_Color{255, 255, 255, 255}));
    }

private:
    const FontCalls& lib_;
    TTF_Font* ttf_;
};

bool SameFamily(const FontCalls& lib, FcPattern* match, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; lib.fcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) return true;
    }
    return false;
}

class TtfFontRasterizer : public FontRasterizer {
public:
    explicit TtfFontRasterizer(const FontCalls& lib) : lib_(lib) {}
    ~TtfFontRasterizer() override {
        if (startedTtf_) lib_.ttfQuit();
        // Gives back fontconfig's configuration, which it otherwise keeps to the end.
        if (startedFontconfig_) lib_.fcFini();
    }
    TtfFontRasterizer(const TtfFontRasterizer&) = delete;
    TtfFontRasterizer& operator=(const TtfFontRasterizer&) = delete;

    bool Start() {
        if (!lib_.fcInit()) {
            std::fputs(
                "zolvex: cannot start fontconfig (expected an installed font configuration)\n",
                stderr);
            return false;
        }
        startedFontconfig_ = true;
        if (lib_.ttfWasInit() == 0) {
            if (lib_.ttfInit() != 0) {
                std::fprintf(stderr, "zolvex: cannot start the font renderer: %s\n",
                             SDL_GetError());
                return false;
            }
            startedTtf_ = true;
        }
        return true;
    }

    std::optional<FaceFile> FindFace(const std::string& family, bool fixedPitch, int weight,
                                     bool exactFamily) override {
        FcPattern* pattern = lib_.fcPatternCreate();
        if (pattern == nullptr) return std::nullopt;
        lib_.fcPatternAddString(pattern, FC_FAMILY,
                                reinterpret_cast<const FcChar8*>(family.c_str()));
        lib_.fcPatternAddInteger(pattern, FC_WEIGHT,
                                 static_cast<int>(lib_.fcWeightFromOpenType(weight)));
        lib_.fcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        lib_.fcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        if (fixedPitch) lib_.fcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
        lib_.fcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        lib_.fcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = lib_.fcFontMatch(nullptr, pattern, &result);
        lib_.fcPatternDestroy(pattern);
        if (match == nullptr) return std::nullopt;
        std::optional<FaceFile> found;
        FcChar8* file = nullptr;
        int faceIndex = 0;
        FcBool scalable = FcFalse;
        const bool familyOk = !exactFamily || SameFamily(lib_, match, family.c_str());
        if (familyOk && lib_.fcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            lib_.fcPatternGetBool(match, FC_SCALABLE, 0, &scalable) == FcResultMatch && scalable) {
            if (lib_.fcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch)
                faceIndex = 0;
            found = FaceFile{reinterpret_cast<const char*>(file), faceIndex};
        }
        lib_.fcPatternDestroy(match);
        return found;
    }

    std::unique_ptr<RasterFont> OpenFont(const FaceFile& face, int pixelsPerEm) override {
        TTF_Font* ttf = lib_.ttfOpenFontIndex(face.path.c_str(), pixelsPerEm, face.index);
        if (ttf == nullptr) {
            std::fprintf(stderr,
                         "zolvex: cannot open font %s (expected a TrueType or OpenType face): %s\n",
                         face.path.c_str(), SDL_GetError());
            return nullptr;
        }
        return std::make_unique<TtfFont>(lib_, ttf);
    }

private:
    const FontCalls& lib_;
    bool startedFontconfig_ = false;
    bool startedTtf_ = false;
};

// The face of the game's own texts, asked for first so that a message looks like
// the game wherever that face has the characters.
constexpr const char* kMessageFamily = "DejaVu Sans";

class TtfMessageRasterizer : public MessageTextRasterizer {
public:
    explicit TtfMessageRasterizer(const FontCalls& lib) : lib_(lib), starter_(lib) {}
    bool Start() { return starter_.Start(); }

    std::optional<TextCoverage> Render(const std::string& utf8, int pixelsPerEm) override {
        std::optional<FaceFile> face = FaceFor(utf8);
        if (!face) return std::nullopt;
        auto key = std::make_tuple(face->path, face->index, pixelsPerEm);
        auto it = fonts_.find(key);
        if (it == fonts_.end()) {
            TTF_Font* ttf = lib_.ttfOpenFontIndex(face->path.c_str(), pixelsPerEm, face->index);
            if (ttf == nullptr) {
                std::fprintf(stderr, "zolvex: cannot open font %s: %s\n", face->path.c_str(),
                             SDL_GetError());
            }
            it =
                fonts_.emplace(key, ttf != nullptr ? std::make_unique<TtfFont>(lib_, ttf) : nullptr)
                    .first;
        }
        if (it->second == nullptr) return std::nullopt;
        return it->second->RenderUtf8(utf8);
    }

private:
    // The first scalable face in fontconfig's order of closeness to the game's face
    // that has every character of `utf8`, else the first scalable face.
    std::optional<FaceFile> FaceFor(const std::string& utf8) const {
        FcCharSet* wanted = lib_.fcCharSetCreate();
        FcPattern* pattern = lib_.fcPatternCreate();
        if (wanted == nullptr || pattern == nullptr) {
            if (wanted != nullptr) lib_.fcCharSetDestroy(wanted);
            if (pattern != nullptr) lib_.fcPatternDestroy(pattern);
            return std::nullopt;
        }
        const auto* at = reinterpret_cast<const FcChar8*>(utf8.data());
        for (int left = static_cast<int>(utf8.size()); left > 0;) {
            FcChar32 character = 0;
            const int length = lib_.fcUtf8ToUcs4(at, &character, left);
            if (length <= 0) break;
            lib_.fcCharSetAddChar(wanted, character);
            at += length;
            left -= length;
        }
        lib_.fcPatternAddString(pattern, FC_FAMILY,
                                reinterpret_cast<const FcChar8*>(kMessageFamily));
        lib_.fcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        lib_.fcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        lib_.fcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        lib_.fcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcFontSet* sorted = lib_.fcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        lib_.fcPatternDestroy(pattern);
        std::optional<FaceFile> nearest;
        std::optional<FaceFile> covering;
        for (int i = 0; sorted != nullptr && i < sorted->nfont && !covering; ++i) {
            FcPattern* font = sorted->fonts[i];
            FcChar8* file = nullptr;
            FcBool scalable = FcFalse;
            if (lib_.fcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
                lib_.fcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch ||
                !scalable) {
                continue;
            }
            int index = 0;
            if (lib_.fcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
            FaceFile face{reinterpret_cast<const char*>(file), index};
            if (!nearest) nearest = face;
            FcCharSet* has = nullptr;
            if (lib_.fcPatternGetCharSet(font, FC_CHARSET, 0, &has) == FcResultMatch &&
                lib_.fcCharSetIsSubset(wanted, has)) {
                covering = face;
            }
        }
        if (sorted != nullptr) lib_.fcFontSetDestroy(sorted);
        lib_.fcCharSetDestroy(wanted);
        return covering ? covering : nearest;
    }

    const FontCalls& lib_;
    // Declared before the fonts, so it stops the renderer after every one is closed.
    TtfFontRasterizer starter_;
    std::map<std::tuple<std::string, int, int>, std::unique_ptr<TtfFont>> fonts_;
};

}  // namespace

std::unique_ptr<FontRasterizer> CreateTtfFontRasterizer() {
    const FontCalls* lib = OpenFontLibraries();
    if (lib == nullptr) return nullptr;
    auto rasterizer = std::make_unique<TtfFontRasterizer>(*lib);
    if (!rasterizer->Start()) return nullptr;
    return rasterizer;
}

std::unique_ptr<MessageTextRasterizer> CreateMessageTextRasterizer() {
    const FontCalls* lib = OpenFontLibraries();
    if (lib == nullptr) return nullptr;
    auto rasterizer = std::make_unique<TtfMessageRasterizer>(*lib);
    if (!rasterizer->Start()) return nullptr;
    return rasterizer;
}

}  // namespace zolvex
