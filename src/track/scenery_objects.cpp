// Scenery objects: placement, loading what they name, the "statues" file and
// its writer.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "platform/messages.h"
#include "track/scenery.h"
#include "track/track_text.h"
#include "vfs/vfs.h"

static const float kTwoPi = 6.2831853071795864f;

// Objects with a texture ask for mipmapped textures; the maps likewise.
static const int kObjectTextureFlags = ASSET_TEXTURE_MIPMAP;

float scenery_orientation(float out[9], float angle, float nx, float ny, float nz) {
  if (angle >= SCENERY_FACING_ANGLE) {
    static const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    memcpy(out, identity, sizeof identity);
    // 2^128 is no longer a float: beyond that the object turns at any distance
    // that can be told apart anyway.
    return std::exp2(std::fmin(angle, 127.0f));
  }
  float s = std::sin(angle), c = std::cos(angle);
  float up[3] = {0, 1, 0};
  if (angle > -kTwoPi) {
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (std::isfinite(len) && len > 0 && ny > 0) {
      up[0] = nx / len;
      up[1] = ny / len;
      up[2] = nz / len;
    }
  }
  // z axis: the heading (sin, 0, cos) lifted into the ground plane, so that
  // seen from above it still points along the heading; x axis = up x z. On
  // flat ground this is the plain turn about the vertical.
  float az[3] = {s, -(s * up[0] + c * up[2]) / up[1], c};
  float zlen = std::sqrt(az[0] * az[0] + az[1] * az[1] + az[2] * az[2]);
  for (float& v : az) v /= zlen;
  float ax[3] = {up[1] * az[2] - up[2] * az[1], up[2] * az[0] - up[0] * az[2], up[0] * az[1] - up[1] * az[0]};
  for (int row = 0; row < 3; ++row) {
    out[row * 3 + 0] = ax[row];
    out[row * 3 + 1] = up[row];
    out[row * 3 + 2] = az[row];
  }
  return 0;
}

static float scenery_height_at(const Scenery& scenery, float x, float z) {
  return scenery.hooks.height ? scenery.hooks.height(scenery.hooks.context, x, z) : 0.0f;
}

void scenery_ground_normal(const Scenery& scenery, float x, float z, float out[3]) {
  float h = scenery_height_at(scenery, x, z);
  float dx = scenery_height_at(scenery, x + 1, z) - h;
  float dz = scenery_height_at(scenery, x, z + 1) - h;
  // (0, dz, 1) x (1, dx, 0)
  float n[3] = {-dx, 1, -dz};
  float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!std::isfinite(len)) {
    n[0] = 0, n[2] = 0, len = 1;
  }
  for (int i = 0; i < 3; ++i) out[i] = n[i] / len;
}

void scenery_place_object(Scenery& scenery, int index) {
  if (index < 0 || size_t(index) >= scenery.objects.size()) return;
  SceneryObject& o = scenery.objects[size_t(index)];
  o.y = scenery_height_at(scenery, o.x, o.z) + o.height;
  float n[3] = {0, 1, 0};
  if (o.angle < SCENERY_FACING_ANGLE && o.angle > -kTwoPi) scenery_ground_normal(scenery, o.x, o.z, n);
  o.turn_distance = scenery_orientation(o.orientation, o.angle, n[0], n[1], n[2]);
}

// The name with its extension (from the last "." after the last "/") cut off.
static std::string scenery_without_extension(const std::string& name) {
  size_t dot = name.rfind('.');
  size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name;
  return name.substr(0, dot);
}

static bool scenery_ends_with(const std::string& text, const char* tail) {
  size_t n = strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

std::vector<std::string> scenery_companion_names(const std::string& texture, const char* kind) {
  static const char* const repeat_tails[] = {"-repeat.png", "-repeat.ppm", "-repeat.seq"};
  std::vector<std::string> names;
  for (const char* tail : repeat_tails) {
    if (!scenery_ends_with(texture, tail)) continue;
    std::string stem = texture.substr(0, texture.size() - strlen(tail));
    for (const char* ext : {"-repeat.seq", "-repeat.png", "-repeat.ppm"}) names.push_back(stem + kind + ext);
    return names;
  }
  return scenery_model_companion_names(texture, kind);
}

std::vector<std::string> scenery_model_companion_names(const std::string& model, const char* kind) {
  std::string stem = scenery_without_extension(model);
  std::vector<std::string> names;
  for (const char* ext : {".seq", ".png", ".ppm"}) names.push_back(stem + kind + ext);
  return names;
}

// One companion map: the texture's names first, then the model's.
static uint32_t scenery_object_map(const TrackAssets& assets, const SceneryObject& o, const char* kind) {
  uint32_t handle = scenery_first_texture(assets, scenery_companion_names(o.texture_name, kind), kObjectTextureFlags);
  if (!handle)
    handle = scenery_first_texture(assets, scenery_model_companion_names(o.model_name, kind), kObjectTextureFlags);
  return handle;
}

static std::string scenery_given(const char* name) {
  if (!name || strcmp(name, "null") == 0) return std::string();
  return name;
}

int scenery_add_object(Scenery& scenery, float x, float height, float z, float angle, const char* model,
                       const char* texture, const char* shape) {
  float numbers[4] = {x, height, z, angle};
  if (!scenery_finite(numbers, 4) || scenery.objects.size() >= SCENERY_MAX_OBJECTS) return -1;
  const TrackAssets& assets = scenery.hooks.assets;
  SceneryObject o;
  o.model_name = scenery_given(model);
  o.texture_name = scenery_given(texture);
  o.shape_name = scenery_given(shape);
  o.x = x;
  o.height = height;
  o.z = z;
  o.angle = angle;
  if (!o.model_name.empty()) o.model = track_asset_model(assets, o.model_name.c_str());
  if (!o.model_name.empty() && !o.texture_name.empty()) {
    o.texture = track_asset_texture(assets, o.texture_name.c_str(), kObjectTextureFlags);
    if (scenery.hooks.shaders) {
      o.normal_map = scenery_object_map(assets, o, "_norm");
      o.specular_map = scenery_object_map(assets, o, "_spec");
    }
  }
  if (!o.shape_name.empty()) {
    bool missing = assets.exists && !assets.exists(assets.context, o.shape_name.c_str());
    if (!missing) o.shape = track_asset_shape(assets, o.shape_name.c_str());
    if (missing || (!assets.exists && !o.shape))
      message_post("Warning: missing shape file %.900s", o.shape_name.c_str());
  }
  scenery.objects.push_back(std::move(o));
  int index = int(scenery.objects.size()) - 1;
  scenery_place_object(scenery, index);
  return index;
}

std::vector<std::string> scenery_model_names(const Scenery& scenery) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const SceneryObject& o : scenery.objects)
    if (!o.model_name.empty() && seen.insert(o.model_name).second) names.push_back(o.model_name);
  return names;
}

SceneryFileStatus scenery_read_statues(Scenery& scenery, Vfs& vfs, const std::string& folder) {
  SceneryFileStatus status;
  scenery.first_statue = int(scenery.objects.size());
  std::string name = scenery_file_name(folder, "statues");
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) return status;
  status.found = true;
  vfs_skip_space(f);
  char model[SCENERY_NAME_MAX + 1], texture[SCENERY_NAME_MAX + 1], shape[SCENERY_NAME_MAX + 1];
  for (int entry = 1; vfs_peekc(f) >= 0; ++entry) {
    float v[4];
    int got = vfs_scanf(f, "[ %f %f %f ] %f %1023s %1023s %1023s ", &v[0], &v[1], &v[2], &v[3], model, texture, shape);
    if (got != 7) {
      scenery_warn(status, "statues warning: entry %d does not convert, the rest is ignored\n", entry);
      break;
    }
    if (!scenery_finite(v, 4)) {
      scenery_warn(status, "statues warning: entry %d has a number that is not finite, skipped\n", entry);
      continue;
    }
    if (scenery.objects.size() >= SCENERY_MAX_OBJECTS) {
      scenery_warn(status, "statues warning: more than %d objects, the rest is ignored\n", SCENERY_MAX_OBJECTS);
      break;
    }
    if (scenery.hooks.progress) scenery.hooks.progress(scenery.hooks.context, "Loading statues");
    if (scenery_add_object(scenery, v[0], v[1], v[2], v[3], model, texture, shape) >= 0) ++status.entries;
  }
  vfs_close(f);
  return status;
}

static const char* scenery_or_null(const std::string& name) { return name.empty() ? "null" : name.c_str(); }

std::string statues_format(const Scenery& scenery) {
  std::string text;
  for (size_t i = size_t(std::max(scenery.first_statue, 0)); i < scenery.objects.size(); ++i) {
    const SceneryObject& o = scenery.objects[i];
    track_appendf(text, "[%f %f %f] %f %s %s %s\n", o.x, o.height, o.z, o.angle, scenery_or_null(o.model_name),
                   scenery_or_null(o.texture_name), scenery_or_null(o.shape_name));
  }
  return text;
}

bool statues_write(const Scenery& scenery, Vfs& vfs, const std::string& folder) {
  return scenery_save_file(vfs, folder, "statues", statues_format(scenery));
}
