// The forces and motor settings of one rider for the next world step: fork
// and shock, the rider's springs, engine and brakes, and the joint-force
// balance on the frame.
#include <cmath>

#include "bike/bike_sim.h"
#include "bike/bike_spec.h"
#include "bike/physics_world.h"

namespace {

double dot3(const dReal* a, const dReal* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// One spring contact between the rider body (pushed along normal) and the frame.
void rider_spring_joint(BikeSim& s, const BikeStepContext& ctx, const RiderSpring& spring, const dReal axis[3],
                        const dReal* at) {
  if (!spring.active || !ctx.physics || !ctx.physics->contacts) return;
  dContact c{};
  c.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
  c.surface.mu = 0;
  c.surface.soft_erp = spring.soft.erp;
  c.surface.soft_cfm = spring.soft.cfm;
  for (int i = 0; i < 3; ++i) {
    c.geom.pos[i] = at[i];
    c.geom.normal[i] = axis[i] * spring.normal;
  }
  c.geom.depth = spring.depth;
  dJointID j = dJointCreateContact(ctx.physics->world, ctx.physics->contacts, &c);
  dJointAttach(j, s.body[BIKE_RIDER], s.body[BIKE_FRAME]);
}

}  // namespace

void bike_suspension_step(BikeSim& s) {
  if (!s.model) return;
  dJointID fork = s.joint[BIKE_FORK];
  SuspensionMotor f = suspension_fork(s.params, *s.model, dJointGetSliderPosition(fork),
                                      dJointGetSliderPositionRate(fork));
  dJointSetSliderParam(fork, dParamVel, f.velocity);
  dJointSetSliderParam(fork, dParamFMax, f.fmax);

  dJointID pivot = s.joint[BIKE_SWINGARM_PIVOT];
  SuspensionMotor k = suspension_shock(s.params, *s.model, dJointGetHingeAngle(pivot), dJointGetHingeAngleRate(pivot));
  dJointSetHingeParam(pivot, dParamVel, k.velocity);
  dJointSetHingeParam(pivot, dParamFMax, k.fmax);
}

void bike_rider_spring_step(BikeSim& s, const BikeStepContext& ctx) {
  // A thrown rider is held by the tethers instead.
  if (!s.model || s.crash_counter > 0) return;
  const BikeSpec& b = *s.model;
  dBodyID frame = s.body[BIKE_FRAME], rider = s.body[BIKE_RIDER];
  dVector3 seat, z, y;
  dBodyGetRelPointPos(frame, double(b.rider_position[0]) - b.frame_position[0],
                      double(b.rider_position[1]) - b.frame_position[1],
                      double(b.rider_position[2]) - b.frame_position[2], seat);
  dBodyVectorToWorld(frame, 0, 0, 1, z);
  dBodyVectorToWorld(frame, 0, 1, 0, y);
  const dReal* at = dBodyGetPosition(rider);
  dReal d[3] = {seat[0] - at[0], seat[1] - at[1], seat[2] - at[2]};
  RiderSpringInputs in{dot3(z, d), dot3(y, d), s.controls.dab, s.controls.lean};
  RiderSprings springs = suspension_rider_springs(s.params, b.rider_mass, in);
  rider_spring_joint(s, ctx, springs.fore_aft, z, at);
  rider_spring_joint(s, ctx, springs.vertical, y, at);
  dJointSetHinge2Param(s.joint[BIKE_RIDER_MOUNT], dParamSuspensionERP, 0);
  dJointSetHinge2Param(s.joint[BIKE_RIDER_MOUNT], dParamSuspensionCFM, springs.mount_cfm);
}

DrivetrainOutput bike_drivetrain_step(BikeSim& s, const BikeStepContext& ctx) {
  DrivetrainOutput out{};
  if (!s.model) return out;
  DrivetrainBodyInputs in{};
  in.front_contact = s.wheel[0].depth > 0;
  in.rear_contact = s.wheel[1].depth > 0;
  in.front_slip = std::sqrt(tyre_dot(s.wheel[0].velocity, s.wheel[0].velocity));
  in.rear_slip = std::sqrt(tyre_dot(s.wheel[1].velocity, s.wheel[1].velocity));
  const dReal* w = dBodyGetAngularVel(s.body[BIKE_FRAME]);
  dVector3 local;
  dBodyVectorFromWorld(s.body[BIKE_FRAME], w[0], w[1], w[2], local);
  in.frame_pitch_rate = local[0];
  in.swingarm_compression = -dJointGetHingeAngle(s.joint[BIKE_SWINGARM_PIVOT]);
  in.rear_axle_angle = dJointGetHingeAngle(s.joint[BIKE_REAR_AXLE]);
  in.rear_axle_rate = dJointGetHingeAngleRate(s.joint[BIKE_REAR_AXLE]);
  out = drivetrain_step(s.drive, *s.model, s.params, s.assists, in, ctx.tic, ctx.h);
  if (std::isfinite(out.frame_torque_x) && std::isfinite(out.rear_wheel_torque_x)) {
    dBodyAddRelTorque(s.body[BIKE_FRAME], out.frame_torque_x, 0, 0);
    dBodyAddRelTorque(s.body[BIKE_REAR_WHEEL], out.rear_wheel_torque_x, 0, 0);
  }
  double front = std::isfinite(out.front_brake_fmax) ? out.front_brake_fmax : 0;
  double rear = std::isfinite(out.rear_brake_fmax) ? out.rear_brake_fmax : 0;
  dJointSetHingeParam(s.joint[BIKE_FRONT_AXLE], dParamVel, 0);
  dJointSetHingeParam(s.joint[BIKE_FRONT_AXLE], dParamFMax, front);
  dJointSetHingeParam(s.joint[BIKE_REAR_AXLE], dParamVel, 0);
  dJointSetHingeParam(s.joint[BIKE_REAR_AXLE], dParamFMax, rear);
  return out;
}

void bike_joint_balance(BikeSim& s, const BikeStepContext& ctx) {
  if (!s.model || ctx.tic < 2 || s.crash_counter > 0) return;
  const dReal* origin = dBodyGetPosition(s.body[BIKE_FRAME]);
  double force[3] = {0, 0, 0}, torque[3] = {0, 0, 0};
  for (int i = 0; i < BIKE_JOINT_COUNT; ++i) {
    dJointID j = s.joint[i];
    dBodyID b1 = dJointGetBody(j, 0), b2 = dJointGetBody(j, 1);
    if (!b1 || !b2) continue;
    const dJointFeedback& f = s.feedback[i];
    const dReal* p1 = dBodyGetPosition(b1);
    const dReal* p2 = dBodyGetPosition(b2);
    double r1[3] = {p1[0] - origin[0], p1[1] - origin[1], p1[2] - origin[2]};
    double r2[3] = {p2[0] - origin[0], p2[1] - origin[1], p2[2] - origin[2]};
    for (int k = 0; k < 3; ++k) force[k] += f.f1[k] + f.f2[k];
    torque[0] += r1[1] * f.f1[2] - r1[2] * f.f1[1] + r2[1] * f.f2[2] - r2[2] * f.f2[1] + f.t1[0] + f.t2[0];
    torque[1] += r1[2] * f.f1[0] - r1[0] * f.f1[2] + r2[2] * f.f2[0] - r2[0] * f.f2[2] + f.t1[1] + f.t2[1];
    torque[2] += r1[0] * f.f1[1] - r1[1] * f.f1[0] + r2[0] * f.f2[1] - r2[1] * f.f2[0] + f.t1[2] + f.t2[2];
  }
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(force[k]) || !std::isfinite(torque[k])) return;
  dBodyAddForce(s.body[BIKE_FRAME], -force[0], -force[1], -force[2]);
  dBodyAddTorque(s.body[BIKE_FRAME], -torque[0], -torque[1], -torque[2]);
}
