// Track terrain: a square height grid made from gently rolling ground and
// hills, a racing line worn into it along a closed loop, and shaped bumps
// placed along that loop (jump faces, rollers, banked turns). "terrain.hf"
// holds the grid: the text header "E D MIN MAX\n", ":" and then the n x n
// heights as 16-bit little-endian samples, row k = 0 first, column i
// fastest, where n = 2^(E+1) + 1 and a sample s means
// MIN + (MAX - MIN) * s / 65535.
#pragma once
#include <vector>

#include "gamedata/gd_codec.h"
#include "gamedata/track_layout.h"
#include "gamedata/track_loop.h"

struct GdTerrain {
  int exponent = 0;
  int size = 0;         // n points along each side
  double spacing = 0;   // feet between points
  double width = 0, shoulder = 0;  // copied from the track
  std::vector<float> heights;  // n x n, row-major: index k * n + i
  // Per point, from the nearest centreline point within reach of the track:
  std::vector<float> lateral;  // signed offset from the centreline (positive to the left of travel); 0 when far off
  std::vector<float> along;    // distance along the track of that centreline point; -1 when far off
  std::vector<float> half;     // half the track's width there; -1 when far off
  GdLoop loop;                 // the centreline
};

enum { GD_TERRAIN_EXPONENT_MIN = 4, GD_TERRAIN_EXPONENT_MAX = 9 };

// False for a track that does not describe a usable terrain (grid too small
// or large, no spacing, bad loop, bumps with empty or overlong profiles).
bool gd_terrain_build(const GdTrack& track, GdTerrain& terrain);
// Whether grid point at index lies near the track (has a centreline point).
inline bool gd_terrain_near(const GdTerrain& t, size_t index) { return t.along[index] >= 0; }
// Distance along the track at a place.
double gd_place_along(const GdLoop& loop, GdPlace place);
// Half the track's width at distance s along it.
double gd_track_half_width(const GdTrack& track, const GdLoop& loop, double s);
// Centreline point and unit heading (direction of travel) at distance s.
void gd_loop_frame(const GdLoop& loop, double s, GdPoint& at, GdPoint& heading);

// Replaces every height by what "terrain.hf" gives back for it, so that
// shading, shadows and scenery heights match what the game reads.
void gd_terrain_quantise(GdTerrain& terrain);
// Height on the grid's triangles at (x, z), as the game computes it: cells
// split by a diagonal that alternates like a checkerboard, the grid
// extended flat past its edges.
double gd_terrain_height(const GdTerrain& terrain, double x, double z);
// The bytes of "terrain.hf". The header's minimum and maximum are the
// heights' range widened to whole feet.
bool gd_terrain_file(const GdTerrain& terrain, GdBytes& out);
