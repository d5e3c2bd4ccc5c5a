// The contacts of one rider for a tic: tyres and body shapes against the
// ground, against other riders and against fixed objects.
#include <algorithm>
#include <cmath>

#include "bike/bike_sim.h"
#include "bike/physics_world.h"
#include "bike/shape.h"
#include "track/surface.h"
#include "track/terrain.h"

namespace {

// The wheels meet other riders and objects as one sphere around the axle.
constexpr double WHEEL_SPHERE_MU = 1.0;
constexpr double WHEEL_SPHERE_KP = 2500;
constexpr double WHEEL_SPHERE_KD = 250;
// Largest spring force of one shape contact: kp × overlap is kept below this, lbf.
constexpr double SHAPE_SPRING_LIMIT = 2500;

const SurfaceTable& no_surfaces() {
  static const SurfaceTable empty;
  return empty;
}

TyreVec to_vec(const dReal* p) { return {p[0], p[1], p[2]}; }

TyreWheel wheel_of(const BikeSim& s, int w) {
  const WheelContact& c = s.wheel[w];
  dVector3 axle;
  dBodyVectorToWorld(c.body, 1, 0, 0, axle);
  return TyreWheel{to_vec(dBodyGetPosition(c.body)), to_vec(axle), c.R, c.r};
}

TyreMotion motion_of(dBodyID body) { return TyreMotion{to_vec(dBodyGetLinearVel(body)), to_vec(dBodyGetAngularVel(body))}; }

void make_contact(const BikeStepContext& ctx, dBodyID b1, dBodyID b2, const double pos[3], const double normal[3],
                  double depth, double mu, double kp, double kd, dJointFeedback* feedback) {
  SoftContact soft;
  if (!ctx.physics || !ctx.physics->contacts || !suspension_soft_contact(kp, kd, ctx.h, soft)) return;
  dContact c{};
  c.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
  c.surface.mu = std::isinf(mu) ? dInfinity : mu;
  c.surface.soft_erp = soft.erp;
  c.surface.soft_cfm = soft.cfm;
  for (int i = 0; i < 3; ++i) c.geom.pos[i] = pos[i], c.geom.normal[i] = normal[i];
  c.geom.depth = depth;
  dJointID j = dJointCreateContact(ctx.physics->world, ctx.physics->contacts, &c);
  dJointAttach(j, b1, b2);
  if (feedback) dJointSetFeedback(j, feedback);
}

// A sphere of one part in world coordinates.
struct WorldSphere {
  double c[3];
  double radius, mu, kp, kd;
};

// One part of a rider (or of a fixed object) as a set of world spheres with a bound.
struct PartSpheres {
  dBodyID body = nullptr;  // none: the static world
  uint32_t bit = 0;        // BIKE_PART_* bit
  double centre[3] = {0, 0, 0};  // bounding sphere
  double bound = 0;
  WorldSphere one{};              // a wheel's single sphere
  const Shape* shape = nullptr;   // or the spheres of a shape
  const double* rotation = nullptr;  // for a fixed object (row-major), with centre as its position
};

PartSpheres wheel_part(const BikeSim& s, int w) {
  PartSpheres p;
  p.body = s.wheel[w].body;
  p.bit = w == 0 ? BIKE_PART_FRONT_WHEEL : BIKE_PART_REAR_WHEEL;
  const dReal* c = dBodyGetPosition(p.body);
  for (int i = 0; i < 3; ++i) p.centre[i] = p.one.c[i] = c[i];
  p.bound = p.one.radius = s.wheel[w].R + s.wheel[w].r;
  p.one.mu = WHEEL_SPHERE_MU;
  p.one.kp = WHEEL_SPHERE_KP;
  p.one.kd = WHEEL_SPHERE_KD;
  return p;
}

PartSpheres shape_part(const BikeSim& s, int body) {
  PartSpheres p;
  p.body = s.body[body];
  p.bit = 1u << body;
  p.shape = s.shape[body];
  const dReal* c = dBodyGetPosition(p.body);
  for (int i = 0; i < 3; ++i) p.centre[i] = c[i];
  p.bound = p.shape ? p.shape->bound_radius : 0;
  return p;
}

// The parts of a rider that can touch: wheels, then the shaped bodies.
int rider_parts(const BikeSim& s, PartSpheres out[BIKE_BODY_COUNT]) {
  int n = 0;
  out[n++] = wheel_part(s, 0);
  out[n++] = wheel_part(s, 1);
  const int shaped[] = {BIKE_FRAME, BIKE_FORK_UPPER, BIKE_FORK_LOWER, BIKE_SWINGARM, BIKE_RIDER};
  for (int b : shaped)
    if (s.shape[b] && !s.shape[b]->spheres.empty()) out[n++] = shape_part(s, b);
  return n;
}

size_t sphere_count(const PartSpheres& p) { return p.shape ? p.shape->spheres.size() : 1; }

WorldSphere sphere_at(const PartSpheres& p, size_t i) {
  if (!p.shape) return p.one;
  const ShapeSphere& q = p.shape->spheres[i];
  WorldSphere w{{0, 0, 0}, q.radius, q.mu, q.kp, q.kd};
  if (p.rotation) {
    const double* r = p.rotation;
    for (int k = 0; k < 3; ++k) w.c[k] = p.centre[k] + r[3 * k] * q.x + r[3 * k + 1] * q.y + r[3 * k + 2] * q.z;
  } else {
    dVector3 c;
    dBodyGetRelPointPos(p.body, q.x, q.y, q.z, c);
    for (int k = 0; k < 3; ++k) w.c[k] = c[k];
  }
  return w;
}

double distance(const double a[3], const double b[3]) {
  double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

dBodyID active(dBodyID b) { return b && dBodyIsEnabled(b) ? b : nullptr; }

// Every sphere pair of two parts that overlaps: a contact joint (or, when
// `direct`, the spring law as forces). True when any touched.
bool touch_parts(const PartSpheres& a, const PartSpheres& b, bool direct, const BikeStepContext& ctx) {
  if (distance(a.centre, b.centre) >= a.bound + b.bound) return false;
  bool touched = false;
  size_t na = sphere_count(a), nb = sphere_count(b);
  for (size_t i = 0; i < na; ++i) {
    WorldSphere s1 = sphere_at(a, i);
    for (size_t k = 0; k < nb; ++k) {
      WorldSphere s2 = sphere_at(b, k);
      double d = distance(s1.c, s2.c);
      double e = s1.radius + s2.radius - d;
      if (!(e > 0) || !(d > 1e-9)) continue;
      touched = true;
      double n[3], at[3];
      for (int j = 0; j < 3; ++j) {
        n[j] = (s1.c[j] - s2.c[j]) / d;  // pushes the first part away from the second
        at[j] = s1.c[j] - n[j] * (s1.radius - e / 2);
      }
      double mu = std::min(s1.mu, s2.mu), kd = std::min(s1.kd, s2.kd);
      double kp = std::min({s1.kp, s2.kp, SHAPE_SPRING_LIMIT / e});
      dBodyID b1 = active(a.body), b2 = active(b.body);
      if (!direct) {
        // A disabled body (a rider placed from states) stands in as the
        // static world, so the contact does not wake it.
        if (b1) {
          make_contact(ctx, b1, b2, at, n, e, mu, kp, kd, nullptr);
        } else if (b2) {
          const double turned[3] = {-n[0], -n[1], -n[2]};
          make_contact(ctx, b2, nullptr, at, turned, e, mu, kp, kd, nullptr);
        }
        continue;
      }
      dVector3 v1 = {0, 0, 0}, v2 = {0, 0, 0};
      if (a.body) dBodyGetPointVel(a.body, at[0], at[1], at[2], v1);
      if (b.body) dBodyGetPointVel(b.body, at[0], at[1], at[2], v2);
      double approach = (v2[0] - v1[0]) * n[0] + (v2[1] - v1[1]) * n[1] + (v2[2] - v1[2]) * n[2];
      double f = std::clamp(kp * e + kd * approach, -BIKE_DIRECT_CONTACT_LIMIT, BIKE_DIRECT_CONTACT_LIMIT);
      if (!std::isfinite(f)) continue;
      if (b1) dBodyAddForceAtPos(b1, f * n[0], f * n[1], f * n[2], at[0], at[1], at[2]);
      if (b2) dBodyAddForceAtPos(b2, -f * n[0], -f * n[1], -f * n[2], at[0], at[1], at[2]);
    }
  }
  return touched;
}

}  // namespace

bool bike_wheel_contact_refresh(BikeSim& s, int w, const BikeStepContext& ctx) {
  if (!s.model || w < 0 || w > 1) return false;
  WheelContact& c = s.wheel[w];
  if (c.last_tic == ctx.tic) return c.depth > 0;
  c.last_tic = ctx.tic;
  c.has_joint = false;
  TyreContact contact;
  TyreWheel wheel = wheel_of(s, w);
  if (!ctx.terrain || !tyre_wheel_contact(*ctx.terrain, wheel, contact)) {
    c.depth = 0;
    return false;
  }
  c.point = contact.point;
  c.normal = contact.normal;
  c.depth = contact.depth;
  c.velocity = tyre_point_velocity(wheel, motion_of(c.body), contact.point);
  c.surface = tyre_surface_index(*ctx.terrain, ctx.surfaces ? *ctx.surfaces : no_surfaces(), contact.point);
  return true;
}

uint32_t bike_terrain_pass(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model) return 0;
  s.collided = 0;
  s.rider_collided = false;
  s.touching = 0;
  uint32_t touched = 0;
  const SurfaceTable& surfaces = ctx.surfaces ? *ctx.surfaces : no_surfaces();
  double factor = s.params.arcade ? tyre_arcade_friction(bike_sim_lean_angle(s)) : 1.0;

  for (int w = 0; w < 2; ++w) {
    WheelContact& c = s.wheel[w];
    c.last_tic = ctx.tic;
    c.has_joint = false;
    c.depth = 0;
    c.feedback = dJointFeedback{};
    TyreJointPlan plan;
    if (!ctx.terrain ||
        !tyre_contact_plan(*ctx.terrain, surfaces, wheel_of(s, w), motion_of(c.body), factor, ctx.h, plan))
      continue;
    c.point = plan.contact.point;
    c.normal = plan.contact.normal;
    c.depth = plan.contact.depth;
    c.velocity = plan.contact_velocity;
    c.surface = plan.surface;
    touched |= w == 0 ? BIKE_PART_FRONT_WHEEL : BIKE_PART_REAR_WHEEL;
    if (ctx.physics && ctx.physics->contacts) {
      dContact k{};
      k.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
      k.surface.mu = plan.mu;
      k.surface.soft_erp = plan.softness.erp;
      k.surface.soft_cfm = plan.softness.cfm;
      k.geom.pos[0] = plan.contact.point.x, k.geom.pos[1] = plan.contact.point.y, k.geom.pos[2] = plan.contact.point.z;
      k.geom.normal[0] = plan.contact.normal.x, k.geom.normal[1] = plan.contact.normal.y;
      k.geom.normal[2] = plan.contact.normal.z;
      k.geom.depth = plan.contact.depth;
      if (plan.has_direction) {
        k.surface.mode |= dContactFDir1;
        k.fdir1[0] = plan.direction.x, k.fdir1[1] = plan.direction.y, k.fdir1[2] = plan.direction.z;
      }
      dJointID j = dJointCreateContact(ctx.physics->world, ctx.physics->contacts, &k);
      dJointAttach(j, c.body, nullptr);
      dJointSetFeedback(j, &c.feedback);
      c.has_joint = true;
    }
    dBodyAddForce(c.body, plan.roll_force.x, plan.roll_force.y, plan.roll_force.z);
  }

  if (ctx.terrain) {
    const int shaped[] = {BIKE_FRAME, BIKE_FORK_UPPER, BIKE_FORK_LOWER, BIKE_SWINGARM, BIKE_RIDER};
    for (int b : shaped) {
      const Shape* shape = s.shape[b];
      if (!shape) continue;
      dBodyID body = s.body[b];
      for (const ShapeSphere& q : shape->spheres) {
        dVector3 c;
        dBodyGetRelPointPos(body, q.x, q.y, q.z, c);
        TerrainContact tc;
        if (!terrain_sphere_contact(*ctx.terrain, TerrainVec{float(c[0]), float(c[1]), float(c[2])}, q.radius, tc))
          continue;
        if (!(tc.depth > 0)) continue;
        const double at[3] = {tc.point.x, tc.point.y, tc.point.z};
        const double n[3] = {tc.normal.x, tc.normal.y, tc.normal.z};
        make_contact(ctx, body, nullptr, at, n, tc.depth, q.mu, BIKE_SHAPE_TERRAIN_KP, BIKE_SHAPE_TERRAIN_KD,
                     nullptr);
        touched |= 1u << b;
      }
    }
  }

  if (touched & ~BIKE_PART_WHEELS) s.spoiled = true;
  if ((touched & BIKE_PART_RIDER) && s.crash_counter == 0 && s.hold_timer >= 0) {
    dVector3 up;
    dBodyVectorToWorld(s.body[BIKE_RIDER], 0, 1, 0, up);
    const dReal* v = dBodyGetLinearVel(s.body[BIKE_RIDER]);
    if (crash_upside_down(up[1], std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]))) bike_crash(s, ctx, CRASH_UPSIDE_DOWN);
  }
  s.touching = touched;
  return touched;
}

uint32_t bike_rider_collision(BikeSim& a, BikeSim& b, const BikeStepContext& ctx) {
  if (!a.model || !b.model || &a == &b) return 0;
  bool direct = a.rider_collided || b.rider_collided;
  PartSpheres pa[BIKE_BODY_COUNT], pb[BIKE_BODY_COUNT];
  int na = rider_parts(a, pa), nb = rider_parts(b, pb);
  uint32_t mask_a = 0, mask_b = 0;
  for (int i = 0; i < na; ++i)
    for (int k = 0; k < nb; ++k)
      if (touch_parts(pa[i], pb[k], direct, ctx)) {
        mask_a |= pa[i].bit;
        mask_b |= pb[k].bit;
      }
  if (!mask_a) return 0;
  a.rider_collided = b.rider_collided = true;
  a.collided |= mask_a;
  b.collided |= mask_b;
  const uint32_t front = BIKE_PART_FRONT_WHEEL | BIKE_PART_FORK_LOWER;
  if ((mask_a & front) && (mask_b & front) && bike_sim_speed(a) >= 10) {
    a.hold_timer = std::max(a.hold_timer, 64.0);
    b.hold_timer = std::max(b.hold_timer, 64.0);
  }
  return mask_a | mask_b << 8;
}

uint32_t bike_object_collision(BikeSim& s, const Shape& shape, const double position[3], const double rotation[9],
                               const BikeStepContext& ctx) {
  if (!s.model || shape.spheres.empty()) return 0;
  PartSpheres object;
  object.shape = &shape;
  object.rotation = rotation;
  object.bound = shape.bound_radius;
  for (int i = 0; i < 3; ++i) object.centre[i] = position[i];
  PartSpheres parts[BIKE_BODY_COUNT];
  int n = rider_parts(s, parts);
  uint32_t mask = 0;
  for (int i = 0; i < n; ++i)
    if (touch_parts(parts[i], object, false, ctx)) mask |= parts[i].bit;
  if (mask & BIKE_PART_RIDER) {
    const dReal* v = dBodyGetLinearVel(s.body[BIKE_RIDER]);
    if (crash_object_touch(s.crash_counter, s.hold_timer, v[0] * v[0] + v[1] * v[1] + v[2] * v[2]))
      bike_crash(s, ctx, CRASH_OBJECT);
  }
  return mask;
}
