#include "gamedata/track_loop.h"

#include <cmath>

// Centripetal Catmull-Rom (knots spaced by the square root of the chord), which
// keeps to the control points without loops or cusps even where straights of
// few points meet corners of many.
static GdPoint catmull_rom(const GdPoint p[4], double f) {
  double knot[4] = {0, 0, 0, 0};
  for (int i = 1; i < 4; ++i)
    knot[i] = knot[i - 1] + std::sqrt(std::hypot(p[i].x - p[i - 1].x, p[i].z - p[i - 1].z));
  double t = knot[1] + f * (knot[2] - knot[1]);
  auto lerp = [&](GdPoint a, GdPoint b, double ta, double tb) {
    double w = (t - ta) / (tb - ta);
    return GdPoint{a.x + w * (b.x - a.x), a.z + w * (b.z - a.z)};
  };
  GdPoint a1 = lerp(p[0], p[1], knot[0], knot[1]);
  GdPoint a2 = lerp(p[1], p[2], knot[1], knot[2]);
  GdPoint a3 = lerp(p[2], p[3], knot[2], knot[3]);
  GdPoint b1 = lerp(a1, a2, knot[0], knot[2]);
  GdPoint b2 = lerp(a2, a3, knot[1], knot[3]);
  return lerp(b1, b2, knot[1], knot[2]);
}

bool gd_loop_build(GdLoop& loop, const GdPoint* controls, int count) {
  loop = GdLoop{};
  if (count < 3) return false;
  for (int i = 0; i < count; ++i) {
    GdPoint a = controls[i], b = controls[(i + 1) % count];
    if (std::hypot(b.x - a.x, b.z - a.z) < 1e-6) return false;
  }
  for (int i = 0; i < count; ++i) {
    GdPoint p[4] = {controls[(i + count - 1) % count], controls[i], controls[(i + 1) % count],
                    controls[(i + 2) % count]};
    for (int j = 0; j < GD_LOOP_STEPS; ++j) loop.points.push_back(catmull_rom(p, double(j) / GD_LOOP_STEPS));
  }
  size_t n = loop.points.size();
  loop.along.resize(n);
  double s = 0;
  for (size_t j = 0; j < n; ++j) {
    loop.along[j] = s;
    GdPoint a = loop.points[j], b = loop.points[(j + 1) % n];
    s += std::hypot(b.x - a.x, b.z - a.z);
  }
  loop.length = s;
  loop.controls = count;
  return true;
}

double gd_loop_wrap(const GdLoop& loop, double s) {
  double w = std::fmod(s, loop.length);
  return w < 0 ? w + loop.length : w;
}

double gd_loop_along(const GdLoop& loop, double t) {
  double steps = std::fmod(t, double(loop.controls)) * GD_LOOP_STEPS;
  if (steps < 0) steps += double(loop.controls) * GD_LOOP_STEPS;
  size_t n = loop.points.size();
  size_t j = size_t(steps) % n;
  double f = steps - std::floor(steps);
  double next = j + 1 < n ? loop.along[j + 1] : loop.length;
  return loop.along[j] + f * (next - loop.along[j]);
}

double gd_loop_lateral(GdPoint a, GdPoint b, GdPoint p) {
  double dx = b.x - a.x, dz = b.z - a.z;
  double len = std::hypot(dx, dz);
  if (len == 0) return std::hypot(p.x - a.x, p.z - a.z);
  return (dx * (p.z - a.z) - dz * (p.x - a.x)) / len;
}

double gd_loop_turn(const GdLoop& loop, double s) {
  size_t n = loop.points.size();
  // The vertex at or before s, then the heading change over a few vertices
  // either side so that one short segment does not decide the sign.
  size_t lo = 0, hi = n;
  double w = gd_loop_wrap(loop, s);
  while (hi - lo > 1) {
    size_t mid = (lo + hi) / 2;
    (loop.along[mid] <= w ? lo : hi) = mid;
  }
  const size_t reach = GD_LOOP_STEPS / 8;
  GdPoint a = loop.points[(lo + n - reach) % n], b = loop.points[lo], c = loop.points[(lo + reach) % n];
  double d1x = b.x - a.x, d1z = b.z - a.z, d2x = c.x - b.x, d2z = c.z - b.z;
  return d1x * d2z - d1z * d2x;
}
