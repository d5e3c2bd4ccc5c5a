// Billboard sprites (trees, a bush, a crowd), the flaggers' poses, the
// ground decals, the roost particle and the lens flare pieces: RGBA images
// on a transparent background.
#include <cmath>
#include <cstdio>

#include "gamedata/art_names.h"
#include "gamedata/art_scenery.h"
#include "gamedata/gd_draw.h"
#include "gamedata/gd_noise.h"

static GdImage clear(int w, int h) {
  GdImage im;
  gd_image_make(im, w, h, 4, 0);
  return im;
}

// Varies the colour of every visible pixel with noise, leaving alpha alone.
static void mottle(GdImage& im, double depth, int cells, uint32_t seed) {
  for (int y = 0; y < im.height; ++y)
    for (int x = 0; x < im.width; ++x) {
      unsigned char* p = gd_image_pixel(im, x, y);
      if (!p[3]) continue;
      double n = gd_fbm(double(x) / im.width, double(y) / im.height, cells, 4, seed);
      for (int c = 0; c < 3; ++c) p[c] = gd_byte(p[c] / 255.0 * (1 - depth + 2 * depth * n));
    }
}

static GdImage pine() {
  GdImage im = clear(128, 256);
  gd_draw_rect(im, 58, 196, 70, 256, {0.36, 0.24, 0.14, 1});
  for (int k = 0; k < 5; ++k) {
    double top = 14 + k * 38, bottom = top + 70, half = 22 + k * 10;
    gd_draw_triangle(im, 64, top, 64 + half, bottom, 64 - half, bottom, {0.10 + 0.02 * k, 0.30 + 0.02 * k, 0.13, 1});
  }
  mottle(im, 0.3, 8, 201);
  return im;
}

static GdImage oak() {
  GdImage im = clear(256, 256);
  gd_draw_rect(im, 118, 150, 138, 256, {0.34, 0.25, 0.16, 1});
  gd_draw_line(im, 128, 190, 90, 140, 10, {0.34, 0.25, 0.16, 1});
  gd_draw_line(im, 128, 180, 170, 130, 10, {0.34, 0.25, 0.16, 1});
  GdRandom r{2024};
  for (int k = 0; k < 46; ++k) {
    double a = gd_random_range(r, 0, 6.2831853), d = gd_random_range(r, 0, 1);
    double cx = 128 + std::cos(a) * d * 80, cy = 100 + std::sin(a) * d * 62, rad = gd_random_range(r, 22, 38);
    double light = 0.75 + 0.35 * (1 - (cy - 40) / 140) - 0.15 * (cx - 128) / 128;
    gd_draw_ellipse(im, cx, cy, rad, rad * 0.85, {0.20 * light, 0.42 * light, 0.16 * light, 1});
  }
  mottle(im, 0.25, 8, 202);
  return im;
}

static GdImage bush() {
  GdImage im = clear(128, 64);
  GdRandom r{77};
  for (int k = 0; k < 14; ++k) {
    double cx = gd_random_range(r, 24, 104), cy = gd_random_range(r, 30, 46), rad = gd_random_range(r, 12, 20);
    gd_draw_ellipse(im, cx, cy, rad, rad * 0.8, {0.22, 0.40 + 0.1 * gd_random01(r), 0.15, 1});
  }
  mottle(im, 0.25, 8, 203);
  return im;
}

// A person seen from the front, standing in a 64 x 128 image with the feet
// at the bottom: shirt colour, arm poses (angles in radians from hanging
// straight down, positive toward the image's right) and a step.
struct Figure {
  GdColour shirt;
  double left_arm, right_arm;  // radians
  bool stride;
};

static void draw_figure(GdImage& im, const Figure& f, double& hand_x, double& hand_y) {
  GdColour skin{0.86, 0.66, 0.50, 1}, trousers{0.16, 0.18, 0.25, 1};
  if (f.stride) {
    gd_draw_line(im, 28, 84, 20, 124, 8, trousers);
    gd_draw_line(im, 36, 84, 44, 124, 8, trousers);
  } else {
    gd_draw_line(im, 28, 84, 27, 124, 8, trousers);
    gd_draw_line(im, 36, 84, 37, 124, 8, trousers);
  }
  gd_draw_rect(im, 22, 44, 42, 88, f.shirt);
  gd_draw_ellipse(im, 32, 34, 8, 9, skin);
  gd_draw_ellipse(im, 32, 27, 8.5, 4, {0.25, 0.18, 0.12, 1});  // hair
  double lx = 22 - 30 * std::sin(f.left_arm), ly = 48 + 30 * std::cos(f.left_arm);
  double rx = 42 + 30 * std::sin(f.right_arm), ry = 48 + 30 * std::cos(f.right_arm);
  gd_draw_line(im, 22, 48, lx, ly, 6, f.shirt);
  gd_draw_line(im, 42, 48, rx, ry, 6, f.shirt);
  gd_draw_ellipse(im, lx, ly, 3.5, 3.5, skin);
  gd_draw_ellipse(im, rx, ry, 3.5, 3.5, skin);
  hand_x = rx, hand_y = ry;
}

static GdImage flagger(bool waving) {
  GdImage im = clear(64, 128);
  double hx, hy;
  Figure f{{0.95, 0.45, 0.08, 1}, 0.15, waving ? 2.6 : 0.25, false};
  draw_figure(im, f, hx, hy);
  // A yellow flag on a short stick in the right hand.
  double tx = waving ? hx + 6 : hx + 2, ty = waving ? hy - 16 : hy + 14;
  gd_draw_line(im, hx, hy, tx, ty, 2, {0.3, 0.3, 0.3, 1});
  if (waving) gd_draw_triangle(im, tx, ty, tx - 16, ty + 2, tx - 6, ty + 12, {0.98, 0.86, 0.08, 1});
  else gd_draw_rect(im, tx - 1, ty - 12, tx + 8, ty, {0.98, 0.86, 0.08, 1});
  return im;
}

// The start flagger: 1 standing, 2 holding the board up, 3 board turned
// sideways, 4 board down, 5 walking away.
static GdImage starter(int pose) {
  GdImage im = clear(64, 128);
  double hx, hy;
  double arm = pose == 2 || pose == 3 ? 2.9 : 0.3;
  Figure f{{0.92, 0.92, 0.90, 1}, 0.2, arm, pose == 5};
  draw_figure(im, f, hx, hy);
  if (pose == 2) gd_draw_rect(im, hx - 12, hy - 20, hx + 8, hy - 2, {0.10, 0.55, 0.20, 1});
  if (pose == 3) gd_draw_rect(im, hx - 2, hy - 22, hx + 2, hy - 2, {0.10, 0.55, 0.20, 1});
  if (pose == 1 || pose == 4 || pose == 5) gd_draw_rect(im, hx - 2, hy - 4, hx + 10, hy + 12, {0.10, 0.55, 0.20, 1});
  return im;
}

// The second flagger: 1 standing, 2 green flag up, 3 white flag up, 4
// chequered flag waved (finish).
static GdImage marshal(int pose) {
  GdImage im = clear(64, 128);
  double hx, hy;
  Figure f{{0.15, 0.35, 0.75, 1}, 0.2, pose == 1 ? 0.3 : 2.7, false};
  draw_figure(im, f, hx, hy);
  if (pose == 1) return im;
  double tx = hx + 4, ty = hy - 18;
  gd_draw_line(im, hx, hy, tx, ty, 2, {0.3, 0.3, 0.3, 1});
  if (pose == 2) gd_draw_rect(im, tx - 18, ty, tx, ty + 12, {0.10, 0.65, 0.20, 1});
  if (pose == 3) gd_draw_rect(im, tx - 18, ty, tx, ty + 12, {0.97, 0.97, 0.97, 1});
  if (pose == 4)
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 4; ++i)
        gd_draw_rect(im, tx - 18 + i * 4.5, ty + j * 4, tx - 13.5 + i * 4.5, ty + 4 + j * 4,
                     (i + j) % 2 ? GdColour{0.05, 0.05, 0.05, 1} : GdColour{0.97, 0.97, 0.97, 1});
  return im;
}

static GdImage crowd() {
  GdImage im = clear(256, 64);
  GdRandom r{5150};
  static const GdColour shirts[] = {{0.8, 0.1, 0.1, 1},  {0.1, 0.3, 0.8, 1}, {0.95, 0.8, 0.1, 1},
                                    {0.2, 0.6, 0.2, 1},  {0.9, 0.9, 0.9, 1}, {0.1, 0.1, 0.1, 1},
                                    {0.95, 0.5, 0.1, 1}, {0.5, 0.2, 0.6, 1}};
  for (int k = 0; k < 11; ++k) {
    double x = 14 + k * 23 + gd_random_range(r, -4, 4), h = gd_random_range(r, 0, 6);
    GdColour shirt = shirts[gd_random_next(r) % 8];
    GdColour skin{0.55 + 0.35 * gd_random01(r), 0.40 + 0.25 * gd_random01(r), 0.30 + 0.2 * gd_random01(r), 1};
    gd_draw_rect(im, x - 3, 46 + h, x + 3, 64, {0.18, 0.2, 0.26, 1});
    gd_draw_rect(im, x - 8, 24 + h, x + 8, 50 + h, shirt);
    gd_draw_ellipse(im, x, 16 + h, 6, 7, skin);
    if (k % 3 == 1) gd_draw_line(im, x + 7, 28 + h, x + 12, 10 + h, 4, shirt);  // a raised arm
  }
  return im;
}

static GdImage pad_decal() {
  GdImage im = clear(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      double e = std::min(std::min(x + 0.5, 127.5 - x), std::min(y + 0.5, 127.5 - y));
      double a = gd_smoothstep(0, 6, e + 4 * (gd_fbm(x / 128.0, y / 128.0, 8, 3, 204) - 0.5));
      double n = gd_fbm(x / 128.0, y / 128.0, 16, 4, 205), s = 0.55 + 0.2 * n;
      unsigned char* p = gd_image_pixel(im, x, y);
      p[0] = gd_byte(s), p[1] = gd_byte(s * 0.98), p[2] = gd_byte(s * 0.95), p[3] = gd_byte(0.9 * a);
    }
  return im;
}

static GdImage ruts_decal() {
  GdImage im = clear(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      double v = y / 127.0, fade = gd_smoothstep(0, 0.2, v) * gd_smoothstep(0, 0.2, 1 - v), a = 0;
      for (double c : {40.0, 64.0, 86.0}) {
        double wob = c + 5 * std::sin(v * 6.2831853 + c);
        double d = std::fabs(x - wob) / 6;
        if (d < 1) a = std::max(a, 1 - d * d);
      }
      unsigned char* p = gd_image_pixel(im, x, y);
      p[0] = 60, p[1] = 40, p[2] = 26, p[3] = gd_byte(0.45 * a * fade);
    }
  return im;
}

static GdImage puddle_decal() {
  GdImage im = clear(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      double u = (x - 63.5) / 64, v = (y - 63.5) / 64, r = std::sqrt(u * u + v * v);
      double edge = r + 0.35 * (gd_fbm(x / 128.0, y / 128.0, 4, 3, 206) - 0.5);
      double a = 1 - gd_smoothstep(0.55, 0.8, edge);
      double sheen = gd_smoothstep(0.5, 0.8, gd_fbm(x / 128.0, y / 128.0, 6, 3, 207));
      unsigned char* p = gd_image_pixel(im, x, y);
      p[0] = gd_byte(0.22 + 0.25 * sheen), p[1] = gd_byte(0.19 + 0.25 * sheen), p[2] = gd_byte(0.16 + 0.28 * sheen);
      p[3] = gd_byte(0.8 * a);
    }
  return im;
}

// White with alpha falling from the middle: the colour comes from the
// roost definitions.
static GdImage roost() {
  GdImage im = clear(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      double r = std::hypot(x - 15.5, y - 15.5) / 16 + 0.3 * (gd_noise(x / 4.0, y / 4.0, 8, 8, 208) - 0.5);
      unsigned char* p = gd_image_pixel(im, x, y);
      p[0] = p[1] = p[2] = 255;
      p[3] = gd_byte(1 - gd_smoothstep(0.4, 0.9, r));
    }
  return im;
}

// Lens flare pieces: 0 a soft glow, 1 a thin ring, 2 a soft-edged disc.
static GdImage flare(int kind) {
  GdImage im = clear(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      double r = std::hypot(x - 31.5, y - 31.5) / 32, a;
      if (kind == 0) a = std::pow(std::max(0.0, 1 - r), 2.2);
      else if (kind == 1) a = std::max(0.0, 1 - std::fabs(r - 0.8) / 0.1) * 0.8;
      else a = (1 - gd_smoothstep(0.7, 1.0, r)) * 0.6;
      unsigned char* p = gd_image_pixel(im, x, y);
      p[0] = p[1] = p[2] = 255;
      p[3] = gd_byte(a);
    }
  return im;
}

bool gd_art_sprites(GdPlan& plan, const std::string& archive) {
  bool ok = gd_art_add_png(plan, archive, GD_ART_PINE, pine()) && gd_art_add_png(plan, archive, GD_ART_OAK, oak()) &&
            gd_art_add_png(plan, archive, GD_ART_BUSH, bush()) &&
            gd_art_add_png(plan, archive, GD_ART_CROWD, crowd()) &&
            gd_art_add_png(plan, archive, GD_ART_FLAGGER_IDLE, flagger(false)) &&
            gd_art_add_png(plan, archive, GD_ART_FLAGGER_WAVE, flagger(true)) &&
            gd_art_add_png(plan, archive, GD_ART_DECAL_PAD, pad_decal()) &&
            gd_art_add_png(plan, archive, GD_ART_DECAL_RUTS, ruts_decal()) &&
            gd_art_add_png(plan, archive, GD_ART_DECAL_PUDDLE, puddle_decal()) &&
            gd_art_add_png(plan, archive, GD_ART_ROOST, roost()) &&
            gd_art_add_png(plan, archive, "@roost.png", roost()) &&
            gd_art_add_png(plan, archive, GD_ART_FLARE_GLOW, flare(0)) &&
            gd_art_add_png(plan, archive, GD_ART_FLARE_RING, flare(1)) &&
            gd_art_add_png(plan, archive, GD_ART_FLARE_SPOT, flare(2));
  char name[128];
  for (int pose = 1; ok && pose <= 5; ++pose) {
    snprintf(name, sizeof name, "%s%d.png", GD_ART_STARTER_PREFIX, pose);
    ok = gd_art_add_png(plan, archive, name, starter(pose));
  }
  for (int pose = 1; ok && pose <= 4; ++pose) {
    snprintf(name, sizeof name, "%s%d.png", GD_ART_MARSHAL_PREFIX, pose);
    ok = gd_art_add_png(plan, archive, name, marshal(pose));
  }
  GdImage white;
  gd_image_make(white, 8, 8, 3, 255);
  return ok && gd_art_add_png(plan, archive, "@colors/white.png", white);
}
