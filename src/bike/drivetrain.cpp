#include "bike/drivetrain.h"

#include "bike/bike_spec.h"
#include "bike/rider_params.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kTopGear = BIKE_GEARS - 1;
constexpr double kSlipLimit = 2.0;          // ft/s: antilock and auto shift threshold
constexpr double kDampingLimit = 500.0;     // lbf·ft: coupling damper clamp
constexpr double kCouplingLimit = 1e6;      // lbf·ft: coupling torque clamp
constexpr double kFrontDropRate = -1.0 / 32.0;  // rad/s

double clamp01(double x) {
  if (!(x > 0)) return 0;  // also NaN
  return x < 1 ? x : 1;
}

// Into [-pi, pi].
double wrap_angle(double a) { return std::remainder(a, 2 * kPi); }

// The highest present gear at or below g, or -1 when there is none down to `lowest`.
int present_at_or_below(const BikeSpec& bike, int g, int lowest) {
  for (int i = std::min(g, kTopGear); i >= lowest; --i)
    if (drivetrain_gear_present(bike, i)) return i;
  return -1;
}

}  // namespace

void drivetrain_reset(Drivetrain& d) { d = Drivetrain{0, 0, 0, 0, 0, 0, 0, 0}; }

double drivetrain_rpm(const Drivetrain& d) { return d.engine_speed * DRIVETRAIN_RPM_PER_RAD_S; }

bool drivetrain_gear_present(const BikeSpec& bike, int g) {
  return g >= 0 && g < BIKE_GEARS && bike.gear_ratios[g] > 0;
}

double drivetrain_reduction(const Drivetrain& d, const BikeSpec& bike, const RiderParams& params) {
  if (!drivetrain_gear_present(bike, d.gear)) return 0;
  double n = double(bike.primary_ratio) * bike.gear_ratios[d.gear] * params.final_drive_ratio;
  return std::isfinite(n) && n > 0 ? n : 0;
}

double drivetrain_curve_torque(const BikeSpec& bike, double rpm, double throttle) {
  double closed = bike_torque_at(bike.closed_torque, rpm);
  double open = bike_torque_at(bike.full_torque, rpm);
  return closed + (open - closed) * clamp01(throttle);
}

double drivetrain_wheelie_limit(double t, const AssistFlags& assists, bool front_contact, bool rear_contact,
                                double frame_pitch_rate) {
  if ((assists.bits & ASSIST_WHEELIE_LIMITER) && !front_contact && rear_contact && frame_pitch_rate > kFrontDropRate)
    return std::min(t, 0.0);
  return t;
}

double drivetrain_engine_torque(const Drivetrain& d, const BikeSpec& bike, const AssistFlags& assists,
                                const DrivetrainBodyInputs& body) {
  double t = drivetrain_curve_torque(bike, drivetrain_rpm(d), d.throttle);
  return drivetrain_wheelie_limit(t, assists, body.front_contact, body.rear_contact, body.frame_pitch_rate);
}

bool drivetrain_shift(Drivetrain& d, const BikeSpec& bike, int input, bool crashed) {
  if (crashed || input == d.last_shift || input < -1 || input > 1) return false;
  d.last_shift = input;
  int requested = d.gear + input;
  if (requested <= 0) {
    d.gear = 0;
    return true;
  }
  int g = present_at_or_below(bike, requested, 1);
  d.gear = g < 0 ? 0 : g;
  return true;
}

bool drivetrain_auto_shift(Drivetrain& d, const BikeSpec& bike, const RiderParams& params, const AssistFlags& assists,
                           const DrivetrainBodyInputs& body, int64_t tic) {
  if (!(assists.bits & ASSIST_AUTO_SHIFT) || tic % 32 != 0) return false;
  if (!(body.swingarm_compression > 0.01)) return false;
  if (body.rear_contact && !(body.rear_slip <= kSlipLimit)) return false;
  double w = drivetrain_reduction(d, bike, params) * DRIVETRAIN_RPM_PER_RAD_S * body.rear_axle_rate;
  int g = d.gear;
  if (w < bike.downshift_rpm) {
    if (g <= 1) {
      g = 0;
    } else {
      g = present_at_or_below(bike, g - 1, 1);
      if (g < 0) g = 0;
    }
    // Where two gears lie further apart than the two shift points, the lower
    // gear would rev past the upshift point and the next check would shift
    // straight back up: the box would hunt between them for ever. Such a
    // downshift is not taken.
    double from = bike.gear_ratios[d.gear];
    if (g != d.gear && from > 0 && w * (bike.gear_ratios[g] / from) > bike.upshift_rpm) g = d.gear;
  } else if (w > bike.upshift_rpm) {
    int up = present_at_or_below(bike, g + 1, g);
    if (up >= 0) g = up;
  }
  if (g == d.gear) return false;
  d.gear = g;
  return true;
}

double drivetrain_auto_clutch(double c, double rpm, double auto_clutch_rpm) {
  if (rpm <= auto_clutch_rpm + 2000) return std::min(c, clamp01((rpm - auto_clutch_rpm) * 0.0005));
  return c;
}

double drivetrain_robot_clutch(const Drivetrain& d, const BikeSpec& bike) {
  if (d.gear != 0) return 1;
  return clamp01((drivetrain_rpm(d) - (double(bike.downshift_rpm) - 1000)) * 0.001);
}

DrivetrainCoupling drivetrain_couple(Drivetrain& d, const BikeSpec& bike, const RiderParams& params,
                                     double wheel_angle, double wheel_rate, double t, double h) {
  double c = clamp01(d.clutch);
  if (!std::isfinite(wheel_angle) || !std::isfinite(wheel_rate) || !std::isfinite(t) || !(h > 0)) return {0, c};
  double inertia = bike.engine_inertia;
  double n = drivetrain_reduction(d, bike, params);
  if (n == 0) {
    // No gear to drive through: the engine spins on its own torque alone.
    if (inertia > 0) d.engine_speed += t / inertia * h;
    return {0, 0};
  }
  double rpm = drivetrain_rpm(d);
  double m = wrap_angle(d.crank_windup - wheel_angle);
  double q = std::clamp((d.engine_speed - wheel_rate * n) * bike.coupling_damping, -kDampingLimit, kDampingLimit) +
             bike.coupling_stiffness * m;
  // The auto clutch only holds back the engine driving the wheel.
  if (!(q < 0)) c = clamp01(drivetrain_auto_clutch(c, rpm, params.auto_clutch_rpm));
  double slip = kPi / 4 * c;
  if (m > slip) d.crank_windup = wheel_angle + slip;
  if (m < -slip) d.crank_windup = wheel_angle - slip;
  if (!std::isfinite(q)) q = 0;
  q = std::clamp(q, -kCouplingLimit, kCouplingLimit) * c * c;
  if (inertia > 0) d.engine_speed += (-q / n + t) / inertia * h;
  d.crank_windup = wrap_angle(d.crank_windup + d.engine_speed * h / n);
  return {q, c};
}

DrivetrainBrakes drivetrain_brakes(const Drivetrain& d, const RiderParams& params, const AssistFlags& assists,
                                   const DrivetrainBodyInputs& body) {
  double front = d.front_brake * params.front_brake_torque;
  double rear = d.rear_brake * params.rear_brake_torque;
  if ((assists.bits & ASSIST_FRONT_ANTILOCK) && body.front_contact && body.front_slip > kSlipLimit) front = 0;
  if ((assists.bits & ASSIST_STOPPIE_LIMITER) && body.front_contact && !body.rear_contact) front = 0;
  if ((assists.bits & ASSIST_REAR_ANTILOCK) && body.rear_contact && body.rear_slip > kSlipLimit) rear = 0;
  // A motor limit must be a non-negative number.
  if (!(front > 0)) front = 0;
  if (!(rear > 0)) rear = 0;
  return {front, rear};
}

DrivetrainOutput drivetrain_step(Drivetrain& d, const BikeSpec& bike, const RiderParams& params,
                                 const AssistFlags& assists, const DrivetrainBodyInputs& body, int64_t tic, double h) {
  drivetrain_auto_shift(d, bike, params, assists, body, tic);
  double t = drivetrain_engine_torque(d, bike, assists, body);
  DrivetrainCoupling k = drivetrain_couple(d, bike, params, body.rear_axle_angle, body.rear_axle_rate, t, h);
  DrivetrainBrakes b = drivetrain_brakes(d, params, assists, body);
  return {k.torque, -k.torque, b.front, b.rear, t};
}
