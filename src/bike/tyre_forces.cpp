// Friction, softness, friction direction and rolling resistance of a tyre
// contact, and the plan of one wheel's contact joint.
#include <algorithm>
#include <cmath>

#include "bike/tyre.h"

namespace {

double length(TyreVec v) { return std::sqrt(tyre_dot(v, v)); }

bool finite(TyreVec v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

TyreVec unit_axle(const TyreWheel& wheel) {
  double len = length(wheel.axle);
  return len > 0 ? tyre_scale(wheel.axle, 1 / len) : TyreVec{0, 0, 0};
}

}  // namespace

TyreVec tyre_point_velocity(const TyreWheel& wheel, const TyreMotion& motion, TyreVec point) {
  return tyre_add(motion.velocity, tyre_cross(motion.spin, tyre_sub(point, wheel.centre)));
}

double tyre_slip_lookup(int slip_function, const TyreWheel& wheel, const TyreMotion& motion, TyreVec point,
                        TyreVec contact_velocity) {
  double speed = length(contact_velocity);
  if (slip_function != 2 || speed < 1.0 / 16) return speed;
  // The point's velocity as if the wheel did not spin about its axle.
  TyreVec a = unit_axle(wheel);
  TyreVec w = tyre_sub(motion.spin, tyre_scale(a, tyre_dot(a, motion.spin)));
  TyreVec v = tyre_add(motion.velocity, tyre_cross(w, tyre_sub(point, wheel.centre)));
  double along = tyre_dot(v, contact_velocity) / speed;
  return std::clamp(along, -speed, speed);
}

double tyre_friction(const Surface& surface, const TyreWheel& wheel, const TyreMotion& motion, TyreVec point,
                     TyreVec contact_velocity) {
  double lookup = tyre_slip_lookup(surface.slip_function, wheel, motion, point, contact_velocity);
  return surface_friction(surface, float(lookup));
}

TyreSoftness tyre_softness(double depth, double r, double h) {
  TyreSoftness s;
  // A tyre without a section is as stiff as it gets once it touches.
  double q = r > 0 ? depth / r : (depth > 0 ? 1.0 : 0.0);
  s.q = std::isfinite(q) ? std::clamp(q, 0.0, 1.0) : (depth > 0 ? 1.0 : 0.0);
  double k = s.q * s.q * s.q;
  s.kp = 24000 * k + 1000;
  s.kd = 2300 * k + 200;
  s.cfm = 1 / (s.kd + h * s.kp);
  s.erp = h * s.kp * s.cfm;
  return s;
}

bool tyre_friction_direction(TyreVec normal, TyreVec velocity, TyreVec axle, TyreVec& direction) {
  direction = TyreVec{0, 0, 0};
  TyreVec d = tyre_cross(normal, velocity);
  double len2 = tyre_dot(d, d);
  if (!(len2 >= 1.0 / 1024)) {
    d = tyre_cross(normal, axle);
    len2 = tyre_dot(d, d);
    if (!(len2 > 0) || !std::isfinite(len2)) return false;
  }
  direction = tyre_scale(d, 1 / std::sqrt(len2));
  return true;
}

TyreVec tyre_roll_resistance(const Surface& surface, TyreVec normal, TyreVec centre_velocity, double q) {
  TyreVec u = tyre_sub(centre_velocity, tyre_scale(normal, tyre_dot(centre_velocity, normal)));
  double w = length(u);
  if (!std::isfinite(w)) return TyreVec{0, 0, 0};
  RollResistPair pair = surface_roll_resist(surface, float(w));
  double c = pair.first + (double(pair.second) - pair.first) * q;
  if (w > 1) u = tyre_scale(u, 1 / w);
  return tyre_scale(u, -c);
}

double tyre_arcade_friction(double lean) {
  if (!std::isfinite(lean)) return 1;
  return 1 - 0.375 * std::clamp(4 * std::fabs(lean) / 3.14159265358979323846, 0.0, 1.0);
}

bool tyre_contact_plan(const Terrain& terrain, const SurfaceTable& surfaces, const TyreWheel& wheel,
                       const TyreMotion& motion, double friction_factor, double h, TyreJointPlan& plan) {
  plan = TyreJointPlan();
  if (!finite(motion.velocity) || !finite(motion.spin)) return false;
  if (!tyre_wheel_contact(terrain, wheel, plan.contact)) return false;
  const TyreContact& c = plan.contact;
  plan.contact_velocity = tyre_point_velocity(wheel, motion, c.point);
  plan.surface = tyre_surface_index(terrain, surfaces, c.point);
  const Surface& surface = surfaces_get(surfaces, plan.surface);
  double mu = tyre_friction(surface, wheel, motion, c.point, plan.contact_velocity);
  plan.mu = mu * (std::isfinite(friction_factor) ? friction_factor : 1.0);
  plan.softness = tyre_softness(c.depth, wheel.r, h);
  plan.has_direction = tyre_friction_direction(c.normal, plan.contact_velocity, unit_axle(wheel), plan.direction);
  plan.roll_force = tyre_roll_resistance(surface, c.normal, motion.velocity, plan.softness.q);
  return true;
}
