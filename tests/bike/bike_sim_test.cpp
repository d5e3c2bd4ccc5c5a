// The seven-body bike in the physics world: how it is built and placed, and
// what every catalogue bike does on flat and sloping ground: it settles on
// its springs, idles, pulls through its gears to the top speed its gearing
// gives, and throws its rider on a hard landing and takes him back.
#include "bike/bike_sim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bike/bike_spec.h"
#include "bike/setup.h"
#include "bikerig/bike_rig.h"
#include "test_util.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// Middle of the rig's terrain, far enough from the end to ride a long way to -z.
constexpr double START_X = 1024, START_Z = 1950;

struct Rig : ::testing::Test {
  TempDir dir;
  BikeRig rig;
  void SetUp() override { ASSERT_TRUE(bike_rig_open(rig, dir.path)); }
  void TearDown() override { bike_rig_close(rig); }
  void run(int tics) {
    for (int i = 0; i < tics; ++i) bike_rig_tic(rig);
  }
};

void position(const BikeSim& b, int body, double out[3]) {
  const dReal* p = dBodyGetPosition(b.body[body]);
  for (int i = 0; i < 3; ++i) out[i] = p[i];
}

double distance(const double a[3], const double b[3]) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// The rider's distance from his place on the seat.
double off_seat(const BikeSim& b) {
  const BikeSpec& s = *b.model;
  dVector3 seat;
  dBodyGetRelPointPos(b.body[BIKE_FRAME], s.rider_position[0] - s.frame_position[0],
                      s.rider_position[1] - s.frame_position[1], s.rider_position[2] - s.frame_position[2], seat);
  double p[3], q[3] = {seat[0], seat[1], seat[2]};
  position(b, BIKE_RIDER, p);
  return distance(p, q);
}

TEST_F(Rig, BuildsTheBodiesAtRestWithTheCatalogueMasses) {
  for (int i : {0, 7, 8, 13, BIKE_MODELS - 1}) {
    BikeSim b;
    ASSERT_TRUE(bike_sim_build(b, rig.physics, &rig.shapes, i, 3, false)) << i;
    const BikeSpec& s = *bike_spec(i);
    EXPECT_NEAR(b.params.total_mass, bike_spec_total_mass(s), 1e-9) << s.name;
    const float* rest[BIKE_BODY_COUNT] = {s.frame_position,      s.front_wheel.axle,   s.rear_wheel.axle,
                                          s.fork_upper_position, s.fork_lower_position, s.swingarm_position,
                                          s.rider_position};
    for (int k = 0; k < BIKE_BODY_COUNT; ++k) {
      double p[3];
      position(b, k, p);
      for (int a = 0; a < 3; ++a) EXPECT_NEAR(p[a], rest[k][a], 1e-6) << s.name << " body " << k;
    }
    for (int k = 0; k < BIKE_BODY_COUNT; ++k) {
      dMass m;
      dBodyGetMass(b.body[k], &m);
      EXPECT_NEAR(m.c[0], 0, 1e-12);  // the world step aborts otherwise
      EXPECT_GT(m.mass, 0);
    }
    EXPECT_EQ(dJointGetBody(b.joint[BIKE_RIDER_MOUNT], 0), b.body[BIKE_RIDER]);
    for (int k = 0; k < 5; ++k) EXPECT_NE(b.shape[k == 0 ? 0 : k + 2], nullptr) << "shape " << k;
    EXPECT_EQ(b.slot, 3);
    EXPECT_EQ(b.drive.gear, 0);
    EXPECT_DOUBLE_EQ(b.interaction_timer, 1);
    bike_sim_destroy(b);
  }
  BikeSim none;
  EXPECT_FALSE(bike_sim_build(none, rig.physics, &rig.shapes, -1, 0, false));
  EXPECT_FALSE(bike_sim_build(none, rig.physics, &rig.shapes, BIKE_MODELS, 0, false));
  PhysicsWorld unmade;
  EXPECT_FALSE(bike_sim_build(none, unmade, &rig.shapes, 0, 0, false));
  EXPECT_EQ(none.body[0], nullptr);
}

TEST_F(Rig, TurnAndMoveCarryTheWholeBikeRigidly) {
  BikeSim& b = *bike_rig_add(rig, 0, 0, 0);
  bike_sim_reset(b);
  double before[BIKE_BODY_COUNT][3];
  for (int k = 0; k < BIKE_BODY_COUNT; ++k) position(b, k, before[k]);
  const double up[3] = {0, 1, 0};
  bike_sim_turn(b, up, PI / 2);
  bike_sim_move(b, 500, 3, 700);
  double after[BIKE_BODY_COUNT][3];
  for (int k = 0; k < BIKE_BODY_COUNT; ++k) position(b, k, after[k]);
  // A quarter turn about y takes (x, z) to (z, -x), then the offset.
  for (int k = 0; k < BIKE_BODY_COUNT; ++k) {
    EXPECT_NEAR(after[k][0], before[k][2] + 500, 1e-9);
    EXPECT_NEAR(after[k][1], before[k][1] + 3, 1e-9);
    EXPECT_NEAR(after[k][2], -before[k][0] + 700, 1e-9);
  }
  const dReal* r = dBodyGetRotation(b.body[BIKE_RIDER]);
  EXPECT_NEAR(r[2], 1, 1e-9);  // the body's z axis now points along world x
  // The joints agree with the moved pose: a free fall keeps every distance.
  for (int t = 0; t < 16; ++t) bike_rig_tic(rig);
  double fallen[BIKE_BODY_COUNT][3];
  for (int k = 0; k < BIKE_BODY_COUNT; ++k) position(b, k, fallen[k]);
  for (int k = 1; k < BIKE_BODY_COUNT - 1; ++k)
    EXPECT_NEAR(distance(fallen[k], fallen[0]), distance(after[k], after[0]), 2e-3) << "body " << k;
  // Bad offsets and angles are refused, not spread into the bodies.
  bike_sim_move(b, NAN, 0, 0);
  bike_sim_turn(b, up, INFINITY);
  const double zero[3] = {0, 0, 0};
  bike_sim_turn(b, zero, 1);
  EXPECT_FALSE(bike_rig_broken(b));
}

TEST_F(Rig, ResetFromSpeedForgetsTheOldVelocities) {
  // Flying at 80 ft/s high above the ground fills the rider's velocity ring;
  // after a reset onto the ground the old velocities must not read as a
  // 2500 ft/s^2 stop.
  BikeSim& b = *bike_rig_add(rig, 0, START_X, START_Z, 400);
  for (int t = 0; t < 8; ++t) {
    for (dBodyID body : b.body) dBodySetLinearVel(body, 0, 0, -80);
    bike_rig_tic(rig);
  }
  bike_sim_reset(b);
  bike_sim_move(b, START_X, rig.terrain.heights[0], START_Z);
  run(256);
  EXPECT_EQ(b.crash_index, 0);
  EXPECT_FALSE(bike_sim_crashed(b));
  EXPECT_LT(bike_rig_max_body_speed(b), 0.2);
}

TEST_F(Rig, CrashedRiderComesBackAfterTheCounterRunsDown) {
  BikeSim& b = *bike_rig_add(rig, 0, START_X, START_Z, 60);
  int crashed_at = -1, counted_down = 0;
  for (int t = 0; t < 128 * 20 && (crashed_at < 0 || bike_sim_crashed(b)); ++t) {
    int before = b.crash_counter;
    bike_rig_tic(rig);
    // The crashed step reads the velocity the world step left.
    const dReal* v = dBodyGetLinearVel(b.body[BIKE_RIDER]);
    bool still = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) < BIKE_SETTLE_SPEED;
    if (before > 0) {
      // The counter only runs down while the rider lies still.
      EXPECT_EQ(b.crash_counter, still ? before - 1 : before) << "tic " << t;
      if (b.crash_counter < before) ++counted_down;
    }
    if (crashed_at < 0 && bike_sim_crashed(b)) {
      crashed_at = t;
      EXPECT_EQ(dJointGetBody(b.joint[BIKE_RIDER_MOUNT], 0), nullptr);  // thrown off
      EXPECT_EQ(b.crash_counter, 512);
    }
  }
  ASSERT_GE(crashed_at, 0) << "a 60 ft drop must crash";
  EXPECT_FALSE(bike_sim_crashed(b));
  EXPECT_EQ(b.crash_index, 1);
  EXPECT_EQ(counted_down, 512);
  EXPECT_EQ(dJointGetBody(b.joint[BIKE_RIDER_MOUNT], 0), b.body[BIKE_RIDER]);
  EXPECT_LT(off_seat(b), 0.05);
  run(256);  // and rides on
  EXPECT_EQ(b.crash_index, 1);
  EXPECT_FALSE(bike_rig_broken(b));
}

TEST_F(Rig, ServerKnockoutKeepsTheRiderOutLonger) {
  rig.knockout[0] = 300;
  BikeSim& b = *bike_rig_add(rig, 0, START_X, START_Z, 60);
  for (int t = 0; t < 128 * 3 && !bike_sim_crashed(b); ++t) bike_rig_tic(rig);
  ASSERT_TRUE(bike_sim_crashed(b));
  EXPECT_EQ(b.crash_counter, 812);
}

TEST_F(Rig, ArcadeAndGentleLandingsDoNotCrash) {
  BikeSim& arcade = *bike_rig_add(rig, 0, START_X - 40, START_Z, 60);
  arcade.params.arcade = 1;
  BikeSim& gentle = *bike_rig_add(rig, 0, START_X + 40, START_Z, 3);
  run(128 * 5);
  EXPECT_EQ(arcade.crash_index, 0);
  EXPECT_EQ(gentle.crash_index, 0);
  EXPECT_LT(off_seat(gentle), 0.75);
}

TEST_F(Rig, ANegativeHoldTimerSuppressesTheCrash) {
  BikeSim& b = *bike_rig_add(rig, 0, START_X, START_Z, 60);
  b.hold_timer = -1000;
  run(128 * 4);
  EXPECT_EQ(b.crash_index, 0);
}

TEST_F(Rig, RidersPushEachOtherApartAndHeadOnHitsHold) {
  // Two bikes side by side with their frames overlapping.
  BikeSim& a = *bike_rig_add(rig, 0, START_X, START_Z);
  BikeSim& b = *bike_rig_add(rig, 0, START_X + 0.6, START_Z);
  BikeStepContext ctx = bike_rig_context(rig);
  uint32_t mask = bike_rider_collision(a, b, ctx);
  EXPECT_NE(mask & 0xff, 0u);
  EXPECT_NE(mask >> 8, 0u);
  EXPECT_TRUE(mask & BIKE_PART_FRAME);
  physics_contacts_clear(rig.physics);
  run(64);
  double pa[3], pb[3];
  position(a, BIKE_FRAME, pa);
  position(b, BIKE_FRAME, pb);
  EXPECT_GT(pb[0] - pa[0], 0.9);

  // Far apart nothing is tested.
  BikeSim& far = *bike_rig_add(rig, 0, START_X + 100, START_Z);
  EXPECT_EQ(bike_rider_collision(a, far, bike_rig_context(rig)), 0u);
  physics_contacts_clear(rig.physics);

  // Head on at speed: the front wheels meet and both riders are held.
  BikeSim& c = *bike_rig_add(rig, 0, START_X + 300, START_Z);
  BikeSim& d = *bike_rig_add(rig, 0, START_X + 300, START_Z - 7.0);
  const double up[3] = {0, 1, 0};
  double cz[3];
  position(d, BIKE_FRAME, cz);
  bike_sim_move(d, -cz[0], 0, -cz[2]);
  bike_sim_turn(d, up, PI);
  bike_sim_move(d, START_X + 300, 0, START_Z - 7.0);
  for (dBodyID body : c.body) dBodySetLinearVel(body, 0, 0, -15);
  c.hold_timer = d.hold_timer = 0;
  mask = bike_rider_collision(c, d, bike_rig_context(rig));
  physics_contacts_clear(rig.physics);
  EXPECT_TRUE(mask & BIKE_PART_FRONT_WHEEL);
  EXPECT_TRUE((mask >> 8) & BIKE_PART_FRONT_WHEEL);
  EXPECT_GE(c.hold_timer, 64);
  EXPECT_GE(d.hold_timer, 64);
}

TEST_F(Rig, FixedObjectsStopTheBikeAndAFastRiderFalls) {
  // A boulder-sized sphere where the rider's chest is.
  Shape rock;
  rock.spheres.push_back(ShapeSphere{0, 0, 0, 1.5f, 0.5f, 2500, 100});
  rock.bound_radius = 1.5f;
  const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  BikeSim& slow = *bike_rig_add(rig, 0, START_X, START_Z);
  double at[3];
  position(slow, BIKE_RIDER, at);
  at[2] -= 1.8;
  uint32_t mask = bike_object_collision(slow, rock, at, identity, bike_rig_context(rig));
  EXPECT_TRUE(mask & BIKE_PART_RIDER);
  EXPECT_FALSE(bike_sim_crashed(slow));

  BikeSim& fast = *bike_rig_add(rig, 0, START_X + 50, START_Z);
  position(fast, BIKE_RIDER, at);
  at[2] -= 1.8;
  dBodySetLinearVel(fast.body[BIKE_RIDER], 0, 0, -25);
  mask = bike_object_collision(fast, rock, at, identity, bike_rig_context(rig));
  EXPECT_TRUE(mask & BIKE_PART_RIDER);
  EXPECT_TRUE(bike_sim_crashed(fast));
  physics_contacts_clear(rig.physics);

  // The shape is placed with the object's rotation: a sphere off to the
  // object's x side, turned a quarter about y, lands in front of the bike.
  Shape offset;
  offset.spheres.push_back(ShapeSphere{3, 0, 0, 1, 0.5f, 2500, 100});
  offset.bound_radius = 4;
  BikeSim& third = *bike_rig_add(rig, 0, START_X + 100, START_Z);
  double wheel[3];
  position(third, BIKE_FRONT_WHEEL, wheel);
  const double quarter[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};  // object x axis along world -z
  double centre[3] = {wheel[0], wheel[1], wheel[2] + 3 - 1.8};
  mask = bike_object_collision(third, offset, centre, quarter, bike_rig_context(rig));
  EXPECT_TRUE(mask & BIKE_PART_FRONT_WHEEL);
  physics_contacts_clear(rig.physics);
}

TEST_F(Rig, BikesOffTheTerrainReadNothingOutsideIt) {
  BikeSim& b = *bike_rig_add(rig, 0, -30, -30);
  BikeSim& c = *bike_rig_add(rig, 0, rig.terrain.extent + 30, rig.terrain.extent + 30);
  run(64);
  EXPECT_EQ(b.touching & BIKE_PART_WHEELS, 0u);
  EXPECT_EQ(c.touching & BIKE_PART_WHEELS, 0u);
  EXPECT_FALSE(bike_rig_broken(b));
  EXPECT_FALSE(bike_rig_broken(c));
}

TEST_F(Rig, ABikeWithoutShapesStillRides) {
  BikeSim b;
  ASSERT_TRUE(bike_sim_build(b, rig.physics, nullptr, 0, 0, false));
  bike_sim_move(b, START_X, 0.1, START_Z);
  BikeStepContext ctx = bike_rig_context(rig);
  for (int t = 0; t < 256; ++t) {
    ctx.tic = t;
    bike_terrain_pass(b, ctx);
    dWorldStep(rig.physics.world, ctx.h);
    physics_contacts_clear(rig.physics);
    bike_suspension_step(b);
    bike_rider_spring_step(b, ctx);
    dBodyAddRelTorque(b.body[BIKE_FRAME], 0, 0, -5000 * bike_sim_lean_angle(b));
  }
  EXPECT_FALSE(bike_rig_broken(b));
  EXPECT_EQ(b.touching, BIKE_PART_WHEELS);
  EXPECT_LT(bike_sim_speed(b), 0.2);
  bike_sim_destroy(b);
}

// ---------------------------------------------------------------------------
// Every catalogue bike.

struct EveryBike : ::testing::TestWithParam<int> {
  TempDir dir;
  BikeRig rig;
  void open(float slope) { ASSERT_TRUE(bike_rig_open(rig, dir.path, 8, 4, slope)); }
  void TearDown() override { bike_rig_close(rig); }
  void run(int tics) {
    for (int i = 0; i < tics; ++i) bike_rig_tic(rig);
  }
  const BikeSpec& model() const { return *bike_spec(GetParam()); }
};

std::string bike_test_name(const ::testing::TestParamInfo<int>& info) {
  std::string name = bike_spec(info.param)->name;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

// Settled: nothing moves, fork and shock sit on their springs inside their travel.
void expect_settled(const BikeSim& b, const char* where) {
  const BikeSpec& s = *b.model;
  EXPECT_FALSE(bike_rig_broken(b)) << where;
  EXPECT_LT(bike_rig_max_body_speed(b), 0.1) << where;
  double fork = bike_sim_fork_position(b), arm = bike_sim_swingarm_angle(b);
  EXPECT_LT(fork, -0.01) << where;  // compressed by the weight
  EXPECT_GT(fork, -s.fork_travel * 0.95) << where;
  EXPECT_LT(arm, -0.01) << where;
  EXPECT_GT(arm, -s.linkage[2] * 0.95) << where;
  EXPECT_EQ(b.crash_index, 0) << where;
  EXPECT_EQ(b.touching, BIKE_PART_WHEELS) << where;
}

TEST_P(EveryBike, SettlesAndIdlesOnFlatGround) {
  open(0);
  BikeSim& b = *bike_rig_add(rig, GetParam(), START_X, START_Z);
  run(256);
  expect_settled(b, "after 2 s");
  run(128);
  EXPECT_NEAR(drivetrain_rpm(b.drive), 1500, 10);  // closed throttle, clutch open

  // The softest springs without preload still hold the bike off the stops.
  BikeSim& soft = *bike_rig_add(rig, GetParam(), START_X + 30, START_Z);
  soft.params.fork_spring_rate = model().fork_spring_rate[0];
  soft.params.fork_preload = 0;
  soft.params.shock_spring_rate = model().shock_spring_rate[0];
  soft.params.shock_preload = 0;
  run(256);
  expect_settled(soft, "softest springs");
  EXPECT_LT(bike_sim_fork_position(soft), bike_sim_fork_position(b));
}

TEST_P(EveryBike, HoldsOnItsBrakesOnASlope) {
  open(0.1f);
  BikeSim& b = *bike_rig_add(rig, GetParam(), START_X, START_Z);
  b.drive.front_brake = b.drive.rear_brake = 1;
  run(256);
  expect_settled(b, "on a 10% slope");
}

// Where the full-throttle curve falls through zero: the engine's free-running limit.
double cut_out_rpm(const BikeSpec& s) {
  for (double rpm = s.upshift_rpm; rpm < 24500; rpm += 5)
    if (bike_torque_at(s.full_torque, rpm) <= 0) return rpm;
  return 24500;
}

// The rig's ground is flat and uniform: a bike about to ride off its end is
// carried back along it.
void keep_on_terrain(BikeRig& rig, BikeSim& b) {
  double p[3];
  position(b, BIKE_FRAME, p);
  if (p[2] < 200) bike_sim_move(b, 0, 0, START_Z - p[2]);
}

TEST_P(EveryBike, PullsThroughEveryGearToTheSpeedItsGearingGives) {
  open(0);
  BikeSim& b = *bike_rig_add(rig, GetParam(), START_X, START_Z);
  run(128);
  const BikeSpec& s = model();
  b.assists.bits |= ASSIST_WHEELIE_LIMITER;
  b.drive.clutch = 1;
  b.drive.throttle = 1;
  double cut = cut_out_rpm(s);
  double last_top = 0;
  int gears = 0;
  for (int g = 0; g < BIKE_GEARS && drivetrain_gear_present(s, g); ++g) {
    b.drive.gear = g;
    // Full throttle until the speed stops growing.
    double before = bike_sim_speed(b);
    for (int t = 0; t < 128 * 16; t += 64) {
      for (int k = 0; k < 64; ++k) {
        bike_rig_tic(rig);
        keep_on_terrain(rig, b);
      }
      double now = bike_sim_speed(b);
      if (now - before < 0.05) break;
      before = now;
    }
    // At the top the wheel turns at the engine speed over the reduction, and
    // the engine runs past its upshift point, close to where it stops pulling.
    double top = bike_sim_speed(b), rpm = drivetrain_rpm(b.drive);
    double rolling = s.rear_wheel.rim_radius + s.rear_wheel.tyre_radius - b.wheel[1].depth;
    double reduction = s.primary_ratio * s.gear_ratios[g] * (s.rear_sprocket / s.front_sprocket);
    double geared = rpm / DRIVETRAIN_RPM_PER_RAD_S / reduction * rolling;
    EXPECT_NEAR(top, geared, geared * 0.02) << "gear " << g + 1;
    EXPECT_GT(rpm, s.upshift_rpm) << "gear " << g + 1;
    EXPECT_LE(rpm, cut) << "gear " << g + 1;
    EXPECT_GT(top, last_top) << "gear " << g + 1;
    EXPECT_EQ(b.crash_index, 0) << "gear " << g + 1;
    last_top = top;
    ++gears;
  }
  EXPECT_GE(gears, 5);
  EXPECT_FALSE(bike_rig_broken(b));
  double p[3];
  position(b, BIKE_FRAME, p);
  EXPECT_NEAR(p[0], START_X, 2);  // rode straight
}

TEST_P(EveryBike, ShiftsUpByItselfUnderFullThrottle) {
  open(0);
  BikeSim& b = *bike_rig_add(rig, GetParam(), START_X, START_Z);
  run(128);
  const BikeSpec& s = model();
  b.assists.bits |= ASSIST_WHEELIE_LIMITER | ASSIST_AUTO_SHIFT;
  b.drive.clutch = 1;
  b.drive.throttle = 1;
  int top_gear = 0;
  for (int g = 0; g < BIKE_GEARS; ++g)
    if (drivetrain_gear_present(s, g)) top_gear = g;
  int highest = 0;
  double speed = 0;
  for (int t = 0; t < 128 * 20 && highest < top_gear; ++t) {
    bike_rig_tic(rig);
    keep_on_terrain(rig, b);
    EXPECT_GE(b.drive.gear, highest) << "no downshift while pulling, tic " << t;
    highest = std::max(highest, b.drive.gear);
    speed = bike_sim_speed(b);
  }
  EXPECT_EQ(highest, top_gear);
  EXPECT_GT(speed, 40);
}

TEST_P(EveryBike, AHardLandingThrowsTheRiderAndHeRemounts) {
  open(0);
  BikeSim& b = *bike_rig_add(rig, GetParam(), START_X, START_Z, 60);
  int t = 0;
  for (; t < 128 * 4 && !bike_sim_crashed(b); ++t) bike_rig_tic(rig);
  ASSERT_TRUE(bike_sim_crashed(b));
  int crashed = t;
  for (; t < 128 * 30 && bike_sim_crashed(b); ++t) bike_rig_tic(rig);
  EXPECT_FALSE(bike_sim_crashed(b));
  EXPECT_GE(t - crashed, 512);
  EXPECT_LT(off_seat(b), 0.05);
  EXPECT_FALSE(bike_rig_broken(b));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryBike, ::testing::Range(0, int(BIKE_MODELS)), bike_test_name);

}  // namespace
