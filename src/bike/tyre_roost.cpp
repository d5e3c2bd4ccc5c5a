// Roost: the dirt and spray a tyre throws, and how each particle flies.
#include <algorithm>
#include <cmath>

#include "bike/tyre.h"
#include "track/terrain.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double length(TyreVec v) { return std::sqrt(tyre_dot(v, v)); }

// v turned by angle about the unit axis a.
TyreVec rotate(TyreVec v, TyreVec a, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return tyre_add(tyre_add(tyre_scale(v, c), tyre_scale(tyre_cross(a, v), s)), tyre_scale(a, tyre_dot(a, v) * (1 - c)));
}

// v with each component moved by (uniform - 0.5) x spread.
TyreVec jitter(TyreVec v, double spread, TyreRandom& random) {
  v.x += (tyre_uniform(random) - 0.5) * spread;
  v.y += (tyre_uniform(random) - 0.5) * spread;
  v.z += (tyre_uniform(random) - 0.5) * spread;
  return v;
}

// Spray angle of dirt roost for a wheel spinning against its travel.
double spin_spray_angle(const RoostKind& kind, double spin2) {
  double slow2 = double(kind.slow_speed) * kind.slow_speed, fast2 = double(kind.fast_speed) * kind.fast_speed;
  double t;
  if (fast2 != slow2) t = std::clamp((spin2 - slow2) / (fast2 - slow2), 0.0, 1.0);
  else t = spin2 >= fast2 ? 1.0 : 0.0;  // both speeds equal: a step
  if (!std::isfinite(t)) t = 0;
  return kind.slow_angle + (double(kind.fast_angle) - kind.slow_angle) * t;
}

}  // namespace

double tyre_uniform(TyreRandom& random) { return double(random() >> 8) * (1.0 / 16777216.0); }

int tyre_roost_budget(int percent, TyreRandom& random) {
  percent = std::clamp(percent, 0, 1000);
  int budget = percent / 100;
  if (int(random() % 100) < percent % 100) ++budget;
  return budget;
}

int tyre_roost_emit(const TyreRoostWheel& w, const Surface& surface, int budget, uint32_t tic, double h,
                    TyreRandom& random, const TyreRoostSink& sink) {
  if (budget <= 0 || !(w.contact.depth > 0) || !sink.emit) return 0;
  double alen = length(w.wheel.axle);
  TyreVec axle = alen > 0 ? tyre_scale(w.wheel.axle, 1 / alen) : TyreVec{1, 0, 0};
  TyreVec v = w.contact_velocity;
  double speed = length(v);
  if (!std::isfinite(speed)) return 0;
  int emitted = 0;
  int kinds = std::clamp(surface.roost_count, 0, int(SURFACE_ROOST_KINDS));
  for (int j = 0; j < kinds; ++j) {
    const RoostKind& kind = surface.roost[j];
    if (kind.kind != ROOST_DIRT && kind.kind != ROOST_SPLASH) continue;
    double count = std::isfinite(kind.count) ? std::clamp(double(kind.count), 0.0, double(SURFACE_ROOST_MAX_COUNT)) : 0;
    double whole = std::floor(count);
    int n = int(whole);
    if (count - whole > tyre_uniform(random)) ++n;
    n = std::min(n, budget);
    if (n <= 0) continue;
    if (kind.kind == ROOST_DIRT) {
      if (speed < kind.slip_threshold) continue;
      double spray = kPi / 64;
      if (tyre_dot(w.motion.velocity, v) < 0)
        spray = std::min(spin_spray_angle(kind, tyre_dot(w.motion.spin, w.motion.spin)), w.max_spray_angle);
      for (int i = 0; i < n; ++i) {
        TyreRoostParticle p;
        p.kind = &kind;
        TyreVec out = rotate(v, axle, tyre_uniform(random) * spray);
        p.velocity = tyre_scale(jitter(out, kind.randomize, random), kind.vscale);
        p.position = tyre_add(w.contact.point, tyre_scale(p.velocity, i * h / n));
        if (sink.emit(sink.context, p)) ++emitted;
      }
    } else {
      // Splash: two sprays at 45 degrees either side of the wheel's travel
      // along the ground, taken in turn.
      TyreVec nrm = w.contact.normal;
      TyreVec u = tyre_sub(w.motion.velocity, tyre_scale(nrm, tyre_dot(w.motion.velocity, nrm)));
      TyreVec side = tyre_cross(nrm, u);
      TyreVec left = tyre_scale(tyre_add(u, side), std::sqrt(0.5));
      TyreVec right = tyre_scale(tyre_sub(u, side), std::sqrt(0.5));
      for (int i = 0; i < n; ++i) {
        TyreRoostParticle p;
        p.kind = &kind;
        TyreVec dir = ((uint32_t(i) ^ tic) & 1) ? right : left;
        dir = jitter(dir, kind.randomize, random);
        p.velocity = tyre_scale(dir, kind.vscale * tyre_uniform(random));
        p.position = tyre_add(w.contact.point, tyre_scale(p.velocity, i * h / n));
        if (sink.emit(sink.context, p)) ++emitted;
      }
    }
  }
  return emitted;
}

bool tyre_roost_move(TyreRoostState& p, const RoostKind& kind, const Terrain& terrain, double h) {
  p.position = tyre_add(p.position, tyre_scale(p.velocity, h));
  double m = 1 - kind.drag * h;
  p.velocity.x *= m;
  p.velocity.z *= m;
  p.velocity.y = m * p.velocity.y - 32 * h;
  p.size += kind.grow * h;
  for (int c = 0; c < 4; ++c) p.colour[c] = uint8_t(std::clamp(int(p.colour[c]) + int(kind.fade[c]), 0, 255));
  // A particle with broken numbers is dropped rather than kept forever.
  if (!std::isfinite(p.position.x) || !std::isfinite(p.position.y) || !std::isfinite(p.position.z)) return false;
  return !(p.velocity.y < 0 && p.position.y < terrain_height(terrain, float(p.position.x), float(p.position.z)));
}
