// Feeds arbitrary bytes to the "lighting" reader as a track file and checks
// the limits every read must leave.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "track/lighting.h"
#include "vfs/vfs.h"

static std::string fuzz_folder() {
  static std::string folder;
  if (folder.empty()) {
    char name[] = "/tmp/lighting-fuzz-XXXXXX";
    if (!mkdtemp(name)) abort();
    folder = name;
  }
  return folder;
}

static uint32_t fuzz_texture(void* context, const char* name, int flags) { return ++*(uint32_t*)context; }

static void fuzz_fog(void* context, const float colour[3], float density) {
  if (!std::isfinite(colour[0]) || !std::isfinite(colour[1]) || !std::isfinite(colour[2]) || !(density >= 0))
    abort();
  ++*(int*)context;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = fuzz_folder() + "/lighting";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
  Vfs vfs;
  vfs_set_folders(vfs, fuzz_folder() + "/home/", fuzz_folder() + "/game/");
  uint32_t textures = 0;
  TrackAssets assets;
  assets.context = &textures;
  assets.texture = fuzz_texture;
  int fog_calls = 0;
  LightingHooks hooks;
  hooks.context = &fog_calls;
  hooks.set_fog = fuzz_fog;
  Lighting lighting;
  lighting_read(lighting, vfs, path.c_str(), assets, hooks);
  const LightingValues& v = lighting.values;
  double len = std::sqrt(double(v.sun_vector[0]) * v.sun_vector[0] + double(v.sun_vector[1]) * v.sun_vector[1] +
                         double(v.sun_vector[2]) * v.sun_vector[2]);
  if (fog_calls != 1 || !(std::fabs(len - 1) < 1e-5) || !(v.near_plane >= 1.0f / 1024 && v.near_plane <= 0.875f) ||
      !(v.far_plane >= v.near_plane && v.far_plane <= 1048576.0f) ||
      (v.dynamic_lighting != 0 && v.dynamic_lighting != 1) ||
      int(lighting.flares.size()) > LIGHTING_FLARES_MAX)
    abort();
  for (const LightingFlare& flare : lighting.flares)
    if (int(flare.elements.size()) > LIGHTING_FLARE_ELEMENTS_MAX) abort();
  vfs_shutdown(vfs);
  return 0;
}
