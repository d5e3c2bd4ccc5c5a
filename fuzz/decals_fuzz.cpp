// Feeds arbitrary bytes to the "decals" reader as a track file.
#include <vector>

#include "scenery_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return scenery_fuzz_one("decals", data, size, [](Scenery&, Vfs& vfs, const SceneryHooks& hooks) {
    std::vector<Decal> decals;
    scenery_read_decals(decals, vfs, "tracks/f", hooks.assets, true);
    decals_format(decals);
  });
}
