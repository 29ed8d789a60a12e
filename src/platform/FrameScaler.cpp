#include "platform/FrameScaler.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zolvex {
namespace {

constexpr uint32_t kFullWeight = 256;

// (a * (256 - w) + b * w) / 256 in each channel, rounded. Red and blue share one multiply:
// each product fits in the sixteen bits its channel has room for.
uint32_t Blend(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t v = kFullWeight - w;
    const uint32_t rb = (((a & 0xFF00FFU) * v + (b & 0xFF00FFU) * w + 0x800080U) >> 8U) & 0xFF00FFU;
    const uint32_t g = (((a & 0x00FF00U) * v + (b & 0x00FF00U) * w + 0x008000U) >> 8U) & 0x00FF00U;
    return rb | g;
}

// Blend over whole rows, byte by byte: the same sums in 16-bit lanes, four pixels at a
// time. The top byte stays 0.
void BlendRows(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* out, int n) {
    using Narrow = uint8_t __attribute__((vector_size(16)));
    using Wide = uint16_t __attribute__((vector_size(32)));
    constexpr int kPixels = sizeof(Narrow) / sizeof(uint32_t);
    const auto wb = static_cast<uint16_t>(w), wa = static_cast<uint16_t>(kFullWeight - w);
    int i = 0;
    for (; i + kPixels <= n; i += kPixels) {
        Narrow na, nb;
        std::memcpy(&na, a + i, sizeof na);
        std::memcpy(&nb, b + i, sizeof nb);
        const Wide sum = (__builtin_convertvector(na, Wide) * wa +
                          __builtin_convertvector(nb, Wide) * wb + 128U) >>
                         8U;
        const Narrow blended = __builtin_convertvector(sum, Narrow);
        std::memcpy(out + i, &blended, sizeof blended);
    }
    for (; i < n; ++i) out[i] = Blend(a[i], b[i], w);
}

// num / den in 256ths, rounded to nearest.
uint32_t Weight(int64_t num, int64_t den) {
    return static_cast<uint32_t>((num * 2 * kFullWeight + den) / (2 * den));
}

// Expand565 over a run of pixels, eight at a time: the same sums in 32-bit lanes.
void Widen565(const uint16_t* from, uint32_t* to, int count) {
    using Narrow = uint16_t __attribute__((vector_size(16)));
    using Wide = uint32_t __attribute__((vector_size(32)));
    constexpr int kLanes = sizeof(Narrow) / sizeof(uint16_t);
    int i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Narrow narrow;
        std::memcpy(&narrow, from + i, sizeof narrow);
        const Wide p = __builtin_convertvector(narrow, Wide);
        const Wide r = p >> 11U, g = (p >> 5U) & 63U, b = p & 31U;
        const Wide wide =
            ((r << 3U | r >> 2U) << 16U) | ((g << 2U | g >> 4U) << 8U) | (b << 3U | b >> 2U);
        std::memcpy(to + i, &wide, sizeof wide);
    }
    for (; i < count; ++i) to[i] = Expand565(from[i]);
}

// Writes a row of window pixels past the processor's caches where it can. A plain write
// first brings each line it writes into this core's cache; over a fall tick the window's
// lines leave it (the window system reads them on another core), so each frame would
// fetch them all again. A streamed write only writes. The game never reads the window's
// pixels back, so nothing is lost by leaving them out of the cache.
void StreamRow(const uint32_t* from, uint32_t* to, int count) {
#if defined(__SSE2__)
    int i = 0;
    for (; i < count && (reinterpret_cast<uintptr_t>(to + i) & 15U) != 0; ++i) {
        _mm_stream_si32(reinterpret_cast<int*>(to + i), static_cast<int>(from[i]));
    }
    for (; i + 4 <= count; i += 4) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    }
    for (; i < count; ++i) {
        _mm_stream_si32(reinterpret_cast<int*>(to + i), static_cast<int>(from[i]));
    }
#else
    std::memcpy(to, from, static_cast<size_t>(count) * sizeof(uint32_t));
#endif
}

// Makes the streamed rows visible to whoever reads the window next.
void FinishStreaming() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

}  // namespace

std::optional<ScalingMode> ParseScalingMode(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (ScalingMode mode : {ScalingMode::Sharp, ScalingMode::Integer, ScalingMode::Smooth}) {
        if (lower == ScalingModeName(mode)) return mode;
    }
    return std::nullopt;
}

const char* ScalingModeName(ScalingMode mode) {
    switch (mode) {
        case ScalingMode::Sharp:
            return "sharp";
        case ScalingMode::Integer:
            return "integer";
        case ScalingMode::Smooth:
            return "smooth";
    }
    return "sharp";
}

PixelRect PictureRect(ScalingMode mode, int outW, int outH, int frameW, int frameH) {
    if (frameW <= 0 || frameH <= 0) return {};
    PixelRect r;
    if (mode == ScalingMode::Integer) {
        const int k = std::max(1, std::min(outW / frameW, outH / frameH));
        r.w = k * frameW;
        r.h = k * frameH;
    } else if (static_cast<int64_t>(outW) * frameH >= static_cast<int64_t>(outH) * frameW) {
        r.h = std::max(0, outH);
        r.w = static_cast<int>(static_cast<int64_t>(r.h) * frameW / frameH);
    } else {
        r.w = std::max(0, outW);
        r.h = static_cast<int>(static_cast<int64_t>(r.w) * frameH / frameW);
    }
    r.x = (outW - r.w) / 2;
    r.y = (outH - r.h) / 2;
    return r;
}

// The taps of picture pixels first .. first + count - 1 on one axis, src frame pixels
// drawn over dst picture pixels. Every tap that blends reads index + 1 < src, so no
// pixel outside the frame is ever read and the edges get no dark fringe.
std::vector<FrameScaler::Tap> FrameScaler::AxisTaps(ScalingMode mode, int src, int dst, int first,
                                                    int count) {
    std::vector<Tap> taps(static_cast<size_t>(count));
    const int64_t s = src, d = dst;
    for (int i = 0; i < count; ++i) {
        const int64_t o = first + i;
        int64_t index = 0;
        uint32_t weight = 0;
        if (mode == ScalingMode::Integer) {
            // The frame pixel under the picture pixel's centre.
            index = (2 * o + 1) * s / (2 * d);
        } else if (mode == ScalingMode::Sharp && d >= s) {
            // The picture pixel spans [o, o + 1) * s / d in frame pixels. Enlarging, it
            // covers at most one edge between frame pixels; each side gets its share. This
            // is sharp bilinear with the prescale equal to the true ratio: prescaling by the
            // whole part alone would spread an edge over up to two pixels, and below 2x
            // would blur like Smooth. Whole ratios never straddle an edge, so they draw as
            // Integer does. A window smaller than the frame falls to bilinear.
            index = o * s / d;
            const int64_t edge = (index + 1) * d, right = (o + 1) * s;
            if (right > edge) weight = Weight(right - edge, s);
        } else {
            // Bilinear between the two frame pixel centres around the picture pixel's
            // centre, held at the outer centres. Positions are in 1 / (2 d) frame pixels.
            const int64_t p = (2 * o + 1) * s - d;
            if (p > 0) {
                index = p / (2 * d);
                weight = Weight(p % (2 * d), 2 * d);
            }
        }
        if (weight == kFullWeight) {
            ++index;
            weight = 0;
        }
        if (index >= s - 1) {
            index = s - 1;
            weight = 0;
        }
        taps[static_cast<size_t>(i)] = Tap{static_cast<int>(index), weight};
    }
    return taps;
}

void FrameScaler::Configure(ScalingMode mode, int srcW, int srcH, PixelRect picture, int outW,
                            int outH) {
    if (configured_ && mode == mode_ && srcW == srcW_ && srcH == srcH_ && picture == picture_ &&
        outW == outW_ && outH == outH_) {
        return;
    }
    configured_ = true;
    mode_ = mode;
    srcW_ = srcW;
    srcH_ = srcH;
    picture_ = picture;
    outW_ = outW;
    outH_ = outH;
    const int x0 = std::max(0, picture.x), y0 = std::max(0, picture.y);
    const int x1 = std::min(outW, picture.x + picture.w),
              y1 = std::min(outH, picture.y + picture.h);
    if (srcW <= 0 || srcH <= 0 || x1 <= x0 || y1 <= y0) {
        visible_ = {};
        columns_.clear();
        rows_.clear();
        return;
    }
    visible_ = {x0, y0, x1 - x0, y1 - y0};
    columns_ = AxisTaps(mode, srcW, picture.w, x0 - picture.x, visible_.w);
    rows_ = AxisTaps(mode, srcH, picture.h, y0 - picture.y, visible_.h);
    blendedColumns_.clear();
    oneToOneColumns_ = true;
    for (int c = 0; c < visible_.w; ++c) {
        const Tap& tap = columns_[static_cast<size_t>(c)];
        if (tap.weight != 0) blendedColumns_.push_back(c);
        oneToOneColumns_ =
            oneToOneColumns_ && tap.weight == 0 && tap.index == columns_[0].index + c;
    }
}

void FrameScaler::Scale(const uint16_t* src, uint32_t* dst, int dstPitch) const {
    ScaleArea(src, 0, visible_.w, 0, visible_.h, dst, dstPitch);
}

PixelRect FrameScaler::ScaleRegion(const uint16_t* src, PixelRect changed, uint32_t* dst,
                                   int dstPitch) const {
    const int first = std::max(0, changed.x), last = std::min(srcW_, changed.x + changed.w) - 1;
    const int top = std::max(0, changed.y), bottom = std::min(srcH_, changed.y + changed.h) - 1;
    if (visible_.w == 0 || last < first || bottom < top) return {};
    // A tap reads frame pixels index and, when it blends, index + 1; both only grow
    // along the axis, so the affected taps are one run, found by halving (a full-screen
    // axis has up to 1920 taps, and a fall tick asks for a few small areas).
    const auto affected = [](const std::vector<Tap>& taps, int lo, int hi) {
        const auto begin = std::partition_point(taps.begin(), taps.end(), [lo](const Tap& t) {
            return t.index + (t.weight != 0 ? 1 : 0) < lo;
        });
        const auto end =
            std::partition_point(begin, taps.end(), [hi](const Tap& t) { return t.index <= hi; });
        return std::pair{static_cast<int>(begin - taps.begin()),
                         static_cast<int>(end - taps.begin())};
    };
    const auto [c0, c1] = affected(columns_, first, last);
    const auto [r0, r1] = affected(rows_, top, bottom);
    if (c1 <= c0 || r1 <= r0) return {};
    ScaleArea(src, c0, c1, r0, r1, dst, dstPitch);
    return {visible_.x + c0, visible_.y + r0, c1 - c0, r1 - r0};
}

void FrameScaler::ScaleArea(const uint16_t* src, int c0, int c1, int r0, int r1, uint32_t* dst,
                            int dstPitch) const {
    if (c1 <= c0 || r1 <= r0) return;
    const int width = c1 - c0;
    // One frame row in 32 bits; the frame rows `upper` and `lower` already scaled across;
    // and a window row made from them. Every window row is made in these small buffers and
    // then streamed out, so the window's pixels are only ever written.
    line_.resize(static_cast<size_t>(srcW_));
    for (std::vector<uint32_t>* row : {&upper_, &lower_, &made_}) {
        row->resize(static_cast<size_t>(width));
    }
    std::vector<uint32_t>&line = line_, &upper = upper_, &lower = lower_, &made = made_;
    int upperRow = -1, lowerRow = -1;
    const Tap* previous = nullptr;
    const uint32_t* row = nullptr;
    for (int r = r0; r < r1; ++r) {
        const Tap& tap = rows_[static_cast<size_t>(r)];
        if (previous == nullptr || !(*previous == tap)) {
            if (oneToOneColumns_ && tap.weight == 0) {
                // Pixel for pixel across: the frame row itself, widened.
                Widen565(src + static_cast<ptrdiff_t>(tap.index) * srcW_ + columns_[c0].index,
                         made.data(), width);
                row = made.data();
            } else {
                if (upperRow != tap.index) {
                    if (lowerRow == tap.index) {
                        std::swap(upper, lower);
                        std::swap(upperRow, lowerRow);
                    } else {
                        ScaleRow(src + static_cast<ptrdiff_t>(tap.index) * srcW_, c0, c1,
                                 line.data(), upper.data());
                        upperRow = tap.index;
                    }
                }
                row = upper.data();
                if (tap.weight != 0) {
                    if (lowerRow != tap.index + 1) {
                        ScaleRow(src + static_cast<ptrdiff_t>(tap.index + 1) * srcW_, c0, c1,
                                 line.data(), lower.data());
                        lowerRow = tap.index + 1;
                    }
                    BlendRows(upper.data(), lower.data(), tap.weight, made.data(), width);
                    row = made.data();
                }
            }
        }
        StreamRow(row, dst + static_cast<ptrdiff_t>(visible_.y + r) * dstPitch + visible_.x + c0,
                  width);
        previous = &tap;
    }
    FinishStreaming();
}

void FrameScaler::ScaleRow(const uint16_t* srcRow, int c0, int c1, uint32_t* line,
                           uint32_t* out) const {
    const Tap* taps = columns_.data();
    if (oneToOneColumns_) {
        Widen565(srcRow + taps[c0].index, out, c1 - c0);
        return;
    }
    const int first = taps[c0].index;
    const int last = std::min(srcW_ - 1, taps[c1 - 1].index + 1);
    Widen565(srcRow + first, line + first, last - first + 1);
    for (int c = c0; c < c1; ++c) out[c - c0] = line[taps[c].index];
    // Blending only where a column needs it, after the plain copy, spares the copy a
    // branch that the pattern of blended columns would often mispredict.
    const auto end = std::lower_bound(blendedColumns_.begin(), blendedColumns_.end(), c1);
    for (auto c = std::lower_bound(blendedColumns_.begin(), end, c0); c != end; ++c) {
        const Tap& t = taps[*c];
        out[*c - c0] = Blend(line[t.index], line[t.index + 1], t.weight);
    }
}

}  // namespace zolvex
