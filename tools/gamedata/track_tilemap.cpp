#include "gamedata/track_tilemap.h"

bool gd_tilemap_file(const GdTerrain& terrain, GdBytes& out) {
  out.clear();
  int n = terrain.size, tiles = 1 << terrain.exponent;
  if (n != 2 * tiles + 1 || terrain.lateral.size() != size_t(n) * n) return false;
  out.reserve(size_t(tiles) * tiles);
  for (int tk = 0; tk < tiles; ++tk) {
    for (int ti = 0; ti < tiles; ++ti) {
      // Tile (ti, tk) spans grid points 2ti..2ti+2 and 2tk..2tk+2.
      float off = terrain.lateral[size_t(2 * tk + 1) * n + (2 * ti + 1)];
      unsigned char tile = GD_TILE_GROUND;
      if (off >= 0 && off <= terrain.width / 2) tile = GD_TILE_TRACK;
      else if (off >= 0) tile = GD_TILE_SHOULDER;
      out.push_back(tile);
    }
  }
  return true;
}
