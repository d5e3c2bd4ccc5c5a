#include "track/surface.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A friction curve from (value, key) points; the rest unused.
Surface friction_surface(std::initializer_list<FrictionPoint> points, int slip_function = 1) {
  Surface s;
  for (int i = 0; i < SURFACE_CURVE_POINTS; ++i) s.friction[i] = FrictionPoint{};
  int i = 0;
  for (const FrictionPoint& p : points) s.friction[i++] = p;
  s.slip_function = slip_function;
  return s;
}

}  // namespace

TEST(SurfaceCurves, FrictionAtTheEndsAndBetweenPoints) {
  const Surface two = friction_surface({{1.2f, 0.0f}, {0.8f, 10.0f}});
  Surface eight = friction_surface({});
  for (int i = 0; i < 8; ++i) eight.friction[i] = {float(i), float(10 * i)};
  const Surface first_unused = friction_surface({{0.7f, SURFACE_FRICTION_UNUSED_KEY}});
  const Surface around_zero = friction_surface({{0.5f, -10.0f}, {1.5f, 10.0f}});
  const Surface starts_late = friction_surface({{0.3f, 4.0f}, {0.9f, 8.0f}});

  struct Case {
    const char* what;
    const Surface* surface;
    float lookup;
    bool squared;
    float want;
  };
  const Case cases[] = {
      {"on squared speeds between two points", &two, 5, true, 1.1f},
      {"linear between two points", &two, 5, false, 1.0f},
      {"at the first key", &two, 0, true, 1.2f},
      {"below the first key", &starts_late, 1, false, 0.3f},
      {"at the last used key", &two, 10, false, 0.8f},
      {"past the last used point", &two, 1000, true, 0.8f},
      {"at an inner key", &eight, 30, false, 3.0f},
      {"linear in the last segment", &eight, 65, false, 6.5f},
      {"squared in the last segment", &eight, 65, true, 6.0f + 625.0f / 1300.0f},
      {"at the eighth key", &eight, 70, false, 7.0f},
      {"beyond the eighth key", &eight, 1e6f, true, 7.0f},
      {"an unused first entry holds everywhere", &first_unused, 3, true, 0.7f},
      {"negative keys for projected slip", &around_zero, 0, false, 1.0f},
      {"negative keys stay in order when squared", &around_zero, 0, true, 1.0f},
      {"a NaN lookup gives the first value", &two, std::nanf(""), true, 1.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_NEAR(friction_curve_value(c.surface->friction, c.lookup, c.squared), c.want, 1e-6f);
  }
  // The slip function chooses squared (0) or linear (1, 2) interpolation.
  Surface s0 = friction_surface({{1.2f, 0.0f}, {0.8f, 10.0f}}, 0);
  Surface s2 = friction_surface({{1.2f, 0.0f}, {0.8f, 10.0f}}, 2);
  EXPECT_NEAR(surface_friction(s0, 5), 1.1f, 1e-6f);
  EXPECT_NEAR(surface_friction(s2, 5), 1.0f, 1e-6f);
  EXPECT_EQ(surface_friction(Surface{}, 123), 1.0f);  // the default curve is constant 1
}

TEST(SurfaceCurves, RollResistanceAtTheEndsAndBetweenPoints) {
  Surface only;
  only.roll_resist[0] = {2, 6, 20};
  for (float speed : {0.0f, 20.0f, 100.0f}) {
    RollResistPair p = surface_roll_resist(only, speed);
    EXPECT_EQ(p.first, 2.0f);
    EXPECT_EQ(p.second, 6.0f);
  }
  Surface two;
  two.roll_resist[0] = {1, 2, 10};
  two.roll_resist[1] = {3, 6, 20};
  struct Case {
    float speed, first, second;
  };
  for (const Case& c : {Case{5, 1, 2}, Case{10, 1, 2}, Case{15, 2, 4}, Case{17.5f, 2.5f, 5}, Case{20, 3, 6}, Case{90, 3, 6}}) {
    SCOPED_TRACE(c.speed);
    RollResistPair p = surface_roll_resist(two, c.speed);
    EXPECT_FLOAT_EQ(p.first, c.first);
    EXPECT_FLOAT_EQ(p.second, c.second);
  }
  Surface full;
  for (int i = 0; i < 8; ++i) full.roll_resist[i] = {float(i), float(2 * i), float(i + 1)};
  EXPECT_EQ(surface_roll_resist(full, 50).second, 14.0f);
  EXPECT_FLOAT_EQ(surface_roll_resist(full, 7.25f).first, 6.25f);
  RollResistPair d = surface_roll_resist(Surface{}, 3);
  EXPECT_EQ(d.first, 5.0f);
  EXPECT_EQ(d.second, 15.0f);
}
