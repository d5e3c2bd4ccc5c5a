#include "gamedata/track_terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gamedata/gd_noise.h"

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

static double full_across(double distance, double half, double shoulder) {
  if (distance <= half) return 1;
  if (distance >= half + shoulder) return 0;
  return (1 + std::cos((distance - half) / shoulder * pi)) / 2;
}

static double bank_across(double out, double width, double shoulder) {
  double inside = -width / 2, lip = width / 2 + shoulder / 4;
  if (out <= inside) return 0;
  if (out < lip) return rise_shape((out - inside) / (lip - inside), false);
  if (out < lip + shoulder) return (1 + std::cos((out - lip) / shoulder * pi)) / 2;
  return 0;
}

static double widest(const GdTrack& t) {
  double extra = 0;
  for (int i = 0; i < t.widen_count; ++i) extra += std::max(0.0, t.widen[i].extra);
  return t.width + extra;
}

// Farthest the track's shaping reaches from the centreline.
static double track_reach(const GdTrack& t) { return widest(t) / 2 + 1.25 * t.shoulder; }

double gd_place_along(const GdLoop& loop, GdPlace place) {
  return gd_loop_wrap(loop, gd_loop_along(loop, place.at) + place.offset);
}

double gd_track_half_width(const GdTrack& track, const GdLoop& loop, double s) {
  double w = track.width;
  for (int i = 0; i < track.widen_count; ++i) {
    const GdWiden& g = track.widen[i];
    double u = gd_loop_wrap(loop, s - gd_place_along(loop, g.start));
    double f = 0;
    if (u < g.before) f = g.before > 0 ? (1 - std::cos(u / g.before * pi)) / 2 : 1;
    else if (u < g.before + g.full) f = 1;
    else if (u < g.before + g.full + g.after) f = (1 + std::cos((u - g.before - g.full) / g.after * pi)) / 2;
    w += g.extra * f;
  }
  return w / 2;
}

static size_t vertex_at(const GdLoop& loop, double s) {
  size_t lo = 0, hi = loop.points.size();
  double w = gd_loop_wrap(loop, s);
  while (hi - lo > 1) {
    size_t mid = (lo + hi) / 2;
    (loop.along[mid] <= w ? lo : hi) = mid;
  }
  return lo;
}

void gd_loop_frame(const GdLoop& loop, double s, GdPoint& at, GdPoint& heading) {
  size_t n = loop.points.size();
  size_t j = vertex_at(loop, s);
  GdPoint a = loop.points[j], b = loop.points[(j + 1) % n];
  double len = std::hypot(b.x - a.x, b.z - a.z);
  double next = j + 1 < n ? loop.along[j + 1] : loop.length;
  double f = next > loop.along[j] ? (gd_loop_wrap(loop, s) - loop.along[j]) / (next - loop.along[j]) : 0;
  at = {a.x + f * (b.x - a.x), a.z + f * (b.z - a.z)};
  // The heading is averaged over a few vertices either side so that it turns
  // smoothly rather than segment by segment.
  const size_t reach = 3;
  GdPoint p = loop.points[(j + n - reach) % n], q = loop.points[(j + 1 + reach) % n];
  double dx = q.x - p.x, dz = q.z - p.z, d = std::hypot(dx, dz);
  heading = d > 0 ? GdPoint{dx / d, dz / d} : (len > 0 ? GdPoint{(b.x - a.x) / len, (b.z - a.z) / len} : GdPoint{1, 0});
}

static double ground_height(const GdTrack& t, double extent, double x, double z) {
  const GdGround& g = t.ground;
  double k = 2 * pi / g.wavelength;
  double h = g.level + g.hills * std::sin(k * x + 0.7) * std::sin(k * 0.77 * z + 1.9) +
             0.4 * g.hills * std::sin(k * 1.83 * (x + 0.6 * z) + 0.3);
  for (int i = 0; i < t.mound_count; ++i) {
    const GdMound& m = t.mounds[i];
    double r = std::hypot(x - m.x, z - m.z);
    if (m.radius > 0 && r < m.radius) h += m.height * (1 + std::cos(r / m.radius * pi)) / 2;
  }
  double edge = std::min(std::min(x, extent - x), std::min(z, extent - z));
  if (g.rim_width > 0 && edge < g.rim_width) {
    double f = 1 - edge / g.rim_width;
    h += g.rim * f * f;
  }
  return h;
}

// How far inside a patch a point is, eased from 0 at its edge to 1 ten feet in.
static double patch_weight(const GdPatch& p, double x, double z) {
  double inside = std::min(std::min(x - p.x0, p.x1 - x), std::min(z - p.z0, p.z1 - z));
  return gd_smoothstep(0, 10, inside);
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
  for (int i = 0; i < track.widen_count; ++i) {
    const GdWiden& g = track.widen[i];
    if (g.before < 0 || g.full < 0 || !(g.after > 0) || !(g.extra >= 0)) return false;
  }
  GdLoop loop;
  if (!gd_loop_build(loop, track.controls, track.control_count)) return false;
  std::vector<PlacedBump> bumps;
  if (!place_bumps(track, loop, bumps)) return false;

  int n = (1 << (track.exponent + 1)) + 1;
  double d = track.spacing, extent = (n - 1) * d, reach = track_reach(track);
  std::vector<Nearest> near;
  find_nearest(loop, n, d, reach, near);

  // Mean ground height of each patch, which the patch is levelled toward.
  std::vector<double> patch_level(size_t(std::max(track.patch_count, 0)), 0.0);
  for (int p = 0; p < track.patch_count; ++p) {
    const GdPatch& pa = track.patches[p];
    double sum = 0;
    int count = 0;
    for (double z = pa.z0; z <= pa.z1; z += 4)
      for (double x = pa.x0; x <= pa.x1; x += 4, ++count) sum += ground_height(track, extent, x, z);
    patch_level[size_t(p)] = count ? sum / count : 0;
  }

  terrain.exponent = track.exponent;
  terrain.size = n;
  terrain.spacing = d;
  terrain.width = track.width;
  terrain.shoulder = track.shoulder;
  terrain.heights.resize(size_t(n) * n);
  terrain.lateral.assign(size_t(n) * n, 0.0f);
  terrain.along.assign(size_t(n) * n, -1.0f);
  terrain.half.assign(size_t(n) * n, -1.0f);
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < n; ++i) {
      size_t at = size_t(k) * n + i;
      double x = i * d, z = k * d;
      double h = ground_height(track, extent, x, z);
      for (int p = 0; p < track.patch_count; ++p) {
        double w = patch_weight(track.patches[p], x, z) * std::clamp(track.patches[p].flatten, 0.0, 1.0);
        h += w * (patch_level[size_t(p)] - h);
      }
      const Nearest& p = near[at];
      if (p.distance2 < reach * reach) {
        double off = std::fabs(p.lateral);
        double half = gd_track_half_width(track, loop, p.along);
        terrain.lateral[at] = float(p.lateral);
        terrain.along[at] = float(p.along);
        terrain.half[at] = float(half);
        // The racing line follows the ground under its centre, so it is
        // level from side to side, and is worn down below its surroundings.
        double m = full_across(off, half, track.shoulder);
        double line = ground_height(track, extent, p.centre.x, p.centre.z) - track.ground.groove;
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
  terrain.loop = std::move(loop);
  return true;
}

// The header's range: the heights' range widened to whole feet.
static void file_range(const GdTerrain& terrain, double& lo, double& hi) {
  auto range = std::minmax_element(terrain.heights.begin(), terrain.heights.end());
  lo = std::floor(*range.first);
  hi = std::ceil(*range.second);
  if (hi <= lo) hi = lo + 1;
}

static unsigned sample_of(double h, double lo, double hi) {
  // The same rounding the game uses when it saves a terrain.
  double s = std::trunc((h - lo) / (hi - lo) * 65535 + 0.5);
  return unsigned(std::clamp(s, 0.0, 65535.0));
}

void gd_terrain_quantise(GdTerrain& terrain) {
  if (terrain.heights.empty()) return;
  double lo, hi;
  file_range(terrain, lo, hi);
  for (float& h : terrain.heights) h = float(lo + (hi - lo) * sample_of(h, lo, hi) / 65535);
}

double gd_terrain_height(const GdTerrain& t, double x, double z) {
  int n = t.size;
  if (n < 2 || t.heights.size() != size_t(n) * n) return 0;
  auto H = [&](int i, int k) {
    i = std::clamp(i, 0, n - 1);
    k = std::clamp(k, 0, n - 1);
    return double(t.heights[size_t(k) * n + i]);
  };
  double u = x / t.spacing, v = z / t.spacing;
  double fi = std::floor(u), fk = std::floor(v);
  int i = int(std::clamp(fi, -2.0, double(n + 1))), k = int(std::clamp(fk, -2.0, double(n + 1)));
  double fu = u - fi, fv = v - fk;
  if (fi != i) fu = 0;
  if (fk != k) fv = 0;
  if ((i + k) & 1) {
    if (fu + fv <= 1) return H(i, k) + fu * (H(i + 1, k) - H(i, k)) + fv * (H(i, k + 1) - H(i, k));
    return H(i + 1, k + 1) + (1 - fu) * (H(i, k + 1) - H(i + 1, k + 1)) +
           (1 - fv) * (H(i + 1, k) - H(i + 1, k + 1));
  }
  if (fv <= fu) return H(i + 1, k) + (1 - fu) * (H(i, k) - H(i + 1, k)) + fv * (H(i + 1, k + 1) - H(i + 1, k));
  return H(i, k + 1) + fu * (H(i + 1, k + 1) - H(i, k + 1)) + (1 - fv) * (H(i, k) - H(i, k + 1));
}

bool gd_terrain_file(const GdTerrain& terrain, GdBytes& out) {
  out.clear();
  size_t count = size_t(terrain.size) * terrain.size;
  if (terrain.size < 2 || terrain.heights.size() != count) return false;
  double lo, hi;
  file_range(terrain, lo, hi);
  char header[160];
  int len = snprintf(header, sizeof header, "%d %f %f %f\n:", terrain.exponent, terrain.spacing, lo, hi);
  if (len <= 0 || len >= int(sizeof header)) return false;
  out.assign(header, header + len);
  out.reserve(len + 2 * count);
  for (float h : terrain.heights) {
    unsigned v = sample_of(h, lo, hi);
    out.push_back((unsigned char)(v & 255));
    out.push_back((unsigned char)(v >> 8));
  }
  return true;
}
