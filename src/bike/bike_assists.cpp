// How the rider's controls act on the bike: the steering torque that leans
// and turns it, arcade steering, steering damping, the foot that holds it up
// when slow or stopped, walking it backwards, turning it round after a fall,
// and the rider's physics step that runs them all in order.
#include <algorithm>
#include <cmath>

#include "bike/bike_sim.h"
#include "bike/bike_spec.h"
#include "bike/physics_world.h"
#include "track/surface.h"
#include "track/terrain.h"

namespace {

constexpr double PI = 3.14159265358979323846;

double clampv(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
double clamp01(double v) { return std::isfinite(v) ? clampv(v, 0, 1) : 0; }
double finite_or(double v, double fallback) { return std::isfinite(v) ? v : fallback; }
// v with a dead band of +-band taken off.
double dead_band(double v, double band) { return v - clampv(v, -band, band); }

const SurfaceTable& no_surfaces() {
  static const SurfaceTable empty;
  return empty;
}

// Unit steering axis in bike coordinates, from the fork lower to the fork upper.
void steering_axis(const BikeSpec& b, double a[3]) {
  double d[3] = {double(b.fork_upper_position[0]) - b.fork_lower_position[0],
                 double(b.fork_upper_position[1]) - b.fork_lower_position[1],
                 double(b.fork_upper_position[2]) - b.fork_lower_position[2]};
  double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  for (int i = 0; i < 3; ++i) a[i] = n > 0 ? d[i] / n : (i == 1 ? 1 : 0);
}

// A torque about the steering axis: on the front wheel, and its reaction on the frame.
void add_steering_torque(BikeSim& s, double torque) {
  if (!std::isfinite(torque)) return;
  double a[3];
  steering_axis(*s.model, a);
  dVector3 w;
  dBodyVectorToWorld(s.body[BIKE_FRAME], a[0], a[1], a[2], w);
  dBodyAddTorque(s.body[BIKE_FRONT_WHEEL], torque * w[0], torque * w[1], torque * w[2]);
  dBodyAddTorque(s.body[BIKE_FRAME], -torque * w[0], -torque * w[1], -torque * w[2]);
  s.steering_torque = torque;
}

double roll_rate(const BikeSim& s) {
  const dReal* w = dBodyGetAngularVel(s.body[BIKE_FRAME]);
  dVector3 local;
  dBodyVectorFromWorld(s.body[BIKE_FRAME], w[0], w[1], w[2], local);
  return local[2];
}


double ground_under(const BikeStepContext& ctx, double x, double z) {
  return ctx.terrain ? terrain_height(*ctx.terrain, float(x), float(z)) : 0;
}

// An angular motor on the frame for this tic, in the contact group.
void frame_motor(BikeSim& s, const BikeStepContext& ctx, const double axis[3], double velocity, double fmax) {
  if (!ctx.physics || !ctx.physics->contacts || !std::isfinite(velocity) || !std::isfinite(fmax)) return;
  dJointID m = dJointCreateAMotor(ctx.physics->world, ctx.physics->contacts);
  dJointAttach(m, s.body[BIKE_FRAME], nullptr);
  dJointSetAMotorNumAxes(m, 1);
  dJointSetAMotorAxis(m, 0, 0, axis[0], axis[1], axis[2]);
  dJointSetAMotorParam(m, dParamFMax, fmax);
  dJointSetAMotorParam(m, dParamVel, velocity);
}

// Pushes the frame's horizontal velocity towards (tx, tz) with strength k.
void push(BikeSim& s, double tx, double tz, double k) {
  const dReal* v = dBodyGetLinearVel(s.body[BIKE_FRAME]);
  double dx = v[0] - tx, dz = v[2] - tz;
  double d2 = dx * dx + dz * dz;
  if (!(d2 >= 1.0 / 16)) return;
  double d = std::sqrt(d2);
  double f = clampv((d - 0.25) * 0.8, 0, 1) * k / d;
  dBodyAddForce(s.body[BIKE_FRAME], -dx * f, 0, -dz * f);
}

// The speed up to which the foot may come down.
double dab_speed_limit(const BikeSim& s) {
  double limit = s.params.max_dab_speed;
  if (s.hold_timer <= -512 && !(limit > 75)) limit = 75;
  return finite_or(limit, 0);
}

bool backing_up(const BikeSim& s, double v) { return s.controls.back_up > 0 && v < BIKE_SLOW_SPEED; }

void simulation_steering(BikeSim& s, const BikeStepContext& ctx) {
  const RiderParams& p = s.params;
  const double steer = s.controls.steer;
  const double lean = bike_sim_lean_angle(s);
  const double angle = dJointGetHingeAngle(s.joint[BIKE_STEERING_HEAD]);
  const double sigma = bike_front_slip_angle(s);
  const double V = bike_front_rolling_speed(s);
  const double kappa = bike_steering_lock(s, ctx);
  const double F = finite_or(p.max_steering_force, 0);
  const WheelContact& front = s.wheel[0];

  double lower = -F, upper = F;
  const dReal* fp = dBodyGetPosition(s.body[BIKE_FRONT_WHEEL]);
  double above = fp[1] - ground_under(ctx, fp[0], fp[2]) - (front.R + front.r);
  if (V > 1 && above < 0.5) {
    double k2 = kappa + (PI / 4 - kappa) * clampv(2 * above, 0, 1);
    double S = 1.125 * k2 + 0.015;
    if (sigma > k2) lower = (0.25 - 1.25 * clampv((sigma - S) / (k2 - S), 0, 1)) * F;
    if (sigma < -k2) upper = (1.25 * clampv((sigma + S) / (S - k2), 0, 1) - 0.25) * F;
  }

  double D = steer * p.steering_strength * p.direct_steering;
  double C;
  double wheel_rate = dJointGetHingeAngleRate(s.joint[BIKE_FRONT_AXLE]);
  if (!(front.depth > 0) || !(std::fabs(wheel_rate) >= PI / 4)) {
    s.landing_multiplier = p.land_damping_factor;
    C = angle * -50;
  } else {
    double multiplier = s.landing_multiplier;
    if (s.landing_multiplier > 1 && p.land_damping_falloff != 0) {
      s.landing_multiplier -= (p.land_damping_factor - 1) * ctx.h / p.land_damping_falloff;
      s.landing_multiplier = std::max(s.landing_multiplier, 1.0);
    }
    double w = roll_rate(s);
    double Rd = p.roll_damping * multiplier * w;
    double Lv = p.leveling * lean;
    double v = bike_sim_speed(s);
    if (v < p.slow_damping_speed && p.slow_damping_speed > 0) {
      double k = p.slow_damping_factor + (1 - p.slow_damping_factor) * std::min(v / p.slow_damping_speed, 1.0);
      Rd *= k;
      Lv *= k;
    }
    bool further = (lean >= 0 && w >= 0) || (lean < 0 && w < 0);
    if (further && std::fabs(lean) > p.roll_limit_angle)
      Rd *= p.roll_limit_factor * (std::fabs(lean) - p.roll_limit_angle) + 1;
    C = Lv + Rd;
    if (p.direct_steering < 1) {
      double target = -steer * p.roll_limit_angle;
      double t = 2.5 * (target - lean);
      double c = t * lean < 0 ? 9.817477 : 3.926991;  // back towards upright may roll faster
      t = clampv(t, -c, c);
      double e = dead_band(w - t, 0.125);
      double strength = p.steering_strength;
      double X = e < -0.25 ? -strength : (e > 0.25 ? strength : 4 * strength * e);
      D = p.direct_steering * D + (1 - p.direct_steering) * X;
    }
  }
  if (s.hold_timer > 0) {
    double limit = 200 * clampv((64 - s.hold_timer) / 64, 0, 1);
    C = clampv(C, -limit, limit);
  }
  double torque = 1.5 * (C + D);
  torque = std::max(lower, std::min(upper, torque));
  add_steering_torque(s, torque);

  // Lean indicator.
  double q = clampv((V - 5) / 10, 0, 1);
  double z = 0.25 * q * kappa;
  double w = (0.375 * q + 0.125) * kappa;
  double value;
  if (lean < 0) {
    double slip = w > 1e-9 ? std::min((sigma - z) / w, 1.0) : 0;
    value = std::max(slip, clampv((angle + PI / 12) * -12 / PI, 0, 1));
  } else {
    double slip = w > 1e-9 ? std::min(-(sigma + z) / w, 1.0) : 0;
    value = std::max(slip, clampv((angle - PI / 12) * 12 / PI, 0, 1));
  }
  s.lean_indicator = clamp01(value);
}

void arcade_steering(BikeSim& s, const BikeStepContext& ctx) {
  const RiderParams& p = s.params;
  const double steer = s.controls.steer;
  const double angle = dJointGetHingeAngle(s.joint[BIKE_STEERING_HEAD]);
  dBodyID frame = s.body[BIKE_FRAME];
  const dReal* pos = dBodyGetPosition(frame);
  const dReal* vel = dBodyGetLinearVel(frame);
  double ahead = pos[1] + vel[1] - 16 - ground_under(ctx, pos[0] + vel[0], pos[2] + vel[2]);
  if (!(s.wheel[0].depth > 0) && ahead >= s.model->frame_position[1]) {
    add_steering_torque(s, (angle * -50 + p.direct_steering * steer * p.steering_strength) * 1.5);
    return;
  }
  double lean = bike_sim_lean_angle(s);
  double off = PI / 4 * steer + lean;
  double speed = std::min(std::fabs(off), 1.0 / 16) * 16 * (1.5 - 0.5 * clampv((p.roll_damping - 40) * 0.025, 0, 1));
  dVector3 z;
  dBodyVectorToWorld(frame, 0, 0, 1, z);
  const double axis[3] = {z[0], z[1], z[2]};
  frame_motor(s, ctx, axis, off > 0 ? -speed : speed, 1000);

  double g = dead_band(clampv(bike_front_slip_angle(s) - 0.5 * steer - angle, -0.25, 0.25), 1.0 / 32);
  double u = dead_band(8 * g - dJointGetHingeAngleRate(s.joint[BIKE_STEERING_HEAD]), 1.0 / 2400);
  double k = u < -4.0 / 3 ? -2.0 / 3 : (u > 4.0 / 3 ? 2.0 / 3 : u / 2);
  add_steering_torque(s, p.steering_strength * k);

  dVector3 tail;
  dBodyGetRelPointVel(frame, 0, 0, 20, tail);
  dBodyAddForceAtRelPos(frame, -0.25 * tail[0], -0.25 * tail[1], -0.25 * tail[2], 0, 0, 20);
}

// Turning a fallen bike round towards the course. Returns false when the
// dab support's righting force is to be skipped this tic.
bool realign(BikeSim& s, const BikeStepContext& ctx, double lean) {
  const BikeAssistHooks* hooks = ctx.assists;
  if (hooks && hooks->finish_check && std::fabs(lean) > PI / 8 && std::fabs(lean) < 1.0995574 &&
      hooks->finish_check(hooks->context, s))
    return true;
  if (!(s.assists.bits & ASSIST_AUTO_ALIGN) || s.controls.back_up > 0.125) return true;
  double target[2];
  if (!hooks || !hooks->realign_target || !hooks->realign_target(hooks->context, s, target)) return true;
  if (!std::isfinite(target[0]) || !std::isfinite(target[1])) return true;
  dBodyID frame = s.body[BIKE_FRAME];
  dVector3 z;
  dBodyVectorToWorld(frame, 0, 0, 1, z);
  double n = std::sqrt(z[0] * z[0] + z[2] * z[2]);
  if (n < 1.0 / 32) return true;
  double hx = z[0] / n, hz = z[2] / n;
  const dReal* p = dBodyGetPosition(frame);
  double dx = target[0] - p[0], dz = target[1] - p[2];
  double dot = dx * hx + dz * hz;
  double cross = hz * dx - hx * dz;
  double speed = s.hold_timer < 0 ? PI : PI / 2;
  double fmax = 320 * s.params.total_mass;
  const double up[3] = {0, 1, 0};
  if (dot < 0 && std::fabs(cross) < -0.25 * dot) {
    frame_motor(s, ctx, up, cross >= 0 ? -speed : speed, fmax * std::fabs(4 * cross / dot));
    return true;
  }
  frame_motor(s, ctx, up, cross >= 0 ? -speed : speed, fmax);
  // Lift the weight off the wheels in the air so the bike can pivot on the other.
  for (const WheelContact& w : s.wheel)
    if (!(w.depth > 0)) dBodyAddForce(w.body, 0, s.params.total_mass * 32, 0);
  return false;
}

}  // namespace

void bike_set_input(BikeSim& s, const BikeInput& in) {
  bool crashed = s.crash_counter > 0;
  BikeInput p;
  p.steer = clampv(finite_or(in.steer, 0), -1, 1);
  p.throttle = crashed ? 0 : clamp01(in.throttle);
  p.front_brake = clamp01(in.front_brake);
  p.rear_brake = clamp01(in.rear_brake);
  p.clutch = std::isfinite(in.clutch) ? clampv(in.clutch, 0, 1) : 1;
  p.dab = crashed ? 0 : clamp01(in.dab);
  p.back_up = crashed ? 0 : clamp01(in.back_up);
  p.lean = crashed ? 0 : clampv(finite_or(in.lean, 0), -1, 1);
  p.shift = in.shift > 0 ? 1 : (in.shift < 0 ? -1 : 0);
  s.player = p;
  s.controls.steer = p.steer;
  s.controls.dab = p.dab;
  s.controls.back_up = p.back_up;
  s.controls.lean = p.lean;
  s.drive.throttle = p.throttle;
  s.drive.front_brake = p.front_brake;
  s.drive.rear_brake = p.rear_brake;
  s.drive.clutch = p.clutch;
  if (s.model) drivetrain_shift(s.drive, *s.model, p.shift, crashed);
}

double bike_clutch_ease(double engagement, double lever, double h) {
  double target = clamp01(1.0 - finite_or(lever, 0) * 1.1428571428571428);
  return target > engagement ? std::min(target, engagement + 4 * h) : target;
}

double bike_front_slip_angle(const BikeSim& s) {
  if (!s.model) return 0;
  const dReal* vw = dBodyGetLinearVel(s.body[BIKE_FRONT_WHEEL]);
  dVector3 v;
  dBodyVectorFromWorld(s.body[BIKE_FORK_UPPER], vw[0], vw[1], vw[2], v);
  double a[3];
  steering_axis(*s.model, a);
  double q = v[1] * a[2] - v[2] * a[1];
  if (!(v[0] * v[0] + q * q > 1)) return 0;
  return -std::atan2(v[0], q);
}

double bike_front_rolling_speed(const BikeSim& s) {
  if (!s.model) return 0;
  return (s.wheel[0].R + s.wheel[0].r) * dJointGetHingeAngleRate(s.joint[BIKE_FRONT_AXLE]);
}

double bike_steering_lock(const BikeSim& s, const BikeStepContext& ctx) {
  const RiderParams& p = s.params;
  const SurfaceTable& table = ctx.surfaces ? *ctx.surfaces : no_surfaces();
  double mu0 = surfaces_get(table, s.wheel[0].surface).friction[0].value;
  double restricted = std::min(p.restricted_lock / std::max(finite_or(mu0, 1), 0.125), PI / 4);
  double V = bike_front_rolling_speed(s);
  double share = 0;
  if (p.full_lock_speed > 0) {
    double o = 1 / std::max(1 + p.full_lock_speed, p.restricted_lock_speed);
    double den = 1 / p.full_lock_speed - o;
    share = den > 0 ? std::min((1 / std::max(1.0, V) - o) / den, 1.0) : 1.0;
  }
  double kappa = restricted + (PI / 4 - restricted) * std::max(share, 0.0);
  return finite_or(kappa, PI / 4);
}

void bike_steering_step(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model || s.crash_counter > 0) return;
  if (s.params.arcade)
    arcade_steering(s, ctx);
  else
    simulation_steering(s, ctx);
}

void bike_steering_damping(BikeSim& s) {
  if (!s.model || s.crash_counter > 0) return;
  dBodyID wheel = s.body[BIKE_FRONT_WHEEL];
  const dReal* w = dBodyGetAngularVel(wheel);
  dVector3 a;
  dBodyVectorToWorld(wheel, 1, 0, 0, a);
  double along = a[0] * w[0] + a[1] * w[1] + a[2] * w[2];
  double k = s.params.steering_damping;
  double t[3];
  for (int i = 0; i < 3; ++i) t[i] = -k * (w[i] - along * a[i]);
  if (!std::isfinite(t[0] + t[1] + t[2])) return;
  dBodyAddTorque(wheel, t[0], t[1], t[2]);
  dBodyAddTorque(s.body[BIKE_FRAME], -t[0], -t[1], -t[2]);
}

void bike_slow_assists(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model) return;
  bool crashed = s.crash_counter > 0;
  double v = bike_sim_speed(s);
  dBodyID frame = s.body[BIKE_FRAME];
  if (backing_up(s, v)) {
    s.controls.dab = crashed ? 0 : 1;
    int64_t tic = ctx.tic;
    double w = (1 - std::cos(double(((tic % 128) + 128) % 128) * 0.049473900056532176)) / 2;
    int64_t first = ((ctx.start_tic + 128 + 127) / 128) * 128;  // first multiple of 128 at or after start + 128
    if (tic < first && ((tic % 512) + 512) % 512 >= 128) w = 0;
    dVector3 z;
    dBodyVectorToWorld(frame, 0, 0, 1, z);
    push(s, 4 * w * z[0], 4 * w * z[2], 2000);
    const double up[3] = {0, 1, 0};
    frame_motor(s, ctx, up, w * (-s.controls.steer * PI / 2), 2000);
    return;
  }
  if (!(s.assists.bits & ASSIST_AUTO_DAB)) return;
  double limit = dab_speed_limit(s);
  if (v > limit) return;
  double lean = std::fabs(bike_sim_lean_angle(s));
  if (v > BIKE_LEAN_SPEED && lean < clampv((v - 15) / 15, 0, 1) * PI / 4) return;
  bool off_power = s.drive.throttle == 0 || s.drive.clutch <= 0;
  if (off_power || v < BIKE_SLOW_SPEED || lean > PI / 16) {
    double want = limit > 0 ? clampv((limit - v) / limit, 0, 1) : 0;
    s.controls.dab = crashed ? 0 : std::max(s.controls.dab, want);
    bool grounded = s.wheel[0].depth > 0 && s.wheel[1].depth > 0;
    if (v < BIKE_SLOW_SPEED && grounded && off_power) {
      s.drive.front_brake = s.drive.rear_brake = 1;
      push(s, 0, 0, 1000);
    }
  }
}

void bike_dab_support(BikeSim& s, const BikeStepContext& ctx) {
  s.dabbing = false;
  if (!s.model || s.crash_counter > 0 || !(s.controls.dab > 0) || s.params.arcade) return;
  double v = bike_sim_speed(s);
  if (v >= BIKE_SLOW_SPEED && s.hold_timer > 0) return;
  dBodyID frame = s.body[BIKE_FRAME];
  const dReal* rp = dBodyGetPosition(s.body[BIKE_RIDER]);
  if (!(s.wheel[0].depth > 0) && rp[1] - ground_under(ctx, rp[0], rp[2]) > 5.5) return;
  double limit = dab_speed_limit(s);
  if (v > limit) return;
  double lean = bike_sim_lean_angle(s);
  bool both_down = s.wheel[0].depth > 0 && s.wheel[1].depth > 0;
  if (v > BIKE_LEAN_SPEED && (!both_down || std::fabs(lean) < 3 * PI / 16)) return;

  s.dabbing = true;
  s.controls.foot_down = std::min(s.controls.foot_down + 8 * ctx.h, 1.0);
  if (v < BIKE_SLOW_SPEED && !realign(s, ctx, lean)) return;

  double P = (lean > 0 ? -1 : 1) * PI / 8;
  if ((s.assists.bits & ASSIST_AUTO_DAB) && s.hold_timer < 0) P *= 3;
  if (std::fabs(lean) < PI / 16) P *= std::fabs(lean) * 16 / PI;
  double w = roll_rate(s);
  double e = 0;
  if (P > 0 && w < P) e = -400;
  if (P < 0 && w > P) e = 400;
  if (std::fabs(lean) < PI / 32) e *= std::fabs(lean) * 32 / PI;
  if (!backing_up(s, v)) {
    double lean_limit = s.params.roll_limit_angle;
    double term;
    if (v >= limit) {
      term = 5 * PI / 2;
    } else if (v > BIKE_LEAN_SPEED) {
      double span = limit * limit - 225;
      double f = span > 0 ? clampv((v * v - 225) / span, 0, 1) : 1;
      term = 1.25 * (lean_limit + (2 * PI - lean_limit) * f);
    } else {
      double f = limit > 0 ? std::min(v * v / (limit * limit), 1.0) : 1;
      term = 1.25 * lean_limit * (1 - std::pow(1 - f, 32));
    }
    double d = std::fabs(lean) - term;
    double b = clampv(4 * d, 0, 1);
    double steer = P >= 0 ? -s.controls.steer : s.controls.steer;
    double k = clampv((steer - 0.5) * 2, 0, 1);
    e *= k * (1 - b) + b;
    if (v > BIKE_SLOW_SPEED) e *= s.lean_indicator;
  }
  if (e == 0 || !std::isfinite(e)) return;
  dVector3 up;
  dBodyVectorToWorld(frame, 0, 1, 0, up);
  if (up[1] < 0.707) {
    dBodyAddForceAtRelPos(frame, 0, std::fabs(e), 0, 0, 4, 0);
  } else {
    dBodyAddForceAtRelPos(frame, 0, std::fabs(e) / 8, 0, 0, 4, 0);
    dBodyAddRelForceAtRelPos(frame, e, 0, 0, 0, 4, 0);
  }
}

void bike_restore_input(BikeSim& s) {
  s.controls.dab = s.crash_counter > 0 ? 0 : clamp01(s.player.dab);
  s.drive.front_brake = clamp01(s.player.front_brake);
  s.drive.rear_brake = clamp01(s.player.rear_brake);
}

void bike_physics_step(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model) return;
  if (!bike_sim_simulated(s)) {
    bike_feet_step(s, ctx);
    return;
  }
  if (ctx.tic > ctx.start_tic + 256 && bike_sim_speed(s) < BIKE_SLOW_SPEED) s.spoiled = true;
  s.hold_timer = crash_hold_step(s.hold_timer);
  bike_crash_detect(s, ctx);
  bike_crashed_step(s, ctx);
  bike_slow_assists(s, ctx);
  bike_rider_spring_step(s, ctx);
  bike_suspension_step(s);
  bike_steering_step(s, ctx);
  bike_drivetrain_step(s, ctx);
  bike_steering_damping(s);
  bike_joint_balance(s, ctx);
  bike_dab_support(s, ctx);
  bike_restore_input(s);
  if (!(s.controls.dab > 0) && !s.dabbing) s.controls.foot_down = std::max(0.0, s.controls.foot_down - 8 * ctx.h);
  bike_feet_step(s, ctx);
  bike_store_rider_velocity(s, ctx.tic);
}
