// Feeds arbitrary bytes to the "statues" reader as a track file.
#include "scenery_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return scenery_fuzz_one("statues", data, size, [](Scenery& s, Vfs& vfs, const SceneryHooks&) {
    scenery_read_statues(s, vfs, "tracks/f");
    statues_format(s);
  });
}
