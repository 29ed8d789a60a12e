// Turns the 640 x 480 RGB565 frame into a 32-bit 0x00RRGGBB picture (the pixels of an
// X11 window surface) of any size: where the picture goes in the window, and the
// scaling itself. Standard library only, so both backends and the tests can use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zolvex {

// How the frame is enlarged to fill the window.
enum class ScalingMode {
    // The largest picture with the frame's aspect. Each frame pixel is a solid block;
    // where two frame pixels meet, one line of window pixels takes the share of each that
    // it covers.
    Sharp,
    // The largest whole multiple k of the frame: each frame pixel a k x k block.
    Integer,
    // The largest picture with the frame's aspect, bilinear.
    Smooth,
};

// An RGB565 pixel as 0x00RRGGBB: the five and six bits of each channel repeated into
// eight, so that 31 and 63 become 255.
inline uint32_t Expand565(uint16_t p) {
    const uint32_t r = p >> 11U, g = (p >> 5U) & 63U, b = p & 31U;
    return ((r << 3U | r >> 2U) << 16U) | ((g << 2U | g >> 4U) << 8U) | (b << 3U | b >> 2U);
}

// "sharp", "integer" or "smooth" in any case; nullopt for anything else.
std::optional<ScalingMode> ParseScalingMode(const std::string& name);
// The lower-case name that ParseScalingMode reads.
const char* ScalingModeName(ScalingMode mode);

struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const PixelRect&) const = default;
};

// Where a frameW x frameH frame goes in an outW x outH window, centred. Sharp and Smooth:
// the largest rectangle with the frame's aspect that fits, touching two opposite sides.
// Integer: the largest whole multiple that fits, at least 1x (a window smaller than the
// frame gets the 1x picture centred, overhanging its edges).
PixelRect PictureRect(ScalingMode mode, int outW, int outH, int frameW, int frameH);

// Draws frames into a window surface through per-column and per-row tables, made once
// per window size. Not for use from two threads at once.
class FrameScaler {
public:
    // Prepares the tables for drawing a srcW x srcH frame into `picture`, a rectangle of
    // the outW x outH window (it may overhang the window). Does nothing when called again
    // with the same values.
    void Configure(ScalingMode mode, int srcW, int srcH, PixelRect picture, int outW, int outH);

    // Draws the whole frame into the picture's part of dst (dstPitch in pixels). Pixels
    // outside the picture are left alone: the caller clears the bars once.
    void Scale(const uint16_t* src, uint32_t* dst, int dstPitch) const;

    // Draws only the window pixels that a change to `changed` (a rectangle of the frame)
    // can affect, each exactly as Scale draws it, and returns the window rectangle written
    // (empty when nothing is).
    PixelRect ScaleRegion(const uint16_t* src, PixelRect changed, uint32_t* dst,
                          int dstPitch) const;

private:
    // One window column or row: the frame column or row it shows, and how much of the
    // next one (0..255 of 256) is blended in.
    struct Tap {
        int index = 0;
        uint32_t weight = 0;
        bool operator==(const Tap&) const = default;
    };

    static std::vector<Tap> AxisTaps(ScalingMode mode, int src, int dst, int first, int count);
    // Draws window columns [c0, c1) and rows [r0, r1) of the visible part of the picture.
    void ScaleArea(const uint16_t* src, int c0, int c1, int r0, int r1, uint32_t* dst,
                   int dstPitch) const;
    void ScaleRow(const uint16_t* srcRow, int c0, int c1, uint32_t* line, uint32_t* out) const;

    bool configured_ = false;
    ScalingMode mode_ = ScalingMode::Sharp;
    int srcW_ = 0, srcH_ = 0, outW_ = 0, outH_ = 0;
    PixelRect picture_;
    // The picture's part inside the window; columns_ and rows_ follow it.
    PixelRect visible_;
    std::vector<Tap> columns_, rows_;
    // The columns whose taps blend, in order.
    std::vector<int> blendedColumns_;
    // Each window column shows the next frame column, unblended: an unscaled window.
    bool oneToOneColumns_ = false;
    // ScaleArea's rows, kept between frames so that a frame allocates nothing.
    mutable std::vector<uint32_t> line_, upper_, lower_, made_;
};

}  // namespace zolvex
