// The game's use of the framework's random generator (runtime/random.h): it
// seeds it from the host clock (p_SeedRnd) and draws integers in a range
// (p_Rand) with its own rounding, which its replays depend on.
#include <cmath>

#include "game/app.h"
#include "host/app.h"

namespace {
constexpr float kRangeWiden = 0.99f;  // makes the upper bound reachable
constexpr int kSeedWarmUpSteps = 21;
}  // namespace

// Sets the state (from the clock for kSeedFromClock) and warms it up.
void c_MyApp::p_SeedRnd(int seed) {
  vx_random_SetSeed(seed == kSeedFromClock ? vx_app_Millisecs() : seed);
  for (int i = 0; i < kSeedWarmUpSteps; ++i) vx_random_Rnd();
}

// An integer in low..high, the top value a little less likely than the rest.
int c_MyApp::p_Rand(float low, float high) {
  float r = vx_random_Rnd();
  return static_cast<int>(std::floor(r * (high + kRangeWiden - low) + low));
}
