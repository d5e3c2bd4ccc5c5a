// Pieces the bike and rider models are built from, on top of the upright
// and axis-aligned ones of gd_model.h: beams and rods between two points,
// blocks along any three axes, discs, ellipsoids, flat-sided slabs cut from
// a side profile, and the tyre ring. Every piece sets its own normals and
// turns its triangles to face along them.
#pragma once
#include <vector>

#include "gamedata/gd_model.h"

// A placed coordinate frame: an origin and three orthonormal axes with
// x × y = z, so that placing a piece keeps its triangles facing out.
struct GdPlace {
  GdVec origin;   // where the piece's (0, 0, 0) goes
  GdVec x, y, z;  // where the piece's axes point
};

// A point of a slab's side profile: its height and its place along the bike.
struct GdProfilePoint {
  double z;  // along the bike, feet (z to the rear)
  double y;  // height, feet
};

GdVec gd_vec_add(GdVec a, GdVec b);
GdVec gd_vec_sub(GdVec a, GdVec b);
GdVec gd_vec_scale(GdVec a, double s);
double gd_vec_dot(GdVec a, GdVec b);
GdVec gd_vec_cross(GdVec a, GdVec b);
GdVec gd_vec_unit(GdVec a);  // (0, 1, 0) for a zero vector

// A frame whose y axis runs from `from` towards `to`, with its x axis as
// close to `side` as that allows (side must not be parallel to the run).
GdPlace gd_place_along(GdVec from, GdVec to, GdVec side);
// Appends piece to mesh, moved and turned by place.
void gd_mesh_place(GdMesh& mesh, const GdMesh& piece, const GdPlace& place);
// Moves every vertex of the mesh by d.
void gd_mesh_shift(GdMesh& mesh, GdVec d);

// A box from a to b, half_side thick along the side direction and
// half_depth across both.
void gd_piece_beam(GdMesh& mesh, GdVec a, GdVec b, double half_side, double half_depth, GdVec side, GdUv uv);
// A box around centre with the half sizes along the place's axes (the
// place's origin is ignored).
void gd_piece_block(GdMesh& mesh, GdVec centre, const GdPlace& axes, GdVec half, GdUv uv);
// A round rod from a to b, smooth-shaded, with flat ends when capped.
void gd_piece_rod(GdMesh& mesh, GdVec a, GdVec b, double radius, int segments, GdUv uv, bool capped);
// A round rod that faces inwards (the inside of a rim).
void gd_piece_tube_inside(GdMesh& mesh, GdVec a, GdVec b, double radius, int segments, GdUv uv);
// A flat round disc facing along normal; the texture rectangle's inscribed
// ellipse is laid over it.
void gd_piece_disc(GdMesh& mesh, GdVec centre, GdVec normal, double radius, int segments, GdUv uv);
// A flat ring between the radii inner and outer facing along normal; u runs
// around it, the image's top row on the inner edge.
void gd_piece_annulus(GdMesh& mesh, GdVec centre, GdVec normal, double inner, double outer, int segments, GdUv uv);
// An ellipsoid, smooth-shaded; u runs around the vertical axis, the image's
// top row at the top pole.
void gd_piece_ellipsoid(GdMesh& mesh, GdVec centre, GdVec radii, int slices, int stacks, GdUv uv);
// A slab between x0 and x1 (x0 < x1) whose side outline is the convex
// profile (in either turning order): the two sides show `side` (u along z,
// the image's top row at the highest point), the rim around it `rim`.
void gd_piece_slab(GdMesh& mesh, const std::vector<GdProfilePoint>& profile, double x0, double x1, GdUv side,
                   GdUv rim);
// A tyre ring around the x axis: the tube of radius `tube` runs round the
// circle of radius `ring`, squeezed across by `squeeze` (1 = round), from
// tube angle -reach to +reach about the outward direction. Each of the
// `around` segments shows the whole texture rectangle once (u across the
// tread, image y along the way round), so the tread pattern repeats.
void gd_piece_tyre(GdMesh& mesh, double ring, double tube, double squeeze, double reach, int around, int across,
                   GdUv uv);
