// Throwing the rider off, holding him near the bike while he tumbles, reeling
// him back onto the seat, and the feet that only the drawing uses.
#include <algorithm>
#include <cmath>

#include "bike/bike_sim.h"
#include "bike/bike_spec.h"
#include "bike/physics_world.h"
#include "track/terrain.h"

namespace {

constexpr double TETHER_KP = 5000, TETHER_KD = 500;
// The tether that keeps a freshly thrown rider near the bike: from this rider
// point to this fork point, at most this long.
constexpr double NEAR_RIDER_POINT[3] = {0, -0.570887, 0.670607};
constexpr double NEAR_FORK_POINT[3] = {0, 1.145, 10.753};
constexpr double NEAR_LENGTH = 8;
// The reel-in tethers: the seat point and the same point moved by these on both ends.
constexpr double REEL_OFFSETS[3][3] = {{0, 0, 0}, {-5, 10, 0}, {5, 10, 0}};
// Below this counter the foot on the low side walks back to its peg.
constexpr int FOOT_RETURN_COUNTER = 320;
constexpr double FOOT_RETURN_SPEED = 4;

double length3(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// A contact joint that pulls the two points together once they are farther
// apart than the length.
void tether(const BikeStepContext& ctx, dBodyID b1, const double p1[3], dBodyID b2,
            const double p2[3], double length) {
  if (!ctx.physics || !ctx.physics->contacts) return;
  dVector3 w1, w2;
  dBodyGetRelPointPos(b1, p1[0], p1[1], p1[2], w1);
  dBodyGetRelPointPos(b2, p2[0], p2[1], p2[2], w2);
  double d[3] = {w2[0] - w1[0], w2[1] - w1[1], w2[2] - w1[2]};
  double n = length3(d);
  if (!(n > length) || !std::isfinite(n)) return;
  SoftContact soft;
  if (!suspension_soft_contact(TETHER_KP, TETHER_KD, ctx.h, soft)) return;
  dContact c{};
  c.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
  c.surface.mu = 0;
  c.surface.soft_erp = soft.erp;
  c.surface.soft_cfm = soft.cfm;
  for (int i = 0; i < 3; ++i) {
    c.geom.pos[i] = w1[i];
    c.geom.normal[i] = d[i] / n;  // body 1 is pulled towards the far point
  }
  c.geom.depth = n - length;
  dJointID j = dJointCreateContact(ctx.physics->world, ctx.physics->contacts, &c);
  dJointAttach(j, b1, b2);
}

void float3(const float* f, double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = f[i];
}

void foot_from_pose(BikeSim& s, int f) {
  double p[3];
  float3(s.model->attachment + (f ? BIKE_ATTACH_RIGHT_FRAME : BIKE_ATTACH_LEFT_FRAME), p);
  dVector3 w, v;
  dBodyGetRelPointPos(s.body[BIKE_FRAME], p[0], p[1], p[2], w);
  dBodyGetRelPointVel(s.body[BIKE_FRAME], p[0], p[1], p[2], v);
  for (int i = 0; i < 3; ++i) s.feet[f].position[i] = w[i], s.feet[f].velocity[i] = v[i];
}

// A loose foot: falls, loses a sixteenth of its speed a tic in the air and
// stops dead 0.25 ft above the ground.
void foot_fall(BikeFoot& foot, const BikeStepContext& ctx) {
  for (int i = 0; i < 3; ++i) foot.position[i] += foot.velocity[i] * ctx.h;
  double ground = ctx.terrain ? terrain_height(*ctx.terrain, float(foot.position[0]), float(foot.position[2])) : 0;
  if (foot.position[1] <= ground + 0.25) {
    foot.position[1] = ground + 0.25;
    foot.velocity[0] = foot.velocity[1] = foot.velocity[2] = 0;
    return;
  }
  for (double& v : foot.velocity) v *= 15.0 / 16.0;
  foot.velocity[1] -= 32 * ctx.h;
}

}  // namespace

void bike_store_rider_velocity(BikeSim& s, int64_t tic) {
  if (!s.model) return;
  const dReal* v = dBodyGetLinearVel(s.body[BIKE_RIDER]);
  double* slot = s.rider_velocity_ring[((tic % 4) + 4) % 4];
  for (int i = 0; i < 3; ++i) slot[i] = v[i];
}

CrashReason bike_crash_detect(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model || s.crash_counter > 0) return CRASH_NONE;
  bool airborne = !(s.wheel[0].depth > 0) && !(s.wheel[1].depth > 0);
  const dReal* fv = dBodyGetLinearVel(s.body[BIKE_FRAME]);
  crash_flight_update(s.flight, airborne, fv[1], int(ctx.tic));
  CrashInputs in{};
  in.arcade = s.params.arcade != 0;
  in.crash_counter = s.crash_counter;
  in.hold_timer = s.hold_timer;
  in.airborne = airborne;
  in.tic = int(ctx.tic);
  const dReal* rv = dBodyGetLinearVel(s.body[BIKE_RIDER]);
  const dReal* rp = dBodyGetPosition(s.body[BIKE_RIDER]);
  dVector3 under;
  dBodyGetPointVel(s.body[BIKE_FRAME], rp[0], rp[1], rp[2], under);
  const double* old = s.rider_velocity_ring[((ctx.tic % 4) + 4) % 4];
  for (int i = 0; i < 3; ++i) {
    in.rider_velocity[i] = rv[i];
    in.frame_velocity[i] = under[i];
    in.rider_velocity_4[i] = old[i];
  }
  CrashReason why = crash_check(s.flight, in);
  if (why != CRASH_NONE) bike_crash(s, ctx, why);
  return why;
}

void bike_crash(BikeSim& s, const BikeStepContext& ctx, int reason) {
  if (!s.model || s.crash_counter > 0) return;
  s.crash_reason = reason;
  dJointAttach(s.joint[BIKE_RIDER_MOUNT], nullptr, nullptr);
  foot_from_pose(s, 0);
  foot_from_pose(s, 1);
  s.crash_counter = crash_counter_start(ctx.knockout, s.crash_index);
  s.crash_index += 1;
}

void bike_crashed_step(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model || s.crash_counter <= 0) return;
  const BikeSpec& b = *s.model;
  dBodyID rider = s.body[BIKE_RIDER], frame = s.body[BIKE_FRAME], fork = s.body[BIKE_FORK_UPPER];
  const dReal* v = dBodyGetLinearVel(rider);
  double speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (speed < BIKE_SETTLE_SPEED) {
    s.crash_counter = crash_counter_step(s.crash_counter, speed);
  } else {
    // Still tumbling: the hands stay near the grips.
    const float* lengths = b.attachment + BIKE_ATTACH_LENGTHS;
    double arm = (double(lengths[0]) + lengths[1]) * 0.875;
    for (int side = 0; side < 2; ++side) {
      double hand[3], grip[3];
      float3(b.attachment + (side ? BIKE_ATTACH_RIGHT_HAND : BIKE_ATTACH_LEFT_HAND), hand);
      float3(b.attachment + (side ? BIKE_ATTACH_RIGHT_GRIP : BIKE_ATTACH_LEFT_GRIP), grip);
      tether(ctx, rider, hand, fork, grip, arm);
    }
    if (s.crash_counter > 511) tether(ctx, rider, NEAR_RIDER_POINT, fork, NEAR_FORK_POINT, NEAR_LENGTH);
  }

  if (s.crash_counter <= 511 && s.crash_counter > 0) {
    double length = crash_reel_length(s.crash_counter);
    double seat[3] = {double(b.rider_position[0]) - b.frame_position[0],
                      double(b.rider_position[1]) - b.frame_position[1],
                      double(b.rider_position[2]) - b.frame_position[2]};
    for (const auto& o : REEL_OFFSETS) {
      double on_frame[3] = {seat[0] + o[0], seat[1] + o[1], seat[2] + o[2]};
      double on_rider[3] = {o[0], o[1], o[2]};
      tether(ctx, rider, on_rider, frame, on_frame, length);
    }
  }

  // Feet: the one on the low side walks back towards its peg late in the reel-in.
  int low = bike_sim_lean_angle(s) > 0 ? 0 : 1;
  for (int f = 0; f < 2; ++f) {
    BikeFoot& foot = s.feet[f];
    if (f == low && s.crash_counter < FOOT_RETURN_COUNTER) {
      double peg[3];
      float3(b.attachment + (f ? BIKE_ATTACH_RIGHT_FRAME : BIKE_ATTACH_LEFT_FRAME), peg);
      dVector3 w, back;
      dBodyGetRelPointPos(frame, peg[0], peg[1], peg[2], w);
      dBodyVectorToWorld(frame, 0, 0, 1, back);
      double target[3] = {w[0] + back[0], w[1] + 3 + back[1], w[2] + back[2]};
      double d[3] = {target[0] - foot.position[0], target[1] - foot.position[1], target[2] - foot.position[2]};
      double n = length3(d);
      double step = std::min(FOOT_RETURN_SPEED, n / ctx.h);
      for (int i = 0; i < 3; ++i) {
        foot.velocity[i] = n > 1e-9 ? d[i] / n * step : 0;
        foot.position[i] += foot.velocity[i] * ctx.h;
      }
    } else {
      foot_fall(foot, ctx);
    }
  }

  if (s.crash_counter == 0) bike_sim_remount(s);
}

void bike_feet_step(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model) return;
  if (bike_sim_simulated(s) && s.crash_counter == 0) {
    foot_from_pose(s, 0);
    foot_from_pose(s, 1);
    return;
  }
  if (s.crash_counter > 0) return;  // moved by the crashed step
  foot_fall(s.feet[0], ctx);
  foot_fall(s.feet[1], ctx);
}
