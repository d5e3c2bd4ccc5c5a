// Decals: the "decals" file read by the terrain loader, and its writer.
#include <cmath>

#include "track/scenery.h"
#include "track/track_text.h"
#include "vfs/vfs.h"

// Decals are painted into the ground textures and clamp at their edges.
static const int kDecalTextureFlags = ASSET_TEXTURE_GROUND | ASSET_TEXTURE_ALPHA | ASSET_TEXTURE_CLAMP;

// The image name with its extension (from the last "." after the last "/")
// replaced by each ending in turn.
static std::vector<std::string> scenery_decal_map_names(const std::string& image, const char* png, const char* ppm) {
  size_t dot = image.rfind('.'), slash = image.rfind('/');
  std::string stem = image;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem = image.substr(0, dot);
  return {stem + png, stem + ppm};
}

int scenery_add_decal(std::vector<Decal>& decals, float x, float z, float angle, float size, float aspect,
                      const char* image, const TrackAssets& assets, bool shaders) {
  float numbers[5] = {x, z, angle, size, aspect};
  if (!scenery_finite(numbers, 5) || decals.size() >= SCENERY_MAX_DECALS) return -1;
  Decal d;
  d.name = image ? image : "";
  d.x = x;
  d.z = z;
  d.angle = angle;
  d.size = size;
  d.aspect = aspect;
  d.sin_angle = std::sin(angle);
  d.cos_angle = std::cos(angle);
  if (!d.name.empty()) {
    d.texture = track_asset_texture(assets, d.name.c_str(), kDecalTextureFlags);
    if (shaders && d.texture) {
      d.normal_map = scenery_first_texture(assets, scenery_decal_map_names(d.name, "_tnorm.png", "_tnorm.ppm"),
                                           kDecalTextureFlags);
      d.specular_map = scenery_first_texture(assets, scenery_decal_map_names(d.name, "_tspec.png", "_tspec.ppm"),
                                             kDecalTextureFlags);
    }
  }
  decals.push_back(std::move(d));
  return int(decals.size()) - 1;
}

void scenery_decal_corners(const Decal& decal, float out[4][2]) {
  // Half extents along the decal's own axes: across (cos, -sin), along (sin, cos).
  float w = decal.size * 0.5f, l = decal.size * decal.aspect * 0.5f;
  static const float signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int i = 0; i < 4; ++i) {
    float a = signs[i][0] * w, b = signs[i][1] * l;
    out[i][0] = decal.x + a * decal.cos_angle + b * decal.sin_angle;
    out[i][1] = decal.z - a * decal.sin_angle + b * decal.cos_angle;
  }
}

SceneryFileStatus scenery_parse_decals(std::vector<Decal>& decals, VfsFile* f, const TrackAssets& assets,
                                       bool shaders, void (*progress)(void* context, const char* text),
                                       void* progress_context) {
  SceneryFileStatus status;
  if (!f) return status;
  status.found = true;
  vfs_skip_space(f);
  char image[SCENERY_NAME_MAX + 1];
  for (int entry = 1; vfs_peekc(f) >= 0; ++entry) {
    float v[5];
    if (vfs_scanf(f, "[ %f %f ] %f %f %f %1023s ", &v[0], &v[1], &v[2], &v[3], &v[4], image) != 6) {
      scenery_warn(status, "decals warning: entry %d does not convert, the rest is ignored\n", entry);
      break;
    }
    if (!scenery_finite(v, 5)) {
      scenery_warn(status, "decals warning: entry %d has a number that is not finite, skipped\n", entry);
      continue;
    }
    if (decals.size() >= SCENERY_MAX_DECALS) {
      scenery_warn(status, "decals warning: more than %d decals, the rest is ignored\n", SCENERY_MAX_DECALS);
      break;
    }
    if (progress) progress(progress_context, "Loading decals");
    if (scenery_add_decal(decals, v[0], v[1], v[2], v[3], v[4], image, assets, shaders) >= 0) ++status.entries;
  }
  return status;
}

SceneryFileStatus scenery_read_decals(std::vector<Decal>& decals, Vfs& vfs, const std::string& folder,
                                      const TrackAssets& assets, bool shaders,
                                      void (*progress)(void* context, const char* text), void* progress_context) {
  std::string name = scenery_file_name(folder, "decals");
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) return SceneryFileStatus();
  SceneryFileStatus status = scenery_parse_decals(decals, f, assets, shaders, progress, progress_context);
  vfs_close(f);
  return status;
}

std::string decals_format(const std::vector<Decal>& decals) {
  std::string text;
  for (const Decal& d : decals)
    if (!d.name.empty())
      track_appendf(text, "[%f %f] %f %f %f %s\n", d.x, d.z, d.angle, d.size, d.aspect, d.name.c_str());
  return text;
}

bool decals_write(const std::vector<Decal>& decals, Vfs& vfs, const std::string& folder) {
  return scenery_save_file(vfs, folder, "decals", decals_format(decals));
}
