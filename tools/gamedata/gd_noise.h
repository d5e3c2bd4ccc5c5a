// Deterministic noise and random numbers for generated art and placement.
// Nothing here reads the clock or a global state: the same seed always gives
// the same picture and the same scenery.
#pragma once
#include <cstdint>

// A well-mixed 32-bit hash of three integers and a seed.
uint32_t gd_hash(int32_t a, int32_t b, int32_t c, uint32_t seed);
// The hash as a number in [0, 1).
double gd_hash01(int32_t a, int32_t b, int32_t c, uint32_t seed);

// Smooth value noise in [0, 1) that repeats after period_x lattice cells
// along x and period_y along y; x and y are in lattice cells.
double gd_noise(double x, double y, int period_x, int period_y, uint32_t seed);
// Fractal noise over a tile: u and v in tiles (the pattern repeats every
// whole tile), the first octave with `cells` lattice cells per tile, each
// further octave with twice as many at half the weight. Result in [0, 1).
double gd_fbm(double u, double v, int cells, int octaves, uint32_t seed);

// A small random number stream (SplitMix64).
struct GdRandom {
  uint64_t state;  // advanced by every draw
};

uint64_t gd_random_next(GdRandom& r);
// Uniform in [0, 1).
double gd_random01(GdRandom& r);
// Uniform in [lo, hi).
double gd_random_range(GdRandom& r, double lo, double hi);

// 3t^2 - 2t^3 of t clamped to [0, 1] after mapping [edge0, edge1] onto it.
double gd_smoothstep(double edge0, double edge1, double x);
