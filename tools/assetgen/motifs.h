// Motifs that recur across image families, so the ship on a life icon is the
// ship of the play field and a gear is the same gear everywhere.
#pragma once

#include "canvas.h"
#include "geometry.h"
#include "rng.h"

namespace assetgen {

// A lumpy rock outline around `centre`: `corners` points at `radius`
// varied by up to `roughness` (a fraction of the radius).
Path rockOutline(Rng& rng, Vec2 centre, float radius, int corners, float roughness);

// The player's ship pointing up, `length` design units from nose to tail.
Path shipOutline(Vec2 centre, float length);

// A toothed wheel: `teeth` teeth between the two radii.
Path gearOutline(Vec2 centre, float outerRadius, float innerRadius, int teeth, float startDegrees = 0);

// The player's ship as drawn on the field: dark body, neon rim, cockpit line.
void drawShip(Frame& f, Vec2 centre, float length, Colour colour, float lineWidth, float glow);

// A rock as drawn on the field: sooty body, glowing rim, faint facet ridges.
void drawRock(Frame& f, Rng& rng, Vec2 centre, float radius, Colour colour, float lineWidth);

// The three satellite layers (0 outer arcs, 1 panels, 2 core) at `radius`.
void drawSatelliteLayer(Frame& f, int layer, Vec2 centre, float radius, float turnDegrees = 0);

}  // namespace assetgen
