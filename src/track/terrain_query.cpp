// Height, normal and sphere queries on the terrain's triangles.
#include "track/terrain.h"

#include <algorithm>
#include <cmath>

float terrain_sample(const Terrain& t, int i, int k) {
  int n = t.size;
  if (n <= 0) return 0;
  i = std::clamp(i, 0, n - 1);
  k = std::clamp(k, 0, n - 1);
  return t.heights[size_t(k) * size_t(n) + size_t(i)];
}

// Grid coordinate of a world position, limited to one cell beyond the grid:
// the surface out there does not change across the edge, so nothing is lost,
// and a huge or non-numeric position cannot overflow the cell index.
static float terrain_grid_coordinate(const Terrain& t, float w) {
  float u = w / t.spacing;
  float hi = float(t.size);
  if (!(u >= -1)) return -1;
  if (!(u <= hi)) return hi;
  return u;
}

// The cell under (x, z) and the position inside it.
struct TerrainSpot {
  int i, k;      // cell column and row (may be one beyond the grid)
  float fu, fv;  // position inside the cell, 0..1
  bool second;   // the cell's second triangle (the one on its row-k+1 edge)
};

static TerrainSpot terrain_locate(const Terrain& t, float x, float z) {
  float u = terrain_grid_coordinate(t, x), v = terrain_grid_coordinate(t, z);
  TerrainSpot s;
  s.i = int(std::floor(u));
  s.k = int(std::floor(v));
  s.fu = u - float(s.i);
  s.fv = v - float(s.k);
  bool odd = (s.i + s.k) & 1;
  s.second = odd ? s.fu + s.fv > 1 : s.fv > s.fu;
  return s;
}

float terrain_height(const Terrain& t, float x, float z) {
  if (t.size <= 0) return 0;
  TerrainSpot s = terrain_locate(t, x, z);
  int i = s.i, k = s.k;
  float fu = s.fu, fv = s.fv;
  if ((i + k) & 1) {
    if (!s.second) {
      float h = terrain_sample(t, i, k);
      return h + fu * (terrain_sample(t, i + 1, k) - h) + fv * (terrain_sample(t, i, k + 1) - h);
    }
    float h = terrain_sample(t, i + 1, k + 1);
    return h + (1 - fu) * (terrain_sample(t, i, k + 1) - h) + (1 - fv) * (terrain_sample(t, i + 1, k) - h);
  }
  if (!s.second) {
    float h = terrain_sample(t, i + 1, k);
    return h + (1 - fu) * (terrain_sample(t, i, k) - h) + fv * (terrain_sample(t, i + 1, k + 1) - h);
  }
  float h = terrain_sample(t, i, k + 1);
  return h + fu * (terrain_sample(t, i + 1, k + 1) - h) + (1 - fv) * (terrain_sample(t, i, k) - h);
}

// Slopes dh/dx and dh/dz of one triangle of cell (i, k).
static void terrain_triangle_slopes(const Terrain& t, int i, int k, bool second, float& gx, float& gz) {
  float h00 = terrain_sample(t, i, k), h10 = terrain_sample(t, i + 1, k);
  float h01 = terrain_sample(t, i, k + 1), h11 = terrain_sample(t, i + 1, k + 1);
  if ((i + k) & 1) {
    if (!second) {
      gx = h10 - h00;
      gz = h01 - h00;
    } else {
      gx = h11 - h01;
      gz = h11 - h10;
    }
  } else if (!second) {
    gx = h10 - h00;
    gz = h11 - h10;
  } else {
    gx = h11 - h01;
    gz = h01 - h00;
  }
  gx *= t.inv_spacing;
  gz *= t.inv_spacing;
}

static TerrainVec terrain_slope_normal(float gx, float gz) {
  float len = std::sqrt(gx * gx + 1 + gz * gz);
  return TerrainVec{-gx / len, 1 / len, -gz / len};
}

TerrainVec terrain_normal(const Terrain& t, float x, float z) {
  if (t.size <= 0) return TerrainVec{0, 1, 0};
  TerrainSpot s = terrain_locate(t, x, z);
  float gx, gz;
  terrain_triangle_slopes(t, s.i, s.k, s.second, gx, gz);
  return terrain_slope_normal(gx, gz);
}

int terrain_triangle_at(const Terrain& t, float x, float z) {
  int n = t.size;
  if (n <= 1) return -1;
  float u = x / t.spacing, v = z / t.spacing;
  if (!(u >= 0 && u <= float(n - 1) && v >= 0 && v <= float(n - 1))) return -1;
  // The far edges belong to the last cells.
  int i = std::min(int(u), n - 2), k = std::min(int(v), n - 2);
  float fu = u - float(i), fv = v - float(k);
  bool second = (i + k) & 1 ? fu + fv > 1 : fv > fu;
  return k * 2 * (n - 1) + 2 * i + (second ? 1 : 0);
}

TerrainVec terrain_triangle_normal(Terrain& t, int triangle) {
  int n = t.size;
  int per_row = 2 * (n - 1);
  if (n <= 1 || triangle < 0 || triangle >= per_row * (n - 1)) return TerrainVec{0, 1, 0};
  size_t j = size_t(triangle);
  bool cached = t.triangle_normals.size() >= 3 * (j + 1) && t.triangle_dirty.size() * 32 > j;
  if (cached && !terrain_bit(t.triangle_dirty, j))
    return TerrainVec{t.triangle_normals[3 * j], t.triangle_normals[3 * j + 1], t.triangle_normals[3 * j + 2]};
  int k = triangle / per_row, c = triangle % per_row;
  float gx, gz;
  terrain_triangle_slopes(t, c / 2, k, c & 1, gx, gz);
  TerrainVec v = terrain_slope_normal(gx, gz);
  if (cached) {
    t.triangle_normals[3 * j] = v.x;
    t.triangle_normals[3 * j + 1] = v.y;
    t.triangle_normals[3 * j + 2] = v.z;
    terrain_bit_clear(t.triangle_dirty, j);
  }
  return v;
}

TerrainVec terrain_vertex_normal(Terrain& t, int i, int k) {
  int n = t.size;
  if (n <= 1 || i < 0 || k < 0 || i >= n || k >= n) return TerrainVec{0, 1, 0};
  double sx = 0, sy = 0, sz = 0;
  int per_row = 2 * (n - 1);
  for (int ck = k - 1; ck <= k; ++ck)
    for (int ci = i - 1; ci <= i; ++ci) {
      if (ci < 0 || ck < 0 || ci > n - 2 || ck > n - 2) continue;
      // The corner the point is in this cell, and which triangle lacks it:
      // odd cells' first triangle lacks (1, 1), their second (0, 0); even
      // cells' first lacks (0, 1), their second (1, 0).
      int a = i - ci, b = k - ck;
      bool odd = (ci + ck) & 1;
      bool in_first = odd ? !(a == 1 && b == 1) : !(a == 0 && b == 1);
      bool in_second = odd ? !(a == 0 && b == 0) : !(a == 1 && b == 0);
      int base = ck * per_row + 2 * ci;
      for (int tri = 0; tri < 2; ++tri) {
        if (!(tri ? in_second : in_first)) continue;
        TerrainVec v = terrain_triangle_normal(t, base + tri);
        sx += v.x;
        sy += v.y;
        sz += v.z;
      }
    }
  double len = std::sqrt(sx * sx + sy * sy + sz * sz);
  if (len <= 0) return TerrainVec{0, 1, 0};
  return TerrainVec{float(sx / len), float(sy / len), float(sz / len)};
}

int terrain_tile_at(const Terrain& t, float x, float z) {
  int side = t.tile_side;
  if (side <= 0 || t.tiles.size() < size_t(side) * size_t(side)) return 0;
  auto index = [&](float w) {
    float u = w / t.tile_size;
    if (!(u >= 0)) return 0;
    if (!(u < float(side))) return side - 1;
    return std::min(int(u), side - 1);
  };
  return t.tiles[size_t(index(z)) * size_t(side) + size_t(index(x))];
}

float terrain_smooth_height(const Terrain& t, float x, float z) {
  int n = t.size;
  if (n <= 0) return 0;
  double d = t.spacing, reach = 10 + d;
  auto index = [&](double w) {
    if (!(w >= -1)) return -1;
    if (!(w <= double(n))) return n;
    return int(w);
  };
  int i0 = std::max(index(std::floor((x - reach) / d)), 0), i1 = std::min(index(std::ceil((x + reach) / d)), n - 1);
  int k0 = std::max(index(std::floor((z - reach) / d)), 0), k1 = std::min(index(std::ceil((z + reach) / d)), n - 1);
  double sum = 0, weights = 0;
  for (int k = k0; k <= k1; ++k)
    for (int i = i0; i <= i1; ++i) {
      double dx = i * d - x, dz = k * d - z;
      double dist = std::sqrt(dx * dx + dz * dz);
      double w = dist < 10 ? 1 : dist < reach ? (reach - dist) / d : 0;
      if (w <= 0) continue;
      sum += w * t.heights[size_t(k) * size_t(n) + size_t(i)];
      weights += w;
    }
  if (weights > 0) return float(sum / weights);
  return terrain_sample(t, index(std::floor((x - 10) / d)), index(std::floor((z - 10) / d)));
}

// ---------------------------------------------------------------------------
// Sphere query

struct SphereVec {
  double x, y, z;
};
static SphereVec sv_sub(SphereVec a, SphereVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static double sv_dot(SphereVec a, SphereVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Closest point to p on the segment a-b.
static SphereVec segment_closest(SphereVec p, SphereVec a, SphereVec b) {
  SphereVec ab = sv_sub(b, a);
  double len2 = sv_dot(ab, ab);
  double s = len2 > 0 ? std::clamp(sv_dot(sv_sub(p, a), ab) / len2, 0.0, 1.0) : 0;
  return {a.x + s * ab.x, a.y + s * ab.y, a.z + s * ab.z};
}

// Candidate contact of a sphere with one triangle; false when it does not touch.
static bool sphere_triangle(const Terrain& t, int i, int k, bool second, SphereVec c, double r, double& depth,
                            SphereVec& normal) {
  double d = t.spacing;
  auto corner = [&](int ci, int ck) { return SphereVec{ci * d, terrain_sample(t, ci, ck), ck * d}; };
  SphereVec p[3];
  bool odd = (i + k) & 1;
  if (odd) {
    if (!second) p[0] = corner(i, k), p[1] = corner(i + 1, k), p[2] = corner(i, k + 1);
    else p[0] = corner(i + 1, k + 1), p[1] = corner(i, k + 1), p[2] = corner(i + 1, k);
  } else {
    if (!second) p[0] = corner(i + 1, k), p[1] = corner(i, k), p[2] = corner(i + 1, k + 1);
    else p[0] = corner(i, k + 1), p[1] = corner(i + 1, k + 1), p[2] = corner(i, k);
  }
  float gx, gz;
  terrain_triangle_slopes(t, i, k, second, gx, gz);
  double len = std::sqrt(double(gx) * gx + 1 + double(gz) * gz);
  SphereVec nrm{-gx / len, 1 / len, -gz / len};
  double s = sv_dot(sv_sub(c, p[0]), nrm);  // height of the centre above the triangle's plane
  if (s >= r) return false;
  // The foot of the centre on the plane, in the cell's own coordinates.
  double fu = (c.x - s * nrm.x) / d - i, fv = (c.z - s * nrm.z) / d - k;
  const double eps = 1e-9;
  bool inside = fu >= -eps && fu <= 1 + eps && fv >= -eps && fv <= 1 + eps &&
                (odd ? (second ? fu + fv >= 1 - eps : fu + fv <= 1 + eps) : (second ? fv >= fu - eps : fv <= fu + eps));
  if (inside) {
    depth = r - s;
    normal = nrm;
    return true;
  }
  // Beside the triangle: the nearest point of its edges, seen from above the
  // plane only (from below, the plane of a neighbouring slope can pass over a
  // sphere that rests on the ground beside it).
  if (s < 0) return false;
  SphereVec best{0, 0, 0};
  double best2 = -1;
  for (int e = 0; e < 3; ++e) {
    SphereVec q = segment_closest(c, p[e], p[(e + 1) % 3]);
    SphereVec v = sv_sub(c, q);
    double d2 = sv_dot(v, v);
    if (best2 < 0 || d2 < best2) best2 = d2, best = v;
  }
  double dist = std::sqrt(best2);
  if (dist >= r || dist <= 0) return false;
  depth = r - dist;
  normal = {best.x / dist, best.y / dist, best.z / dist};
  return true;
}

bool terrain_sphere_contact(const Terrain& t, TerrainVec centre, float radius, TerrainContact& contact) {
  contact = TerrainContact();
  contact.normal = TerrainVec{0, 1, 0};
  if (t.size <= 1 || !(radius > 0) || !std::isfinite(centre.x) || !std::isfinite(centre.y) ||
      !std::isfinite(centre.z))
    return false;
  double r = radius, d = t.spacing;
  // Beyond the grid the ground is the edge continued flat, so a centre far
  // outside is moved in to just past the edge and the contact moved back.
  double sx = std::clamp(double(centre.x), -r, double(t.extent) + r);
  double sz = std::clamp(double(centre.z), -r, double(t.extent) + r);
  SphereVec c{sx, centre.y, sz};
  int i0 = int(std::floor((sx - r) / d)), i1 = int(std::floor((sx + r) / d));
  int k0 = int(std::floor((sz - r) / d)), k1 = int(std::floor((sz + r) / d));
  double best = 0;
  SphereVec best_normal{0, 1, 0};
  int best_i = 0, best_k = 0;
  bool best_second = false, found = false;
  for (int k = k0; k <= k1; ++k)
    for (int i = i0; i <= i1; ++i)
      for (int second = 0; second < 2; ++second) {
        double depth;
        SphereVec normal;
        if (!sphere_triangle(t, i, k, second, c, r, depth, normal) || depth <= best) continue;
        best = depth, best_normal = normal, best_i = i, best_k = k, best_second = second, found = true;
      }
  // A centre below the surface, whose foot on every plane near it lies
  // outside that triangle, is pushed out along the triangle under it.
  float ground = terrain_height(t, float(sx), float(sz));
  if (c.y < ground) {
    TerrainSpot s = terrain_locate(t, float(sx), float(sz));
    float gx, gz;
    terrain_triangle_slopes(t, s.i, s.k, s.second, gx, gz);
    TerrainVec n = terrain_slope_normal(gx, gz);
    double depth = r + (ground - c.y) * n.y;
    if (depth > best) {
      best = depth, best_normal = {n.x, n.y, n.z}, best_i = s.i, best_k = s.k, best_second = s.second;
      found = true;
    }
  }
  if (!found) return false;
  contact.depth = float(best);
  contact.normal = TerrainVec{float(best_normal.x), float(best_normal.y), float(best_normal.z)};
  contact.point = TerrainVec{float(centre.x - best_normal.x * r), float(centre.y - best_normal.y * r),
                             float(centre.z - best_normal.z * r)};
  int n = t.size;
  if (best_i >= 0 && best_k >= 0 && best_i <= n - 2 && best_k <= n - 2)
    contact.triangle = best_k * 2 * (n - 1) + 2 * best_i + (best_second ? 1 : 0);
  return true;
}
