#include "Lettering.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <array>
#include <cstdio>

namespace zolvex {

namespace {

struct FaceFile {
    const char* family;
    int weight;  // FC_WEIGHT_REGULAR or FC_WEIGHT_BOLD; always upright and of normal width
    const char* styleName;
    std::string path;
    int index = 0;
};

std::array<FaceFile, 3> gFaces{{
    {"DejaVu Sans", FC_WEIGHT_BOLD, "Bold", {}},
    {"DejaVu Sans", FC_WEIGHT_REGULAR, "Book", {}},
    {"DejaVu Sans Mono", FC_WEIGHT_REGULAR, "Book", {}},
}};
bool gStartedFontconfig = false;

bool HasFamily(FcPattern* match, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) return true;
    return false;
}

bool HasValue(FcPattern* match, const char* object, int value) {
    int v = 0;
    return FcPatternGetInteger(match, object, 0, &v) == FcResultMatch && v == value;
}

// fontconfig always offers its nearest substitute; another family, or a condensed, slanted or
// lighter cut of the same one, would change every picture, so only the very face asked for
// counts as found.
bool Find(FaceFile& face) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.family));
    FcPatternAddInteger(pattern, FC_WEIGHT, face.weight);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    bool found = HasFamily(match, face.family) && HasValue(match, FC_WEIGHT, face.weight) &&
                 HasValue(match, FC_SLANT, FC_SLANT_ROMAN) &&
                 HasValue(match, FC_WIDTH, FC_WIDTH_NORMAL) &&
                 FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found) {
        face.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &face.index) != FcResultMatch) face.index = 0;
    }
    FcPatternDestroy(match);
    return found;
}

const FaceFile& FileOf(Face face) {
    return gFaces[static_cast<size_t>(face)];
}

TTF_Font* Open(Face face, int size) {
    const FaceFile& f = FileOf(face);
    return TTF_OpenFontIndex(f.path.c_str(), size, f.index);
}

}  // namespace

bool Lettering::Init() {
    if (!gStartedFontconfig) {
        if (!FcInit()) {
            std::fprintf(stderr,
                         "zolvex-assetgen: cannot start fontconfig: expected an installed font "
                         "configuration\n");
            return false;
        }
        gStartedFontconfig = true;
    }
    for (FaceFile& face : gFaces) {
        if (!Find(face)) {
            std::fprintf(stderr,
                         "zolvex-assetgen: no font \"%s:style=%s\" is installed: expected the "
                         "DejaVu fonts (fonts-dejavu-core)\n",
                         face.family, face.styleName);
            return false;
        }
    }
    if (TTF_WasInit() || TTF_Init() == 0) return true;
    std::fprintf(stderr, "zolvex-assetgen: cannot start the font renderer: %s\n", TTF_GetError());
    return false;
}

void Lettering::Quit() {
    if (TTF_WasInit()) TTF_Quit();
    if (gStartedFontconfig) FcFini();
    gStartedFontconfig = false;
}

std::optional<Mask> Lettering::Render(Face face, int size, const std::string& text, int outline) {
    const std::string& fontPath = FileOf(face).path;
    TTF_Font* font = Open(face, size);
    if (!font) {
        std::fprintf(stderr, "zolvex-assetgen: cannot open %s: expected a TrueType font (%s)\n",
                     fontPath.c_str(), TTF_GetError());
        return std::nullopt;
    }
    TTF_SetFontOutline(font, outline);
    SDL_Surface* rendered =
        TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255});
    TTF_CloseFont(font);
    if (!rendered) {
        std::fprintf(stderr, "zolvex-assetgen: cannot letter \"%s\" in %s: %s\n", text.c_str(),
                     fontPath.c_str(), TTF_GetError());
        return std::nullopt;
    }
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (!argb) return std::nullopt;
    Mask mask{argb->w, argb->h, std::vector<float>(static_cast<size_t>(argb->w) * argb->h)};
    SDL_LockSurface(argb);
    for (int y = 0; y < argb->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
        for (int x = 0; x < argb->w; ++x) mask.value[y * argb->w + x] = (row[x] >> 24) / 255.0f;
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
    return mask;
}

int Lettering::Width(Face face, int size, const std::string& text) {
    TTF_Font* font = Open(face, size);
    if (!font) return 0;
    int w = 0, h = 0;
    if (TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0) w = 0;
    TTF_CloseFont(font);
    return w;
}

}  // namespace zolvex
