// Pixel art at every resolution level: a level-1 bitmap is enlarged by
// doubling (once for level 2, twice for level 4) with the inner corners of
// its diagonal steps filled, so letters keep their shapes and square corners
// while their diagonals run smooth; then it is painted into a frame.
#pragma once

#include "canvas.h"
#include "pixel_font.h"

namespace assetgen {

// Each pixel becomes four; a clear pixel between two inked neighbours that
// meet only diagonally gets that corner inked (the filling half of Scale2x).
Bitmap smooth2x(const Bitmap& in);

// Paints `bitmap` with its top-left at design position (x, y) of the frame,
// enlarged to the frame's level, in `colour`; a vertical gradient runs from
// `colour` at the bitmap's top to `colour` x `bottomShade` at its bottom.
void drawBitmap(Frame& f, const Bitmap& bitmap, int x, int y, Colour colour, float alpha, float bottomShade = 1.0f);

// A bitmap with a drop shadow one design unit down and right.
void drawBitmapShadowed(Frame& f, const Bitmap& bitmap, int x, int y, Colour colour, float bottomShade = 1.0f);

// The colour and opacity of every drop shadow of the game's font.
inline constexpr Colour kShadowColour{0.0f, 0.02f, 0.07f};
inline constexpr float kShadowAlpha = 0.85f;

}  // namespace assetgen
