// Drawing canvas for the generated pictures and the quantised pictures that are written out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zolvex {

struct Rgb {
    float r = 0, g = 0, b = 0;  // 0 to 1
};

// Builds a colour from 8-bit channels.
Rgb Rgb8(int r, int g, int b);
// Linear mix of two colours, t = 0 gives a.
Rgb Mix(Rgb a, Rgb b, float t);
// Each channel multiplied by f.
Rgb Scale(Rgb c, float f);

// Single-channel coverage map, 0 (empty) to 1 (full), e.g. rendered lettering.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> value;
    float At(int x, int y) const;  // 0 outside the map
};

// A picture ready to be written: 8-bit RGB, top row first, every colour exactly as a
// 16-bit (5-6-5) display will show it.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3
    const uint8_t* At(int x, int y) const { return &rgb[(y * width + x) * 3]; }
    uint8_t* At(int x, int y) { return &rgb[(y * width + x) * 3]; }
};

// A picture with its transparency, for files that keep it: 8-bit RGBA, straight (not
// premultiplied) alpha, top row first.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4
    const uint8_t* At(int x, int y) const { return &rgba[(y * width + x) * 4]; }
};

// A floating-point RGBA canvas with premultiplied colour; starts fully transparent black.
class Image {
public:
    Image(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Paints colour(x, y) over every pixel with opacity coverage(x, y) * opacity.
    // Coverage is usually taken from a signed distance (negative inside, in pixels).
    void Paint(const std::function<float(float, float)>& coverage,
               const std::function<Rgb(float, float)>& colour, float opacity = 1.0f);
    // Paints a mask placed with its top left at (left, top).
    void PaintMask(const Mask& mask, int left, int top,
                   const std::function<Rgb(float, float)>& colour, float opacity = 1.0f);
    // Composites another canvas over this one at (left, top).
    void Draw(const Image& other, int left, int top);

    // Quantises for a 5-6-5 display with ordered dithering, so gradients do not band.
    // keyed: pixels less than half covered become black (the transparent colour), the others
    // are laid over backdrop and never truncate to black.
    Picture Quantise(bool keyed, Rgb backdrop = Rgb{}) const;
    // Rounds to 8 bits per channel and keeps the coverage as alpha.
    RgbaPicture ToRgba() const;

private:
    int width_;
    int height_;
    std::vector<float> pixels_;  // r, g, b (premultiplied), a
};

// Antialiased coverage of a pixel at signed distance d from an edge (negative inside).
float Coverage(float d);
// Signed distance from (x, y) to a rounded rectangle [left, right) x [top, bottom), radius r.
float RoundRectDistance(float x, float y, float left, float top, float right, float bottom,
                        float r);

// Writes a Windows BMP file, 24 bits per pixel, bottom-up, rows padded to 4 bytes.
bool WriteBmp(const std::string& path, const Picture& picture);
// The bytes of that file.
std::vector<uint8_t> EncodeBmp(const Picture& picture);

}  // namespace zolvex
