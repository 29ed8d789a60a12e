// Where a new frame differs from the one on screen, so that only those parts are
// scaled and sent to the window system.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/FrameScaler.h"

namespace zolvex {

// The parts of a width x height frame where `next` differs from `shown`, as at most
// `maxRects` rectangles aligned to 16-pixel tiles (clipped to the frame) that cover
// every changed pixel; empty when the frames are the same. Changes far apart give
// separate rectangles; beyond `maxRects` of them, those that join at the least cost in
// area are joined. With `within`, the frames are known to be the same outside those
// rectangles, and only the tiles they touch are compared.
std::vector<PixelRect> ChangedAreas(const uint16_t* shown, const uint16_t* next, int width,
                                    int height, size_t maxRects = 8,
                                    const std::vector<PixelRect>* within = nullptr);

// The smallest rectangle inside `area` (a rectangle of the width-wide frames) that holds
// every pixel where `next` differs from `shown`; empty when none does. A changed area
// found tile by tile, shrunk to this before it is scaled and sent, spares the window
// system the unchanged edges of its tiles.
PixelRect ChangedBounds(const uint16_t* shown, const uint16_t* next, int width, PixelRect area);

}  // namespace zolvex
