// The track loader's fixed order of work.
#include "track/track_load.h"

#include <cstring>

#include "platform/log.h"
#include "platform/messages.h"
#include "track/track_list.h"
#include "vfs/vfs.h"

namespace {

unsigned long texture_bytes(const TrackLoadHooks& h) {
  return h.render.texture_memory ? h.render.texture_memory(h.render.context) : 0;
}

// "... bytes texture memory used after ..." at verbosity 1 and up.
void texture_memory_line(const TrackLoadHooks& h, const char* after) {
  if (h.verbosity >= 1) log_message("%lu bytes texture memory used after %s\n", texture_bytes(h), after);
}

void begin(const TrackLoadHooks& h, const char* text) {
  if (h.loading.begin)
    h.loading.begin(h.loading.context, text);
  else
    log_message("%s\n", text);
}

void progress(const TrackLoadHooks& h, const char* text) {
  if (h.loading.progress) h.loading.progress(h.loading.context, text);
}

void done(const TrackLoadHooks& h, const char* text) {
  if (h.loading.done) h.loading.done(h.loading.context, text);
}

std::string in_folder(const std::string& folder, const char* file) { return "@" + folder + "/" + file; }

bool file_exists(const TrackLoadHooks& h, Vfs& vfs, const std::string& name) {
  if (h.exists) return h.exists(h.context, name.c_str());
  return vfs_exists(vfs, name.c_str());
}

float scenery_height(void* context, float x, float z) {
  return terrain_height(static_cast<CurrentTrack*>(context)->terrain, x, z);
}

void scenery_progress(void* context, const char* text) {
  (void)context;
  (void)text;
}

// Steps 7 to 17: every file of the track.
bool read_track(TrackLoader& L, Vfs& vfs, const TrackLoadHooks& h) {
  CurrentTrack& t = L.track;
  const std::string& folder = t.folder;

  begin(h, "Scanning");
  TrackHash hash;
  track_hash_begin(hash);
  for (const char* file : {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo", "nofrills.js"}) {
    progress(h, "Scanning");
    track_hash_file(hash, vfs, in_folder(folder, file).c_str());
  }
  if (h.verbosity >= 1) log_message("Loading '%s'\n", ("@" + folder).c_str());

  lighting_read(t.lighting, vfs, in_folder(folder, "lighting").c_str(), h.assets, h.lighting);

  SurfaceReadTarget surfaces;
  surfaces.table = &t.surfaces;
  surfaces.loader.assets = h.assets;
  TerrainLoadParams params;
  params.folder = folder;
  params.texture_method = h.texture_method;
  params.detail = h.detail;
  params.shader_terrain = h.shaders;
  params.verbosity = h.verbosity;
  params.surfaces = surfaces_read_named;
  params.surfaces_context = &surfaces;
  params.loading = h.loading;
  params.render = h.render;
  params.decals = h.decals;
  params.digest = [](const void* bytes, size_t length, unsigned char out[20]) { ripemd160(bytes, length, out); };
  if (!terrain_load(t.terrain, vfs, params)) return false;
  texture_memory_line(h, "hf creation");

  SceneryHooks scenery;
  scenery.assets = h.assets;
  scenery.context = &t;
  scenery.height = scenery_height;
  scenery.progress = scenery_progress;
  scenery.shaders = h.shaders;
  scenery.verbosity = h.verbosity;
  scenery_begin(t.scenery, scenery);

  std::string gates = in_folder(folder, "timing_gates");
  track_hash_file(hash, vfs, gates.c_str());
  GateObjects objects;
  objects.context = &t.scenery;
  objects.add = [](void* c, float x, float height, float z, float angle, const char* model, const char* texture,
                   const char* shape) {
    return scenery_add_object(*static_cast<Scenery*>(c), x, height, z, angle, model, texture, shape);
  };
  gates_read(t.gates, vfs, gates.c_str(), objects, h.verbosity);

  begin(h, "Loading flaggers");
  scenery_read_flaggers(t.scenery, vfs, folder, int(t.gates.checkpoints.size()));
  texture_memory_line(h, "flagger creation");
  begin(h, "Loading billboards");
  scenery_read_billboards(t.scenery, vfs, folder);
  texture_memory_line(h, "billboard creation");
  track_hash_file(hash, vfs, in_folder(folder, "statues").c_str());
  begin(h, "Loading statues");
  scenery_read_statues(t.scenery, vfs, folder);
  begin(h, "Loading map");
  texture_memory_line(h, "statue creation");
  scenery_load_map(t.scenery, folder);
  // Every model the scenery uses, once, in the order of first use.
  std::vector<std::string> models;
  for (const SceneryObject& o : t.scenery.objects) {
    if (o.model_name.empty()) continue;
    bool seen = false;
    for (const std::string& m : models) seen = seen || m == o.model_name;
    if (seen) continue;
    models.push_back(o.model_name);
    track_hash_file(hash, vfs, o.model_name.c_str());
  }
  track_hash_finish(hash);
  memcpy(t.hash, hash.digest, TRACK_HASH_SIZE);

  scenery_read_cameras(t.scenery, vfs, folder);
  if (h.verbosity >= 1) log_message("%d cameras found\n", int(t.scenery.cameras.size()));
  return true;
}

}  // namespace

int64_t track_offline_start_tic(std::mt19937& random) {
  double u = double(random() >> 8) * (2.0 / 16777216.0);
  return int64_t((13 + u) * 128);
}

void track_free(TrackLoader& L, const TrackLoadHooks& h) {
  (void)h;
  log_message("Deallocating track\n");
  CurrentTrack& t = L.track;
  scenery_free(t.scenery);
  gates_clear(t.gates);
  lighting_reset(t.lighting);
  terrain_free(t.terrain);
  t.surfaces = SurfaceTable{};
  t.loaded = false;
  log_message("Finished deallocating track\n");
}

bool track_load(TrackLoader& L, Vfs& vfs, const TrackList& tracks, const TrackLoadRequest& r,
                const TrackLoadHooks& h) {
  begin(h, "Resetting...");
  log_message("Resetting\n");
  roster_shuffle(L.roster, L.random);
  begin(h, "Remembering lines");
  begin(h, "Cleaning up");
  if (h.race_reset) h.race_reset(h.context);

  // The race clock.
  RaceClock& c = L.clock;
  c = RaceClock{};
  c.time_limit = r.time_limit > 0 ? r.time_limit : 0;
  c.laps = r.laps;
  c.lap_count = r.laps;
  if (r.multiplayer) {
    c.start_tic = r.server_start_tic;
  } else {
    c.start_tic = track_offline_start_tic(L.random);
    c.erosion = r.erosion;
    c.time_trial = r.lineup == nullptr;
  }

  int found = tracks_find(tracks, r.folder);
  if (found < 0) {
    log_message("No track '%s'\n", r.folder.c_str());
    if (L.track.loaded) track_free(L, h);
    return false;
  }
  const TrackInfo& info = tracks.tracks[size_t(found)];
  bool keep = L.track.loaded && L.track.folder == info.folder && !r.multiplayer && !r.force_reload;
  if (keep) {
    if (h.deformation_clear) h.deformation_clear(h.context);
  } else {
    if (L.track.loaded) track_free(L, h);
    L.track.folder = info.folder;
    L.track.display_name = info.display_name;
    if (!read_track(L, vfs, h)) {
      track_free(L, h);
      return false;
    }
    L.track.loaded = true;
    if (h.deformation_clear) h.deformation_clear(h.context);
    if (r.multiplayer) L.track.terrain.edit_lock = 1;
  }

  // The line-up.
  int codes[LINEUP_SLOTS] = {};
  if (c.time_trial) {
    codes[0] = LINEUP_HUMAN;
    c.first_tic = 300 * 128;
  } else {
    memcpy(codes, r.lineup, sizeof codes);
  }
  lineup_resolve(L.plan, codes, L.roster, r.demo);
  L.viewed_slot = L.plan.viewed >= 0 ? L.plan.viewed : 0;

  begin(h, "Analyzing lines");
  if (h.read_lines) h.read_lines(h.context, L.track, r.robot_skill);
  done(h, "Analyzing lines");

  begin(h, "Loading bikes");
  int first_rider = -1;
  for (int slot = 0; slot < LINEUP_SLOTS; ++slot) {
    const SlotRider& rider = L.plan.slot[slot];
    if (rider.kind == SLOT_RIDER_NONE) continue;
    progress(h, "Loading bikes");
    if (h.add_rider && h.add_rider(h.context, slot, rider, L.track) && first_rider < 0) first_rider = slot;
  }
  done(h, "Loading bikes");
  if (L.plan.viewed < 0 && first_rider >= 0) L.viewed_slot = first_rider;

  std::string script = in_folder(L.track.folder, "nofrills.js");
  if (!file_exists(h, vfs, script)) script = in_folder(L.track.folder, "frills.js");
  if (h.start_script && file_exists(h, vfs, script)) h.start_script(h.context, script.c_str());
  message_post("%d MB texture memory used\n", int(texture_bytes(h) >> 20));

  if (c.time_limit > 0) {
    c.laps = c.halfway_lap = 1000000;
  } else {
    c.halfway_lap = (c.laps + 1) / 2;
  }
  if (h.race_ready) h.race_ready(h.context, L.track, c, L.plan);
  return true;
}
