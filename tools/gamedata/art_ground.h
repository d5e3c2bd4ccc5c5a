// Ground tile textures. Each kind of ground is a pattern that repeats every
// tile; the game draws only the inner 7/8 of a tile image (from 1/16 to
// 15/16 of each side), so the pattern's period is that inner part and the
// outer sixteenths carry its continuation. Neighbouring tiles therefore
// meet without a seam, and so do blends: along an edge a blend depends only
// on the kinds at that edge's two corners, the same as the tile next to it.
#pragma once
#include <vector>

#include "gamedata/gd_image.h"
#include "gamedata/track_surfaces.h"

enum { GD_TILE_PIXELS = 128 };  // side of a tile image

// Colour fields of the kinds, computed once and shared by all tiles.
struct GdGroundArt {
  int size = 0;                             // pixels per side
  std::vector<float> look[GD_SURFACE_KINDS][1 + GD_TILE_ALTS];  // RGB per pixel, 0..1
  std::vector<float> edge;                  // 0..1 per pixel: how a blend's border wanders
};

void gd_ground_art_init(GdGroundArt& art, int size);
// The RGB image of one tile.
void gd_ground_tile(const GdGroundArt& art, const GdTile& tile, GdImage& out);
