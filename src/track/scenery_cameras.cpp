// Trackside cameras with their gate-to-camera table, and the map image.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "track/scenery.h"
#include "vfs/vfs.h"

enum { CAMERA_LINE_MAX = 1024 };

// One line of at most CAMERA_LINE_MAX - 1 bytes without its "\n"; the rest of
// a longer line is dropped, so its tail never reads as a line of its own.
static bool scenery_camera_line(VfsFile* f, char* line) {
  int len = 0, c = vfs_getc_pushed(f);
  if (c < 0) return false;
  for (; c >= 0 && c != '\n'; c = vfs_getc_pushed(f))
    if (len < CAMERA_LINE_MAX - 1) line[len++] = char(c);
  line[len] = 0;
  return true;
}

static bool scenery_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Maps each checkpoint number on a "gate" line to the next camera.
static void scenery_camera_gates(Scenery& scenery, SceneryFileStatus& status, const char* rest, int line_number) {
  for (;;) {
    char* end = nullptr;
    errno = 0;
    long gate = strtol(rest, &end, 10);
    if (end == rest) return;
    rest = end;
    if (errno == ERANGE || gate < 0 || gate >= SCENERY_GATE_CAMERAS) {
      scenery_warn(status, "cameras warning: gate %ld on line %d is not 0..255, ignored\n", gate, line_number);
      continue;
    }
    scenery.gate_camera[gate] = int(scenery.cameras.size());
  }
}

SceneryFileStatus scenery_read_cameras(Scenery& scenery, Vfs& vfs, const std::string& folder) {
  SceneryFileStatus status;
  std::string name = scenery_file_name(folder, "cameras");
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) return status;
  status.found = true;
  float fov = 90, auto_size = 0;
  char line[CAMERA_LINE_MAX];
  for (int number = 1; scenery_camera_line(f, line); ++number) {
    char* p = line;
    while (scenery_space(*p)) ++p;
    char* word = p;
    while (*p && !scenery_space(*p)) ++p;
    size_t word_len = size_t(p - word);
    auto is = [&](const char* keyword) { return word_len == strlen(keyword) && strncmp(word, keyword, word_len) == 0; };
    float v[3];
    if (is("addcamera")) {
      if (sscanf(p, "%f %f %f", &v[0], &v[1], &v[2]) != 3 || !scenery_finite(v, 3)) {
        scenery_warn(status, "cameras warning: bad addcamera on line %d, ignored\n", number);
        continue;
      }
      if (scenery.cameras.size() >= SCENERY_MAX_CAMERAS) {
        scenery_warn(status, "cameras warning: more than %d cameras, the rest is ignored\n", SCENERY_MAX_CAMERAS);
        break;
      }
      TracksideCamera cam;
      cam.x = v[0];
      cam.height = v[1];
      cam.z = v[2];
      cam.y = (scenery.hooks.height ? scenery.hooks.height(scenery.hooks.context, v[0], v[2]) : 0.0f) + v[1];
      cam.fov = fov;
      cam.auto_fov_size = auto_size;
      scenery.cameras.push_back(cam);
      fov = 90;
      auto_size = 0;
      ++status.entries;
    } else if (is("fov") || is("autofovsize")) {
      if (sscanf(p, "%f", &v[0]) != 1 || !scenery_finite(v, 1)) {
        scenery_warn(status, "cameras warning: bad %s on line %d, ignored\n", word_len == 3 ? "fov" : "autofovsize",
                     number);
        continue;
      }
      (word_len == 3 ? fov : auto_size) = std::fabs(v[0]);
      ++status.entries;
    } else if (is("gate")) {
      scenery_camera_gates(scenery, status, p, number);
      ++status.entries;
    }
  }
  vfs_close(f);
  if (scenery.hooks.verbosity >= 1) log_message("%d cameras found\n", int(scenery.cameras.size()));
  return status;
}

uint32_t scenery_load_map(Scenery& scenery, const std::string& folder) {
  std::string name = scenery_file_name(folder, "map.png");
  const TrackAssets& assets = scenery.hooks.assets;
  scenery.map_texture = 0;
  if (!assets.exists || assets.exists(assets.context, name.c_str()))
    scenery.map_texture =
        track_asset_texture(assets, name.c_str(), ASSET_TEXTURE_MIPMAP | ASSET_TEXTURE_CLAMP | ASSET_TEXTURE_ALPHA);
  return scenery.map_texture;
}
