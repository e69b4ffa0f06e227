// The game's own sine, cosine and arc tangent: next to exact over every
// angle and velocity a round reaches, C's answers for signed zeros,
// infinities and NaNs, and fixed bits where a slightly different evaluation
// rounds the other way, since replays depend on every bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "game/trig.h"

namespace {

// The nearest float, or either neighbour when the exact value is within this
// part of an ulp of the midpoint between them: stricter than the promised ulp.
constexpr long double kMaxErrorUlps = 0.5L + 0x1p-24L;
constexpr int kFloatPrecision = 24;  // bits in a float's significand
constexpr int kFloatMinExponent = -126;

// Turned by at most 5 degrees an update, a facing stops growing at 2^27
// degrees, where 5 is under half the spacing of floats.
constexpr float kLargestAngle = 0x1p27f * kDegToRad;
constexpr float kSatelliteAngles = 23040 * kDegToRad;  // phases reach 4 * 5760 degrees
constexpr int kDenseSteps = 1 << 20;
constexpr double kSweepRatio = 1.0001;  // between neighbouring sweep angles
constexpr float kSmallestSweptAngle = 0x1p-20f;
// Velocity components swept for the arc tangent, in geometric steps.
constexpr float kFastestComponent = 64;
constexpr float kSlowestComponent = 0x1p-24f;
constexpr double kComponentRatio = 1.04;
constexpr float kUnitCircleSlack = 1e-6f;

long double ErrorInUlps(float got, long double exact) {
  int exponent = exact == 0 ? kFloatMinExponent : std::max(std::ilogb(exact), kFloatMinExponent);
  return std::fabs(static_cast<long double>(got) - exact) / std::ldexp(1.0L, exponent - (kFloatPrecision - 1));
}

uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }

TEST(Trigonometry, SineAndCosineAreNextToExactOverEveryAngleTheGameReaches) {
  // A dense run over the satellites' range, then a geometric one out to the
  // largest facing, both signs.
  std::vector<float> angles;
  for (int i = -kDenseSteps; i <= kDenseSteps; ++i)
    angles.push_back(static_cast<float>(static_cast<double>(kSatelliteAngles) * i / kDenseSteps));
  for (double a = kSmallestSweptAngle; a <= kLargestAngle; a *= kSweepRatio) {
    angles.push_back(static_cast<float>(a));
    angles.push_back(static_cast<float>(-a));
  }
  for (float x : angles) {
    ASSERT_LE(ErrorInUlps(Sin(x), std::sin(static_cast<long double>(x))), kMaxErrorUlps) << "sine at " << x;
    ASSERT_LE(ErrorInUlps(Cos(x), std::cos(static_cast<long double>(x))), kMaxErrorUlps) << "cosine at " << x;
  }
}

TEST(Trigonometry, ArcTangentIsNextToExactOverShipVelocities) {
  std::vector<float> components = {0};
  for (double v = kSlowestComponent; v <= kFastestComponent; v *= kComponentRatio) {
    components.push_back(static_cast<float>(v));
    components.push_back(static_cast<float>(-v));
  }
  for (float y : components)
    for (float x : components)
      ASSERT_LE(ErrorInUlps(Atan2(y, x), std::atan2(static_cast<long double>(y), static_cast<long double>(x))),
                kMaxErrorUlps)
          << "at (" << y << ", " << x << ")";
}

// C defines these exactly, so every library agrees. A ship at rest asks for
// the heading of (0, -0), which is pi.
TEST(Trigonometry, SignedZerosInfinitiesAndNaNsGiveWhatCDefines) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float specials[] = {0.0f, -0.0f, 1.0f, -1.0f, kInf, -kInf};
  for (float y : specials)
    for (float x : specials) EXPECT_EQ(Bits(Atan2(y, x)), Bits(std::atan2(y, x))) << "(" << y << ", " << x << ")";
  EXPECT_EQ(Bits(Sin(-0.0f)), Bits(-0.0f));
  EXPECT_EQ(Cos(-0.0f), 1.0f);
  EXPECT_TRUE(std::isnan(Sin(kInf)));
  EXPECT_TRUE(std::isnan(Cos(-kInf)));
  EXPECT_TRUE(std::isnan(Atan2(std::nanf(""), 1.0f)));
}

// Far past any angle the game reaches the answers are no longer near the true
// ones, but they are still the sine and cosine of one angle.
TEST(Trigonometry, HugeAnglesStillGiveAPointOnTheUnitCircle) {
  for (float x : {1e12f, -1e20f, std::numeric_limits<float>::max()}) {
    float s = Sin(x), c = Cos(x);
    EXPECT_NEAR(s * s + c * c, 1.0f, kUnitCircleSlack) << x;
  }
}

// Each of these but the ship's start facing and its reverse, which every
// round goes through, lies so near a midpoint between two floats (some within
// a double's last bit or two) that a small change in how it is worked out
// rounds it the other way, as glibc's float functions do for eight of them.
// The large angles check the reduction as well.
TEST(Trigonometry, ResultsNearARoundingTieKeepTheirBits) {
  struct Pinned {
    float (*f)(float);
    float x;
    uint32_t bits;
  };
  const Pinned angles[] = {
      {SinDeg, 142.45961f, 0x3f1bfc6f}, {Sin, 241.679245f, 0x3e62da56},    {Sin, 106.135071f, 0xbf20c9a7},
      {Sin, 949433.688f, 0x3ec9df85},   {SinDeg, 59409560.0f, 0xbeb31ec5}, {CosDeg, 2629.21143f, 0xbea87a07},
      {Cos, 49.8914108f, 0x3f6e4c01},   {Cos, 1103357.75f, 0x3f090d16},    {Cos, 2127657.0f, 0x3f30b318},
      {CosDeg, 90, 0xb33bbd2e},         {SinDeg, 180, 0xb3bbbd2e},
  };
  for (const Pinned& p : angles) EXPECT_EQ(Bits(p.f(p.x)), p.bits) << p.x;
  EXPECT_EQ(Bits(Atan2(0.300363779f, -0.0332745388f)), 0x3fd72f2eu);
  EXPECT_EQ(Bits(Atan2(0.00269303331f, -1.39999998f)), 0x4048f056u);
  EXPECT_EQ(Bits(Atan2(0.0811882466f, -0.0812549591f)), 0x4016d29eu);
  EXPECT_EQ(Bits(Atan2(5.87329531f, 6.09993744f)), 0x3f443777u);
  EXPECT_EQ(Bits(Atan2(-0.16625829f, 0.19657746f)), 0xbf33b840u);
}

}  // namespace
