// Feeds arbitrary bytes to the "flaggers" reader as a track file.
#include "scenery_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return scenery_fuzz_one("flaggers", data, size, [](Scenery& s, Vfs& vfs, const SceneryHooks&) {
    scenery_read_flaggers(s, vfs, "tracks/f", 5);
  });
}
