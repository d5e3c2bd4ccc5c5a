#include "gamedata/art_ground.h"

#include <algorithm>
#include <cmath>

#include "gamedata/gd_noise.h"

static const double pi = 3.14159265358979323846;

// Tile coordinate of pixel p: 0 at 1/16 of the side, 1 at 15/16.
static double tile_coord(int p, int size) { return ((p + 0.5) / size - 1.0 / 16) / (7.0 / 8); }

// 0 at a tile's edges, rising to 1 a fifth of the way in: where the other
// looks add their details, so they meet every neighbour like the plain one.
static double interior(double u, double v) {
  double fu = u - std::floor(u), fv = v - std::floor(v);
  double e = std::min(std::min(fu, 1 - fu), std::min(fv, 1 - fv));
  return gd_smoothstep(0.08, 0.2, e);
}

struct Rgb {
  double r, g, b;
};

static Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
static Rgb scale(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }

// Small round spots on a lattice of `cells` per tile, one per cell at a
// hashed place, present with chance `chance`: 1 at a spot's centre, 0 outside.
static double spots(double u, double v, int cells, double radius, double chance, uint32_t seed) {
  double x = u * cells, y = v * cells, best = 0;
  int cx = int(std::floor(x)), cy = int(std::floor(y));
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      int gx = cx + dx, gy = cy + dy;
      int wx = ((gx % cells) + cells) % cells, wy = ((gy % cells) + cells) % cells;
      if (gd_hash01(wx, wy, 1, seed) >= chance) continue;
      double px = gx + 0.2 + 0.6 * gd_hash01(wx, wy, 2, seed), py = gy + 0.2 + 0.6 * gd_hash01(wx, wy, 3, seed);
      double r = radius * (0.6 + 0.8 * gd_hash01(wx, wy, 4, seed));
      double d = std::hypot(x - px, y - py) / r;
      if (d < 1) best = std::max(best, 1 - d * d);
    }
  return best;
}

static Rgb dirt(double u, double v, int alt) {
  double n = gd_fbm(u, v, 4, 5, 11);
  Rgb c = scale({0.52, 0.34, 0.21}, 0.78 + 0.44 * n);
  double clods = gd_noise(u * 16, v * 16, 16, 16, 12);
  if (clods > 0.68) c = scale(c, 1 - 1.4 * (clods - 0.68));
  c = scale(c, 0.94 + 0.12 * gd_noise(u * 56, v * 56, 56, 56, 13));
  double pebble = spots(u, v, 12, 0.18, 0.35, 14);
  c = mix(c, {0.62, 0.58, 0.52}, 0.8 * pebble);
  double w = interior(u, v);
  if (alt == 1) c = mix(c, {0.66, 0.62, 0.56}, 0.9 * w * spots(u, v, 5, 0.22, 0.7, 15));  // stones
  if (alt == 2) c = scale(c, 1 - 0.16 * w * gd_smoothstep(0.45, 0.7, gd_fbm(u, v, 2, 3, 16)));  // damp
  return c;
}

static Rgb hardpack(double u, double v, int alt) {
  double n = gd_fbm(u, v, 2, 4, 21);
  Rgb c = scale({0.46, 0.38, 0.30}, 0.86 + 0.28 * n);
  double streak = gd_noise(u * 32, v * 2, 32, 2, 22);
  c = scale(c, 0.95 + 0.1 * streak);
  c = scale(c, 0.96 + 0.08 * gd_noise(u * 64, v * 64, 64, 64, 23));
  double w = interior(u, v);
  if (alt == 1) c = mix(c, {0.56, 0.52, 0.48}, 0.7 * w * spots(u, v, 8, 0.2, 0.5, 24));
  if (alt == 2) c = mix(c, {0.58, 0.52, 0.45}, 0.3 * w * gd_smoothstep(0.45, 0.7, gd_fbm(u, v, 2, 3, 25)));  // dust
  return c;
}

static Rgb grass(double u, double v, int alt) {
  double patch = gd_fbm(u, v, 2, 3, 31);
  Rgb c = mix({0.24, 0.42, 0.14}, {0.42, 0.50, 0.20}, gd_smoothstep(0.35, 0.75, patch));
  double blades = gd_noise(u * 64, v * 16, 64, 16, 32);
  c = scale(c, 0.72 + 0.5 * blades);
  c = scale(c, 0.9 + 0.2 * gd_noise(u * 48, v * 48, 48, 48, 33));
  double w = interior(u, v);
  if (alt == 1) c = mix(c, {0.92, 0.86, 0.30}, 0.9 * w * spots(u, v, 10, 0.12, 0.4, 34));  // flowers
  if (alt == 2) c = mix(c, {0.40, 0.33, 0.20}, 0.6 * w * spots(u, v, 3, 0.3, 0.6, 35));   // bare spots
  return c;
}

static Rgb sand(double u, double v, int alt) {
  double n = gd_fbm(u, v, 4, 4, 41);
  Rgb c = scale({0.82, 0.72, 0.52}, 0.86 + 0.24 * n);
  double ripple = std::sin(2 * pi * (3 * u + v) + 2.5 * gd_fbm(u, v, 2, 2, 42));
  c = scale(c, 0.96 + 0.05 * ripple);
  c = scale(c, 0.92 + 0.16 * gd_noise(u * 64, v * 64, 64, 64, 43));
  double w = interior(u, v);
  if (alt == 1) c = mix(c, {0.60, 0.52, 0.40}, 0.6 * w * spots(u, v, 8, 0.15, 0.4, 44));
  if (alt == 2) c = scale(c, 1 - 0.12 * w * gd_smoothstep(0.55, 0.8, gd_fbm(u, v, 2, 3, 45)));
  return c;
}

static Rgb mud(double u, double v, int alt) {
  double n = gd_fbm(u, v, 4, 5, 51);
  Rgb c = scale({0.30, 0.22, 0.15}, 0.8 + 0.4 * n);
  double wet = gd_smoothstep(0.58, 0.72, gd_fbm(u, v, 2, 4, 52));
  c = mix(c, {0.40, 0.38, 0.36}, 0.55 * wet);  // puddles catch the sky
  c = scale(c, 0.95 + 0.1 * gd_noise(u * 56, v * 56, 56, 56, 53));
  double w = interior(u, v);
  if (alt == 1) c = mix(c, {0.22, 0.16, 0.11}, 0.7 * w * spots(u, v, 6, 0.25, 0.5, 54));
  if (alt == 2) c = mix(c, {0.40, 0.38, 0.36}, 0.5 * w * gd_smoothstep(0.5, 0.7, gd_fbm(u, v, 3, 3, 55)));  // water
  return c;
}

static Rgb look_of(int kind, double u, double v, int alt) {
  switch (kind) {
    case GD_SURFACE_GRASS: return grass(u, v, alt);
    case GD_SURFACE_HARDPACK: return hardpack(u, v, alt);
    case GD_SURFACE_SAND: return sand(u, v, alt);
    case GD_SURFACE_MUD: return mud(u, v, alt);
    default: return dirt(u, v, alt);
  }
}

void gd_ground_art_init(GdGroundArt& art, int size) {
  art.size = size;
  size_t count = size_t(size) * size;
  for (int k = 0; k < GD_SURFACE_KINDS; ++k)
    for (int alt = 0; alt <= GD_TILE_ALTS; ++alt) {
      std::vector<float>& f = art.look[k][alt];
      f.resize(3 * count);
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          Rgb c = look_of(k, tile_coord(x, size), tile_coord(y, size), alt);
          float* p = f.data() + 3 * (size_t(y) * size + x);
          p[0] = float(c.r), p[1] = float(c.g), p[2] = float(c.b);
        }
    }
  art.edge.resize(count);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      art.edge[size_t(y) * size + x] = float(gd_fbm(tile_coord(x, size), tile_coord(y, size), 4, 4, 61));
}

void gd_ground_tile(const GdGroundArt& art, const GdTile& tile, GdImage& out) {
  int size = art.size;
  gd_image_make(out, size, size, 3, 0);
  int alt = tile.a == tile.b ? std::clamp(tile.alt, 0, int(GD_TILE_ALTS)) : 0;
  const std::vector<float>& a = art.look[tile.a][alt];
  const std::vector<float>& b = art.look[tile.b][0];
  double corner[4];  // share of b at top left, top right, bottom left, bottom right
  for (int j = 0; j < 4; ++j) corner[j] = tile.a != tile.b && (tile.mask & (8 >> j)) ? 1 : 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      size_t at = size_t(y) * size + x;
      double t = 0;
      if (tile.a != tile.b) {
        double u = std::clamp(tile_coord(x, size), 0.0, 1.0), v = std::clamp(tile_coord(y, size), 0.0, 1.0);
        double w = (1 - v) * ((1 - u) * corner[0] + u * corner[1]) + v * ((1 - u) * corner[2] + u * corner[3]);
        // The border wanders with the noise, but a corner that is all one
        // kind stays so: the wander is at most 0.225, under the 0.25 that
        // the fade starts from.
        double wander = 0.45 * std::clamp(2 * (art.edge[at] - 0.5), -0.5, 0.5);
        t = gd_smoothstep(0.25, 0.75, w + wander);
      }
      unsigned char* p = gd_image_pixel(out, x, y);
      for (int c = 0; c < 3; ++c) {
        double v = a[3 * at + c] + (b[3 * at + c] - a[3 * at + c]) * t;
        double q = std::floor(v * 255 + 0.5);
        p[c] = (unsigned char)(q < 0 ? 0 : q > 255 ? 255 : q);
      }
    }
}
