// Lookups on the friction and rolling-resistance curves of a surface.
#include "track/surface.h"

// Where a lookup falls on a curve: a single entry (hi < 0) or the segment
// from lo to hi.
struct CurveSpot {
  int lo;  // entry whose value holds, or the segment's start
  int hi;  // segment end, or -1 for a single entry
};

// The segment rule shared by both curves; keys are in ascending order.
template <typename Point, typename Unused>
static CurveSpot curve_find(const Point (&curve)[SURFACE_CURVE_POINTS], float lookup, Unused unused) {
  if (unused(curve[0]) || !(lookup >= curve[0].key)) return {0, -1};  // also a NaN lookup
  for (int i = 1; i < SURFACE_CURVE_POINTS; ++i) {
    if (unused(curve[i])) return {i - 1, -1};
    if (curve[i].key > lookup) return {i - 1, i};
  }
  return {SURFACE_CURVE_POINTS - 1, -1};
}

// Sign-keeping square, so that squared keys keep their order.
static double curve_square(double x) { return x < 0 ? -x * x : x * x; }

// Share of the way from key a to key b at x, 0..1.
static double curve_share(double a, double b, double x, bool squared) {
  if (squared) {
    a = curve_square(a);
    b = curve_square(b);
    x = curve_square(x);
  }
  double span = b - a;
  if (!(span > 0)) return 1.0;
  double t = (x - a) / span;
  return t < 0 ? 0.0 : t > 1 ? 1.0 : t;
}

float friction_curve_value(const FrictionPoint (&curve)[SURFACE_CURVE_POINTS], float lookup, bool squared) {
  CurveSpot spot = curve_find(curve, lookup, [](const FrictionPoint& p) { return p.key == SURFACE_FRICTION_UNUSED_KEY; });
  const FrictionPoint& a = curve[spot.lo];
  if (spot.hi < 0) return a.value;
  const FrictionPoint& b = curve[spot.hi];
  double t = curve_share(a.key, b.key, lookup, squared);
  return float(a.value + (double(b.value) - a.value) * t);
}

float surface_friction(const Surface& surface, float lookup) {
  return friction_curve_value(surface.friction, lookup, surface.slip_function == 0);
}

RollResistPair roll_resist_curve_value(const RollResistPoint (&curve)[SURFACE_CURVE_POINTS], float speed) {
  CurveSpot spot = curve_find(curve, speed, [](const RollResistPoint& p) { return p.key == 0.0f; });
  const RollResistPoint& a = curve[spot.lo];
  if (spot.hi < 0) return {a.first, a.second};
  const RollResistPoint& b = curve[spot.hi];
  double t = curve_share(a.key, b.key, speed, false);
  return {float(a.first + (double(b.first) - a.first) * t), float(a.second + (double(b.second) - a.second) * t)};
}

RollResistPair surface_roll_resist(const Surface& surface, float speed) {
  return roll_resist_curve_value(surface.roll_resist, speed);
}
