// What a generated track is made of: its centreline, the shaped bumps along
// it, the ground around it, where its surfaces lie, where its start and
// timing gates go and how it is lit. track_defs.cpp holds the tracks.
#pragma once
#include "gamedata/track_loop.h"

enum GdAcross {
  GD_ACROSS_FULL,  // level across the track, easing down over the shoulders
  GD_ACROSS_BANK,  // a berm: rises from the inside edge to a lip past the outside edge
};

// A place on the track: spline parameter of the loop, then this many feet
// further along (negative: earlier).
struct GdPlace {
  double at;
  double offset;
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

// The track made wider along a stretch (a start pad): `extra` feet more
// width, eased in over `before` feet, kept for `full` and eased out over
// `after`, starting at the place.
struct GdWiden {
  GdPlace start;
  double before, full, after;  // feet along the track
  double extra;                // feet of width added at the widest
};

// A round hill in the ground: a cosine bell of the given radius and height.
struct GdMound {
  double x, z;    // centre, world feet
  double radius;  // feet
  double height;  // feet at the centre
};

struct GdGround {
  double level;       // mean height of the ground
  double hills;       // amplitude of the rolling ground
  double wavelength;  // of the rolling ground, feet
  double rim;         // how high the ground climbs at the edge of the grid
  double rim_width;   // over this distance from the edge
  double groove;      // depth of the racing line below the ground beside it
};

// Kinds of ground; each has its look, grip and roost (track_surfaces.cpp).
// The order is the order of a track's plain surfaces in its tile list.
enum GdSurfaceKind {
  GD_SURFACE_GRASS,
  GD_SURFACE_DIRT,
  GD_SURFACE_HARDPACK,
  GD_SURFACE_SAND,
  GD_SURFACE_MUD,
  GD_SURFACE_KINDS
};

// A stretch of the racing line with a surface other than the track's own.
struct GdSection {
  GdPlace start;
  double length;  // feet along the track
  GdSurfaceKind surface;
};

// A rectangle of ground off the track with a surface other than the
// ground's own (a paddock), levelled toward its mean height.
struct GdPatch {
  double x0, z0, x1, z1;  // world feet, x0 < x1 and z0 < z1
  GdSurfaceKind surface;
  double flatten;  // 0 leaves the ground as it is, 1 makes it level
};

// Sun, sky and fog: the "lighting" file, and the light the terrain's shading
// and shadows are computed with.
struct GdLighting {
  double sun[3];             // toward the sun; need not be unit length
  double sun_colour[3];      // 0..1 per channel
  double ambient[3];         // 0..1 per channel
  double global_ambient[3];  // 0..1 per channel
  double fog_colour[3];      // 0..1 per channel
  double fog_density;        // 0 for no fog
  double near_plane, far_plane;  // feet
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
  const GdWiden* widen = nullptr;
  int widen_count = 0;
  const GdMound* mounds = nullptr;
  int mound_count = 0;
  // Surfaces: the ground off the track, the racing line, and the exceptions.
  GdSurfaceKind ground_surface = GD_SURFACE_GRASS;
  GdSurfaceKind line_surface = GD_SURFACE_DIRT;
  const GdSection* sections = nullptr;
  int section_count = 0;
  const GdPatch* patches = nullptr;
  int patch_count = 0;
  // Timing: the start gates stand side by side across the track at `start`,
  // `gate_pitch` feet apart; the finish line lies at `finish`, before the
  // start; checkpoints follow each other about `checkpoint_pitch` feet apart.
  GdPlace start = {0, 0};
  int gate_count = 0;
  double gate_pitch = 3.5;
  GdPlace finish = {0, 0};
  double checkpoint_pitch = 150;
  GdLighting lighting = {};
  unsigned seed = 1;     // scenery placement
  int tree_count = 0;    // trees scattered off the track
};
