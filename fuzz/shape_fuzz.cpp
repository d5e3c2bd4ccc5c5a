// Feeds arbitrary bytes to the collision shape reader, directly and through
// the shape cache, as a file of a scratch game folder.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bike/shape.h"
#include "bike/shape_cache.h"
#include "platform/messages.h"
#include "vfs/vfs.h"

static void fuzz_quiet(void*, const char*) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::string game;
  if (game.empty()) {
    char folder[] = "/tmp/lrfuzz-shape-XXXXXX";
    if (!mkdtemp(folder)) abort();
    game = folder;
    message_set_sink(fuzz_quiet, nullptr);
  }
  std::string path = game + "/f.shp";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);

  Vfs vfs;
  vfs_set_folders(vfs, "", game);
  Shape shape;
  std::string error;
  ShapeResult result = shape_load(shape, vfs, "@f.shp", error);
  if (result == SHAPE_OK) {
    // What the contact code relies on.
    if (shape.spheres.size() > SHAPE_MAX_SPHERES || !std::isfinite(shape.bound_radius)) abort();
    for (const ShapeSphere& s : shape.spheres)
      if (!std::isfinite(s.x) || !std::isfinite(s.radius) || !(s.radius >= 0) || !(s.mu >= 0) ||
          !std::isfinite(s.kp) || !(s.kd >= 0))
        abort();
  } else if (!shape.spheres.empty() || error.empty()) {
    abort();
  }

  ShapeCache cache;
  shape_cache_init(cache, vfs);
  uint32_t first = shape_cache_load(cache, "@f.shp");
  if (shape_cache_load(cache, "@f.shp") != first || (first != 0) != (result == SHAPE_OK)) abort();
  shape_cache_free(cache);
  vfs_shutdown(vfs);
  return 0;
}
