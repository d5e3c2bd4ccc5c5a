#include "gamedata/track_course.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gamedata/art_names.h"

double gd_heading_of(double tx, double tz) { return std::atan2(-tx, -tz); }

// Distance from p to the nearest centreline point more than `skip` feet of
// track away from distance s.
static double clearance(const GdLoop& loop, GdPoint p, double s, double skip) {
  double best = 1e9;
  for (size_t j = 0; j < loop.points.size(); ++j) {
    double gap = std::fabs(loop.along[j] - s);
    gap = std::min(gap, loop.length - gap);
    if (gap <= skip) continue;
    best = std::min(best, std::hypot(loop.points[j].x - p.x, loop.points[j].z - p.z));
  }
  return best;
}

bool gd_course_build(const GdTrack& track, const GdTerrain& terrain, GdCourse& course) {
  course = GdCourse{};
  const GdLoop& loop = terrain.loop;
  if (track.gate_count < 1 || track.gate_count > 160 || loop.points.empty()) return false;
  course.start_along = gd_place_along(loop, track.start);
  course.finish_along = gd_place_along(loop, track.finish);
  double lap1 = gd_loop_wrap(loop, course.finish_along - course.start_along);
  if (lap1 < 3 * 20.0) return false;

  GdPoint at, t;
  gd_loop_frame(loop, course.start_along, at, t);
  double heading = gd_heading_of(t.x, t.z);
  for (int g = 0; g < track.gate_count; ++g) {
    // Left to right seen by the riders: lateral offsets along (-tz, tx)
    // from negative to positive.
    double off = (g - (track.gate_count - 1) / 2.0) * track.gate_pitch;
    double x = at.x - t.z * off, z = at.z + t.x * off;
    course.gates.push_back({x, gd_terrain_height(terrain, x, z), z, heading});
  }

  // Checkpoints evenly spread from the start to the finish line, at least
  // three; the finish is the last.
  int count = std::max(3, int(std::lround(lap1 / std::max(track.checkpoint_pitch, 20.0))));
  count = std::min(count, 256);
  for (int j = 0; j < count; ++j) {
    double s = gd_loop_wrap(loop, course.start_along + lap1 * (j + 1) / count);
    gd_loop_frame(loop, s, at, t);
    double half = gd_track_half_width(track, loop, s);
    double size = half + 8;
    // Small enough not to reach another part of the track.
    double room = clearance(loop, at, s, 2 * size + 40);
    size = std::max(half + 1, std::min(size, 0.6 * room));
    course.checkpoints.push_back({size, at.x, gd_terrain_height(terrain, at.x, at.z), at.z, t.x, 0, t.z, s});
    course.first_lap.push_back(j);
    course.normal_lap.push_back(j);
  }
  return true;
}

std::string gd_timing_gates_text(const GdCourse& course) {
  std::string out;
  char line[512];
  if (!course.gates.empty()) {
    out += "startinggate:\n";
    for (const GdStartGate& g : course.gates) {
      snprintf(line, sizeof line, "[%f %f %f] %f %s %s null\n", g.x, g.y, g.z, g.heading, GD_ART_STARTGATE_MODEL,
               GD_ART_STARTGATE_TEXTURE);
      out += line;
    }
  }
  if (!course.checkpoints.empty()) {
    out += "checkpoints:\n";
    for (const GdCheckpoint& c : course.checkpoints) {
      snprintf(line, sizeof line, "%f [%f %f %f] [%f %f %f]\n", c.size, c.x, c.y, c.z, c.dx, c.dy, c.dz);
      out += line;
    }
  }
  for (int lap = 0; lap < 2; ++lap) {
    const std::vector<int>& seq = lap ? course.normal_lap : course.first_lap;
    if (seq.empty()) continue;
    out += lap ? "normallap:\n" : "firstlap:\n";
    for (int k : seq) out += std::to_string(k) + " ";
    out += "\n";
  }
  return out;
}
