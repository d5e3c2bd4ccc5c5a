#include "gamedata/track_map.h"

#include <algorithm>
#include <cmath>

#include "gamedata/gd_draw.h"

bool gd_map_image(const GdTrack& track, const GdTerrain& terrain, const GdCourse& course, GdImage& out) {
  const int size = GD_MAP_PIXELS;
  gd_image_make(out, size, size, 4, 0);
  if (terrain.size < 2 || terrain.loop.points.empty()) return false;
  double extent = (terrain.size - 1) * terrain.spacing, scale = size / extent;  // pixels per foot
  const GdLoop& loop = terrain.loop;
  // The band is drawn wider than the track so that it reads at this size.
  double edge = std::max(5.0, 9 * scale), inner = std::max(3.0, 6 * scale);
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t j = 0; j < loop.points.size(); ++j) {
      GdPoint a = loop.points[j], b = loop.points[(j + 1) % loop.points.size()];
      double w = pass ? inner : edge;
      double half = gd_track_half_width(track, loop, loop.along[j]);
      if (half > track.width / 2) w += (half - track.width / 2) * scale;
      GdColour c = pass ? GdColour{0.95, 0.93, 0.86, 1} : GdColour{0.12, 0.10, 0.08, 0.85};
      gd_draw_line(out, a.x * scale, a.z * scale, b.x * scale, b.z * scale, w, c);
    }
  }
  auto mark = [&](double s, int kind) {
    GdPoint at, t;
    gd_loop_frame(loop, s, at, t);
    double half = gd_track_half_width(track, loop, s) * scale + 5, x = at.x * scale, z = at.z * scale;
    double lx = -t.z, lz = t.x;
    if (kind == 0) {
      gd_draw_line(out, x - lx * half, z - lz * half, x + lx * half, z + lz * half, 4, {0.1, 0.7, 0.2, 1});
      return;
    }
    for (int k = -3; k < 3; ++k) {
      double f0 = k / 3.0, f1 = (k + 1) / 3.0;
      GdColour c = k % 2 ? GdColour{0.05, 0.05, 0.05, 1} : GdColour{1, 1, 1, 1};
      gd_draw_line(out, x + lx * half * f0, z + lz * half * f0, x + lx * half * f1, z + lz * half * f1, 4, c);
    }
  };
  mark(course.start_along, 0);
  mark(course.finish_along, 1);
  return true;
}
