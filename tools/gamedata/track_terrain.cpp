#include "gamedata/track_terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

static const double pi = 3.14159265358979323846;

// A bump placed on the loop: GdBump with its start as a distance along the
// track and the side its bank leans to.
struct PlacedBump {
  double start, rise, top, fall, height;
  GdAcross across;
  bool lip;
  double outside;  // +1 or -1: the sign of lateral offsets on the outside of the turn
};

// Nearest centreline point of one grid point, among points within reach.
struct Nearest {
  double distance2;
  double along;     // distance along the track of the centreline point
  double lateral;   // signed offset from it
  GdPoint centre;
};

static double rise_shape(double f, bool lip) {
  return lip ? 1 - std::cos(f * pi / 2) : (1 - std::cos(f * pi)) / 2;
}

static double along_profile(const PlacedBump& b, double u) {
  if (u < b.rise) return rise_shape(u / b.rise, b.lip);
  u -= b.rise;
  if (u < b.top) return 1;
  u -= b.top;
  if (u < b.fall) return (1 + std::cos(u / b.fall * pi)) / 2;
  return 0;
}

static double full_across(double distance, double width, double shoulder) {
  double edge = width / 2;
  if (distance <= edge) return 1;
  if (distance >= edge + shoulder) return 0;
  return (1 + std::cos((distance - edge) / shoulder * pi)) / 2;
}

static double bank_across(double out, double width, double shoulder) {
  double inside = -width / 2, lip = width / 2 + shoulder / 4;
  if (out <= inside) return 0;
  if (out < lip) return rise_shape((out - inside) / (lip - inside), false);
  if (out < lip + shoulder) return (1 + std::cos((out - lip) / shoulder * pi)) / 2;
  return 0;
}

// Farthest a bump reaches from the centreline.
static double track_reach(const GdTrack& t) { return t.width / 2 + 1.25 * t.shoulder; }

static double ground_height(const GdGround& g, double extent, double x, double z) {
  double k = 2 * pi / g.wavelength;
  double h = g.level + g.hills * std::sin(k * x + 0.7) * std::sin(k * 0.77 * z + 1.9) +
             0.4 * g.hills * std::sin(k * 1.83 * (x + 0.6 * z) + 0.3);
  double edge = std::min(std::min(x, extent - x), std::min(z, extent - z));
  if (g.rim_width > 0 && edge < g.rim_width) {
    double f = 1 - edge / g.rim_width;
    h += g.rim * f * f;
  }
  return h;
}

static bool place_bumps(const GdTrack& track, const GdLoop& loop, std::vector<PlacedBump>& out) {
  for (int i = 0; i < track.bump_count; ++i) {
    const GdBump& b = track.bumps[i];
    int copies = std::max(b.repeat, 1);
    double pitch = b.rise + b.top + b.fall;
    if (b.rise <= 0 || b.fall <= 0 || b.top < 0 || pitch * copies >= loop.length) return false;
    for (int c = 0; c < copies; ++c) {
      PlacedBump p;
      p.start = gd_loop_wrap(loop, gd_loop_along(loop, b.at) + b.offset + c * pitch);
      p.rise = b.rise;
      p.top = b.top;
      p.fall = b.fall;
      p.height = b.height;
      p.across = b.across;
      p.lip = b.lip;
      p.outside = gd_loop_turn(loop, p.start + pitch / 2) > 0 ? -1 : 1;
      out.push_back(p);
    }
  }
  return true;
}

// Visits every grid point near each polyline segment and keeps, per point,
// the closest centreline point within reach.
static void find_nearest(const GdLoop& loop, int n, double d, double reach, std::vector<Nearest>& near) {
  near.assign(size_t(n) * n, Nearest{reach * reach, 0, 0, {0, 0}});
  size_t count = loop.points.size();
  for (size_t j = 0; j < count; ++j) {
    GdPoint a = loop.points[j], b = loop.points[(j + 1) % count];
    double dx = b.x - a.x, dz = b.z - a.z, len2 = dx * dx + dz * dz;
    int i0 = std::max(0, int(std::floor((std::min(a.x, b.x) - reach) / d)));
    int i1 = std::min(n - 1, int(std::ceil((std::max(a.x, b.x) + reach) / d)));
    int k0 = std::max(0, int(std::floor((std::min(a.z, b.z) - reach) / d)));
    int k1 = std::min(n - 1, int(std::ceil((std::max(a.z, b.z) + reach) / d)));
    for (int k = k0; k <= k1; ++k) {
      for (int i = i0; i <= i1; ++i) {
        GdPoint p{i * d, k * d};
        double t = len2 > 0 ? ((p.x - a.x) * dx + (p.z - a.z) * dz) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        GdPoint q{a.x + t * dx, a.z + t * dz};
        double e2 = (p.x - q.x) * (p.x - q.x) + (p.z - q.z) * (p.z - q.z);
        Nearest& best = near[size_t(k) * n + i];
        if (e2 >= best.distance2) continue;
        double side = gd_loop_lateral(a, b, p) < 0 ? -1 : 1;
        best = Nearest{e2, loop.along[j] + t * std::sqrt(len2), side * std::sqrt(e2), q};
      }
    }
  }
}

bool gd_terrain_build(const GdTrack& track, GdTerrain& terrain) {
  terrain = GdTerrain{};
  if (track.exponent < GD_TERRAIN_EXPONENT_MIN || track.exponent > GD_TERRAIN_EXPONENT_MAX) return false;
  if (!(track.spacing > 0) || !(track.width > 0) || !(track.shoulder > 0)) return false;
  if (!(track.ground.wavelength > 0)) return false;
  GdLoop loop;
  if (!gd_loop_build(loop, track.controls, track.control_count)) return false;
  std::vector<PlacedBump> bumps;
  if (!place_bumps(track, loop, bumps)) return false;

  int n = (1 << (track.exponent + 1)) + 1;
  double d = track.spacing, extent = (n - 1) * d, reach = track_reach(track);
  std::vector<Nearest> near;
  find_nearest(loop, n, d, reach, near);

  terrain.exponent = track.exponent;
  terrain.size = n;
  terrain.spacing = d;
  terrain.width = track.width;
  terrain.shoulder = track.shoulder;
  terrain.heights.resize(size_t(n) * n);
  terrain.lateral.resize(size_t(n) * n);
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < n; ++i) {
      size_t at = size_t(k) * n + i;
      double x = i * d, z = k * d;
      double h = ground_height(track.ground, extent, x, z);
      const Nearest& p = near[at];
      terrain.lateral[at] = -1;
      if (p.distance2 < reach * reach) {
        double off = std::fabs(p.lateral);
        terrain.lateral[at] = float(off);
        // The racing line follows the ground under its centre, so it is
        // level from side to side, and is worn down below its surroundings.
        double m = full_across(off, track.width, track.shoulder);
        double line = ground_height(track.ground, extent, p.centre.x, p.centre.z) - track.ground.groove;
        h += m * (line - h);
        for (const PlacedBump& b : bumps) {
          double a = along_profile(b, gd_loop_wrap(loop, p.along - b.start));
          if (a == 0) continue;
          double c = b.across == GD_ACROSS_BANK
                         ? bank_across(p.lateral * b.outside, track.width, track.shoulder)
                         : m;
          h += b.height * a * c;
        }
      }
      terrain.heights[at] = float(h);
    }
  }
  return true;
}

bool gd_terrain_file(const GdTerrain& terrain, GdBytes& out) {
  out.clear();
  size_t count = size_t(terrain.size) * terrain.size;
  if (terrain.size < 2 || terrain.heights.size() != count) return false;
  auto range = std::minmax_element(terrain.heights.begin(), terrain.heights.end());
  double lo = std::floor(*range.first), hi = std::ceil(*range.second);
  if (hi <= lo) hi = lo + 1;
  char header[160];
  int len = snprintf(header, sizeof header, "%d %f %f %f\n:", terrain.exponent, terrain.spacing, lo, hi);
  if (len <= 0 || len >= int(sizeof header)) return false;
  out.assign(header, header + len);
  out.reserve(len + 2 * count);
  for (float h : terrain.heights) {
    // The same rounding the game uses when it saves a terrain.
    double s = std::trunc((h - lo) / (hi - lo) * 65535 + 0.5);
    unsigned v = unsigned(std::clamp(s, 0.0, 65535.0));
    out.push_back((unsigned char)(v & 255));
    out.push_back((unsigned char)(v >> 8));
  }
  return true;
}
