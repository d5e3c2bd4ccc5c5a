#include "bike/tyre.h"
#include "bikerig/bike_rig.h"

#include "track/surface.h"
#include "track/terrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTic = 1.0 / 128;
constexpr double kR = TYRE_FRONT_RIM_RADIUS;
constexpr double kr = TYRE_SECTION_RADIUS;

TyreVec unit(TyreVec v) { return tyre_scale(v, 1 / std::sqrt(tyre_dot(v, v))); }
double len(TyreVec v) { return std::sqrt(tyre_dot(v, v)); }

// Closest point of a triangle to p (by regions of the triangle).
TyreVec closest_on_triangle(TyreVec p, TyreVec a, TyreVec b, TyreVec c) {
  TyreVec ab = tyre_sub(b, a), ac = tyre_sub(c, a), ap = tyre_sub(p, a);
  double d1 = tyre_dot(ab, ap), d2 = tyre_dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return a;
  TyreVec bp = tyre_sub(p, b);
  double d3 = tyre_dot(ab, bp), d4 = tyre_dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return b;
  double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return tyre_add(a, tyre_scale(ab, d1 / (d1 - d3)));
  TyreVec cp = tyre_sub(p, c);
  double d5 = tyre_dot(ab, cp), d6 = tyre_dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return c;
  double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return tyre_add(a, tyre_scale(ac, d2 / (d2 - d6)));
  double va = d3 * d6 - d5 * d4;
  if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
    return tyre_add(b, tyre_scale(tyre_sub(c, b), (d4 - d3) / ((d4 - d3) + (d5 - d6))));
  double denom = 1 / (va + vb + vc);
  return tyre_add(a, tyre_add(tyre_scale(ab, vb * denom), tyre_scale(ac, vc * denom)));
}

// Two unit vectors spanning the plane across the axle.
void wheel_frame(TyreVec axle, TyreVec& e1, TyreVec& e2) {
  TyreVec a = unit(axle);
  e1 = unit(tyre_cross(a, std::fabs(a.x) < 0.9 ? TyreVec{1, 0, 0} : TyreVec{0, 1, 0}));
  e2 = tyre_cross(a, e1);
}

// Smallest distance from sampled points of the rim circle (minor radius 0)
// or of the torus surface to the triangle.
double sampled_distance(const TyreWheel& w, const TyreVec (&t)[3], double minor, int rim_steps, int tube_steps) {
  TyreVec a = unit(w.axle), e1, e2;
  wheel_frame(w.axle, e1, e2);
  double best = 1e30;
  for (int i = 0; i < rim_steps; ++i) {
    double th = 2 * kPi * i / rim_steps;
    TyreVec out = tyre_add(tyre_scale(e1, std::cos(th)), tyre_scale(e2, std::sin(th)));
    TyreVec rim = tyre_add(w.centre, tyre_scale(out, w.R));
    for (int j = 0; j < tube_steps; ++j) {
      double ph = 2 * kPi * j / tube_steps;
      TyreVec p = tyre_add(rim, tyre_add(tyre_scale(out, minor * std::cos(ph)), tyre_scale(a, minor * std::sin(ph))));
      best = std::min(best, len(tyre_sub(p, closest_on_triangle(p, t[0], t[1], t[2]))));
    }
  }
  return best;
}

TyreVec upper_normal(const TyreVec (&t)[3]) {
  TyreVec n = unit(tyre_cross(tyre_sub(t[1], t[0]), tyre_sub(t[2], t[0])));
  return n;
}

struct TorusCase {
  const char* name;
  TyreVec corners[3];  // wound so that their normal faces the wheel
  TyreVec centre;
  TyreVec axle;
};

// Wheel poses against triangles whose nearest feature is the interior, an
// edge or a corner, flat, tilted and upright, the wheel upright, leaning or
// lying flat. Every case keeps the tyre clear of the triangle so that the
// torus surface itself can be sampled.
const TorusCase kClearCases[] = {
    {"interior, flat ground", {{-3, 0, -3}, {0, 0, 3}, {3, 0, -3}}, {0.2, kR + kr + 0.2, 0.1}, {1, 0, 0}},
    {"interior, leaning wheel on a slope", {{-3, -1.5, -3}, {0, 1.5, 3}, {3, -1.5, -3}}, {0.1, 1.9, -0.2}, {1, 0.3, 0.2}},
    {"edge beside the wheel", {{0.6, 0, -1}, {0.6, 0, 1}, {2, 0, 0}}, {0, kR + 0.05, 0}, {1, 0, 0}},
    {"edge of a tilted triangle", {{0.5, -0.2, -1}, {0.7, 0.4, 1.2}, {2, 1, 0}}, {-0.1, 0.9, 0.2}, {0.9, -0.2, 0.3}},
    {"corner pointing at the tread", {{0, -0.4, -0.05}, {-0.8, -2, 0.9}, {0.8, -2, 0.9}}, {0, kR + 0.05, 0}, {1, 0, 0}},
    {"wall ahead of the wheel", {{-2, -1, -1.4}, {2, -1, -1.4}, {0, 3, -1.4}}, {0, 0.8, 0}, {1, 0, 0.1}},
    {"long edge passing the rim twice", {{0.4, 0.2, -2}, {0.7, 0.2, 2}, {3, 0.2, 0}}, {0, 0.6, 0}, {1, 0, 0}},
    {"long edge, nearest pass at its start", {{0.45, 0.2, -0.9}, {0.75, 0.2, 5}, {3, 0.2, 0}}, {0, 0.6, 0}, {1, 0, 0}},
    {"wheel lying flat", {{-3, 0, -3}, {0, 0, 3}, {3, 0, -3}}, {0.3, 0.6, 0.2}, {0, 1, 0}},
    {"wheel lying flat beside a triangle", {{1.5, 0, -1}, {1.5, 0, 1}, {3, 0, 0}}, {0, 0.5, 0}, {0, 1, 0}},
};

TEST(TyreTorusTriangle, DistanceMatchesSampledTorus) {
  for (const TorusCase& c : kClearCases) {
    SCOPED_TRACE(c.name);
    TyreWheel w{c.centre, c.axle, kR, kr};
    ASSERT_GT(tyre_dot(upper_normal(c.corners), tyre_sub(c.centre, c.corners[0])), 0) << "wound to face the wheel";
    TyreContact got = tyre_torus_triangle(w, c.corners, upper_normal(c.corners));
    double rim = sampled_distance(w, c.corners, 0, 20000, 1);
    ASSERT_GT(rim, kr) << "the case must keep the tyre clear";
    EXPECT_NEAR(got.depth, kr - rim, 1e-5);
    EXPECT_NEAR(-got.depth, sampled_distance(w, c.corners, kr, 720, 180), 2e-3);
    // The point is on the triangle, at the found distance from the rim.
    TyreVec on = closest_on_triangle(got.point, c.corners[0], c.corners[1], c.corners[2]);
    EXPECT_NEAR(len(tyre_sub(on, got.point)), 0, 1e-6);
  }
}

TEST(TyreTorusTriangle, PenetratingWheelOnFlatGround) {
  const TyreVec ground[3] = {{-3, 0, -3}, {0, 0, 3}, {3, 0, -3}};
  struct Case {
    double centre_y;
    double depth;
  } cases[] = {
      {kR + kr - 0.1, 0.1},  // tyre squashed by 0.1
      {kR - 0.05, kr + 0.05},  // rim itself below the ground: deeper than the section
      {kR + kr + 0.5, -0.5},  // in the air
  };
  for (const Case& c : cases) {
    TyreWheel w{{0.5, c.centre_y, 0.25}, {1, 0, 0}, kR, kr};
    TyreContact got = tyre_torus_triangle(w, ground, {0, 1, 0});
    EXPECT_NEAR(got.depth, c.depth, 1e-9) << c.centre_y;
    EXPECT_NEAR(got.point.x, 0.5, 1e-9);
    EXPECT_NEAR(got.point.y, 0, 1e-9);
    EXPECT_NEAR(got.point.z, 0.25, 1e-9);
  }
  // The rim crosses a small triangle beside the lowest rim point: touching.
  const TyreVec small[3] = {{-0.2, 0, 0.5}, {0.2, 0, 0.5}, {0, 0, 0.6}};
  TyreContact got = tyre_torus_triangle(TyreWheel{{0, kR - 0.2, 0}, {1, 0, 0}, kR, kr}, small, {0, 1, 0});
  EXPECT_GE(got.depth, kr - 1e-9);
  // Broken input gives no touch and no NaN.
  TyreContact broken = tyre_torus_triangle(TyreWheel{{0, 0.5, 0}, {0, 0, 0}, kR, kr}, ground, {0, 1, 0});
  EXPECT_LT(broken.depth, 0);
  broken = tyre_torus_triangle(TyreWheel{{NAN, 0.5, 0}, {1, 0, 0}, kR, kr}, ground, {0, 1, 0});
  EXPECT_LT(broken.depth, 0);
}

// A terrain of n x n points d apart with heights from a function, and a
// tile map whose tiles count up row by row.
Terrain make_terrain(int exponent, float d, const std::function<float(int, int)>& height) {
  Terrain t;
  bike_rig_terrain_shaped(t, exponent, d, height);
  for (size_t j = 0; j < t.tiles.size(); ++j) t.tiles[j] = uint8_t(j);
  t.tile_count = int(t.tiles.size());
  return t;
}

TEST(TyreWheelContact, PointLiesOnTheTriangleItNames) {
  // Uneven ground: a wrong diagonal would put the point off the surface.
  Terrain t = make_terrain(2, 1.0f, [](int i, int k) { return float(((i * 7 + k * 13) % 5) * 0.3); });
  const TyreVec centres[] = {{3.3, 1.4, 4.6}, {2.7, 1.6, 2.2}, {5.5, 1.5, 3.1}, {4.0, 1.3, 4.0}};
  const TyreVec axles[] = {{1, 0, 0}, {0.8, 0.2, 0.5}, {0, 0, 1}, {0.7, -0.3, 0.6}};
  int touched = 0;
  for (TyreVec c : centres)
    for (TyreVec a : axles) {
      TyreContact got;
      if (!tyre_wheel_contact(t, TyreWheel{c, a, kR, kr}, got)) continue;
      ++touched;
      EXPECT_GT(got.depth, 0);
      EXPECT_NEAR(got.point.y, terrain_height(t, float(got.point.x), float(got.point.z)), 1e-4);
      TerrainVec n = terrain_normal(t, float(got.point.x), float(got.point.z));
      // On a shared edge either triangle may win; inside, it is the one under the point.
      if (std::fabs(got.normal.x - n.x) < 1e-4 && std::fabs(got.normal.z - n.z) < 1e-4) {
        EXPECT_EQ(got.triangle, terrain_triangle_at(t, float(got.point.x), float(got.point.z)));
        continue;
      }
      double on_edge = 1e9;
      for (double w : {got.point.x, got.point.z}) on_edge = std::min(on_edge, std::fabs(w - std::round(w)));
      double diag = std::min(std::fabs(std::fmod(got.point.x - got.point.z + 100, 1.0)),
                             std::fabs(std::fmod(got.point.x + got.point.z, 1.0)));
      EXPECT_LT(std::min(on_edge, std::min(diag, 1 - diag)), 1e-4) << c.x << " " << c.z;
    }
  EXPECT_GT(touched, 8);
}

TEST(TyreWheelContact, SlopeAgreesWithThePlane) {
  // y = 0.5 x: an upright wheel's lowest rim point is straight below the centre.
  Terrain t = make_terrain(2, 1.0f, [](int i, int) { return 0.5f * float(i); });
  TyreWheel w{{4.2, 2.1 + kR, 3.7}, {1, 0, 0}, kR, kr};
  TyreContact got;
  ASSERT_TRUE(tyre_wheel_contact(t, w, got));
  double nl = std::sqrt(1.25);
  double lowest_y = w.centre.y - kR;
  double s = (lowest_y - 0.5 * w.centre.x) / nl;
  EXPECT_NEAR(got.depth, kr - s, 1e-6);
  EXPECT_NEAR(got.normal.x, -0.5 / nl, 1e-6);
  EXPECT_NEAR(got.normal.y, 1 / nl, 1e-6);
}

TEST(TyreWheelContact, WheelAtAndBeyondTheEdge) {
  Terrain t = make_terrain(1, 2.0f, [](int, int) { return 0.0f; });  // 5 x 5 points, extent 8
  struct Case {
    const char* name;
    TyreVec centre;
    bool touches;
  } cases[] = {
      {"over the grid", {4, kR + kr - 0.1, 4}, true},
      {"search square over the low edge", {0.2, kR + kr - 0.1, 4}, true},
      {"tyre just past the low edge", {-0.5, kR + kr - 0.1, 4}, false},
      {"beyond the low edge", {-2, kR + kr - 0.1, 4}, false},
      {"beyond the far corner", {9.5, kR + kr - 0.1, 9.5}, false},
      {"far away", {1e30, 0, -1e30}, false},
      {"not a number", {NAN, 0, 4}, false},
  };
  for (const Case& c : cases) {
    TyreContact got;
    EXPECT_EQ(tyre_wheel_contact(t, TyreWheel{c.centre, {1, 0, 0}, kR, kr}, got), c.touches) << c.name;
    if (!c.touches) {
      EXPECT_EQ(got.depth, 0) << c.name;
    }
  }
  TyreCellRange r = tyre_cells_under(t, {-0.5, 0, 7.9}, kR + kr);
  EXPECT_EQ(r.i0, 0);
  EXPECT_EQ(r.i1, 0);
  EXPECT_EQ(r.k0, 3);
  EXPECT_EQ(r.k1, 3);
  r = tyre_cells_under(t, {-1e30, 0, 4}, kR + kr);
  EXPECT_GT(r.i0, r.i1);
  // Beyond the edge the surface is that of the nearest tile; indices past
  // the table's end give its last surface.
  SurfaceTable table;
  table.surfaces.resize(3);
  EXPECT_EQ(tyre_surface_index(t, table, {-100, 0, 1e9}), 2);  // tile (0, 1) is 2
  EXPECT_EQ(tyre_surface_index(t, table, {-1, 0, -1}), 0);
  EXPECT_EQ(tyre_surface_index(t, table, {100, 0, 100}), 2);  // tile 3, clamped
  SurfaceTable empty;
  EXPECT_EQ(tyre_surface_index(t, empty, {4, 0, 4}), 0);
}

Surface surface_with_friction(int slip_function, std::vector<std::pair<float, float>> points) {
  Surface s;
  s.slip_function = slip_function;
  for (auto& p : s.friction) p = FrictionPoint{1.0f, SURFACE_FRICTION_UNUSED_KEY};
  for (size_t i = 0; i < points.size(); ++i) s.friction[i] = FrictionPoint{points[i].first, points[i].second};
  return s;
}

TEST(TyreFriction, SlipFunctions) {
  // Wheel centre 1 ft over its contact point, axle along x: a spin of w
  // about the axle moves the contact point by -w along z.
  TyreWheel wheel{{0, 1, 0}, {1, 0, 0}, 1, kr};
  TyreVec point{0, 0, 0};
  struct Case {
    const char* name;
    int slip_function;
    TyreVec centre_velocity;
    TyreVec spin;
    double mu;
  } cases[] = {
      {"squared speeds", 0, {0, 0, 5}, {0, 0, 0}, 1.2 - 0.4 * 25.0 / 100},
      {"linear speed", 1, {0, 0, 5}, {0, 0, 0}, 1.0},
      {"unknown function reads linearly", 7, {0, 0, 5}, {0, 0, 0}, 1.0},
      {"spin only: no travel without spin", 2, {0, 0, 0}, {-5, 0, 0}, 1.2},
      {"rolling part of the slip", 2, {0, 0, 3}, {-2, 0, 0}, 1.2 - 0.4 * 0.3},
      {"travel beyond the slip is clamped", 2, {0, 0, 8}, {3, 0, 0}, 1.0},
      {"travel against the slip", 2, {0, 0, -2}, {-7, 0, 0}, 1.2},
      {"tiny slip reads its speed", 2, {0, 0, 0.05}, {0, 0, 0}, 1.2 - 0.4 * 0.005},
      {"beyond the last point", 1, {0, 0, 40}, {0, 0, 0}, 0.8},
  };
  for (const Case& c : cases) {
    Surface s = surface_with_friction(c.slip_function, {{1.2f, 0}, {0.8f, 10}});
    TyreMotion m{c.centre_velocity, c.spin};
    TyreVec v = tyre_point_velocity(wheel, m, point);
    EXPECT_NEAR(tyre_friction(s, wheel, m, point, v), c.mu, 1e-5) << c.name;
  }
  // A surface given no friction points keeps its stored first value, never 0.
  Surface plain;
  TyreMotion m{{0, 0, 12}, {0, 0, 0}};
  EXPECT_FLOAT_EQ(tyre_friction(plain, wheel, m, point, m.velocity), 1.0f);
  Surface unused = surface_with_friction(1, {});
  unused.friction[0].value = 0.7f;
  EXPECT_FLOAT_EQ(tyre_friction(unused, wheel, m, point, m.velocity), 0.7f);
}

TEST(TyreSoftnessTest, StiffensWithDepth) {
  struct Case {
    double depth, r, kp, kd;
  } cases[] = {
      {0, kr, 1000, 200},
      {-0.2, kr, 1000, 200},
      {kr / 2, kr, 4000, 487.5},
      {kr, kr, 25000, 2500},
      {3 * kr, kr, 25000, 2500},
      {0.1, 0, 25000, 2500},  // no section: stiff at once
      {NAN, kr, 1000, 200},
  };
  for (const Case& c : cases) {
    TyreSoftness s = tyre_softness(c.depth, c.r, kTic);
    EXPECT_NEAR(s.kp, c.kp, 1e-6) << c.depth;
    EXPECT_NEAR(s.kd, c.kd, 1e-6) << c.depth;
    EXPECT_NEAR(s.cfm, 1 / (c.kd + kTic * c.kp), 1e-12);
    EXPECT_NEAR(s.erp, kTic * c.kp / (c.kd + kTic * c.kp), 1e-12);
  }
}

TEST(TyreFrictionDirection, FromSlipThenAxle) {
  TyreVec up{0, 1, 0}, axle{1, 0, 0};
  struct Case {
    const char* name;
    TyreVec normal, velocity, axle;
    bool found;
    TyreVec direction;
  } cases[] = {
      {"slip along z", up, {0, 0, 6}, axle, true, {1, 0, 0}},
      {"standing still uses the axle", up, {0, 0, 0}, axle, true, {0, 0, -1}},
      {"slip too slow uses the axle", up, {0, 0, 0.03}, axle, true, {0, 0, -1}},
      {"slip along the normal uses the axle", up, {0, 9, 0}, axle, true, {0, 0, -1}},
      {"axle along the normal: none", up, {0, 0, 0}, {0, 1, 0}, false, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    TyreVec d;
    EXPECT_EQ(tyre_friction_direction(c.normal, c.velocity, c.axle, d), c.found) << c.name;
    EXPECT_NEAR(d.x, c.direction.x, 1e-9) << c.name;
    EXPECT_NEAR(d.y, c.direction.y, 1e-9) << c.name;
    EXPECT_NEAR(d.z, c.direction.z, 1e-9) << c.name;
  }
}

TEST(TyreRollResistance, CurveDepthAndSpeed) {
  Surface one;  // a single point at 20 ft/s holds at every speed
  for (auto& p : one.roll_resist) p = RollResistPoint{0, 0, 0};
  one.roll_resist[0] = RollResistPoint{5, 15, 20};
  Surface two = one;
  two.roll_resist[0] = RollResistPoint{2, 4, 2};
  two.roll_resist[1] = RollResistPoint{6, 8, 10};
  TyreVec up{0, 1, 0};
  struct Case {
    const char* name;
    const Surface* surface;
    TyreVec velocity;
    double q;
    TyreVec force;
  } cases[] = {
      {"slow: proportional to speed", &one, {0.5, 0, 0}, 0.5, {-5, 0, 0}},
      {"fast: constant", &one, {30, 0, 0}, 0, {-5, 0, 0}},
      {"full depth", &one, {0, 0, -3}, 1, {0, 0, 15}},
      {"motion along the normal is left out", &one, {3, 4, 0}, 0, {-5, 0, 0}},
      {"between two points", &two, {0, 0, 6}, 1, {0, 0, -6}},
      {"standing still", &two, {0, 0, 0}, 1, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    TyreVec f = tyre_roll_resistance(*c.surface, up, c.velocity, c.q);
    EXPECT_NEAR(f.x, c.force.x, 1e-5) << c.name;
    EXPECT_NEAR(f.y, c.force.y, 1e-5) << c.name;
    EXPECT_NEAR(f.z, c.force.z, 1e-5) << c.name;
  }
}

TEST(TyreArcade, FrictionFallsWithLean) {
  const std::pair<double, double> cases[] = {{0, 1}, {kPi / 8, 0.8125}, {-kPi / 4, 0.625}, {kPi / 2, 0.625}, {NAN, 1}};
  for (auto [lean, factor] : cases) EXPECT_NEAR(tyre_arcade_friction(lean), factor, 1e-12) << lean;
}

TEST(TyreContactPlan, RollingWheelOnFlatGround) {
  Terrain t = make_terrain(1, 2.0f, [](int, int) { return 0.0f; });
  SurfaceTable table;
  table.surfaces.resize(4);
  table.surfaces[3] = surface_with_friction(1, {{1.2f, 0}, {0.8f, 10}});
  TyreWheel w{{5, kR + kr - kr / 2, 5}, {1, 0, 0}, kR, kr};  // over tile 3, half squashed
  TyreMotion m{{0, 0, -4}, {-1, 0, 0}};                       // slipping: contact point moves at -4 + R + r/2
  TyreJointPlan plan;
  ASSERT_TRUE(tyre_contact_plan(t, table, w, m, 0.625, kTic, plan));
  EXPECT_EQ(plan.surface, 3);
  EXPECT_NEAR(plan.contact.depth, kr / 2, 1e-9);
  double slip = 4 - (kR + kr / 2);
  EXPECT_NEAR(plan.contact_velocity.z, -slip, 1e-9);
  EXPECT_NEAR(plan.mu, 0.625 * (1.2 - 0.04 * slip), 1e-5);
  EXPECT_NEAR(plan.softness.kp, 4000, 1e-6);
  ASSERT_TRUE(plan.has_direction);
  EXPECT_NEAR(plan.direction.x, -1, 1e-9);
  // Default roll curve: (5, 15) at every speed, q = 1/2, speed above 1.
  EXPECT_NEAR(plan.roll_force.z, 10, 1e-5);
  w.centre.y = 3;
  EXPECT_FALSE(tyre_contact_plan(t, table, w, m, 1, kTic, plan));
  EXPECT_EQ(plan.contact.depth, 0);
}

TEST(TyreRoost, BudgetFollowsFrequency) {
  struct Case {
    int percent;
    int low, high;
    double mean;
  } cases[] = {{0, 0, 0, 0}, {150, 1, 2, 1.5}, {30, 0, 1, 0.3}, {1000, 10, 10, 10}, {5000, 10, 10, 10}, {-40, 0, 0, 0}};
  for (const Case& c : cases) {
    TyreRandom random(1234);
    double sum = 0;
    const int tics = 20000;
    for (int i = 0; i < tics; ++i) {
      int b = tyre_roost_budget(c.percent, random);
      ASSERT_GE(b, c.low) << c.percent;
      ASSERT_LE(b, c.high) << c.percent;
      sum += b;
    }
    EXPECT_NEAR(sum / tics, c.mean, 0.02) << c.percent;
  }
  TyreRandom random(5);
  for (int i = 0; i < 1000; ++i) {
    double u = tyre_uniform(random);
    ASSERT_GE(u, 0);
    ASSERT_LT(u, 1);
  }
}

struct Collected {
  std::vector<TyreRoostParticle> particles;
  size_t capacity = 100000;
};

bool collect(void* context, const TyreRoostParticle& p) {
  auto* c = static_cast<Collected*>(context);
  if (c->particles.size() >= c->capacity) return false;
  c->particles.push_back(p);
  return true;
}

RoostKind dirt_kind() {
  RoostKind k;
  k.kind = ROOST_DIRT;
  k.count = 3;
  k.randomize = 0;
  k.vscale = 1;
  return k;
}

// A wheel touching flat ground at (1, 0, 2) with slip velocity (0, 0, -10).
TyreRoostWheel roost_wheel(TyreVec centre_velocity, TyreVec spin) {
  TyreRoostWheel w;
  w.wheel = TyreWheel{{1, kR, 2}, {1, 0, 0}, kR, kr};
  w.motion = TyreMotion{centre_velocity, spin};
  w.contact.point = {1, 0, 2};
  w.contact.normal = {0, 1, 0};
  w.contact.depth = 0.1;
  w.contact_velocity = {0, 0, -10};
  return w;
}

// Angle between two vectors.
double angle_between(TyreVec a, TyreVec b) {
  return std::acos(std::clamp(tyre_dot(a, b) / (len(a) * len(b)), -1.0, 1.0));
}

TEST(TyreRoost, DirtEmission) {
  Surface s;
  s.roost_count = 1;
  s.roost[0] = dirt_kind();
  struct Case {
    const char* name;
    TyreVec centre_velocity, spin;
    double max_spray, depth;
    int budget;
    float slip_threshold;
    size_t particles;
    double widest;  // largest spray angle allowed
  } cases[] = {
      {"rolling: narrow spray", {0, 0, -10}, {0, 0, 0}, TYRE_REAR_SPRAY_ANGLE, 0.1, 50, 4, 3, kPi / 64},
      {"budget limits the count", {0, 0, -10}, {0, 0, 0}, TYRE_REAR_SPRAY_ANGLE, 0.1, 2, 4, 2, kPi / 64},
      {"spinning against travel, front wheel", {0, 0, 2}, {100, 0, 0}, TYRE_FRONT_SPRAY_ANGLE, 0.1, 50, 4, 3, kPi / 8},
      {"slip below the threshold", {0, 0, -10}, {0, 0, 0}, TYRE_REAR_SPRAY_ANGLE, 0.1, 50, 11, 0, 0},
      {"no contact", {0, 0, -10}, {0, 0, 0}, TYRE_REAR_SPRAY_ANGLE, 0, 50, 4, 0, 0},
      {"no budget", {0, 0, -10}, {0, 0, 0}, TYRE_REAR_SPRAY_ANGLE, 0.1, 0, 4, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s.roost[0].slow_angle = 1.5f;
    s.roost[0].fast_angle = 1.5f;
    s.roost[0].slip_threshold = c.slip_threshold;
    TyreRoostWheel w = roost_wheel(c.centre_velocity, c.spin);
    w.max_spray_angle = c.max_spray;
    w.contact.depth = c.depth;
    Collected got;
    TyreRandom random(99);
    int n = tyre_roost_emit(w, s, c.budget, 7, kTic, random, TyreRoostSink{&got, collect});
    ASSERT_EQ(size_t(n), c.particles);
    ASSERT_EQ(got.particles.size(), c.particles);
    for (size_t i = 0; i < got.particles.size(); ++i) {
      const TyreRoostParticle& p = got.particles[i];
      EXPECT_EQ(p.kind, &s.roost[0]);
      EXPECT_NEAR(len(p.velocity), 10, 1e-9);  // turned about the axle only
      EXPECT_NEAR(p.velocity.x, 0, 1e-9);
      EXPECT_LE(angle_between(p.velocity, w.contact_velocity), c.widest + 1e-9);
      // Spread along its own velocity over the tic.
      TyreVec expect = tyre_add(w.contact.point, tyre_scale(p.velocity, double(i) * kTic / double(c.particles)));
      EXPECT_NEAR(len(tyre_sub(p.position, expect)), 0, 1e-12);
    }
  }
}

TEST(TyreRoost, SpraySpreadsWithSpinAndFullPoolDrops) {
  Surface s;
  s.roost_count = 1;
  s.roost[0] = dirt_kind();
  s.roost[0].count = 1000;
  s.roost[0].slow_angle = 2.0f;
  s.roost[0].fast_angle = 0.2f;
  s.roost[0].slow_speed = 0;
  s.roost[0].fast_speed = 64;
  struct Case {
    float slow_speed, fast_speed;  // spin of the slow and fast angles
    double spin;
    double angle;  // the spray angle expected at that spin
  } cases[] = {
      {0, 64, 0, 2.0}, {0, 64, 32, 2.0 - 1.8 * 0.25}, {0, 64, 64, 0.2}, {0, 64, 500, 0.2},
      {10, 10, 5, 2.0}, {10, 10, 20, 0.2},  // equal speeds: a step, not a division by zero
  };
  for (const Case& c : cases) {
    s.roost[0].slow_speed = c.slow_speed;
    s.roost[0].fast_speed = c.fast_speed;
    TyreRoostWheel w = roost_wheel({0, 0, 1}, {c.spin, 0, 0});
    Collected got;
    TyreRandom random(3);
    tyre_roost_emit(w, s, 1000, 0, kTic, random, TyreRoostSink{&got, collect});
    double widest = 0;
    for (const auto& p : got.particles) widest = std::max(widest, angle_between(p.velocity, w.contact_velocity));
    EXPECT_LE(widest, c.angle + 1e-6) << c.spin;
    EXPECT_GT(widest, c.angle * 0.97) << c.spin;
  }
  TyreRoostWheel w = roost_wheel({0, 0, -10}, {0, 0, 0});
  Collected full;
  full.capacity = 1;
  TyreRandom random(3);
  EXPECT_EQ(tyre_roost_emit(w, s, 10, 0, kTic, random, TyreRoostSink{&full, collect}), 1);
}

TEST(TyreRoost, FractionalCountAndSeededRepeat) {
  Surface s;
  s.roost_count = 2;
  s.roost[0] = dirt_kind();
  s.roost[0].count = 0.25f;
  s.roost[1] = dirt_kind();
  s.roost[1].count = 1.5f;
  s.roost[1].randomize = 15;
  TyreRoostWheel w = roost_wheel({0, 0, -10}, {0, 0, 0});
  int per_kind[2] = {0, 0};
  TyreRandom random(2024);
  const int tics = 4000;
  Collected first;
  for (int tic = 0; tic < tics; ++tic) {
    Collected got;
    tyre_roost_emit(w, s, 10, uint32_t(tic), kTic, random, TyreRoostSink{&got, collect});
    for (const auto& p : got.particles) ++per_kind[p.kind == &s.roost[1]];
    if (tic == 0) first = got;
  }
  EXPECT_NEAR(per_kind[0] / double(tics), 0.25, 0.03);
  EXPECT_NEAR(per_kind[1] / double(tics), 1.5, 0.03);
  // The same seed throws the same particles.
  TyreRandom again(2024);
  Collected second;
  tyre_roost_emit(w, s, 10, 0, kTic, again, TyreRoostSink{&second, collect});
  ASSERT_EQ(first.particles.size(), second.particles.size());
  for (size_t i = 0; i < first.particles.size(); ++i)
    EXPECT_EQ(len(tyre_sub(first.particles[i].velocity, second.particles[i].velocity)), 0);
}

TEST(TyreRoost, SplashAlternatesSides) {
  Surface s;
  s.roost_count = 1;
  s.roost[0].kind = ROOST_SPLASH;
  s.roost[0].count = 4;
  s.roost[0].randomize = 0;
  s.roost[0].vscale = 2;
  TyreRoostWheel w = roost_wheel({0, -3, -10}, {0, 0, 0});  // travel along the ground is -z
  for (uint32_t tic : {4u, 5u}) {
    Collected got;
    TyreRandom random(8);
    ASSERT_EQ(tyre_roost_emit(w, s, 4, tic, kTic, random, TyreRoostSink{&got, collect}), 4);
    for (size_t i = 0; i < 4; ++i) {
      TyreVec v = got.particles[i].velocity;
      EXPECT_NEAR(v.y, 0, 1e-9);
      EXPECT_LE(len(v), 2 * 10 + 1e-9);
      EXPECT_LT(v.z, 0);
      EXPECT_NEAR(std::fabs(v.x), std::fabs(v.z), 1e-9);  // 45 degrees off the travel
      // Particles with the same parity of i ^ tic go to the same side.
      bool parity = ((uint32_t(i) ^ tic) & 1) != 0;
      TyreVec v0 = got.particles[0].velocity;
      bool parity0 = (tic & 1) != 0;
      EXPECT_EQ((v.x < 0) == (v0.x < 0), parity == parity0) << i << " " << tic;
    }
  }
}

TEST(TyreRoost, ParticleMotion) {
  Terrain t = make_terrain(1, 2.0f, [](int, int) { return 1.0f; });
  RoostKind k;
  k.drag = 0.5f;
  k.grow = 4;
  k.fade[0] = 3;
  k.fade[3] = -2;
  TyreRoostState p;
  p.position = {2, 5, 3};
  p.velocity = {2, 0, -4};
  p.size = 0.25;
  uint8_t start[4] = {254, 10, 20, 1};
  std::copy(start, start + 4, p.colour);
  ASSERT_TRUE(tyre_roost_move(p, k, t, kTic));
  double m = 1 - 0.5 * kTic;
  EXPECT_NEAR(p.position.x, 2 + 2 * kTic, 1e-12);
  EXPECT_NEAR(p.position.y, 5, 1e-12);
  EXPECT_NEAR(p.velocity.x, 2 * m, 1e-12);
  EXPECT_NEAR(p.velocity.z, -4 * m, 1e-12);
  EXPECT_NEAR(p.velocity.y, -32 * kTic, 1e-12);
  EXPECT_NEAR(p.size, 0.25 + 4 * kTic, 1e-12);
  EXPECT_EQ(p.colour[0], 255);  // clamped
  EXPECT_EQ(p.colour[1], 10);
  EXPECT_EQ(p.colour[3], 0);  // clamped
  // Below the ground: rising particles fly on, falling ones land.
  TyreRoostState low;
  low.position = {2, 0.5, 3};
  low.velocity = {0, 10, 0};
  EXPECT_TRUE(tyre_roost_move(low, k, t, kTic));
  low.velocity = {0, -1, 0};
  EXPECT_FALSE(tyre_roost_move(low, k, t, kTic));
  TyreRoostState broken;
  broken.position = {NAN, 3, 3};
  broken.velocity = {0, 1, 0};
  EXPECT_FALSE(tyre_roost_move(broken, k, t, kTic));
}

}  // namespace
