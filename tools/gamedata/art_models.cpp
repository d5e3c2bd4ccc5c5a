// Scenery models: start gate, banners on posts, hay bale, canopy tent, tree
// and announcer's tower, each with its texture and (where riders may hit
// it) a collision shape of a few spheres.
#include <cmath>

#include "gamedata/art_names.h"
#include "gamedata/art_scenery.h"
#include "gamedata/gd_draw.h"
#include "gamedata/gd_model.h"
#include "gamedata/gd_noise.h"

static void add_text(GdPlan& plan, const std::string& archive, const char* name, const std::string& text) {
  gd_plan_add_text(plan, archive, name[0] == '@' ? name + 1 : name, GD_PLAIN, text);
}

// Multiplies the colour of every pixel inside the box by 1 - depth + 2 depth n,
// n fractal noise repeating over the image.
static void grain(GdImage& im, int x0, int y0, int x1, int y1, double depth, int cells, uint32_t seed) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      double n = gd_fbm(double(x) / im.width, double(y) / im.height, cells, 4, seed);
      unsigned char* p = gd_image_pixel(im, x, y);
      for (int c = 0; c < 3; ++c) p[c] = gd_byte(p[c] / 255.0 * (1 - depth + 2 * depth * n));
    }
}

static GdImage startgate_texture() {
  GdImage im;
  gd_image_make(im, 128, 128, 3, 0);
  // Left half: a steel grate; right half: yellow and black stripes.
  gd_draw_rect(im, 0, 0, 64, 128, {0.55, 0.57, 0.60, 1});
  for (int y = 4; y < 128; y += 12)
    for (int x = 4; x < 60; x += 12) gd_draw_rect(im, x, y, x + 7, y + 7, {0.18, 0.18, 0.2, 1});
  gd_draw_rect(im, 64, 0, 128, 128, {0.95, 0.78, 0.10, 1});
  for (int k = -4; k < 8; ++k) {
    double x = 64 + k * 24;
    gd_draw_shape(
        im, 64, 0, 128, 128, [&](double px, double py) { double d = px - x - py * 0.5; return d >= 0 && d < 12; },
        {0.08, 0.08, 0.08, 1});
  }
  grain(im, 0, 0, 128, 128, 0.12, 8, 101);
  return im;
}

static GdImage banner_texture() {
  GdImage im;
  gd_image_make(im, 256, 128, 3, 0);
  // Cloth (top 3/4, repeating along the span): white with a blue band and
  // red chevrons; posts (bottom quarter): grey steel.
  gd_draw_rect(im, 0, 0, 256, 96, {0.95, 0.95, 0.93, 1});
  gd_draw_rect(im, 0, 8, 256, 24, {0.12, 0.25, 0.62, 1});
  gd_draw_rect(im, 0, 72, 256, 88, {0.12, 0.25, 0.62, 1});
  for (int k = 0; k < 4; ++k) {
    double cx = 32 + 64 * k;
    gd_draw_triangle(im, cx - 24, 32, cx + 8, 48, cx - 24, 64, {0.85, 0.12, 0.10, 1});
    gd_draw_triangle(im, cx - 4, 32, cx + 28, 48, cx - 4, 64, {0.85, 0.12, 0.10, 1});
  }
  gd_draw_rect(im, 0, 96, 256, 128, {0.5, 0.52, 0.55, 1});
  for (int x = 0; x < 256; x += 16) gd_draw_rect(im, x, 96, x + 2, 128, {0.38, 0.4, 0.42, 1});
  grain(im, 0, 0, 256, 128, 0.05, 16, 102);
  return im;
}

static GdImage haybale_texture() {
  GdImage im;
  gd_image_make(im, 128, 64, 3, 0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x) {
      double n = gd_noise(x / 2.0, y / 12.0, 64, 6, 103), m = gd_fbm(x / 128.0, y / 64.0, 4, 3, 104);
      double s = 0.7 + 0.35 * n;
      unsigned char* p = gd_image_pixel(im, x, y);
      p[0] = gd_byte(0.86 * s * (0.9 + 0.2 * m)), p[1] = gd_byte(0.72 * s * (0.9 + 0.2 * m)), p[2] = gd_byte(0.36 * s);
    }
  for (int x : {40, 88}) gd_draw_rect(im, x, 0, x + 3, 64, {0.45, 0.30, 0.15, 1});  // twine
  return im;
}

static GdImage tent_texture() {
  GdImage im;
  gd_image_make(im, 128, 128, 3, 0);
  for (int k = 0; k < 8; ++k)
    gd_draw_rect(im, k * 16, 0, k * 16 + 16, 64, k % 2 ? GdColour{0.95, 0.95, 0.95, 1} : GdColour{0.80, 0.12, 0.12, 1});
  gd_draw_rect(im, 0, 64, 128, 128, {0.62, 0.64, 0.66, 1});
  grain(im, 0, 0, 128, 128, 0.05, 8, 105);
  return im;
}

static GdImage tree_texture() {
  GdImage im;
  gd_image_make(im, 128, 128, 3, 0);
  // Left quarter: bark; the rest: needles.
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      unsigned char* p = gd_image_pixel(im, x, y);
      if (x < 32) {
        double n = gd_noise(x / 3.0, y / 16.0, 11, 8, 106);
        p[0] = gd_byte(0.36 * (0.7 + 0.5 * n)), p[1] = gd_byte(0.25 * (0.7 + 0.5 * n)), p[2] = gd_byte(0.16 * (0.7 + 0.5 * n));
      } else {
        double n = gd_fbm(x / 128.0, y / 128.0, 8, 4, 107), f = gd_noise(x / 2.0, y / 2.0, 64, 64, 108);
        double s = 0.6 + 0.5 * n + 0.25 * (f - 0.5);
        p[0] = gd_byte(0.10 * s), p[1] = gd_byte(0.30 * s), p[2] = gd_byte(0.12 * s);
      }
    }
  return im;
}

static GdImage tower_texture() {
  GdImage im;
  gd_image_make(im, 128, 128, 3, 0);
  // Top half: plank walls with a dark window band; bottom half: legs and roof.
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x) {
      unsigned char* p = gd_image_pixel(im, x, y);
      double n = gd_noise(x / 16.0, y / 1.5, 8, 43, 109), plank = (y % 8) == 0 ? 0.7 : 1.0;
      double s = (0.75 + 0.3 * n) * plank;
      p[0] = gd_byte(0.62 * s), p[1] = gd_byte(0.46 * s), p[2] = gd_byte(0.30 * s);
    }
  gd_draw_rect(im, 8, 10, 120, 30, {0.12, 0.16, 0.2, 1});
  for (int x = 8; x <= 120; x += 28) gd_draw_rect(im, x, 10, x + 3, 30, {0.85, 0.85, 0.8, 1});
  gd_draw_rect(im, 0, 64, 128, 128, {0.42, 0.32, 0.22, 1});
  grain(im, 0, 64, 128, 128, 0.15, 8, 110);
  return im;
}

static const GdUv whole = {0, 0, 1, 1};

static GdModel startgate_model() {
  GdModel m;
  GdMesh mesh;
  // The grate hinged at the object's origin, lying toward the riders (+z)
  // when down; the hinge bar across the track.
  gd_mesh_box(mesh, {0, 0.06, 1.2}, {1.6, 0.06, 1.1}, {0, 0, 0.5, 1});
  gd_mesh_box(mesh, {0, 0.15, 0}, {1.72, 0.15, 0.15}, {0.5, 0, 1, 1});
  mesh.specular[0] = mesh.specular[1] = mesh.specular[2] = 0.35;
  mesh.shininess = 24;
  m.meshes.push_back(mesh);
  return m;
}

// Two posts `span` feet apart (across the object's x axis) holding a banner
// 12 to 15 ft up.
static GdModel banner_model(double span) {
  GdModel m;
  GdMesh mesh;
  double h = span / 2;
  for (double x : {-h, h}) gd_mesh_box(mesh, {x, 8, 0}, {0.3, 8, 0.3}, {0, 0.75, 1, 1});
  double repeat = std::max(1.0, std::round(span / 8));
  gd_mesh_box(mesh, {0, 13.5, 0}, {h - 0.3, 1.5, 0.08}, {0, 0, repeat, 0.75});
  m.meshes.push_back(mesh);
  return m;
}

static GdModel haybale_model() {
  GdModel m;
  GdMesh mesh;
  gd_mesh_box(mesh, {0, 1, 0}, {2, 1, 1}, whole);
  mesh.specular[0] = mesh.specular[1] = mesh.specular[2] = 0.02;
  m.meshes.push_back(mesh);
  return m;
}

static GdModel tent_model() {
  GdModel m;
  GdMesh mesh;
  const double s = 5, eave = 7, apex = 9.5;
  for (double x : {-s + 0.2, s - 0.2})
    for (double z : {-s + 0.2, s - 0.2}) gd_mesh_box(mesh, {x, eave / 2, z}, {0.12, eave / 2, 0.12}, {0, 0.5, 1, 1});
  GdVec corner[4] = {{-s, eave, s}, {s, eave, s}, {s, eave, -s}, {-s, eave, -s}};
  GdVec top{0, apex, 0};
  for (int k = 0; k < 4; ++k) {
    GdVec a = corner[k], b = corner[(k + 1) % 4];
    const double uv[6] = {0, 0.5, 1, 0.5, 0.5, 0};
    gd_mesh_triangle(mesh, a, b, top, uv);   // outside
    gd_mesh_triangle(mesh, b, a, top, uv);   // underside, seen from below
    // The valance hanging from the eaves, both sides.
    GdVec a2{a.x, eave - 0.7, a.z}, b2{b.x, eave - 0.7, b.z};
    gd_mesh_quad(mesh, a2, b2, b, a, {0, 0.3, 1, 0.5});
    gd_mesh_quad(mesh, b2, a2, a, b, {0, 0.3, 1, 0.5});
  }
  m.meshes.push_back(mesh);
  return m;
}

static GdModel tree_model(bool low) {
  GdModel m;
  GdMesh mesh;
  GdUv bark{0, 0, 0.25, 1}, needles{0.25, 0, 1, 1};
  gd_mesh_cylinder(mesh, {0, 0, 0}, 0.7, 7, low ? 5 : 8, bark);
  if (low) {
    gd_mesh_cone(mesh, {0, 4, 0}, 5.5, 14, 6, needles);
    gd_mesh_cone(mesh, {0, 11, 0}, 3.5, 9, 6, needles);
  } else {
    gd_mesh_cone(mesh, {0, 4, 0}, 6, 9, 12, needles);
    gd_mesh_cone(mesh, {0, 8.5, 0}, 4.5, 8, 10, needles);
    gd_mesh_cone(mesh, {0, 13, 0}, 3, 7, 8, needles);
  }
  mesh.specular[0] = mesh.specular[1] = mesh.specular[2] = 0.03;
  m.meshes.push_back(mesh);
  return m;
}

static GdModel tower_model() {
  GdModel m;
  GdMesh mesh;
  for (double x : {-3.5, 3.5})
    for (double z : {-3.5, 3.5}) gd_mesh_box(mesh, {x, 5, z}, {0.3, 5, 0.3}, {0, 0.5, 1, 1});
  gd_mesh_box(mesh, {0, 13, 0}, {4, 3, 4}, {0, 0, 1, 0.5});
  gd_mesh_box(mesh, {0, 16.3, 0}, {4.6, 0.3, 4.6}, {0, 0.5, 1, 1});
  m.meshes.push_back(mesh);
  return m;
}

bool gd_art_models(GdPlan& plan, const std::string& archive) {
  add_text(plan, archive, GD_ART_STARTGATE_MODEL, gd_model_text(startgate_model()));
  add_text(plan, archive, GD_ART_BANNER_MODEL, gd_model_text(banner_model(40)));
  add_text(plan, archive, GD_ART_BANNER_WIDE_MODEL, gd_model_text(banner_model(96)));
  add_text(plan, archive, GD_ART_HAYBALE_MODEL, gd_model_text(haybale_model()));
  add_text(plan, archive, GD_ART_TENT_MODEL, gd_model_text(tent_model()));
  add_text(plan, archive, GD_ART_TREE_MODEL, gd_model_text(tree_model(false)));
  // A plainer tree from 64 ft away (a "_lod" variant beside the model).
  add_text(plan, archive, GD_ART_DIR "tree_lod6.jm", gd_model_text(tree_model(true)));
  add_text(plan, archive, GD_ART_TOWER_MODEL, gd_model_text(tower_model()));

  const double mu = 0.5, kp = 1500, kd = 60;
  add_text(plan, archive, GD_ART_HAYBALE_SHAPE,
           gd_shape_text({{-1, 1, 0, 1.05, mu, kp, kd}, {1, 1, 0, 1.05, mu, kp, kd}}));
  std::vector<GdSphere> legs;
  for (double x : {-4.8, 4.8})
    for (double z : {-4.8, 4.8}) legs.push_back({x, 1.5, z, 0.5, mu, kp, kd});
  add_text(plan, archive, GD_ART_TENT_SHAPE, gd_shape_text(legs));
  add_text(plan, archive, GD_ART_TREE_SHAPE,
           gd_shape_text({{0, 1, 0, 0.9, mu, kp, kd}, {0, 3, 0, 0.9, mu, kp, kd}}));
  std::vector<GdSphere> stilts;
  for (double x : {-3.5, 3.5})
    for (double z : {-3.5, 3.5}) stilts.push_back({x, 1.5, z, 0.6, mu, kp, kd});
  add_text(plan, archive, GD_ART_TOWER_SHAPE, gd_shape_text(stilts));

  return gd_art_add_png(plan, archive, GD_ART_STARTGATE_TEXTURE, startgate_texture()) &&
         gd_art_add_png(plan, archive, GD_ART_BANNER_TEXTURE, banner_texture()) &&
         gd_art_add_png(plan, archive, GD_ART_HAYBALE_TEXTURE, haybale_texture()) &&
         gd_art_add_png(plan, archive, GD_ART_TENT_TEXTURE, tent_texture()) &&
         gd_art_add_png(plan, archive, GD_ART_TREE_TEXTURE, tree_texture()) &&
         gd_art_add_png(plan, archive, GD_ART_TOWER_TEXTURE, tower_texture());
}
