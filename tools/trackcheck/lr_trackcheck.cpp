// lr-trackcheck TRACK: loads one track's data files the way the game does and
// prints what it found and every warning the readers gave. Track makers run
// it to find mistakes in their files. LR_HOME names the game-data folder.
#include "platform/log.h"
#include "platform/messages.h"
#include "render/image_file.h"
#include "track/gates.h"
#include "track/lighting.h"
#include "track/scenery.h"
#include "track/surface.h"
#include "track/terrain.h"
#include "track/track_list.h"
#include "vfs/vfs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

// Everything the readers said, in order.
struct CheckReport {
  std::vector<std::string> warnings;  // posted messages and log lines that look like warnings
  std::set<std::string> missing;      // files named by the track that could not be loaded
};

static void check_add(CheckReport& r, const char* text) {
  std::string t = text;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  r.warnings.push_back(t);
}

// Whether a line of the readers reports a problem (the rest is progress and
// information, such as the terrain's texture method).
static bool check_is_problem(const char* text) {
  // The gate and lighting readers name their file first on every warning.
  if (strncmp(text, "timing_gates: ", 14) == 0 || strncmp(text, "lighting: ", 10) == 0) return true;
  static const char* const marks[] = {"warning", "Warning", "Error", "error", "Bad", "bad", "ignored", "Unknown",
                                      "Can't", "missing", "unreadable", "not finite", "too long", "incomplete",
                                      "does not", "more than", "wrong"};
  for (const char* m : marks)
    if (strstr(text, m)) return true;
  return false;
}

static void check_message(void* context, const char* text) {
  if (check_is_problem(text)) check_add(*(CheckReport*)context, text);
}

static void check_log(void* context, const char* text) {
  if (check_is_problem(text)) check_add(*(CheckReport*)context, text);
}

// The asset loader of the check: a texture must be a readable image, a
// model or shape must exist. Handles count the distinct names asked for.
struct CheckAssets {
  Vfs* vfs = nullptr;
  CheckReport* report = nullptr;
  std::map<std::string, uint32_t> handles;  // name -> handle (0 = failed)
  int textures = 0, models = 0, shapes = 0; // distinct names loaded
};

static std::string asset_name(const char* name) { return name[0] == '@' ? name : std::string("@") + name; }

static bool image_readable(Vfs& vfs, const std::string& name) {
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) return false;
  ImageFile img;
  size_t n = name.size();
  bool ok;
  if (n > 4 && (name.compare(n - 4, 4, ".ppm") == 0))
    ok = pnm_read_ppm(f, img);
  else if (n > 4 && name.compare(n - 4, 4, ".pgm") == 0)
    ok = pnm_read_pgm(f, img);
  else
    ok = png_read_rgb(f, img);
  vfs_close(f);
  return ok;
}

static uint32_t check_asset(CheckAssets& a, const char* raw, const char* kind, int& counter) {
  if (!raw || !*raw || strcmp(raw, "null") == 0) return 0;
  std::string name = asset_name(raw);
  auto it = a.handles.find(name);
  if (it != a.handles.end()) return it->second;
  bool ok;
  if (strcmp(kind, "texture") == 0) {
    ok = image_readable(*a.vfs, name);
  } else {
    VfsFile* f = vfs_open(*a.vfs, name.c_str(), "rb");
    ok = f != nullptr;
    vfs_close(f);
  }
  uint32_t handle = ok ? uint32_t(a.handles.size() + 1) : 0;
  a.handles[name] = handle;
  if (ok)
    ++counter;
  else
    a.report->missing.insert(std::string(kind) + " " + name);
  return handle;
}

static TrackAssets check_loader(CheckAssets& a) {
  TrackAssets t;
  t.context = &a;
  t.texture = [](void* c, const char* name, int) {
    CheckAssets& a = *(CheckAssets*)c;
    return check_asset(a, name, "texture", a.textures);
  };
  t.model = [](void* c, const char* name) {
    CheckAssets& a = *(CheckAssets*)c;
    return check_asset(a, name, "model", a.models);
  };
  t.shape = [](void* c, const char* name) {
    CheckAssets& a = *(CheckAssets*)c;
    return check_asset(a, name, "shape", a.shapes);
  };
  t.exists = [](void* c, const char* name) {
    CheckAssets& a = *(CheckAssets*)c;
    VfsFile* f = vfs_open(*a.vfs, asset_name(name).c_str(), "rb");
    vfs_close(f);
    return f != nullptr;
  };
  return t;
}

static float check_height(void* context, float x, float z) { return terrain_height(*(Terrain*)context, x, z); }

static void usage() {
  fprintf(stderr,
          "usage: lr-trackcheck TRACK\n"
          "  TRACK is a track folder (\"tracks/claypit\") or its display name.\n"
          "  LR_HOME names the game-data folder; the home folder is searched first.\n");
}

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    usage();
    return 1;
  }
  CheckReport report;
  message_set_sink(check_message, &report);
  log_set_listener(check_log, &report);

  Vfs vfs;
  vfs_file_list(vfs);
  TrackList list;
  tracks_scan(list, vfs, 0);
  std::string folder = argv[1];
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  int found = tracks_find(list, folder);
  for (size_t i = 0; found < 0 && i < list.tracks.size(); ++i)
    if (list.tracks[i].display_name == folder) found = int(i);
  if (found < 0) {
    fprintf(stderr, "No track '%s'. Tracks found:\n", argv[1]);
    for (const TrackInfo& t : list.tracks) fprintf(stderr, "  %s (%s)\n", t.folder.c_str(), t.display_name.c_str());
    return 1;
  }
  const TrackInfo& track = list.tracks[size_t(found)];
  folder = track.folder;
  printf("Track %s \"%s\"\n", folder.c_str(), track.display_name.c_str());

  CheckAssets assets;
  assets.vfs = &vfs;
  assets.report = &report;
  TrackAssets loader = check_loader(assets);

  Lighting lighting;
  bool have_lighting = lighting_read(lighting, vfs, ("@" + folder + "/lighting").c_str(), loader, LightingHooks());

  SurfaceTable surfaces;
  SurfaceReadTarget target;
  target.table = &surfaces;
  target.loader.assets = loader;
  Terrain terrain;
  TerrainLoadParams params;
  params.folder = folder;
  params.surfaces = surfaces_read_named;
  params.surfaces_context = &target;
  bool terrain_ok = terrain_load(terrain, vfs, params);

  Scenery scenery;
  SceneryHooks hooks;
  hooks.assets = loader;
  hooks.context = &terrain;
  hooks.height = terrain_ok ? check_height : nullptr;
  scenery_begin(scenery, hooks);
  GateObjects gate_objects;
  gate_objects.context = &scenery;
  gate_objects.add = [](void* c, float x, float height, float z, float angle, const char* model,
                        const char* texture, const char* shape) {
    return scenery_add_object(*(Scenery*)c, x, height, z, angle, model, texture, shape);
  };
  GateSet gates;
  bool have_gates = gates_read(gates, vfs, ("@" + folder + "/timing_gates").c_str(), gate_objects, 0);
  SceneryFileStatus flaggers = scenery_read_flaggers(scenery, vfs, folder, int(gates.checkpoints.size()));
  SceneryFileStatus billboards = scenery_read_billboards(scenery, vfs, folder);
  SceneryFileStatus statues = scenery_read_statues(scenery, vfs, folder);
  uint32_t map = scenery_load_map(scenery, folder);
  SceneryFileStatus cameras = scenery_read_cameras(scenery, vfs, folder);
  std::vector<Decal> decals;
  SceneryFileStatus decal_status = scenery_read_decals(decals, vfs, folder, loader, false);

  if (terrain_ok) {
    printf("Terrain: %d x %d points, spacing %g, %g ft square, heights %.2f to %.2f\n", terrain.size, terrain.size,
           double(terrain.spacing), double(terrain.extent), double(terrain.min_height), double(terrain.max_height));
    printf("  tile map %d x %d, %s, shadows %s\n", terrain.tile_side, terrain.tile_side,
           terrain.info.shading_x2 ? "shadingx2.ppm" : "shading.ppm", terrain.info.shadows ? "yes" : "no");
  } else {
    printf("Terrain: did not load\n");
  }
  printf("Surfaces: %d from %s\n", surfaces_count(surfaces), surfaces.from_texturelist ? "texturelist" : "tileinfo");
  // Plain surfaces by name; blends ("a/b ...") and variants ("a alt 1") counted.
  std::set<std::string> plain;
  int blends = 0, variants = 0;
  for (int i = 0; i < surfaces_count(surfaces); ++i) {
    const Surface& sf = surfaces_get(surfaces, i);
    if (sf.name.find('/') != std::string::npos)
      ++blends;
    else if (sf.name.find(" alt") != std::string::npos)
      ++variants;
    else
      plain.insert(sf.name);
  }
  printf("  ");
  for (const std::string& n : plain) printf("%s ", n.c_str());
  printf("(%d variants, %d blends)\n", variants, blends);
  if (have_gates)
    printf("Gates: %zu starting gates, %zu checkpoints, first lap %d (%d counted), lap %d (%d counted)%s\n",
           gates.starting_gates.size(), gates.checkpoints.size(), gates.first_lap_length, gates.first_lap_counted,
           gates.normal_lap_length, gates.normal_lap_counted, gates_valid(gates) ? "" : ", NOT VALID");
  else
    printf("Gates: no timing_gates file\n");
  printf("Scenery: %zu statues, %zu billboards, %zu course flaggers, %zu decals, map %s\n",
         scenery.objects.size() - size_t(scenery.first_statue),
         scenery.billboards.size() - size_t(scenery.first_plain_billboard), scenery.course_flaggers.size(),
         decals.size(), map ? "yes" : "no");
  int mapped = 0;
  for (int c : scenery.gate_camera) mapped += c >= 0;
  printf("Cameras: %zu, %d checkpoints watched\n", scenery.cameras.size(), mapped);
  if (have_lighting)
    printf("Lighting: sun (%.2f %.2f %.2f), fog density %g, %zu flares\n", double(lighting.values.sun_vector[0]),
           double(lighting.values.sun_vector[1]), double(lighting.values.sun_vector[2]),
           double(lighting.fog_density), lighting.flares.size());
  else
    printf("Lighting: no lighting file (defaults)\n");
  printf("Files: %d textures, %d models, %d shapes loaded\n", assets.textures, assets.models, assets.shapes);
  (void)flaggers;
  (void)billboards;
  (void)statues;
  (void)cameras;
  (void)decal_status;

  for (const std::string& m : report.missing) report.warnings.push_back("missing " + m);
  if (report.warnings.empty()) {
    printf("No warnings\n");
  } else {
    printf("%zu warnings:\n", report.warnings.size());
    for (const std::string& w : report.warnings) printf("  %s\n", w.c_str());
  }
  log_set_listener(nullptr, nullptr);
  message_set_sink(nullptr, nullptr);
  terrain_free(terrain);
  scenery_free(scenery);
  return terrain_ok ? 0 : 1;
}
