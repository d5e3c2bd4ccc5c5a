// Track terrain: a square height grid made from gently rolling ground, a
// racing line worn into it along a closed loop, and shaped bumps placed
// along that loop (jump faces, rollers, banked turns). "terrain.hf" holds
// the grid: the text header "E D MIN MAX\n", ":" and then the n x n heights
// as 16-bit little-endian samples, row k = 0 first, column i fastest, where
// n = 2^(E+1) + 1 and a sample s means MIN + (MAX - MIN) * s / 65535.
#pragma once
#include <vector>

#include "gamedata/gd_codec.h"
#include "gamedata/track_loop.h"

enum GdAcross {
  GD_ACROSS_FULL,  // level across the track, easing down over the shoulders
  GD_ACROSS_BANK,  // a berm: rises from the inside edge to a lip past the outside edge
};

// One bump along the track. Its profile along the track rises over `rise`,
// stays at `height` for `top` and falls back over `fall` (all in feet).
struct GdBump {
  double at;        // where the rise starts: spline parameter of the loop
  double offset;    // then this many feet further along (negative: earlier)
  double rise, top, fall;
  double height;    // feet at the top
  GdAcross across;
  int repeat;       // copies back to back, for rhythm sections; 0 counts as 1
  bool lip;         // the rise steepens toward the top, like a kicker, instead of easing in and out
};

struct GdGround {
  double level;       // mean height of the ground
  double hills;       // amplitude of the rolling ground
  double wavelength;  // of the rolling ground, feet
  double rim;         // how high the ground climbs at the edge of the grid
  double rim_width;   // over this distance from the edge
  double groove;      // depth of the racing line below the ground beside it
};

struct GdTrack {
  const char* folder;  // under "tracks/"
  const char* name;    // display name, the first line of "desc"
  int exponent;        // grid of 2^(exponent + 1) + 1 points each way
  double spacing;      // feet between grid points
  double width;        // of the racing line, feet
  double shoulder;     // the edges ease into the ground over this width
  const GdPoint* controls;
  int control_count;
  const GdBump* bumps;
  int bump_count;
  GdGround ground;
};

struct GdTerrain {
  int exponent = 0;
  int size = 0;         // n points along each side
  double spacing = 0;
  double width = 0, shoulder = 0;  // copied from the track
  std::vector<float> heights;  // n x n, row-major: index k * n + i
  std::vector<float> lateral;  // distance of each point from the centreline; -1 when far off the track
};

enum { GD_TERRAIN_EXPONENT_MIN = 4, GD_TERRAIN_EXPONENT_MAX = 9 };

// False for a track that does not describe a usable terrain (grid too small
// or large, no spacing, bad loop, bumps with empty or overlong profiles).
bool gd_terrain_build(const GdTrack& track, GdTerrain& terrain);
// The bytes of "terrain.hf". The header's minimum and maximum are the
// heights' range widened to whole feet.
bool gd_terrain_file(const GdTerrain& terrain, GdBytes& out);
