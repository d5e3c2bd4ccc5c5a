// Building, resetting, placing and reading one bike's bodies and joints.
#include <cmath>
#include <cstring>

#include "bike/bike_sim.h"
#include "bike/bike_spec.h"
#include "bike/physics_world.h"
#include "bike/shape_cache.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// The world's step aborts on a mass whose centre is off the body origin, and
// summed pieces leave rounding there: move what is left back.
void centre_mass(dMass& m) { dMassTranslate(&m, -m.c[0], -m.c[1], -m.c[2]); }

void set_mass(dBodyID body, dMass& m) {
  centre_mass(m);
  dBodySetMass(body, &m);
}

void frame_mass(const BikeMasses& masses, dMass& m) {
  dMassSetZero(&m);
  dMassSetBoxTotal(&m, masses.frame_mass, masses.frame_size[0], masses.frame_size[1], masses.frame_size[2]);
}

void rider_mass(const BikeMasses& masses, dMass& m) {
  dMassSetZero(&m);
  dMassSetSphereTotal(&m, masses.rider_mass, masses.rider_radius);
}

// A hub sphere and sixteen ring spheres at the rim, turned by pi/4 after each
// (two at each of eight angles).
void wheel_mass(const BikeWheelSpec& w, dMass& m) {
  dMassSetZero(&m);
  dMassSetSphereTotal(&m, w.hub_mass, w.hub_radius);
  for (int i = 0; i < 16; ++i) {
    double a = (i % 8) * PI / 4;
    dMass ring;
    dMassSetSphereTotal(&ring, w.ring_mass / 16.0, w.tyre_radius);
    dMassTranslate(&ring, 0, w.rim_radius * std::cos(a), w.rim_radius * std::sin(a));
    dMassAdd(&m, &ring);
  }
}

// Two fork legs along y at +-spacing/2, the pair turned about x by the rake.
void fork_mass(const BikeSpec& b, dMass& m) {
  dMassSetZero(&m);
  double length = b.fork_length_factor * 2.0 / 3.0;
  for (int side = -1; side <= 1; side += 2) {
    dMass leg;
    dMassSetCylinderTotal(&leg, b.fork_mass / 2.0, 2, b.fork_leg_spacing / 8.0, length);
    dMassTranslate(&leg, side * b.fork_leg_spacing / 2.0, 0, 0);
    dMassAdd(&m, &leg);
  }
  double dz = double(b.fork_lower_position[2]) - b.fork_upper_position[2];
  double dy = double(b.fork_lower_position[1]) - b.fork_upper_position[1];
  double rake = dz != 0 ? std::atan(dy / dz) : PI / 2;
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, rake);
  dMassRotate(&m, r);
}

// Two side boxes from the pivot to the rear axle at +-w/2.
void swingarm_mass(const BikeSpec& b, double w, dMass& m) {
  dMassSetZero(&m);
  double dy = double(b.rear_wheel.axle[1]) - b.swingarm_pivot[1];
  double dz = double(b.rear_wheel.axle[2]) - b.swingarm_pivot[2];
  double length = std::sqrt(dy * dy + dz * dz);
  for (int side = -1; side <= 1; side += 2) {
    dMass arm;
    dMassSetBoxTotal(&arm, b.swingarm_side_mass, w / 4, w / 4, length);
    dMassTranslate(&arm, side * w / 2, 0, 0);
    dMassAdd(&m, &arm);
  }
  double angle = dz != 0 ? -std::atan(dy / dz) : 0;
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, angle);
  dMassRotate(&m, r);
}

const float* rest_position(const BikeSpec& b, int body) {
  switch (body) {
    case BIKE_FRAME: return b.frame_position;
    case BIKE_FRONT_WHEEL: return b.front_wheel.axle;
    case BIKE_REAR_WHEEL: return b.rear_wheel.axle;
    case BIKE_FORK_UPPER: return b.fork_upper_position;
    case BIKE_FORK_LOWER: return b.fork_lower_position;
    case BIKE_SWINGARM: return b.swingarm_position;
    default: return b.rider_position;
  }
}

// Unit vector from a to b (the fork axis), or +y when they coincide.
void axis_between(const float a[3], const float b[3], double out[3]) {
  double d[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
  double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (!(n > 0)) {
    out[0] = 0, out[1] = 1, out[2] = 0;
    return;
  }
  for (int i = 0; i < 3; ++i) out[i] = d[i] / n;
}

void make_joints(BikeSim& s) {
  const BikeSpec& b = *s.model;
  dWorldID w = s.physics->world;
  dBodyID* body = s.body;
  double fork_axis[3];
  axis_between(b.fork_lower_position, b.fork_upper_position, fork_axis);

  dJointID j = dJointCreateHinge(w, nullptr);
  dJointAttach(j, body[BIKE_FORK_LOWER], body[BIKE_FRONT_WHEEL]);
  dJointSetHingeAnchor(j, b.front_wheel.axle[0], b.front_wheel.axle[1], b.front_wheel.axle[2]);
  dJointSetHingeAxis(j, 1, 0, 0);
  s.joint[BIKE_FRONT_AXLE] = j;

  j = dJointCreateHinge(w, nullptr);
  dJointAttach(j, body[BIKE_SWINGARM], body[BIKE_REAR_WHEEL]);
  dJointSetHingeAnchor(j, b.rear_wheel.axle[0], b.rear_wheel.axle[1], b.rear_wheel.axle[2]);
  dJointSetHingeAxis(j, 1, 0, 0);
  s.joint[BIKE_REAR_AXLE] = j;

  j = dJointCreateHinge(w, nullptr);
  dJointAttach(j, body[BIKE_FORK_UPPER], body[BIKE_FRAME]);
  dJointSetHingeAnchor(j, b.fork_upper_position[0], b.fork_upper_position[1], b.fork_upper_position[2]);
  dJointSetHingeAxis(j, fork_axis[0], fork_axis[1], fork_axis[2]);
  dJointSetHingeParam(j, dParamLoStop, -PI / 4);
  dJointSetHingeParam(j, dParamHiStop, PI / 4);
  s.joint[BIKE_STEERING_HEAD] = j;

  j = dJointCreateSlider(w, nullptr);
  dJointAttach(j, body[BIKE_FORK_UPPER], body[BIKE_FORK_LOWER]);
  dJointSetSliderAxis(j, fork_axis[0], fork_axis[1], fork_axis[2]);
  dJointSetSliderParam(j, dParamBounce, 0);
  dJointSetSliderParam(j, dParamLoStop, -b.fork_travel);
  dJointSetSliderParam(j, dParamHiStop, 0);
  s.joint[BIKE_FORK] = j;

  j = dJointCreateHinge(w, nullptr);
  dJointAttach(j, body[BIKE_SWINGARM], body[BIKE_FRAME]);
  dJointSetHingeAnchor(j, b.swingarm_pivot[0], b.swingarm_pivot[1], b.swingarm_pivot[2]);
  dJointSetHingeAxis(j, 1, 0, 0);
  dJointSetHingeParam(j, dParamBounce, 0);
  dJointSetHingeParam(j, dParamLoStop, -b.linkage[2]);
  dJointSetHingeParam(j, dParamHiStop, 0);
  s.joint[BIKE_SWINGARM_PIVOT] = j;

  // The rider mount's anchor lies 50 ft ahead, so turning about axis 2 moves
  // the rider almost straight up and down; its suspension along axis 1 moves
  // him fore and aft and up. The rider springs do the holding.
  j = dJointCreateHinge2(w, nullptr);
  dJointAttach(j, body[BIKE_RIDER], body[BIKE_FRAME]);
  dJointSetHinge2Anchor(j, 0, b.rider_position[1], -50);
  const dReal axis1[3] = {0, 1 / std::sqrt(2.0), 1 / std::sqrt(2.0)};
  const dReal axis2[3] = {1, 0, 0};
  dJointSetHinge2Axes(j, axis1, axis2);
  dJointSetHinge2Param(j, dParamLoStop, 0);
  dJointSetHinge2Param(j, dParamHiStop, 0);
  dJointSetHinge2Param(j, dParamSuspensionERP, 0);
  dJointSetHinge2Param(j, dParamSuspensionCFM, 1e-5);
  s.joint[BIKE_RIDER_MOUNT] = j;

  for (int i = 0; i < BIKE_JOINT_COUNT; ++i) dJointSetFeedback(s.joint[i], &s.feedback[i]);
}

void set_masses(BikeSim& s) {
  const BikeSpec& b = *s.model;
  dMass m;
  frame_mass(s.masses, m);
  set_mass(s.body[BIKE_FRAME], m);
  wheel_mass(b.front_wheel, m);
  set_mass(s.body[BIKE_FRONT_WHEEL], m);
  wheel_mass(b.rear_wheel, m);
  set_mass(s.body[BIKE_REAR_WHEEL], m);
  fork_mass(b, m);
  set_mass(s.body[BIKE_FORK_UPPER], m);
  fork_mass(b, m);
  set_mass(s.body[BIKE_FORK_LOWER], m);
  swingarm_mass(b, s.masses.frame_size[0], m);
  set_mass(s.body[BIKE_SWINGARM], m);
  rider_mass(s.masses, m);
  set_mass(s.body[BIKE_RIDER], m);
}

double total_mass(const BikeSim& s) {
  double sum = 0;
  for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
    dMass m;
    dBodyGetMass(s.body[i], &m);
    sum += m.mass;
  }
  return sum;
}

bool finite_number(double v) { return std::isfinite(v); }

}  // namespace

bool bike_sim_build(BikeSim& s, PhysicsWorld& physics, ShapeCache* shapes, int catalogue_index, int slot,
                    bool first_person) {
  s = BikeSim{};
  const BikeSpec* model = bike_spec(catalogue_index);
  if (!model || !physics.world) return false;
  s.slot = slot;
  s.catalogue_index = catalogue_index;
  s.first_person = first_person;
  s.model = model;
  s.physics = &physics;

  RiderTuning tuning = bike_sim_defaults(*model);
  s.params = tuning.params;
  s.assists = tuning.assists;
  s.masses = tuning.masses;

  for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
    s.body[i] = dBodyCreate(physics.world);
    const float* p = rest_position(*model, i);
    dBodySetPosition(s.body[i], p[0], p[1], p[2]);
  }
  set_masses(s);
  dBodySetFiniteRotationMode(s.body[BIKE_FRONT_WHEEL], 1);
  dBodySetFiniteRotationMode(s.body[BIKE_REAR_WHEEL], 1);
  make_joints(s);
  s.params.total_mass = total_mass(s);

  s.wheel[0].body = s.body[BIKE_FRONT_WHEEL];
  s.wheel[0].R = TYRE_FRONT_RIM_RADIUS;
  s.wheel[1].body = s.body[BIKE_REAR_WHEEL];
  s.wheel[1].R = TYRE_REAR_RIM_RADIUS;

  if (shapes) {
    const char* names[BIKE_BODY_COUNT] = {model->frame_shape,      nullptr,
                                          nullptr,                model->fork_upper_shape,
                                          model->fork_lower_shape, model->swingarm_shape,
                                          model->rider_shape};
    for (int i = 0; i < BIKE_BODY_COUNT; ++i)
      if (names[i]) s.shape[i] = shape_cache_get(*shapes, shape_cache_load(*shapes, names[i]));
  }
  bike_sim_reset(s);
  return true;
}

void bike_sim_destroy(BikeSim& s) {
  for (dJointID& j : s.joint) {
    if (j) dJointDestroy(j);
    j = nullptr;
  }
  for (dBodyID& b : s.body) {
    if (b) dBodyDestroy(b);
    b = nullptr;
  }
  s.wheel[0].body = s.wheel[1].body = nullptr;
  s.model = nullptr;
}

void bike_sim_reset(BikeSim& s) {
  if (!s.model) return;
  for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
    dBodyID b = s.body[i];
    const float* p = rest_position(*s.model, i);
    dBodySetPosition(b, p[0], p[1], p[2]);
    dMatrix3 r;
    dRSetIdentity(r);
    dBodySetRotation(b, r);
    dBodySetLinearVel(b, 0, 0, 0);
    dBodySetAngularVel(b, 0, 0, 0);
    dBodySetForce(b, 0, 0, 0);
    dBodySetTorque(b, 0, 0, 0);
  }
  s.controls = BikeControls{};
  drivetrain_reset(s.drive);
  s.crash_counter = 0;
  s.crash_index = 0;
  s.crash_reason = CRASH_NONE;
  crash_flight_reset(s.flight);
  memset(s.rider_velocity_ring, 0, sizeof s.rider_velocity_ring);
  s.spoiled = false;
  s.hold_timer = 0;
  s.touching = 0;
  s.collided = 0;
  s.rider_collided = false;
  for (dJointFeedback& f : s.feedback) f = dJointFeedback{};
  for (WheelContact& w : s.wheel) {
    w.point = w.velocity = TyreVec{0, 0, 0};
    w.normal = TyreVec{0, 1, 0};
    w.depth = 0;
    w.surface = 0;
    w.feedback = dJointFeedback{};
    w.has_joint = false;
    w.last_tic = -1;
  }
  bike_sim_set_interaction(s, 1);
  bike_sim_remount(s);
  for (int f = 0; f < 2; ++f) {
    const float* p = s.model->attachment + (f ? BIKE_ATTACH_RIGHT_FRAME : BIKE_ATTACH_LEFT_FRAME);
    dVector3 w;
    dBodyGetRelPointPos(s.body[BIKE_FRAME], p[0], p[1], p[2], w);
    for (int i = 0; i < 3; ++i) s.feet[f].position[i] = w[i], s.feet[f].velocity[i] = 0;
  }
}

void bike_sim_move(BikeSim& s, double dx, double dy, double dz) {
  if (!s.model || !finite_number(dx) || !finite_number(dy) || !finite_number(dz)) return;
  for (dBodyID b : s.body) {
    const dReal* p = dBodyGetPosition(b);
    dBodySetPosition(b, p[0] + dx, p[1] + dy, p[2] + dz);
  }
  for (BikeFoot& f : s.feet) f.position[0] += dx, f.position[1] += dy, f.position[2] += dz;
}

void bike_sim_turn(BikeSim& s, const double axis[3], double angle) {
  if (!s.model || !finite_number(angle)) return;
  double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  if (!(n > 0) || !finite_number(n)) return;
  dMatrix3 r;
  dRFromAxisAndAngle(r, axis[0], axis[1], axis[2], angle);
  for (dBodyID b : s.body) {
    const dReal* p = dBodyGetPosition(b);
    dVector3 q;
    dMultiply0_331(q, r, p);
    dBodySetPosition(b, q[0], q[1], q[2]);
    dBodySetRotation(b, r);
  }
  for (BikeFoot& f : s.feet) {
    dVector3 q;
    dReal p[3] = {f.position[0], f.position[1], f.position[2]};
    dMultiply0_331(q, r, p);
    for (int i = 0; i < 3; ++i) f.position[i] = q[i];
  }
}

void bike_sim_remount(BikeSim& s) {
  if (!s.model) return;
  const BikeSpec& b = *s.model;
  dBodyID frame = s.body[BIKE_FRAME], rider = s.body[BIKE_RIDER];
  dVector3 seat;
  dBodyGetRelPointPos(frame, double(b.rider_position[0]) - b.frame_position[0],
                      double(b.rider_position[1]) - b.frame_position[1],
                      double(b.rider_position[2]) - b.frame_position[2], seat);
  dBodySetPosition(rider, seat[0], seat[1], seat[2]);
  dBodySetRotation(rider, dBodyGetRotation(frame));
  // He sits down moving with the seat.
  dVector3 v;
  dBodyGetPointVel(frame, seat[0], seat[1], seat[2], v);
  dBodySetLinearVel(rider, v[0], v[1], v[2]);
  const dReal* w = dBodyGetAngularVel(frame);
  dBodySetAngularVel(rider, w[0], w[1], w[2]);
  dJointAttach(s.joint[BIKE_RIDER_MOUNT], rider, frame);
  // The tumble's velocities must not read as a sudden stop on the seat.
  for (auto& slot : s.rider_velocity_ring)
    for (int i = 0; i < 3; ++i) slot[i] = v[i];
}

void bike_sim_apply_tuning(BikeSim& s, const RiderTuning& t) {
  if (!s.model) return;
  s.params = t.params;
  s.assists = t.assists;
  s.masses = t.masses;
  dMass m;
  frame_mass(s.masses, m);
  set_mass(s.body[BIKE_FRAME], m);
  rider_mass(s.masses, m);
  set_mass(s.body[BIKE_RIDER], m);
  s.params.total_mass = total_mass(s);
}

void bike_sim_set_interaction(BikeSim& s, double timer) {
  s.interaction_timer = timer;
  for (dBodyID b : s.body) {
    if (!b) continue;
    if (timer > 0.25) {
      dBodyEnable(b);
    } else {
      dBodySetForce(b, 0, 0, 0);
      dBodySetTorque(b, 0, 0, 0);
      dBodyDisable(b);
    }
  }
}

bool bike_sim_simulated(const BikeSim& s) { return s.model && s.interaction_timer > 0.25; }

double bike_sim_speed(const BikeSim& s) {
  if (!s.model) return 0;
  const dReal* v = dBodyGetLinearVel(s.body[BIKE_FRAME]);
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

double bike_body_lean_angle(dBodyID body) {
  const dReal* r = dBodyGetRotation(body);  // row-major 3 x 4: column j is body axis j
  double fx = -r[2], fz = -r[10];           // forward (-z) axis, x and z
  double n = std::sqrt(fx * fx + fz * fz);
  if (!(n > 1e-9)) return 0;
  fx /= n, fz /= n;
  double ux = r[1], uz = r[9];  // up (y) axis, x and z
  double c = uz * fx - ux * fz;
  c = c < -1 ? -1 : (c > 1 ? 1 : c);
  return std::acos(c) - PI / 2;
}

double bike_sim_lean_angle(const BikeSim& s) { return s.model ? bike_body_lean_angle(s.body[BIKE_FRAME]) : 0; }

double bike_sim_fork_position(const BikeSim& s) { return s.model ? dJointGetSliderPosition(s.joint[BIKE_FORK]) : 0; }

double bike_sim_swingarm_angle(const BikeSim& s) {
  return s.model ? dJointGetHingeAngle(s.joint[BIKE_SWINGARM_PIVOT]) : 0;
}

bool bike_sim_crashed(const BikeSim& s) { return s.crash_counter > 0; }

BikeSuspensionSample bike_sim_suspension_sample(const BikeSim& s) {
  BikeSuspensionSample out{};
  if (!s.model) return out;
  const BikeSpec& b = *s.model;
  const RiderParams& p = s.params;
  double fp = dJointGetSliderPosition(s.joint[BIKE_FORK]);
  double fv = dJointGetSliderPositionRate(s.joint[BIKE_FORK]);
  out.fork_position = b.fork_travel > 0 ? -fp / b.fork_travel : 0;
  out.fork_speed = fv;
  out.fork_share = fv < 0 ? suspension_damping_share(p.fork_hs_compression, p.fork_ls_compression, fv)
                          : suspension_damping_share(p.fork_hs_rebound, p.fork_ls_rebound, fv);
  double a = dJointGetHingeAngle(s.joint[BIKE_SWINGARM_PIVOT]);
  double w = dJointGetHingeAngleRate(s.joint[BIKE_SWINGARM_PIVOT]);
  double travel = b.linkage[2];
  double x = travel > 0 ? -a / travel : 0;
  LinkagePoint lp = suspension_linkage(b, x);
  double v = w * lp.slope;
  out.shock_position = x;
  out.shock_speed = v;
  out.shock_share = v < 0 ? suspension_damping_share(p.shock_hs_compression, p.shock_ls_compression, v)
                          : suspension_damping_share(p.shock_hs_rebound, p.shock_ls_rebound, v);
  return out;
}
