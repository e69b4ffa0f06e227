// The framework's random generator: the state steps as
// seed * 1664525 + 1013904223 (mod 2^32) and each draw keeps its top 24 bits.
// An integer range is mapped with 64-bit integer arithmetic from one draw,
// or from two when it is wider than one draw's 2^24 values, so every value
// of any int range stays reachable.
#include "runtime/random.h"

#include <cstdint>

int vx_random_Seed = kRandomStartSeed;

namespace {
constexpr uint32_t kLcgMultiplier = 1664525u;
constexpr uint32_t kLcgIncrement = 1013904223u;
constexpr int kFractionBits = 24;
constexpr int kFractionShift = 32 - kFractionBits;    // keep the top 24 bits
constexpr float kFractionScale = 1.0f / 16777216.0f;  // 2^-24

// Steps the state and returns its top 24 bits.
uint32_t NextBits() {
  uint32_t s = static_cast<uint32_t>(vx_random_Seed) * kLcgMultiplier + kLcgIncrement;
  vx_random_Seed = static_cast<int>(s);
  return s >> kFractionShift;
}
}  // namespace

void vx_random_SetSeed(int seed) { vx_random_Seed = seed; }

int vx_random_GetSeed() { return vx_random_Seed; }

float vx_random_Rnd() { return static_cast<float>(NextBits()) * kFractionScale; }

float vx_random_RndRange(float low, float high) { return low + vx_random_Rnd() * (high - low); }

int vx_random_RandInt(int low, int high) {
  if (high < low) {
    int t = low;
    low = high;
    high = t;
  }
  int64_t span = static_cast<int64_t>(high) - low + 1;
  int64_t scaled = static_cast<int64_t>(NextBits()) * span;
  if (span > (int64_t{1} << kFractionBits)) scaled += static_cast<int64_t>(NextBits()) * span >> kFractionBits;
  return static_cast<int>(low + (scaled >> kFractionBits));
}
