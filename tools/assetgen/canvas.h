// The drawing surface of the generator: a floating-point RGBA canvas with
// premultiplied alpha, and the Frame through which image code draws into one
// cell of a sheet in design units (level-1 pixels) at any resolution level.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "geometry.h"

namespace assetgen {

// A colour without alpha, components 0..1.
struct Colour {
  float r = 1, g = 1, b = 1;
};

inline Colour mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Colour operator*(Colour c, float s) { return {c.r * s, c.g * s, c.b * s}; }

// A premultiplied colour: r, g, b already multiplied by a.
struct Premul {
  float r = 0, g = 0, b = 0, a = 0;
};

inline Premul premul(Colour c, float alpha) { return {c.r * alpha, c.g * alpha, c.b * alpha, alpha}; }
inline Premul scale(Premul p, float s) { return {p.r * s, p.g * s, p.b * s, p.a * s}; }
// `top` composited over `bottom`.
inline Premul over(Premul top, Premul bottom) {
  float k = 1.0f - top.a;
  return {top.r + bottom.r * k, top.g + bottom.g * k, top.b + bottom.b * k, top.a + bottom.a * k};
}

// How a painted pixel combines with what is there: Over hides it, Screen adds
// light to it without ever passing full brightness (glows that overlap brighten).
enum class Blend { Over, Screen };

class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), px_(static_cast<size_t>(width) * height) {}

  int width() const { return width_; }
  int height() const { return height_; }
  Premul get(int x, int y) const { return px_[static_cast<size_t>(y) * width_ + x]; }
  void set(int x, int y, Premul c) { px_[static_cast<size_t>(y) * width_ + x] = c; }

  void blend(int x, int y, Premul c, Blend mode) {
    Premul& d = px_[static_cast<size_t>(y) * width_ + x];
    if (mode == Blend::Over) {
      d = over(c, d);
    } else {
      d = {c.r + d.r - c.r * d.r, c.g + d.g - c.g * d.g, c.b + d.b - c.b * d.b, c.a + d.a - c.a * d.a};
    }
  }

  // 8-bit RGBA with straight (not premultiplied) alpha, as PNG files hold it;
  // fully transparent pixels are written as 0, 0, 0, 0.
  std::vector<uint8_t> toRgba8() const;

 private:
  int width_, height_;
  std::vector<Premul> px_;
};

// A pixel rectangle of a canvas addressed in design units: design (0, 0) is
// the top-left corner of the rectangle and one design unit is `scale` pixels.
struct Frame {
  Canvas* canvas = nullptr;
  int x0 = 0, y0 = 0;  // top-left pixel
  int w = 0, h = 0;    // size in pixels
  float scale = 1;     // pixels per design unit (the resolution level)
  // Everything painted fades to nothing over this many design units towards
  // the frame's border, so nothing is cut hard and the outermost pixel row
  // stays clear (texture filtering never blends in the neighbouring frame).
  float edgeFade = 1.5f;

  float designWidth() const { return w / scale; }
  float designHeight() const { return h / scale; }
  Vec2 centre() const { return {designWidth() * 0.5f, designHeight() * 0.5f}; }
  Vec2 toPixel(Vec2 design) const { return {x0 + design.x * scale, y0 + design.y * scale}; }

  // The edge-fade factor for the pixel whose centre is (px, py).
  float edgeWindow(float px, float py) const {
    float d = std::min(std::min(px - x0, x0 + w - px), std::min(py - y0, y0 + h - py));
    float t = (d - 0.5f) / (edgeFade * scale);
    return std::clamp(t, 0.0f, 1.0f);
  }
};

}  // namespace assetgen
