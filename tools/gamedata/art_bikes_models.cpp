// The bike's parts. Each is laid out in bike coordinates at rest (ground at
// y = 0) from the catalogue's body positions and then moved into its own
// body's coordinates. Each model has up to three meshes: painted plastic,
// bare metal and matte parts (rubber, seat, black plastic).
#include <cmath>

#include "gamedata/art_bikes.h"
#include "gamedata/art_bikes_pieces.h"

namespace {

const double pi = 3.14159265358979323846;
const GdVec side_x = {1, 0, 0};

struct Parts {
  GdMesh plastic;  // painted plastic: glossy
  GdMesh metal;    // frame, engine, fork and hardware
  GdMesh matte;    // rubber, seat, black plastic
};

void material(GdMesh& m, double shininess, double specular) {
  m.shininess = shininess;
  m.specular[0] = m.specular[1] = m.specular[2] = specular;
}

// The parts as a model around the body at rest position body.
GdModel finish(Parts& p, GdVec body) {
  material(p.plastic, 40, 0.35);
  material(p.metal, 64, 0.55);
  material(p.matte, 6, 0.04);
  GdModel m;
  for (GdMesh* mesh : {&p.plastic, &p.metal, &p.matte}) {
    if (mesh->triangles.empty()) continue;
    gd_mesh_shift(*mesh, gd_vec_scale(body, -1));
    m.meshes.push_back(std::move(*mesh));
  }
  return m;
}

GdVec at(double x, double y, double z) { return {x, y, z}; }

// A rod through the points with a ball at every bend, so that the bends close.
void pipe(GdMesh& mesh, const std::vector<GdVec>& points, const std::vector<double>& radii, GdUv uv) {
  for (size_t i = 0; i + 1 < points.size(); ++i)
    gd_piece_rod(mesh, points[i], points[i + 1], (radii[i] + radii[i + 1]) / 2, 10, uv, false);
  for (size_t i = 1; i + 1 < points.size(); ++i)
    gd_piece_ellipsoid(mesh, points[i], {radii[i], radii[i], radii[i]}, 10, 5, uv);
}

// A beam through the points, for frame tubes.
void tubes(GdMesh& mesh, const std::vector<GdVec>& points, double half_side, double half_depth, GdUv uv) {
  for (size_t i = 0; i + 1 < points.size(); ++i)
    gd_piece_beam(mesh, points[i], points[i + 1], half_side, half_depth, side_x, uv);
}

// The same slab on both sides of the bike, from inner to outer off the centre.
void slab_pair(GdMesh& mesh, const std::vector<GdProfilePoint>& profile, double inner, double outer, GdUv side,
               GdUv rim) {
  gd_piece_slab(mesh, profile, inner, outer, side, rim);
  gd_piece_slab(mesh, profile, -outer, -inner, side, rim);
}

// The steering axis: from the fork lower body up through the fork upper one.
GdVec steering_axis(const GdBikeRest& r) { return gd_vec_unit(gd_vec_sub(r.fork_upper, r.fork_lower)); }
// Square to the axis, forwards (and a little up).
GdVec steering_forward(const GdBikeRest& r) {
  GdVec a = steering_axis(r);
  return {0, a.z, -a.y};
}
// The axes of a piece that leans with the fork: x across, y up the axis.
GdPlace fork_axes(const GdBikeRest& r) {
  GdVec a = steering_axis(r);
  return {{0, 0, 0}, side_x, a, gd_vec_cross(side_x, a)};
}
// A point t along the axis from base and ahead of it by forward.
GdVec on_axis(const GdBikeRest& r, GdVec base, double x, double t, double forward) {
  GdVec p = gd_vec_add(base, gd_vec_add(gd_vec_scale(steering_axis(r), t), gd_vec_scale(steering_forward(r), forward)));
  p.x += x;
  return p;
}

// The fork's clamps along the axis from the fork upper body, and the top
// of its outer tubes.
const double lower_clamp_t = 0, top_clamp_t = 0.62, tube_top_t = 0.72;
// Where the front plate sits on the fork: along the axis from the fork
// upper body, ahead of it, and its half width and height.
const double plate_t = 0.35, plate_ahead = 0.3, plate_half_width = 0.42, plate_half_height = 0.4;
const double plate_thickness = 0.02, decal_gap = 0.012;
// The side plates: the outer face of the side panels under the seat, and
// the part of the plate they cover (bike coordinates).
const double side_panel_inner = 0.26, side_panel_outer = 0.34;
const double side_plate_front = 4.4, side_plate_rear = 5.32, side_plate_bottom = 2.4, side_plate_top = 2.9;

}  // namespace

GdModel gd_bike_frame_model(const GdBikeRest& r, const GdBikeFamily& family) {
  Parts p;
  GdVec head = r.fork_upper;
  // Head tube on the steering axis, between the clamps of the fork.
  gd_piece_rod(p.metal, on_axis(r, head, 0, lower_clamp_t + 0.08, 0), on_axis(r, head, 0, top_clamp_t - 0.06, 0), 0.1, 12,
               gd_livery_frame, true);
  for (int s : {-1, 1}) {
    // Twin spars from the head tube to the swingarm pivot, the cradle under
    // the engine and the subframe under the seat.
    tubes(p.metal, {at(s * 0.12, 3.25, 2.42), at(s * 0.3, 2.95, 3.1), at(s * 0.32, 2.25, 3.9), at(s * 0.3, 1.55, 4.02)},
          0.05, 0.1, gd_livery_frame);
    tubes(p.metal, {at(s * 0.04, 1.75, 2.66), at(s * 0.15, 1.12, 2.95), at(s * 0.15, 1.05, 3.85), at(s * 0.25, 1.45, 4.05)},
          0.045, 0.05, gd_livery_frame);
    tubes(p.metal, {at(s * 0.26, 2.75, 3.6), at(s * 0.2, 2.95, 5.55)}, 0.03, 0.035, gd_livery_frame);
    tubes(p.metal, {at(s * 0.3, 2.05, 4.0), at(s * 0.21, 2.88, 5.2)}, 0.03, 0.035, gd_livery_frame);
  }
  tubes(p.metal, {at(0, 3.05, 2.36), at(0, 1.7, 2.7)}, 0.06, 0.07, gd_livery_frame);  // down tube

  // Engine: crankcase, covers, cylinder and head.
  gd_piece_slab(p.metal, {{3.0, 1.08}, {3.85, 1.08}, {4.02, 1.5}, {3.88, 1.92}, {3.2, 1.9}, {2.9, 1.52}}, -0.28, 0.28,
                gd_livery_engine, gd_livery_engine);
  gd_piece_rod(p.metal, at(0.27, 1.5, 3.45), at(0.36, 1.5, 3.45), 0.3, 14, gd_livery_engine, true);     // clutch
  gd_piece_rod(p.metal, at(-0.27, 1.45, 3.62), at(-0.35, 1.45, 3.62), 0.24, 14, gd_livery_engine, true);  // ignition
  if (family.two_stroke) {
    gd_piece_beam(p.metal, at(0, 1.85, 3.25), at(0, 2.38, 3.05), 0.2, 0.2, side_x, gd_livery_engine);
    gd_piece_beam(p.metal, at(0, 2.36, 3.06), at(0, 2.52, 3.0), 0.22, 0.22, side_x, gd_livery_engine);
    // Expansion chamber under the radiators and back along the right, then the silencer.
    pipe(p.metal,
         {at(0, 2.15, 2.95), at(0.04, 2.0, 2.55), at(0.18, 1.6, 2.5), at(0.3, 1.42, 2.95), at(0.36, 1.62, 3.75),
          at(0.42, 1.95, 4.3), at(0.5, 2.1, 4.55)},
         {0.09, 0.12, 0.18, 0.21, 0.17, 0.1, 0.07}, gd_livery_exhaust);
    gd_piece_rod(p.metal, at(0.5, 2.08, 4.5), at(0.5, 2.55, 5.75), 0.13, 14, gd_livery_exhaust, true);
  } else {
    gd_piece_beam(p.metal, at(0, 1.85, 3.3), at(0, 2.42, 3.12), 0.22, 0.22, side_x, gd_livery_engine);
    gd_piece_beam(p.metal, at(0, 2.4, 3.125), at(0, 2.68, 3.03), 0.25, 0.25, side_x, gd_livery_engine);
    // Header from the front of the head round the right, then the silencer.
    pipe(p.metal,
         {at(0, 2.45, 2.95), at(0.08, 2.3, 2.62), at(0.25, 1.95, 2.55), at(0.36, 1.62, 2.85), at(0.4, 1.7, 3.6),
          at(0.46, 1.95, 4.25), at(0.5, 2.05, 4.5)},
         {0.065, 0.065, 0.065, 0.065, 0.065, 0.065, 0.065}, gd_livery_exhaust);
    gd_piece_rod(p.metal, at(0.5, 2.02, 4.42), at(0.5, 2.6, 5.95), 0.15, 14, gd_livery_exhaust, true);
  }

  // Radiators behind the shrouds, shock absorber with its coloured spring.
  for (int s : {-1, 1}) gd_mesh_box(p.metal, at(s * 0.23, 2.3, 2.68), {0.12, 0.4, 0.09}, gd_livery_grille);
  gd_piece_rod(p.metal, at(0, 2.7, 3.98), at(0, 1.5, 4.35), 0.07, 10, gd_livery_bar, true);
  gd_piece_rod(p.plastic, at(0, 2.45, 4.06), at(0, 1.75, 4.27), 0.12, 12, gd_livery_plastic, false);
  gd_piece_rod(p.metal, at(0.12, 2.7, 4.0), at(0.12, 2.35, 4.1), 0.06, 10, gd_livery_bar, true);  // reservoir

  // Plastics: tank, shrouds, side panels (plate colour) and the rear fender.
  gd_piece_slab(p.plastic, {{2.45, 3.2}, {3.4, 3.06}, {3.62, 2.92}, {3.5, 2.45}, {2.78, 2.32}, {2.38, 2.6}}, -0.34,
                0.34, gd_livery_tank, gd_livery_plastic);
  slab_pair(p.plastic, {{2.3, 3.15}, {3.32, 3.06}, {3.52, 2.62}, {3.02, 1.98}, {2.46, 1.88}, {2.24, 2.4}}, 0.35, 0.42,
            gd_livery_graphic, gd_livery_plastic);
  slab_pair(p.plastic, {{4.22, 2.93}, {5.5, 2.93}, {5.6, 2.83}, {5.25, 2.22}, {4.42, 2.18}, {4.2, 2.5}},
            side_panel_inner, side_panel_outer, gd_livery_plate, gd_livery_plastic);
  gd_piece_slab(p.plastic, {{5.2, 3.0}, {6.15, 3.09}, {6.2, 2.95}, {5.3, 2.9}}, -0.24, 0.24, gd_livery_second,
                gd_livery_second);
  gd_piece_slab(p.plastic, {{6.05, 3.07}, {7.0, 3.26}, {7.08, 3.18}, {6.1, 2.95}}, -0.24, 0.24, gd_livery_second,
                gd_livery_second);

  // Seat, airbox, skid plate.
  gd_piece_slab(p.matte, {{3.35, 3.0}, {3.7, 3.14}, {5.0, 3.19}, {5.95, 3.16}, {6.06, 3.06}, {5.9, 2.93}, {3.5, 2.9}},
                -0.27, 0.27, gd_livery_seat, gd_livery_seat);
  gd_mesh_box(p.matte, at(0, 2.55, 4.75), {0.22, 0.3, 0.38}, gd_livery_black);
  gd_mesh_box(p.matte, at(0, 1.02, 3.45), {0.25, 0.04, 0.5}, gd_livery_black);

  // Foot pegs at the catalogue's foot points, with their mounts; brake
  // pedal on the right, gear lever on the left.
  for (int s : {0, 1}) {
    GdVec peg = gd_vec_add(r.frame, r.peg[s]);
    double out = peg.x < 0 ? -1 : 1;
    gd_mesh_box(p.metal, at(peg.x - out * 0.05, peg.y, peg.z), {0.17, 0.035, 0.07}, gd_livery_bar);
    gd_piece_beam(p.metal, at(out * 0.28, peg.y + 0.08, peg.z - 0.08), at(out * 0.4, peg.y, peg.z), 0.03, 0.03, side_x,
                  gd_livery_frame);
  }
  gd_piece_beam(p.metal, at(0.36, 1.52, 4.05), at(0.4, 1.38, 3.4), 0.02, 0.03, side_x, gd_livery_bar);
  gd_piece_beam(p.metal, at(-0.34, 1.65, 3.75), at(-0.42, 1.56, 3.3), 0.02, 0.03, side_x, gd_livery_bar);
  return finish(p, r.frame);
}

GdModel gd_bike_fork_upper_model(const GdBikeRest& r) {
  Parts p;
  GdVec u = r.fork_upper;
  double leg = r.fork_spacing / 2;
  GdPlace axes = fork_axes(r);
  // The outer fork tubes in their clamps, and the steering stem.
  for (int s : {-1, 1}) {
    gd_piece_rod(p.metal, on_axis(r, u, s * leg, -0.95, 0), on_axis(r, u, s * leg, tube_top_t, 0), 0.115, 14,
                 gd_livery_fork_tube, true);
  }
  gd_piece_block(p.metal, on_axis(r, u, 0, top_clamp_t, 0), axes, {0.56, 0.05, 0.16}, gd_livery_bar);
  gd_piece_block(p.metal, on_axis(r, u, 0, lower_clamp_t, 0), axes, {0.56, 0.09, 0.18}, gd_livery_bar);
  gd_piece_rod(p.metal, on_axis(r, u, 0, lower_clamp_t, 0), on_axis(r, u, 0, top_clamp_t, 0), 0.06, 8, gd_livery_bar,
               false);

  // Handlebar through the catalogue's grip points: clamped low in the
  // middle on two risers from the top clamp, rising through its bends to
  // the grips; levers and the crossbar pad.
  GdVec grip[2] = {gd_vec_add(u, r.grip[0]), gd_vec_add(u, r.grip[1])};
  GdVec mid = {0, grip[0].y - 0.28, grip[0].z - 0.06};
  for (int s : {0, 1}) {
    double out = grip[s].x < 0 ? -1 : 1;
    GdVec along = gd_vec_unit({out * 0.4, 0.025, 0.015});
    GdVec inner = gd_vec_sub(grip[s], gd_vec_scale(along, 0.25)), outer = gd_vec_add(grip[s], gd_vec_scale(along, 0.15));
    GdVec clamp = {out * 0.3, mid.y, mid.z}, bend = {out * 0.55, grip[s].y - 0.07, grip[s].z - 0.02};
    pipe(p.metal, {clamp, bend, inner}, {0.045, 0.045, 0.045}, gd_livery_bar);
    gd_piece_ellipsoid(p.metal, inner, {0.045, 0.045, 0.045}, 8, 4, gd_livery_bar);
    gd_piece_rod(p.matte, inner, outer, 0.065, 10, gd_livery_black, true);
    gd_piece_rod(p.metal, on_axis(r, u, out * 0.15, top_clamp_t, 0), {out * 0.15, mid.y, mid.z}, 0.05, 8,
                 gd_livery_bar, true);
    gd_piece_beam(p.metal, gd_vec_add(inner, {out * 0.03, 0.02, -0.02}),
                  {grip[s].x + out * 0.12, grip[s].y, grip[s].z - 0.22}, 0.015, 0.025, side_x, gd_livery_bar);
  }
  gd_piece_rod(p.metal, {-0.3, mid.y, mid.z}, {0.3, mid.y, mid.z}, 0.05, 10, gd_livery_bar, false);
  gd_mesh_box(p.matte, {0, mid.y + 0.16, mid.z}, {0.28, 0.05, 0.05}, gd_livery_black);

  // The front number plate (painted in the plate colour) and the front
  // fender over the tyre, on a bracket under the lower clamp.
  gd_piece_block(p.plastic, on_axis(r, u, 0, plate_t, plate_ahead), axes,
                 {plate_half_width, plate_half_height, plate_thickness}, gd_livery_plate);
  GdVec axle = r.front_axle;
  const double rho = 1.45;
  for (int k = 0; k < 9; ++k) {
    double a0 = (35 + 10 * k) * pi / 180, a1 = a0 + 10 * pi / 180;
    GdVec q0 = {0, axle.y + rho * std::sin(a0), axle.z - rho * std::cos(a0)};
    GdVec q1 = {0, axle.y + rho * std::sin(a1), axle.z - rho * std::cos(a1)};
    gd_piece_beam(p.plastic, q0, q1, 0.27, 0.02, side_x, gd_livery_plastic);
  }
  gd_piece_beam(p.matte, {0, axle.y + rho * 0.985, axle.z + 0.35}, on_axis(r, u, 0, lower_clamp_t - 0.08, 0.05), 0.1, 0.03, side_x,
                gd_livery_black);
  return finish(p, r.fork_upper);
}

GdModel gd_bike_fork_lower_model(const GdBikeRest& r) {
  Parts p;
  GdVec l = r.fork_lower, axle = r.front_axle;
  double leg = r.fork_spacing / 2;
  GdPlace axes = fork_axes(r);
  for (int s : {-1, 1}) {
    // Inner tubes sliding up into the outer ones, axle lugs, fork guards.
    gd_piece_rod(p.metal, on_axis(r, l, s * leg, -0.72, 0), on_axis(r, l, s * leg, 0.75, 0), 0.085, 12,
                 gd_livery_fork_tube, true);
    GdVec lug = gd_vec_add({s * leg, axle.y, axle.z}, gd_vec_scale(steering_axis(r), 0.05));
    gd_piece_block(p.metal, lug, axes, {0.075, 0.2, 0.11}, gd_livery_black);
    gd_piece_block(p.plastic, on_axis(r, l, s * leg, -0.05, 0.1), axes, {0.1, 0.42, 0.025}, gd_livery_guard);
  }
  // Brake caliper on the left, behind the axle; the axle through both lugs.
  gd_mesh_box(p.metal, {-0.24, axle.y + 0.2, axle.z + 0.3}, {0.05, 0.12, 0.1}, gd_livery_engine);
  gd_piece_beam(p.metal, {-leg, axle.y + 0.1, axle.z + 0.05}, {-0.24, axle.y + 0.2, axle.z + 0.3}, 0.03, 0.03,
                {0, 1, 0}, gd_livery_engine);
  gd_piece_rod(p.metal, {-leg - 0.05, axle.y, axle.z}, {leg + 0.05, axle.y, axle.z}, 0.04, 8, gd_livery_bar, true);
  return finish(p, r.fork_lower);
}

GdModel gd_bike_swingarm_model(const GdBikeRest& r) {
  Parts p;
  GdVec pivot = r.pivot, axle = r.rear_axle;
  double arm = r.fork_spacing / 2;  // the arms clear the tyre as the fork legs do
  for (int s : {-1, 1}) {
    gd_piece_beam(p.metal, {s * 0.3, pivot.y, pivot.z}, {s * arm, axle.y + 0.03, axle.z + 0.05}, 0.05, 0.12, side_x,
                  gd_livery_swingarm);
    gd_mesh_box(p.metal, {s * arm, axle.y, axle.z}, {0.06, 0.1, 0.16}, gd_livery_bar);
  }
  gd_piece_rod(p.metal, {-0.34, pivot.y, pivot.z}, {0.34, pivot.y, pivot.z}, 0.07, 10, gd_livery_bar, true);
  gd_piece_beam(p.metal, {-0.34, pivot.y - 0.08, pivot.z + 0.37}, {0.34, pivot.y - 0.08, pivot.z + 0.37}, 0.06, 0.08,
                {0, 1, 0}, gd_livery_swingarm);
  // Chain on the left from the engine sprocket to the rear one, its slider;
  // the rear brake caliper on the right.
  const double chain_x = -0.31, sprocket = 0.42;
  gd_piece_beam(p.matte, {chain_x, pivot.y + 0.22, pivot.z - 0.16}, {chain_x, axle.y + sprocket, axle.z}, 0.02, 0.025,
                side_x, gd_livery_black);
  gd_piece_beam(p.matte, {chain_x, pivot.y - 0.08, pivot.z - 0.13}, {chain_x, axle.y - sprocket, axle.z}, 0.02, 0.025,
                side_x, gd_livery_black);
  gd_mesh_box(p.matte, {-0.33, pivot.y + 0.06, pivot.z + 0.27}, {0.05, 0.05, 0.25}, gd_livery_black);
  gd_mesh_box(p.metal, {0.31, axle.y + 0.28, axle.z - 0.18}, {0.04, 0.1, 0.12}, gd_livery_engine);
  return finish(p, r.swingarm);
}

GdModel gd_bike_side_plates_model(const GdBikeRest& r) {
  // The plates' texture shows the number across its middle: the plates take
  // the rows between 0.16 and 0.84 so that it keeps its shape on them.
  const GdUv band = {0, 0.16, 1, 0.84};
  Parts p;
  double x = side_panel_outer + decal_gap;
  double z0 = side_plate_front, z1 = side_plate_rear, y0 = side_plate_bottom, y1 = side_plate_top;
  // Seen from its own side each reads from left to right: front to rear on
  // the left of the bike, rear to front on the right.
  gd_mesh_quad(p.plastic, {-x, y0, z0}, {-x, y0, z1}, {-x, y1, z1}, {-x, y1, z0}, band);
  gd_mesh_quad(p.plastic, {x, y0, z1}, {x, y0, z0}, {x, y1, z0}, {x, y1, z1}, band);
  return finish(p, r.frame);
}

GdModel gd_bike_front_plate_model(const GdBikeRest& r) {
  Parts p;
  GdVec a = steering_axis(r);
  GdVec c = on_axis(r, r.fork_upper, 0, plate_t, plate_ahead + plate_thickness + decal_gap);
  GdVec w = {plate_half_width, 0, 0}, h = gd_vec_scale(a, plate_half_height);
  // Seen from ahead, the rider's left (-x) is on the right.
  gd_mesh_quad(p.plastic, gd_vec_sub(gd_vec_add(c, w), h), gd_vec_sub(gd_vec_sub(c, w), h),
               gd_vec_add(gd_vec_sub(c, w), h), gd_vec_add(gd_vec_add(c, w), h), gd_uv_whole);
  return finish(p, r.fork_upper);
}

GdModel gd_bike_wheel_model(double rim, double tyre, bool rear) {
  Parts p;
  // Tyre: the section squeezed to a motocross tyre's width, open at the bead.
  const double squeeze = rear ? 0.66 : 0.58, reach = 1.9;
  gd_piece_tyre(p.matte, rim, tyre, squeeze, reach, 24, 8, gd_wheels_tyre);
  double bead = rim + tyre * std::cos(reach), rim_inner = bead - 0.07, width = squeeze * tyre * std::sin(reach) * 0.7;
  // Rim: the band under the bead, its inside and its two flanks.
  gd_piece_rod(p.metal, {-width, 0, 0}, {width, 0, 0}, bead, 32, gd_wheels_rim, false);
  gd_piece_tube_inside(p.metal, {-width, 0, 0}, {width, 0, 0}, rim_inner, 32, gd_wheels_rim);
  gd_piece_annulus(p.metal, {width, 0, 0}, {1, 0, 0}, rim_inner, bead, 32, gd_wheels_rim);
  gd_piece_annulus(p.metal, {-width, 0, 0}, {-1, 0, 0}, rim_inner, bead, 32, gd_wheels_rim);
  // Hub and its flanges, and the spokes laced from alternate flanges.
  gd_piece_rod(p.metal, {-0.26, 0, 0}, {0.26, 0, 0}, 0.11, 12, gd_wheels_hub, true);
  for (int s : {-1, 1}) gd_piece_rod(p.metal, {s * 0.17, 0, 0}, {s * 0.2, 0, 0}, 0.19, 12, gd_wheels_hub, true);
  const int spokes = 32;
  for (int k = 0; k < spokes; ++k) {
    double a = 2 * pi * k / spokes, s = k % 2 ? -1 : 1, lead = s * 0.25;
    GdVec hub = {s * 0.185, 0.17 * std::sin(a + lead), 0.17 * std::cos(a + lead)};
    GdVec end = {s * width * 0.5, (rim_inner + 0.01) * std::sin(a), (rim_inner + 0.01) * std::cos(a)};
    gd_piece_beam(p.metal, hub, end, 0.012, 0.012, side_x, gd_wheels_spoke);
  }
  // Brake disc: front on the left, rear on the right with the sprocket on the left.
  double disc_x = rear ? 0.22 : -0.22, disc_r = rear ? 0.36 : 0.42, t = disc_x < 0 ? -0.02 : 0.02;
  gd_piece_rod(p.metal, {disc_x, 0, 0}, {disc_x + t, 0, 0}, disc_r, 24, gd_wheels_disc, true);
  if (rear) gd_piece_rod(p.metal, {-0.22, 0, 0}, {-0.24, 0, 0}, 0.42, 24, gd_wheels_sprocket, true);
  return finish(p, {0, 0, 0});
}
