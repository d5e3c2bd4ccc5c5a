// Surface definitions: what the terrain's tile indices stand for. A track
// describes its surfaces in "tileinfo" (keyword lines, one surface per
// "addtile") or, in older tracks, in "texturelist" (one surface per line).
// Each surface has a name, a ground texture, a friction curve, a slip-function
// selector, a rolling-resistance curve, up to four roost kinds and an erosion
// block. The readers store the values; the tyre model, the erosion, the roost
// particles and the terrain renderer interpret them.
//
// Textures are asked for through the TrackAssets loader; a handle of 0 means
// the texture could not be loaded and the surface goes on without it. With the
// software terrain texture method the caller hands in a loader whose handles
// name CPU-side tile images instead of GL textures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "track/track_assets.h"

struct VfsFile;
struct Vfs;

enum {
  SURFACE_MAX = 256,          // surfaces in one table
  SURFACE_NAME_MAX = 47,      // characters kept of a surface name
  SURFACE_CURVE_POINTS = 8,   // entries of the friction and rolling-resistance curves
  SURFACE_ROOST_KINDS = 4,    // roost records per surface
  SURFACE_ERODE_LIMITS = 8,   // erode limits per surface
  SURFACE_SLIP_FUNCTIONS = 3, // slip functions 0, 1 and 2
};

// Texture flags used for the two kinds of texture a surface asks for.
enum {
  SURFACE_GROUND_TEXTURE_FLAGS = ASSET_TEXTURE_GROUND | ASSET_TEXTURE_MIPMAP,
  SURFACE_ROOST_TEXTURE_FLAGS = ASSET_TEXTURE_MIPMAP | ASSET_TEXTURE_ALPHA,
};

// A friction key of exactly this value marks an unused curve entry; keys read
// from files are kept below it.
constexpr float SURFACE_FRICTION_UNUSED_KEY = 1048576.0f;
constexpr float SURFACE_FRICTION_MAX_KEY = 1048575.0f;
// A rolling-resistance key of 0 marks an unused entry; keys read from files
// are kept at or above 2^-20.
constexpr float SURFACE_ROLL_MIN_KEY = 1.0f / 1048576.0f;
// Tic length used to turn per-second fades into per-tic steps.
constexpr double SURFACE_TIC_SECONDS = 1.0 / 128.0;
// Most particles one roost kind may ask for per tic (the particle pool's size).
constexpr float SURFACE_ROOST_MAX_COUNT = 2000.0f;

// One point of a friction curve.
struct FrictionPoint {
  float value = 1.0f;                        // friction coefficient mu, >= 0
  float key = SURFACE_FRICTION_UNUSED_KEY;   // slip speed (ft/s) at which it holds; 1048576 = unused
};

// One point of a rolling-resistance curve.
struct RollResistPoint {
  float first = 5.0f;    // resistance coefficient at zero tyre depth (lbf per ft/s), >= 0
  float second = 15.0f;  // resistance coefficient at full tyre depth (lbf per ft/s), >= 0
  float key = 0.0f;      // wheel speed (ft/s) at which it holds; 0 = unused
};

enum { ROOST_NONE = 0, ROOST_DIRT = 1, ROOST_SPLASH = 2 };

// One kind of roost a spinning tyre throws.
struct RoostKind {
  int kind = ROOST_NONE;                   // ROOST_NONE, ROOST_DIRT or ROOST_SPLASH
  std::string texture_name = "@roost.png"; // particle image as named
  uint32_t texture = 0;                    // loader handle of the particle image, 0 = none
  float count = 10.0f;                     // particles per tic (fraction = chance of one more), 0..2000
  float dig = 1.0f;                        // digging factor of the roost
  float slip_threshold = 4.0f;             // slip speed (ft/s) below which dirt roost is not thrown
  float slow_angle = 1.5707964f;           // spray angle (rad) at slow_speed wheel spin
  float fast_angle = 0.19634955f;          // spray angle (rad) at fast_speed wheel spin
  float slow_speed = 0.0f;                 // wheel spin (rad/s) of slow_angle
  float fast_speed = 64.0f;                // wheel spin (rad/s) of fast_angle
  float size = 0.25f;                      // particle size at emission (ft)
  float grow = 4.0f;                       // particle growth (ft/s)
  float drag = 0.5f;                       // horizontal velocity loss (1/s)
  float vscale = 1.0f;                     // factor on the emission velocity
  float randomize = 15.0f;                 // random velocity spread (ft/s)
  uint8_t colour[4] = {255, 255, 255, 255}; // particle colour r, g, b, a at emission
  int8_t fade[4] = {0, 0, 0, -2};          // change of r, g, b, a per tic
};

// Erosion parameters of one surface (interpreted by the terrain deformation).
struct SurfaceErosion {
  float erode_depth = 1.0f;              // outer dig depth scale
  float erode_lower = 50.0f;             // wheel force (lbf) below which nothing is dug
  float erode_upper = 150.0f;            // wheel force (lbf) of the full dig
  float erode_displacement = 2.0f;       // distance (ft) the removed soil is pushed
  float erode_radius = 4.0f;             // radius (ft) of the outer dig
  float erode_inner_depth = 0.125f;      // inner dig depth scale
  float erode_inner_radius = 2.0f;       // radius (ft) of the inner dig
  float erode_min_slope = -0.5f;         // lowest deposit slope that still digs
  float erode_max_slope = 0.5f;          // highest deposit slope that still digs
  float erode_off_speed = 10.0f;         // wheel speed (ft/s) below which nothing is dug
  float erode_on_speed = 15.0f;          // wheel speed (ft/s) of the full dig
  float erode_slip_lower = 0.0f;         // slip speed (ft/s) where the slip scale starts
  float erode_slip_upper = 5.0f;         // slip speed (ft/s) where the slip scale is full
  float erode_slip_base_scale = 1.0f;    // dig scale without slip
  float erode_slip_scale = 1.5f;         // dig scale at full slip
  float erode_downhill_scale = 0.0f;     // extra digging when depositing downhill
  float erode_limit_depth[SURFACE_ERODE_LIMITS] = {};  // dug depth (ft) of each limit, strictly increasing
  float erode_limit_outer[SURFACE_ERODE_LIMITS] = {};  // outer dig scale at that depth
  float erode_limit_inner[SURFACE_ERODE_LIMITS] = {};  // inner dig scale at that depth
  float erode_project_to_ground = 1.0f;  // share of the wheel force along the normal that is removed
  float erode_lateral_scale = 1.0f;      // factor on the sideways part of the dig force
  float erode_front_scale = 1.0f;        // factor on the front wheel's dig force
  int erode_limit_count = 0;             // limits in use, 0..8 (1..8 in a committed surface)
};

// One surface. A default-constructed record holds every default.
struct Surface {
  std::string name;           // shown name, at most 47 characters
  std::string texture_name;   // ground texture as named in the file
  uint32_t texture = 0;       // loader handle of the ground texture, 0 = none
  int slip_function = 0;      // friction lookup of the tyre model, 0..2
  FrictionPoint friction[SURFACE_CURVE_POINTS] = {{1.0f, 1.0f}, {}, {}, {}, {}, {}, {}, {}};  // sorted by key
  RollResistPoint roll_resist[SURFACE_CURVE_POINTS] = {{5.0f, 15.0f, 1.0f}, {}, {}, {}, {}, {}, {}, {}};  // sorted by key
  int roost_count = 0;                       // roost kinds given, 0..4
  RoostKind roost[SURFACE_ROOST_KINDS];      // the first roost_count are in use
  SurfaceErosion erosion;                    // erosion parameters
  std::string short_name;     // texture name without "@" and folders, compared for blend codes
  int blend_code = 0;         // (A << 16) | (B << 8) | corner mask, or -256 (see surfaces_derive_blend_codes)
};

// The surfaces of one track, numbered in the order they were defined. After a
// read it always holds at least one surface, so every tile index has a record.
struct SurfaceTable {
  std::vector<Surface> surfaces;  // 1..256 after a read
  int warnings = 0;               // warnings posted by the last read
  bool from_texturelist = false;  // the last read was of a "texturelist"
};

// What a reader needs besides the file: the texture loader and the loading
// message pump.
struct SurfaceLoader {
  TrackAssets assets;  // where ground and roost textures come from
  void (*progress)(void* context, const char* text) = nullptr;  // called once per line with "Loading tileinfo"
  void* progress_context = nullptr;
};

// Reads an open "tileinfo" and replaces the table. False only without a file;
// problems with single lines are warned about and skipped. The file stays open.
bool surfaces_read_tileinfo(SurfaceTable& table, VfsFile* file, const SurfaceLoader& loader);
// Reads an open "texturelist" and replaces the table; as above.
bool surfaces_read_texturelist(SurfaceTable& table, VfsFile* file, const SurfaceLoader& loader);
// Reads "@<folder>/tileinfo", or "@<folder>/texturelist" when that is absent.
// Returns 1 for tileinfo, 2 for texturelist, 0 when neither opens.
int surfaces_load(SurfaceTable& table, Vfs& vfs, const std::string& folder, const SurfaceLoader& loader);

// The same read in the shape of the terrain loader's surface step: `target`
// is a SurfaceReadTarget, `name` the file to open ("@<folder>/tileinfo" or,
// with texturelist set, "@<folder>/texturelist"). Returns the number of
// surfaces, or -1 when the file does not open.
struct SurfaceReadTarget {
  SurfaceTable* table = nullptr;  // filled by the read
  SurfaceLoader loader;           // textures and loading messages
};
int surfaces_read_named(void* target, Vfs& vfs, const char* name, bool texturelist);

int surfaces_count(const SurfaceTable& table);
// The surface of a tile index; indices past the end give the last surface. An
// empty table (nothing read yet) gives a record of defaults.
const Surface& surfaces_get(const SurfaceTable& table, int index);

// A texture name without a leading "@" and without its folders.
std::string surface_short_name(const std::string& texture_name);
// Derives every surface's blend code from the short names:
//   "A-B-wxyz.ext" (w..z each 0 or 1)  (A << 16) | (B << 8) | w*8 + x*4 + y*2 + z
//   "A-B.ext" or other mask text       (A << 16) | (B << 8)
//   "A-altN.ext"                       (A << 16) | (A << 8)  (another look of A)
//   no "-", or A names no surface      (i << 16) | (i << 8)  for surface i itself
//   B names no surface                 -256
// where A and B are compared with each surface's short name up to its first ".".
void surfaces_derive_blend_codes(SurfaceTable& table);

// Friction coefficient of a curve at a lookup speed. The segment around the
// lookup is interpolated: on squared speeds when `squared` (slip function 0),
// else linearly. Below the first key, or when the first entry is unused, the
// first value holds; an unused entry ends the curve at the entry before it;
// at or past the eighth key the eighth value holds.
float friction_curve_value(const FrictionPoint (&curve)[SURFACE_CURVE_POINTS], float lookup, bool squared);
// The friction of a surface at a lookup speed, by its slip function.
float surface_friction(const Surface& surface, float lookup);

// The pair of rolling-resistance coefficients at a wheel speed.
struct RollResistPair {
  float first;   // at zero tyre depth
  float second;  // at full tyre depth
};
// Linear in speed with the same segment rule as the friction curve; entries
// with key 0 are unused.
RollResistPair roll_resist_curve_value(const RollResistPoint (&curve)[SURFACE_CURVE_POINTS], float speed);
RollResistPair surface_roll_resist(const Surface& surface, float speed);
