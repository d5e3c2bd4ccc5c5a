// Feeds arbitrary bytes to the "cameras" reader as a track file.
#include "scenery_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return scenery_fuzz_one("cameras", data, size,
                          [](Scenery& s, Vfs& vfs, const SceneryHooks&) { scenery_read_cameras(s, vfs, "tracks/f"); });
}
