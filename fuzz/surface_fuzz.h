// The shared harness of the surface readers' fuzz targets: the input is
// read as one file and the table it builds must be whole: 1..256 surfaces,
// short names, bounded counts, finite curves.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/messages.h"
#include "track/surface.h"
#include "vfs/vfs.h"

static void ignore_line(void*, const char*) {}
static uint32_t fake_texture(void*, const char* name, int) { return name[0] ? 1u : 0u; }

static void check_table(const SurfaceTable& table) {
  int n = surfaces_count(table);
  if (n < 1 || n > SURFACE_MAX) abort();
  for (const Surface& s : table.surfaces) {
    if (s.name.size() > SURFACE_NAME_MAX) abort();
    if (s.slip_function < 0 || s.slip_function >= SURFACE_SLIP_FUNCTIONS) abort();
    if (s.roost_count < 0 || s.roost_count > SURFACE_ROOST_KINDS) abort();
    if (s.erosion.erode_limit_count < 1 || s.erosion.erode_limit_count > SURFACE_ERODE_LIMITS) abort();
    for (const RoostKind& k : s.roost)
      if (!(k.count >= 0 && k.count <= SURFACE_ROOST_MAX_COUNT)) abort();
    if (s.blend_code != -256 && ((s.blend_code >> 16) >= n || ((s.blend_code >> 8) & 255) >= n)) abort();
    for (float speed : {-1.0f, 0.0f, 3.0f, 50.0f, 2e6f}) {
      if (!std::isfinite(surface_friction(s, speed))) abort();
      RollResistPair p = surface_roll_resist(s, speed);
      if (!std::isfinite(p.first) || !std::isfinite(p.second)) abort();
    }
  }
}

// Writes the input as a file named file in a scratch folder and reads it.
inline int surface_fuzz_one(const char* file, const uint8_t* data, size_t size, bool texturelist) {
  static std::string folder_path;
  if (folder_path.empty()) {
    char folder[] = "/tmp/surface-fuzz-XXXXXX";
    if (!mkdtemp(folder)) abort();
    folder_path = folder;
    message_set_sink(ignore_line, nullptr);
  }
  std::string path = folder_path + "/" + file;
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) abort();
  if (size) fwrite(data, 1, size, out);
  fclose(out);

  SurfaceLoader loader;
  loader.assets.texture = fake_texture;
  SurfaceTable table;
  VfsFile* f = vfs_open_path(path.c_str(), "rb");
  if (!f) abort();
  if (texturelist)
    surfaces_read_texturelist(table, f, loader);
  else
    surfaces_read_tileinfo(table, f, loader);
  vfs_close(f);
  check_table(table);
  return 0;
}
