#include "display/Font.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/FontRasterizer.h"

namespace zolvex {

namespace {

struct RenderCache {
    using Entry = std::pair<std::string, RenderedText>;
    std::list<Entry> entries;  // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> index;

    void Clear() {
        index.clear();
        entries.clear();
    }
};

}  // namespace

class Font {
public:
    Font(std::unique_ptr<RasterFont> raster, int sizeIndex, int flag, int cellHeight)
        : raster(std::move(raster)), sizeIndex(sizeIndex), flag(flag), cellHeight(cellHeight) {}

    std::unique_ptr<RasterFont> raster;
    int sizeIndex;
    int flag;
    int cellHeight;
    RenderCache* cache = nullptr;  // the cache of the set the font belongs to
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

// Opens the face at the largest point size whose line height fits the cell:
// the game's heights are cell heights, the rasteriser's sizes are pixels per em.
std::unique_ptr<Font> OpenFont(FontRasterizer& rasterizer, const Face& face, int windowsWeight,
                               int cellHeight, int sizeIndex, int flag) {
    // The light weights of the smallest sizes turn faint and blotchy at 13 to 16
    // pixels per em, so nothing lighter than the regular weight is asked for.
    const int weight = std::max(windowsWeight, 400);
    auto match = rasterizer.FindFace(face.family, face.fixedPitch, weight, true);
    if (!match) match = rasterizer.FindFace(face.generic, face.fixedPitch, weight, false);
    if (!match) {
        std::fprintf(stderr,
                     "zolvex: no installed font for the %s text (expected %s or any %s face)\n",
                     face.fixedPitch ? "fixed-pitch" : "variable-pitch", face.family, face.generic);
        return nullptr;
    }
    std::unique_ptr<RasterFont> opened = rasterizer.OpenFont(*match, cellHeight);
    if (opened == nullptr) return nullptr;
    int size = cellHeight;
    while (size > 1 && opened->LineHeight() > cellHeight) {
        --size;
        if (!opened->SetPixelSize(size)) break;
    }
    return std::make_unique<Font>(std::move(opened), sizeIndex, flag, cellHeight);
}

}  // namespace

struct FontSet::State {
    // Declared first, so it outlives every font it opened.
    std::unique_ptr<FontRasterizer> rasterizer;
    // Created and deleted in the game's order: variable-pitch sizes 0-4, then fixed-pitch 0-4.
    std::array<std::unique_ptr<Font>, kFontCount> fonts;
    std::unique_ptr<Font> stock;
    RenderCache cache;
};

FontSet::FontSet() = default;
FontSet::~FontSet() {
    Delete();
}

bool FontSet::Create(std::unique_ptr<FontRasterizer> rasterizer) {
    Delete();
    if (rasterizer == nullptr) return false;
    state_ = std::make_unique<State>();
    State& set = *state_;
    set.rasterizer = std::move(rasterizer);
    bool ok = true;
    for (int face = 0; face < 2 && ok; ++face) {
        for (int i = 0; i < kSizes && ok; ++i) {
            const int flag = face == 0 ? 1 : 0;
            auto font = OpenFont(*set.rasterizer, face == 0 ? kVariableFace : kFixedFace,
                                 200 + 100 * i, 16 + 2 * i, i, flag);
            ok = font != nullptr;
            if (font != nullptr) font->cache = &set.cache;
            set.fonts[face * kSizes + i] = std::move(font);
        }
    }
    if (ok) {
        set.stock = OpenFont(*set.rasterizer, kVariableFace, 700, 16, -1, -1);
        ok = set.stock != nullptr;
        if (ok) set.stock->cache = &set.cache;
    }
    if (!ok) Delete();
    return ok;
}

void FontSet::Delete() {
    if (state_ == nullptr) return;
    state_->cache.Clear();
    for (auto& font : state_->fonts) font.reset();
    state_->stock.reset();
    state_.reset();
}

const Font* FontSet::Get(unsigned index, int flag) const {
    if (state_ == nullptr) return nullptr;
    if (index >= kSizes) return state_->fonts[2].get();
    return state_->fonts[(flag != 0 ? 0 : kSizes) + index].get();
}

const Font* FontSet::Stock() const {
    return state_ == nullptr ? nullptr : state_->stock.get();
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
    if (font == nullptr || font->cache == nullptr || text.empty()) return nullptr;
    RenderCache& cache = *font->cache;
    // The coverage does not depend on the colour, so one entry serves every colour
    // the text is drawn in.
    const uintptr_t fontId = reinterpret_cast<uintptr_t>(font);
    std::string key(reinterpret_cast<const char*>(&fontId), sizeof fontId);
    key += text;
    if (auto it = cache.index.find(key); it != cache.index.end()) {
        cache.entries.splice(cache.entries.begin(), cache.entries, it->second);
        return &it->second->second;
    }
    std::optional<TextCoverage> drawn = font->raster->Render(text);
    if (!drawn) return nullptr;
    RenderedText rendered{drawn->width, drawn->height, std::move(drawn->coverage)};
    if (cache.entries.size() >= kRenderCacheCapacity) {
        cache.index.erase(cache.entries.back().first);
        cache.entries.pop_back();
    }
    cache.entries.emplace_front(std::move(key), std::move(rendered));
    cache.index.emplace(cache.entries.front().first, cache.entries.begin());
    return &cache.entries.front().second;
}

}  // namespace zolvex
