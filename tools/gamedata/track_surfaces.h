// A track's surfaces: the "tileinfo" list of ground tiles, each with its
// texture, grip, rolling resistance, roost and erosion. The list starts with
// one plain tile per kind of ground the track uses (in GdSurfaceKind order),
// then the alternative looks of those kinds, then for every pair of kinds
// the blends with each mix of corners. Texture names carry the blends:
// "tile_A-tile_B-wxyz.png" shows kind B at the corners whose digit is 1
// (w top left, x top right, y bottom left, z bottom right; top is the
// smaller z), "tile_A-altN.png" is another look of kind A.
#pragma once
#include <string>
#include <vector>

#include "gamedata/track_layout.h"

struct GdTile {
  GdSurfaceKind a;  // the kind at clear corners (every corner of a plain tile)
  GdSurfaceKind b;  // the kind at set corners; equal to a for plain tiles and other looks
  int mask;         // corners showing b: 8 top left, 4 top right, 2 bottom left, 1 bottom right
  int alt;          // 0 for the kind's own look, 1.. for its alternative looks
};

struct GdTileSet {
  std::vector<GdTile> tiles;  // in "tileinfo" order; a tile map byte indexes this
};

enum { GD_TILE_ALTS = 2 };  // alternative looks per kind

// Base name of a kind's textures ("tile_dirt"); also its surface name without "tile_".
const char* gd_surface_base(GdSurfaceKind kind);
// Texture file name of a tile, without the leading "@" ("tile_dirt-tile_grass-0011.png").
std::string gd_tile_texture(const GdTile& tile);
// The tiles of a track that uses these kinds. False (and an empty set) when
// the kinds are not distinct, out of range or would need more than 256 tiles.
bool gd_tileset_build(const std::vector<GdSurfaceKind>& kinds, GdTileSet& set);
// Every kind a track's terrain uses: its ground, racing line, sections and patches.
std::vector<GdSurfaceKind> gd_track_kinds(const GdTrack& track);
// Index in the set of the tile with these corners (a at clear ones, b at set
// ones), picking look `alt` of a plain tile when it has one; -1 when none.
int gd_tileset_find(const GdTileSet& set, GdSurfaceKind a, GdSurfaceKind b, int mask, int alt);
// The "tileinfo" text.
std::string gd_tileinfo_text(const GdTileSet& set);
