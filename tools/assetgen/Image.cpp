#include "Image.h"

#include <algorithm>
#include <cmath>

#include "ByteWriter.h"

namespace zolvex {

Rgb Rgb8(int r, int g, int b) {
    return Rgb{r / 255.0f, g / 255.0f, b / 255.0f};
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, float f) {
    return Rgb{c.r * f, c.g * f, c.b * f};
}

float Mask::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0.0f;
    return value[y * width + x];
}

Image::Image(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height * 4, 0.0f) {}

void Image::Paint(const std::function<float(float, float)>& coverage,
                  const std::function<Rgb(float, float)>& colour, float opacity) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float a = std::clamp(coverage(fx, fy), 0.0f, 1.0f) * opacity;
            if (a <= 0.0f) continue;
            Rgb c = colour(fx, fy);
            float* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
            p[0] = c.r * a + p[0] * (1 - a);
            p[1] = c.g * a + p[1] * (1 - a);
            p[2] = c.b * a + p[2] * (1 - a);
            p[3] = a + p[3] * (1 - a);
        }
    }
}

void Image::PaintMask(const Mask& mask, int left, int top,
                      const std::function<Rgb(float, float)>& colour, float opacity) {
    Paint([&](float x,
              float y) { return mask.At(static_cast<int>(x) - left, static_cast<int>(y) - top); },
          colour, opacity);
}

void Image::Draw(const Image& other, int left, int top) {
    for (int y = 0; y < other.height_; ++y) {
        int ty = y + top;
        if (ty < 0 || ty >= height_) continue;
        for (int x = 0; x < other.width_; ++x) {
            int tx = x + left;
            if (tx < 0 || tx >= width_) continue;
            const float* s = &other.pixels_[(static_cast<size_t>(y) * other.width_ + x) * 4];
            float* p = &pixels_[(static_cast<size_t>(ty) * width_ + tx) * 4];
            for (int i = 0; i < 3; ++i) p[i] = s[i] + p[i] * (1 - s[3]);
            p[3] = s[3] + p[3] * (1 - s[3]);
        }
    }
}

namespace {

// 4 x 4 Bayer thresholds, spread over [0, 1).
float Threshold(int x, int y) {
    static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (kBayer[y & 3][x & 3] + 0.5f) / 16.0f;
}

// Picks a level of a channel with `levels` steps, then widens it back to 8 bits so that the
// display's truncation to the top bits gives exactly that level again.
int Level(float v, int levels, float threshold) {
    int maxLevel = levels - 1;
    int l = static_cast<int>(std::floor(std::clamp(v, 0.0f, 1.0f) * maxLevel + threshold));
    return std::clamp(l, 0, maxLevel);
}

uint8_t Widen5(int l) {
    return static_cast<uint8_t>((l << 3) | (l >> 2));
}
uint8_t Widen6(int l) {
    return static_cast<uint8_t>((l << 2) | (l >> 4));
}

}  // namespace

Picture Image::Quantise(bool keyed, Rgb backdrop) const {
    Picture out{width_, height_, std::vector<uint8_t>(static_cast<size_t>(width_) * height_ * 3)};
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const float* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
            uint8_t* o = out.At(x, y);
            if (keyed && p[3] < 0.5f) {
                o[0] = o[1] = o[2] = 0;
                continue;
            }
            // Uncovered parts of a pixel show the backdrop: black for whole screens, the dark
            // colour a sprite is meant to stand on for keyed pictures.
            Rgb c{p[0] + backdrop.r * (1 - p[3]), p[1] + backdrop.g * (1 - p[3]),
                  p[2] + backdrop.b * (1 - p[3])};
            float t = Threshold(x, y);
            int r = Level(c.r, 32, t), g = Level(c.g, 64, t), b = Level(c.b, 32, t);
            if (keyed && r == 0 && g == 0 && b == 0) b = 1;
            o[0] = Widen5(r);
            o[1] = Widen6(g);
            o[2] = Widen5(b);
        }
    }
    return out;
}

RgbaPicture Image::ToRgba() const {
    RgbaPicture out{width_, height_,
                    std::vector<uint8_t>(static_cast<size_t>(width_) * height_ * 4)};
    auto to8 = [](float v) {
        return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
    };
    for (size_t i = 0; i < out.rgba.size(); i += 4) {
        const float* p = &pixels_[i];
        uint8_t* o = &out.rgba[i];
        o[3] = to8(p[3]);
        if (o[3] == 0) continue;
        for (int c = 0; c < 3; ++c) o[c] = to8(p[c] / p[3]);
    }
    return out;
}

float Coverage(float d) {
    return std::clamp(0.5f - d, 0.0f, 1.0f);
}

float RoundRectDistance(float x, float y, float left, float top, float right, float bottom,
                        float r) {
    float cx = (left + right) * 0.5f, cy = (top + bottom) * 0.5f;
    float hx = (right - left) * 0.5f - r, hy = (bottom - top) * 0.5f - r;
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    float inside = std::min(std::max(qx, qy), 0.0f);
    return outside + inside - r;
}

std::vector<uint8_t> EncodeBmp(const Picture& picture) {
    const uint32_t rowBytes = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * picture.height;
    const uint32_t fileBytes = 54 + imageBytes;
    std::vector<uint8_t> out;
    out.reserve(fileBytes);
    auto put16 = [&](uint32_t v) { AppendLe16(out, v); };
    auto put32 = [&](uint32_t v) { AppendLe32(out, v); };
    out.push_back('B');
    out.push_back('M');
    put32(fileBytes);
    put32(0);
    put32(54);
    put32(40);  // BITMAPINFOHEADER
    put32(static_cast<uint32_t>(picture.width));
    put32(static_cast<uint32_t>(picture.height));  // positive: bottom-up
    put16(1);
    put16(24);
    put32(0);  // no compression
    put32(imageBytes);
    put32(2835);  // 72 dpi
    put32(2835);
    put32(0);
    put32(0);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.At(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t i = static_cast<uint32_t>(picture.width) * 3; i < rowBytes; ++i)
            out.push_back(0);
    }
    return out;
}

bool WriteBmp(const std::string& path, const Picture& picture) {
    return WriteFileBytes(path, EncodeBmp(picture), "bitmap file");
}

}  // namespace zolvex
