#include "bike/drivetrain.h"

#include "bike/bike_spec.h"
#include "bike/rider_params.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTic = 1.0 / 128;

const BikeSpec& cr125() {
  const BikeSpec* b = bike_catalogue_find("cr125");
  EXPECT_NE(b, nullptr);
  return *b;
}

// cr125 with gears 3, 5 and 6 missing: first, second and fourth only.
BikeSpec gapped_bike() {
  BikeSpec b = cr125();
  b.gear_ratios[2] = -1;
  b.gear_ratios[4] = 0;
  b.gear_ratios[5] = -1;
  return b;
}

RiderParams params_for(const BikeSpec& b) {
  RiderParams p = bike_sim_defaults(b).params;
  p.final_drive_ratio = 4.0;
  p.auto_clutch_rpm = 0;
  p.front_brake_torque = 100;
  p.rear_brake_torque = 80;
  return p;
}

Drivetrain fresh() {
  Drivetrain d;
  drivetrain_reset(d);
  return d;
}

DrivetrainBodyInputs grounded() {
  DrivetrainBodyInputs in{};
  in.front_contact = true;
  in.rear_contact = true;
  in.swingarm_compression = 0.1;
  return in;
}

double rad_s(double rpm) { return rpm / DRIVETRAIN_RPM_PER_RAD_S; }

TEST(DrivetrainTorque, CurvesBlendedByThrottle) {
  struct Case {
    double rpm, throttle, expected;
  };
  const Case cases[] = {
      {12000, 1, 12.7364},
      {12499, 1, 12.7364 + (2.1008 - 12.7364) * 0.998},
      {12500, 1, 2.1008},
      {13000, 1, 0},
      {12000, 0, -11},
      {12499, 0, -11},
      {13000, 0, -12},
      {12000, 0.5, (12.7364 - 11) / 2},
      {13000, 0.25, -9},
      {1500, 0, 0},     // the closed curve crosses zero here
      {250, 0, 2},      // small positive torque below it
      {1e9, 0, -23},    // beyond the table: the last entry
      {-500, 1, 5},     // below zero: the first entry
      {12000, 2, 12.7364},  // throttle limited to 0..1
      {12000, NAN, -11},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(drivetrain_curve_torque(cr125(), c.rpm, c.throttle), c.expected, 1e-4)
        << c.rpm << " rpm, throttle " << c.throttle;
  }
  // The state's own reading: engine speed in rad/s.
  Drivetrain d = fresh();
  d.engine_speed = rad_s(12500);
  d.throttle = 1;
  EXPECT_NEAR(drivetrain_engine_torque(d, cr125(), AssistFlags{0}, grounded()), 2.1008, 1e-4);
}

TEST(DrivetrainTorque, WheelieLimiter) {
  struct Case {
    uint32_t bits;
    bool front, rear;
    double pitch_rate, torque, expected;
  };
  const uint32_t on = ASSIST_WHEELIE_LIMITER;
  const Case cases[] = {
      {on, false, true, 0.5, 10, 0},           // front lifting: cut
      {on, false, true, -1.0 / 64, 10, 0},     // front dropping slowly: still cut
      {on, false, true, -1.0 / 16, 10, 10},    // front coming down: left alone
      {on, false, true, 0.5, -3, -3},          // engine braking is kept
      {on, true, true, 0.5, 10, 10},           // front on the ground
      {on, false, false, 0.5, 10, 10},         // both wheels in the air
      {0, false, true, 0.5, 10, 10},           // limiter off
      {ASSIST_AUTO_SHIFT, false, true, 0.5, 10, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(drivetrain_wheelie_limit(c.torque, AssistFlags{c.bits}, c.front, c.rear, c.pitch_rate), c.expected)
        << c.bits << " " << c.front << c.rear << " " << c.pitch_rate;
  }
  Drivetrain d = fresh();
  d.engine_speed = rad_s(9000);
  d.throttle = 1;
  DrivetrainBodyInputs wheelie = grounded();
  wheelie.front_contact = false;
  wheelie.frame_pitch_rate = 1;
  EXPECT_EQ(drivetrain_engine_torque(d, cr125(), AssistFlags{on}, wheelie), 0);
  EXPECT_GT(drivetrain_engine_torque(d, cr125(), AssistFlags{0}, wheelie), 10);
}

TEST(DrivetrainShift, ManualShiftTable) {
  struct Case {
    bool gapped;
    int gear, last, input;
    bool crashed;
    int expected_gear, expected_last;
    bool taken;
  };
  const Case cases[] = {
      {false, 0, 0, 1, false, 1, 1, true},
      {false, 2, 0, -1, false, 1, -1, true},
      {false, 0, 0, -1, false, 0, -1, true},    // below first stays in first
      {false, 4, 0, 1, false, 4, 1, true},      // five-speed: no sixth
      {false, 2, 1, 1, false, 2, 1, false},     // held: no repeat
      {false, 2, 1, 0, false, 2, 0, true},      // released: current gear re-selected
      {false, 2, 0, 1, true, 2, 0, false},      // crashed
      {false, 2, 0, 2, false, 2, 0, false},     // out of range
      {false, 2, 0, -2, false, 2, 0, false},
      {true, 1, 0, 1, false, 1, 1, true},       // third absent: nearest lower present is second
      {true, 3, 0, 1, false, 3, 1, true},       // fifth absent
      {true, 3, 0, -1, false, 1, -1, true},     // down over the gap
      {true, 5, 1, 0, false, 3, 0, true},       // out of an absent gear to the nearest lower one
  };
  const BikeSpec gap = gapped_bike();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gear);
    Drivetrain d = fresh();
    d.gear = c.gear;
    d.last_shift = c.last;
    EXPECT_EQ(drivetrain_shift(d, c.gapped ? gap : cr125(), c.input, c.crashed), c.taken) << c.gear << " " << c.input;
    EXPECT_EQ(d.gear, c.expected_gear) << c.gear << " " << c.input;
    EXPECT_EQ(d.last_shift, c.expected_last) << c.gear << " " << c.input;
  }
}

TEST(DrivetrainShift, HoldingShiftsOnce) {
  Drivetrain d = fresh();
  for (int i = 0; i < 5; ++i) drivetrain_shift(d, cr125(), 1, false);
  EXPECT_EQ(d.gear, 1);
  drivetrain_shift(d, cr125(), 0, false);
  drivetrain_shift(d, cr125(), 1, false);
  EXPECT_EQ(d.gear, 2);
}

TEST(DrivetrainShift, AutomaticShiftTable) {
  struct Case {
    bool gapped;
    int gear;
    double wheel_rpm;  // engine rpm the rear wheel's speed implies in the current gear
    int64_t tic;
    double compression;
    bool rear_contact;
    double rear_slip;
    uint32_t bits;
    int expected;
  };
  const uint32_t on = ASSIST_AUTO_SHIFT;
  const Case cases[] = {
      {false, 2, 9300, 64, 0.1, true, 0, on, 1},      // below 9400: down
      {false, 2, 12100, 64, 0.1, true, 0, on, 3},     // above 12000: up
      {false, 2, 10000, 64, 0.1, true, 0, on, 2},     // in between
      {false, 2, 9400, 64, 0.1, true, 0, on, 2},      // at the downshift rpm
      {false, 2, 12000, 64, 0.1, true, 0, on, 2},     // at the upshift rpm
      {false, 4, 12100, 64, 0.1, true, 0, on, 4},     // no sixth on a five-speed
      {false, 1, 5000, 64, 0.1, true, 0, on, 0},
      {false, 0, 5000, 64, 0.1, true, 0, on, 0},
      {false, 2, 12100, 65, 0.1, true, 0, on, 2},     // not a multiple of 32
      {false, 2, 12100, 0, 0.1, true, 0, on, 3},
      {false, 2, 12100, 48, 0.1, true, 0, on, 2},
      {false, 2, 12100, 64, 0.01, true, 0, on, 2},    // swingarm not compressed enough
      {false, 2, 12100, 64, 0.1, true, 2.5, on, 2},   // rear wheel spinning
      {false, 2, 12100, 64, 0.1, true, 2.0, on, 3},   // at the slip threshold
      {false, 2, 12100, 64, 0.1, false, 9, on, 3},    // in the air any slip counts as none
      {false, 2, 12100, 64, 0.1, true, NAN, on, 2},
      {false, 2, 12100, 64, 0.1, true, 0, ASSIST_REAR_ANTILOCK, 2},  // off
      {true, 3, 5000, 64, 0.1, true, 0, on, 1},       // down over the absent third
      {true, 1, 12100, 64, 0.1, true, 0, on, 1},      // third absent: stays in second
  };
  const BikeSpec gap = gapped_bike();
  for (const Case& c : cases) {
    const BikeSpec& bike = c.gapped ? gap : cr125();
    RiderParams p = params_for(bike);
    Drivetrain d = fresh();
    d.gear = c.gear;
    DrivetrainBodyInputs in = grounded();
    in.rear_contact = c.rear_contact;
    in.rear_slip = c.rear_slip;
    in.swingarm_compression = c.compression;
    in.rear_axle_rate = rad_s(c.wheel_rpm) / drivetrain_reduction(d, bike, p);
    bool changed = drivetrain_auto_shift(d, bike, p, AssistFlags{c.bits}, in, c.tic);
    EXPECT_EQ(d.gear, c.expected) << c.gear << " at " << c.wheel_rpm << " tic " << c.tic;
    EXPECT_EQ(changed, c.expected != c.gear);
  }
}

TEST(DrivetrainShift, AutoShiftDoesNotHuntBetweenWideGears) {
  // The minibike's first two gears lie 1.55 apart but its shift points only
  // 1.28: an upshift at 12100 rpm lands at 7830 rpm in second, below the
  // downshift point. Going back down would land at 12100 in first and shift
  // straight up again.
  const BikeSpec& mini = *bike_catalogue_find("rs50cr");
  RiderParams p = params_for(mini);
  Drivetrain d = fresh();
  DrivetrainBodyInputs in = grounded();
  in.swingarm_compression = 0.1;
  auto check = [&](int gear, double wheel_rpm, int64_t tic) {
    d.gear = gear;
    in.rear_axle_rate = rad_s(wheel_rpm) / drivetrain_reduction(d, mini, p);
    drivetrain_auto_shift(d, mini, p, AssistFlags{ASSIST_AUTO_SHIFT}, in, tic);
    return d.gear;
  };
  EXPECT_EQ(check(0, 12100, 0), 1);
  EXPECT_EQ(check(1, 12100 * 2.0 / 3.091, 32), 1);  // stays in second
  EXPECT_EQ(check(1, 5000, 64), 0);                 // but slows right down: first
  EXPECT_EQ(check(3, 9000, 96), 2);                 // close gears shift down as before
  // The close-ratio cr125 is untouched: below 9400 it goes down.
  const BikeSpec& b = cr125();
  RiderParams q = params_for(b);
  d.gear = 1;
  in.rear_axle_rate = rad_s(9300) / drivetrain_reduction(d, b, q);
  drivetrain_auto_shift(d, b, q, AssistFlags{ASSIST_AUTO_SHIFT}, in, 0);
  EXPECT_EQ(d.gear, 0);
}

TEST(DrivetrainClutch, AutoClutchAndRobots) {
  struct Case {
    double c, rpm, auto_rpm, expected;
  };
  const Case cases[] = {
      {1, 5500, 5000, 0.25},
      {0.1, 5500, 5000, 0.1},
      {1, 4000, 5000, 0},
      {1, 6999, 5000, 0.9995},
      {1, 7000, 5000, 1},
      {0.6, 7001, 5000, 0.6},   // above the ramp the control alone decides
      {0.6, NAN, 5000, 0.6},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(drivetrain_auto_clutch(c.c, c.rpm, c.auto_rpm), c.expected, 1e-9) << c.rpm;

  // cr125 downshifts at 9400: the robots' clutch ramps in from 8400 to 9400 rpm in first.
  struct Robot {
    int gear;
    double rpm, expected;
  };
  const Robot robots[] = {{0, 8000, 0}, {0, 8400, 0}, {0, 8900, 0.5}, {0, 9400, 1}, {0, 12000, 1}, {1, 0, 1}, {4, 500, 1}};
  for (const Robot& r : robots) {
    Drivetrain d = fresh();
    d.gear = r.gear;
    d.engine_speed = rad_s(r.rpm);
    EXPECT_NEAR(drivetrain_robot_clutch(d, cr125()), r.expected, 1e-9) << r.gear << " " << r.rpm;
  }
}

// One coupling pass from an engine at 1000 rad/s in third with the wheel turning
// at (1000 - lag) / N rad/s and the crank windup at `windup`.
struct CoupleCase {
  double lag, windup, clutch, auto_rpm;
  double expected_q, expected_engagement, expected_windup_before_advance;
};

TEST(DrivetrainCoupling, TorqueSignSizeAndSlip) {
  const BikeSpec& bike = cr125();
  ASSERT_EQ(bike.coupling_damping, 0.75f);
  ASSERT_EQ(bike.coupling_stiffness, 7500.0f);
  const double q4 = kPi / 4;
  const CoupleCase cases[] = {
      // Engine ahead of the wheel: positive torque, frame +Q, wheel -Q.
      {100, 0.01, 1, 0, 75 + 75, 1, 0.01},
      // Damper part clamped at 500.
      {1000, 0, 1, 0, 500, 1, 0},
      {-1000, 0, 1, 0, -500, 1, 0},
      // Windup beyond pi/4 × c: the clutch slips and the windup is pinned.
      {0, 1.0, 1, 0, 7500, 1, q4},
      {0, -1.0, 1, 0, -7500, 1, -q4},
      // Half engagement: torque × 1/4, slip at pi/8.
      {0, 1.0, 0.5, 0, 7500 * 0.25, 0.5, q4 / 2},
      // Windup across the wrap: 2 pi + 0.01 is 0.01.
      {0, 2 * kPi + 0.01, 1, 0, 75, 1, 0.01},
      // Auto clutch at 9549 rpm with auto clutch rpm 9049: at most 0.25, driving only.
      {100, 0, 1, 9049.296585513721, 75 * 0.0625, 0.25, 0},
      {-100, 0, 1, 9049.296585513721, -75, 1, 0},
  };
  for (const CoupleCase& c : cases) {
    RiderParams p = params_for(bike);
    p.auto_clutch_rpm = c.auto_rpm;
    Drivetrain d = fresh();
    d.gear = 2;
    d.engine_speed = 1000;
    d.clutch = c.clutch;
    double n = drivetrain_reduction(d, bike, p);
    ASSERT_NEAR(n, 3.15 * 1.579 * 4.0, 1e-5);
    double wheel_angle = 0.3;
    d.crank_windup = wheel_angle + c.windup;
    double wheel_rate = (1000 - c.lag) / n;
    const double t = 5, h = kTic;
    DrivetrainCoupling k = drivetrain_couple(d, bike, p, wheel_angle, wheel_rate, t, h);
    EXPECT_NEAR(k.torque, c.expected_q, 1e-6) << c.lag << " " << c.windup;
    EXPECT_NEAR(k.engagement, c.expected_engagement, 1e-9);
    double speed = 1000 + (-c.expected_q / n + t) / bike.engine_inertia * h;
    EXPECT_NEAR(d.engine_speed, speed, 1e-6);
    double windup = std::remainder(wheel_angle + c.expected_windup_before_advance + speed * h / n, 2 * kPi);
    EXPECT_NEAR(d.crank_windup, windup, 1e-9);
  }
}

TEST(DrivetrainCoupling, AbsentGearAndBadWheelValues) {
  const BikeSpec& bike = cr125();
  RiderParams p = params_for(bike);
  Drivetrain d = fresh();
  d.gear = 5;  // the cr125 has no sixth
  d.clutch = 1;
  d.engine_speed = 100;
  EXPECT_EQ(drivetrain_reduction(d, bike, p), 0);
  DrivetrainCoupling k = drivetrain_couple(d, bike, p, 0, 50, 2, kTic);
  EXPECT_EQ(k.torque, 0);
  EXPECT_NEAR(d.engine_speed, 100 + 2.0 / double(bike.engine_inertia) * kTic, 1e-9);
  EXPECT_TRUE(std::isfinite(d.crank_windup));

  d.gear = 2;
  Drivetrain before = d;
  k = drivetrain_couple(d, bike, p, NAN, 50, 2, kTic);
  EXPECT_EQ(k.torque, 0);
  EXPECT_EQ(d.engine_speed, before.engine_speed);
  EXPECT_EQ(d.crank_windup, before.crank_windup);
  k = drivetrain_couple(d, bike, p, 0, INFINITY, 2, kTic);
  EXPECT_EQ(k.torque, 0);
  EXPECT_EQ(d.engine_speed, before.engine_speed);
}

TEST(DrivetrainBrakes, AntilockAndStoppie) {
  struct Case {
    uint32_t bits;
    double front_in, rear_in;
    bool front_contact;
    double front_slip;
    bool rear_contact;
    double rear_slip;
    double front, rear;
  };
  const uint32_t fa = ASSIST_FRONT_ANTILOCK, ra = ASSIST_REAR_ANTILOCK, st = ASSIST_STOPPIE_LIMITER;
  const Case cases[] = {
      {0, 1, 1, true, 10, true, 10, 100, 80},
      {0, 0.5, 0.25, true, 0, true, 0, 50, 20},
      {fa, 1, 1, true, 2.5, true, 2.5, 0, 80},     // front locking released
      {fa, 1, 1, true, 2.0, true, 0, 100, 80},     // at the threshold: kept
      {fa, 1, 1, false, 9, true, 0, 100, 80},      // in the air: slip does not count
      {ra, 1, 1, true, 9, true, 2.5, 100, 0},
      {ra, 1, 1, true, 9, false, 9, 100, 80},
      {st, 1, 1, true, 0, false, 0, 0, 80},        // rear in the air: no front brake
      {st, 1, 1, true, 0, true, 0, 100, 80},
      {st, 1, 1, false, 0, false, 0, 100, 80},     // both in the air
      {fa | st, 1, 0, true, 0, false, 0, 0, 0},
      {fa | ra | st, 1, 1, true, 1, true, 1, 100, 80},
      {0, -1, NAN, true, 0, true, 0, 0, 0},        // never a negative or NaN motor limit
  };
  RiderParams p = params_for(cr125());
  for (const Case& c : cases) {
    Drivetrain d = fresh();
    d.front_brake = c.front_in;
    d.rear_brake = c.rear_in;
    DrivetrainBodyInputs in = grounded();
    in.front_contact = c.front_contact;
    in.front_slip = c.front_slip;
    in.rear_contact = c.rear_contact;
    in.rear_slip = c.rear_slip;
    DrivetrainBrakes b = drivetrain_brakes(d, p, AssistFlags{c.bits}, in);
    EXPECT_EQ(b.front, c.front) << c.bits << " " << c.front_slip << " " << c.rear_contact;
    EXPECT_EQ(b.rear, c.rear) << c.bits << " " << c.rear_slip;
  }
}

// Engine alone with the clutch out and the throttle closed: the closed curve's
// positive torque below 1500 rpm and its drag above bring it to 1500 rpm.
TEST(DrivetrainStep, ClosedThrottleIdleSettlesAt1500) {
  const BikeSpec& bike = cr125();
  RiderParams p = params_for(bike);
  for (double start_rpm : {0.0, 6000.0}) {
    Drivetrain d = fresh();
    d.engine_speed = rad_s(start_rpm);
    DrivetrainBodyInputs in = grounded();
    in.rear_axle_rate = 3;
    DrivetrainOutput out{};
    for (int64_t tic = 1; tic <= 128 * 20; ++tic) {
      in.rear_axle_angle = std::remainder(3 * tic * kTic, 2 * kPi);
      out = drivetrain_step(d, bike, p, AssistFlags{0}, in, tic, kTic);
      ASSERT_EQ(out.frame_torque_x, 0);
    }
    EXPECT_NEAR(drivetrain_rpm(d), 1500, 1) << start_rpm;
    EXPECT_NEAR(out.engine_torque, 0, 0.01);
    EXPECT_EQ(d.gear, 0);
  }
}

TEST(DrivetrainStep, ReactionsAndBrakesTogether) {
  const BikeSpec& bike = cr125();
  RiderParams p = params_for(bike);
  Drivetrain d = fresh();
  d.gear = 1;
  d.clutch = 1;
  d.throttle = 1;
  d.front_brake = 0.5;
  d.engine_speed = rad_s(9000);
  DrivetrainBodyInputs in = grounded();
  in.rear_axle_rate = 0;  // wheel held: the engine drives hard against it
  DrivetrainOutput out = drivetrain_step(d, bike, p, AssistFlags{0}, in, 1, kTic);
  EXPECT_EQ(out.frame_torque_x, 500);
  EXPECT_EQ(out.rear_wheel_torque_x, -500);
  EXPECT_EQ(out.front_brake_fmax, 50);
  EXPECT_EQ(out.rear_brake_fmax, 0);
  EXPECT_NEAR(out.engine_torque, bike_torque_at(bike.full_torque, 9000), 1e-9);
}

}  // namespace
