// Shared motifs: rock, ship, gear and satellite drawings.
#include "motifs.h"

#include "palette.h"

namespace assetgen {

Path rockOutline(Rng& rng, Vec2 centre, float radius, int corners, float roughness) {
  // Angular and uneven like a chipped stone: random radii, one deep notch.
  float start = rng.range(0, 360);
  int notch = rng.between(0, corners - 1);
  Path out;
  for (int i = 0; i < corners; ++i) {
    float r = 1.0f + rng.signedUnit() * roughness;
    if (i == notch) r -= roughness * 1.4f;
    float a = start + 360.0f * (i + rng.range(-0.3f, 0.3f)) / corners;
    out.push_back(polar(centre, radius * r, a));
  }
  return out;
}

Path shipOutline(Vec2 c, float length) {
  float s = length / 28.0f;
  Path p = {{0, -14}, {3, -6}, {11, 9}, {11, 13}, {4, 9}, {0, 11}, {-4, 9}, {-11, 13}, {-11, 9}, {-3, -6}};
  for (Vec2& v : p) v = c + v * s;
  return p;
}

Path gearOutline(Vec2 centre, float outerRadius, float innerRadius, int teeth, float startDegrees) {
  Path out;
  float step = 360.0f / teeth;
  for (int i = 0; i < teeth; ++i) {
    float a = startDegrees + i * step;
    out.push_back(polar(centre, innerRadius, a - step * 0.30f));
    out.push_back(polar(centre, outerRadius, a - step * 0.17f));
    out.push_back(polar(centre, outerRadius, a + step * 0.17f));
    out.push_back(polar(centre, innerRadius, a + step * 0.30f));
  }
  return out;
}

void drawShip(Frame& f, Vec2 centre, float length, Colour colour, float lineWidth, float glow) {
  Path hull = shipOutline(centre, length);
  float s = length / 28.0f;
  body(f, hull, {kNight, 0.85f}, neon(colour, lineWidth, glow, 0.55f));
  // Cockpit: a short bright stroke behind the nose.
  stroke(f, {centre + Vec2{0, -7} * s, centre + Vec2{0, 1} * s}, false, neon(mix(colour, kWhite, 0.5f), lineWidth * 0.8f, glow * 0.6f));
}

void drawRock(Frame& f, Rng& rng, Vec2 centre, float radius, Colour colour, float lineWidth) {
  int corners = 9 + rng.between(0, 3);
  Path outline = rockOutline(rng, centre, radius, corners, 0.17f);
  // Body: dark, with a faint warm light from the upper left.
  PathField field(f, outline, true, 1.0f);
  Vec2 light = centre + Vec2{-radius * 0.5f, -radius * 0.5f};
  paintField(f, boundsOf(outline, 1), Blend::Over, field, [&](Vec2 p, float d) {
    float t = std::clamp(length(p - light) / (radius * 1.9f), 0.0f, 1.0f);
    Colour c = mix(mix(kSoot, colour, 0.32f), kSoot * 0.5f, t);
    return premul(c, 0.93f * std::clamp(0.5f - d, 0.0f, 1.0f));
  });
  // Facets: a ridge point off the centre joined to three rim corners gives
  // the stone a cut, three-dimensional look.
  Vec2 ridge = centre + Vec2{rng.signedUnit(), rng.signedUnit()} * (radius * 0.25f);
  int first = rng.between(0, corners - 1);
  for (int k = 0; k < 3; ++k) {
    Vec2 rim = outline[(first + k * corners / 3) % corners];
    stroke(f, {rim, ridge + (rim - ridge) * 0.08f}, false, hairline(colour, lineWidth * 0.6f, 0.45f));
  }
  stroke(f, outline, true, neon(colour, lineWidth, 1.3f, 0.45f));
}

void drawSatelliteLayer(Frame& f, int layer, Vec2 c, float radius, float turn) {
  float u = radius / 16.0f;
  if (layer == 0) {
    // Outer ring: three arcs with bright caps, turning slowest.
    for (int i = 0; i < 3; ++i) {
      float a = turn + i * 120.0f;
      stroke(f, arc(c, 14.3f * u, a + 10, a + 80, 16), false, neon(kMagenta, 1.7f * u, 1.4f * u, 0.5f));
      glowDot(f, polar(c, 14.3f * u, a + 10), 1.0f * u, kWhite, 0.9f);
      glowDot(f, polar(c, 14.3f * u, a + 80), 1.0f * u, kWhite, 0.9f);
    }
  } else if (layer == 1) {
    // Solar panels: two latticed wings on a strut, reaching the ring.
    stroke(f, {polar(c, 4.0f * u, turn + 90), polar(c, 4.0f * u, turn + 270)}, false, neon(kViolet, 1.2f * u, 0.8f * u));
    for (int side = 0; side < 2; ++side) {
      float a = turn + 90 + side * 180;
      Vec2 mid = polar(c, 8.6f * u, a);
      auto at = [&](float along, float across) { return rotate(mid + Vec2{across, -along} * u, mid, a); };
      Path wing = {at(-4.3f, -3.3f), at(4.3f, -3.3f), at(4.3f, 3.3f), at(-4.3f, 3.3f)};
      body(f, wing, {kViolet * 0.3f, 0.85f}, neon(kViolet, 1.2f * u, 1.1f * u, 0.5f));
      for (float along : {-1.45f, 1.45f}) stroke(f, {at(along, -3.3f), at(along, 3.3f)}, false, hairline(kSkyBlue, 0.7f * u, 0.9f));
      stroke(f, {at(-4.3f, 0), at(4.3f, 0)}, false, hairline(kSkyBlue, 0.7f * u, 0.9f));
    }
  } else {
    // Core: a hot diamond with one antenna, spinning fastest.
    Path core = regularPolygon(c, 5.0f * u, 4, turn);
    body(f, core, {kMagenta * 0.45f, 0.95f}, neon(mix(kMagenta, kWhite, 0.35f), 1.4f * u, 1.6f * u, 0.7f));
    stroke(f, {polar(c, 5.0f * u, turn), polar(c, 10.5f * u, turn)}, false, neon(kWhite, 1.0f * u, 0.9f * u));
    glowDot(f, polar(c, 10.5f * u, turn), 1.1f * u, kWhite, 1.0f);
    glowDot(f, c, 1.8f * u, kWhite, 0.95f);
  }
}

}  // namespace assetgen
