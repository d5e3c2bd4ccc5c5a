// Loading a track and setting up a race on it: the previous race is reset,
// the track's files are read in their fixed order with loading messages,
// its identity hash is taken, the line-up is turned into riders that the
// race side builds at the starting gates, and the race clock is set. The
// same entry point serves a new race, a restart (which keeps the loaded
// files), a multiplayer race and demo playback. Everything outside the
// track's own data goes through TrackLoadHooks.
#pragma once
#include <cstdint>
#include <random>
#include <string>

#include "track/gates.h"
#include "track/lighting.h"
#include "track/scenery.h"
#include "track/surface.h"
#include "track/terrain.h"
#include "track/track_hash.h"
#include "track/track_roster.h"

struct Vfs;
struct TrackList;

// What the loader sets for the race.
struct RaceClock {
  int64_t time_limit = 0;   // tics, 0 = none
  int laps = 0;             // laps of the race (1000000 for a timed race)
  int lap_count = 0;        // the laps asked for: after the time limit, or the whole race
  int halfway_lap = 0;      // (laps + 1) / 2, 1000000 for a timed race
  int interval = 640;       // 5 s in tics
  int64_t start_tic = 0;    // tic of the gate drop
  int64_t first_tic = 0;    // the tic the race begins at (a time trial starts at 300 s)
  int erosion = 0;          // erosion strength
  bool time_trial = false;  // no line-up was given
};

// The track in use.
struct CurrentTrack {
  bool loaded = false;
  std::string folder;        // "tracks/claypit"
  std::string display_name;  // "Clay Pit"
  Terrain terrain;
  SurfaceTable surfaces;
  Lighting lighting;
  GateSet gates;
  Scenery scenery;
  uint8_t hash[TRACK_HASH_SIZE] = {};  // the TrackHash
};

// One call of the loader.
struct TrackLoadRequest {
  std::string folder;           // the track to load (menu choice, server's or demo's)
  const int* lineup = nullptr;  // 160 slot codes; none = a time trial
  bool demo = false;            // demo playback: empty slots take the demo's riders
  int record_mode = 0;          // demo recording asked for
  int64_t time_limit = 0;       // tics
  int laps = 0;
  int robot_skill = 0;          // 0..2: which riding lines are read
  bool multiplayer = false;     // a race server runs the race
  int64_t server_start_tic = 0; // its start tic
  bool force_reload = false;    // read the files again even for the same track
  int erosion = 0;              // --erode
};

// What the loader asks of the program. Every hook may be null.
struct TrackLoadHooks {
  void* context = nullptr;
  TerrainLoading loading;        // loading messages (begin, progress, done)
  TrackAssets assets;            // textures, models and collision shapes
  TerrainRenderHooks render;     // the terrain's GL side
  TerrainDecalHooks decals;      // decal list
  LightingHooks lighting;        // the lighting's GL side
  int texture_method = TERRAIN_TEXTURE_SOFTWARE;
  float detail = 0.125f / 70;
  bool shaders = false;
  int verbosity = 0;
  // The previous race goes: points series saved, learned lines written,
  // lap timing, demo log and recording closed, bikes freed, scripts
  // stopped, the physics state reset.
  void (*race_reset)(void* context) = nullptr;
  // The pending terrain deformation is dropped.
  void (*deformation_clear)(void* context) = nullptr;
  // The riding lines of a skill are read for the track.
  void (*read_lines)(void* context, const CurrentTrack& track, int skill) = nullptr;
  // One rider of the line-up is built and placed at a grid position; false
  // when the bike could not be built.
  bool (*add_rider)(void* context, int slot, const SlotRider& rider, const CurrentTrack& track) = nullptr;
  // After the riders: timing tables, demo recording, the track script, the
  // setup, the camera; the clock is final.
  void (*race_ready)(void* context, const CurrentTrack& track, const RaceClock& clock, const LineUpPlan& plan) =
      nullptr;
  // The track script to start ("@tracks/x/nofrills.js" or "frills.js").
  void (*start_script)(void* context, const char* name) = nullptr;
  // Whether the file index holds a name.
  bool (*exists)(void* context, const char* name) = nullptr;
};

// The loader's own state between races.
struct TrackLoader {
  CurrentTrack track;
  RaceClock clock;
  RosterOrder roster{};
  LineUpPlan plan;
  std::mt19937 random;   // roster shuffle and start tic; seeded with the time at start-up
  int viewed_slot = 0;   // the slot the camera follows after the load
};

// Loads (or reloads in place) a track and sets up the race. False when the
// track is not known or its terrain failed: no track is then loaded.
bool track_load(TrackLoader& loader, Vfs& vfs, const TrackList& tracks, const TrackLoadRequest& request,
                const TrackLoadHooks& hooks);
// Frees the current track: scenery, lighting, terrain.
void track_free(TrackLoader& loader, const TrackLoadHooks& hooks);
// The start tic of an offline race: (13 + u) x 128 with u uniform in [0, 2).
int64_t track_offline_start_tic(std::mt19937& random);
