// The framework's random numbers: one seedable generator, a 32-bit linear
// congruential state stepped before every draw and read as 24-bit fractions.
// Integer arithmetic and single floats only, so a seed gives the same numbers
// on every target and a replay that sets the seed draws what it drew before.
#pragma once

// The state at start; setting it back replays the same numbers.
constexpr int kRandomStartSeed = 1234;
extern int vx_random_Seed;

// Sets the state; nearby seeds give unlike numbers only after a few draws.
void vx_random_SetSeed(int seed);
// The state now: a seed that continues the sequence from here.
int vx_random_GetSeed();
// Steps the state and yields a 24-bit fraction in [0, 1).
float vx_random_Rnd();
// A float in [low, high) (in [high, low) when high is below low).
float vx_random_RndRange(float low, float high);
// An integer in low..high, both included, each about equally likely; the
// bounds may come in either order. Ranges wider than 2^24 values take two draws.
int vx_random_RandInt(int low, int high);
