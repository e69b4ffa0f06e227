// Sine, cosine and arc tangent worked in double from operations IEEE 754
// rounds exactly, then rounded to float once: the same bits on every
// platform, and nearly always the correctly rounded float. Sine and cosine
// take off the nearest multiple of pi/2 in exact steps and finish with a
// short Taylor series; the arc tangent halves its angle until its series is short.
#include "game/trig.h"

#include <cmath>

namespace {

// pi/2 in pieces of at most 24 bits, each starting where the one before
// ends: for a float x and a multiple k of pi/2 with |k| up to 2^29, k times
// each of the first three pieces is exact, and so is taking the first two
// off x, so the reduced angle is accurate to the double's last bits even
// when it is tiny.
constexpr double kHalfPi1 = 0x1.921fb4p+0;
constexpr double kHalfPi2 = 0x1.4442dp-24;
constexpr double kHalfPi3 = 0x1.846988p-48;
constexpr double kHalfPi4 = 0x1.8cc51701b839ap-72;  // the rest, rounded
constexpr double kHalfPi = 0x1.921fb54442d18p+0;
constexpr double kPi = 2 * kHalfPi;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kExactQuarterTurns = 0x1p29;  // the reduction is exact below this many
constexpr int kQuadrants = 4;                  // quarter turns in a turn
// sin(r + q pi/2) is, by quadrant q: sin r, cos r, -sin r, -cos r.
constexpr double kQuadrantSign[kQuadrants] = {1, 1, -1, -1};

// Below this size a float angle's sine rounds to the angle itself and its
// cosine to 1: the terms left out are under half a float's last bit.
constexpr float kTinyAngle = 0x1p-12f;

// 1/n!, exact before the division for every n used here (n! < 2^53).
constexpr double InverseFactorial(int n) {
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return 1 / f;
}

constexpr int kSeriesTerms = 8;

// Taylor terms after the first, for an angle within pi/4 of zero: the first
// term left out is under 2^-58 of the result.
constexpr double kSinTerms[kSeriesTerms] = {-InverseFactorial(3),  InverseFactorial(5),   -InverseFactorial(7),
                                            InverseFactorial(9),   -InverseFactorial(11), InverseFactorial(13),
                                            -InverseFactorial(15), InverseFactorial(17)};
constexpr double kCosTerms[kSeriesTerms] = {-InverseFactorial(2),  InverseFactorial(4),   -InverseFactorial(6),
                                            InverseFactorial(8),   -InverseFactorial(10), InverseFactorial(12),
                                            -InverseFactorial(14), InverseFactorial(16)};

// The arc tangent halves its angle this often, which leaves its tangent under
// tan(pi/32) < 0.1, where the terms -u^3/3, u^5/5, ... of its series shrink
// a hundredfold each and eight of them reach past a double's precision.
constexpr int kAtanHalvings = 3;
constexpr double kAtanUndo = 1 << kAtanHalvings;
constexpr double kAtanTerms[kSeriesTerms] = {-1.0 / 3,  1.0 / 5,  -1.0 / 7,  1.0 / 9,
                                             -1.0 / 11, 1.0 / 13, -1.0 / 15, 1.0 / 17};

// The sum of t[i] v^i, for v the square of the angle or tangent, in pairs
// that do not wait on each other.
double Series(const double (&t)[kSeriesTerms], double v) {
  double v2 = v * v, v4 = v2 * v2;
  return (t[0] + t[1] * v) + v2 * (t[2] + t[3] * v) + v4 * ((t[4] + t[5] * v) + v2 * (t[6] + t[7] * v));
}

double SinNearZero(double r) {
  double r2 = r * r;
  return r + r * r2 * Series(kSinTerms, r2);
}

double CosNearZero(double r) {
  double r2 = r * r;
  return 1 + r2 * Series(kCosTerms, r2);
}

// sin(x + turns * pi/2) for a finite x.
float SinQuarterTurnsOn(float radians, int turns) {
  double x = radians;
  // Past kExactQuarterTurns the steps below are no longer exact, so whole turns
  // of the double nearest 2 pi come off first: the answer is then no longer
  // near the true one, but it stays a sine.
  if (std::fabs(x * kTwoOverPi) >= kExactQuarterTurns) x = std::fmod(x, 2 * kPi);
  double k = std::floor(x * kTwoOverPi + 0.5);
  double r = x - k * kHalfPi1;
  r -= k * kHalfPi2;
  r -= k * kHalfPi3;
  r -= k * kHalfPi4;
  int quadrant = (static_cast<int>(k) + turns) & (kQuadrants - 1);  // k modulo 4, for negative k too
  // Both series and a pick by table: a branch on the quadrant would be a
  // coin toss to the processor, dearer than working out the second series.
  const double nearZero[] = {SinNearZero(r), CosNearZero(r)};
  return static_cast<float>(kQuadrantSign[quadrant] * nearZero[quadrant % 2]);
}

// atan t for t in 0..1, by tan(a/2) = tan a / (1 + sqrt(1 + tan^2 a)).
double AtanUnit(double t) {
  for (int i = 0; i < kAtanHalvings; ++i) t = t / (1 + std::sqrt(1 + t * t));
  double t2 = t * t;
  return kAtanUndo * (t + t * t2 * Series(kAtanTerms, t2));
}

}  // namespace

float Sin(float radians) {
  if (std::fabs(radians) < kTinyAngle) return radians;  // keeps the sign of a zero
  if (!std::isfinite(radians)) return radians - radians;
  return SinQuarterTurnsOn(radians, 0);
}

float Cos(float radians) {
  if (std::fabs(radians) < kTinyAngle) return 1;
  if (!std::isfinite(radians)) return radians - radians;
  return SinQuarterTurnsOn(radians, 1);
}

// Folds (x, y) into the first octant, then unfolds the angle found there.
float Atan2(float y, float x) {
  if (std::isnan(x) || std::isnan(y)) return x + y;
  if (y == 0) return std::signbit(x) ? static_cast<float>(std::copysign(kPi, y)) : y;
  double ax = std::fabs(x), ay = std::fabs(y);
  if (std::isinf(ax) && std::isinf(ay)) ax = ay = 1;  // the diagonals
  double a = ay > ax ? kHalfPi - AtanUnit(ax / ay) : AtanUnit(ay / ax);
  if (std::signbit(x)) a = kPi - a;
  return static_cast<float>(std::copysign(a, static_cast<double>(y)));
}
