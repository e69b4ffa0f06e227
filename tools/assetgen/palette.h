// The art direction in one place: neon vector lines glowing on the game's
// dark blue field (clear colour 0, 10, 20). Hazards are warm, the player and
// the interface cool; anything the game tints at run time is drawn white.
#pragma once

#include "paint.h"

namespace assetgen {

inline constexpr Colour kWhite{1.0f, 1.0f, 1.0f};
inline constexpr Colour kIce{0.78f, 0.92f, 1.0f};        // white with a cool cast, for tintable art
inline constexpr Colour kCyan{0.25f, 0.9f, 1.0f};        // the interface
inline constexpr Colour kMint{0.35f, 1.0f, 0.75f};       // the player's ship
inline constexpr Colour kSkyBlue{0.3f, 0.55f, 1.0f};
inline constexpr Colour kMagenta{1.0f, 0.3f, 0.85f};     // satellites
inline constexpr Colour kViolet{0.62f, 0.4f, 1.0f};
inline constexpr Colour kAmber{1.0f, 0.62f, 0.22f};      // rocks
inline constexpr Colour kEmber{1.0f, 0.38f, 0.18f};
inline constexpr Colour kGold{1.0f, 0.85f, 0.3f};        // the pickup and rewards
inline constexpr Colour kLime{0.6f, 1.0f, 0.3f};
inline constexpr Colour kRed{1.0f, 0.25f, 0.3f};
inline constexpr Colour kNight{0.03f, 0.07f, 0.16f};     // dark bodies inside outlines
inline constexpr Colour kSoot{0.12f, 0.06f, 0.05f};      // the inside of rocks

// The standard neon line: `width` design units of solid core with a halo.
inline Stroke neon(Colour c, float width = 1.5f, float glow = 1.6f, float glowAlpha = 0.5f) {
  Stroke s;
  s.colour = c;
  s.width = width;
  s.glow = glow;
  s.glowAlpha = glowAlpha;
  return s;
}

// A thin line without a halo, for fine detail.
inline Stroke hairline(Colour c, float width = 1.0f, float alpha = 1.0f) {
  Stroke s;
  s.colour = c;
  s.width = width;
  s.glow = 0;
  s.hot = 0.2f;
  s.alpha = alpha;
  return s;
}

}  // namespace assetgen
