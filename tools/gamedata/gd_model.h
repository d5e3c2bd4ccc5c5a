// Models (".jm") and collision shapes (".shp") the generator writes.
//   ".jm": "JM1", then per mesh a line "SHININESS ALPHA R G B V T", V
//     vertices "X Y Z NX NY NZ U V" and T triangles "A B C" (vertex indices,
//     counter-clockwise seen from outside). V is the texture's height
//     fraction from its bottom row; R G B the specular colour.
//   ".shp": the sphere count, then per sphere "X Y Z RADIUS MU KP KD".
// Models are built from boxes, cylinders, cones and flat pieces; each piece
// maps a rectangle of the texture given as fractions of the image from its
// top-left corner.
#pragma once
#include <string>
#include <vector>

struct GdVec {
  double x, y, z;
};

struct GdUv {
  double u0, y0, u1, y1;  // texture rectangle: left, top, right, bottom, as fractions of the image
};

struct GdVertex {
  GdVec p;       // position, feet
  GdVec n;       // unit normal
  double u, v;   // texture coordinates as the file holds them (v from the bottom)
};

struct GdMesh {
  double shininess = 16;                    // specular exponent
  double alpha = 1;                         // used only for negative shininess
  double specular[3] = {0.08, 0.08, 0.08};  // specular colour
  std::vector<GdVertex> vertices;
  std::vector<int> triangles;  // three vertex indices each
};

struct GdModel {
  std::vector<GdMesh> meshes;  // drawn in order
};

struct GdSphere {
  double x, y, z;  // centre in the object's frame, feet
  double radius;   // feet
  double mu;       // friction
  double kp, kd;   // contact stiffness and damping
};

// A flat four-cornered piece, corners counter-clockwise seen from its front
// (p0 bottom left, p1 bottom right, p2 top right, p3 top left).
void gd_mesh_quad(GdMesh& mesh, GdVec p0, GdVec p1, GdVec p2, GdVec p3, GdUv uv);
// A triangle, counter-clockwise seen from its front; uv gives the texture
// points of its corners (u, image y pairs).
void gd_mesh_triangle(GdMesh& mesh, GdVec a, GdVec b, GdVec c, const double uv[6]);
// An axis-aligned box around centre with the given half sizes, every face
// showing the same texture rectangle.
void gd_mesh_box(GdMesh& mesh, GdVec centre, GdVec half, GdUv uv);
// An upright cylinder standing on base (without caps), smooth-shaded; the
// texture rectangle wraps once around it.
void gd_mesh_cylinder(GdMesh& mesh, GdVec base, double radius, double height, int segments, GdUv uv);
// An upright cone standing on base with a closed bottom.
void gd_mesh_cone(GdMesh& mesh, GdVec base, double radius, double height, int segments, GdUv uv);
// Turns every triangle so that it faces the way its vertex normals point.
void gd_mesh_orient(GdMesh& mesh);
// Rotates the mesh about the vertical axis through the origin by angle
// radians (positions and normals).
void gd_mesh_turn(GdMesh& mesh, double angle);

std::string gd_model_text(const GdModel& model);
std::string gd_shape_text(const std::vector<GdSphere>& spheres);
