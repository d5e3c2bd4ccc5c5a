// The sky box (north, east, south, west and up faces) and the environment
// map that reflections use. Every face is drawn from one function of the
// view direction, so the faces meet where the box's edges join: a gradient
// from the horizon's haze to the zenith's blue with soft clouds on a plane
// overhead. North looks toward -z and east toward +x; on the side faces the
// image's top is up, on the up face its top is north.
#include <cmath>

#include "gamedata/art_names.h"
#include "gamedata/art_scenery.h"
#include "gamedata/gd_draw.h"
#include "gamedata/gd_noise.h"

static const double pi = 3.14159265358979323846;

struct Dir {
  double x, y, z;
};

static void sky_colour(Dir d, double rgb[3]) {
  double len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  d = {d.x / len, d.y / len, d.z / len};
  const double horizon[3] = {0.80, 0.84, 0.88}, zenith[3] = {0.30, 0.50, 0.82}, below[3] = {0.62, 0.66, 0.64};
  if (d.y <= 0) {
    double t = std::min(1.0, -d.y * 6);
    for (int c = 0; c < 3; ++c) rgb[c] = horizon[c] + (below[c] - horizon[c]) * t;
    return;
  }
  double t = std::pow(d.y, 0.55);
  for (int c = 0; c < 3; ++c) rgb[c] = horizon[c] + (zenith[c] - horizon[c]) * t;
  // Clouds on a plane above: their place is where the view ray meets it.
  double px = d.x / std::max(d.y, 0.05) * 3, pz = d.z / std::max(d.y, 0.05) * 3;
  double n = 0, w = 1, total = 0;
  for (int o = 0; o < 5; ++o) {
    double f = double(1 << o);
    n += w * gd_noise(px * f + 100, pz * f + 100, 1 << 20, 1 << 20, 301 + o);
    total += w;
    w *= 0.5;
  }
  n /= total;
  double cloud = gd_smoothstep(0.52, 0.72, n) * gd_smoothstep(0.02, 0.25, d.y);
  double shade = 0.88 + 0.12 * gd_smoothstep(0.5, 0.8, n);
  for (int c = 0; c < 3; ++c) rgb[c] = rgb[c] + (0.97 * shade - rgb[c]) * 0.85 * cloud;
}

static GdImage face(Dir forward, Dir right, Dir up) {
  GdImage im;
  const int size = 256;
  gd_image_make(im, size, size, 3, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      double a = 2 * (x + 0.5) / size - 1, b = 1 - 2 * (y + 0.5) / size;
      Dir d{forward.x + a * right.x + b * up.x, forward.y + a * right.y + b * up.y, forward.z + a * right.z + b * up.z};
      double rgb[3];
      sky_colour(d, rgb);
      unsigned char* p = gd_image_pixel(im, x, y);
      for (int c = 0; c < 3; ++c) p[c] = gd_byte(rgb[c]);
    }
  return im;
}

// Reflections look the map up by t = normalise(v.xz) * acos(v.y) / (2 pi) +
// 0.5: the middle is straight up and the angle from it grows outward, the
// horizon a quarter of the side from the middle.
static GdImage environment() {
  GdImage im;
  const int size = 128;
  gd_image_make(im, size, size, 3, 0);
  const double ground[3] = {0.30, 0.30, 0.22};
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      double s = (x + 0.5) / size - 0.5, t = (y + 0.5) / size - 0.5, rho = std::hypot(s, t);
      double theta = 2 * pi * rho, rgb[3] = {ground[0], ground[1], ground[2]};
      if (theta < pi / 2) {
        double dx = rho > 0 ? s / rho : 0, dz = rho > 0 ? t / rho : 0;
        sky_colour({std::sin(theta) * dx, std::cos(theta), std::sin(theta) * dz}, rgb);
      }
      unsigned char* p = gd_image_pixel(im, x, y);
      for (int c = 0; c < 3; ++c) p[c] = gd_byte(rgb[c]);
    }
  return im;
}

bool gd_art_sky(GdPlan& plan, const std::string& archive) {
  const Dir up{0, 1, 0};
  return gd_art_add_png(plan, archive, GD_ART_SKY_N, face({0, 0, -1}, {1, 0, 0}, up)) &&
         gd_art_add_png(plan, archive, GD_ART_SKY_E, face({1, 0, 0}, {0, 0, 1}, up)) &&
         gd_art_add_png(plan, archive, GD_ART_SKY_S, face({0, 0, 1}, {-1, 0, 0}, up)) &&
         gd_art_add_png(plan, archive, GD_ART_SKY_W, face({-1, 0, 0}, {0, 0, -1}, up)) &&
         gd_art_add_png(plan, archive, GD_ART_SKY_U, face({0, 1, 0}, {1, 0, 0}, {0, 0, -1})) &&
         gd_art_add_png(plan, archive, GD_ART_SKY_ENV, environment());
}
