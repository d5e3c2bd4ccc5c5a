// Search folders, name resolution onto folders, parents and replacement.
#include "vfs/vfs.h"

#include "platform/log.h"
#include "platform/mem.h"
#include "platform/shell.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

std::string vfs_folder_path(const std::string& path) {
  std::string out;
  out.reserve(path.size() + 1);
  for (char c : path) {
    if (c == '\\') c = '/';
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  if (out.empty() || out.back() != '/') out.push_back('/');
  return out;
}

void vfs_set_folders(Vfs& vfs, const std::string& home, const std::string& game) {
  vfs.folders.clear();
  if (!home.empty()) vfs.folders.push_back(vfs_folder_path(home));
  if (!game.empty()) vfs.folders.push_back(vfs_folder_path(game));
  vfs.folders_ready = true;
}

static void vfs_default_folders(Vfs& vfs) {
  const char* lr_home = getenv("LR_HOME");
  std::string game = lr_home ? std::string(lr_home) + "/" : platform_exe_folder();
  vfs_set_folders(vfs, platform_home_folder(), game);
}

const char* vfs_search_folder(Vfs& vfs, int i) {
  if (!vfs.folders_ready) vfs_default_folders(vfs);
  if (i < 0 || size_t(i) >= vfs.folders.size()) return nullptr;
  return vfs.folders[size_t(i)].c_str();
}

void vfs_make_parents(const char* path) {
  size_t n = strlen(path);
  std::string prefix;
  prefix.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    if (path[i] == '/' && i > 0) platform_make_dir(prefix.c_str());
    prefix.push_back(path[i]);
  }
}

// The real path an "@" name is written to (the home folder), or "".
static std::string vfs_home_path(Vfs& vfs, const char* name) {
  if (name[0] != '@') return name;
  const char* home = vfs_search_folder(vfs, 0);
  if (!home) return std::string();
  std::string path = std::string(home) + (name + 1);
  if (path.size() > VFS_NAME_MAX) return std::string();
  return path;
}

bool vfs_replace(Vfs& vfs, const char* from, const char* to) {
  std::string a = vfs_home_path(vfs, from), b = vfs_home_path(vfs, to);
  if (a.empty() || b.empty()) return false;
  // rename() replaces the target atomically: at every moment either the old
  // or the new file stands under the target name.
  return rename(a.c_str(), b.c_str()) == 0;
}

bool vfs_open_home(Vfs& vfs) {
  const char* home = vfs_search_folder(vfs, 0);
  if (!home) return false;
  std::string path = home;
  vfs_make_parents(path.c_str());
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return platform_open_folder(path.c_str());
}

char* file_to_string(Vfs& vfs, const char* name) {
  static const int limit = 16777216;
  VfsFile* f = vfs_open(vfs, name, "rb");
  if (!f) return nullptr;
  char* text = (char*)mem_alloc(size_t(limit));
  if (!text) mem_out_of_memory();
  int total = 0;
  while (total < limit) {
    int n = vfs_read(f, text + total, limit - total);
    if (n <= 0) break;
    total += n;
  }
  vfs_close(f);
  if (total >= limit) {
    log_message("File %s too long for file_to_string\n", name);
    mem_free(text);
    return nullptr;
  }
  text[total] = 0;
  char* shrunk = (char*)mem_resize(text, size_t(total) + 1);
  return shrunk ? shrunk : text;
}
