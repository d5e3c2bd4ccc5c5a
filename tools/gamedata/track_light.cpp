#include "gamedata/track_light.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gamedata/art_names.h"
#include "gamedata/gd_noise.h"

void gd_sun_direction(const GdLighting& lighting, double out[3]) {
  double len = std::sqrt(lighting.sun[0] * lighting.sun[0] + lighting.sun[1] * lighting.sun[1] +
                         lighting.sun[2] * lighting.sun[2]);
  if (!(len > 0)) {
    out[0] = 0, out[1] = 1, out[2] = 0;
    return;
  }
  for (int k = 0; k < 3; ++k) out[k] = lighting.sun[k] / len;
}

bool gd_shadow_light(const GdTerrain& terrain, const GdLighting& lighting, std::vector<unsigned char>& light) {
  light.clear();
  int n = terrain.size;
  if (n < 2 || terrain.heights.size() != size_t(n) * n) return false;
  double sun[3];
  gd_sun_direction(lighting, sun);
  double flat = std::hypot(sun[0], sun[2]);
  if (!(sun[1] > 0)) return false;
  light.assign(size_t(n) * n, 255);
  if (flat < 1e-9) return true;  // the sun straight overhead casts no shadow
  double dx = sun[0] / flat, dz = sun[2] / flat, elevation = std::atan2(sun[1], flat);
  double rise = sun[1] / flat;  // of the ray per foot of ground
  double top = *std::max_element(terrain.heights.begin(), terrain.heights.end());
  double d = terrain.spacing, extent = (n - 1) * d;
  const double penumbra = 0.06;  // radians from full light to full shadow
  for (int k = 0; k < n; ++k)
    for (int i = 0; i < n; ++i) {
      double x = i * d, z = k * d, h0 = terrain.heights[size_t(k) * n + i] + 0.05;
      double steepest = -1e9;
      for (double t = d; h0 + t * rise <= top + 0.5 * d; t += d) {
        double px = x + dx * t, pz = z + dz * t;
        if (px < 0 || pz < 0 || px > extent || pz > extent) break;
        double h = gd_terrain_height(terrain, px, pz);
        steepest = std::max(steepest, (h - h0) / t);
      }
      if (steepest <= -1e8) continue;
      double over = std::atan(steepest) - elevation;
      double shade = gd_smoothstep(-penumbra / 2, penumbra / 2, over);
      light[size_t(k) * n + i] = (unsigned char)std::lround(255 * (1 - shade));
    }
  return true;
}

bool gd_shading(const GdTerrain& terrain, const GdLighting& lighting, const std::vector<unsigned char>& light,
                std::vector<unsigned char>& rgb) {
  rgb.clear();
  int n = terrain.size;
  size_t count = size_t(n) * n;
  if (n < 2 || terrain.heights.size() != count || light.size() != count) return false;
  std::vector<double> normal(3 * count, 0.0);
  double d = terrain.spacing;
  auto H = [&](int i, int k) { return double(terrain.heights[size_t(k) * n + i]); };
  // Adds the unit upward normal of triangle (a, b, c) to its three corners.
  auto face = [&](int ai, int ak, int bi, int bk, int ci, int ck) {
    double ux = (bi - ai) * d, uy = H(bi, bk) - H(ai, ak), uz = (bk - ak) * d;
    double vx = (ci - ai) * d, vy = H(ci, ck) - H(ai, ak), vz = (ck - ak) * d;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(len > 0)) return;
    if (ny < 0) len = -len;
    for (int c = 0; c < 3; ++c) {
      int pi = c == 0 ? ai : c == 1 ? bi : ci, pk = c == 0 ? ak : c == 1 ? bk : ck;
      double* p = normal.data() + 3 * (size_t(pk) * n + pi);
      p[0] += nx / len, p[1] += ny / len, p[2] += nz / len;
    }
  };
  for (int k = 0; k + 1 < n; ++k)
    for (int i = 0; i + 1 < n; ++i) {
      if ((i + k) & 1) {  // diagonal from (i + 1, k) to (i, k + 1)
        face(i, k, i + 1, k, i, k + 1);
        face(i + 1, k, i + 1, k + 1, i, k + 1);
      } else {  // diagonal from (i, k) to (i + 1, k + 1)
        face(i, k, i + 1, k, i + 1, k + 1);
        face(i, k, i + 1, k + 1, i, k + 1);
      }
    }
  double sun[3];
  gd_sun_direction(lighting, sun);
  rgb.resize(3 * count);
  for (size_t at = 0; at < count; ++at) {
    const double* p = normal.data() + 3 * at;
    double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    double ndl = len > 0 ? (p[0] * sun[0] + p[1] * sun[1] + p[2] * sun[2]) / len : sun[1];
    ndl = std::clamp(ndl, 0.0, 1.0) * (light[at] / 255.0);
    for (int c = 0; c < 3; ++c) {
      double v = (ndl * lighting.sun_colour[c] + lighting.ambient[c]) * 0.5 * 255;
      rgb[3 * at + c] = (unsigned char)std::clamp(v, 0.0, 255.0);
    }
  }
  return true;
}

std::vector<unsigned char> gd_shading_full(const std::vector<unsigned char>& stored) {
  std::vector<unsigned char> out(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) out[i] = stored[i] >= 128 ? 255 : (unsigned char)(2 * stored[i]);
  return out;
}

static std::string triple(const char* key, const double v[3]) {
  char line[160];
  snprintf(line, sizeof line, "%s [ %.4f %.4f %.4f ]\n", key, v[0], v[1], v[2]);
  return line;
}

std::string gd_lighting_text(const GdLighting& l) {
  std::string out;
  out += triple("sun_vector", l.sun);
  out += triple("sun_color", l.sun_colour);
  out += triple("ambient", l.ambient);
  out += triple("global_ambient", l.global_ambient);
  const char* faces[6][2] = {{"sky_n", GD_ART_SKY_N}, {"sky_e", GD_ART_SKY_E},  {"sky_s", GD_ART_SKY_S},
                             {"sky_w", GD_ART_SKY_W}, {"sky_u", GD_ART_SKY_U}, {"sky_env", GD_ART_SKY_ENV}};
  for (const auto& f : faces) out += std::string(f[0]) + " " + f[1] + "\n";
  // A lens flare toward the sun: a glow on it, then rings and spots strung
  // through the middle of the view to the other side.
  struct Element {
    double along, turn, r, g, b, size;
    const char* texture;
  };
  static const Element flare[] = {
      {1.0, 0, 1.00, 0.96, 0.86, 0.30, GD_ART_FLARE_GLOW}, {0.5, 0, 0.50, 0.60, 0.45, 0.08, GD_ART_FLARE_RING},
      {0.1, 0, 0.35, 0.45, 0.60, 0.05, GD_ART_FLARE_SPOT}, {-0.3, 0, 0.55, 0.40, 0.30, 0.10, GD_ART_FLARE_RING},
      {-0.7, 0, 0.30, 0.50, 0.40, 0.16, GD_ART_FLARE_SPOT},
  };
  char line[512];
  for (const Element& e : flare) {
    snprintf(line, sizeof line, "flare_element [ %.3f %.3f ] [ %.3f %.3f %.3f ] %.3f %s\n", e.along, e.turn, e.r,
             e.g, e.b, e.size, e.texture);
    out += line;
  }
  out += triple("flare_vector", l.sun);
  snprintf(line, sizeof line, "fog [ %.4f %.4f %.4f ] %.6f\n", l.fog_colour[0], l.fog_colour[1], l.fog_colour[2],
           l.fog_density);
  out += line;
  out += "dynamic_lighting 0\n";
  snprintf(line, sizeof line, "near_plane %.4f\nfar_plane %.1f\n", l.near_plane, l.far_plane);
  out += line;
  return out;
}
