// The framework's own letters, compiled into the program: what a screen that
// must not depend on data files writes with (a failure screen, whose reason
// may be the very font file that is missing). Printable ASCII, proportional,
// seven rows above the baseline and two of descenders; drawn as rectangles
// through the graphics context, so they need no texture.
#pragma once

#include "runtime/string.h"

constexpr int kBuiltinGlyphRows = 9;
// Rows from one line's top to the next's.
constexpr int kBuiltinLineHeight = 12;

// Width of one line of `text` in glyph pixels, the last glyph's spacing
// included.
int vx_graphics_BuiltinTextWidth(const String& text);

// Draws one line of `text` with its top left at (x, y) in the current colour,
// each glyph pixel a `scale` x `scale` square; a character the letters lack
// draws as '?'.
void vx_graphics_DrawBuiltinText(const String& text, float x, float y, float scale);
