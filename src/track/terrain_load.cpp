// Loading a terrain from the files of a track folder.
//
// Messages, in the order the steps run:
//   "Can't open '%.950s'"                       a required file is missing
//   "Bad height field parameters", "Error reading heights"
//                                               "terrain.hf" header unreadable or out of range
//   "terrain.hf warning: %d of %d height samples missing\n"
//                                               short inline heights (the rest are the minimum)
//   "Terrain texture rendering with TexSubImage" / "... with CopyTexSubImage" /
//   "... with framebuffer objects" / "Something went wrong setting up terrain texture rendering!"
//   "Error reading shading", "Bad shading dimensions (%dx%d)"
//   "Error reading shadows"; logged "Bad shadow dimensions (%dx%d)\n"
//   "Error reading tileinfo", "Error reading textures"
//   "tilemap warning: %d of %d tiles missing\n" short tile map (the rest are tile 0)
// Logged: "terrain.png unreadable, heights set to the minimum\n", the
// digest of the samples at verbosity 2 and texture memory at verbosity 1.
#include "track/terrain.h"

#include "platform/log.h"
#include "platform/messages.h"
#include "render/image_file.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cmath>

// Spacings outside this range are refused: a zero or negative spacing has no
// grid, and the camera's smoothed height visits (10 / d)^2 points per call.
static const float terrain_spacing_min = 1.0f / 16;
static const float terrain_spacing_max = 1024;

static void loading_begin(const TerrainLoadParams& p, const char* text) {
  if (p.loading.begin) p.loading.begin(p.loading.context, text);
  else log_message("%s\n", text);
}

static void loading_progress(const TerrainLoadParams& p, const char* text) {
  if (p.loading.progress) p.loading.progress(p.loading.context, text);
}

static void loading_done(const TerrainLoadParams& p, const char* text) {
  if (p.loading.done) p.loading.done(p.loading.context, text);
}

static std::string terrain_file_name(const TerrainLoadParams& p, const char* file) {
  std::string folder = p.folder;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return "@" + folder + "/" + file;
}

static VfsFile* open_required(Vfs& vfs, const std::string& name) {
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) message_post("Can't open '%.950s'", name.c_str());
  return f;
}

static unsigned long texture_memory(const Terrain& t) {
  return t.render.texture_memory ? t.render.texture_memory(t.render.context) : 0;
}

static bool header_in_range(int e, float d, float lo, float hi) {
  if (e < TERRAIN_EXPONENT_MIN || e > TERRAIN_EXPONENT_MAX) {
    log_message("terrain.hf: size exponent %d outside %d..%d\n", e, TERRAIN_EXPONENT_MIN, TERRAIN_EXPONENT_MAX);
    return false;
  }
  if (!(d >= terrain_spacing_min && d <= terrain_spacing_max)) {
    log_message("terrain.hf: spacing %g outside %g..%g\n", double(d), double(terrain_spacing_min),
                double(terrain_spacing_max));
    return false;
  }
  if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo)) {
    log_message("terrain.hf: height range %g..%g is not finite\n", double(lo), double(hi));
    return false;
  }
  return true;
}

// Step 3: the samples after ":" or the pixels of "terrain.png".
static void read_heights(Terrain& t, Vfs& vfs, const TerrainLoadParams& p, VfsFile* hf, std::vector<uint16_t>& samples) {
  int n = t.size;
  size_t count = size_t(n) * size_t(n);
  samples.assign(count, 0);
  if (vfs_getc_pushed(hf) == ':') {
    t.info.heights = TERRAIN_HEIGHTS_INLINE;
    std::vector<uint8_t> row(size_t(n) * 2);
    size_t got = 0;
    for (int k = 0; k < n; ++k) {
      int bytes = vfs_read(hf, row.data(), int(row.size()));
      for (int i = 0; i + 1 < bytes; i += 2) samples[got++] = uint16_t(row[size_t(i)] | row[size_t(i) + 1] << 8);
      loading_progress(p, "Loading heights");
      if (bytes < int(row.size())) break;
    }
    if (got < count) {
      t.info.samples_missing = int(count - got);
      message_post("terrain.hf warning: %d of %d height samples missing\n", int(count - got), int(count));
    }
  } else {
    std::string name = terrain_file_name(p, "terrain.png");
    VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
    ImageGrey16 image;
    bool ok = f && png_read_grey16(f, image);
    vfs_close(f);
    if (ok) {
      t.info.heights = TERRAIN_HEIGHTS_IMAGE;
      t.info.image_width = image.width;
      t.info.image_height = image.height;
      // A smaller image is continued by its last row and column.
      for (int k = 0; k < n; ++k) {
        size_t row = size_t(std::min(k, image.height - 1)) * size_t(image.width);
        for (int i = 0; i < n; ++i)
          samples[size_t(k) * size_t(n) + size_t(i)] = image.samples[row + size_t(std::min(i, image.width - 1))];
      }
    } else {
      t.info.heights = TERRAIN_HEIGHTS_FLAT;
      log_message("terrain.png unreadable, heights set to the minimum\n");
    }
    loading_progress(p, "Loading heights");
  }
  double lo = t.min_height, range = double(t.max_height) - double(t.min_height);
  for (size_t j = 0; j < count; ++j) t.heights[j] = float(lo + range * samples[j] / 65535.0);
}

static void log_digest(const TerrainLoadParams& p, const std::vector<uint16_t>& samples) {
  if (p.verbosity < 2 || !p.digest) return;
  std::vector<unsigned char> bytes(samples.size() * 2);
  for (size_t j = 0; j < samples.size(); ++j) {
    bytes[2 * j] = (unsigned char)(samples[j] & 255);
    bytes[2 * j + 1] = (unsigned char)(samples[j] >> 8);
  }
  unsigned char digest[20];
  p.digest(bytes.data(), bytes.size(), digest);
  char text[41];
  for (int b = 0; b < 20; ++b) snprintf(text + 2 * b, 3, "%02x", digest[b]);
  log_message("%s\n", text);
}

// Step 4: the ground texture rendering method.
static void choose_texture_method(Terrain& t, const TerrainLoadParams& p) {
  int m = p.texture_method;
  if (m == TERRAIN_TEXTURE_DIRECT && !(t.render.framebuffer_ready && t.render.framebuffer_ready(t.render.context, t)))
    m = TERRAIN_TEXTURE_SOFTWARE;
  if (m == TERRAIN_TEXTURE_SOFTWARE) message_post("Terrain texture rendering with TexSubImage");
  else if (m == TERRAIN_TEXTURE_COPY) message_post("Terrain texture rendering with CopyTexSubImage");
  else if (m == TERRAIN_TEXTURE_DIRECT) message_post("Terrain texture rendering with framebuffer objects");
  else {
    message_post("Something went wrong setting up terrain texture rendering!");
    m = TERRAIN_TEXTURE_SOFTWARE;
  }
  t.texture_method = m;
  t.ground_texture_limit = m == TERRAIN_TEXTURE_DIRECT ? 0 : 256;
  t.shader_drawing = p.shader_terrain && (m == TERRAIN_TEXTURE_COPY || m == TERRAIN_TEXTURE_DIRECT);
}

// Step 5: "shadingx2.ppm" as stored, or "shading.ppm" halved.
static bool read_shading(Terrain& t, Vfs& vfs, const TerrainLoadParams& p) {
  int n = t.size;
  VfsFile* f = vfs_open(vfs, terrain_file_name(p, "shadingx2.ppm").c_str(), "rb");
  t.info.shading_x2 = f != nullptr;
  if (!f && !(f = open_required(vfs, terrain_file_name(p, "shading.ppm")))) return false;
  ImageFile image;
  bool ok = pnm_read_ppm(f, image);
  vfs_close(f);
  if (!ok) {
    message_post("Error reading shading");
    return false;
  }
  if (image.width != n || image.height != n) {
    message_post("Bad shading dimensions (%dx%d)", image.width, image.height);
    return false;
  }
  t.shading.swap(image.pixels);
  if (!t.info.shading_x2)
    for (uint8_t& b : t.shading) b = uint8_t(b >> 1);
  loading_progress(p, "Loading shading");
  return true;
}

// Step 6: "shadows.pgm" holds light; the terrain keeps darkness.
static bool read_shadows(Terrain& t, Vfs& vfs, const TerrainLoadParams& p) {
  int n = t.size;
  t.shadows.assign(size_t(n) * size_t(n), 0);
  VfsFile* f = vfs_open(vfs, terrain_file_name(p, "shadows.pgm").c_str(), "rb");
  if (!f) return true;
  t.info.shadows = true;
  ImageFile image;
  bool ok = pnm_read_pgm(f, image);
  vfs_close(f);
  if (!ok) {
    message_post("Error reading shadows");
    return false;
  }
  if (image.width != n || image.height != n) {
    log_message("Bad shadow dimensions (%dx%d)\n", image.width, image.height);
    return false;
  }
  for (size_t j = 0; j < t.shadows.size(); ++j) t.shadows[j] = uint8_t(255 - image.pixels[j]);
  return true;
}

// Step 7: the surface definitions, through the surface code.
static bool read_surfaces(Terrain& t, Vfs& vfs, const TerrainLoadParams& p) {
  if (!p.surfaces) {
    t.tile_count = p.tile_count;
    return true;
  }
  std::string tileinfo = terrain_file_name(p, "tileinfo");
  // Opened rather than looked up, so that compressed variants and loose
  // files count before the file index is built.
  VfsFile* probe = vfs_open(vfs, tileinfo.c_str(), "rb");
  t.info.texturelist = probe == nullptr;
  vfs_close(probe);
  std::string name = t.info.texturelist ? terrain_file_name(p, "texturelist") : tileinfo;
  int count = p.surfaces(p.surfaces_context, vfs, name.c_str(), t.info.texturelist);
  if (count < 0) {
    message_post(t.info.texturelist ? "Error reading textures" : "Error reading tileinfo");
    return false;
  }
  t.tile_count = count;
  return true;
}

// Step 8: the tile map, each index clamped below the tile count.
static bool read_tilemap(Terrain& t, Vfs& vfs, const TerrainLoadParams& p) {
  VfsFile* f = open_required(vfs, terrain_file_name(p, "tilemap"));
  if (!f) return false;
  size_t count = size_t(t.tile_side) * size_t(t.tile_side);
  t.tiles.assign(count, 0);
  size_t got = 0;
  while (got < count) {
    int chunk = int(std::min(count - got, size_t(65536)));
    int bytes = vfs_read(f, t.tiles.data() + got, chunk);
    if (bytes <= 0) break;
    got += size_t(bytes);
    loading_progress(p, "Loading tilemap");
  }
  vfs_close(f);
  if (got < count) {
    t.info.tiles_missing = int(count - got);
    message_post("tilemap warning: %d of %d tiles missing\n", int(count - got), int(count));
  }
  int top = std::max(t.tile_count, 1) - 1;
  for (uint8_t& tile : t.tiles)
    if (tile > top) {
      tile = uint8_t(top);
      ++t.info.tiles_clamped;
    }
  return true;
}

// The loading steps; false as soon as one fails (the caller frees).
static bool terrain_load_steps(Terrain& t, Vfs& vfs, const TerrainLoadParams& p) {
  // 1. The height file's header.
  loading_begin(p, "Loading terrain");
  VfsFile* hf = open_required(vfs, terrain_file_name(p, "terrain.hf"));
  if (!hf) return false;
  int e = 0;
  float d = 0, lo = 0, hi = 0;
  if (vfs_scanf(hf, "%d %f %f %f ", &e, &d, &lo, &hi) != 4 || !header_in_range(e, d, lo, hi)) {
    message_post("Bad height field parameters");
    message_post("Error reading heights");
    vfs_close(hf);
    return false;
  }
  // 2. The grid.
  t.exponent = e;
  t.size = (1 << (e + 1)) + 1;
  t.tile_side = 1 << e;
  t.spacing = d;
  t.inv_spacing = 1 / d;
  t.extent = float(t.size - 1) * d;
  t.tile_size = 2 * d;
  t.detail = p.detail;
  t.min_height = lo;
  t.max_height = hi;
  size_t points = size_t(t.size) * size_t(t.size);
  t.heights.assign(points, lo);
  loading_done(p, "Loading terrain");
  // 3. The heights.
  loading_begin(p, "Loading heights");
  std::vector<uint16_t> samples;
  read_heights(t, vfs, p, hf, samples);
  vfs_close(hf);
  log_digest(p, samples);
  t.base_heights = t.heights;
  if (t.render.build_quadtree) t.render.build_quadtree(t.render.context, t);
  loading_done(p, "Loading heights");
  // 4. How the ground textures are drawn.
  choose_texture_method(t, p);
  // 5. Shading.
  loading_begin(p, "Loading shading");
  if (!read_shading(t, vfs, p)) return false;
  loading_done(p, "Loading shading");
  // 6. Shadows.
  loading_begin(p, "Loading shadows");
  if (!read_shadows(t, vfs, p)) return false;
  loading_done(p, "Loading shadows");
  if (p.verbosity >= 1) log_message("%lu bytes texture memory used before ground tiles loaded\n", texture_memory(t));
  // 7. Surfaces.
  loading_begin(p, "Loading tileinfo");
  if (!read_surfaces(t, vfs, p)) return false;
  loading_done(p, "Loading tileinfo");
  if (p.verbosity >= 1) log_message("%lu bytes texture memory used after ground tiles loaded\n", texture_memory(t));
  // 8. The tile map and the change bookkeeping.
  loading_begin(p, "Loading tilemap");
  if (!read_tilemap(t, vfs, p)) return false;
  size_t triangles = 2 * size_t(t.size - 1) * size_t(t.size - 1);
  terrain_bits_init(t.reshade, points, false);
  terrain_bits_init(t.triangle_dirty, triangles, true);
  t.triangle_normals.assign(3 * triangles, 0);
  loading_done(p, "Loading tilemap");
  // 9. Packed normals for shader drawing.
  if (t.shader_drawing) {
    loading_begin(p, "Creating terrain normals");
    t.packed_normals.assign(3 * points, 0);
    terrain_bits_init(t.normal_dirty, points, false);
    for (int k = 0; k < t.size; ++k) {
      for (int i = 0; i < t.size; ++i) terrain_pack_normal(t, i, k);
      loading_progress(p, "Creating terrain normals");
    }
    loading_done(p, "Creating terrain normals");
  }
  // 10. Low-detail and level-of-detail textures.
  if (t.texture_method != TERRAIN_TEXTURE_SOFTWARE) {
    loading_begin(p, "Creating low detail textures");
    if (t.render.low_detail_textures) t.render.low_detail_textures(t.render.context, t);
    loading_done(p, "Creating low detail textures");
    if (p.verbosity >= 1)
      log_message("%lu bytes texture memory used after low detail ground textures\n", texture_memory(t));
    loading_begin(p, "Creating LOD textures");
    if (t.render.lod_textures) t.render.lod_textures(t.render.context, t);
    loading_done(p, "Creating LOD textures");
  }
  // 11. Decals.
  if (VfsFile* f = vfs_open(vfs, terrain_file_name(p, "decals").c_str(), "rb")) {
    t.info.decals = true;
    loading_begin(p, "Loading decals");
    if (t.decal_hooks.read) t.decal_hooks.read(t.decal_hooks.context, t, vfs, f);
    vfs_close(f);
    loading_done(p, "Loading decals");
  }
  return true;
}

bool terrain_load(Terrain& t, Vfs& vfs, const TerrainLoadParams& p) {
  terrain_free(t);
  t.folder = p.folder;
  while (!t.folder.empty() && t.folder.back() == '/') t.folder.pop_back();
  t.render = p.render;
  t.decal_hooks = p.decals;
  if (terrain_load_steps(t, vfs, p)) return true;
  terrain_free(t);
  return false;
}
