#include "display/Font.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

namespace zolvex {

class Font {
public:
    Font(TTF_Font* ttf, int sizeIndex, int flag, int cellHeight)
        : ttf(ttf), sizeIndex(sizeIndex), flag(flag), cellHeight(cellHeight) {}
    ~Font() { TTF_CloseFont(ttf); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    TTF_Font* ttf;
    int sizeIndex;
    int flag;
    int cellHeight;
};

namespace {

constexpr int kSizes = 5;
constexpr size_t kFontCount = 2 * size_t{kSizes};
// Enough for every text of the busiest screen (the name picker and the table)
// several times over.
constexpr size_t kRenderCacheCapacity = 1024;

struct Face {
    const char* family;   // asked for first, so the look does not depend on what else is installed
    const char* generic;  // the fallback when the family is missing
    bool fixedPitch;
};
constexpr Face kVariableFace{"DejaVu Sans", "sans-serif", false};
constexpr Face kFixedFace{"DejaVu Sans Mono", "monospace", true};

struct FontSet {
    // Created and deleted in the game's order: variable-pitch sizes 0-4, then fixed-pitch 0-4.
    std::array<std::unique_ptr<Font>, kFontCount> fonts;
    std::unique_ptr<Font> stock;
    bool startedFontconfig = false;
    bool startedTtf = false;
};

struct RenderCache {
    using Entry = std::pair<std::string, RenderedText>;
    std::list<Entry> entries;  // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> index;

    void Clear() {
        index.clear();
        entries.clear();
    }
};

std::unique_ptr<FontSet> gFonts;
RenderCache gCache;

bool SameFamily(FcPattern* match, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (strcasecmp(reinterpret_cast<const char*>(name), family) == 0) return true;
    }
    return false;
}

// Asks fontconfig for `family` at the Windows weight; with requireFamily, a
// substitute of another family counts as not found.
std::optional<std::pair<std::string, int>> MatchFace(const char* family, bool fixedPitch,
                                                     int windowsWeight, bool requireFamily) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return std::nullopt;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, static_cast<int>(FcWeightFromOpenType(windowsWeight)));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (fixedPitch) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return std::nullopt;
    std::optional<std::pair<std::string, int>> found;
    FcChar8* file = nullptr;
    int faceIndex = 0;
    FcBool scalable = FcFalse;
    const bool familyOk = !requireFamily || SameFamily(match, family);
    if (familyOk && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetBool(match, FC_SCALABLE, 0, &scalable) == FcResultMatch && scalable) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
        found.emplace(reinterpret_cast<const char*>(file), faceIndex);
    }
    FcPatternDestroy(match);
    return found;
}

// Opens the face at the largest point size whose line height fits the cell:
// the game's heights are cell heights, SDL_ttf's sizes are pixels per em.
std::unique_ptr<Font> OpenFont(const Face& face, int windowsWeight, int cellHeight, int sizeIndex,
                               int flag) {
    // The light weights of the smallest sizes turn faint and blotchy at 13 to 16
    // pixels per em, so nothing lighter than the regular weight is asked for.
    const int weight = std::max(windowsWeight, 400);
    auto match = MatchFace(face.family, face.fixedPitch, weight, true);
    if (!match) match = MatchFace(face.generic, face.fixedPitch, weight, false);
    if (!match) {
        std::fprintf(stderr,
                     "zolvex: no installed font for the %s text (expected %s or any %s face)\n",
                     face.fixedPitch ? "fixed-pitch" : "variable-pitch", face.family, face.generic);
        return nullptr;
    }
    TTF_Font* ttf = TTF_OpenFontIndex(match->first.c_str(), cellHeight, match->second);
    if (ttf == nullptr) {
        std::fprintf(stderr,
                     "zolvex: cannot open font %s (expected a TrueType or OpenType face): %s\n",
                     match->first.c_str(), TTF_GetError());
        return nullptr;
    }
    int size = cellHeight;
    while (size > 1 && TTF_FontHeight(ttf) > cellHeight) {
        --size;
        if (TTF_SetFontSize(ttf, size) != 0) break;
    }
    return std::make_unique<Font>(ttf, sizeIndex, flag, cellHeight);
}

}  // namespace

bool CreateFonts() {
    DeleteFonts();
    gFonts = std::make_unique<FontSet>();
    FontSet* set = gFonts.get();
    if (!FcInit()) {
        std::fputs("zolvex: cannot start fontconfig (expected an installed font configuration)\n",
                   stderr);
        DeleteFonts();
        return false;
    }
    set->startedFontconfig = true;
    if (TTF_WasInit() == 0) {
        if (TTF_Init() != 0) {
            std::fprintf(stderr, "zolvex: cannot start the font renderer: %s\n", TTF_GetError());
            DeleteFonts();
            return false;
        }
        set->startedTtf = true;
    }
    bool ok = true;
    for (int face = 0; face < 2 && ok; ++face) {
        for (int i = 0; i < kSizes && ok; ++i) {
            const int flag = face == 0 ? 1 : 0;
            auto font = OpenFont(face == 0 ? kVariableFace : kFixedFace, 200 + 100 * i, 16 + 2 * i,
                                 i, flag);
            ok = font != nullptr;
            set->fonts[face * kSizes + i] = std::move(font);
        }
    }
    if (ok) {
        set->stock = OpenFont(kVariableFace, 700, 16, -1, -1);
        ok = set->stock != nullptr;
    }
    if (!ok) DeleteFonts();
    return ok;
}

void DeleteFonts() {
    gCache.Clear();
    if (gFonts == nullptr) return;
    for (auto& font : gFonts->fonts) font.reset();
    gFonts->stock.reset();
    const bool startedTtf = gFonts->startedTtf;
    const bool startedFontconfig = gFonts->startedFontconfig;
    gFonts.reset();
    if (startedTtf) TTF_Quit();
    // Gives back fontconfig's configuration, which it otherwise keeps to the end.
    if (startedFontconfig) FcFini();
}

const Font* GetFont(unsigned index, int flag) {
    if (gFonts == nullptr) return nullptr;
    if (index >= kSizes) return gFonts->fonts[2].get();
    return gFonts->fonts[(flag != 0 ? 0 : kSizes) + index].get();
}

const Font* StockFont() {
    return gFonts == nullptr ? nullptr : gFonts->stock.get();
}

int FontSizeIndex(const Font* font) {
    return font == nullptr ? -1 : font->sizeIndex;
}
int FontFaceFlag(const Font* font) {
    return font == nullptr ? -1 : font->flag;
}
int FontCellHeight(const Font* font) {
    return font == nullptr ? 0 : font->cellHeight;
}

const RenderedText* RenderText(const Font* font, const std::string& text) {
    if (font == nullptr || text.empty()) return nullptr;
    // The coverage does not depend on the colour, so one entry serves every colour
    // the text is drawn in.
    const uintptr_t fontId = reinterpret_cast<uintptr_t>(font);
    std::string key(reinterpret_cast<const char*>(&fontId), sizeof fontId);
    key += text;
    if (auto it = gCache.index.find(key); it != gCache.index.end()) {
        gCache.entries.splice(gCache.entries.begin(), gCache.entries, it->second);
        return &it->second->second;
    }
    SDL_Surface* drawn =
        TTF_RenderText_Blended(font->ttf, text.c_str(), SDL_Color{255, 255, 255, 255});
    if (drawn == nullptr) return nullptr;
    RenderedText rendered;
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
    if (gCache.entries.size() >= kRenderCacheCapacity) {
        gCache.index.erase(gCache.entries.back().first);
        gCache.entries.pop_back();
    }
    gCache.entries.emplace_front(std::move(key), std::move(rendered));
    gCache.index.emplace(gCache.entries.front().first, gCache.entries.begin());
    return &gCache.entries.front().second;
}

}  // namespace zolvex
