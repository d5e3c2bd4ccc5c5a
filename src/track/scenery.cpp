// The scenery record's life, file names, warnings and the writers' file handling.
#include "track/scenery.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "platform/messages.h"
#include "vfs/vfs.h"

void scenery_begin(Scenery& scenery, const SceneryHooks& hooks) {
  scenery_free(scenery);
  scenery.hooks = hooks;
}

void scenery_free(Scenery& scenery) {
  scenery.hooks = SceneryHooks();
  scenery.objects.clear();
  scenery.first_statue = 0;
  scenery.billboards.clear();
  scenery.billboard_sort.clear();
  scenery.first_plain_billboard = 0;
  scenery.start_flagger = StartFlagger();
  scenery.second_flagger = SecondFlagger();
  scenery.course_flaggers.clear();
  scenery.cameras.clear();
  scenery.gate_camera = scenery_no_gate_cameras();
  scenery.map_texture = 0;
}

std::string scenery_file_name(const std::string& folder, const char* file) {
  std::string name = folder;
  if (!name.empty() && name[0] == '@') name.erase(0, 1);
  while (!name.empty() && name.back() == '/') name.pop_back();
  return "@" + name + "/" + file;
}

void scenery_warn(SceneryFileStatus& status, const char* format, ...) {
  char text[1200];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ++status.warnings;
  message_post("%s", text);
}

bool scenery_finite(const float* values, int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(values[i])) return false;
  return true;
}


bool scenery_save_file(Vfs& vfs, const std::string& folder, const char* file, const std::string& text) {
  // "@" names are written to the home folder; the new file is made there
  // under its real path so that the replacement finds it.
  std::string target = scenery_file_name(folder, file);
  const char* home = vfs_search_folder(vfs, 0);
  std::string fresh = home ? std::string(home) + (target.c_str() + 1) + ".new" : std::string();
  VfsFile* f = home && fresh.size() <= VFS_NAME_MAX ? vfs_open(vfs, fresh.c_str(), "wb") : nullptr;
  if (!f) {
    message_post("Can't open '%s'\n", file);
    return false;
  }
  bool ok = vfs_write(f, text.data(), int(text.size())) == int(text.size());
  ok = vfs_flush(f) == 0 && ok;
  ok = !ferror(f->file) && ok;
  vfs_close(f);
  if (ok) ok = vfs_replace(vfs, fresh.c_str(), target.c_str());
  if (!ok) {
    std::remove(fresh.c_str());  // the old file stays; only the unfinished new one goes
    message_post("Can't write '%s'\n", file);
  }
  return ok;
}

uint32_t scenery_first_texture(const TrackAssets& assets, const std::vector<std::string>& names, int flags) {
  for (const std::string& name : names) {
    if (assets.exists && !assets.exists(assets.context, name.c_str())) continue;
    if (uint32_t handle = track_asset_texture(assets, name.c_str(), flags)) return handle;
  }
  return 0;
}
