#include "platform/fonts/StbFontRasterizer.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <vector>

// The one place stb_truetype's code is compiled; its functions stay private to this
// file, so those this file does not call are not warned of, however it is included.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace zolvex {
namespace {

// A weight on fontconfig's scale, where the faces are compared, from one on the
// OpenType scale (100 thin to 900 black), as fontconfig converts it.
double ConfigWeight(int openType) {
    constexpr std::array<std::array<int, 2>, 12> kTable{{{100, 0},
                                                         {200, 40},
                                                         {300, 50},
                                                         {350, 55},
                                                         {380, 75},
                                                         {400, 80},
                                                         {500, 100},
                                                         {600, 180},
                                                         {700, 200},
                                                         {800, 205},
                                                         {900, 210},
                                                         {1000, 215}}};
    if (openType <= kTable.front()[0]) return kTable.front()[1];
    for (size_t i = 1; i < kTable.size(); ++i) {
        const auto& [x1, y1] = kTable[i];
        if (openType <= x1) {
            const auto& [x0, y0] = kTable[i - 1];
            return y0 + static_cast<double>(y1 - y0) * (openType - x0) / (x1 - x0);
        }
    }
    return kTable.back()[1];
}

struct FaceChoice {
    const char* file;
    int weight;  // on fontconfig's scale, as it reads the file
};

struct Family {
    const char* name;
    std::vector<FaceChoice> faces;  // lightest first
};

const std::array<Family, 2>& Families() {
    static const std::array<Family, 2> kFamilies{{
        {"DejaVu Sans",
         {{"DejaVuSans-ExtraLight.ttf", 40}, {"DejaVuSans.ttf", 80}, {"DejaVuSans-Bold.ttf", 200}}},
        {"DejaVu Sans Mono", {{"DejaVuSansMono.ttf", 80}, {"DejaVuSansMono-Bold.ttf", 200}}},
    }};
    return kFamilies;
}

// The family a request names: its own name, or a generic name of its pitch. Without
// `exactFamily`, any other name stands for the family of the pitch asked for.
const Family* FamilyFor(const std::string& name, bool fixedPitch, bool exactFamily) {
    const auto& families = Families();
    for (const Family& family : families) {
        if (strcasecmp(name.c_str(), family.name) == 0) return &family;
    }
    if (exactFamily) return nullptr;
    for (const char* generic : {"monospace", "mono"}) {
        if (strcasecmp(name.c_str(), generic) == 0) return &families[1];
    }
    return &families[fixedPitch ? 1 : 0];
}

bool FileExists(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

// A whole font file, with stb's view of its face.
struct LoadedFace {
    std::vector<unsigned char> bytes;
    stbtt_fontinfo info{};
    int unitsPerEm = 2048;
    int ascender = 0;  // in font units, as FreeType reads them
    int descender = 0;
};

// FreeType's 16.16 and 26.6 fixed-point arithmetic, which sets the desktop's line
// metrics and advances: they come out to the same whole pixels here. The em is square,
// so one scale serves both directions.
int64_t DivFix(int64_t a, int64_t b) {
    return (a * 65536 + b / 2) / b;
}
int64_t MulFix(int64_t a, int64_t b) {
    const int64_t product = a * b;
    return product >= 0 ? (product + 0x8000) >> 16 : -((-product + 0x8000) >> 16);
}
int Ceil26(int64_t x) {
    return static_cast<int>((x + 63) >> 6);
}
int Round26(int64_t x) {
    return static_cast<int>((x + 32) >> 6);  // an arithmetic shift floors negative values too
}

class StbFont final : public RasterFont {
public:
    StbFont(std::shared_ptr<const LoadedFace> face, int pixelsPerEm) : face_(std::move(face)) {
        SetPixelSize(pixelsPerEm);
    }

    bool SetPixelSize(int pixelsPerEm) override {
        if (pixelsPerEm <= 0 || pixelsPerEm > 4096) return false;
        scale_ = stbtt_ScaleForMappingEmToPixels(&face_->info, static_cast<float>(pixelsPerEm));
        xScale_ = DivFix(int64_t{pixelsPerEm} * 64, face_->unitsPerEm);
        ascent_ = Ceil26(MulFix(face_->ascender, xScale_));
        height_ = Ceil26(MulFix(face_->ascender - face_->descender, xScale_));
        return true;
    }

    int LineHeight() const override { return height_; }

    std::optional<TextCoverage> Render(const std::string& text) const override {
        if (text.empty()) return std::nullopt;
        const stbtt_fontinfo* info = &face_->info;
        struct Placed {
            int glyph, left, top, width, height;
        };
        std::vector<Placed> placed;
        placed.reserve(text.size());
        // As the desktop lays a line out: each advance is rounded to whole pixels, as
        // hinting rounds it, and no pair is kerned (its rasteriser kerns none of DejaVu's).
        // The line is as wide as the ink and the advances reach, and grows above or
        // below for a glyph that reaches past it.
        int pen = 0;
        int minX = 0;
        int maxX = 0;
        int minY = 0;
        int maxY = height_;
        for (char c : text) {
            const int glyph = stbtt_FindGlyphIndex(info, static_cast<unsigned char>(c));
            int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            stbtt_GetGlyphBitmapBox(info, glyph, scale_, scale_, &x0, &y0, &x1, &y1);
            const Placed at{glyph, pen + x0, ascent_ + y0, x1 - x0, y1 - y0};
            if (at.width > 0 && at.height > 0) {
                minX = std::min(minX, at.left);
                maxX = std::max(maxX, at.left + at.width);
                minY = std::min(minY, at.top);
                maxY = std::max(maxY, at.top + at.height);
                placed.push_back(at);
            }
            int advance = 0, leftBearing = 0;
            stbtt_GetGlyphHMetrics(info, glyph, &advance, &leftBearing);
            pen += Round26(MulFix(advance, xScale_));
            maxX = std::max(maxX, pen);
        }
        TextCoverage drawn;
        drawn.width = maxX - minX;
        drawn.height = maxY - minY;
        if (drawn.width <= 0 || drawn.height <= 0) return std::nullopt;
        drawn.coverage.assign(static_cast<size_t>(drawn.width) * drawn.height, 0);
        std::vector<unsigned char> bitmap;
        for (const Placed& at : placed) {
            bitmap.assign(static_cast<size_t>(at.width) * at.height, 0);
            stbtt_MakeGlyphBitmap(info, bitmap.data(), at.width, at.height, at.width, scale_,
                                  scale_, at.glyph);
            // Where glyphs overlap, the stronger ink shows.
            for (int y = 0; y < at.height; ++y) {
                const unsigned char* from = bitmap.data() + static_cast<size_t>(y) * at.width;
                uint8_t* to = drawn.coverage.data() +
                              static_cast<size_t>(at.top - minY + y) * drawn.width +
                              (at.left - minX);
                for (int x = 0; x < at.width; ++x) to[x] = std::max(to[x], from[x]);
            }
        }
        return drawn;
    }

private:
    std::shared_ptr<const LoadedFace> face_;
    float scale_ = 0;
    int64_t xScale_ = 0;  // 16.16, font units to 26.6 pixels
    int ascent_ = 0;
    int height_ = 0;
};

uint16_t BigEndian16(const unsigned char* at) {
    return static_cast<uint16_t>((at[0] << 8) | at[1]);
}
uint32_t BigEndian32(const unsigned char* at) {
    return (uint32_t{BigEndian16(at)} << 16) | BigEndian16(at + 2);
}

// Fonts larger than this are not fonts the game draws with.
constexpr std::streamoff kMaxFontFile = 64 << 20;

// Whether the face's table directory at `offset`, and every table it lists, lie
// inside the file: stb_truetype reads them without looking at the file's length.
bool TablesInside(const std::vector<unsigned char>& bytes, int offset) {
    const size_t size = bytes.size();
    const auto start = static_cast<size_t>(offset);
    if (offset < 0 || start + 12 > size) return false;
    const size_t tables = BigEndian16(bytes.data() + start + 4);
    if (start + 12 + 16 * tables > size) return false;
    for (size_t i = 0; i < tables; ++i) {
        const unsigned char* record = bytes.data() + start + 12 + 16 * i;
        if (uint64_t{BigEndian32(record + 8)} + BigEndian32(record + 12) > size) return false;
    }
    return true;
}

// The face `file` names, read whole; null, with a line on standard error, when it
// cannot be read or is not a TrueType face.
std::shared_ptr<LoadedFace> LoadFace(const FaceFile& file) {
    auto refuse = [&file](const char* why) {
        std::fprintf(stderr, "zolvex: cannot open font %s (expected a TrueType face): %s\n",
                     file.path.c_str(), why);
        return nullptr;
    };
    std::ifstream in(file.path, std::ios::binary);
    if (!in) return refuse("cannot be read");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 12 || size > kMaxFontFile) return refuse("not the size of a font");
    auto face = std::make_shared<LoadedFace>();
    face->bytes.resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(face->bytes.data()), size);
    if (in.gcount() != size) return refuse("cannot be read");
    const unsigned char* data = face->bytes.data();
    // A collection lists its faces' offsets after its header.
    if (BigEndian32(data) == 0x74746366 &&
        (file.index < 0 || 12 + 4 * (static_cast<size_t>(file.index) + 1) > face->bytes.size())) {
        return refuse("no such face in the collection");
    }
    const int offset = stbtt_GetFontOffsetForIndex(data, file.index);
    if (!TablesInside(face->bytes, offset) || stbtt_InitFont(&face->info, data, offset) == 0 ||
        static_cast<size_t>(face->info.head) + 54 > face->bytes.size() ||
        static_cast<size_t>(face->info.hhea) + 36 > face->bytes.size()) {
        return refuse("not a whole TrueType face");
    }
    face->unitsPerEm = BigEndian16(data + face->info.head + 18);
    if (face->unitsPerEm < 16 || face->unitsPerEm > 16384) return refuse("its em is out of range");
    int lineGap = 0;
    stbtt_GetFontVMetrics(&face->info, &face->ascender, &face->descender, &lineGap);
    // FreeType takes the typographic metrics when the horizontal header has none.
    if (face->ascender == 0 && face->descender == 0) {
        stbtt_GetFontVMetricsOS2(&face->info, &face->ascender, &face->descender, &lineGap);
    }
    return face;
}

class StbFontRasterizer final : public FontRasterizer {
public:
    explicit StbFontRasterizer(std::string folder) : folder_(std::move(folder)) {}

    std::optional<FaceFile> FindFace(const std::string& family, bool fixedPitch, int weight,
                                     bool exactFamily) override {
        const Family* chosen = FamilyFor(family, fixedPitch, exactFamily);
        if (chosen == nullptr) return std::nullopt;
        const double wanted = ConfigWeight(weight);
        // Nearest weight first; the lighter of two equally near.
        std::vector<const FaceChoice*> order;
        for (const FaceChoice& face : chosen->faces) order.push_back(&face);
        std::stable_sort(order.begin(), order.end(), [wanted](const auto* a, const auto* b) {
            return std::abs(a->weight - wanted) < std::abs(b->weight - wanted);
        });
        for (const FaceChoice* face : order) {
            const std::string path = folder_ + "/" + face->file;
            if (FileExists(path)) {
                if (face != order.front()) Report(folder_ + "/" + order.front()->file, face->file);
                return FaceFile{path, 0};
            }
        }
        Report(folder_ + "/" + order.front()->file, nullptr);
        return std::nullopt;
    }

    std::unique_ptr<RasterFont> OpenFont(const FaceFile& face, int pixelsPerEm) override {
        const std::string key = face.path + '\n' + std::to_string(face.index);
        auto it = loaded_.find(key);
        if (it == loaded_.end()) {
            std::shared_ptr<const LoadedFace> read = LoadFace(face);
            if (read == nullptr) return nullptr;
            it = loaded_.emplace(key, std::move(read)).first;
        }
        auto font = std::make_unique<StbFont>(it->second, pixelsPerEm);
        if (font->LineHeight() <= 0) {
            std::fprintf(stderr, "zolvex: cannot open font %s at %d pixels\n", face.path.c_str(),
                         pixelsPerEm);
            return nullptr;
        }
        return font;
    }

private:
    // Says once per file that it is missing, and which file stands in for it, if any.
    void Report(const std::string& missing, const char* standIn) {
        if (!reported_.insert(missing).second) return;
        if (standIn != nullptr) {
            std::fprintf(stderr, "zolvex: missing font %s; drawing with %s instead\n",
                         missing.c_str(), standIn);
        } else {
            std::fprintf(stderr, "zolvex: missing font %s (expected with the game's fonts)\n",
                         missing.c_str());
        }
    }

    std::string folder_;
    std::set<std::string> reported_;
    // Each file is read once however many sizes are opened from it.
    std::map<std::string, std::shared_ptr<const LoadedFace>> loaded_;
};

}  // namespace

std::unique_ptr<FontRasterizer> CreateStbFontRasterizer(const std::string& fontFolder) {
    return std::make_unique<StbFontRasterizer>(fontFolder);
}

}  // namespace zolvex
