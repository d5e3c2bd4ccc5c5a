// Encoding, decoding and blending compact rider states, and driving a remote
// rider from them.
#include "bike/compact_state.h"

#include <cmath>
#include <cstring>

#include <ode/ode.h>

#include "bike/bike_sim.h"
#include "bike/bike_spec.h"
#include "bike/drivetrain.h"
#include "bike/suspension.h"
#include "track/terrain.h"

namespace {

constexpr double PI = 3.14159265358979323846;

constexpr double U24_MAX = 16777215;
constexpr double U16_MAX = 65535;
constexpr double QUATERNION_SCALE = 32767.5;  // per unit of a component
constexpr double STEER_LIMIT = PI / 4;        // rad either way
constexpr double STEER_SCALE = 162.33803;     // bytes per rad
constexpr double OFFSET_LIMIT = 16;           // ft either way
constexpr double OFFSET_SCALE = 2047.9688;    // steps per ft
constexpr double WHEEL_SCALE = 40.584507;     // bytes per rad
constexpr double RPM_LIMIT = 32768;
constexpr double RPM_SCALE = 1.9999695;       // steps per rpm
// Wheel angle bytes go once round the circle in 255 steps (0 and 255 are both pi).
constexpr double WHEEL_TURN = 255;
// A blend never reaches further than this past the newer record (one tic
// apart plus the extrapolation limit).
constexpr double BLEND_MAX_FRACTION = 1 + COMPACT_EXTRAPOLATION_TICS;
// The foot-down amount moves by this much a tic towards what the record shows.
constexpr double FOOT_DOWN_RATE = 8 * SUSPENSION_TIC;

// Byte offsets of the fields that differ between the layouts.
struct FieldOffsets {
  int front_wheel;  // front wheel angle byte
  int rear_wheel;   // rear wheel angle byte
  int flags;        // flags byte
  int rpm;          // engine speed u16
};

constexpr FieldOffsets CURRENT_FIELDS = {34, 35, 36, 37};
constexpr FieldOffsets OLD_FIELDS = {21, 22, 23, 24};

const FieldOffsets& fields_of(int layout) { return layout == COMPACT_LAYOUT_OLD ? OLD_FIELDS : CURRENT_FIELDS; }

// A finite value in lo..hi; not-a-number gives lo.
double clamp(double v, double lo, double hi) {
  if (!(v >= lo)) return lo;
  return v > hi ? hi : v;
}

double finite_or_zero(double v) { return std::isfinite(v) ? v : 0; }

// round(v) kept in 0..max.
uint32_t quantise(double v, double max) { return uint32_t(clamp(std::floor(v + 0.5), 0, max)); }

void put_u16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void put_u24(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
}

uint32_t get_u16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t get_u24(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }

// The box's size, 0 when it is not a usable number.
double box_size(const CompactSpace& space) { return std::isfinite(space.size) && space.size > 0 ? space.size : 0; }

uint32_t position_code(double v, double size) {
  if (!(size > 0)) return 0;
  return quantise(clamp(v, 0, size) / size * U24_MAX, U24_MAX);
}

double position_value(uint32_t code, double size) { return double(code) / U24_MAX * size; }

void put_quaternion(uint8_t* p, const dReal q[4]) {
  for (int i = 0; i < 4; ++i) put_u16(p + 2 * i, quantise(QUATERNION_SCALE * (clamp(q[i], -1, 1) + 1), U16_MAX));
}

void get_quaternion_raw(const uint8_t* p, double q[4]) {
  for (int i = 0; i < 4; ++i) q[i] = double(get_u16(p + 2 * i)) / U16_MAX * 2 - 1;
}

// Scales q to unit length; a quaternion too short to have a direction
// becomes the fallback (or the identity without one).
void normalise_quaternion(double q[4], const double* fallback) {
  double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (n > 1e-6 && std::isfinite(n)) {
    for (int i = 0; i < 4; ++i) q[i] /= n;
    return;
  }
  for (int i = 0; i < 4; ++i) q[i] = fallback ? fallback[i] : (i == 0 ? 1 : 0);
}

void get_quaternion(const uint8_t* p, dQuaternion q) {
  double raw[4];
  get_quaternion_raw(p, raw);
  normalise_quaternion(raw, nullptr);
  for (int i = 0; i < 4; ++i) q[i] = raw[i];
}

double wheel_angle(uint8_t b) { return double(b) / WHEEL_TURN * 2 * PI - PI; }

// The change from wheel byte a to b: up to 1/8 turn backwards or 7/8 turn
// forwards, in bytes.
double wheel_step(uint8_t a, uint8_t b) {
  double d = double(b) - double(a);
  if (d < -WHEEL_TURN / 8) d += WHEEL_TURN;
  if (d >= WHEEL_TURN * 7 / 8) d -= WHEEL_TURN;
  return d;
}

// The decoded wheel hangs on its axle turned by minus the hinge angle: the
// axle hinge measures its carrier (fork lower, swingarm) against the wheel.
constexpr double WHEEL_SPIN_SIGN = -1;

void float_offset(const float a[3], const float b[3], double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = double(a[i]) - b[i];
}

double length3(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void rel_point(dBodyID body, const double local[3], dVector3 out) {
  dBodyGetRelPointPos(body, local[0], local[1], local[2], out);
}

// q = a x (rotation about axis by angle); a zero axis turns nothing.
void turned(const dQuaternion a, double ax, double ay, double az, double angle, dQuaternion out) {
  dQuaternion r = {1, 0, 0, 0};
  if (ax * ax + ay * ay + az * az > 0) dQFromAxisAndAngle(r, ax, ay, az, angle);
  dQMultiply0(out, a, r);
}

bool off_the_bike(const BikeSim& bike) {
  return bike.crash_counter > 0 || dJointGetBody(bike.joint[BIKE_RIDER_MOUNT], 0) == nullptr;
}

// The seven bodies in the record's pose, in the order each one hangs on the
// one placed before it.
void decode_pose(const CompactState& state, int layout, BikeSim& bike, const CompactSpace& space) {
  const BikeSpec& s = *bike.model;
  const uint8_t* b = state.bytes;
  const FieldOffsets& at = fields_of(layout);
  dBodyID frame = bike.body[BIKE_FRAME], upper = bike.body[BIKE_FORK_UPPER], lower = bike.body[BIKE_FORK_LOWER];
  dBodyID swingarm = bike.body[BIKE_SWINGARM], rider = bike.body[BIKE_RIDER];

  // 1. Frame.
  double size = box_size(space), base = finite_or_zero(space.base);
  dBodySetPosition(frame, position_value(get_u24(b + 0), size), base + position_value(get_u24(b + 3), size),
                   position_value(get_u24(b + 6), size));
  dQuaternion q_frame;
  get_quaternion(b + 9, q_frame);
  dBodySetQuaternion(frame, q_frame);

  // 2. Fork upper, steered about the fork axis.
  double steer = double(b[17]) / 255 * (2 * STEER_LIMIT) - STEER_LIMIT;
  double fork_axis[3], local[3];
  float_offset(s.fork_upper_position, s.fork_lower_position, fork_axis);
  float_offset(s.fork_upper_position, s.frame_position, local);
  dVector3 p;
  rel_point(frame, local, p);
  dBodySetPosition(upper, p[0], p[1], p[2]);
  dQuaternion q_upper;
  turned(q_frame, fork_axis[0], fork_axis[1], fork_axis[2], steer, q_upper);
  dBodySetQuaternion(upper, q_upper);

  // 3. Swingarm, turned about its pivot.
  double travel = s.linkage[2] > 0 ? s.linkage[2] : 0;
  double swing = double(b[18]) / 255 * travel - travel;
  dMatrix3 turn;
  dRFromAxisAndAngle(turn, 1, 0, 0, swing);
  dVector3 arm_rest, arm;
  for (int i = 0; i < 3; ++i) arm_rest[i] = double(s.swingarm_position[i]) - s.swingarm_pivot[i];
  dMultiply0_331(arm, turn, arm_rest);
  for (int i = 0; i < 3; ++i) local[i] = double(s.swingarm_pivot[i]) + arm[i] - s.frame_position[i];
  rel_point(frame, local, p);
  dBodySetPosition(swingarm, p[0], p[1], p[2]);
  dQuaternion q_swingarm;
  turned(q_frame, 1, 0, 0, swing, q_swingarm);
  dBodySetQuaternion(swingarm, q_swingarm);

  // 4. Fork lower, slid up the fork axis by the compression.
  double fork_travel = s.fork_travel > 0 ? s.fork_travel : 0;
  double slide = double(b[19]) / 255 * fork_travel - fork_travel;
  double leg[3];
  float_offset(s.fork_lower_position, s.fork_upper_position, leg);
  double leg_length = length3(leg);
  for (int i = 0; i < 3; ++i) local[i] = leg[i] + (leg_length > 0 ? slide * leg[i] / leg_length : 0);
  rel_point(upper, local, p);
  dBodySetPosition(lower, p[0], p[1], p[2]);
  dBodySetQuaternion(lower, q_upper);

  // 5. Rider.
  if (layout == COMPACT_LAYOUT_OLD) {
    // Only a slide along the catalogue's direction from his seat, turned with the frame.
    double lo = s.rider_slide_range[0], hi = s.rider_slide_range[1];
    double along = lo + (hi - lo) * double(b[20]) / 255;
    double dir[3] = {s.rider_slide_direction[0], s.rider_slide_direction[1], s.rider_slide_direction[2]};
    double n = length3(dir);
    float_offset(s.rider_position, s.frame_position, local);
    for (int i = 0; i < 3; ++i) local[i] += n > 0 && std::isfinite(along) ? along * dir[i] / n : 0;
    rel_point(frame, local, p);
    dBodySetPosition(rider, p[0], p[1], p[2]);
    dBodySetQuaternion(rider, q_frame);
  } else {
    const dReal* f = dBodyGetPosition(frame);
    double d[3];
    for (int i = 0; i < 3; ++i) d[i] = double(get_u16(b + 20 + 2 * i)) / OFFSET_SCALE - OFFSET_LIMIT;
    dBodySetPosition(rider, f[0] + d[0], f[1] + d[1], f[2] + d[2]);
    dQuaternion q_rider;
    get_quaternion(b + 26, q_rider);
    dBodySetQuaternion(rider, q_rider);
  }

  // 6. and 7. Wheels on their axles.
  float_offset(s.front_wheel.axle, s.fork_lower_position, local);
  rel_point(lower, local, p);
  dBodySetPosition(bike.body[BIKE_FRONT_WHEEL], p[0], p[1], p[2]);
  dQuaternion q_wheel;
  turned(q_upper, 1, 0, 0, WHEEL_SPIN_SIGN * wheel_angle(b[at.front_wheel]), q_wheel);
  dBodySetQuaternion(bike.body[BIKE_FRONT_WHEEL], q_wheel);

  float_offset(s.rear_wheel.axle, s.swingarm_position, local);
  rel_point(swingarm, local, p);
  dBodySetPosition(bike.body[BIKE_REAR_WHEEL], p[0], p[1], p[2]);
  turned(q_swingarm, 1, 0, 0, WHEEL_SPIN_SIGN * wheel_angle(b[at.rear_wheel]), q_wheel);
  dBodySetQuaternion(bike.body[BIKE_REAR_WHEEL], q_wheel);
}

// 8. Crash state, gear, throttle and engine speed.
void decode_flags(const CompactState& state, int layout, BikeSim& bike) {
  const FieldOffsets& at = fields_of(layout);
  uint8_t flags = state.bytes[at.flags];
  int field = flags & 7, n = flags >> 4;
  dJointID mount = bike.joint[BIKE_RIDER_MOUNT];
  if (field == COMPACT_GEAR_CRASHED) {
    dJointAttach(mount, nullptr, nullptr);
    bike.crash_counter = n * 127 / 15 + 1;
    bike.drive.throttle = 0;
  } else {
    // Back on the bike where the record put him: the seat is not forced on him.
    if (off_the_bike(bike)) dJointAttach(mount, bike.body[BIKE_RIDER], bike.body[BIKE_FRAME]);
    bike.crash_counter = 0;
    int gear = field < BIKE_GEARS - 1 ? field : BIKE_GEARS - 1;
    while (gear > 0 && !drivetrain_gear_present(*bike.model, gear)) --gear;
    bike.drive.gear = gear;
    bike.drive.throttle = n / 15.0;
  }
  double rpm = double(get_u16(state.bytes + at.rpm)) / U16_MAX * RPM_LIMIT;
  bike.drive.engine_speed = rpm / DRIVETRAIN_RPM_PER_RAD_S;
}

// Where every body is and how it moves.
struct BodyState {
  double position[3];     // world, ft
  double quaternion[4];   // w, x, y, z
  double velocity[3];     // ft/s
  double angular[3];      // rad/s, world
};

struct Pose {
  BodyState body[BIKE_BODY_COUNT];  // in BikeSim order
};

void pose_read(const BikeSim& bike, Pose& pose) {
  for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
    BodyState& s = pose.body[i];
    const dReal* p = dBodyGetPosition(bike.body[i]);
    const dReal* q = dBodyGetQuaternion(bike.body[i]);
    const dReal* v = dBodyGetLinearVel(bike.body[i]);
    const dReal* w = dBodyGetAngularVel(bike.body[i]);
    for (int k = 0; k < 3; ++k) s.position[k] = p[k], s.velocity[k] = v[k], s.angular[k] = w[k];
    for (int k = 0; k < 4; ++k) s.quaternion[k] = q[k];
  }
}

void pose_write(BikeSim& bike, const Pose& pose) {
  for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
    const BodyState& s = pose.body[i];
    dBodyID b = bike.body[i];
    dBodySetPosition(b, s.position[0], s.position[1], s.position[2]);
    dQuaternion q = {s.quaternion[0], s.quaternion[1], s.quaternion[2], s.quaternion[3]};
    dBodySetQuaternion(b, q);
    dBodySetLinearVel(b, s.velocity[0], s.velocity[1], s.velocity[2]);
    dBodySetAngularVel(b, s.angular[0], s.angular[1], s.angular[2]);
  }
}

// The turn that takes orientation a to b (world axis times angle), the short way.
void rotation_between(const double a[4], const double b[4], double out[3]) {
  // r = b x conj(a)
  double w = b[0] * a[0] + b[1] * a[1] + b[2] * a[2] + b[3] * a[3];
  double x = -b[0] * a[1] + b[1] * a[0] - b[2] * a[3] + b[3] * a[2];
  double y = -b[0] * a[2] + b[1] * a[3] + b[2] * a[0] - b[3] * a[1];
  double z = -b[0] * a[3] - b[1] * a[2] + b[2] * a[1] + b[3] * a[0];
  if (w < 0) w = -w, x = -x, y = -y, z = -z;
  double s = std::sqrt(x * x + y * y + z * z);
  double scale = s > 1e-12 ? 2 * std::atan2(s, w) / s : 2;
  out[0] = x * scale, out[1] = y * scale, out[2] = z * scale;
}

// Velocities that carry the older pose to the newer one in k tics. The
// wheels add their spin on the axle, taken forwards round the circle as the
// blend does, to the turn of what carries them.
void velocities_between(const Pose& older, const Pose& newer, const CompactTarget& t, int k, Pose& out) {
  double span = k * SUSPENSION_TIC;
  for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
    const BodyState &a = older.body[i], &b = newer.body[i];
    double turn[3];
    rotation_between(a.quaternion, b.quaternion, turn);
    for (int c = 0; c < 3; ++c) {
      out.body[i].velocity[c] = (b.position[c] - a.position[c]) / span;
      out.body[i].angular[c] = turn[c] / span;
    }
  }
  const FieldOffsets& at = fields_of(t.layout);
  const int wheel_body[2] = {BIKE_FRONT_WHEEL, BIKE_REAR_WHEEL};
  const int carrier_body[2] = {BIKE_FORK_LOWER, BIKE_SWINGARM};
  const int angle_byte[2] = {at.front_wheel, at.rear_wheel};
  for (int w = 0; w < 2; ++w) {
    double spin = wheel_step(t.older.bytes[angle_byte[w]], t.newer.bytes[angle_byte[w]]) / WHEEL_TURN * 2 * PI / span;
    const double* q = newer.body[carrier_body[w]].quaternion;
    dQuaternion cq = {q[0], q[1], q[2], q[3]};
    dMatrix3 r;
    dQtoR(cq, r);
    const double axle[3] = {r[0], r[4], r[8]};  // the carrier's x axis in the world
    for (int c = 0; c < 3; ++c)
      out.body[wheel_body[w]].angular[c] = out.body[carrier_body[w]].angular[c] + WHEEL_SPIN_SIGN * spin * axle[c];
  }
}

// Lifts all seven bodies when the rear wheel's lowest point (its axle moved
// down by the rim radius along the frame's up axis) is below the ground.
void lift_out_of_ground(BikeSim& bike, const CompactSpace& space) {
  const Terrain* t = space.ground;
  if (!t || t->size <= 0 || t->heights.empty()) return;
  const dReal* axle = dBodyGetPosition(bike.body[BIKE_REAR_WHEEL]);
  dVector3 up;
  dBodyVectorToWorld(bike.body[BIKE_FRAME], 0, 1, 0, up);
  double radius = bike.wheel[1].R;
  double low[3] = {axle[0] - radius * up[0], axle[1] - radius * up[1], axle[2] - radius * up[2]};
  double ground = terrain_height(*t, float(low[0]), float(low[2]));
  double dy = ground - low[1];
  if (!(dy > 0) || !std::isfinite(dy)) return;
  for (dBodyID b : bike.body) {
    const dReal* p = dBodyGetPosition(b);
    dBodySetPosition(b, p[0], p[1] + dy, p[2]);
  }
}

// The feet where a rider who has just come off leaves them: at the pegs,
// moving with the frame.
void feet_from_pose(BikeSim& bike) {
  for (int f = 0; f < 2; ++f) {
    const float* peg = bike.model->attachment + (f ? BIKE_ATTACH_RIGHT_FRAME : BIKE_ATTACH_LEFT_FRAME);
    dVector3 p, v;
    dBodyGetRelPointPos(bike.body[BIKE_FRAME], peg[0], peg[1], peg[2], p);
    dBodyGetRelPointVel(bike.body[BIKE_FRAME], peg[0], peg[1], peg[2], v);
    for (int i = 0; i < 3; ++i) bike.feet[f].position[i] = p[i], bike.feet[f].velocity[i] = v[i];
  }
}

// One body pulled towards where it should be: a spring and damper on its
// position and orientation scaled by its mass and inertia, so that every
// body follows alike, with its weight carried. A wheel's turn is only damped
// towards the spin it should have: where it stands on its axle is the
// ground's business, and a spring on it would fight the tyre.
void pull_body(dBodyID body, const BodyState& now, const BodyState& want, bool wheel) {
  const double kp = COMPACT_PULL_FREQUENCY * COMPACT_PULL_FREQUENCY;
  const double kd = 2 * COMPACT_PULL_DAMPING * COMPACT_PULL_FREQUENCY;
  dMass m;
  dBodyGetMass(body, &m);
  dVector3 gravity;
  dWorldGetGravity(dBodyGetWorld(body), gravity);
  double force[3];
  for (int i = 0; i < 3; ++i)
    force[i] = m.mass * (kp * (want.position[i] - now.position[i]) + kd * (want.velocity[i] - now.velocity[i]) -
                         gravity[i]);
  double turn[3];
  rotation_between(now.quaternion, want.quaternion, turn);
  dVector3 alpha, alpha_body, torque_body, torque;
  for (int i = 0; i < 3; ++i) alpha[i] = (wheel ? 0 : kp * turn[i]) + kd * (want.angular[i] - now.angular[i]);
  const dReal* r = dBodyGetRotation(body);
  dMultiply1_331(alpha_body, r, alpha);
  dMultiply0_331(torque_body, m.I, alpha_body);
  dMultiply0_331(torque, r, torque_body);
  for (int i = 0; i < 3; ++i)
    if (!std::isfinite(force[i]) || !std::isfinite(torque[i])) return;
  dBodyAddForce(body, force[0], force[1], force[2]);
  dBodyAddTorque(body, torque[0], torque[1], torque[2]);
}

double distance3(const double a[3], const double b[3]) {
  double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  return length3(d);
}

}  // namespace

CompactSpace compact_space(const Terrain* terrain) {
  if (!terrain) return CompactSpace{0, 0, nullptr};
  return CompactSpace{terrain->extent, terrain->min_height, terrain};
}

void compact_state_encode(CompactState& state, const BikeSim& bike, const CompactSpace& space) {
  std::memset(state.bytes, 0, sizeof state.bytes);
  if (!bike.model) return;
  const BikeSpec& s = *bike.model;
  uint8_t* b = state.bytes;
  double size = box_size(space), base = finite_or_zero(space.base);

  const dReal* frame = dBodyGetPosition(bike.body[BIKE_FRAME]);
  put_u24(b + 0, position_code(frame[0], size));
  put_u24(b + 3, position_code(frame[1] - base, size));
  put_u24(b + 6, position_code(frame[2], size));
  put_quaternion(b + 9, dBodyGetQuaternion(bike.body[BIKE_FRAME]));

  double steer = dJointGetHingeAngle(bike.joint[BIKE_STEERING_HEAD]);
  b[17] = uint8_t(quantise((clamp(steer, -STEER_LIMIT, STEER_LIMIT) + STEER_LIMIT) * STEER_SCALE, 255));

  // Past full compression the suspension reads as fully compressed, not as
  // a wrap to full extension.
  double travel = s.linkage[2];
  double swing = dJointGetHingeAngle(bike.joint[BIKE_SWINGARM_PIVOT]);
  swing = swing < 0 ? swing : 0;
  b[18] = uint8_t((travel > 0 ? quantise((swing + travel) / travel * 255, 255) : 255) | 1);
  double fork_travel = s.fork_travel;
  double fork = dJointGetSliderPosition(bike.joint[BIKE_FORK]);
  fork = fork < 0 ? fork : 0;
  b[19] = uint8_t(fork_travel > 0 ? quantise((fork + fork_travel) / fork_travel * 255, 255) : 255);

  const dReal* rider = dBodyGetPosition(bike.body[BIKE_RIDER]);
  for (int i = 0; i < 3; ++i)
    put_u16(b + 20 + 2 * i,
            quantise((clamp(rider[i] - frame[i], -OFFSET_LIMIT, OFFSET_LIMIT) + OFFSET_LIMIT) * OFFSET_SCALE, U16_MAX));
  put_quaternion(b + 26, dBodyGetQuaternion(bike.body[BIKE_RIDER]));

  double front = dJointGetHingeAngle(bike.joint[BIKE_FRONT_AXLE]);
  double rear = dJointGetHingeAngle(bike.joint[BIKE_REAR_AXLE]);
  b[34] = uint8_t(quantise((clamp(front, -PI, PI) + PI) * WHEEL_SCALE, 255));
  b[35] = uint8_t(quantise((clamp(rear, -PI, PI) + PI) * WHEEL_SCALE, 255));

  if (bike_sim_crashed(bike)) {
    long long counter = bike.crash_counter;
    long long n = (15 * counter - 15) / 127;
    b[36] = uint8_t(COMPACT_GEAR_CRASHED | (n < 15 ? n : 15) << 4);
  } else {
    int gear = bike.drive.gear < 0 ? 0 : (bike.drive.gear > 6 ? 6 : bike.drive.gear);
    int throttle = int(clamp(15 * bike.drive.throttle, 0, 15));
    b[36] = uint8_t(gear | (bike.controls.foot_down > 0 ? 8 : 0) | throttle << 4);
  }

  double rpm = drivetrain_rpm(bike.drive);
  put_u16(b + 37, quantise(clamp(rpm, 0, RPM_LIMIT) * RPM_SCALE, U16_MAX));
}

void compact_state_decode(const CompactState& state, int layout, BikeSim& bike, const CompactSpace& space) {
  if (!bike.model) return;
  decode_pose(state, layout, bike, space);
  decode_flags(state, layout, bike);
}

int compact_state_gear_field(const CompactState& state, int layout) { return state.bytes[fields_of(layout).flags] & 7; }

CompactState compact_state_blend(const CompactState& older, const CompactState& newer, double f) {
  if (!(f > 0)) f = 0;
  if (f > BLEND_MAX_FRACTION) f = BLEND_MAX_FRACTION;
  CompactState out = older;
  const uint8_t *a = older.bytes, *b = newer.bytes;
  uint8_t* o = out.bytes;
  auto mix = [f](double x, double y) { return x + f * (y - x); };

  for (int at : {0, 3, 6}) put_u24(o + at, quantise(mix(get_u24(a + at), get_u24(b + at)), U24_MAX));
  for (int at : {20, 22, 24, 37}) put_u16(o + at, quantise(mix(get_u16(a + at), get_u16(b + at)), U16_MAX));
  for (int at : {17, 18, 19}) o[at] = uint8_t(quantise(mix(a[at], b[at]), 255));

  for (int at : {9, 26}) {
    double qa[4], qb[4], q[4];
    get_quaternion_raw(a + at, qa);
    get_quaternion_raw(b + at, qb);
    if (qa[0] * qb[0] + qa[1] * qb[1] + qa[2] * qb[2] + qa[3] * qb[3] < 0)
      for (double& c : qa) c = -c;
    for (int i = 0; i < 4; ++i) q[i] = mix(qa[i], qb[i]);
    normalise_quaternion(qb, nullptr);
    normalise_quaternion(q, qb);
    dReal dq[4] = {q[0], q[1], q[2], q[3]};
    put_quaternion(o + at, dq);
  }

  for (int at : {34, 35}) {
    double v = std::fmod(a[at] + f * wheel_step(a[at], b[at]), WHEEL_TURN);
    if (v < 0) v += WHEEL_TURN;
    o[at] = uint8_t(quantise(v, 255));
  }

  o[36] = a[36];
  o[19] &= uint8_t(~1u);
  return out;
}

void compact_rider_apply(BikeSim& bike, const CompactTarget& t, const CompactSpace& space) {
  if (!bike.model) return;
  int k = t.tics >= 1 ? t.tics : 1;
  bool was_off = off_the_bike(bike);
  bool pulled = bike_sim_simulated(bike);
  Pose now{};
  if (pulled) pose_read(bike, now);

  // 1. and 2. The older and the newer pose give the velocities.
  Pose older, newer, target;
  decode_pose(t.older, t.layout, bike, space);
  pose_read(bike, older);
  decode_pose(t.newer, t.layout, bike, space);
  pose_read(bike, newer);
  Pose moving = newer;
  velocities_between(older, newer, t, k, moving);

  // 3. and 4. The target pose, out of the ground.
  compact_state_decode(t.target, t.layout, bike, space);
  lift_out_of_ground(bike, space);
  pose_read(bike, target);
  for (int i = 0; i < BIKE_BODY_COUNT; ++i) {
    for (int c = 0; c < 3; ++c) {
      target.body[i].velocity[c] = moving.body[i].velocity[c];
      target.body[i].angular[c] = moving.body[i].angular[c];
    }
  }

  if (pulled && distance3(now.body[BIKE_FRAME].position, target.body[BIKE_FRAME].position) <= COMPACT_PULL_SNAP_DISTANCE) {
    // Simulated with forces: back where the world left him, and pulled.
    pose_write(bike, now);
    for (int i = 0; i < BIKE_BODY_COUNT; ++i)
      pull_body(bike.body[i], now.body[i], target.body[i], i == BIKE_FRONT_WHEEL || i == BIKE_REAR_WHEEL);
  } else {
    pose_write(bike, target);
  }

  // 5. A rider who has just come off leaves his feet at the pegs; the
  // counter of one who is back on was cleared with the target's flags.
  bool crashed = compact_state_gear_field(t.target, t.layout) == COMPACT_GEAR_CRASHED;
  if (crashed && !was_off) feet_from_pose(bike);

  // 6. The foot goes down while the record shows it down, and comes up again.
  uint8_t flags = t.target.bytes[fields_of(t.layout).flags];
  double& foot = bike.controls.foot_down;
  if (!std::isfinite(foot)) foot = 0;
  if (crashed || (flags & 8))
    foot = foot + FOOT_DOWN_RATE < 1 ? foot + FOOT_DOWN_RATE : 1;
  else
    foot = foot - FOOT_DOWN_RATE > 0 ? foot - FOOT_DOWN_RATE : 0;
}
