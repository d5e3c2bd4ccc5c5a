// The track's light: sun, ambient light, sky box, lens flares, fog, clipping
// planes and the dynamic-lighting switch, read from the track folder's
// "lighting" text file. The renderer reads the record; the fog reaches it
// through the set_fog hook, called at the end of every read.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "track/track_assets.h"

struct Vfs;

enum {
  LIGHTING_FLARE_ELEMENTS_MAX = 8,  // elements of one flare
  LIGHTING_FLARES_MAX = 256,        // flares kept from one file
};

// The plain light values, laid out as 60 bytes in this order.
struct LightingValues {
  float sun_vector[3];      // direction towards the sun, unit length after a read
  float sun_color[3];       // colour of the sun light, r g b (0..1)
  float ambient[3];         // ambient colour of the light, r g b
  float global_ambient[3];  // ambient colour of the scene, r g b
  float near_plane;         // near clipping plane (feet), 1/1024..0.875 after a read
  float far_plane;          // far clipping plane (feet), near_plane..1048576 after a read
  int dynamic_lighting;     // 1 = per-pixel lighting wanted, 0 = off
};
static_assert(sizeof(LightingValues) == 60, "the light values are a 60-byte block");

// Sky box faces and the environment map, as indexes of Lighting's sky tables.
enum {
  LIGHTING_SKY_N,
  LIGHTING_SKY_E,
  LIGHTING_SKY_S,
  LIGHTING_SKY_W,
  LIGHTING_SKY_U,
  LIGHTING_SKY_ENV,
  LIGHTING_SKY_COUNT
};

enum { LIGHTING_FLARE_POINT = 0, LIGHTING_FLARE_VECTOR = 1 };

// One textured square of a lens flare. What the numbers mean is up to the
// flare drawing; they are kept in file order.
struct LightingFlareElement {
  float pair[2];             // the two leading numbers
  float colour[3];           // r g b
  float value;               // the single number after the colour
  std::string texture_name;  // image name as read
  uint32_t texture;          // handle from the texture loader, 0 when not loaded
};

struct LightingFlare {
  int kind;                                   // LIGHTING_FLARE_POINT or LIGHTING_FLARE_VECTOR
  float vector[3];                            // world position (point) or direction (vector)
  std::vector<LightingFlareElement> elements; // at most LIGHTING_FLARE_ELEMENTS_MAX
};

struct Lighting {
  LightingValues values;                      // sun, ambient, planes, switch
  std::string sky_names[LIGHTING_SKY_COUNT];  // image names; empty = none
  uint32_t sky_textures[LIGHTING_SKY_COUNT];  // handles from the texture loader, 0 = none
  std::vector<LightingFlare> flares;          // finished flares, at most LIGHTING_FLARES_MAX
  float fog_colour[3];                        // r g b
  float fog_density;                          // exponential fog density, 0 = no fog
};

// What the reader hands to the rest of the program: the renderer's fog set-up
// (exponential fog with this colour and density) and the loading screen.
// Any hook may be null.
struct LightingHooks {
  void* context = nullptr;
  void (*set_fog)(void* context, const float colour[3], float density) = nullptr;
  void (*loading_begin)(void* context, const char* text) = nullptr;     // "Loading lighting"
  void (*loading_progress)(void* context, const char* text) = nullptr;  // once per line
  void (*loading_done)(void* context, const char* text) = nullptr;      // shows "%.64s...done"
};

// The defaults: sun (1, 1, 1) (not yet normalised), white sun, ambient 0.5,
// global ambient 0.2, planes 0.25 and 5000, dynamic lighting off, no sky, no
// flares, no fog.
LightingValues lighting_default_values();
void lighting_reset(Lighting& lighting);

// Resets to the defaults and reads the file (an "@" name through the file
// system). Sky textures and flare textures are asked for through assets.
// A missing file shows nothing and loads no sky, but the defaults (fog
// included) still take effect; returns false then. An unknown keyword posts
// "Error reading lighting: Unknown identifier '%.950s'\n" and ends the
// statements; the clamping, the sky defaults and the fog still follow.
bool lighting_read(Lighting& lighting, Vfs& vfs, const char* path, const TrackAssets& assets,
                   const LightingHooks& hooks);

// The end of a read: planes clamped, sun vector made unit length (a vector
// with no length becomes the default direction).
void lighting_finish_values(LightingValues& values);

// The default image of a sky table entry ("@sky-n.ppm" .. "@sky-env.ppm").
const char* lighting_sky_default(int face);
