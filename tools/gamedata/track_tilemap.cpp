#include "gamedata/track_tilemap.h"

#include <cmath>

#include "gamedata/gd_noise.h"

GdSurfaceKind gd_line_surface(const GdTrack& track, const GdLoop& loop, double s) {
  GdSurfaceKind kind = track.line_surface;
  for (int i = 0; i < track.section_count; ++i) {
    const GdSection& sec = track.sections[i];
    if (gd_loop_wrap(loop, s - gd_place_along(loop, sec.start)) < sec.length) kind = sec.surface;
  }
  return kind;
}

// The two kinds a tile shows when its corners hold more: those at most
// corners (ties: not the ground, then the lower kind); a third kind's
// corners take whichever of the two is not the ground.
static void tile_pair(const GdTrack& track, const unsigned char c[4], int& first, int& second, int& other) {
  int count[GD_SURFACE_KINDS] = {};
  for (int j = 0; j < 4; ++j) ++count[c[j]];
  auto better = [&](int x, int y) {
    if (count[x] != count[y]) return count[x] > count[y];
    bool gx = x == track.ground_surface, gy = y == track.ground_surface;
    if (gx != gy) return gy;
    return x < y;
  };
  first = -1, second = -1;
  for (int k = 0; k < GD_SURFACE_KINDS; ++k) {
    if (!count[k]) continue;
    if (first < 0 || better(k, first)) second = first, first = k;
    else if (second < 0 || better(k, second)) second = k;
  }
  other = second == track.ground_surface || first == track.ground_surface
              ? (first == track.ground_surface ? second : first)
              : second;
}

bool gd_tile_corners(const GdTrack& track, const GdTerrain& terrain, std::vector<unsigned char>& corners) {
  corners.clear();
  int n = terrain.size, side = (1 << terrain.exponent) + 1;
  if (n != 2 * side - 1 || terrain.along.size() != size_t(n) * n) return false;
  corners.resize(size_t(side) * side);
  for (int ck = 0; ck < side; ++ck)
    for (int ci = 0; ci < side; ++ci) {
      size_t at = size_t(2 * ck) * n + 2 * ci;
      double x = 2 * ci * terrain.spacing, z = 2 * ck * terrain.spacing;
      GdSurfaceKind kind = track.ground_surface;
      for (int p = 0; p < track.patch_count; ++p) {
        const GdPatch& pa = track.patches[p];
        if (x >= pa.x0 && x <= pa.x1 && z >= pa.z0 && z <= pa.z1) kind = pa.surface;
      }
      // The racing line's surface covers the track and the faces of its
      // berms, a little past the edge.
      if (gd_terrain_near(terrain, at) &&
          std::fabs(terrain.lateral[at]) <= terrain.half[at] + 0.6 * terrain.shoulder)
        kind = gd_line_surface(track, terrain.loop, terrain.along[at]);
      corners[size_t(ck) * side + ci] = (unsigned char)kind;
    }
  return true;
}

// The tile for corners in mask-bit order (top left, top right, bottom
// left, bottom right), which hold at most two kinds.
static int tile_for(const GdTrack& track, const GdTileSet& set, const unsigned char c[4], int ti, int tk) {
  int first, second, other;
  tile_pair(track, c, first, second, other);
  if (second < 0) {
    // A plain tile; about one in three takes another look, chosen by a hash
    // of its place so that the map is the same every run.
    double r = gd_hash01(ti, tk, first, 0x7113u);
    const int alts = GD_TILE_ALTS;
    int alt = r < 0.66 ? 0 : 1 + int((r - 0.66) / 0.34 * alts) % alts;
    return gd_tileset_find(set, GdSurfaceKind(first), GdSurfaceKind(first), 0, alt);
  }
  int mask = 0;
  for (int j = 0; j < 4; ++j) {
    int k = c[j] == first || c[j] == second ? c[j] : other;
    if (k == second) mask |= 8 >> j;
  }
  return gd_tileset_find(set, GdSurfaceKind(first), GdSurfaceKind(second), mask, 0);
}

bool gd_tilemap_file(const GdTrack& track, const GdTerrain& terrain, const GdTileSet& set, GdBytes& out) {
  out.clear();
  std::vector<unsigned char> corners;
  if (!gd_tile_corners(track, terrain, corners)) return false;
  int tiles = 1 << terrain.exponent, side = tiles + 1;
  out.reserve(size_t(tiles) * tiles);
  for (int tk = 0; tk < tiles; ++tk)
    for (int ti = 0; ti < tiles; ++ti) {
      const unsigned char* row = corners.data() + size_t(tk) * side + ti;
      const unsigned char c[4] = {row[0], row[1], row[side], row[side + 1]};
      int tile = tile_for(track, set, c, ti, tk);
      if (tile < 0 || tile > 255) {
        out.clear();
        return false;
      }
      out.push_back((unsigned char)tile);
    }
  return true;
}
