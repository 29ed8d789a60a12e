#include "platform/fonts/TtfFontRasterizer.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <cstdio>
#include <cstring>

namespace zolvex {
namespace {

class TtfFont : public RasterFont {
public:
    explicit TtfFont(TTF_Font* ttf) : ttf_(ttf) {}
    ~TtfFont() override { TTF_CloseFont(ttf_); }
    TtfFont(const TtfFont&) = delete;
    TtfFont& operator=(const TtfFont&) = delete;

    bool SetPixelSize(int pixelsPerEm) override { return TTF_SetFontSize(ttf_, pixelsPerEm) == 0; }

    int LineHeight() const override { return TTF_FontHeight(ttf_); }

    std::optional<TextCoverage> Render(const std::string& text) const override {
        SDL_Surface* drawn =
            TTF_RenderText_Blended(ttf_, text.c_str(), SDL_Color{255, 255, 255, 255});
        if (drawn == nullptr) return std::nullopt;
        TextCoverage rendered;
        rendered.width = drawn->w;
        rendered.height = drawn->h;
        rendered.coverage.resize(static_cast<size_t>(drawn->w) * drawn->h);
        SDL_LockSurface(drawn);
        const SDL_PixelFormat* format = drawn->format;
        for (int y = 0; y < drawn->h; ++y) {
            const uint8_t* row = static_cast<const uint8_t*>(drawn->pixels) +
                                 static_cast<ptrdiff_t>(y) * drawn->pitch;
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

}  // namespace

std::unique_ptr<FontRasterizer> CreateTtfFontRasterizer() {
    auto rasterizer = std::make_unique<TtfFontRasterizer>();
    if (!rasterizer->Start()) return nullptr;
    return rasterizer;
}

}  // namespace zolvex
