// Where a race runs: the start gates across the track and the checkpoints
// along it, and their "timing_gates" file.
//   "startinggate:", then per gate "[X Y Z] HEADING MODEL TEXTURE null";
//   "checkpoints:", then per checkpoint "SIZE [X Y Z] [DX DY DZ]";
//   "firstlap:" and "normallap:", each followed by checkpoint numbers.
// Riders face -(sin HEADING, cos HEADING) at the gates. A checkpoint is
// passed by entering the half of the disc of radius SIZE around it that
// lies ahead along (DX, DZ), the direction of travel. The checkpoints are
// numbered in riding order from the start; the last one is the finish
// line, which lies before the start gates, so both laps list every
// checkpoint in order and a checkpoint's number is also its place in every
// lap.
#pragma once
#include <string>
#include <vector>

#include "gamedata/track_terrain.h"

struct GdStartGate {
  double x, y, z;  // the gate line under this rider, world feet (y on the ground)
  double heading;  // radians in -pi..pi
};

struct GdCheckpoint {
  double size;        // radius of the crossing disc, feet
  double x, y, z;     // centre on the ground, world feet
  double dx, dy, dz;  // unit direction of travel
  double along;       // distance along the track, feet
};

struct GdCourse {
  std::vector<GdStartGate> gates;
  std::vector<GdCheckpoint> checkpoints;  // riding order; the last is the finish line
  std::vector<int> first_lap, normal_lap;
  double start_along = 0;   // the start gates' distance along the track
  double finish_along = 0;  // the finish line's
};

// False for a track without gates, or whose start and finish coincide.
bool gd_course_build(const GdTrack& track, const GdTerrain& terrain, GdCourse& course);
// Heading of a rider travelling along (tx, tz).
double gd_heading_of(double tx, double tz);
std::string gd_timing_gates_text(const GdCourse& course);
