// "tilemap": one byte per tile of 2 x 2 grid cells, (2^E) x (2^E) tiles,
// tile rows from k = 0 down, each the index of a tile in the track's tile
// set. Every tile corner (the grid points of even column and row) gets a
// kind of ground: the racing line's near the track (its sections' kinds
// where they lie), a patch's inside a patch, else the ground's. A tile whose
// corners agree is plain (or, now and then, one of the kind's other looks);
// one whose corners differ is the blend with those corners. Blends join
// two kinds; where three meet at one tile (a section of the racing line
// starting at its edge), the odd corners show whichever of the other two
// is not the ground, so such a tile differs from its neighbour at that
// corner.
#pragma once
#include <vector>

#include "gamedata/gd_codec.h"
#include "gamedata/track_surfaces.h"
#include "gamedata/track_terrain.h"

// Kind of ground at every tile corner, (2^E + 1) x (2^E + 1), row-major.
// False for an empty terrain.
bool gd_tile_corners(const GdTrack& track, const GdTerrain& terrain, std::vector<unsigned char>& corners);
// The surface at distance s along the track's racing line.
GdSurfaceKind gd_line_surface(const GdTrack& track, const GdLoop& loop, double s);
// The tile map. False when the terrain is empty or a tile's corners need a
// tile the set lacks.
bool gd_tilemap_file(const GdTrack& track, const GdTerrain& terrain, const GdTileSet& set, GdBytes& out);
