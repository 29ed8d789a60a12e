#include "platform/fonts/TtfFontRasterizer.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

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
    explicit TtfFont(TTF_Font* ttf) : ttf_(ttf) {}
    ~TtfFont() override { TTF_CloseFont(ttf_); }
    TtfFont(const TtfFont&) = delete;
    TtfFont& operator=(const TtfFont&) = delete;

    bool SetPixelSize(int pixelsPerEm) override { return TTF_SetFontSize(ttf_, pixelsPerEm) == 0; }

    int LineHeight() const override { return TTF_FontHeight(ttf_); }

    std::optional<TextCoverage> Render(const std::string& text) const override {
        return CoverageOf(
            TTF_RenderText_Blended(ttf_, text.c_str(), SDL_Color{255, 255, 255, 255}));
    }

    std::optional<TextCoverage> RenderUtf8(const std::string& text) const {
        return CoverageOf(
            TTF_RenderUTF8_Blended(ttf_, text.c_str(), SDL_Color{255, 255, 255, 255}));
    }

private:
    TTF_Font* ttf_;
};

bool SameFamily(FcPattern* match, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) return true;
    }
    return false;
}

class TtfFontRasterizer : public FontRasterizer {
public:
    TtfFontRasterizer() = default;
    ~TtfFontRasterizer() override {
        if (startedTtf_) TTF_Quit();
        // Gives back fontconfig's configuration, which it otherwise keeps to the end.
        if (startedFontconfig_) FcFini();
    }
    TtfFontRasterizer(const TtfFontRasterizer&) = delete;
    TtfFontRasterizer& operator=(const TtfFontRasterizer&) = delete;

    bool Start() {
        if (!FcInit()) {
            std::fputs(
                "zolvex: cannot start fontconfig (expected an installed font configuration)\n",
                stderr);
            return false;
        }
        startedFontconfig_ = true;
        if (TTF_WasInit() == 0) {
            if (TTF_Init() != 0) {
                std::fprintf(stderr, "zolvex: cannot start the font renderer: %s\n",
                             TTF_GetError());
                return false;
            }
            startedTtf_ = true;
        }
        return true;
    }

    std::optional<FaceFile> FindFace(const std::string& family, bool fixedPitch, int weight,
                                     bool exactFamily) override {
        FcPattern* pattern = FcPatternCreate();
        if (pattern == nullptr) return std::nullopt;
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, static_cast<int>(FcWeightFromOpenType(weight)));
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        if (fixedPitch) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (match == nullptr) return std::nullopt;
        std::optional<FaceFile> found;
        FcChar8* file = nullptr;
        int faceIndex = 0;
        FcBool scalable = FcFalse;
        const bool familyOk = !exactFamily || SameFamily(match, family.c_str());
        if (familyOk && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetBool(match, FC_SCALABLE, 0, &scalable) == FcResultMatch && scalable) {
            if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
            found = FaceFile{reinterpret_cast<const char*>(file), faceIndex};
        }
        FcPatternDestroy(match);
        return found;
    }

    std::unique_ptr<RasterFont> OpenFont(const FaceFile& face, int pixelsPerEm) override {
        TTF_Font* ttf = TTF_OpenFontIndex(face.path.c_str(), pixelsPerEm, face.index);
        if (ttf == nullptr) {
            std::fprintf(stderr,
                         "zolvex: cannot open font %s (expected a TrueType or OpenType face): %s\n",
                         face.path.c_str(), TTF_GetError());
            return nullptr;
        }
        return std::make_unique<TtfFont>(ttf);
    }

private:
    bool startedFontconfig_ = false;
    bool startedTtf_ = false;
};

// The face of the game's own texts, asked for first so that a message looks like
// the game wherever that face has the characters.
constexpr const char* kMessageFamily = "DejaVu Sans";

class TtfMessageRasterizer : public MessageTextRasterizer {
public:
    bool Start() { return starter_.Start(); }

    std::optional<TextCoverage> Render(const std::string& utf8, int pixelsPerEm) override {
        std::optional<FaceFile> face = FaceFor(utf8);
        if (!face) return std::nullopt;
        auto key = std::make_tuple(face->path, face->index, pixelsPerEm);
        auto it = fonts_.find(key);
        if (it == fonts_.end()) {
            TTF_Font* ttf = TTF_OpenFontIndex(face->path.c_str(), pixelsPerEm, face->index);
            if (ttf == nullptr) {
                std::fprintf(stderr, "zolvex: cannot open font %s: %s\n", face->path.c_str(),
                             TTF_GetError());
            }
            it = fonts_.emplace(key, ttf != nullptr ? std::make_unique<TtfFont>(ttf) : nullptr)
                     .first;
        }
        if (it->second == nullptr) return std::nullopt;
        return it->second->RenderUtf8(utf8);
    }

private:
    // The first scalable face in fontconfig's order of closeness to the game's face
    // that has every character of `utf8`, else the first scalable face.
    std::optional<FaceFile> FaceFor(const std::string& utf8) {
        FcCharSet* wanted = FcCharSetCreate();
        FcPattern* pattern = FcPatternCreate();
        if (wanted == nullptr || pattern == nullptr) {
            if (wanted != nullptr) FcCharSetDestroy(wanted);
            if (pattern != nullptr) FcPatternDestroy(pattern);
            return std::nullopt;
        }
        const auto* at = reinterpret_cast<const FcChar8*>(utf8.data());
        for (int left = static_cast<int>(utf8.size()); left > 0;) {
            FcChar32 character = 0;
            const int length = FcUtf8ToUcs4(at, &character, left);
            if (length <= 0) break;
            FcCharSetAddChar(wanted, character);
            at += length;
            left -= length;
        }
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kMessageFamily));
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        FcPatternDestroy(pattern);
        std::optional<FaceFile> nearest;
        std::optional<FaceFile> covering;
        for (int i = 0; sorted != nullptr && i < sorted->nfont && !covering; ++i) {
            FcPattern* font = sorted->fonts[i];
            FcChar8* file = nullptr;
            FcBool scalable = FcFalse;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
                FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) {
                continue;
            }
            int index = 0;
            if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
            FaceFile face{reinterpret_cast<const char*>(file), index};
            if (!nearest) nearest = face;
            FcCharSet* has = nullptr;
            if (FcPatternGetCharSet(font, FC_CHARSET, 0, &has) == FcResultMatch &&
                FcCharSetIsSubset(wanted, has)) {
                covering = face;
            }
        }
        if (sorted != nullptr) FcFontSetDestroy(sorted);
        FcCharSetDestroy(wanted);
        return covering ? covering : nearest;
    }

    // Declared first, so it stops the renderer after every font below is closed.
    TtfFontRasterizer starter_;
    std::map<std::tuple<std::string, int, int>, std::unique_ptr<TtfFont>> fonts_;
};

}  // namespace

std::unique_ptr<FontRasterizer> CreateTtfFontRasterizer() {
    auto rasterizer = std::make_unique<TtfFontRasterizer>();
    if (!rasterizer->Start()) return nullptr;
    return rasterizer;
}

std::unique_ptr<MessageTextRasterizer> CreateMessageTextRasterizer() {
    auto rasterizer = std::make_unique<TtfMessageRasterizer>();
    if (!rasterizer->Start()) return nullptr;
    return rasterizer;
}

}  // namespace zolvex
