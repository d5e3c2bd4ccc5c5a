// Where a wheel's torus meets the terrain triangles, and the surface there.
#include <algorithm>
#include <cmath>

#include "bike/tyre.h"
#include "track/terrain.h"

namespace {

// Depth handed back for a wheel that cannot be measured (zero axle, NaN).
constexpr double kNoDepth = -1e30;

double length(TyreVec v) { return std::sqrt(tyre_dot(v, v)); }

bool finite(TyreVec v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The rim circle: centre, unit axle and radius.
struct Rim {
  TyreVec c;
  TyreVec a;
  double R;
};

// Squared distance from a point to the rim circle.
double rim_distance2(const Rim& rim, TyreVec p) {
  TyreVec d = tyre_sub(p, rim.c);
  double h = tyre_dot(d, rim.a);
  TyreVec radial = tyre_sub(d, tyre_scale(rim.a, h));
  double rho = length(radial);
  return h * h + (rho - rim.R) * (rho - rim.R);
}

// True when p, on the triangle's plane, lies inside it (edges included),
// whichever way round its corners are given.
bool inside_triangle(TyreVec p, const TyreVec (&t)[3], TyreVec normal) {
  double winding = tyre_dot(tyre_cross(tyre_sub(t[1], t[0]), tyre_sub(t[2], t[0])), normal);
  if (winding == 0) return false;  // a triangle without area has no inside
  double sign = winding > 0 ? 1 : -1;
  double scale = 0;
  for (int e = 0; e < 3; ++e) {
    TyreVec edge = tyre_sub(t[(e + 1) % 3], t[e]);
    scale = std::max(scale, tyre_dot(edge, edge));
  }
  double eps = 1e-9 * scale;
  for (int e = 0; e < 3; ++e) {
    TyreVec edge = tyre_sub(t[(e + 1) % 3], t[e]);
    double side = sign * tyre_dot(tyre_cross(edge, tyre_sub(p, t[e])), normal);
    if (side < -eps) return false;
  }
  return true;
}

// Smallest distance between the rim circle and the segment a-b, with the
// segment point where it holds. The squared distance along the segment is
// sampled to bracket each of its minima, and every bracket is narrowed by
// golden-section search.
double rim_segment_distance(const Rim& rim, TyreVec a, TyreVec b, TyreVec& closest) {
  const int kSamples = 32;
  TyreVec ab = tyre_sub(b, a);
  auto at = [&](double t) { return tyre_add(a, tyre_scale(ab, t)); };
  double f[kSamples + 1];
  for (int j = 0; j <= kSamples; ++j) f[j] = rim_distance2(rim, at(double(j) / kSamples));
  double best = f[0], best_t = 0;
  for (int j = 0; j <= kSamples; ++j) {
    bool left = j == 0 || f[j] <= f[j - 1];
    bool right = j == kSamples || f[j] <= f[j + 1];
    if (!left || !right) continue;
    double lo = std::max(0.0, double(j - 1) / kSamples), hi = std::min(1.0, double(j + 1) / kSamples);
    const double g = 0.6180339887498949;
    double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
    double f1 = rim_distance2(rim, at(x1)), f2 = rim_distance2(rim, at(x2));
    for (int it = 0; it < 48; ++it) {
      if (f1 <= f2) {
        hi = x2, x2 = x1, f2 = f1;
        x1 = hi - g * (hi - lo);
        f1 = rim_distance2(rim, at(x1));
      } else {
        lo = x1, x1 = x2, f1 = f2;
        x2 = lo + g * (hi - lo);
        f2 = rim_distance2(rim, at(x2));
      }
    }
    double t = f1 <= f2 ? x1 : x2, ft = std::min(f1, f2);
    if (f[j] < ft) t = double(j) / kSamples, ft = f[j];
    if (ft < best) best = ft, best_t = t;
  }
  closest = at(best_t);
  return std::sqrt(std::max(best, 0.0));
}

}  // namespace

TyreContact tyre_torus_triangle(const TyreWheel& wheel, const TyreVec (&t)[3], TyreVec normal) {
  TyreContact out;
  out.normal = normal;
  out.point = t[0];
  out.depth = kNoDepth;
  double alen = length(wheel.axle), nlen = length(normal);
  if (!(alen > 0) || !(nlen > 0) || !finite(wheel.centre) || !finite(wheel.axle) || !finite(normal) ||
      !finite(t[0]) || !finite(t[1]) || !finite(t[2]) || !std::isfinite(wheel.R) || !std::isfinite(wheel.r))
    return out;
  TyreVec n = tyre_scale(normal, 1 / nlen);
  out.normal = n;
  Rim rim{wheel.centre, tyre_scale(wheel.axle, 1 / alen), wheel.R};

  // The rim point nearest the plane lies against the normal projected into
  // the wheel plane. A wheel lying flat has every rim point at one height:
  // take the one towards the triangle.
  TyreVec np = tyre_sub(n, tyre_scale(rim.a, tyre_dot(n, rim.a)));
  double nplen = length(np);
  TyreVec e1;  // unit direction from the centre to that rim point
  if (nplen > 1e-9) {
    e1 = tyre_scale(np, -1 / nplen);
  } else {
    TyreVec mid = tyre_scale(tyre_add(tyre_add(t[0], t[1]), t[2]), 1.0 / 3);
    TyreVec d = tyre_sub(mid, rim.c);
    d = tyre_sub(d, tyre_scale(rim.a, tyre_dot(d, rim.a)));
    if (length(d) < 1e-9) d = tyre_cross(rim.a, std::fabs(rim.a.x) < 0.9 ? TyreVec{1, 0, 0} : TyreVec{0, 1, 0});
    e1 = tyre_scale(d, 1 / length(d));
  }
  TyreVec q = tyre_add(rim.c, tyre_scale(e1, rim.R));
  double s = tyre_dot(tyre_sub(q, t[0]), n);  // signed height of that rim point over the plane
  TyreVec foot = tyre_sub(q, tyre_scale(n, s));
  if (inside_triangle(foot, t, n)) {
    out.point = foot;
    out.depth = wheel.r - s;
    return out;
  }

  // Beside the triangle: where the rim passes through its plane inside it
  // the distance is 0; otherwise the nearest edge point (the corners are the
  // edges' ends).
  double sc = tyre_dot(tyre_sub(rim.c, t[0]), n);
  if (nplen > 1e-9 && rim.R > 0) {
    double cosine = sc / (rim.R * nplen);
    if (cosine >= -1 && cosine <= 1) {
      TyreVec e2 = tyre_cross(rim.a, e1);
      double sine = std::sqrt(1 - cosine * cosine);
      for (int sign = -1; sign <= 1; sign += 2) {
        TyreVec p = tyre_add(rim.c, tyre_add(tyre_scale(e1, rim.R * cosine), tyre_scale(e2, rim.R * sine * sign)));
        if (inside_triangle(p, t, n)) {
          out.point = p;
          out.depth = wheel.r;
          return out;
        }
      }
    }
  }
  double best = -1;
  for (int e = 0; e < 3; ++e) {
    TyreVec p;
    double dist = rim_segment_distance(rim, t[e], t[(e + 1) % 3], p);
    if (best < 0 || dist < best) best = dist, out.point = p;
  }
  out.depth = wheel.r - best;
  return out;
}

TyreCellRange tyre_cells_under(const Terrain& terrain, TyreVec centre, double reach) {
  TyreCellRange range;
  int n = terrain.size;
  if (n < 2 || !(terrain.spacing > 0) || !std::isfinite(centre.x) || !std::isfinite(centre.z) ||
      !std::isfinite(reach) || reach < 0)
    return range;
  double d = terrain.spacing;
  // Cell indices are worked out in double and clipped before they become
  // ints, so a wheel far away cannot overflow them.
  auto cell = [&](double w) { return std::clamp(std::floor(w / d), -1.0, double(n - 1)); };
  double i0 = cell(centre.x - reach), i1 = cell(centre.x + reach);
  double k0 = cell(centre.z - reach), k1 = cell(centre.z + reach);
  range.i0 = int(std::max(i0, 0.0));
  range.i1 = int(std::min(i1, double(n - 2)));
  range.k0 = int(std::max(k0, 0.0));
  range.k1 = int(std::min(k1, double(n - 2)));
  return range;
}

bool tyre_wheel_contact(const Terrain& terrain, const TyreWheel& wheel, TyreContact& contact) {
  contact = TyreContact();
  double reach = wheel.R + wheel.r;
  if (!(reach > 0) || !finite(wheel.axle) || !(length(wheel.axle) > 0)) return false;
  TyreCellRange cells = tyre_cells_under(terrain, wheel.centre, reach);
  int n = terrain.size;
  double d = terrain.spacing;
  TyreContact best;
  best.depth = 0;
  bool found = false;
  for (int k = cells.k0; k <= cells.k1; ++k)
    for (int i = cells.i0; i <= cells.i1; ++i)
      for (int second = 0; second < 2; ++second) {
        auto corner = [&](int ci, int ck) { return TyreVec{ci * d, terrain_sample(terrain, ci, ck), ck * d}; };
        TyreVec t[3];
        if ((i + k) & 1) {
          if (!second) t[0] = corner(i, k), t[1] = corner(i + 1, k), t[2] = corner(i, k + 1);
          else t[0] = corner(i + 1, k + 1), t[1] = corner(i, k + 1), t[2] = corner(i + 1, k);
        } else {
          if (!second) t[0] = corner(i, k), t[1] = corner(i + 1, k), t[2] = corner(i + 1, k + 1);
          else t[0] = corner(i, k), t[1] = corner(i + 1, k + 1), t[2] = corner(i, k + 1);
        }
        TyreVec normal = tyre_cross(tyre_sub(t[1], t[0]), tyre_sub(t[2], t[0]));
        if (normal.y < 0) normal = tyre_scale(normal, -1);
        double len = std::sqrt(tyre_dot(normal, normal));
        if (!(len > 0)) continue;
        normal = tyre_scale(normal, 1 / len);
        // A plane farther from the centre than R + r cannot be touched.
        if (tyre_dot(tyre_sub(wheel.centre, t[0]), normal) > reach) continue;
        TyreContact c = tyre_torus_triangle(wheel, t, normal);
        if (!(c.depth > best.depth)) continue;
        best = c;
        best.triangle = k * 2 * (n - 1) + 2 * i + second;
        found = true;
      }
  if (found) contact = best;
  return found;
}

int tyre_surface_index(const Terrain& terrain, const SurfaceTable& surfaces, TyreVec point) {
  int tile = terrain_tile_at(terrain, float(point.x), float(point.z));
  int count = surfaces_count(surfaces);
  if (count <= 0) return 0;
  return std::clamp(tile, 0, count - 1);
}
