// The collision shapes of the bike and rider: one sphere set per body, in
// the body's own coordinates at the catalogue's rest pose (x to the rider's
// side, y up, z to the rear, feet). The game checks these seven files as one
// stream when it starts, so their names and order are fixed.
#pragma once
#include <string>
#include <vector>

#include "gamedata/gd_model.h"
#include "gamedata/gd_plan.h"

#define GD_BIKE_FRAME_SHAPE "@generic_frame.shp"
#define GD_BIKE_FORK_UPPER_SHAPE "@generic_fork_upper.shp"
#define GD_BIKE_FORK_LOWER_SHAPE "@generic_fork_lower.shp"
#define GD_BIKE_SWINGARM_SHAPE "@generic_swingarm.shp"
#define GD_BIKE_FRONT_WHEEL_SHAPE "@front_wheel.shp"
#define GD_BIKE_REAR_WHEEL_SHAPE "@rear_wheel.shp"
#define GD_BIKE_RIDER_SHAPE "@generic_rider.shp"

// One of the seven shapes.
struct GdBikeShape {
  const char* name;                 // "@" name the game opens
  std::vector<GdSphere> spheres;    // in the body's coordinates
};

// The seven shapes in the order of the start-up check: frame, fork upper,
// fork lower, swingarm, front wheel, rear wheel, rider.
std::vector<GdBikeShape> gd_bike_shapes();
// Adds the seven files, plain, at the top of the folder (or of archive).
void gd_bike_shapes_plan(GdPlan& plan, const std::string& archive);
