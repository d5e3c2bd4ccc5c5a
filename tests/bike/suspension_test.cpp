#include "bike/suspension.h"

#include "bike/bike_spec.h"
#include "bike/rider_params.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kTic = 1.0 / 128;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A bike with only the suspension geometry filled in, from the catalogue's
// common values.
BikeSpec susp_bike() {
  BikeSpec b{};
  b.fork_travel = 1.0f;
  const float linkage[7] = {0.283652f, 0.413386f, 0.530304f, 0.75f, 0.315039f, 0.460479f, 0.607049f};
  for (int i = 0; i < 7; i++) b.linkage[i] = linkage[i];
  b.rider_mass = 4.6875f;
  return b;
}

RiderParams susp_params() {
  RiderParams p{};
  p.fork_hs_compression = 60;
  p.fork_ls_compression = 0;
  p.fork_hs_rebound = 30;
  p.fork_ls_rebound = 0;
  p.fork_spring_rate = 100;
  p.fork_preload = 0.05;
  p.fork_air_gap = 0.416667;
  p.shock_hs_compression = 1600;
  p.shock_ls_compression = 0;
  p.shock_hs_rebound = 1200;
  p.shock_ls_rebound = 150;
  p.shock_spring_rate = 900;
  p.shock_preload = 0.1;
  p.rider_vertical_spring = 0.5;
  p.rider_vertical_damping = 0.25;
  p.rider_fore_aft_spring = 0.5;
  p.rider_fore_aft_damping = 0.5;
  return p;
}

TEST(SuspensionDamping, TwoSpeedCurveTable) {
  struct Case {
    double rate, hsc, lsc, hsr, lsr, want;
  } cases[] = {
      {-2, 60, 30, 0, 0, 150},      // s + LS inside [s/8, 8s]
      {-2, 60, -60, 0, 0, 60},      // a negative adjuster softens
      {-2, 60, -200, 0, 0, 15},     // ... down to s/8
      {-0.01, 60, 60, 0, 0, 4.8},   // low speed: LS capped at 8s
      {0, 60, 60, 30, 30, 0},       // at rest no damping whatever LS says
      {1, 60, 60, 30, 30, -60},     // rebound pair, pulls in
      {1, 60, 60, 30, -29, -3.75},  // rebound floor s/8
      {kNaN, 60, 60, 30, 30, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate " << c.rate << " lsc " << c.lsc << " lsr " << c.lsr);
    EXPECT_NEAR(suspension_damping(c.rate, c.hsc, c.lsc, c.hsr, c.lsr), c.want, 1e-9);
  }
}

TEST(SuspensionAirSpring, Table) {
  struct Case {
    double p, gap, want;
  } cases[] = {
      {0, 0.416667, 0},
      {-0.01, 0.416667, 0.8218737981207459},
      {-0.5, 0.416667, 69.2192054347948},
      {-1, 0.416667, 374.96591672914326},
      {-2, 0.416667, 374.96591672914326},  // past the stop: held at full travel
      {-1, 0.25, 702.4309148083388},       // oil level 100: smaller gap, stiffer
      {-1, 0, 52677.21851153693},          // no gap: read as the minimum, finite
      {-1, -0.3, 52677.21851153693},
      {-1, kNaN, 52677.21851153693},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "p " << c.p << " gap " << c.gap);
    EXPECT_NEAR(suspension_air_spring(c.p, c.gap, 1.0), c.want, 1e-6 * (1 + c.want));
  }
  EXPECT_EQ(suspension_air_spring(-0.5, 0.4, 0), 0);
}

TEST(SuspensionFork, SpringAirDampingAndFade) {
  BikeSpec b = susp_bike();
  RiderParams p = susp_params();
  // Half travel at rest: (preload + 0.5) × rate + air spring.
  SuspensionMotor m = suspension_fork(p, b, -0.5, 0);
  EXPECT_NEAR(m.force, 0.55 * 100 + 69.2192054347948, 1e-6);
  EXPECT_EQ(m.velocity, SUSPENSION_MOTOR_VELOCITY);
  EXPECT_NEAR(m.fmax, m.force, 1e-12);
  // Compressing adds the compression damping, rebounding subtracts.
  EXPECT_NEAR(suspension_fork(p, b, -0.5, -1).force, m.force + 60, 1e-6);
  EXPECT_NEAR(suspension_fork(p, b, -0.5, 1).force, m.force - 30, 1e-6);
  // Within the first 1/32 of travel the force fades to zero.
  EXPECT_NEAR(suspension_fork(p, b, -0.01, 0).force, 0.32 * (0.06 * 100 + 0.8218737981207459), 1e-6);
  EXPECT_EQ(suspension_fork(p, b, 0, -5).fmax, 0);
  // A fast rebound outruns the spring: the motor only resists.
  SuspensionMotor r = suspension_fork(p, b, -0.5, 10);
  EXPECT_LT(r.force, 0);
  EXPECT_EQ(r.velocity, 0);
  EXPECT_NEAR(r.fmax, -r.force, 1e-12);
  // Broken inputs give a motor that does nothing.
  SuspensionMotor n = suspension_fork(p, b, kNaN, 0);
  EXPECT_EQ(n.fmax, 0);
  EXPECT_EQ(n.force, 0);
  b.fork_travel = 0;
  EXPECT_EQ(suspension_fork(p, b, -0.5, 0).fmax, 0);
}

TEST(SuspensionLinkage, EndsSplitAndSlopes) {
  BikeSpec b = susp_bike();
  struct Case {
    double x, stroke, slope;
  } cases[] = {
      {0, 0, 0.315039},
      {-1, 0, 0.315039},  // clamped
      {0.375, 0.128191, 0.3734245},
      {0.75, 0.283652, 0.460479},
      {1, 0.413386, 0.607049},
      {3, 0.413386, 0.607049},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "x " << c.x);
    LinkagePoint l = suspension_linkage(b, c.x);
    EXPECT_NEAR(l.stroke, c.stroke, 1e-6);
    EXPECT_NEAR(l.slope, c.slope, 1e-6);
  }
  // The two pieces meet at the split in value and slope.
  LinkagePoint lo = suspension_linkage(b, 0.75 - 1e-9), hi = suspension_linkage(b, 0.75 + 1e-9);
  EXPECT_NEAR(lo.stroke, hi.stroke, 1e-7);
  EXPECT_NEAR(lo.slope, hi.slope, 1e-6);
  // The slope is the derivative of the stroke everywhere, and the stroke rises.
  double prev = -1;
  for (int i = 0; i <= 200; i++) {
    double x = i / 200.0, e = 1e-6;
    LinkagePoint l = suspension_linkage(b, x);
    double a = std::max(0.0, x - e), c = std::min(1.0, x + e);
    double fd = (suspension_linkage(b, c).stroke - suspension_linkage(b, a).stroke) / (c - a);
    EXPECT_NEAR(l.slope, fd, 1e-5) << "x " << x;
    EXPECT_GT(l.slope, 0) << "x " << x;
    EXPECT_GT(l.stroke, prev) << "x " << x;
    prev = l.stroke;
  }
  // A split at either end leaves one piece and no division by zero.
  for (float split : {0.0f, 1.0f}) {
    b.linkage[3] = split;
    for (double x : {0.0, 0.5, 1.0}) {
      LinkagePoint l = suspension_linkage(b, x);
      EXPECT_TRUE(std::isfinite(l.stroke) && std::isfinite(l.slope)) << split << " " << x;
    }
  }
}

TEST(SuspensionShock, TorqueThroughLinkage) {
  BikeSpec b = susp_bike();
  RiderParams p = susp_params();
  double travel = b.linkage[2];
  // Full travel at rest: S' × (preload + S) × rate.
  SuspensionMotor m = suspension_shock(p, b, -travel, 0);
  double full_stroke = b.linkage[1], full_slope = b.linkage[6];
  EXPECT_NEAR(m.force, full_slope * (0.1 + full_stroke) * 900, 1e-4);
  EXPECT_EQ(m.velocity, SUSPENSION_MOTOR_VELOCITY);
  // The damper sees the hinge rate through the linkage slope.
  double w = -2;
  double d = suspension_damping(w * full_slope, 1600, 0, 1200, 150);
  EXPECT_NEAR(suspension_shock(p, b, -travel, w).force, full_slope * ((0.1 + full_stroke) * 900 + d), 1e-4);
  // Fade over the first 1/32 of travel: half at 1/64.
  LinkagePoint l = suspension_linkage(b, 1.0 / 64);
  EXPECT_NEAR(suspension_shock(p, b, -travel / 64, 0).force, 0.5 * l.slope * (0.1 + l.stroke) * 900, 1e-4);
  EXPECT_EQ(suspension_shock(p, b, 0, 0).fmax, 0);
  EXPECT_EQ(suspension_shock(p, b, kNaN, 0).fmax, 0);
  b.linkage[2] = 0;
  EXPECT_EQ(suspension_shock(p, b, -0.3, 0).fmax, 0);
}

// Over every catalogue bike, the softest and stiffest setups: the force at
// rest grows with compression past the fade and nothing is ever NaN.
TEST(SuspensionInvariants, ForceGrowsWithCompressionAndStaysFinite) {
  for (int i = 0; i < BIKE_MODELS; i++) {
    const BikeSpec* b = bike_spec(i);
    ASSERT_NE(b, nullptr);
    RiderParams base = bike_sim_defaults(*b).params;
    for (int end = 0; end < 2; end++) {
      RiderParams p = base;
      p.fork_spring_rate = b->fork_spring_rate[end];
      p.fork_preload = b->fork_preload[end];
      p.fork_air_gap = b->fork_oil_gap[end];
      p.shock_spring_rate = b->shock_spring_rate[end];
      p.shock_preload = b->shock_preload[end];
      SCOPED_TRACE(testing::Message() << b->name << " end " << end);
      double fork_prev = -1, shock_prev = -1;
      for (int k = 0; k <= 64; k++) {
        double f = suspension_fork(p, *b, -b->fork_travel * k / 64.0, 0).force;
        double s = suspension_shock(p, *b, -b->linkage[2] * k / 64.0, 0).force;
        ASSERT_TRUE(std::isfinite(f) && std::isfinite(s)) << k;
        if (k > 2) {
          EXPECT_GT(f, fork_prev) << k;
          EXPECT_GT(s, shock_prev) << k;
        }
        fork_prev = f;
        shock_prev = s;
      }
      for (double x : {-1.5, -1.0, -0.5, 0.0, 0.2}) {
        for (double v : {-1e4, -30.0, -0.001, 0.0, 0.001, 30.0, 1e4}) {
          SuspensionMotor fm = suspension_fork(p, *b, x * b->fork_travel, v);
          SuspensionMotor sm = suspension_shock(p, *b, x * b->linkage[2], v);
          ASSERT_TRUE(std::isfinite(fm.fmax) && std::isfinite(sm.fmax)) << x << " " << v;
          ASSERT_GE(fm.fmax, 0);
          ASSERT_GE(sm.fmax, 0);
        }
      }
    }
  }
}

TEST(SuspensionGraph, DampingShare) {
  EXPECT_NEAR(suspension_damping_share(60, 30, 1), 30.0 / 90, 1e-12);
  EXPECT_NEAR(suspension_damping_share(60, 30, -1), 30.0 / 90, 1e-12);
  EXPECT_EQ(suspension_damping_share(60, 0, 0), 0);  // the default LS at rest: no 0/0
  EXPECT_EQ(suspension_damping_share(60, -30, 0.1), 0);
  EXPECT_EQ(suspension_damping_share(60, 30, kNaN), 0);
}

TEST(SuspensionSoftContact, ErpCfm) {
  SoftContact s;
  ASSERT_TRUE(suspension_soft_contact(2500, 250, kTic, s));
  EXPECT_NEAR(s.cfm, 1 / (250 + 2500 * kTic), 1e-15);
  EXPECT_NEAR(s.erp, 2500 * kTic / (250 + 2500 * kTic), 1e-12);
  ASSERT_TRUE(suspension_soft_contact(300, 0, kTic, s));
  EXPECT_NEAR(s.erp, 1, 1e-12);
  EXPECT_FALSE(suspension_soft_contact(0, 0, kTic, s));
  EXPECT_EQ(s.cfm, 0);
}

TEST(RiderSprings, Table) {
  RiderParams p = susp_params();
  struct Case {
    double m, n, dab, lean;
    double target, fa_depth, fa_normal, fa_kp, fa_kd;
    double v_depth, v_normal, v_kp, v_kd;
  } cases[] = {
      // At the rest point: the spring rates alone.
      {0, 0, 0, 0, 0, 0, 1, 300, 0, 0.125, 1, 200, 25},
      // Dabbing crouches and lean shifts the target; the rider is pushed back (+z).
      {0.3, 0.2, 1, 0.5, -0.3, 0.6, 1, 360, 0, 0.175, -1, 200, 25},
      // Full lean forward: the target stops at 0.75.
      {0, 0, 0, -1, 0.75, 0.75, -1, 375, 0, 0.125, 1, 200, 25},
      // Thrown far fore-aft: the hard spring.
      {1.0, 0, 0, 0, 0, 1.0, 1, 2500, 2500, 0.125, 1, 200, 25},
      // Far above or below the seat: the hard vertical spring.
      {0, 0.6, 0, 0, 0.3, 0.3, -1, 330, 0, 0.725, 1, 2500, 2500},
      {0, -0.8, 0, 0, -0.4, 0.4, 1, 340, 0, 0.675, -1, 2500, 2500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "m " << c.m << " n " << c.n << " dab " << c.dab << " lean " << c.lean);
    RiderSprings r = suspension_rider_springs(p, 4.6875, RiderSpringInputs{c.m, c.n, c.dab, c.lean});
    EXPECT_NEAR(r.target, c.target, 1e-12);
    EXPECT_TRUE(r.fore_aft.active);
    EXPECT_NEAR(r.fore_aft.depth, c.fa_depth, 1e-12);
    EXPECT_EQ(r.fore_aft.normal, c.fa_normal);
    EXPECT_NEAR(r.fore_aft.kp, c.fa_kp, 1e-9);
    EXPECT_NEAR(r.fore_aft.kd, c.fa_kd, 1e-9);
    EXPECT_TRUE(r.vertical.active);
    EXPECT_NEAR(r.vertical.depth, c.v_depth, 1e-12);
    EXPECT_EQ(r.vertical.normal, c.v_normal);
    EXPECT_NEAR(r.vertical.kp, c.v_kp, 1e-9);
    EXPECT_NEAR(r.vertical.kd, c.v_kd, 1e-9);
    SoftContact s;
    suspension_soft_contact(c.v_kp, c.v_kd, kTic, s);
    EXPECT_NEAR(r.vertical.soft.cfm, s.cfm, 1e-15);
    EXPECT_NEAR(r.vertical.soft.erp, s.erp, 1e-12);
    EXPECT_NEAR(r.mount_cfm, 1.0 / 20, 1e-15);
  }
}

TEST(RiderSprings, MassFactorAndInactiveSprings) {
  RiderParams p = susp_params();
  RiderSpringInputs at_rest{-0.0625, -0.125, 0, 0};  // on target both ways
  // Twice the standard rider: every constant doubles, the mount stiffens.
  RiderSprings heavy = suspension_rider_springs(p, 9.375, at_rest);
  EXPECT_NEAR(heavy.fore_aft.kp, 600, 1e-9);
  EXPECT_NEAR(heavy.vertical.kp, 400, 1e-9);
  EXPECT_NEAR(heavy.vertical.kd, 50, 1e-9);
  EXPECT_NEAR(heavy.mount_cfm, 1.0 / 40, 1e-15);
  // Springs set to zero make no contact.
  p.rider_fore_aft_spring = 0;
  p.rider_vertical_spring = 0;
  p.rider_vertical_damping = 0;
  RiderSprings none = suspension_rider_springs(p, 4.6875, RiderSpringInputs{-0.0625, -0.025, 0, 0.05});
  EXPECT_FALSE(none.fore_aft.active);
  EXPECT_FALSE(none.vertical.active);
  // A massless or broken rider: no contacts and a finite mount CFM.
  for (double mass : {0.0, -1.0, kNaN}) {
    RiderSprings r = suspension_rider_springs(susp_params(), mass, at_rest);
    EXPECT_FALSE(r.fore_aft.active);
    EXPECT_FALSE(r.vertical.active);
    EXPECT_TRUE(std::isfinite(r.mount_cfm) && r.mount_cfm > 0);
  }
  RiderSprings broken = suspension_rider_springs(susp_params(), 4.6875, RiderSpringInputs{kNaN, 0, 0, 0});
  EXPECT_FALSE(broken.fore_aft.active);
  EXPECT_FALSE(broken.vertical.active);
}

TEST(CrashLimits, Table) {
  struct Case {
    bool airborne;
    double air, since, speed, accel;
  } cases[] = {
      {true, 2.0, 0.0, 46.5, 2064},
      {false, 0.0, 0.0, 46.5, 2064},     // no fall
      {false, 0.685, 0.0, 31, 1376},     // long fall, just landed
      {false, 0.685, 0.125, 31, 1376},
      {false, 0.685, 0.1875, 38.75, 1720},
      {false, 0.685, 0.25, 46.5, 2064},  // back to normal
      {false, 0.622, 0.0, 38.75, 1720},  // half-way fall length
      {false, 0.559, 0.0, 46.5, 2064},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "air " << c.air << " since " << c.since);
    CrashLimits l = crash_limits(c.airborne, c.air, c.since);
    EXPECT_NEAR(l.speed, c.speed, 1e-3);
    EXPECT_NEAR(l.acceleration, c.accel, 0.05);
  }
}

// Runs a flight: on the ground until `up`, rising until `fall`, falling until `land`.
void fly(CrashFlight& f, int up, int fall, int land) {
  for (int t = up; t < land; t++) crash_flight_update(f, true, t < fall ? 5.0 : -5.0, t);
  crash_flight_update(f, false, -5.0, land);
}

CrashInputs riding(int tic, double dv) {
  CrashInputs in{};
  in.tic = tic;
  in.rider_velocity[2] = 20 + dv;
  in.frame_velocity[2] = 20;
  in.rider_velocity_4[2] = 20 + dv;
  return in;
}

TEST(CrashCheck, LongFallLowersSpeedLimitAfterLanding) {
  CrashFlight f;
  crash_flight_reset(f);
  fly(f, 10, 21, 21 + 88);  // 0.6875 s falling
  EXPECT_EQ(f.fall_tic, 21);
  EXPECT_EQ(f.landing_tic, 109);
  EXPECT_EQ(crash_check(f, riding(110, 35)), CRASH_SPEED);
  EXPECT_EQ(crash_check(f, riding(110, 30)), CRASH_NONE);
  EXPECT_EQ(crash_check(f, riding(109 + 40, 35)), CRASH_NONE);  // 0.31 s later: 46.5 again
  // A short fall keeps the full limit.
  CrashFlight g;
  crash_flight_reset(g);
  fly(g, 10, 21, 21 + 40);
  EXPECT_EQ(crash_check(g, riding(62, 35)), CRASH_NONE);
  EXPECT_EQ(crash_check(g, riding(62, 47)), CRASH_SPEED);
}

TEST(CrashCheck, FallTicOncePerFlightAndNotStale) {
  CrashFlight f;
  crash_flight_reset(f);
  // Falling, lifted again, falling: the first fall counts.
  for (int t = 10; t < 20; t++) crash_flight_update(f, true, -1, t);
  for (int t = 20; t < 30; t++) crash_flight_update(f, true, 1, t);
  for (int t = 30; t < 120; t++) crash_flight_update(f, true, -1, t);
  crash_flight_update(f, false, 0, 120);
  EXPECT_EQ(f.fall_tic, 10);
  // A later hop onto a ledge that never falls must not reuse that old fall.
  fly(f, 1000, 1100, 1010);
  EXPECT_EQ(crash_limits_at(f, false, 1011).speed, 46.5);
  EXPECT_EQ(crash_check(f, riding(1011, 40)), CRASH_NONE);
}

TEST(CrashCheck, AccelerationAndSuppression) {
  CrashFlight f;
  crash_flight_reset(f);
  CrashInputs in = riding(1000, 0);
  EXPECT_EQ(crash_check(f, in), CRASH_NONE);  // sitting still: 32 ft/s² of support
  // Free fall together with the bike: no acceleration felt.
  in.rider_velocity[1] = -32 * 4 * kTic;
  in.frame_velocity[1] = in.rider_velocity[1];
  EXPECT_EQ(crash_check(f, in), CRASH_NONE);
  // Gravity counts towards the limit of 2064: 2040 upwards crashes, 2080
  // downwards does not.
  in = riding(1000, 0);
  in.rider_velocity[1] = -2080 * 4 * kTic;
  in.frame_velocity[1] = in.rider_velocity[1];
  EXPECT_EQ(crash_check(f, in), CRASH_NONE);
  in.rider_velocity[1] = 2040 * 4 * kTic;
  in.frame_velocity[1] = in.rider_velocity[1];
  EXPECT_EQ(crash_check(f, in), CRASH_ACCELERATION);
  CrashInputs fast = riding(1000, 100);
  EXPECT_EQ(crash_check(f, fast), CRASH_SPEED);
  for (CrashInputs c : {in, fast}) {
    CrashInputs a = c;
    a.arcade = true;
    EXPECT_EQ(crash_check(f, a), CRASH_NONE);
    CrashInputs h = c;
    h.hold_timer = -0.5;
    EXPECT_EQ(crash_check(f, h), CRASH_NONE);
    CrashInputs k = c;
    k.crash_counter = 300;
    EXPECT_EQ(crash_check(f, k), CRASH_NONE);
  }
}

TEST(CrashRules, ContactPredicates) {
  EXPECT_TRUE(crash_upside_down(-0.1, 6));
  EXPECT_FALSE(crash_upside_down(-0.1, 4));
  EXPECT_FALSE(crash_upside_down(0.1, 50));
  EXPECT_TRUE(crash_object_touch(0, 0, 401));
  EXPECT_FALSE(crash_object_touch(0, 0, 400));
  EXPECT_FALSE(crash_object_touch(0, -1, 900));
  EXPECT_FALSE(crash_object_touch(200, 0, 900));
}

TEST(CrashCounter, StartStepReelAndHold) {
  int32_t knockout[16] = {};
  EXPECT_EQ(crash_counter_start(knockout, 0), 512);
  knockout[0] = 77;
  knockout[3] = -5;
  knockout[15] = 1000;
  EXPECT_EQ(crash_counter_start(knockout, 20), 1512);  // later crashes use the last entry
  EXPECT_EQ(crash_counter_start(knockout, 3), 512);
  EXPECT_EQ(crash_counter_start(knockout, -2), 512 + 77);
  knockout[1] = 2000000000;
  EXPECT_EQ(crash_counter_start(knockout, 1), 512 + 460800);

  EXPECT_EQ(crash_counter_step(512, 3.0), 512);  // still sliding: the counter waits
  EXPECT_EQ(crash_counter_step(512, 1.0), 511);
  EXPECT_EQ(crash_counter_step(1, 0.0), 0);
  EXPECT_EQ(crash_counter_step(0, 0.0), 0);

  EXPECT_NEAR(crash_reel_length(600), 5, 1e-12);
  EXPECT_NEAR(crash_reel_length(512), 5, 1e-12);
  EXPECT_NEAR(crash_reel_length(320), 2.5, 1e-12);
  EXPECT_NEAR(crash_reel_length(128), 0, 1e-12);
  EXPECT_NEAR(crash_reel_length(0), 0, 1e-12);

  struct Case {
    double from, to;
  } holds[] = {{64, 63}, {-512, -511}, {1.5, 0.5}, {1, 0}, {-1, 0}, {0.5, 0}, {-0.7, 0}, {0, 0}, {kNaN, 0}};
  for (const Case& c : holds) EXPECT_EQ(crash_hold_step(c.from), c.to) << c.from;
}

}  // namespace
