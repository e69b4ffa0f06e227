// Distance fields of paths and the stock shaders and shapes built on them.
#include "paint.h"

#include <limits>

namespace assetgen {

Box boundsOf(const Path& path, float pad) {
  Box b{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
        -std::numeric_limits<float>::max()};
  for (Vec2 p : path) {
    b.x0 = std::min(b.x0, p.x);
    b.y0 = std::min(b.y0, p.y);
    b.x1 = std::max(b.x1, p.x);
    b.y1 = std::max(b.y1, p.y);
  }
  return {b.x0 - pad, b.y0 - pad, b.x1 + pad, b.y1 + pad};
}

PathField::PathField(const Frame& frame, const Path& path, bool closed, float reach) : closed_(closed), reach_(reach) {
  addLoop(frame, path, closed);
}

PathField::PathField(const Frame& frame, const std::vector<Path>& loops, float reach) : closed_(true), reach_(reach) {
  for (const Path& loop : loops) addLoop(frame, loop, true);
}

void PathField::addLoop(const Frame& frame, const Path& path, bool closed) {
  size_t n = path.size();
  if (n == 0) return;
  size_t count = n == 1 ? 1 : closed ? n : n - 1;
  for (size_t i = 0; i < count; ++i) {
    Vec2 a = frame.toPixel(path[i]);
    Vec2 b = frame.toPixel(path[(i + 1) % n]);
    float dx = b.x - a.x, dy = b.y - a.y;
    float len2 = dx * dx + dy * dy;
    segments_.push_back({a.x, a.y, dx, dy, len2 > 0 ? 1.0f / len2 : 0.0f, std::min(a.y, b.y), std::max(a.y, b.y)});
  }
}

void PathField::selectRow(float py) const {
  row_ = py;
  near_.clear();
  for (const Segment& s : segments_)
    if (py >= s.yMin - reach_ && py <= s.yMax + reach_) near_.push_back(&s);
}

float PathField::operator()(float px, float py) const {
  if (py != row_) selectRow(py);
  float best = reach_ < kExact ? (reach_ + 1) * (reach_ + 1) : std::numeric_limits<float>::max();
  bool inside = false;
  for (const Segment* seg : near_) {
    const Segment& s = *seg;
    float rx = px - s.ax, ry = py - s.ay;
    float t = std::clamp((rx * s.dx + ry * s.dy) * s.invLen2, 0.0f, 1.0f);
    float ex = rx - s.dx * t, ey = ry - s.dy * t;
    best = std::min(best, ex * ex + ey * ey);
    if (closed_ && (s.ay > py) != (s.ay + s.dy > py)) {
      float xCross = s.ax + s.dx * (py - s.ay) / s.dy;
      if (px < xCross) inside = !inside;
    }
  }
  float d = std::sqrt(best);
  return inside ? -d : d;
}

Premul strokeColour(const Stroke& s, float scale, float d) {
  float ad = std::fabs(d);
  float hw = s.width * 0.5f * scale;
  if (ad > hw + (s.glow * 3.0f + 1.0f) * scale) return {};
  float core = std::clamp(hw + 0.5f - ad, 0.0f, 1.0f) * s.alpha;
  float centre = hw > 0 ? std::clamp(1.0f - ad / std::max(hw, 0.75f), 0.0f, 1.0f) : 0.0f;
  Colour coreColour = mix(s.colour, Colour{1, 1, 1}, s.hot * centre);
  Premul c = premul(coreColour, core);
  if (s.glow > 0) {
    float sigma = s.glow * scale;
    float out = std::max(ad - hw, 0.0f) / sigma;
    float halo = s.glowAlpha * std::exp(-out * out);
    c = over(c, premul(s.colour, halo));
  }
  return c;
}

float strokeReach(const Stroke& s) { return s.width * 0.5f + s.glow * 3.0f + 1.0f; }

void stroke(Frame& f, const Path& path, bool closed, const Stroke& s) {
  PathField field(f, path, closed, strokeReach(s) * f.scale);
  float scale = f.scale;
  paintField(f, boundsOf(path, strokeReach(s)), Blend::Screen, field,
             [&](Vec2, float d) { return strokeColour(s, scale, d); });
}

void strokeCircle(Frame& f, Vec2 centre, float radius, const Stroke& s) {
  Vec2 c = f.toPixel(centre);
  float r = radius * f.scale, scale = f.scale;
  float reach = radius + strokeReach(s);
  paintField(f, {centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach}, Blend::Screen,
             [&](float px, float py) { return std::hypot(px - c.x, py - c.y) - r; },
             [&](Vec2, float d) { return strokeColour(s, scale, d); });
}

void fill(Frame& f, const Path& outline, const Fill& fl) {
  PathField field(f, outline, true, 1.0f);
  paintField(f, boundsOf(outline, 1.0f), Blend::Over, field, [&](Vec2, float d) { return fillColour(fl, d); });
}

void fillLoops(Frame& f, const std::vector<Path>& loops, const Fill& fl) {
  Path all;
  for (const Path& l : loops) all.insert(all.end(), l.begin(), l.end());
  PathField field(f, loops, 1.0f);
  paintField(f, boundsOf(all, 1.0f), Blend::Over, field, [&](Vec2, float d) { return fillColour(fl, d); });
}

void fillCircle(Frame& f, Vec2 centre, float radius, const Fill& fl) {
  Vec2 c = f.toPixel(centre);
  float r = radius * f.scale;
  float reach = radius + 1.0f;
  paintField(f, {centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach}, Blend::Over,
             [&](float px, float py) { return std::hypot(px - c.x, py - c.y) - r; },
             [&](Vec2, float d) { return fillColour(fl, d); });
}

void body(Frame& f, const Path& outline, const Fill& inside, const Stroke& rim) {
  fill(f, outline, inside);
  stroke(f, outline, true, rim);
}

void glowDot(Frame& f, Vec2 centre, float radius, Colour colour, float alpha, Blend mode) {
  Vec2 c = f.toPixel(centre);
  float sigma = radius * f.scale;
  float reach = radius * 3.0f;
  paintField(f, {centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach}, mode,
             [&](float px, float py) { return std::hypot(px - c.x, py - c.y); },
             [&](Vec2, float d) {
               float t = d / sigma;
               return premul(colour, alpha * std::exp(-t * t));
             });
}

void radialDisc(Frame& f, Vec2 centre, float radius, Colour inner, Colour outer, float alphaInner, float alphaOuter) {
  Vec2 c = f.toPixel(centre);
  float r = radius * f.scale;
  float reach = radius + 1.0f;
  paintField(f, {centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach}, Blend::Over,
             [&](float px, float py) { return std::hypot(px - c.x, py - c.y); },
             [&](Vec2, float d) {
               float t = std::clamp(d / r, 0.0f, 1.0f);
               float cover = std::clamp(r + 0.5f - d, 0.0f, 1.0f);
               return premul(mix(inner, outer, t), (alphaInner + (alphaOuter - alphaInner) * t) * cover);
             });
}

}  // namespace assetgen
