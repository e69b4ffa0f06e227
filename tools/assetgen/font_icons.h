// The button icons in cells 96..127 of the game font, in the order of the
// text renderer's escape table: the gamepad set at 96..110 and the
// keyboard set at 112..126, each drawn to sit in a line of text like a letter.
#pragma once

#include "canvas.h"

namespace assetgen {

inline constexpr int kFirstIconCell = 96;

// Draws the icon of font cell `cell` (96..127).
void drawFontIcon(Frame& f, int cell);

}  // namespace assetgen
