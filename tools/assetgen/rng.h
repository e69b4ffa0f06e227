// A small deterministic random generator (PCG32). The standard library's
// distributions differ between implementations, so every random choice of
// the generator goes through this with a fixed seed.
#pragma once

#include <cstdint>

namespace assetgen {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(0) {
    next();
    state_ += seed;
    next();
  }

  uint32_t next() {
    uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
    uint32_t xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    uint32_t rot = static_cast<uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
  }

  // Uniform in [0, 1).
  float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
  float range(float lo, float hi) { return lo + (hi - lo) * unit(); }
  // Uniform integer in [lo, hi].
  int between(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint32_t>(hi - lo + 1)); }
  // Uniform in [-1, 1), for noise.
  float signedUnit() { return unit() * 2.0f - 1.0f; }

 private:
  uint64_t state_;
};

}  // namespace assetgen
