// The scenery of a track folder: statues and the starting gates' objects,
// billboards, flaggers, decals, trackside cameras and the map image; their
// text files, the placement rules and the editor's writers.
//
// Every object's height is given above the terrain; the scenery asks the
// terrain through SceneryHooks so that it can be built and tested without a
// terrain. Textures, models and shapes come through the track's asset loader
// (track_assets.h): a handle of 0 means "not loaded", and the record keeps the
// name either way so that the writers put back what was read.
//
// Track files are opened as "@" + folder + "/" + file name, folder being the
// track folder as the track list stores it ("tracks/claypit"; a leading "@"
// and trailing "/" are accepted too).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "track/track_assets.h"

struct Vfs;
struct VfsFile;

enum {
  SCENERY_MAX_OBJECTS = 65536,         // statues and gate objects together
  SCENERY_MAX_BILLBOARDS = 262144,     // every billboard, the particle slots included
  SCENERY_MAX_COURSE_FLAGGERS = 4096,  // flaggers along the course
  SCENERY_MAX_DECALS = 65536,          // decals of one terrain
  SCENERY_MAX_CAMERAS = 4096,          // trackside cameras
  SCENERY_GATE_CAMERAS = 256,          // entries of the gate-to-camera table
  SCENERY_NAME_MAX = 1023,             // longest name a file entry can give
};

// An angle of at least this makes an object upright, unturned, and turned
// by the drawing to face the viewer beyond its turn distance.
constexpr float SCENERY_FACING_ANGLE = 3.25f;

// What the scenery asks of the rest of the program.
struct SceneryHooks {
  TrackAssets assets;    // textures, models and collision shapes
  void* context = nullptr;  // handed to height and progress
  // Terrain height at (x, z) in world units; none means flat ground at 0.
  float (*height)(void* context, float x, float z) = nullptr;
  // One loading-progress step with its text ("Loading statues"); may be none.
  // Called once per entry read; the caller decides how often to show it.
  void (*progress)(void* context, const char* text) = nullptr;
  bool shaders = false;  // shader drawing: look for normal and specular maps
  int verbosity = 0;     // 0, 1 (--debug) or 2 (--super-debug)
};

// A statue or the object drawn at a starting gate.
struct SceneryObject {
  uint32_t model = 0;         // model handle, 0 = none or not loaded
  uint32_t shape = 0;         // collision shape handle, 0 = none or not loaded
  uint32_t texture = 0;       // colour texture handle, 0 = none
  uint32_t normal_map = 0;    // normal-map texture handle (shader drawing), 0 = none
  uint32_t specular_map = 0;  // specular-map texture handle (shader drawing), 0 = none
  std::string model_name;     // model as named by the file, "" for "null"
  std::string texture_name;   // texture as named, "" for "null"
  std::string shape_name;     // collision shape as named, "" for "null"
  float x = 0, y = 0, z = 0;  // position; y is absolute (terrain height + height)
  float height = 0;           // given height above the terrain, world units
  float angle = 0;            // the given angle, radians (see scenery_orientation)
  // Row-major 3 x 3 rotation; its columns are the object's x, y and z axes in
  // world coordinates (world = orientation x local).
  float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  // World units beyond which the drawing turns the object to face the
  // viewer (and then writes the facing rotation into orientation); 0 = never.
  float turn_distance = 0;
  int last_touch = -1;        // tic at which a bike last touched the shape, -1 = never
};

// A camera-facing sprite (also the flaggers' sprites and the roost slots).
struct Billboard {
  float x = 0, y = 0, z = 0;  // base position; y is absolute (terrain height + height)
  float size = 1;             // the sprite's height, world units
  float height = 0;           // given height above the terrain, world units
  float aspect = 1;           // width divided by height
  int32_t depth_key = 0;      // sort key, written by the drawing
  uint32_t texture = 0;       // texture handle, 0 = none (not drawn)
  uint8_t r = 255, g = 255, b = 255, a = 255;  // colour, white and opaque by default
  std::string name;           // image name without its colour prefix, "" = none
};

// The flagger that walks from a start point to an end point at the start.
struct StartFlagger {
  bool present = false;     // the file gave a complete start flagger
  int billboard = -1;       // its billboard in Scenery::billboards
  float start[3] = {0, 0, 0};  // start point x, height above terrain, z
  float end[3] = {0, 0, 0};    // end point x, height above terrain, z
  // Seconds for the walk; may be 0 or negative as read (whoever divides by it
  // must treat that as an instant walk).
  float walk_time = 0;
  uint32_t textures[5] = {0, 0, 0, 0, 0};  // [0] is the billboard image, then four more
  std::string names[5];                     // their names as read
};

// The second flagger: one billboard and four further textures.
struct SecondFlagger {
  bool present = false;  // the file gave a complete second flagger
  int billboard = -1;    // its billboard in Scenery::billboards (image = names[0])
  uint32_t textures[5] = {0, 0, 0, 0, 0};  // [0] is the billboard image, then four more
  std::string names[5];                     // their names as read
};

// A flagger along the course that waves when a rider is down nearby.
struct CourseFlagger {
  int billboard = -1;        // its billboard in Scenery::billboards
  uint32_t texture = 0;      // the second texture (waving), 0 = not loaded
  std::string texture_name;  // its name as read
  int checkpoints[4] = {-1, -1, -1, -1};  // checkpoint numbers, -1 .. checkpoints - 1
  bool waving = false;       // set by the drawing each frame
};

// A texture painted onto the ground.
struct Decal {
  uint32_t texture = 0;       // image handle, 0 = not loaded (kept, not painted)
  uint32_t normal_map = 0;    // "_tnorm" companion (shader drawing), 0 = none
  uint32_t specular_map = 0;  // "_tspec" companion (shader drawing), 0 = none
  std::string name;           // image name as read
  float x = 0, z = 0;         // centre on the ground, world units
  float angle = 0;            // radians
  float size = 1;             // width, world units
  float aspect = 1;           // length divided by width
  float sin_angle = 0, cos_angle = 1;  // of angle
};

// A camera beside the track.
struct TracksideCamera {
  float x = 0, y = 0, z = 0;      // position; y is absolute (terrain height + height)
  float height = 0;               // given height above the terrain
  float work[4] = {0, 0, 0, 0};   // working values of the camera code, 0 at load
  float fov = 90;                 // field of view, degrees
  float auto_fov_size = 0;        // automatic field-of-view size, 0 = off
};

// A gate-to-camera table that maps no checkpoint.
constexpr std::array<int, SCENERY_GATE_CAMERAS> scenery_no_gate_cameras() {
  std::array<int, SCENERY_GATE_CAMERAS> table{};
  for (int& camera : table) camera = -1;
  return table;
}

// The scenery of the loaded track.
struct Scenery {
  SceneryHooks hooks;                   // set by scenery_begin
  std::vector<SceneryObject> objects;   // gate objects first, then statues
  int first_statue = 0;                 // index of the first statue (the writer starts here)
  std::vector<Billboard> billboards;    // particle slots, flaggers', then plain ones
  std::vector<uint32_t> billboard_sort; // sort scratch of the drawing: two entries per billboard
  int first_plain_billboard = 0;        // index of the first plain billboard
  StartFlagger start_flagger;           // walks at the start
  SecondFlagger second_flagger;         // the second flagger
  std::vector<CourseFlagger> course_flaggers;  // along the course
  std::vector<TracksideCamera> cameras; // trackside cameras in file order
  // Camera for each checkpoint number, -1 = none (may name a camera that was
  // never added: check it against the camera count).
  std::array<int, SCENERY_GATE_CAMERAS> gate_camera = scenery_no_gate_cameras();
  uint32_t map_texture = 0;             // "map.png" for the HUD, 0 = none
};

// What reading one file found, for loaders and the track-checking tool.
struct SceneryFileStatus {
  bool found = false;  // the file could be opened
  int entries = 0;     // entries (or lines, for "cameras") taken into the records
  int warnings = 0;    // warnings posted while reading it
};

// Empties the scenery and installs the hooks; the gate table becomes all -1.
void scenery_begin(Scenery& scenery, const SceneryHooks& hooks);
// Forgets every record (the caches own the textures, models and shapes).
void scenery_free(Scenery& scenery);

// "@" + folder + "/" + file.
std::string scenery_file_name(const std::string& folder, const char* file);

// --- Objects ---------------------------------------------------------------

// Orientation for an angle over ground whose normal is (nx, ny, nz), ny > 0:
// the identity for angles of SCENERY_FACING_ANGLE or more; a heading turn by
// the angle about the vertical for angles of -2 pi or less; otherwise a
// heading turn by the angle whose up axis is the normal (the object's z axis
// is the heading (sin, 0, cos) lifted into the ground plane, so that it still
// points along the heading seen from above). Returns the turn distance (2 to
// the power of the angle, or 0).
float scenery_orientation(float out[9], float angle, float nx, float ny, float nz);
// Terrain normal at (x, z) from the heights at (x, z), (x + 1, z), (x, z + 1).
void scenery_ground_normal(const Scenery& scenery, float x, float z, float out[3]);
// Placement rule: absolute y, orientation and turn distance from the object's
// x, z, height and angle.
void scenery_place_object(Scenery& scenery, int index);
// Adds an object and loads what it names ("null" or "" = none): the model, the
// texture when both model and texture are named, with shader drawing its
// normal and specular maps, and the shape ("Warning: missing shape file
// %.900s" when missing). Returns its index, or -1 (a number not finite, or
// the list full).
int scenery_add_object(Scenery& scenery, float x, float height, float z, float angle,
                       const char* model, const char* texture, const char* shape);
// Companion-map names for a texture name, in the order they are tried; kind is
// "_norm" or "_spec". A name ending in "-repeat.png", "-repeat.ppm" or
// "-repeat.seq" keeps its repeat marker.
std::vector<std::string> scenery_companion_names(const std::string& texture, const char* kind);
// The same three names formed on a model name (the fallback).
std::vector<std::string> scenery_model_companion_names(const std::string& model, const char* kind);
// The distinct model names of all objects in order of first use.
std::vector<std::string> scenery_model_names(const Scenery& scenery);

// Reads "statues"; first the first statue becomes the current object count.
SceneryFileStatus scenery_read_statues(Scenery& scenery, Vfs& vfs, const std::string& folder);
// The text of "statues" for the statues (never the gate objects).
std::string statues_format(const Scenery& scenery);
// Writes statues_format to the folder's "statues".
bool statues_write(const Scenery& scenery, Vfs& vfs, const std::string& folder);

// --- Billboards and flaggers ------------------------------------------------

// Length of a colour prefix "#rrggbb#" at the start of name (8), setting the
// colour; 0 when the name does not start with one.
int scenery_colour_prefix(const char* name, uint8_t rgb[3]);
// Adds a billboard (the image name may carry a colour prefix; "" = none) and
// two sort entries. Returns its index, or -1 (a number not finite, the list full).
int scenery_add_billboard(Scenery& scenery, float x, float height, float z, float size,
                          float aspect, const char* image);
// Reads "flaggers"; checkpoint numbers are clamped to -1 .. checkpoints - 1.
SceneryFileStatus scenery_read_flaggers(Scenery& scenery, Vfs& vfs, const std::string& folder,
                                        int checkpoints);
// Reads "billboards"; first the first plain billboard becomes the current count.
SceneryFileStatus scenery_read_billboards(Scenery& scenery, Vfs& vfs, const std::string& folder);
// The text of "billboards" for the plain billboards that have an image name.
std::string billboards_format(const Scenery& scenery);
// Writes billboards_format to the folder's "billboards".
bool billboards_write(const Scenery& scenery, Vfs& vfs, const std::string& folder);

// --- Decals ------------------------------------------------------------------

// Adds a decal and loads its image (with shader drawing also its "_tnorm"
// and "_tspec" companions). A decal whose image does not load is kept with
// texture 0 so that it is saved again. Returns its index, or -1 (a number not
// finite, the list full).
int scenery_add_decal(std::vector<Decal>& decals, float x, float z, float angle, float size,
                      float aspect, const char* image, const TrackAssets& assets, bool shaders);
// The rectangle a decal covers: size across its x axis (cos, -sin) and
// size x aspect along its z axis (sin, cos), centred at (x, z). Corners as
// (x, z) pairs in order (-,-), (+,-), (+,+), (-,+) of (across, along).
void scenery_decal_corners(const Decal& decal, float out[4][2]);
// Reads the folder's "decals" for the terrain loader, calling progress (if
// given) with "Loading decals" per entry. Painting is the terrain's work.
// A missing file finds nothing.
SceneryFileStatus scenery_read_decals(std::vector<Decal>& decals, Vfs& vfs, const std::string& folder,
                                      const TrackAssets& assets, bool shaders,
                                      void (*progress)(void* context, const char* text) = nullptr,
                                      void* progress_context = nullptr);
// The same over a file already open (the terrain loader's decal hook).
SceneryFileStatus scenery_parse_decals(std::vector<Decal>& decals, VfsFile* file, const TrackAssets& assets,
                                       bool shaders, void (*progress)(void* context, const char* text) = nullptr,
                                       void* progress_context = nullptr);
// The text of "decals" (decals without an image name are left out).
std::string decals_format(const std::vector<Decal>& decals);
// Writes decals_format to the folder's "decals"; posts "Can't open 'decals'\n"
// on failure.
bool decals_write(const std::vector<Decal>& decals, Vfs& vfs, const std::string& folder);

// --- Cameras and map ---------------------------------------------------------

// Reads "cameras" (and logs "%d cameras found\n" at verbosity 1 or more).
SceneryFileStatus scenery_read_cameras(Scenery& scenery, Vfs& vfs, const std::string& folder);
// Loads "map.png" as the HUD's map texture; returns its handle (0 = none).
uint32_t scenery_load_map(Scenery& scenery, const std::string& folder);

// --- Shared by the readers and writers ----------------------------------------

// Counts and posts one reader warning.
void scenery_warn(SceneryFileStatus& status, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Whether every value is finite.
bool scenery_finite(const float* values, int count);
// Appends printf-formatted text.
// Writes text as the folder's file: to a new file first, which then replaces
// the old one, so a failed write leaves the old file. Posts "Can't open
// '<file>'\n" when it cannot be created, "Can't write '<file>'\n" when
// writing fails.
bool scenery_save_file(Vfs& vfs, const std::string& folder, const char* file, const std::string& text);
// Loads the first candidate that exists (when the loader can tell) and loads.
uint32_t scenery_first_texture(const TrackAssets& assets, const std::vector<std::string>& names, int flags);
