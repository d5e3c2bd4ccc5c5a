#include "gamedata/track_surfaces.h"

#include <cstdarg>
#include <cstdio>

// Grip, rolling resistance, roost and erosion of one kind of ground.
struct KindPhysics {
  const char* base;        // texture base name
  double friction[3][2];   // (mu, slip speed in ft/s), ascending speeds
  double roll[3];          // resistance at no depth, at full depth, and the speed it applies from
  const char* roost[2];    // "roost" arguments; null for none
  double erode_depth;      // outer dig depth per sample
  double erode_radius;     // feet
};

static const KindPhysics kinds[GD_SURFACE_KINDS] = {
    {"tile_grass",
     {{0.90, 0}, {0.75, 10}, {0.60, 30}},
     {6, 18, 1},
     {"texture=@scenery/roost.png count=1 dig=0.5 slip_threshold=6 size=0.3 grow=2 drag=0.8 randomize=10 "
      "r=92 g=110 b=58 a=255 fade_a=-256",
      nullptr},
     0.6, 3.5},
    {"tile_dirt",
     {{1.15, 0}, {1.00, 8}, {0.85, 30}},
     {5, 15, 1},
     {"texture=@scenery/roost.png count=2 dig=1 slip_threshold=4 size=0.3 grow=3 drag=0.6 randomize=12 "
      "r=128 g=84 b=52 a=255 fade_a=-256",
      nullptr},
     1.0, 4},
    {"tile_hardpack",
     {{1.20, 0}, {1.05, 10}, {0.90, 30}},
     {4, 10, 1},
     {"texture=@scenery/roost.png count=1 dig=0.6 slip_threshold=5 size=0.25 grow=4 drag=0.7 randomize=10 "
      "r=126 g=108 b=90 a=220 fade_a=-384",
      nullptr},
     0.5, 3.5},
    {"tile_sand",
     {{0.95, 0}, {0.90, 10}, {0.85, 30}},
     {12, 40, 1},
     {"texture=@scenery/roost.png count=4 dig=1.5 slip_threshold=3 size=0.35 grow=3 drag=0.5 randomize=14 "
      "vscale=1.1 r=214 g=190 b=140 a=255 fade_a=-256",
      nullptr},
     1.5, 4.5},
    {"tile_mud",
     {{0.75, 0}, {0.60, 10}, {0.50, 30}},
     {10, 30, 1},
     {"texture=@scenery/roost.png count=2 dig=1.2 slip_threshold=3 size=0.35 grow=2 drag=0.4 randomize=10 "
      "r=70 g=52 b=36 a=255 fade_a=-192",
      "texture=@scenery/roost.png splash=1 count=1 slip_threshold=2 size=0.45 grow=4 drag=0.6 randomize=6 "
      "r=96 g=84 b=70 a=200 fade_a=-320"},
     1.2, 4},
};

const char* gd_surface_base(GdSurfaceKind kind) {
  return kind >= 0 && kind < GD_SURFACE_KINDS ? kinds[kind].base : "tile_dirt";
}

std::string gd_tile_texture(const GdTile& tile) {
  std::string name = gd_surface_base(tile.a);
  char tail[32];
  if (tile.a != tile.b) {
    snprintf(tail, sizeof tail, "-%d%d%d%d", (tile.mask >> 3) & 1, (tile.mask >> 2) & 1, (tile.mask >> 1) & 1,
             tile.mask & 1);
    name += std::string("-") + gd_surface_base(tile.b) + tail;
  } else if (tile.alt > 0) {
    snprintf(tail, sizeof tail, "-alt%d", tile.alt % 10);
    name += tail;
  }
  return name + ".png";
}

bool gd_tileset_build(const std::vector<GdSurfaceKind>& used, GdTileSet& set) {
  set.tiles.clear();
  for (size_t i = 0; i < used.size(); ++i) {
    if (used[i] < 0 || used[i] >= GD_SURFACE_KINDS) return false;
    for (size_t j = 0; j < i; ++j)
      if (used[j] == used[i]) return false;
  }
  for (GdSurfaceKind k : used) set.tiles.push_back({k, k, 0, 0});
  for (GdSurfaceKind k : used)
    for (int alt = 1; alt <= GD_TILE_ALTS; ++alt) set.tiles.push_back({k, k, 0, alt});
  for (size_t i = 0; i < used.size(); ++i)
    for (size_t j = i + 1; j < used.size(); ++j) {
      GdSurfaceKind a = used[i] < used[j] ? used[i] : used[j], b = used[i] < used[j] ? used[j] : used[i];
      for (int mask = 1; mask < 15; ++mask) set.tiles.push_back({a, b, mask, 0});
    }
  if (set.tiles.size() > 256) {
    set.tiles.clear();
    return false;
  }
  return true;
}

std::vector<GdSurfaceKind> gd_track_kinds(const GdTrack& track) {
  bool seen[GD_SURFACE_KINDS] = {};
  auto mark = [&](GdSurfaceKind k) {
    if (k >= 0 && k < GD_SURFACE_KINDS) seen[k] = true;
  };
  mark(track.ground_surface);
  mark(track.line_surface);
  for (int i = 0; i < track.section_count; ++i) mark(track.sections[i].surface);
  for (int i = 0; i < track.patch_count; ++i) mark(track.patches[i].surface);
  std::vector<GdSurfaceKind> out;
  for (int k = 0; k < GD_SURFACE_KINDS; ++k)
    if (seen[k]) out.push_back(GdSurfaceKind(k));
  return out;
}

int gd_tileset_find(const GdTileSet& set, GdSurfaceKind a, GdSurfaceKind b, int mask, int alt) {
  mask &= 15;
  if (a == b || mask == 0) b = a, mask = 0;
  if (mask == 15) a = b, mask = 0;
  if (a > b) {
    GdSurfaceKind t = a;
    a = b;
    b = t;
    mask ^= 15;
  }
  int plain = -1;
  for (size_t i = 0; i < set.tiles.size(); ++i) {
    const GdTile& t = set.tiles[i];
    if (t.a != a || t.b != b || t.mask != mask) continue;
    if (t.alt == alt) return int(i);
    if (t.alt == 0) plain = int(i);
  }
  return plain;
}

static int bits(int mask) { return (mask & 1) + ((mask >> 1) & 1) + ((mask >> 2) & 1) + ((mask >> 3) & 1); }

static void append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

static void append(std::string& out, const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  out += line;
}

std::string gd_tileinfo_text(const GdTileSet& set) {
  std::string out;
  for (const GdTile& t : set.tiles) {
    // A blend rides like the kind that covers most of it.
    GdSurfaceKind k = t.a != t.b && bits(t.mask) > 2 ? t.b : t.a;
    const KindPhysics& p = kinds[k];
    std::string texture = gd_tile_texture(t);
    const char* a = gd_surface_base(t.a) + 5;  // the base name without "tile_"
    if (t.a != t.b)
      append(out, "name %s/%s %d%d%d%d\n", a, gd_surface_base(t.b) + 5, (t.mask >> 3) & 1, (t.mask >> 2) & 1,
             (t.mask >> 1) & 1, t.mask & 1);
    else if (t.alt > 0)
      append(out, "name %s alt %d\n", a, t.alt);
    else
      append(out, "name %s\n", a);
    append(out, "texture @%s\n", texture.c_str());
    for (const auto& f : p.friction) append(out, "friction %g %g\n", f[0], f[1]);
    out += "slip_function 0\n";
    append(out, "roll_resist %g %g %g\n", p.roll[0], p.roll[1], p.roll[2]);
    for (const char* roost : p.roost)
      if (roost) append(out, "roost %s\n", roost);
    append(out, "erode_depth %g\n", p.erode_depth);
    append(out, "erode_radius %g\n", p.erode_radius);
    out += "erode_limit 0 1 1\nerode_limit 1.5 0.5 0.5\nerode_limit 3 0 0\n";
    out += "addtile\n";
  }
  return out;
}
