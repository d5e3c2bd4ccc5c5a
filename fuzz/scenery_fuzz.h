// The shared harness of the scenery readers' fuzz targets: the input becomes
// one file of a track folder in a scratch game folder, read with loaders
// that fail for names starting with "x" and a sloping ground.
#pragma once
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

// Writes the input as "tracks/f/<file>" and hands the reader a fresh scenery.
template <typename Read>
int scenery_fuzz_one(const char* file, const uint8_t* data, size_t size, Read read) {
  static std::string game;
  if (game.empty()) {
    char folder[] = "/tmp/lrfuzz-XXXXXX";
    if (!mkdtemp(folder)) abort();
    game = folder;
    mkdir((game + "/tracks").c_str(), 0755);
    mkdir((game + "/tracks/f").c_str(), 0755);
    message_set_sink(fuzz_quiet, nullptr);
  }
  std::string path = game + "/tracks/f/" + file;
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
  read(scenery, vfs, hooks);
  scenery_free(scenery);
  vfs_shutdown(vfs);
  return 0;
}
