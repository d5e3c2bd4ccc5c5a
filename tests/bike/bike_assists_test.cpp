// The rider's controls on a bike in the physics world: steering at speed,
// holding the bike up when stopped, walking it backwards, and the control
// input itself.
#include <gtest/gtest.h>

#include <cmath>

#include "bike/bike_sim.h"
#include "bike/bike_spec.h"
#include "bike/setup.h"
#include "bikerig/bike_rig.h"
#include "test_util.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double START_X = 1024, START_Z = 1950;

struct Riding : ::testing::Test {
  TempDir dir;
  BikeRig rig;
  void SetUp() override {
    rig.assists = true;
    ASSERT_TRUE(bike_rig_open(rig, dir.path));
  }
  void TearDown() override { bike_rig_close(rig); }

  // A cr125 with a setup at the given stability, simulation physics unless
  // arcade is asked for.
  BikeSim& bike(double stability, double x = START_X, bool arcade = false) {
    BikeSim& b = *bike_rig_add(rig, 0, x, START_Z);
    ::Setup setup;
    setup_defaults(setup);
    setup_apply_stability(setup, stability);
    setup_read(setup, "arcade", arcade ? "Yes" : "No");
    bike_sim_apply_tuning(b, setup_apply(*b.model, setup, true));
    return b;
  }
  // Rides for a time holding a speed with the throttle and the given steer.
  void ride(BikeSim& b, double seconds, double speed, double steer) {
    for (int t = 0; t < int(seconds * 128); ++t) {
      BikeInput in;
      in.throttle = std::clamp((speed - bike_sim_speed(b)) * 0.2 + 0.2, 0.0, 1.0);
      in.steer = steer;
      bike_set_input(b, in);
      bike_rig_tic(rig);
    }
  }
  void hold(BikeSim& b, double seconds, const BikeInput& in) {
    for (int t = 0; t < int(seconds * 128); ++t) {
      bike_set_input(b, in);
      bike_rig_tic(rig);
    }
  }
};

const dReal* velocity(const BikeSim& b) { return dBodyGetLinearVel(b.body[BIKE_FRAME]); }
const dReal* where(const BikeSim& b) { return dBodyGetPosition(b.body[BIKE_FRAME]); }

TEST_F(Riding, AtFullStabilityTheBikeRunsStraightAndCatchesAShove) {
  BikeSim& b = bike(100);
  ride(b, 10, 30, 0);
  EXPECT_NEAR(bike_sim_speed(b), 30, 1.5);
  EXPECT_NEAR(where(b)[0], START_X, 0.5);
  EXPECT_NEAR(bike_sim_lean_angle(b), 0, 1e-3);
  // A shove sideways at speed: the steering catches it. The lean-rate
  // controller's dead band may leave a few degrees of lean.
  dBodyAddRelTorque(b.body[BIKE_FRAME], 0, 0, 3000);
  ride(b, 6, 30, 0);
  EXPECT_NEAR(bike_sim_lean_angle(b), 0, 0.08);
  EXPECT_NEAR(bike_sim_speed(b), 30, 1.5);
  EXPECT_EQ(b.crash_index, 0);
  EXPECT_EQ(b.touching, BIKE_PART_WHEELS);
}

TEST_F(Riding, SteeringLeansTheBikeToItsTargetAndTurnsThatWay) {
  // Positive steer aims at a lean of -steer x roll limit angle, towards +x,
  // and the bike curves to that side; negative steer mirrors it.
  for (double steer : {0.5, -0.5}) {
    SCOPED_TRACE(steer);
    BikeSim& b = bike(100, START_X + (steer > 0 ? -200 : 200));
    ride(b, 4, 30, 0);
    ride(b, 5, 30, steer);
    // The lean-rate controller's dead band lets it settle a little past the target.
    EXPECT_NEAR(bike_sim_lean_angle(b), -steer * b.params.roll_limit_angle, 0.1);
    EXPECT_GT(velocity(b)[0] * steer, 5);  // curving towards the low side
    EXPECT_NEAR(bike_sim_speed(b), 30, 2);
    EXPECT_EQ(b.crash_index, 0);
    ride(b, 3, 30, 0);  // let go: back upright, within the controller's dead band
    EXPECT_NEAR(bike_sim_lean_angle(b), 0, 0.08);
  }
}

TEST_F(Riding, AStoppedBikeStaysUpOnTheFootOnlyWithAutoDab) {
  BikeSim& with = bike(100, START_X - 100);
  BikeSim& without = bike(100, START_X + 100);
  with.assists.bits |= ASSIST_AUTO_DAB;
  without.assists.bits &= ~ASSIST_AUTO_DAB;
  for (BikeSim* b : {&with, &without}) dBodySetAngularVel(b->body[BIKE_FRAME], 0, 0, 0.3);  // tipping over
  BikeInput idle;
  for (int t = 0; t < 128 * 5; ++t) {
    bike_set_input(with, idle);
    bike_set_input(without, idle);
    bike_rig_tic(rig);
  }
  EXPECT_LT(std::fabs(bike_sim_lean_angle(with)), PI / 6);
  EXPECT_GT(with.controls.foot_down, 0.99);
  EXPECT_GT(std::fabs(bike_sim_lean_angle(without)), PI / 3);  // on its side
  EXPECT_LT(bike_sim_speed(with), 0.5);
}

TEST_F(Riding, BackingUpWalksAtWalkingPaceButNotAtSpeed) {
  BikeSim& walker = bike(100, START_X - 100);
  walker.assists.bits |= ASSIST_AUTO_DAB;
  BikeInput back;
  back.back_up = 1;
  rig.tic = 1024;  // well after the start: every pulse counts
  double z0 = where(walker)[2];
  hold(walker, 4, back);
  double moved = where(walker)[2] - z0;
  EXPECT_GT(moved, 2.0);  // backwards is +z
  EXPECT_LT(moved, 4 * 4.0);
  EXPECT_LT(std::fabs(bike_sim_lean_angle(walker)), PI / 8);

  // At 10 ft/s the control does nothing: two bikes, one holding back up, stay together.
  BikeSim& a = bike(100, START_X + 100);
  BikeSim& b = bike(100, START_X + 130);
  for (int t = 0; t < 128 * 6; ++t) {
    BikeInput in;
    in.throttle = std::clamp((10 - bike_sim_speed(a)) * 0.2 + 0.2, 0.0, 1.0);
    bike_set_input(a, in);
    in.back_up = t >= 128 * 4 ? 1 : 0;  // once both roll at 10 ft/s
    bike_set_input(b, in);
    bike_rig_tic(rig);
  }
  EXPECT_NEAR(bike_sim_speed(a), 10, 1);
  EXPECT_NEAR(where(a)[2], where(b)[2], 1e-6);
}

TEST_F(Riding, InputIsClampedAndACrashedRiderLetsGo) {
  BikeSim& b = bike(100);
  BikeInput in;
  in.steer = 3;
  in.throttle = 2;
  in.front_brake = -1;
  in.rear_brake = NAN;
  in.clutch = 0.5;
  in.dab = 0.7;
  in.lean = -4;
  in.back_up = 1;
  in.shift = 5;
  bike_set_input(b, in);
  EXPECT_DOUBLE_EQ(b.controls.steer, 1);
  EXPECT_DOUBLE_EQ(b.drive.throttle, 1);
  EXPECT_DOUBLE_EQ(b.drive.front_brake, 0);
  EXPECT_DOUBLE_EQ(b.drive.rear_brake, 0);
  EXPECT_DOUBLE_EQ(b.drive.clutch, 0.5);
  EXPECT_DOUBLE_EQ(b.controls.lean, -1);
  EXPECT_EQ(b.drive.gear, 1);  // one shift up
  bike_set_input(b, in);
  EXPECT_EQ(b.drive.gear, 1);  // held: no second shift
  in.shift = 0;
  bike_set_input(b, in);
  in.shift = 1;
  bike_set_input(b, in);
  EXPECT_EQ(b.drive.gear, 2);

  b.crash_counter = 300;
  bike_set_input(b, in);
  EXPECT_DOUBLE_EQ(b.drive.throttle, 0);
  EXPECT_DOUBLE_EQ(b.controls.dab, 0);
  EXPECT_DOUBLE_EQ(b.controls.back_up, 0);
  EXPECT_DOUBLE_EQ(b.controls.lean, 0);
  EXPECT_DOUBLE_EQ(b.controls.steer, 1);  // the bars still turn
  in.shift = -1;
  bike_set_input(b, in);
  EXPECT_EQ(b.drive.gear, 2);  // no shifting while down
}

TEST_F(Riding, SteeringLockNarrowsWithSpeedAndSlipperyGround) {
  BikeSim& b = bike(100);
  b.params.restricted_lock = 0.05;
  b.params.full_lock_speed = 10;
  b.params.restricted_lock_speed = 50;
  Surface slick;
  slick.friction[0].value = 0.5;
  rig.surfaces.surfaces.assign(1, slick);
  BikeStepContext ctx = bike_rig_context(rig);
  auto lock_at = [&](double speed) {
    double rate = speed / (b.wheel[0].R + b.wheel[0].r);
    dBodySetAngularVel(b.body[BIKE_FRONT_WHEEL], -rate, 0, 0);  // rolling towards -z
    return bike_steering_lock(b, ctx);
  };
  EXPECT_NEAR(lock_at(60), 2 * 0.05, 1e-9);  // half the grip: twice the restricted lock
  EXPECT_NEAR(lock_at(0), PI / 4, 1e-9);     // full lock at walking pace
  EXPECT_NEAR(lock_at(0.5), PI / 4, 1e-9);
  double mid = lock_at(20);
  EXPECT_GT(mid, 0.1);
  EXPECT_LT(mid, PI / 4);

  // A restricted lock of 0 at speed leaves a lock of 0: the lean indicator
  // must stay a number for the dab support that multiplies by it.
  b.params.restricted_lock = 0;
  EXPECT_NEAR(lock_at(60), 0, 1e-12);
  bike_steering_step(b, ctx);
  EXPECT_TRUE(std::isfinite(b.lean_indicator));
  EXPECT_GE(b.lean_indicator, 0);
  EXPECT_LE(b.lean_indicator, 1);
  physics_contacts_clear(rig.physics);
}

TEST_F(Riding, ArcadeModeLeansByMotorAndNeverCrashesOnLanding) {
  // The roll motor takes the bike to -steer x pi/4 and holds it there.
  BikeSim& b = bike(100, START_X, true);
  ASSERT_EQ(b.params.arcade, 1);
  ride(b, 3, 30, 0);
  EXPECT_NEAR(bike_sim_lean_angle(b), 0, 0.01);
  ride(b, 3, 30, 0.5);
  EXPECT_NEAR(bike_sim_lean_angle(b), -0.5 * PI / 4, 0.02);
  EXPECT_GT(velocity(b)[0], 3);
  EXPECT_EQ(b.crash_index, 0);
}

}  // namespace
