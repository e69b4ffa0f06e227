// The framework's random generator: ranges hold their bounds whichever way
// round they come, the widest int range reaches both of its halves, and a
// seed taken back replays the same numbers.
#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "runtime/random.h"

namespace {

constexpr int kDraws = 10000;

TEST(Random, RangesHoldTheirBoundsAndASeedReplaysItsNumbers) {
  vx_random_SetSeed(kRandomStartSeed);
  std::set<int> seen;
  for (int i = 0; i < kDraws; ++i) {
    int forward = vx_random_RandInt(1, 6), backward = vx_random_RandInt(6, 1);
    ASSERT_TRUE(forward >= 1 && forward <= 6) << forward;
    ASSERT_TRUE(backward >= 1 && backward <= 6) << backward;
    seen.insert(forward);
    float f = vx_random_RndRange(-2.0f, 3.0f);
    ASSERT_TRUE(f >= -2.0f && f < 3.0f) << f;
  }
  EXPECT_EQ(seen.size(), 6u) << "both bounds are reachable";
  EXPECT_EQ(vx_random_RandInt(7, 7), 7);

  bool low = false, high = false;
  for (int i = 0; i < kDraws && !(low && high); ++i) {
    int v = vx_random_RandInt(INT_MIN, INT_MAX);
    (v < 0 ? low : high) = true;
  }
  EXPECT_TRUE(low && high) << "the full int range neither overflows nor sticks to one half";

  int seed = vx_random_GetSeed();
  float first = vx_random_Rnd();
  int second = vx_random_RandInt(0, 1 << 30);
  vx_random_SetSeed(seed);
  EXPECT_EQ(vx_random_Rnd(), first);
  EXPECT_EQ(vx_random_RandInt(0, 1 << 30), second);
}

}  // namespace
