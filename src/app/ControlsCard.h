// The card of every key and controller button, screen by screen, that H shows over
// the title screen.
#pragma once

#include <vector>

#include "display/Font.h"
#include "display/Surface.h"
#include "display/TextContext.h"

namespace zolvex {

// The panel and rim of what the program draws over the screens: the card and the notice.
constexpr ColorRef kOverlayPanel = 0x3A1A0C;  // deep navy, darker than the night sky behind it
constexpr ColorRef kOverlayRim = 0x38B8E8;    // gold

// Draws the card over the middle of `target` (640 x 480) in `fonts`; each text drawn
// is appended to `texts`, with the colour of the panel it stands on as its background.
void DrawControlsCard(Surface& target, const FontSet& fonts, std::vector<TextRecord>& texts);

}  // namespace zolvex
