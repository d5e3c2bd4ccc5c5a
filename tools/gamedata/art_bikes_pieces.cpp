#include "gamedata/art_bikes_pieces.h"

#include <cmath>

static const double pi = 3.14159265358979323846;

GdVec gd_vec_add(GdVec a, GdVec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
GdVec gd_vec_sub(GdVec a, GdVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
GdVec gd_vec_scale(GdVec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double gd_vec_dot(GdVec a, GdVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
GdVec gd_vec_cross(GdVec a, GdVec b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
GdVec gd_vec_unit(GdVec a) {
  double l = std::sqrt(gd_vec_dot(a, a));
  return l > 0 ? gd_vec_scale(a, 1 / l) : GdVec{0, 1, 0};
}

// A vertex with the texture point given as (u, image y from the top).
static int push(GdMesh& mesh, GdVec p, GdVec n, double u, double image_y) {
  mesh.vertices.push_back({p, n, u, 1 - image_y});
  return int(mesh.vertices.size()) - 1;
}

static void push_triangle(GdMesh& mesh, int a, int b, int c) { mesh.triangles.insert(mesh.triangles.end(), {a, b, c}); }

// Any unit vector square to d.
static GdVec across(GdVec d) { return std::fabs(d.x) < 0.9 ? GdVec{1, 0, 0} : GdVec{0, 0, 1}; }

GdPlace gd_place_along(GdVec from, GdVec to, GdVec side) {
  GdVec y = gd_vec_unit(gd_vec_sub(to, from));
  GdVec x = gd_vec_unit(gd_vec_sub(side, gd_vec_scale(y, gd_vec_dot(side, y))));
  return {from, x, y, gd_vec_cross(x, y)};
}

void gd_mesh_place(GdMesh& mesh, const GdMesh& piece, const GdPlace& at) {
  int base = int(mesh.vertices.size());
  auto turn = [&](GdVec v) {
    return gd_vec_add(gd_vec_add(gd_vec_scale(at.x, v.x), gd_vec_scale(at.y, v.y)), gd_vec_scale(at.z, v.z));
  };
  for (const GdVertex& v : piece.vertices) mesh.vertices.push_back({gd_vec_add(at.origin, turn(v.p)), turn(v.n), v.u, v.v});
  for (int i : piece.triangles) mesh.triangles.push_back(base + i);
}

void gd_mesh_shift(GdMesh& mesh, GdVec d) {
  for (GdVertex& v : mesh.vertices) v.p = gd_vec_add(v.p, d);
}

void gd_piece_beam(GdMesh& mesh, GdVec a, GdVec b, double half_side, double half_depth, GdVec side, GdUv uv) {
  double length = std::sqrt(gd_vec_dot(gd_vec_sub(b, a), gd_vec_sub(b, a)));
  GdMesh box;
  gd_mesh_box(box, {0, length / 2, 0}, {half_side, length / 2, half_depth}, uv);
  gd_mesh_place(mesh, box, gd_place_along(a, b, side));
}

void gd_piece_block(GdMesh& mesh, GdVec centre, const GdPlace& axes, GdVec half, GdUv uv) {
  GdMesh box;
  gd_mesh_box(box, {0, 0, 0}, half, uv);
  GdPlace at = axes;
  at.origin = centre;
  gd_mesh_place(mesh, box, at);
}

// The flat end of an upright rod piece, at height y, facing up or down.
static void rod_cap(GdMesh& piece, double y, bool up, double radius, int segments, GdUv uv) {
  GdVec n{0, up ? 1.0 : -1.0, 0};
  double cu = (uv.u0 + uv.u1) / 2, cy = (uv.y0 + uv.y1) / 2, hu = (uv.u1 - uv.u0) / 2, hy = (uv.y1 - uv.y0) / 2;
  int centre = push(piece, {0, y, 0}, n, cu, cy);
  int ring = int(piece.vertices.size());
  for (int j = 0; j < segments; ++j) {
    double a = 2 * pi * j / segments;
    push(piece, {radius * std::cos(a), y, radius * std::sin(a)}, n, cu + hu * std::cos(a), cy + hy * std::sin(a));
  }
  for (int j = 0; j < segments; ++j) push_triangle(piece, centre, ring + j, ring + (j + 1) % segments);
}

void gd_piece_rod(GdMesh& mesh, GdVec a, GdVec b, double radius, int segments, GdUv uv, bool capped) {
  GdVec d = gd_vec_sub(b, a);
  double length = std::sqrt(gd_vec_dot(d, d));
  if (!(length > 0) || segments < 3) return;
  GdMesh piece;
  gd_mesh_cylinder(piece, {0, 0, 0}, radius, length, segments, uv);
  if (capped) {
    rod_cap(piece, 0, false, radius, segments, uv);
    rod_cap(piece, length, true, radius, segments, uv);
    gd_mesh_orient(piece);
  }
  gd_mesh_place(mesh, piece, gd_place_along(a, b, across(gd_vec_unit(d))));
}

void gd_piece_tube_inside(GdMesh& mesh, GdVec a, GdVec b, double radius, int segments, GdUv uv) {
  GdVec d = gd_vec_sub(b, a);
  double length = std::sqrt(gd_vec_dot(d, d));
  if (!(length > 0) || segments < 3) return;
  GdMesh piece;
  gd_mesh_cylinder(piece, {0, 0, 0}, radius, length, segments, uv);
  for (GdVertex& v : piece.vertices) v.n = gd_vec_scale(v.n, -1);
  gd_mesh_orient(piece);
  gd_mesh_place(mesh, piece, gd_place_along(a, b, across(gd_vec_unit(d))));
}

void gd_piece_disc(GdMesh& mesh, GdVec centre, GdVec normal, double radius, int segments, GdUv uv) {
  if (segments < 3) return;
  GdVec n = gd_vec_unit(normal);
  GdPlace at = gd_place_along({0, 0, 0}, n, across(n));
  GdMesh piece;
  double cu = (uv.u0 + uv.u1) / 2, cy = (uv.y0 + uv.y1) / 2, hu = (uv.u1 - uv.u0) / 2, hy = (uv.y1 - uv.y0) / 2;
  int mid = push(piece, centre, n, cu, cy);
  for (int j = 0; j < segments; ++j) {
    double a = 2 * pi * j / segments, c = std::cos(a), s = std::sin(a);
    GdVec p = gd_vec_add(centre, gd_vec_add(gd_vec_scale(at.x, radius * c), gd_vec_scale(at.z, radius * s)));
    push(piece, p, n, cu + hu * c, cy + hy * s);
  }
  for (int j = 0; j < segments; ++j) push_triangle(piece, mid, mid + 1 + j, mid + 1 + (j + 1) % segments);
  gd_mesh_orient(piece);
  gd_mesh_place(mesh, piece, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
}

void gd_piece_annulus(GdMesh& mesh, GdVec centre, GdVec normal, double inner, double outer, int segments, GdUv uv) {
  if (segments < 3 || !(outer > inner)) return;
  GdVec n = gd_vec_unit(normal);
  GdPlace at = gd_place_along({0, 0, 0}, n, across(n));
  GdMesh piece;
  for (int j = 0; j <= segments; ++j) {
    double a = 2 * pi * j / segments, u = uv.u0 + (uv.u1 - uv.u0) * j / segments;
    GdVec d = gd_vec_add(gd_vec_scale(at.x, std::cos(a)), gd_vec_scale(at.z, std::sin(a)));
    push(piece, gd_vec_add(centre, gd_vec_scale(d, inner)), n, u, uv.y0);
    push(piece, gd_vec_add(centre, gd_vec_scale(d, outer)), n, u, uv.y1);
  }
  for (int j = 0; j < segments; ++j) {
    int a = 2 * j, b = a + 1, c = a + 3, d = a + 2;
    push_triangle(piece, a, b, c);
    push_triangle(piece, a, c, d);
  }
  gd_mesh_orient(piece);
  gd_mesh_place(mesh, piece, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
}

void gd_piece_ellipsoid(GdMesh& mesh, GdVec c, GdVec r, int slices, int stacks, GdUv uv) {
  if (slices < 3 || stacks < 2) return;
  GdMesh piece;
  for (int i = 0; i <= stacks; ++i) {
    double phi = pi * i / stacks, sp = std::sin(phi), cp = std::cos(phi);
    if (i == stacks) sp = 0;  // the bottom pole exactly below the centre
    for (int j = 0; j <= slices; ++j) {
      double theta = 2 * pi * j / slices;
      GdVec d{sp * std::cos(theta), cp, sp * std::sin(theta)};
      GdVec p{c.x + r.x * d.x, c.y + r.y * d.y, c.z + r.z * d.z};
      GdVec n = gd_vec_unit({d.x / r.x, d.y / r.y, d.z / r.z});
      push(piece, p, n, uv.u0 + (uv.u1 - uv.u0) * j / slices, uv.y0 + (uv.y1 - uv.y0) * i / stacks);
    }
  }
  int row = slices + 1;
  for (int i = 0; i < stacks; ++i)
    for (int j = 0; j < slices; ++j) {
      int a = i * row + j, b = a + 1, d = a + row, e = d + 1;
      // The rows at the poles keep one triangle per quad (the other has no area).
      if (i > 0) push_triangle(piece, a, b, e);
      if (i + 1 < stacks) push_triangle(piece, a, e, d);
    }
  gd_mesh_orient(piece);
  gd_mesh_place(mesh, piece, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
}

void gd_piece_slab(GdMesh& mesh, const std::vector<GdProfilePoint>& profile, double x0, double x1, GdUv side,
                   GdUv rim) {
  size_t n = profile.size();
  if (n < 3) return;
  double zmin = profile[0].z, zmax = zmin, ymin = profile[0].y, ymax = ymin, cz = 0, cy = 0;
  for (const GdProfilePoint& q : profile) {
    zmin = std::fmin(zmin, q.z), zmax = std::fmax(zmax, q.z);
    ymin = std::fmin(ymin, q.y), ymax = std::fmax(ymax, q.y);
    cz += q.z / double(n), cy += q.y / double(n);
  }
  GdMesh piece;
  for (double x : {x0, x1}) {
    GdVec normal{x == x1 ? 1.0 : -1.0, 0, 0};
    int first = int(piece.vertices.size());
    for (const GdProfilePoint& q : profile)
      push(piece, {x, q.y, q.z}, normal, side.u0 + (side.u1 - side.u0) * (q.z - zmin) / (zmax - zmin),
           side.y0 + (side.y1 - side.y0) * (ymax - q.y) / (ymax - ymin));
    for (size_t k = 1; k + 1 < n; ++k) push_triangle(piece, first, first + int(k), first + int(k) + 1);
  }
  for (size_t k = 0; k < n; ++k) {
    const GdProfilePoint &p = profile[k], &q = profile[(k + 1) % n];
    double dz = q.z - p.z, dy = q.y - p.y;
    if (dz * dz + dy * dy < 1e-18) continue;
    GdVec out = gd_vec_unit({0, dz, -dy});
    if (out.y * ((p.y + q.y) / 2 - cy) + out.z * ((p.z + q.z) / 2 - cz) < 0) out = gd_vec_scale(out, -1);
    int a = push(piece, {x0, p.y, p.z}, out, rim.u0, rim.y0), b = push(piece, {x1, p.y, p.z}, out, rim.u1, rim.y0);
    int c = push(piece, {x1, q.y, q.z}, out, rim.u1, rim.y1), d = push(piece, {x0, q.y, q.z}, out, rim.u0, rim.y1);
    push_triangle(piece, a, b, c);
    push_triangle(piece, a, c, d);
  }
  gd_mesh_orient(piece);
  gd_mesh_place(mesh, piece, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
}

void gd_piece_tyre(GdMesh& mesh, double ring, double tube, double squeeze, double reach, int around, int across,
                   GdUv uv) {
  if (around < 3 || across < 1) return;
  GdMesh piece;
  for (int s = 0; s < around; ++s) {
    int first = int(piece.vertices.size());
    for (int end = 0; end < 2; ++end) {
      double a = 2 * pi * (s + end) / around, sa = std::sin(a), ca = std::cos(a);
      for (int k = 0; k <= across; ++k) {
        double b = -reach + 2 * reach * k / across, sb = std::sin(b), cb = std::cos(b);
        double out = ring + tube * cb;
        GdVec p{squeeze * tube * sb, out * sa, out * ca};
        GdVec n = gd_vec_unit({sb / squeeze, cb * sa, cb * ca});
        push(piece, p, n, uv.u0 + (uv.u1 - uv.u0) * k / across, end ? uv.y1 : uv.y0);
      }
    }
    for (int k = 0; k < across; ++k) {
      int a = first + k, b = a + 1, c = first + across + 1 + k, d = c + 1;
      push_triangle(piece, a, b, d);
      push_triangle(piece, a, d, c);
    }
  }
  gd_mesh_orient(piece);
  gd_mesh_place(mesh, piece, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
}
