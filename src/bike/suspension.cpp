// Fork, shock and rider-spring arithmetic and the crash rule.
#include "bike/suspension.h"

#include <algorithm>
#include <cmath>

#include "bike/bike_spec.h"
#include "bike/rider_params.h"

namespace {

double clampv(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool is_num(double v) { return std::isfinite(v); }

SuspensionMotor motor_from(double force) {
  SuspensionMotor m{};
  if (!is_num(force)) return m;  // a broken input gives a motor that neither pushes nor holds
  m.force = force;
  m.velocity = force >= 0 ? SUSPENSION_MOTOR_VELOCITY : 0.0;
  m.fmax = std::fabs(force);
  return m;
}

// One cubic Hermite piece over [x0, x0 + len] from (y0, slope m0) to (y1, slope m1).
LinkagePoint hermite(double x, double x0, double len, double y0, double m0, double y1, double m1) {
  double t = (x - x0) / len;
  double t2 = t * t, t3 = t2 * t;
  LinkagePoint p;
  p.stroke = (2 * t3 - 3 * t2 + 1) * y0 + (t3 - 2 * t2 + t) * len * m0 + (-2 * t3 + 3 * t2) * y1 +
             (t3 - t2) * len * m1;
  p.slope = ((6 * t2 - 6 * t) * y0 + (3 * t2 - 4 * t + 1) * len * m0 + (-6 * t2 + 6 * t) * y1 +
             (3 * t2 - 2 * t) * len * m1) /
            len;
  return p;
}

double vec_length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

}  // namespace

double suspension_damping(double rate, double hs_compression, double ls_compression, double hs_rebound,
                          double ls_rebound) {
  if (!is_num(rate)) return 0;
  bool compressing = rate < 0;
  double hs = compressing ? hs_compression : hs_rebound;
  double ls = compressing ? ls_compression : ls_rebound;
  double s = std::fabs(rate) * hs;
  if (!is_num(s) || !is_num(ls)) return 0;
  double lo = std::min(s / 8, 8 * s), hi = std::max(s / 8, 8 * s);  // a negative hs keeps the bounds ordered
  double mag = clampv(s + ls, lo, hi);
  return compressing ? mag : -mag;
}

double suspension_air_spring(double p, double air_gap, double travel) {
  if (!is_num(p) || !is_num(travel) || travel <= 0) return 0;
  double gap = air_gap >= SUSPENSION_MIN_AIR_GAP ? air_gap : SUSPENSION_MIN_AIR_GAP;  // also catches NaN
  if (!is_num(gap)) return 0;
  double c = std::min(-p, travel);
  double ratio = (gap + travel) / (gap + travel - c);
  return (std::pow(ratio, 1.4) - 1) * SUSPENSION_AIR_SPRING_SCALE;
}

SuspensionMotor suspension_fork(const RiderParams& params, const BikeSpec& bike, double p, double v) {
  double travel = bike.fork_travel;
  if (!is_num(p) || !is_num(travel) || travel <= 0) return SuspensionMotor{};
  if (!is_num(v)) v = 0;
  double d = suspension_damping(v, params.fork_hs_compression, params.fork_ls_compression, params.fork_hs_rebound,
                                params.fork_ls_rebound);
  double f = (params.fork_preload - p) * params.fork_spring_rate + d;
  f += suspension_air_spring(p, params.fork_air_gap, travel);
  f *= clampv(-p * 32 / travel, 0, 1);
  return motor_from(f);
}

LinkagePoint suspension_linkage(const BikeSpec& bike, double x) {
  const float* k = bike.linkage;
  double split_stroke = k[0], full_stroke = k[1], split = k[3];
  double slope0 = k[4], slope_split = k[5], slope_full = k[6];
  x = is_num(x) ? clampv(x, 0, 1) : 0;
  if (!is_num(split)) split = 0.5;
  // The first piece holds x up to the split (it has length when split > 0);
  // past it the second piece has length 1 - split > 0.
  if (split > 0 && x <= split) return hermite(x, 0, split, 0, slope0, split_stroke, slope_split);
  return hermite(x, split, 1 - split, split_stroke, slope_split, full_stroke, slope_full);
}

SuspensionMotor suspension_shock(const RiderParams& params, const BikeSpec& bike, double a, double w) {
  double travel = bike.linkage[2];
  if (!is_num(a) || !is_num(travel) || travel <= 0) return SuspensionMotor{};
  if (!is_num(w)) w = 0;
  LinkagePoint l = suspension_linkage(bike, -a / travel);
  double v = w * l.slope;
  double d = suspension_damping(v, params.shock_hs_compression, params.shock_ls_compression, params.shock_hs_rebound,
                                params.shock_ls_rebound);
  double t = clampv(-a * 32 / travel, 0, 1) * l.slope *
             ((params.shock_preload + l.stroke) * params.shock_spring_rate + d);
  return motor_from(t);
}

double suspension_damping_share(double hs, double ls, double speed) {
  double den = hs * std::fabs(speed) + ls;
  if (!is_num(den) || den <= 0) return 0;
  double share = ls / den;
  return is_num(share) ? clampv(share, 0, 1) : 0;
}

bool suspension_soft_contact(double kp, double kd, double h, SoftContact& out) {
  out = SoftContact{};
  double den = kd + h * kp;
  if (!is_num(den) || den <= 0) return false;
  out.cfm = 1 / den;
  out.erp = h * kp * out.cfm;
  return true;
}

double suspension_rider_mass_factor(double rider_mass) {
  if (!is_num(rider_mass) || rider_mass <= 0) return 0;
  return rider_mass * 0.21333333333333335;
}

RiderSprings suspension_rider_springs(const RiderParams& params, double rider_mass, const RiderSpringInputs& in) {
  RiderSprings r{};
  double factor = suspension_rider_mass_factor(rider_mass);
  // A mount with no usable mass factor is left as soft as the softest setting
  // of a standard rider rather than given an infinite CFM.
  double mount_den = factor * (30 * params.rider_fore_aft_damping + 5);
  r.mount_cfm = is_num(mount_den) && mount_den > 0 ? 1 / mount_den : 1.0 / 5;

  double m = in.fore_aft_offset, n = in.vertical_offset;
  double dab = is_num(in.dab) ? in.dab : 0, lean = is_num(in.lean) ? in.lean : 0;
  if (!is_num(m) || !is_num(n)) return r;

  double g = clampv((1 + dab) * 0.5 * n - lean, -0.75, 0.75);
  r.target = g;
  RiderSpring& fa = r.fore_aft;
  fa.depth = std::fabs(m - g);
  fa.normal = m >= g ? 1.0 : -1.0;
  if (std::fabs(m) > 0.75) {
    fa.kp = 2500;
    fa.kd = 2500;
  } else {
    fa.kp = fa.depth * 100 + 600 * params.rider_fore_aft_spring;
    fa.kd = 0;
  }
  fa.kp *= factor;
  fa.kd *= factor;
  fa.active = fa.kp > 0 && suspension_soft_contact(fa.kp, fa.kd, SUSPENSION_TIC, fa.soft);

  RiderSpring& ve = r.vertical;
  double e = 0.125 - 0.5 * dab + n;
  ve.depth = std::fabs(e);
  ve.normal = e >= 0 ? 1.0 : -1.0;
  if (n > 0.5 || n < -0.75) {
    ve.kp = 2500;
    ve.kd = 2500;
  } else {
    ve.kp = 400 * params.rider_vertical_spring;
    ve.kd = 100 * params.rider_vertical_damping;
  }
  ve.kp *= factor;
  ve.kd *= factor;
  ve.active = ve.kp + ve.kd > 0 && suspension_soft_contact(ve.kp, ve.kd, SUSPENSION_TIC, ve.soft);
  return r;
}

void crash_flight_reset(CrashFlight& f) { f = CrashFlight{}; }

void crash_flight_update(CrashFlight& f, bool airborne, double frame_vy, int tic) {
  if (airborne) {
    if (!f.airborne) f.fall_recorded = false;  // a new flight
    if (!f.fall_recorded && frame_vy < 0) {
      f.fall_tic = tic;
      f.fall_recorded = true;
    }
  } else if (f.airborne) {
    f.landing_tic = tic;
    // A flight that only rose must not inherit an older flight's fall.
    if (!f.fall_recorded) f.fall_tic = tic;
  }
  f.airborne = airborne;
}

CrashLimits crash_limits(bool airborne, double air_time, double time_since_landing) {
  if (airborne) return CrashLimits{46.5, 2064};
  double a = is_num(air_time) ? clampv((air_time - 0.559) * 7.9365087, 0, 1) : 0;
  double b = is_num(time_since_landing) ? clampv((time_since_landing - 0.25) * -8, 0, 1) : 0;
  double t = 1.5 - 0.5 * a * b;
  return CrashLimits{31 * t, 1376 * t};
}

CrashLimits crash_limits_at(const CrashFlight& f, bool airborne, int tic) {
  double air = (double(f.landing_tic) - f.fall_tic) * SUSPENSION_TIC;
  double since = (double(tic) - f.landing_tic) * SUSPENSION_TIC;
  return crash_limits(airborne, air, since);
}

CrashReason crash_check(const CrashFlight& f, const CrashInputs& in) {
  if (in.arcade || in.crash_counter != 0 || in.hold_timer < 0) return CRASH_NONE;
  CrashLimits lim = crash_limits_at(f, in.airborne, in.tic);
  double dv = vec_length(in.rider_velocity[0] - in.frame_velocity[0], in.rider_velocity[1] - in.frame_velocity[1],
                         in.rider_velocity[2] - in.frame_velocity[2]);
  if (dv > lim.speed) return CRASH_SPEED;
  double k = 1 / (4 * SUSPENSION_TIC);
  double acc = vec_length((in.rider_velocity[0] - in.rider_velocity_4[0]) * k,
                          (in.rider_velocity[1] - in.rider_velocity_4[1]) * k + 32,
                          (in.rider_velocity[2] - in.rider_velocity_4[2]) * k);
  if (acc > lim.acceleration) return CRASH_ACCELERATION;
  return CRASH_NONE;
}

bool crash_upside_down(double rider_up_y, double rider_speed) { return rider_up_y < 0 && rider_speed > 5; }

bool crash_object_touch(int crash_counter, double hold_timer, double rider_speed_squared) {
  return crash_counter == 0 && hold_timer >= 0 && rider_speed_squared > 400;
}

int crash_counter_start(const int32_t knockout[16], int crash_index) {
  int i = std::clamp(crash_index, 0, 15);
  int32_t k = knockout ? std::clamp<int32_t>(knockout[i], 0, 460800) : 0;
  return 512 + k;
}

int crash_counter_step(int counter, double rider_speed) {
  if (counter > 0 && rider_speed < 2) return counter - 1;
  return counter < 0 ? 0 : counter;
}

double crash_reel_length(int counter) { return 5 * clampv((counter - 128) / 384.0, 0, 1); }

double crash_hold_step(double hold_timer) {
  if (!is_num(hold_timer) || std::fabs(hold_timer) < 1) return 0;
  return hold_timer > 0 ? hold_timer - 1 : hold_timer + 1;
}
