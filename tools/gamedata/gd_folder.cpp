#include "gamedata/gd_folder.h"

#include <cstdio>
#include <map>

#include "gamedata/art_bikes.h"
#include "gamedata/art_ground.h"
#include "gamedata/art_scenery.h"
#include "gamedata/bike_shapes.h"
#include "gamedata/gd_image.h"
#include "gamedata/track_course.h"
#include "gamedata/track_defs.h"
#include "gamedata/track_light.h"
#include "gamedata/track_map.h"
#include "gamedata/track_scenery.h"
#include "gamedata/track_surfaces.h"
#include "gamedata/track_terrain.h"
#include "gamedata/track_tilemap.h"

// Where a track's files go and how each is stored.
struct TrackPlacement {
  const char* folder;
  const char* archive;  // "" for loose files
  GdEncoding terrain, tilemap, shading, shadows, text;
};

// Clay Pit is loose, its large files compressed; Sand Hill lives in base.saf.
static const TrackPlacement placements[] = {
    {"claypit", "", GD_GZ, GD_PLAIN, GD_GZ, GD_GZ, GD_PLAIN},
    {"sandhill", "base.saf", GD_PLAIN, GD_GZ, GD_PLAIN, GD_GZ_SCRAM, GD_PLAIN},
};

// The archive that holds the ground tile textures. Their names have no
// folder: a tile's blend is read from its name, up to the first "/".
static const char* const tile_archive = "ground.saf";

static bool fail(const char* what, const char* folder) {
  fprintf(stderr, "can't make the %s of '%s'\n", what, folder);
  return false;
}

static bool add_image(GdPlan& plan, const std::string& archive, const std::string& name, GdEncoding encoding,
                      const GdImage& image, bool png) {
  GdBytes bytes;
  if (!(png ? gd_image_png(image, bytes) : gd_image_pnm(image, bytes))) return false;
  gd_plan_add(plan, archive, name, encoding, std::move(bytes));
  return true;
}

static bool plan_track(GdPlan& plan, const TrackPlacement& where, std::map<std::string, GdTile>& tiles) {
  const GdTrack* track = gd_track_find(where.folder);
  GdTerrain terrain;
  GdBytes heights, tilemap;
  if (!track || !gd_terrain_build(*track, terrain)) return fail("terrain", where.folder);
  gd_terrain_quantise(terrain);
  GdTileSet set;
  if (!gd_terrain_file(terrain, heights) || !gd_tileset_build(gd_track_kinds(*track), set) ||
      !gd_tilemap_file(*track, terrain, set, tilemap))
    return fail("tile map", where.folder);
  for (const GdTile& t : set.tiles) tiles[gd_tile_texture(t)] = t;

  std::vector<unsigned char> light, shading;
  if (!gd_shadow_light(terrain, track->lighting, light) || !gd_shading(terrain, track->lighting, light, shading))
    return fail("shading", where.folder);
  GdCourse course;
  GdScenery scenery;
  GdImage map;
  if (!gd_course_build(*track, terrain, course)) return fail("timing gates", where.folder);
  if (!gd_scenery_build(*track, terrain, course, scenery)) return fail("scenery", where.folder);
  if (!gd_map_image(*track, terrain, course, map)) return fail("map", where.folder);

  std::string a = where.archive, dir = std::string("tracks/") + track->folder + "/";
  gd_plan_add_text(plan, a, dir + "desc", GD_PLAIN,
                   std::string(track->name) + "\nA stand-in motocross track made by lr-gamedata.\n");
  gd_plan_add(plan, a, dir + "terrain.hf", where.terrain, std::move(heights));
  gd_plan_add(plan, a, dir + "tilemap", where.tilemap, std::move(tilemap));
  gd_plan_add_text(plan, a, dir + "tileinfo", where.text, gd_tileinfo_text(set));
  int n = terrain.size;
  GdImage stored, full, shadows;
  gd_image_make(stored, n, n, 3, 0);
  stored.pixels = shading;
  gd_image_make(full, n, n, 3, 0);
  full.pixels = gd_shading_full(shading);
  gd_image_make(shadows, n, n, 1, 0);
  shadows.pixels = light;
  if (!add_image(plan, a, dir + "shadingx2.ppm", where.shading, stored, false) ||
      !add_image(plan, a, dir + "shading.ppm", where.shading, full, false) ||
      !add_image(plan, a, dir + "shadows.pgm", where.shadows, shadows, false) ||
      !add_image(plan, a, dir + "map.png", GD_PLAIN, map, true))
    return fail("images", where.folder);
  gd_plan_add_text(plan, a, dir + "lighting", where.text, gd_lighting_text(track->lighting));
  gd_plan_add_text(plan, a, dir + "timing_gates", where.text, gd_timing_gates_text(course));
  gd_plan_add_text(plan, a, dir + "statues", where.text, gd_statues_text(scenery));
  gd_plan_add_text(plan, a, dir + "billboards", where.text, gd_billboards_text(scenery));
  gd_plan_add_text(plan, a, dir + "flaggers", where.text, gd_flaggers_text(scenery));
  gd_plan_add_text(plan, a, dir + "decals", where.text, gd_decals_text(scenery));
  gd_plan_add_text(plan, a, dir + "cameras", where.text, gd_cameras_text(scenery));
  return true;
}

static bool plan_tiles(GdPlan& plan, const std::map<std::string, GdTile>& tiles) {
  GdGroundArt art;
  gd_ground_art_init(art, GD_TILE_PIXELS);
  for (const auto& [name, tile] : tiles) {
    GdImage image;
    gd_ground_tile(art, tile, image);
    if (!add_image(plan, tile_archive, name, GD_PLAIN, image, true)) return fail("ground tiles", name.c_str());
  }
  return true;
}

bool gd_folder_plan(GdPlan& plan) {
  plan = GdPlan{};
  // Loose files, in each stored form, at the top and in a sub-folder.
  gd_plan_add_text(plan, "", "readme.txt", GD_PLAIN,
                   "Loamrun stand-in game data, written by lr-gamedata.\n"
                   "Every file here is generated: change the generator, not the files.\n");
  gd_plan_add_text(plan, "", "credits.txt", GD_GZ, "Game data: generated by tools/gamedata.\n");
  gd_plan_add_text(plan, "", "motd.txt", GD_SCRAM, "Welcome to Loamrun.\n");
  gd_plan_add_text(plan, "", "colors/white.txt", GD_PLAIN, "1.00 1.00 1.00\n");
  gd_plan_add_text(plan, "", "colors/black.txt", GD_GZ, "0.00 0.00 0.00\n");
  gd_plan_add_text(plan, "", "colors/clay.txt", GD_SCRAM, "0.62 0.38 0.24\n");
  gd_plan_add_text(plan, "", "colors/dirt.txt", GD_GZ_SCRAM, "0.45 0.32 0.20\n");
  // base.saf: a track plus entries in each stored form.
  gd_plan_add_text(plan, "base.saf", "colors/grass.txt", GD_PLAIN, "0.30 0.52 0.22\n");
  gd_plan_add_text(plan, "base.saf", "colors/sand.txt", GD_SCRAM, "0.86 0.76 0.55\n");
  gd_plan_add_text(plan, "base.saf", "colors/loam.txt", GD_GZ_SCRAM, "0.36 0.27 0.18\n");
  // Scenery shared by the tracks, loose under "scenery/".
  if (!gd_art_plan(plan, "")) return fail("scenery art", "scenery");
  // The bike and rider collision shapes, loose at the top.
  gd_bike_shapes_plan(plan, "");
  if (!gd_bikes_plan(plan, "")) return fail("bike art", "bikes");
  std::map<std::string, GdTile> tiles;  // every ground tile any track names, by texture name
  for (const TrackPlacement& where : placements)
    if (!plan_track(plan, where, tiles)) return false;
  if (!plan_tiles(plan, tiles)) return false;
  // zzzz.saf: a name the loose folder also has (the loose file wins), an
  // empty entry, and a compressed one.
  gd_plan_add_text(plan, "zzzz.saf", "readme.txt", GD_PLAIN,
                   "This copy inside zzzz.saf is hidden by the loose readme.txt.\n");
  gd_plan_add_text(plan, "zzzz.saf", "notes/empty.txt", GD_PLAIN, "");
  gd_plan_add_text(plan, "zzzz.saf", "notes/archive.txt", GD_GZ, "Stored compressed inside zzzz.saf.\n");
  return true;
}

bool gd_folder_write(const std::string& folder) {
  GdPlan plan;
  return gd_folder_plan(plan) && gd_plan_write(plan, folder);
}
