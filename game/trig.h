// Sine, cosine and arc tangent for everything that moves in the game. Every
// platform's math library rounds the last bit of these differently, and a
// recorded session must replay to the same state on all of them, so the game
// uses these instead: built only from + - * /, sqrt, floor and fmod, which
// IEEE 754 fixes exactly, and within an ulp of the true value.
#pragma once

constexpr float kDegToRad = 0.0174532924f;  // pi / 180 in single precision
constexpr float kRadToDeg = 57.2957795f;    // 180 / pi in single precision

// Sine and cosine of an angle in radians: within an ulp for |radians| up to
// about 8e8, far past any angle the game reaches; beyond, the same bits
// everywhere and within -1..1, but no longer near the true value.
float Sin(float radians);
float Cos(float radians);

// The angle of the point (x, y) from the positive x axis, in -pi..pi, with
// the signed zeros and infinities treated as C's atan2 treats them.
float Atan2(float y, float x);

// Sine and cosine of an angle in degrees, converted in single precision.
inline float SinDeg(float degrees) { return Sin(degrees * kDegToRad); }
inline float CosDeg(float degrees) { return Cos(degrees * kDegToRad); }
