// Antialiased vector painting with glow, the one look of all the game's art.
// A shape is a distance field (how far each pixel is from the outline, in
// pixels, negative inside closed shapes); a shader turns that distance into a
// colour: a filled body, a line with a hot core, a soft halo of light.
#pragma once

#include <cmath>

#include "canvas.h"
#include "geometry.h"

namespace assetgen {

// A glowing line: a solid core of `width` design units whose centre runs hot
// towards white, surrounded by a halo of the same colour.
struct Stroke {
  Colour colour;
  float width = 1.5f;      // full width of the solid core, design units
  float glow = 2.0f;       // halo radius (gaussian sigma), design units; 0 for none
  float glowAlpha = 0.55f; // halo opacity next to the core
  float hot = 0.45f;       // how white the middle of the core gets
  float alpha = 1.0f;      // opacity of the core
};

// A flat body.
struct Fill {
  Colour colour;
  float alpha = 1.0f;
};

// Axis-aligned box in design units.
struct Box {
  float x0, y0, x1, y1;
};

Box boundsOf(const Path& path, float pad);

// Distance from a polyline or closed polygon, in pixels; negative inside
// when closed (even-odd rule, so a path may hold holes as separate loops).
// With a `reach` (pixels), distances beyond it are only known to be beyond
// it: each pixel row then looks at just the segments within reach of it.
class PathField {
 public:
  static constexpr float kExact = 1e30f;
  PathField(const Frame& frame, const Path& path, bool closed, float reach = kExact);
  // Several closed loops as one shape (outline plus holes).
  PathField(const Frame& frame, const std::vector<Path>& loops, float reach = kExact);
  float operator()(float px, float py) const;

 private:
  struct Segment {
    float ax, ay, dx, dy, invLen2, yMin, yMax;
  };
  void addLoop(const Frame& frame, const Path& path, bool closed);
  void selectRow(float py) const;
  std::vector<Segment> segments_;
  bool closed_;
  float reach_;
  // The segments that matter for the current pixel row.
  mutable float row_ = -1e30f;
  mutable std::vector<const Segment*> near_;
};

// Calls shade(designPoint, distancePx) for every pixel of `box` (design units)
// inside the frame and blends the result in.
template <class Field, class Shader>
void paintField(Frame& f, Box box, Blend mode, const Field& field, const Shader& shade) {
  int px0 = std::max(f.x0, static_cast<int>(std::floor(f.x0 + box.x0 * f.scale)));
  int py0 = std::max(f.y0, static_cast<int>(std::floor(f.y0 + box.y0 * f.scale)));
  int px1 = std::min(f.x0 + f.w, static_cast<int>(std::ceil(f.x0 + box.x1 * f.scale)));
  int py1 = std::min(f.y0 + f.h, static_cast<int>(std::ceil(f.y0 + box.y1 * f.scale)));
  float inv = 1.0f / f.scale;
  for (int py = py0; py < py1; ++py) {
    float cy = py + 0.5f;
    for (int px = px0; px < px1; ++px) {
      float cx = px + 0.5f;
      float window = f.edgeWindow(cx, cy);
      if (window <= 0.0f) continue;
      Premul c = shade(Vec2{(cx - f.x0) * inv, (cy - f.y0) * inv}, field(cx, cy));
      if (c.a <= 0.0f) continue;
      f.canvas->blend(px, py, scale(c, window), mode);
    }
  }
}

// The colour a stroke gives at `d` pixels from its centre line.
Premul strokeColour(const Stroke& s, float scale, float d);
// The colour a fill gives at signed distance `d` (antialiased edge).
inline Premul fillColour(const Fill& fill, float d) {
  float cover = std::clamp(0.5f - d, 0.0f, 1.0f);
  return premul(fill.colour, fill.alpha * cover);
}
// Halo padding (design units) a stroke needs around its path.
float strokeReach(const Stroke& s);

// Shapes.
void stroke(Frame& f, const Path& path, bool closed, const Stroke& s);
void strokeCircle(Frame& f, Vec2 centre, float radius, const Stroke& s);
void fill(Frame& f, const Path& outline, const Fill& fill);
void fillLoops(Frame& f, const std::vector<Path>& loops, const Fill& fill);
void fillCircle(Frame& f, Vec2 centre, float radius, const Fill& fill);
// A closed outline with a translucent body and a glowing rim.
void body(Frame& f, const Path& outline, const Fill& inside, const Stroke& rim);
// A soft round light: alpha falls off as a gaussian of the distance from the centre.
void glowDot(Frame& f, Vec2 centre, float radius, Colour colour, float alpha, Blend mode = Blend::Screen);
// A filled disc whose colour runs from `inner` at the centre to `outer` at the edge.
void radialDisc(Frame& f, Vec2 centre, float radius, Colour inner, Colour outer, float alphaInner, float alphaOuter);

}  // namespace assetgen
