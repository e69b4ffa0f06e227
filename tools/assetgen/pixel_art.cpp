// Smoothing enlargement and painting of bitmaps into frames.
#include "pixel_art.h"

namespace assetgen {

Bitmap smooth2x(const Bitmap& in) {
  Bitmap out(in.width * 2, in.height * 2);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) {
      bool p = in.at(x, y);
      if (p) {
        for (int k = 0; k < 4; ++k) out.set(2 * x + (k & 1), 2 * y + (k >> 1));
        continue;
      }
      // Neighbours: a above, b right, c left, d below; and the corners between them.
      bool a = in.at(x, y - 1), b = in.at(x + 1, y), c = in.at(x - 1, y), d = in.at(x, y + 1);
      bool ac = in.at(x - 1, y - 1), ab = in.at(x + 1, y - 1), dc = in.at(x - 1, y + 1), db = in.at(x + 1, y + 1);
      // Fill a corner only on a true diagonal step: the two neighbours inked,
      // the pixel between them clear (an inner corner of a solid stays square).
      bool e0 = a && c && !b && !d && !ac;
      bool e1 = a && b && !c && !d && !ab;
      bool e2 = d && c && !b && !a && !dc;
      bool e3 = d && b && !c && !a && !db;
      out.set(2 * x, 2 * y, e0);
      out.set(2 * x + 1, 2 * y, e1);
      out.set(2 * x, 2 * y + 1, e2);
      out.set(2 * x + 1, 2 * y + 1, e3);
    }
  return out;
}

void drawBitmap(Frame& f, const Bitmap& bitmap, int x, int y, Colour colour, float alpha, float bottomShade) {
  Bitmap big = bitmap;
  int scale = static_cast<int>(f.scale);
  for (int s = 1; s < scale; s *= 2) big = smooth2x(big);
  for (int by = 0; by < big.height; ++by) {
    float t = big.height > 1 ? static_cast<float>(by) / (big.height - 1) : 0.0f;
    Colour c = colour * (1.0f + (bottomShade - 1.0f) * t);
    for (int bx = 0; bx < big.width; ++bx) {
      if (!big.at(bx, by)) continue;
      int px = f.x0 + x * scale + bx, py = f.y0 + y * scale + by;
      if (px < f.x0 || py < f.y0 || px >= f.x0 + f.w || py >= f.y0 + f.h) continue;
      f.canvas->blend(px, py, premul(c, alpha), Blend::Over);
    }
  }
}

void drawBitmapShadowed(Frame& f, const Bitmap& bitmap, int x, int y, Colour colour, float bottomShade) {
  drawBitmap(f, bitmap, x + 1, y + 1, kShadowColour, kShadowAlpha);
  drawBitmap(f, bitmap, x, y, colour, 1.0f, bottomShade);
}

}  // namespace assetgen
