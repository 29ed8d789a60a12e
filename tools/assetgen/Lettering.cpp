#include "Lettering.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>

namespace zolvex {

bool Lettering::Init() {
    if (TTF_WasInit() || TTF_Init() == 0) return true;
    std::fprintf(stderr, "zolvex-assetgen: cannot start the font renderer: %s\n", TTF_GetError());
    return false;
}

void Lettering::Quit() {
    if (TTF_WasInit()) TTF_Quit();
}

std::optional<Mask> Lettering::Render(const std::string& fontPath, int size,
                                      const std::string& text, int outline) {
    TTF_Font* font = TTF_OpenFont(fontPath.c_str(), size);
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

int Lettering::Width(const std::string& fontPath, int size, const std::string& text) {
    TTF_Font* font = TTF_OpenFont(fontPath.c_str(), size);
    if (!font) return 0;
    int w = 0, h = 0;
    if (TTF_SizeUTF8(font, text.c_str(), &w, &h) != 0) w = 0;
    TTF_CloseFont(font);
    return w;
}

}  // namespace zolvex
