#include "bikerig/bike_rig.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "bike/bike_spec.h"
#include "gamedata/bike_shapes.h"
#include "gamedata/gd_model.h"

void bike_rig_terrain_shaped(Terrain& t, int exponent, float d, const std::function<float(int, int)>& height) {
  t = Terrain{};
  t.exponent = exponent;
  t.size = (1 << (exponent + 1)) + 1;
  t.tile_side = 1 << exponent;
  t.spacing = d;
  t.inv_spacing = 1 / d;
  t.extent = float(t.size - 1) * d;
  t.tile_size = 2 * d;
  t.heights.resize(size_t(t.size) * size_t(t.size));
  t.min_height = t.max_height = height(0, 0);
  for (int k = 0; k < t.size; ++k)
    for (int i = 0; i < t.size; ++i) {
      float h = height(i, k);
      t.heights[size_t(k) * size_t(t.size) + size_t(i)] = h;
      t.min_height = std::min(t.min_height, h);
      t.max_height = std::max(t.max_height, h);
    }
  t.tiles.assign(size_t(t.tile_side) * size_t(t.tile_side), 0);
  t.tile_count = 1;
}

void bike_rig_terrain(Terrain& t, int exponent, float d, float slope) {
  bike_rig_terrain_shaped(t, exponent, d, [&](int, int k) { return slope * float(k) * d; });
}

bool bike_rig_open(BikeRig& rig, const std::string& folder, int exponent, float spacing, float slope) {
  rig.folder = folder;
  for (const GdBikeShape& shape : gd_bike_shapes()) {
    std::ofstream out(folder + "/" + (shape.name + 1), std::ios::binary);
    out << gd_shape_text(shape.spheres);
  }
  vfs_set_folders(rig.vfs, "", folder);
  shape_cache_init(rig.shapes, rig.vfs);
  bike_rig_terrain(rig.terrain, exponent, spacing, slope);
  return physics_world_create(rig.physics);
}

void bike_rig_close(BikeRig& rig) {
  for (auto& b : rig.bikes) bike_sim_destroy(*b);
  rig.bikes.clear();
  physics_world_destroy(rig.physics);
  shape_cache_free(rig.shapes);
  vfs_shutdown(rig.vfs);
}

double bike_rig_ground(const BikeRig& rig, double x, double z) {
  return terrain_height(rig.terrain, float(x), float(z));
}

BikeSim* bike_rig_add(BikeRig& rig, int catalogue_index, double x, double z, double lift) {
  auto bike = std::make_unique<BikeSim>();
  if (!bike_sim_build(*bike, rig.physics, &rig.shapes, catalogue_index, int(rig.bikes.size()), false)) return nullptr;
  const BikeSpec& b = *bike->model;
  // Rest pose has the front axle at smaller z: it already faces -z. Lift it
  // so the lower of the two tyres just touches the ground under it.
  double ground_front = bike_rig_ground(rig, x, z - (b.frame_position[2] - b.front_wheel.axle[2]));
  double ground_rear = bike_rig_ground(rig, x, z + (b.rear_wheel.axle[2] - b.frame_position[2]));
  double front_bottom = b.front_wheel.axle[1] - b.front_wheel.rim_radius - b.front_wheel.tyre_radius;
  double rear_bottom = b.rear_wheel.axle[1] - b.rear_wheel.rim_radius - b.rear_wheel.tyre_radius;
  double dy = std::max(ground_front - front_bottom, ground_rear - rear_bottom);
  bike_sim_move(*bike, x - b.frame_position[0], dy + lift, z - b.frame_position[2]);
  rig.bikes.push_back(std::move(bike));
  return rig.bikes.back().get();
}

BikeStepContext bike_rig_context(BikeRig& rig) {
  BikeStepContext ctx;
  ctx.physics = &rig.physics;
  ctx.terrain = &rig.terrain;
  ctx.surfaces = &rig.surfaces;
  ctx.tic = rig.tic;
  ctx.start_tic = 0;
  ctx.knockout = rig.knockout;
  return ctx;
}

namespace {

// The rider's balance, as far as the rig needs it: a roll torque that rights
// the frame and a steering torque that holds the fork straight.
void balance(BikeSim& s) {
  dBodyID frame = s.body[BIKE_FRAME];
  double lean = bike_sim_lean_angle(s);
  const dReal* w = dBodyGetAngularVel(frame);
  dVector3 local;
  dBodyVectorFromWorld(frame, w[0], w[1], w[2], local);
  double mass = s.params.total_mass;
  dBodyAddRelTorque(frame, 0, 0, -(400 * lean + 60 * local[2]) * mass);
  dJointID head = s.joint[BIKE_STEERING_HEAD];
  dJointAddHingeTorque(head, -(200 * dJointGetHingeAngle(head) + 10 * dJointGetHingeAngleRate(head)));
}

}  // namespace

void bike_rig_tic(BikeRig& rig) {
  BikeStepContext ctx = bike_rig_context(rig);
  for (auto& b : rig.bikes) bike_terrain_pass(*b, ctx);
  for (size_t i = 0; i < rig.bikes.size(); ++i)
    for (size_t k = i + 1; k < rig.bikes.size(); ++k) bike_rider_collision(*rig.bikes[i], *rig.bikes[k], ctx);
  dWorldStep(rig.physics.world, ctx.h);
  physics_contacts_clear(rig.physics);
  for (auto& p : rig.bikes) {
    BikeSim& s = *p;
    if (rig.assists) {
      bike_physics_step(s, ctx);
      continue;
    }
    if (ctx.tic > ctx.start_tic + 256 && bike_sim_speed(s) < 5) s.spoiled = true;
    s.hold_timer = crash_hold_step(s.hold_timer);
    bike_crash_detect(s, ctx);
    bike_crashed_step(s, ctx);
    bike_rider_spring_step(s, ctx);
    bike_suspension_step(s);
    if (rig.balance) balance(s);
    bike_drivetrain_step(s, ctx);
    bike_joint_balance(s, ctx);
    bike_feet_step(s, ctx);
    bike_store_rider_velocity(s, ctx.tic);
  }
  rig.tic += 1;
}

bool bike_rig_broken(const BikeSim& s) {
  for (dBodyID b : s.body) {
    const dReal* p = dBodyGetPosition(b);
    const dReal* v = dBodyGetLinearVel(b);
    const dReal* w = dBodyGetAngularVel(b);
    for (int i = 0; i < 3; ++i)
      if (!std::isfinite(p[i]) || !std::isfinite(v[i]) || !std::isfinite(w[i])) return true;
  }
  return !std::isfinite(s.drive.engine_speed);
}

double bike_rig_max_body_speed(const BikeSim& s) {
  double m = 0;
  for (dBodyID b : s.body) {
    const dReal* v = dBodyGetLinearVel(b);
    m = std::max(m, std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
  }
  return m;
}
