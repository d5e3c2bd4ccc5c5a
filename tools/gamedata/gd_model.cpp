#include "gamedata/gd_model.h"

#include <cmath>
#include <cstdio>

static const double pi = 3.14159265358979323846;

static GdVec sub(GdVec a, GdVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static GdVec cross(GdVec a, GdVec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
static double dot(GdVec a, GdVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
static GdVec unit(GdVec a) {
  double l = std::sqrt(dot(a, a));
  return l > 0 ? GdVec{a.x / l, a.y / l, a.z / l} : GdVec{0, 1, 0};
}

static int add_vertex(GdMesh& mesh, GdVec p, GdVec n, double u, double image_y) {
  mesh.vertices.push_back({p, n, u, 1 - image_y});
  return int(mesh.vertices.size()) - 1;
}

void gd_mesh_quad(GdMesh& mesh, GdVec p0, GdVec p1, GdVec p2, GdVec p3, GdUv uv) {
  GdVec n = unit(cross(sub(p1, p0), sub(p3, p0)));
  int a = add_vertex(mesh, p0, n, uv.u0, uv.y1), b = add_vertex(mesh, p1, n, uv.u1, uv.y1);
  int c = add_vertex(mesh, p2, n, uv.u1, uv.y0), d = add_vertex(mesh, p3, n, uv.u0, uv.y0);
  mesh.triangles.insert(mesh.triangles.end(), {a, b, c, a, c, d});
}

void gd_mesh_triangle(GdMesh& mesh, GdVec a, GdVec b, GdVec c, const double uv[6]) {
  GdVec n = unit(cross(sub(b, a), sub(c, a)));
  int i = add_vertex(mesh, a, n, uv[0], uv[1]), j = add_vertex(mesh, b, n, uv[2], uv[3]);
  int k = add_vertex(mesh, c, n, uv[4], uv[5]);
  mesh.triangles.insert(mesh.triangles.end(), {i, j, k});
}

void gd_mesh_box(GdMesh& mesh, GdVec c, GdVec h, GdUv uv) {
  auto P = [&](double sx, double sy, double sz) { return GdVec{c.x + sx * h.x, c.y + sy * h.y, c.z + sz * h.z}; };
  gd_mesh_quad(mesh, P(-1, -1, 1), P(1, -1, 1), P(1, 1, 1), P(-1, 1, 1), uv);      // +z
  gd_mesh_quad(mesh, P(1, -1, -1), P(-1, -1, -1), P(-1, 1, -1), P(1, 1, -1), uv);  // -z
  gd_mesh_quad(mesh, P(1, -1, 1), P(1, -1, -1), P(1, 1, -1), P(1, 1, 1), uv);      // +x
  gd_mesh_quad(mesh, P(-1, -1, -1), P(-1, -1, 1), P(-1, 1, 1), P(-1, 1, -1), uv);  // -x
  gd_mesh_quad(mesh, P(-1, 1, 1), P(1, 1, 1), P(1, 1, -1), P(-1, 1, -1), uv);      // +y
  gd_mesh_quad(mesh, P(-1, -1, -1), P(1, -1, -1), P(1, -1, 1), P(-1, -1, 1), uv);  // -y
}

void gd_mesh_cylinder(GdMesh& mesh, GdVec base, double radius, double height, int segments, GdUv uv) {
  if (segments < 3) segments = 3;
  int first = int(mesh.vertices.size());
  for (int j = 0; j <= segments; ++j) {
    double a = 2 * pi * j / segments, u = uv.u0 + (uv.u1 - uv.u0) * j / segments;
    GdVec n{std::cos(a), 0, std::sin(a)};
    add_vertex(mesh, {base.x + radius * n.x, base.y, base.z + radius * n.z}, n, u, uv.y1);
    add_vertex(mesh, {base.x + radius * n.x, base.y + height, base.z + radius * n.z}, n, u, uv.y0);
  }
  for (int j = 0; j < segments; ++j) {
    int b0 = first + 2 * j, t0 = b0 + 1, b1 = b0 + 2, t1 = b0 + 3;
    mesh.triangles.insert(mesh.triangles.end(), {b1, b0, t0, b1, t0, t1});
  }
  gd_mesh_orient(mesh);
}

void gd_mesh_cone(GdMesh& mesh, GdVec base, double radius, double height, int segments, GdUv uv) {
  if (segments < 3) segments = 3;
  int first = int(mesh.vertices.size());
  double slope = radius / height;
  for (int j = 0; j <= segments; ++j) {
    double a = 2 * pi * j / segments, u = uv.u0 + (uv.u1 - uv.u0) * j / segments;
    double am = 2 * pi * (j + 0.5) / segments;
    GdVec n = unit({std::cos(a), slope, std::sin(a)});
    GdVec nm = unit({std::cos(am), slope, std::sin(am)});
    add_vertex(mesh, {base.x + radius * std::cos(a), base.y, base.z + radius * std::sin(a)}, n, u, uv.y1);
    add_vertex(mesh, {base.x, base.y + height, base.z}, nm, u + (uv.u1 - uv.u0) * 0.5 / segments, uv.y0);
  }
  for (int j = 0; j < segments; ++j) {
    int b0 = first + 2 * j, apex = b0 + 1, b1 = b0 + 2;
    mesh.triangles.insert(mesh.triangles.end(), {b1, b0, apex});
  }
  // The bottom, facing down.
  int centre = add_vertex(mesh, base, {0, -1, 0}, (uv.u0 + uv.u1) / 2, (uv.y0 + uv.y1) / 2);
  int ring = int(mesh.vertices.size());
  for (int j = 0; j < segments; ++j) {
    double a = 2 * pi * j / segments;
    add_vertex(mesh, {base.x + radius * std::cos(a), base.y, base.z + radius * std::sin(a)}, {0, -1, 0},
               (uv.u0 + uv.u1) / 2 + (uv.u1 - uv.u0) / 2 * std::cos(a),
               (uv.y0 + uv.y1) / 2 + (uv.y1 - uv.y0) / 2 * std::sin(a));
  }
  for (int j = 0; j < segments; ++j)
    mesh.triangles.insert(mesh.triangles.end(), {centre, ring + j, ring + (j + 1) % segments});
  gd_mesh_orient(mesh);
}

void gd_mesh_orient(GdMesh& mesh) {
  for (size_t t = 0; t + 2 < mesh.triangles.size(); t += 3) {
    const GdVertex& a = mesh.vertices[size_t(mesh.triangles[t])];
    const GdVertex& b = mesh.vertices[size_t(mesh.triangles[t + 1])];
    const GdVertex& c = mesh.vertices[size_t(mesh.triangles[t + 2])];
    GdVec face = cross(sub(b.p, a.p), sub(c.p, a.p));
    GdVec normals{a.n.x + b.n.x + c.n.x, a.n.y + b.n.y + c.n.y, a.n.z + b.n.z + c.n.z};
    if (dot(face, normals) < 0) std::swap(mesh.triangles[t + 1], mesh.triangles[t + 2]);
  }
}

void gd_mesh_turn(GdMesh& mesh, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  auto turn = [&](GdVec& v) {
    double x = c * v.x + s * v.z, z = -s * v.x + c * v.z;
    v.x = x, v.z = z;
  };
  for (GdVertex& v : mesh.vertices) turn(v.p), turn(v.n);
}

std::string gd_model_text(const GdModel& model) {
  std::string out = "JM1\n";
  char line[256];
  for (const GdMesh& m : model.meshes) {
    snprintf(line, sizeof line, "%.3f %.3f %.3f %.3f %.3f %d %d\n", m.shininess, m.alpha, m.specular[0],
             m.specular[1], m.specular[2], int(m.vertices.size()), int(m.triangles.size() / 3));
    out += line;
    for (const GdVertex& v : m.vertices) {
      snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f\n", v.p.x, v.p.y, v.p.z, v.n.x, v.n.y,
               v.n.z, v.u, v.v);
      out += line;
    }
    for (size_t t = 0; t + 2 < m.triangles.size(); t += 3) {
      snprintf(line, sizeof line, "%d %d %d\n", m.triangles[t], m.triangles[t + 1], m.triangles[t + 2]);
      out += line;
    }
  }
  return out;
}

std::string gd_shape_text(const std::vector<GdSphere>& spheres) {
  std::string out = std::to_string(spheres.size()) + "\n";
  char line[256];
  for (const GdSphere& s : spheres) {
    snprintf(line, sizeof line, "%.3f %.3f %.3f %.3f %.3f %.1f %.1f\n", s.x, s.y, s.z, s.radius, s.mu, s.kp, s.kd);
    out += line;
  }
  return out;
}
