// The rider: the skinned body in riding gear, the first-person body, the
// number on the back and the helmet. At rest the rider stands upright in
// the rider body's coordinates with the arms straight out to the sides and
// the legs straight down, so that every limb segment starts at its bone's
// centre (the catalogue's drawing points) and runs along the line to the
// next joint.
#include <cstdio>

#include "gamedata/art_bikes.h"
#include "gamedata/art_bikes_pieces.h"

namespace {

struct RiderParts {
  GdSkinnedMesh fabric;  // jersey, pants, gloves
  GdSkinnedMesh hard;    // boots, knee braces
};

// Appends a piece that moves with one bone.
void add(GdSkinnedMesh& into, const GdMesh& piece, int bone) {
  int base = int(into.mesh.vertices.size());
  into.mesh.vertices.insert(into.mesh.vertices.end(), piece.vertices.begin(), piece.vertices.end());
  for (int i : piece.triangles) into.mesh.triangles.push_back(base + i);
  for (size_t v = 0; v < piece.vertices.size(); ++v)
    for (int b = 0; b < GD_RIDER_BONES; ++b) into.weights.push_back(b == bone ? 1.0 : 0.0);
}

void material(GdMesh& m, double shininess, double specular) {
  m.shininess = shininess;
  m.specular[0] = m.specular[1] = m.specular[2] = specular;
}

GdSkinnedModel skinned(RiderParts& p) {
  material(p.fabric.mesh, 8, 0.08);
  material(p.hard.mesh, 30, 0.3);
  GdSkinnedModel m;
  for (GdSkinnedMesh* mesh : {&p.fabric, &p.hard})
    if (!mesh->mesh.triangles.empty()) m.meshes.push_back(std::move(*mesh));
  return m;
}

GdMesh rod(GdVec a, GdVec b, double radius, GdUv uv) {
  GdMesh m;
  gd_piece_rod(m, a, b, radius, 12, uv, true);
  return m;
}

GdMesh ball(GdVec c, GdVec radii, GdUv uv) {
  GdMesh m;
  gd_piece_ellipsoid(m, c, radii, 12, 6, uv);
  return m;
}

// The back of the jersey, where the number goes.
const double back_z = 0.3, back_half_width = 0.46;
const double back_panel_gap = 0.004;
const double plate_half_width = 0.3, plate_bottom = 0.05, plate_top = 0.65, decal_gap = 0.012;

}  // namespace

GdSkinnedModel gd_rider_body_model(const GdBikeRest& r, bool first_person) {
  RiderParts p;
  const GdVec* c = r.bone_centre;
  if (!first_person) {
    // Chest and neck.
    GdMesh chest;
    gd_piece_slab(chest, {{back_z, 0.92}, {back_z, -0.5}, {-0.34, -0.5}, {-0.38, 0.45}, {-0.26, 0.92}},
                  -back_half_width, back_half_width, gd_gear_jersey, gd_gear_jersey);
    // The plain back panel where the number goes, over the back of the chest.
    gd_mesh_quad(chest, {-back_half_width, -0.5, back_z + back_panel_gap}, {back_half_width, -0.5, back_z + back_panel_gap},
                 {back_half_width, 0.92, back_z + back_panel_gap}, {-back_half_width, 0.92, back_z + back_panel_gap},
                 gd_gear_back);
    add(p.fabric, chest, GD_BONE_TORSO);
    add(p.fabric, rod({0, 0.85, 0}, {0, 1.2, 0}, 0.14, gd_gear_jersey), GD_BONE_TORSO);
  }
  // Hips, tucked under the jersey.
  GdMesh hips;
  gd_piece_slab(hips, {{back_z - 0.01, -0.45}, {0.2, -0.98}, {-0.3, -0.98}, {-0.33, -0.45}}, -0.44, 0.44,
                gd_gear_pants, gd_gear_pants);
  add(p.fabric, hips, GD_BONE_TORSO);

  for (int s : {0, 1}) {
    int forearm = GD_BONE_LEFT_FOREARM + s, upper = GD_BONE_LEFT_UPPER_ARM + s;
    int shin = GD_BONE_LEFT_SHIN + s, thigh = GD_BONE_LEFT_THIGH + s;
    GdVec shoulder = c[upper], elbow = c[forearm], hip = c[thigh], knee = c[shin];
    GdVec arm = gd_vec_unit(gd_vec_sub(elbow, shoulder)), leg = gd_vec_unit(gd_vec_sub(knee, hip));
    GdVec wrist = gd_vec_add(elbow, gd_vec_scale(arm, r.forearm));
    GdVec ankle = gd_vec_add(knee, gd_vec_scale(leg, r.shin));
    // Arm: shoulder, upper arm, elbow, forearm and glove round the grip.
    if (!first_person) add(p.fabric, ball(shoulder, {0.22, 0.22, 0.22}, gd_gear_sleeve), upper);
    add(p.fabric, rod(shoulder, elbow, 0.16, gd_gear_sleeve), upper);
    add(p.fabric, ball(elbow, {0.15, 0.15, 0.15}, gd_gear_sleeve), forearm);
    add(p.fabric, rod(elbow, wrist, 0.13, gd_gear_sleeve), forearm);
    add(p.fabric, ball(gd_vec_add(wrist, gd_vec_scale(arm, 0.04)), {0.16, 0.12, 0.13}, gd_gear_glove), forearm);
    // Leg: hip, thigh, knee brace, shin, boot with its foot on the peg.
    add(p.fabric, ball(hip, {0.23, 0.23, 0.23}, gd_gear_pants), thigh);
    add(p.fabric, rod(hip, knee, 0.21, gd_gear_pants), thigh);
    add(p.hard, ball(knee, {0.2, 0.2, 0.2}, gd_gear_pad), shin);
    add(p.fabric, rod(knee, gd_vec_add(knee, gd_vec_scale(leg, 0.55)), 0.18, gd_gear_pants), shin);
    add(p.hard, rod(gd_vec_add(knee, gd_vec_scale(leg, 0.45)), ankle, 0.19, gd_gear_boot), shin);
    GdMesh foot;
    gd_mesh_box(foot, gd_vec_add(ankle, {0, 0.02, -0.1}), {0.12, 0.09, 0.33}, gd_gear_boot);
    add(p.hard, foot, shin);
  }
  return skinned(p);
}

GdSkinnedModel gd_rider_plate_model(const GdBikeRest&) {
  RiderParts p;
  GdMesh plate;
  double z = back_z + decal_gap, w = plate_half_width;
  // Seen from behind, the rider's right (+x) is on the right.
  gd_mesh_quad(plate, {-w, plate_bottom, z}, {w, plate_bottom, z}, {w, plate_top, z}, {-w, plate_top, z},
               gd_uv_whole);
  add(p.fabric, plate, GD_BONE_TORSO);
  return skinned(p);
}

GdModel gd_rider_head_model(const GdBikeRest&) {
  GdMesh shell, lens;
  material(shell, 60, 0.5);
  material(lens, 90, 0.8);
  gd_piece_ellipsoid(shell, {0, 1.42, 0.02}, {0.36, 0.4, 0.44}, 16, 10, gd_helmet_shell);
  gd_piece_slab(shell, {{-0.22, 1.22}, {-0.5, 1.14}, {-0.46, 0.98}, {-0.15, 1.0}}, -0.26, 0.26, gd_helmet_chin,
                gd_helmet_chin);
  gd_piece_slab(shell, {{-0.22, 1.74}, {-0.64, 1.66}, {-0.62, 1.61}, {-0.28, 1.64}}, -0.3, 0.3, gd_helmet_peak,
                gd_helmet_peak);
  gd_mesh_box(lens, {0, 1.42, -0.36}, {0.28, 0.08, 0.12}, gd_helmet_lens);
  GdModel m;
  m.meshes.push_back(std::move(shell));
  m.meshes.push_back(std::move(lens));
  return m;
}

std::string gd_skinned_text(const GdSkinnedModel& model) {
  std::string out = "JM2\n" + std::to_string(GD_RIDER_BONES) + " rider\n";
  char line[256];
  for (const GdSkinnedMesh& sm : model.meshes) {
    const GdMesh& m = sm.mesh;
    snprintf(line, sizeof line, "%.3f %.3f %.3f %.3f %.3f %d %d\n", m.shininess, m.alpha, m.specular[0],
             m.specular[1], m.specular[2], int(m.vertices.size()), int(m.triangles.size() / 3));
    out += line;
    for (size_t i = 0; i < m.vertices.size(); ++i) {
      const GdVertex& v = m.vertices[i];
      snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f", v.p.x, v.p.y, v.p.z, v.n.x, v.n.y,
               v.n.z, v.u, v.v);
      out += line;
      for (int b = 0; b < GD_RIDER_BONES; ++b) {
        snprintf(line, sizeof line, " %.3g", sm.weights[i * GD_RIDER_BONES + size_t(b)]);
        out += line;
      }
      out += "\n";
    }
    for (size_t t = 0; t + 2 < m.triangles.size(); t += 3) {
      snprintf(line, sizeof line, "%d %d %d\n", m.triangles[t], m.triangles[t + 1], m.triangles[t + 2]);
      out += line;
    }
  }
  return out;
}
