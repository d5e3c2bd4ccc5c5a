// Feeds arbitrary bytes to the "tileinfo" reader.
#include "surface_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return surface_fuzz_one("tileinfo", data, size, false);
}
