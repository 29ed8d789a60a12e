// The card of every key and controller button, screen by screen, that H shows over
// the title screen.
#pragma once

#include <vector>

#include "display/Font.h"
#include "display/Surface.h"
#include "display/TextContext.h"

namespace zolvex {

// Draws the card over the middle of `target` (640 x 480) in `fonts`; each text drawn
// is appended to `texts`, with the colour of the panel it stands on as its background.
void DrawControlsCard(Surface& target, const FontSet& fonts, std::vector<TextRecord>& texts);

}  // namespace zolvex
