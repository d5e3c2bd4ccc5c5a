// Setup values into simulation parameters, and the converted values the
// Suspension and Gearing menu shows.
#include "bike/rider_params.h"

#include "bike/bike_spec.h"
#include "bike/setup.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const double pi = 3.14159265358979323846;
const double mph_to_fps = 1.4666666666666666;

// Clamp that sends a value which is not a number to the low end, so nothing
// undefined reaches the physics.
double clampv(double v, double lo, double hi) {
  if (!(v >= lo)) return lo;
  return v > hi ? hi : v;
}

double lerp(double a, double b, double f) { return a + (b - a) * f; }

// A catalogue range at an adjustment of 0..100 clicks.
double range_at(const float range[2], double clicks) { return lerp(range[0], range[1], clampv(clicks * 0.01, 0, 1)); }
// High-speed damping multiplier: 1 at 50 clicks, doubling every 25 clicks.
double hs_multiplier(double clicks) { return clampv(std::pow(2.0, clicks * 0.04 - 2), 0.25, 4); }
// Low-speed adjuster: -1 at 0 clicks, 0 at 50, 1 at 100.
double ls_adjuster(double clicks) { return clampv(clicks * 0.02 - 1, -1, 1); }

double teeth(float catalogue, double adjustment) {
  double t = std::floor(catalogue + clampv(adjustment, -2, 2));
  return t < 3 ? 3 : t;
}

bool is(const Setup& s, const char* key, const char* text) { return strcmp(setup_choice(s, key), text) == 0; }

}  // namespace

RiderTuning bike_sim_defaults(const BikeSpec& b) {
  RiderTuning t{};
  RiderParams& p = t.params;
  p.final_drive_ratio = teeth(b.rear_sprocket, 0) / teeth(b.front_sprocket, 0);
  p.fork_hs_compression = b.fork_damping[0];
  p.fork_ls_compression = 0;
  p.fork_hs_rebound = b.fork_damping[2];
  p.fork_ls_rebound = 0;
  p.fork_spring_rate = lerp(b.fork_spring_rate[0], b.fork_spring_rate[1], 0.5);
  p.fork_preload = lerp(b.fork_preload[0], b.fork_preload[1], 0.5);
  p.fork_air_gap = b.fork_oil_gap[0];
  p.shock_hs_compression = b.shock_damping[0] * 2.0;
  p.shock_ls_compression = 0;
  p.shock_hs_rebound = b.shock_damping[2] * 2.0;
  p.shock_ls_rebound = b.shock_damping[3];
  p.shock_spring_rate = lerp(b.shock_spring_rate[0], b.shock_spring_rate[1], 0.5);
  p.shock_preload = lerp(b.shock_preload[0], b.shock_preload[1], 0.5);
  p.rider_vertical_spring = 0.5;
  p.rider_vertical_damping = 0.75;
  p.rider_fore_aft_spring = 0.5;
  p.rider_fore_aft_damping = 0.75;
  p.total_mass = bike_spec_total_mass(b);
  p.roll_damping = 60;
  p.leveling = 20;
  p.roll_limit_angle = pi / 4;
  p.roll_limit_factor = 10;
  p.steering_damping = 45;
  p.steering_strength = 75;
  p.max_steering_force = 400;
  p.auto_clutch_rpm = 5000;
  p.front_brake_torque = 250;
  p.rear_brake_torque = 250;
  p.max_dab_speed = 30;
  p.direct_steering = 1;
  p.slow_damping_speed = 0;
  p.slow_damping_factor = 1;
  p.land_damping_falloff = 0.25;
  p.land_damping_factor = 2;
  p.arcade = 0;
  p.full_lock_speed = 10;
  p.restricted_lock_speed = 50;
  p.restricted_lock = 5 * pi / 180;
  t.assists.bits = ASSIST_STEERING | ASSIST_STOPPIE_LIMITER | ASSIST_FRONT_ANTILOCK | ASSIST_AUTO_ALIGN;
  t.masses.frame_mass = double(b.frame_mass) + b.rider_mass * (2.0 / 3.0);
  t.masses.rider_mass = b.rider_mass / 3.0;
  t.masses.rider_radius = 1;
  for (int i = 0; i < 3; ++i) t.masses.frame_size[i] = b.frame_size[i];
  return t;
}

RiderTuning setup_apply(const BikeSpec& b, const Setup& s, bool arcade_allowed) {
  auto v = [&](const char* key) { return setup_number(s, key); };
  RiderTuning t = bike_sim_defaults(b);
  RiderParams& p = t.params;

  p.leveling = clampv(v("leveling"), 0, 100);
  p.roll_damping = clampv(v("roll_damping"), 0, 100);
  p.roll_limit_angle = clampv(v("roll_limit_angle") * pi / 180, 0, pi);
  p.roll_limit_factor = clampv(v("roll_limit_factor"), 0, 64);
  p.steering_damping = clampv(v("steering_damping"), 0, 100);
  p.steering_strength = clampv(v("steering_strength"), 0, 100);
  p.max_steering_force = clampv(v("max_steering_force"), 0, 1000);
  p.direct_steering = clampv(v("direct_steering"), 0, 1);
  p.slow_damping_speed = clampv(v("slow_damping_speed"), 0, 100);
  p.slow_damping_factor = clampv(v("slow_damping_factor"), 1, 10);
  p.land_damping_falloff = clampv(v("land_damping_falloff"), 0, 0.5);
  p.land_damping_factor = clampv(v("land_damping_factor"), 1, 3);
  p.full_lock_speed = clampv(v("full_lock_speed"), 1, 100);
  p.restricted_lock_speed = clampv(v("restricted_lock_speed"), 1, 100);
  p.restricted_lock = clampv(v("restricted_lock") * pi / 180, 0, pi / 4);
  p.auto_clutch_rpm = clampv(v("auto_clutch_rpms"), 0, 5000);
  p.front_brake_torque = clampv(v("brake_torque"), 0, 500);
  p.rear_brake_torque = clampv(v("rear_brake_torque"), 0, 500);
  p.max_dab_speed = clampv(v("max_dab_speed") * mph_to_fps, 7, 100);
  p.arcade = arcade_allowed && is(s, "arcade", "Yes") ? 1 : 0;

  p.final_drive_ratio = teeth(b.rear_sprocket, v("rear_sprocket_adjustment")) /
                        teeth(b.front_sprocket, v("front_sprocket_adjustment"));
  p.fork_hs_compression = b.fork_damping[0] * hs_multiplier(v("fork_compression_adjustment"));
  p.fork_ls_compression = b.fork_damping[1] * ls_adjuster(v("fork_slow_compression_adjustment"));
  p.fork_hs_rebound = b.fork_damping[2] * hs_multiplier(v("fork_rebound_adjustment"));
  p.fork_ls_rebound = b.fork_damping[3] * ls_adjuster(v("fork_slow_rebound_adjustment"));
  p.fork_spring_rate = range_at(b.fork_spring_rate, v("fork_spring_rate_adjustment"));
  p.fork_preload = range_at(b.fork_preload, v("fork_preload_adjustment"));
  p.fork_air_gap = range_at(b.fork_oil_gap, v("fork_oil_level_adjustment"));
  p.shock_hs_compression = b.shock_damping[0] * hs_multiplier(v("shock_compression_adjustment"));
  p.shock_ls_compression = b.shock_damping[1] * ls_adjuster(v("shock_slow_compression_adjustment"));
  p.shock_hs_rebound = b.shock_damping[2] * hs_multiplier(v("shock_rebound_adjustment"));
  p.shock_ls_rebound = b.shock_damping[3] * ls_adjuster(v("shock_slow_rebound_adjustment"));
  p.shock_spring_rate = range_at(b.shock_spring_rate, v("shock_spring_rate_adjustment"));
  p.shock_preload = range_at(b.shock_preload, v("shock_preload_adjustment"));
  p.rider_vertical_spring = clampv(v("rider_yspring") * 0.01, 0, 1);
  p.rider_vertical_damping = clampv(v("rider_ydamping") * 0.01, 0, 1);
  p.rider_fore_aft_spring = clampv(v("rider_zspring") * 0.01, 0, 1);
  p.rider_fore_aft_damping = clampv(v("rider_zdamping") * 0.01, 0, 1);

  uint32_t bits = ASSIST_STEERING;  // set when the bike is built; the setup never clears it
  if (is(s, "stop_wheelies", "Yes")) bits |= ASSIST_WHEELIE_LIMITER | ASSIST_STOPPIE_LIMITER;
  if (is(s, "stop_wheelies", "Front Only")) bits |= ASSIST_STOPPIE_LIMITER;
  if (is(s, "front_brake", "Antilock")) bits |= ASSIST_FRONT_ANTILOCK;
  if (is(s, "rear_brake", "Antilock")) bits |= ASSIST_REAR_ANTILOCK;
  if (is(s, "auto_shift", "Yes")) bits |= ASSIST_AUTO_SHIFT;
  if (is(s, "auto_dab", "Yes")) bits |= ASSIST_AUTO_DAB;
  if (is(s, "auto_align", "Yes")) bits |= ASSIST_AUTO_ALIGN;
  t.assists.bits = bits;

  double x = clampv(v("rider_mass_distribution"), 0.33, 0.5);
  t.masses.frame_mass = double(b.frame_mass) + b.rider_mass * (1 - x);
  t.masses.rider_mass = b.rider_mass * x;
  return t;
}

double suspension_fork_spring_kgmm(const BikeSpec& b, double f) {
  return lerp(b.fork_spring_rate[0], b.fork_spring_rate[1], clampv(f, 0, 1)) * 0.0007440819724087572;
}
double suspension_fork_preload_mm(const BikeSpec& b, double f) {
  return lerp(b.fork_preload[0], b.fork_preload[1], clampv(f, 0, 1)) * 304.8;
}
double suspension_fork_oil_level_mm(const BikeSpec& b, double f) {
  return lerp(b.fork_oil_gap[0], b.fork_oil_gap[1], clampv(f, 0, 1)) * 304.8;
}
double suspension_shock_spring_kgmm(const BikeSpec& b, double f) {
  return lerp(b.shock_spring_rate[0], b.shock_spring_rate[1], clampv(f, 0, 1)) * 0.0014881639448175144;
}
double suspension_shock_preload_mm(const BikeSpec& b, double f) {
  return lerp(b.shock_preload[0], b.shock_preload[1], clampv(f, 0, 1)) * 304.8;
}
double suspension_front_teeth(const BikeSpec& b) { return b.front_sprocket; }
double suspension_rear_teeth(const BikeSpec& b) { return b.rear_sprocket; }

bool suspension_display_text(const BikeSpec& b, const char* key, double value, char* out, size_t size) {
  if (!out || size == 0) return false;
  double f = value / 100;
  int n = -1;
  if (strcmp(key, "fork_spring_rate_adjustment") == 0)
    n = snprintf(out, size, "%.3f kg/mm", suspension_fork_spring_kgmm(b, f));
  else if (strcmp(key, "fork_preload_adjustment") == 0)
    n = snprintf(out, size, "%.2f mm", suspension_fork_preload_mm(b, f));
  else if (strcmp(key, "fork_oil_level_adjustment") == 0)
    n = snprintf(out, size, "%.2f mm", suspension_fork_oil_level_mm(b, f));
  else if (strcmp(key, "shock_spring_rate_adjustment") == 0)
    n = snprintf(out, size, "%.2f kg/mm", suspension_shock_spring_kgmm(b, f));
  else if (strcmp(key, "shock_preload_adjustment") == 0)
    n = snprintf(out, size, "%.2f mm", suspension_shock_preload_mm(b, f));
  else if (strcmp(key, "front_sprocket_adjustment") == 0)
    n = snprintf(out, size, "%.2f teeth", suspension_front_teeth(b) + value);
  else if (strcmp(key, "rear_sprocket_adjustment") == 0)
    n = snprintf(out, size, "%.2f teeth", suspension_rear_teeth(b) + value);
  if (n < 0) out[0] = 0;
  return n >= 0;
}
