// Billboards and flaggers: the colour prefix, the "billboards" and
// "flaggers" files and the billboard writer.
#include <algorithm>
#include <cstring>

#include "track/scenery.h"
#include "track/track_text.h"
#include "vfs/vfs.h"

// Sprites keep their alpha channel and are mipmapped.
static const int kBillboardTextureFlags = ASSET_TEXTURE_MIPMAP | ASSET_TEXTURE_ALPHA;

static int scenery_hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int scenery_colour_prefix(const char* name, uint8_t rgb[3]) {
  if (!name || name[0] != '#') return 0;
  int digits[6];
  for (int i = 0; i < 6; ++i)
    if ((digits[i] = scenery_hex_digit(name[1 + i])) < 0) return 0;
  if (name[7] != '#') return 0;
  for (int i = 0; i < 3; ++i) rgb[i] = uint8_t(digits[2 * i] * 16 + digits[2 * i + 1]);
  return 8;
}

int scenery_add_billboard(Scenery& scenery, float x, float height, float z, float size, float aspect,
                          const char* image) {
  float numbers[5] = {x, height, z, size, aspect};
  if (!scenery_finite(numbers, 5) || scenery.billboards.size() >= SCENERY_MAX_BILLBOARDS) return -1;
  Billboard b;
  b.x = x;
  b.height = height;
  b.z = z;
  b.y = (scenery.hooks.height ? scenery.hooks.height(scenery.hooks.context, x, z) : 0.0f) + height;
  b.size = size;
  b.aspect = aspect;
  if (!image) image = "";
  uint8_t rgb[3];
  if (int skip = scenery_colour_prefix(image, rgb)) {
    b.r = rgb[0], b.g = rgb[1], b.b = rgb[2];
    image += skip;
  }
  b.name = image;
  if (!b.name.empty()) b.texture = track_asset_texture(scenery.hooks.assets, b.name.c_str(), kBillboardTextureFlags);
  scenery.billboards.push_back(std::move(b));
  scenery.billboard_sort.push_back(0);
  scenery.billboard_sort.push_back(0);
  return int(scenery.billboards.size()) - 1;
}

SceneryFileStatus scenery_read_billboards(Scenery& scenery, Vfs& vfs, const std::string& folder) {
  SceneryFileStatus status;
  scenery.first_plain_billboard = int(scenery.billboards.size());
  std::string name = scenery_file_name(folder, "billboards");
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) return status;
  status.found = true;
  vfs_skip_space(f);
  char image[SCENERY_NAME_MAX + 1];
  for (int entry = 1; vfs_peekc(f) >= 0; ++entry) {
    float v[5];
    if (vfs_scanf(f, "[ %f %f %f ] %f %f %1023s ", &v[0], &v[1], &v[2], &v[3], &v[4], image) != 6) {
      scenery_warn(status, "billboards warning: entry %d does not convert, the rest is ignored\n", entry);
      break;
    }
    if (!scenery_finite(v, 5)) {
      scenery_warn(status, "billboards warning: entry %d has a number that is not finite, skipped\n", entry);
      continue;
    }
    if (scenery.billboards.size() >= SCENERY_MAX_BILLBOARDS) {
      scenery_warn(status, "billboards warning: more than %d billboards, the rest is ignored\n",
                   SCENERY_MAX_BILLBOARDS);
      break;
    }
    uint8_t rgb[3];
    if (image[0] == '#' && !scenery_colour_prefix(image, rgb))
      scenery_warn(status, "billboards warning: bad colour prefix in '%.900s'\n", image);
    if (scenery.hooks.progress) scenery.hooks.progress(scenery.hooks.context, "Loading billboards");
    if (scenery_add_billboard(scenery, v[0], v[1], v[2], v[3], v[4], image) >= 0) ++status.entries;
  }
  vfs_close(f);
  return status;
}

std::string billboards_format(const Scenery& scenery) {
  std::string text;
  for (size_t i = size_t(std::max(scenery.first_plain_billboard, 0)); i < scenery.billboards.size(); ++i) {
    const Billboard& b = scenery.billboards[i];
    if (b.name.empty()) continue;
    track_appendf(text, "[%f %f %f] %f %f ", b.x, b.height, b.z, b.size, b.aspect);
    if (b.r == 255 && b.g == 255 && b.b == 255)
      track_appendf(text, "%s\n", b.name.c_str());
    else
      track_appendf(text, "#%02x%02x%02x#%s\n", b.r, b.g, b.b, b.name.c_str());
  }
  return text;
}

bool billboards_write(const Scenery& scenery, Vfs& vfs, const std::string& folder) {
  return scenery_save_file(vfs, folder, "billboards", billboards_format(scenery));
}

// --- Flaggers ------------------------------------------------------------------

// Reads up to n " %1023s " names; returns how many were read.
static int scenery_read_names(VfsFile* f, char (*names)[SCENERY_NAME_MAX + 1], int n) {
  for (int i = 0; i < n; ++i)
    if (vfs_scanf(f, " %1023s ", names[i]) != 1) return i;
  return n;
}

// True when the stream has nothing left but white space.
static bool scenery_at_end(VfsFile* f) { return vfs_skip_space(f) < 0; }

// Loads the further textures of a flagger.
static void scenery_flagger_textures(Scenery& scenery, char (*names)[SCENERY_NAME_MAX + 1], int n,
                                     uint32_t* textures, std::string* kept) {
  for (int i = 0; i < n; ++i) {
    kept[i] = names[i];
    textures[i] = track_asset_texture(scenery.hooks.assets, names[i], kBillboardTextureFlags);
  }
}

static int scenery_clamp_checkpoint(int c, int checkpoints) {
  if (checkpoints <= 0) return -1;
  return std::clamp(c, -1, checkpoints - 1);
}

SceneryFileStatus scenery_read_flaggers(Scenery& scenery, Vfs& vfs, const std::string& folder, int checkpoints) {
  SceneryFileStatus status;
  std::string name = scenery_file_name(folder, "flaggers");
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) return status;
  status.found = true;
  char names[5][SCENERY_NAME_MAX + 1];
  float v[9];
  bool go = !scenery_at_end(f);
  // The start flagger.
  if (go) {
    int got = vfs_scanf(f, " [ %f %f %f ] [ %f %f %f ] %f %f %f ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                        &v[6], &v[7], &v[8]);
    go = got == 9 && scenery_read_names(f, names, 5) == 5;
    if (!go) {
      scenery_warn(status, "flaggers warning: start flagger incomplete, the rest is ignored\n");
    } else if (!scenery_finite(v, 9)) {
      scenery_warn(status, "flaggers warning: start flagger has a number that is not finite, skipped\n");
    } else {
      StartFlagger& s = scenery.start_flagger;
      s.billboard = scenery_add_billboard(scenery, v[0], v[1], v[2], v[6], v[7], names[0]);
      if (s.billboard >= 0) {
        s.present = true;
        for (int i = 0; i < 3; ++i) s.start[i] = v[i], s.end[i] = v[3 + i];
        s.walk_time = v[8];
        s.names[0] = names[0];
        s.textures[0] = scenery.billboards[size_t(s.billboard)].texture;
        scenery_flagger_textures(scenery, names + 1, 4, s.textures + 1, s.names + 1);
        ++status.entries;
      }
    }
    go = go && !scenery_at_end(f);
  }
  // The second flagger.
  if (go) {
    int got = vfs_scanf(f, " [ %f %f %f ] %f %f ", &v[0], &v[1], &v[2], &v[3], &v[4]);
    go = got == 5 && scenery_read_names(f, names, 5) == 5;
    if (!go) {
      scenery_warn(status, "flaggers warning: second flagger incomplete, the rest is ignored\n");
    } else if (!scenery_finite(v, 5)) {
      scenery_warn(status, "flaggers warning: second flagger has a number that is not finite, skipped\n");
    } else {
      SecondFlagger& s = scenery.second_flagger;
      s.billboard = scenery_add_billboard(scenery, v[0], v[1], v[2], v[3], v[4], names[0]);
      if (s.billboard >= 0) {
        s.present = true;
        s.names[0] = names[0];
        s.textures[0] = scenery.billboards[size_t(s.billboard)].texture;
        scenery_flagger_textures(scenery, names + 1, 4, s.textures + 1, s.names + 1);
        ++status.entries;
      }
    }
    go = go && !scenery_at_end(f);
  }
  // The course flaggers.
  for (int n = 1; go; ++n) {
    int c[4];
    int got = vfs_scanf(f, " [ %f %f %f ] %f %f %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &c[0], &c[1],
                        &c[2], &c[3]);
    if (got != 9 || scenery_read_names(f, names, 2) != 2) {
      scenery_warn(status, "flaggers warning: course flagger %d incomplete, the rest is ignored\n", n);
      break;
    }
    if (scenery.course_flaggers.size() >= SCENERY_MAX_COURSE_FLAGGERS) {
      scenery_warn(status, "flaggers warning: more than %d course flaggers, the rest is ignored\n",
                   SCENERY_MAX_COURSE_FLAGGERS);
      break;
    }
    if (!scenery_finite(v, 5)) {
      scenery_warn(status, "flaggers warning: course flagger %d has a number that is not finite, skipped\n", n);
    } else {
      CourseFlagger cf;
      cf.billboard = scenery_add_billboard(scenery, v[0], v[1], v[2], v[3], v[4], names[0]);
      if (cf.billboard >= 0) {
        for (int i = 0; i < 4; ++i) cf.checkpoints[i] = scenery_clamp_checkpoint(c[i], checkpoints);
        scenery_flagger_textures(scenery, names + 1, 1, &cf.texture, &cf.texture_name);
        scenery.course_flaggers.push_back(std::move(cf));
        ++status.entries;
      }
    }
    go = !scenery_at_end(f);
  }
  vfs_close(f);
  return status;
}
