// A small test rig for bikes in the physics world: a flat or sloping
// terrain, the generated collision shapes, and a tic loop in the order the
// game runs it (contacts, one world step, then each rider's forces for the
// next step). Either the rider's own steering and assists ride the bike, or
// the rig stands in for them with a balancing torque that keeps the frame
// upright and the fork straight.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bike/bike_sim.h"
#include "bike/physics_world.h"
#include "bike/shape_cache.h"
#include "track/surface.h"
#include "track/terrain.h"
#include "vfs/vfs.h"

struct BikeRig {
  std::string folder;      // where the shape files were written
  Vfs vfs;
  ShapeCache shapes;
  PhysicsWorld physics;
  Terrain terrain;
  SurfaceTable surfaces;   // empty: every tile has the default surface
  std::vector<std::unique_ptr<BikeSim>> bikes;
  int64_t tic = 0;
  bool balance = true;     // keep the frames upright and the forks straight
  bool assists = false;    // ride with the rider's own steering and assists instead of the balance
  int32_t knockout[16] = {};
};

// A terrain of 2^(exponent+1)+1 points a side, spacing d, with the height of
// point (i, k) from a function and one surface tile everywhere.
void bike_rig_terrain_shaped(Terrain& t, int exponent, float d, const std::function<float(int, int)>& height);
// The same sloping along z: height y = slope × z.
void bike_rig_terrain(Terrain& t, int exponent, float d, float slope);
// Writes the generated shapes into folder, opens the world and makes the terrain.
bool bike_rig_open(BikeRig& rig, const std::string& folder, int exponent = 8, float spacing = 4, float slope = 0);
void bike_rig_close(BikeRig& rig);
// Builds a bike of a catalogue record, turned to ride towards -z and placed
// with its frame over (x, z), its wheels on the ground.
BikeSim* bike_rig_add(BikeRig& rig, int catalogue_index, double x, double z, double lift = 0);
BikeStepContext bike_rig_context(BikeRig& rig);
// One tic for every bike.
void bike_rig_tic(BikeRig& rig);
// Whether any body of the bike holds a value that is not a number.
bool bike_rig_broken(const BikeSim& bike);
// Largest body speed of the bike, ft/s.
double bike_rig_max_body_speed(const BikeSim& bike);
// The height of the terrain under a point.
double bike_rig_ground(const BikeRig& rig, double x, double z);
