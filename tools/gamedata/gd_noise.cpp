#include "gamedata/gd_noise.h"

#include <cmath>
#include <initializer_list>

uint32_t gd_hash(int32_t a, int32_t b, int32_t c, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u + 0x7F4A7C15u;
  for (uint32_t v : {uint32_t(a), uint32_t(b), uint32_t(c)}) {
    h ^= v + 0x9E3779B9u + (h << 6) + (h >> 2);
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
  }
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

double gd_hash01(int32_t a, int32_t b, int32_t c, uint32_t seed) {
  return double(gd_hash(a, b, c, seed) >> 8) / 16777216.0;
}

static int wrap(int i, int period) {
  int m = i % period;
  return m < 0 ? m + period : m;
}

double gd_noise(double x, double y, int period_x, int period_y, uint32_t seed) {
  if (period_x < 1) period_x = 1;
  if (period_y < 1) period_y = 1;
  double fx = std::floor(x), fy = std::floor(y);
  int ix = int(fx), iy = int(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  int x0 = wrap(ix, period_x), x1 = wrap(ix + 1, period_x);
  int y0 = wrap(iy, period_y), y1 = wrap(iy + 1, period_y);
  double a = gd_hash01(x0, y0, 0, seed), b = gd_hash01(x1, y0, 0, seed);
  double c = gd_hash01(x0, y1, 0, seed), d = gd_hash01(x1, y1, 0, seed);
  double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

double gd_fbm(double u, double v, int cells, int octaves, uint32_t seed) {
  double sum = 0, weight = 1, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * gd_noise(u * cells, v * cells, cells, cells, seed + uint32_t(o) * 101u);
    total += weight;
    weight *= 0.5;
    cells *= 2;
  }
  return total > 0 ? sum / total : 0;
}

uint64_t gd_random_next(GdRandom& r) {
  uint64_t z = (r.state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double gd_random01(GdRandom& r) { return double(gd_random_next(r) >> 11) / 9007199254740992.0; }

double gd_random_range(GdRandom& r, double lo, double hi) { return lo + (hi - lo) * gd_random01(r); }

double gd_smoothstep(double edge0, double edge1, double x) {
  double t = edge1 == edge0 ? (x >= edge1 ? 1.0 : 0.0) : (x - edge0) / (edge1 - edge0);
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return t * t * (3 - 2 * t);
}
