#include "gamedata/track_scenery.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "gamedata/art_names.h"
#include "gamedata/gd_noise.h"
#include "gamedata/track_tilemap.h"

static const double pi = 3.14159265358979323846;

// Upright angle for a heading: turned by `heading` but never tilted.
static double upright(double heading) {
  double h = std::fmod(heading, 2 * pi);
  if (h < 0) h += 2 * pi;
  return h - 4 * pi;
}

// Angle that lays an object's +z along (tx, tz) (and its x across the track).
static double along_angle(double tx, double tz) { return std::atan2(tx, tz); }

bool gd_clear_of_track(const GdTrack& track, const GdTerrain& terrain, double x, double z, double margin) {
  double extent = (terrain.size - 1) * terrain.spacing;
  if (x < 0 || z < 0 || x > extent || z > extent) return false;
  const GdLoop& loop = terrain.loop;
  for (size_t j = 0; j < loop.points.size(); j += 2) {
    double d = std::hypot(loop.points[j].x - x, loop.points[j].z - z);
    if (d < gd_track_half_width(track, loop, loop.along[j]) + 1.25 * track.shoulder + margin) return false;
  }
  return true;
}

static bool in_patch(const GdTrack& track, double x, double z, double margin) {
  for (int p = 0; p < track.patch_count; ++p) {
    const GdPatch& pa = track.patches[p];
    if (x >= pa.x0 - margin && x <= pa.x1 + margin && z >= pa.z0 - margin && z <= pa.z1 + margin) return true;
  }
  return false;
}

// The centreline frame at s: position, heading and the left-hand normal
// (-tz, tx), the direction of positive lateral offsets.
struct Frame {
  GdPoint at, t, l;
};

static Frame frame_at(const GdLoop& loop, double s) {
  Frame f;
  gd_loop_frame(loop, s, f.at, f.t);
  f.l = {-f.t.z, f.t.x};
  return f;
}

// Index of the last checkpoint at or before s along the track, and the next.
static void checkpoints_around(const GdCourse& course, const GdLoop& loop, double s, int& before, int& after) {
  int m = int(course.checkpoints.size());
  before = m - 1, after = 0;
  double rel = gd_loop_wrap(loop, s - course.start_along);
  for (int j = 0; j < m; ++j) {
    double c = gd_loop_wrap(loop, course.checkpoints[size_t(j)].along - course.start_along);
    if (c <= rel) before = j;
  }
  after = (before + 1) % m;
}

static void add_berm_dressing(const GdTrack& track, const GdTerrain& terrain, GdScenery& sc) {
  const GdLoop& loop = terrain.loop;
  for (int i = 0; i < track.bump_count; ++i) {
    const GdBump& b = track.bumps[i];
    if (b.across != GD_ACROSS_BANK) continue;
    double start = gd_loop_wrap(loop, gd_loop_along(loop, b.at) + b.offset), len = b.rise + b.top + b.fall;
    double outside = gd_loop_turn(loop, start + len / 2) > 0 ? -1 : 1;
    // Hay bales end to end behind the berm's back, along its top.
    double reach = track.width / 2 + 1.25 * track.shoulder + 3;
    for (double u = b.rise; u <= b.rise + b.top; u += 4.2) {
      Frame f = frame_at(loop, start + u);
      double x = f.at.x + f.l.x * outside * reach, z = f.at.z + f.l.z * outside * reach;
      if (!gd_clear_of_track(track, terrain, x, z, 1.5)) continue;
      // The bale's long side (its x) along the track.
      sc.statues.push_back({x, 0, z, std::atan2(-f.t.z, f.t.x), GD_ART_HAYBALE_MODEL, GD_ART_HAYBALE_TEXTURE,
                            GD_ART_HAYBALE_SHAPE});
    }
    // Ruts worn into the berm, a little outside the middle of the track.
    for (double u = b.rise * 0.5; u < len - b.fall * 0.5; u += 15) {
      Frame f = frame_at(loop, start + u);
      double off = outside * track.width * 0.25;
      sc.decals.push_back({f.at.x + f.l.x * off, f.at.z + f.l.z * off, along_angle(f.t.x, f.t.z), 9, 1.8,
                           GD_ART_DECAL_RUTS});
    }
  }
}

static void add_start_and_finish(const GdTrack& track, const GdTerrain& terrain, const GdCourse& course,
                                 GdScenery& sc) {
  const GdLoop& loop = terrain.loop;
  // A banner across the pad just ahead of the gates, and a concrete pad
  // under the riders behind them.
  Frame f = frame_at(loop, course.start_along + 12);
  sc.statues.push_back({f.at.x, 0, f.at.z, upright(along_angle(f.t.x, f.t.z)), GD_ART_BANNER_WIDE_MODEL,
                        GD_ART_BANNER_TEXTURE, "null"});
  double pad_width = 2 * gd_track_half_width(track, loop, course.start_along) - 2;
  Frame back = frame_at(loop, course.start_along - 10);
  sc.decals.push_back({back.at.x, back.at.z, along_angle(back.t.x, back.t.z), pad_width, 22 / pad_width,
                       GD_ART_DECAL_PAD});
  // A narrower banner over the finish line, the tower beside it.
  Frame fin = frame_at(loop, course.finish_along);
  sc.statues.push_back({fin.at.x, 0, fin.at.z, upright(along_angle(fin.t.x, fin.t.z)),
                        GD_ART_BANNER_MODEL, GD_ART_BANNER_TEXTURE, "null"});
  for (double side : {-1.0, 1.0}) {
    double off = side * (gd_track_half_width(track, loop, course.finish_along) + 1.25 * track.shoulder + 12);
    double x = fin.at.x + fin.l.x * off, z = fin.at.z + fin.l.z * off;
    if (!gd_clear_of_track(track, terrain, x, z, 6)) continue;
    sc.statues.push_back({x, 0, z, upright(std::atan2(-fin.l.x * side, -fin.l.z * side)), GD_ART_TOWER_MODEL,
                          GD_ART_TOWER_TEXTURE, GD_ART_TOWER_SHAPE});
    break;
  }
}

static void add_paddock(const GdTrack& track, GdScenery& sc, GdRandom& r) {
  for (int p = 0; p < track.patch_count; ++p) {
    const GdPatch& pa = track.patches[p];
    for (double z = pa.z0 + 12; z <= pa.z1 - 12; z += 22)
      for (double x = pa.x0 + 14; x <= pa.x1 - 14; x += 26) {
        if (gd_random01(r) < 0.3) continue;  // gaps between the vans
        sc.statues.push_back({x, 0, z, upright(gd_random_range(r, -0.2, 0.2)), GD_ART_TENT_MODEL, GD_ART_TENT_TEXTURE,
                              GD_ART_TENT_SHAPE});
      }
    // A crowd along the paddock's edge.
    for (double x = pa.x0 + 20; x <= pa.x1 - 20; x += 40)
      sc.billboards.push_back({x, -0.2, pa.z0 - 4, 5.5, 4, GD_ART_CROWD, 0xffffff});
  }
}

static void add_trees(const GdTrack& track, const GdTerrain& terrain, GdScenery& sc, GdRandom& r) {
  double extent = (terrain.size - 1) * terrain.spacing, mid = extent / 2;
  std::vector<GdPoint> placed;
  int tries = 0;
  while (int(placed.size()) < track.tree_count && tries++ < track.tree_count * 40) {
    double x = gd_random_range(r, 12, extent - 12), z = gd_random_range(r, 12, extent - 12);
    // Thicker toward the edge of the field, in clumps.
    double edge = std::max(std::fabs(x - mid), std::fabs(z - mid)) / mid;
    double clump = gd_noise(x / 90, z / 90, 1 << 16, 1 << 16, track.seed);
    if (gd_random01(r) > (0.15 + 0.85 * edge * edge) * (0.3 + clump)) continue;
    if (!gd_clear_of_track(track, terrain, x, z, 8) || in_patch(track, x, z, 12)) continue;
    bool crowded = false;
    for (const GdPoint& p : placed) crowded = crowded || std::hypot(p.x - x, p.z - z) < 9;
    if (crowded) continue;
    placed.push_back({x, z});
    double pick = gd_random01(r);
    if (pick < 0.3) {
      sc.statues.push_back({x, 0, z, upright(gd_random_range(r, 0, 2 * pi)), GD_ART_TREE_MODEL, GD_ART_TREE_TEXTURE,
                            GD_ART_TREE_SHAPE});
    } else if (pick < 0.65) {
      double size = gd_random_range(r, 18, 30);
      unsigned tint = gd_random01(r) < 0.4 ? 0xd0e8c0u : 0xffffffu;
      sc.billboards.push_back({x, -0.3, z, size, 0.5, GD_ART_PINE, tint});
    } else if (pick < 0.9) {
      double size = gd_random_range(r, 18, 26);
      unsigned tint = gd_random01(r) < 0.4 ? 0xe8f0b0u : 0xffffffu;
      sc.billboards.push_back({x, -0.3, z, size, 1, GD_ART_OAK, tint});
    } else {
      sc.billboards.push_back({x, -0.1, z, gd_random_range(r, 3, 5), 2, GD_ART_BUSH, 0xffffff});
    }
  }
}

static void add_crowds(const GdTrack& track, const GdTerrain& terrain, GdScenery& sc) {
  // Spectators on the hills that have room for them, facing the middle.
  for (int i = 0; i < track.mound_count; ++i) {
    const GdMound& m = track.mounds[i];
    for (int k = 0; k < 8; ++k) {
      double a = 2 * pi * k / 8, rad = m.radius * 0.45;
      double x = m.x + rad * std::cos(a), z = m.z + rad * std::sin(a);
      if (gd_clear_of_track(track, terrain, x, z, 6) && !in_patch(track, x, z, 4))
        sc.billboards.push_back({x, -0.2, z, 5.5, 4, GD_ART_CROWD, 0xffffff});
    }
  }
}

static void add_flaggers(const GdTrack& track, const GdTerrain& terrain, const GdCourse& course, GdScenery& sc) {
  const GdLoop& loop = terrain.loop;
  char name[128];
  // The start flagger stands in front of the middle gates and walks off to
  // the side of the pad when the gate drops.
  Frame f = frame_at(loop, course.start_along + 14);
  double side = gd_track_half_width(track, loop, course.start_along + 14) + 6;
  GdFlagger start{f.at.x, 0, f.at.z, f.at.x + f.l.x * side, 0, f.at.z + f.l.z * side, 6.5, 0.5, 3, {-1, -1, -1, -1}, {}};
  for (int k = 1; k <= 5; ++k) {
    snprintf(name, sizeof name, "%s%d.png", GD_ART_STARTER_PREFIX, k);
    start.images.push_back(name);
  }
  sc.flaggers.push_back(start);
  // The second flagger by the finish line.
  Frame fin = frame_at(loop, course.finish_along);
  double off = -(gd_track_half_width(track, loop, course.finish_along) + 5);
  GdFlagger second{fin.at.x + fin.l.x * off, 0, fin.at.z + fin.l.z * off, 0, 0, 0, 6.5, 0.5, 0, {-1, -1, -1, -1}, {}};
  snprintf(name, sizeof name, "%s1.png", GD_ART_MARSHAL_PREFIX);
  second.images.push_back(name);
  for (int k = 1; k <= 4; ++k) {
    snprintf(name, sizeof name, "%s%d.png", GD_ART_MARSHAL_PREFIX, k);
    second.images.push_back(name);
  }
  sc.flaggers.push_back(second);
  // A flagger beside the landing of every jump with a lip, watching the
  // stretch between the checkpoints around it.
  for (int i = 0; i < track.bump_count; ++i) {
    const GdBump& b = track.bumps[i];
    if (!b.lip) continue;
    double s = gd_loop_wrap(loop, gd_loop_along(loop, b.at) + b.offset + b.rise + b.top + 30);
    Frame j = frame_at(loop, s);
    for (double sgn : {1.0, -1.0}) {
      double o = sgn * (gd_track_half_width(track, loop, s) + 1.25 * track.shoulder + 4);
      double x = j.at.x + j.l.x * o, z = j.at.z + j.l.z * o;
      if (!gd_clear_of_track(track, terrain, x, z, 2)) continue;
      int before, after;
      checkpoints_around(course, loop, s, before, after);
      sc.flaggers.push_back({x, 0, z, 0, 0, 0, 6.5, 0.5, 0, {before, after, -1, -1},
                             {GD_ART_FLAGGER_IDLE, GD_ART_FLAGGER_WAVE}});
      break;
    }
  }
}

static void add_puddles(const GdTrack& track, const GdTerrain& terrain, GdScenery& sc, GdRandom& r) {
  const GdLoop& loop = terrain.loop;
  for (int i = 0; i < track.section_count; ++i) {
    const GdSection& sec = track.sections[i];
    if (sec.surface != GD_SURFACE_MUD) continue;
    double start = gd_place_along(loop, sec.start);
    for (double u = 10; u < sec.length - 10; u += gd_random_range(r, 18, 30)) {
      Frame f = frame_at(loop, start + u);
      double off = gd_random_range(r, -0.35, 0.35) * track.width;
      sc.decals.push_back({f.at.x + f.l.x * off, f.at.z + f.l.z * off, gd_random_range(r, -pi, pi),
                           gd_random_range(r, 6, 10), gd_random_range(r, 0.6, 1.0), GD_ART_DECAL_PUDDLE});
    }
  }
}

static void add_cameras(const GdTrack& track, const GdTerrain& terrain, const GdCourse& course, GdScenery& sc) {
  const GdLoop& loop = terrain.loop;
  int m = int(course.checkpoints.size());
  const int per = m >= 12 ? 3 : 2;  // checkpoints watched by each camera
  for (int first = 0; first < m; first += per) {
    int last = std::min(m - 1, first + per - 1);
    double s0 = course.checkpoints[size_t(first)].along;
    double s = gd_loop_wrap(loop, s0 + gd_loop_wrap(loop, course.checkpoints[size_t(last)].along - s0) / 2);
    Frame f = frame_at(loop, s);
    // On the outside of the bend when there is one, else either side, as
    // close as the scenery leaves room for.
    double outside = gd_loop_turn(loop, s) > 0 ? -1 : 1;
    bool placed = false;
    for (double dist = 30; dist <= 90 && !placed; dist += 15)
      for (double sgn : {outside, -outside}) {
        double o = sgn * (gd_track_half_width(track, loop, s) + dist);
        double x = f.at.x + f.l.x * o, z = f.at.z + f.l.z * o;
        if (!gd_clear_of_track(track, terrain, x, z, 4)) continue;
        GdCamera cam{x, 12, z, 55, (first / per) % 2 ? 24.0 : 0.0, {}};
        for (int c = first; c <= last; ++c) cam.gates.push_back(c);
        sc.cameras.push_back(cam);
        placed = true;
        break;
      }
  }
}

bool gd_scenery_build(const GdTrack& track, const GdTerrain& terrain, const GdCourse& course, GdScenery& sc) {
  sc = GdScenery{};
  if (course.checkpoints.empty() || terrain.loop.points.empty()) return false;
  GdRandom r{track.seed};
  add_start_and_finish(track, terrain, course, sc);
  add_berm_dressing(track, terrain, sc);
  add_paddock(track, sc, r);
  add_crowds(track, terrain, sc);
  add_trees(track, terrain, sc, r);
  add_flaggers(track, terrain, course, sc);
  add_puddles(track, terrain, sc, r);
  add_cameras(track, terrain, course, sc);
  return true;
}

static void append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

static void append(std::string& out, const char* format, ...) {
  char line[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  out += line;
}

std::string gd_statues_text(const GdScenery& sc) {
  std::string out;
  for (const GdStatue& s : sc.statues)
    append(out, "[%f %f %f] %f %s %s %s\n", s.x, s.height, s.z, s.angle, s.model.c_str(), s.texture.c_str(),
           s.shape.c_str());
  return out;
}

std::string gd_billboards_text(const GdScenery& sc) {
  std::string out;
  for (const GdBillboard& b : sc.billboards) {
    append(out, "[%f %f %f] %f %f ", b.x, b.height, b.z, b.size, b.aspect);
    if ((b.rgb & 0xffffff) == 0xffffff) append(out, "%s\n", b.image.c_str());
    else append(out, "#%02x%02x%02x#%s\n", (b.rgb >> 16) & 255, (b.rgb >> 8) & 255, b.rgb & 255, b.image.c_str());
  }
  return out;
}

std::string gd_flaggers_text(const GdScenery& sc) {
  std::string out;
  if (sc.flaggers.size() < 2) return out;
  const GdFlagger& a = sc.flaggers[0];
  append(out, "[%f %f %f] [%f %f %f] %f %f %f", a.x, a.height, a.z, a.to_x, a.to_height, a.to_z, a.size, a.aspect,
         a.walk);
  for (const std::string& name : a.images) append(out, " %s", name.c_str());
  out += "\n";
  const GdFlagger& b = sc.flaggers[1];
  append(out, "[%f %f %f] %f %f", b.x, b.height, b.z, b.size, b.aspect);
  for (const std::string& name : b.images) append(out, " %s", name.c_str());
  out += "\n";
  for (size_t i = 2; i < sc.flaggers.size(); ++i) {
    const GdFlagger& c = sc.flaggers[i];
    append(out, "[%f %f %f] %f %f %d %d %d %d", c.x, c.height, c.z, c.size, c.aspect, c.checkpoints[0],
           c.checkpoints[1], c.checkpoints[2], c.checkpoints[3]);
    for (const std::string& name : c.images) append(out, " %s", name.c_str());
    out += "\n";
  }
  return out;
}

std::string gd_decals_text(const GdScenery& sc) {
  std::string out;
  for (const GdDecal& d : sc.decals)
    append(out, "[%f %f] %f %f %f %s\n", d.x, d.z, d.angle, d.size, d.aspect, d.image.c_str());
  return out;
}

std::string gd_cameras_text(const GdScenery& sc) {
  std::string out;
  for (const GdCamera& c : sc.cameras) {
    append(out, "fov %g\n", c.fov);
    if (c.autofov > 0) append(out, "autofovsize %g\n", c.autofov);
    if (!c.gates.empty()) {
      out += "gate";
      for (int g : c.gates) append(out, " %d", g);
      out += "\n";
    }
    append(out, "addcamera %f %f %f\n", c.x, c.height, c.z);
  }
  return out;
}
