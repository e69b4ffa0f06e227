// Small helpers and values that many game files share: the current virtual
// screen size, clamping, full colour, the input kinds, the sound setting's
// values and the star count of a new field, with the game's trigonometry from
// game/trig.h. Relies on the game module's screen globals declared in game/app.h.
#pragma once

#include <cmath>

#include "game/app.h"
#include "game/trig.h"

constexpr float kFullTurn = 360;            // degrees
constexpr float kWhite = 255.0f;            // a colour component at full strength

// Values of m_inputKind: what the player last used.
constexpr int kInputKindKeyboard = 0;
constexpr int kInputKindJoypad = 1;
constexpr int kInputKindTouch = 2;

// Values of the sound setting.
constexpr int kSoundOff = 0;
constexpr int kSoundAll = 1;
constexpr int kSoundEffectsOnly = 2;
constexpr int kSoundMusicOnly = 3;

constexpr int kStartStars = 50;  // stars of the field at the start and after a round

// The current virtual screen, recomputed by every render.
inline float W() { return vx_Velmar_jscrw; }
inline float H() { return vx_Velmar_jscrh; }

inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
