// Geometry for the asset generator: 2-D points, polylines and the shape
// builders every image family uses (regular polygons, arcs, stars).
// Coordinates are "design units": pixels of the level-1 image.
#pragma once

#include <cmath>
#include <vector>

namespace assetgen {

constexpr float kPi = 3.14159265358979f;

struct Vec2 {
  float x = 0, y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Vec2 a) { return std::sqrt(dot(a, a)); }

using Path = std::vector<Vec2>;

// The point at `radius` from `centre` in direction `degrees` (0 up, 90 right),
// the game's own angle convention.
inline Vec2 polar(Vec2 centre, float radius, float degrees) {
  float a = degrees * kPi / 180.0f;
  return {centre.x + std::sin(a) * radius, centre.y - std::cos(a) * radius};
}

// Turns `p` about `centre` by `degrees` clockwise on screen.
inline Vec2 rotate(Vec2 p, Vec2 centre, float degrees) {
  float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
  Vec2 d = p - centre;
  return {centre.x + d.x * c - d.y * s, centre.y + d.x * s + d.y * c};
}

inline Path rotated(const Path& path, Vec2 centre, float degrees) {
  Path out;
  for (Vec2 p : path) out.push_back(rotate(p, centre, degrees));
  return out;
}

inline Path translated(const Path& path, Vec2 by) {
  Path out;
  for (Vec2 p : path) out.push_back(p + by);
  return out;
}

inline Path scaled(const Path& path, Vec2 centre, float factor) {
  Path out;
  for (Vec2 p : path) out.push_back(centre + (p - centre) * factor);
  return out;
}

// A regular polygon with `sides` corners, the first at `startDegrees`.
inline Path regularPolygon(Vec2 centre, float radius, int sides, float startDegrees = 0) {
  Path out;
  for (int i = 0; i < sides; ++i) out.push_back(polar(centre, radius, startDegrees + 360.0f * i / sides));
  return out;
}

// An open arc from `fromDegrees` to `toDegrees` in `steps` segments.
inline Path arc(Vec2 centre, float radius, float fromDegrees, float toDegrees, int steps) {
  Path out;
  for (int i = 0; i <= steps; ++i)
    out.push_back(polar(centre, radius, fromDegrees + (toDegrees - fromDegrees) * i / steps));
  return out;
}

// A star with `points` tips alternating between the two radii.
inline Path star(Vec2 centre, float outer, float inner, int points, float startDegrees = 0) {
  Path out;
  for (int i = 0; i < points * 2; ++i)
    out.push_back(polar(centre, (i % 2) ? inner : outer, startDegrees + 180.0f * i / points));
  return out;
}

// A rectangle with rounded corners as a closed outline.
inline Path roundedRect(float x, float y, float w, float h, float r, int cornerSteps = 6) {
  Path out;
  const Vec2 corners[4] = {{x + w - r, y + r}, {x + w - r, y + h - r}, {x + r, y + h - r}, {x + r, y + r}};
  for (int c = 0; c < 4; ++c) {
    Path a = arc(corners[c], r, c * 90.0f, c * 90.0f + 90.0f, cornerSteps);
    out.insert(out.end(), a.begin(), a.end());
  }
  return out;
}

// The stretches of a closed path whose points satisfy `keep`, each as an
// open path (for the part of an orbit that passes in front of a planet).
template <class Keep>
std::vector<Path> runsOf(const Path& loop, Keep keep) {
  size_t n = loop.size(), start = 0;
  while (start < n && keep(loop[start])) ++start;
  if (start == n) {
    Path whole = loop;
    whole.push_back(loop[0]);
    return {whole};
  }
  std::vector<Path> runs;
  Path run;
  for (size_t k = 1; k <= n; ++k) {
    Vec2 p = loop[(start + k) % n];
    if (keep(p)) {
      run.push_back(p);
    } else if (!run.empty()) {
      runs.push_back(run);
      run.clear();
    }
  }
  return runs;
}

}  // namespace assetgen
