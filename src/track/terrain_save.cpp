// Saving a terrain into the home folder (the track editor's save).
//
// Each file is written as "<name>.new" and renamed over "<name>" once it is
// complete, so a failed write leaves the old file in place. "terrain.png"
// is renamed before "terrain.hf", whose header gives the scale of its
// samples. Messages: "Can't open '%s'" (with the file's name) when a file
// cannot be created, "Error writing '%s'" when writing or renaming fails;
// either stops the save.
#include "track/terrain.h"

#include "platform/messages.h"
#include "render/image_file.h"
#include "render/png_write.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// One file being written under its temporary name.
struct TerrainSaveFile {
  std::string name;       // the file's own name, e.g. "terrain.hf"
  std::string target;     // "@<folder>/<name>"
  std::string temporary;  // target + ".new"
  VfsFile* file = nullptr;
};

static bool save_open(TerrainSaveFile& s, Vfs& vfs, const Terrain& t, const char* name) {
  s.name = name;
  s.target = "@" + t.folder + "/" + name;
  s.temporary = s.target + ".new";
  // Straight into the home folder: the temporary is renamed there, and no
  // other folder may receive it when the home folder refuses the file.
  const char* home = vfs_search_folder(vfs, 0);
  std::string path = home ? std::string(home) + s.temporary.substr(1) : std::string();
  s.file = home && path.size() <= VFS_NAME_MAX ? vfs_open_path(path.c_str(), "wb") : nullptr;
  if (!s.file) message_post("Can't open '%s'", name);
  return s.file != nullptr;
}

// Removes a temporary file from the home folder, where writes go.
static void save_discard(Vfs& vfs, const TerrainSaveFile& s) {
  const char* home = vfs_search_folder(vfs, 0);
  if (home) std::remove((std::string(home) + s.temporary.substr(1)).c_str());
}

// Closes the file; false (and the temporary removed) when anything failed.
static bool save_close(TerrainSaveFile& s, Vfs& vfs, bool written) {
  written = written && vfs_flush(s.file) == 0 && !ferror(s.file->file);
  written = fclose(s.file->file) == 0 && written;
  s.file->file = nullptr;
  vfs_close(s.file);
  s.file = nullptr;
  if (!written) {
    message_post("Error writing '%s'", s.name.c_str());
    save_discard(vfs, s);
  }
  return written;
}

static bool save_commit(TerrainSaveFile& s, Vfs& vfs) {
  if (vfs_replace(vfs, s.temporary.c_str(), s.target.c_str())) return true;
  message_post("Error writing '%s'", s.name.c_str());
  save_discard(vfs, s);
  return false;
}

// Writes one whole file and puts it in place.
template <typename Write>
static bool save_file(Vfs& vfs, const Terrain& t, const char* name, Write write) {
  TerrainSaveFile s;
  if (!save_open(s, vfs, t, name)) return false;
  if (!save_close(s, vfs, write(s.file))) return false;
  return save_commit(s, vfs);
}

// The header of "terrain.hf". The spacing is written with "%f" unless that
// would not read back as the same value.
static std::string height_header(const Terrain& t) {
  char spacing[64];
  snprintf(spacing, sizeof spacing, "%f", double(t.spacing));
  float back = 0;
  if (sscanf(spacing, "%f", &back) != 1 || back != t.spacing) snprintf(spacing, sizeof spacing, "%.9g", double(t.spacing));
  char header[256];
  snprintf(header, sizeof header, "%d %s %f %f\n", t.exponent, spacing, double(t.min_height), double(t.max_height));
  return header;
}

static bool save_heights(Terrain& t, Vfs& vfs) {
  int n = t.size;
  size_t count = size_t(n) * size_t(n);
  auto range = std::minmax_element(t.heights.begin(), t.heights.end());
  t.min_height = *range.first;
  t.max_height = *range.second;
  std::string header = height_header(t);
  // Quantise against the minimum and maximum as the loader will read them
  // back from the header, so a reload is off by at most half a step.
  int e = 0;
  float d = 0, lo = 0, hi = 0;
  if (sscanf(header.c_str(), "%d %f %f %f", &e, &d, &lo, &hi) != 4) return false;
  double span = double(hi) - double(lo);
  std::vector<uint16_t> samples(count, 0);
  if (span > 0)
    for (size_t j = 0; j < count; ++j) {
      double s = std::trunc((double(t.heights[j]) - lo) / span * 65535 + 0.5);
      samples[j] = uint16_t(std::clamp(s, 0.0, 65535.0));
    }
  // Both files are complete before either is put in place; the image goes
  // first, so the header never describes samples it was not written for.
  TerrainSaveFile png, hf;
  if (!save_open(png, vfs, t, "terrain.png")) return false;
  if (!save_close(png, vfs, png_write_grey16(png.file, n, n, samples.data()))) return false;
  if (!save_open(hf, vfs, t, "terrain.hf")) {
    save_discard(vfs, png);
    return false;
  }
  if (!save_close(hf, vfs, vfs_puts(hf.file, header.c_str()) >= 0)) {
    save_discard(vfs, png);
    return false;
  }
  if (!save_commit(png, vfs)) {
    save_discard(vfs, hf);
    return false;
  }
  return save_commit(hf, vfs);
}

bool terrain_save(Terrain& t, Vfs& vfs) {
  if (t.size <= 0 || t.heights.size() != size_t(t.size) * size_t(t.size)) return false;
  int n = t.size;
  if (!save_heights(t, vfs)) return false;
  terrain_flush_reshade(t);
  if (t.shading.size() == 3 * size_t(n) * size_t(n)) {
    std::vector<uint8_t> full(t.shading.size());
    for (size_t j = 0; j < full.size(); ++j) full[j] = t.shading[j] >= 128 ? 255 : uint8_t(2 * t.shading[j]);
    if (!save_file(vfs, t, "shading.ppm", [&](VfsFile* f) { return pnm_write_ppm(f, n, n, full.data()); }))
      return false;
    if (!save_file(vfs, t, "shadingx2.ppm", [&](VfsFile* f) { return pnm_write_ppm(f, n, n, t.shading.data()); }))
      return false;
  }
  size_t tiles = size_t(t.tile_side) * size_t(t.tile_side);
  if (t.tiles.size() == tiles &&
      !save_file(vfs, t, "tilemap", [&](VfsFile* f) { return vfs_write(f, t.tiles.data(), int(tiles)) == int(tiles); }))
    return false;
  if (t.decals && t.decal_hooks.write &&
      !save_file(vfs, t, "decals", [&](VfsFile* f) { return t.decal_hooks.write(t.decal_hooks.context, t, f); }))
    return false;
  return true;
}
