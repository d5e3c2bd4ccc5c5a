// "tilemap": one byte per tile of 2 x 2 grid cells, (2^E) x (2^E) tiles,
// tile rows from k = 0 down. Each byte picks a ground surface; the track's
// surface list gives them their looks and grip.
#pragma once
#include "gamedata/gd_codec.h"
#include "gamedata/track_terrain.h"

enum GdTile {
  GD_TILE_GROUND = 0,    // off the track
  GD_TILE_TRACK = 1,     // the racing line
  GD_TILE_SHOULDER = 2,  // the track's edges and the backs of berms
};

// Classifies each tile by its centre point. False for an empty terrain.
bool gd_tilemap_file(const GdTerrain& terrain, GdBytes& out);
