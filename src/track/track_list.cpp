#include "track/track_list.h"

#include "platform/log.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cstring>
#include <set>

static const char* const terrain_names[] = {"/terrain.hf", "/terrain.hf.gz", "/terrain.hf.scram",
                                            "/terrain.hf.gz.scram"};

// The folder part of a terrain file name, or "" when the name is not one.
static std::string track_folder_of(const char* name) {
  size_t n = strlen(name);
  for (const char* suffix : terrain_names) {
    size_t k = strlen(suffix);
    if (n > k && vfs_name_compare(name + n - k, suffix) == 0) return std::string(name, n - k);
  }
  return std::string();
}

// The first line of the folder's "desc": up to the first NUL, line feed or
// carriage return; other control characters stay.
static std::string track_read_desc(Vfs& vfs, const std::string& folder) {
  std::string name = "@" + folder + "/desc";
  VfsFile* f = vfs_open(vfs, name.c_str(), "rb");
  if (!f) return std::string();
  std::string line;
  for (;;) {
    int c = vfs_getc(f);
    if (c <= 0 || c == '\n' || c == '\r' || line.size() >= 4096) break;
    line.push_back(char(c));
  }
  vfs_close(f);
  return line;
}

int tracks_scan(TrackList& list, Vfs& vfs, int verbosity) {
  list.tracks.clear();
  std::set<std::string> seen;  // a folder with several terrain variants is one track
  for (const char* const* name = vfs_file_list(vfs); *name; ++name) {
    std::string folder = track_folder_of(*name);
    if (folder.empty()) continue;
    std::string key = folder;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(tolower(c)); });
    if (!seen.insert(key).second) continue;
    std::string display = track_read_desc(vfs, folder);
    if (display.empty()) display = folder;
    list.tracks.push_back(TrackInfo{folder, display});
  }
  std::stable_sort(list.tracks.begin(), list.tracks.end(), [](const TrackInfo& a, const TrackInfo& b) {
    return vfs_name_compare(a.display_name.c_str(), b.display_name.c_str()) < 0;
  });
  if (verbosity >= 1)
    for (const TrackInfo& t : list.tracks) log_message("%s -> %s\n", t.folder.c_str(), t.display_name.c_str());
  return int(list.tracks.size());
}

int tracks_find(const TrackList& list, const std::string& folder) {
  for (size_t i = 0; i < list.tracks.size(); ++i)
    if (list.tracks[i].folder == folder) return int(i);
  for (size_t i = 0; i < list.tracks.size(); ++i)
    if (vfs_name_compare(list.tracks[i].folder.c_str(), folder.c_str()) == 0) return int(i);
  return -1;
}
