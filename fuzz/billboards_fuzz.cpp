// Feeds arbitrary bytes to the "billboards" reader as a track file.
#include "scenery_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return scenery_fuzz_one("billboards", data, size, [](Scenery& s, Vfs& vfs, const SceneryHooks&) {
    scenery_read_billboards(s, vfs, "tracks/f");
    billboards_format(s);
  });
}
