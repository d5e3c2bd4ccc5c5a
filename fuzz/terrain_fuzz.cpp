// Feeds arbitrary bytes to the terrain loader as one of a track's terrain
// files (the first byte picks which; the others are a small sound track),
// checks what a successful load holds, queries it, saves it and checks that
// the saved track loads back to the same heights.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/messages.h"
#include "track/terrain.h"
#include "vfs/vfs.h"

static std::string fuzz_folder() {
  static std::string folder;
  if (folder.empty()) {
    char name[] = "/tmp/terrain-fuzz-XXXXXX";
    if (!mkdtemp(name)) abort();
    folder = name;
  }
  return folder;
}

static void fuzz_write(const std::string& path, const void* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
}

static void fuzz_write(const std::string& path, const std::string& text) { fuzz_write(path, text.data(), text.size()); }

static void fuzz_quiet(void*, const char*) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  message_set_sink(fuzz_quiet, nullptr);
  std::string root = fuzz_folder();
  std::filesystem::remove_all(root + "/home");
  std::filesystem::remove_all(root + "/game");
  std::string track = root + "/game/tracks/f/";
  std::filesystem::create_directories(track);

  // A sound 5 x 5 track: inline heights, shading, shadows and a tile map.
  std::string hf = "1 2.000000 0.000000 10.000000\n:";
  for (int j = 0; j < 25; ++j) hf += std::string(1, char(j * 37)) + std::string(1, char(j * 11));
  std::string pixels;
  for (int j = 0; j < 75; ++j) pixels.push_back(char(j * 3));
  fuzz_write(track + "terrain.hf", hf);
  fuzz_write(track + "shading.ppm", "P6\n5 5\n255\n" + pixels);
  fuzz_write(track + "shadows.pgm", "P5\n5 5\n255\n" + pixels.substr(0, 25));
  fuzz_write(track + "tilemap", std::string("\x00\x01\x02\x03", 4));

  static const char* const targets[] = {"terrain.hf", "terrain.png", "shading.ppm",
                                        "shadows.pgm", "tilemap",     "shadingx2.ppm"};
  int target = data[0] % 6;
  if (target == 1) fuzz_write(track + "terrain.hf", "1 2 0 10\n");  // heights from the image
  fuzz_write(track + targets[target], data + 1, size - 1);

  Vfs vfs;
  vfs_set_folders(vfs, root + "/home/", root + "/game/");
  TerrainLoadParams params;
  params.folder = "tracks/f";
  params.tile_count = 3;
  Terrain t;
  if (terrain_load(t, vfs, params)) {
    size_t points = size_t(t.size) * size_t(t.size);
    if (t.size != (1 << (t.exponent + 1)) + 1 || t.heights.size() != points || t.shading.size() != 3 * points ||
        t.shadows.size() != points || t.tiles.size() != size_t(t.tile_side) * size_t(t.tile_side))
      abort();
    for (float h : t.heights)
      if (!std::isfinite(h)) abort();
    for (uint8_t tile : t.tiles)
      if (tile >= 3) abort();
    for (float x = -3; x < t.extent + 3; x += 0.7f) {
      if (!std::isfinite(terrain_height(t, x, x * 0.5f)) || !std::isfinite(terrain_smooth_height(t, x, 1)))
        abort();
      TerrainContact contact;
      terrain_sphere_contact(t, TerrainVec{x, terrain_height(t, x, 2) + 0.5f, 2}, 1, contact);
      if (!std::isfinite(contact.depth)) abort();
    }
    terrain_set_point(t, 1, 1, 3.5f);
    std::vector<float> saved = t.heights;
    if (!terrain_save(t, vfs)) abort();
    float step = (t.max_height - t.min_height) / 65535;
    Terrain again;
    if (!terrain_load(again, vfs, params) || again.heights.size() != saved.size()) abort();
    for (size_t j = 0; j < saved.size(); ++j)
      if (std::fabs(again.heights[j] - saved[j]) > step + 1e-3f * std::fabs(saved[j]) + 1e-5f) abort();
    terrain_free(again);
  }
  terrain_free(t);
  vfs_shutdown(vfs);
  message_set_sink(nullptr, nullptr);
  return 0;
}
