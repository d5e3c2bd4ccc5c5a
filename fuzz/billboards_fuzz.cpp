// Feeds arbitrary bytes to the "billboards" reader as a track file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "platform/messages.h"
#include "track/scenery.h"
#include "vfs/vfs.h"

static uint32_t fuzz_handle(void*, const char* name, int) { return name[0] == 'x' ? 0 : 1; }
static uint32_t fuzz_model(void*, const char* name) { return name[0] == 'x' ? 0 : 2; }
static float fuzz_height(void*, float x, float z) { return 0.25f * x - 0.5f * z; }
static void fuzz_quiet(void*, const char*) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::string game;
  if (game.empty()) {
    char folder[] = "/tmp/lrfuzz-XXXXXX";
    if (!mkdtemp(folder)) abort();
    game = folder;
    mkdir((game + "/tracks").c_str(), 0755);
    mkdir((game + "/tracks/f").c_str(), 0755);
    message_set_sink(fuzz_quiet, nullptr);
  }
  std::string path = game + "/tracks/f/billboards";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);
  Vfs vfs;
  vfs_set_folders(vfs, "", game);
  SceneryHooks hooks;
  hooks.assets.texture = fuzz_handle;
  hooks.assets.model = fuzz_model;
  hooks.assets.shape = fuzz_model;
  hooks.height = fuzz_height;
  hooks.shaders = true;
  Scenery scenery;
  scenery_begin(scenery, hooks);
  scenery_read_billboards(scenery, vfs, "tracks/f");
  billboards_format(scenery);
  scenery_free(scenery);
  vfs_shutdown(vfs);
  return 0;
}
