// The framework's random generator: a 32-bit linear congruential state in
// vx_random_Seed, read as 24-bit fractions. The game seeds it from the host
// clock (p_SeedRnd) and draws integers in a range (p_Rand).
#include <cmath>
#include <cstdint>

#include "game/app.h"
#include "host/app.h"

int vx_random_Seed = kRandomStartSeed;

namespace {
constexpr uint32_t kLcgMultiplier = 1664525u;
constexpr uint32_t kLcgIncrement = 1013904223u;
constexpr int kFractionShift = 8;                 // keep the top 24 bits
constexpr float kFractionScale = 1.0f / 16777216.0f;  // 2^-24
constexpr float kRangeWiden = 0.99f;              // makes the upper bound reachable
constexpr int kSeedWarmUpSteps = 21;
}  // namespace

// Steps the state, then yields a fraction in [0, 1).
float vx_random_Rnd() {
  uint32_t s = static_cast<uint32_t>(vx_random_Seed) * kLcgMultiplier + kLcgIncrement;
  vx_random_Seed = static_cast<int>(s);
  return static_cast<float>(s >> kFractionShift) * kFractionScale;
}

// Sets the state (from the clock for kSeedFromClock) and warms it up.
void c_MyApp::p_SeedRnd(int seed) {
  vx_random_Seed = seed == kSeedFromClock ? vx_app_Millisecs() : seed;
  for (int i = 0; i < kSeedWarmUpSteps; ++i) vx_random_Rnd();
}

// An integer in low..high, each value about equally likely.
int c_MyApp::p_Rand(float low, float high) {
  float r = vx_random_Rnd();
  return static_cast<int>(std::floor(r * (high + kRangeWiden - low) + low));
}
