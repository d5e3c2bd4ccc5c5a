#include "core/data_lists.h"

#include "platform/log.h"
#include "vfs/vfs.h"

#include <cstring>

static bool ends_with_ci(const std::string& s, const char* suffix) {
  size_t n = strlen(suffix);
  return s.size() >= n && vfs_name_compare(s.c_str() + s.size() - n, suffix) == 0;
}

static bool starts_with_ci(const std::string& s, const std::string& prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (tolower((unsigned char)s[i]) != tolower((unsigned char)prefix[i])) return false;
  return true;
}

void data_lists_collect_demos(DataLists& d, Vfs& vfs, int verbosity) {
  d.demos.clear();
  for (const char* const* name = vfs_file_list(vfs); *name; ++name) {
    std::string full = *name;
    if (!starts_with_ci(full, "demos/") || !ends_with_ci(full, ".lrdemo")) continue;
    size_t slash = full.rfind('/');
    size_t dot = full.rfind('.');
    std::string short_name = full.substr(slash + 1, dot - slash - 1);
    if (verbosity >= 1) log_message("%s -> %s\n", full.c_str(), short_name.c_str());
    d.demos.push_back(DemoName{full, short_name});
  }
}

void data_lists_collect_series(DataLists& d, Vfs& vfs) {
  d.series.clear();
  for (const char* const* name = vfs_file_list(vfs); *name; ++name)
    if (ends_with_ci(*name, ".series")) d.series.push_back(*name);
}

std::vector<TextureChoice> data_lists_textures(Vfs& vfs, const std::string& prefix) {
  std::vector<TextureChoice> list{TextureChoice{"", "default"}};
  for (const char* const* name = vfs_file_list(vfs); *name; ++name) {
    std::string n = *name;
    if (!ends_with_ci(n, ".png") && !ends_with_ci(n, ".png.scram")) continue;
    if (ends_with_ci(n, "_norm.png") || ends_with_ci(n, "_spec.png") || ends_with_ci(n, "_norm.png.scram") ||
        ends_with_ci(n, "_spec.png.scram"))
      continue;
    std::string base = n.substr(n.rfind('/') == std::string::npos ? 0 : n.rfind('/') + 1);
    if (!starts_with_ci(base, prefix)) continue;
    std::string image = n;
    if (ends_with_ci(image, ".scram")) image.resize(image.size() - 6);
    std::string display = base.substr(prefix.size());
    if (ends_with_ci(display, ".scram")) display.resize(display.size() - 6);
    if (ends_with_ci(display, ".png")) display.resize(display.size() - 4);
    list.push_back(TextureChoice{"@" + image, display});
  }
  return list;
}

int data_lists_find(const std::vector<TextureChoice>& list, const std::string& display) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].display == display) return int(i);
  return 0;
}

void data_lists_free(DataLists& d) { d = DataLists{}; }
