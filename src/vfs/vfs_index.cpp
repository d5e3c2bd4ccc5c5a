// The file index: every loose file of the search folders and every entry of
// the ".saf" archives, sorted once and searched by bisection.
#include "vfs/vfs.h"

#include "platform/log.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

int vfs_name_compare(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int ca = tolower((unsigned char)*a), cb = tolower((unsigned char)*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
}

static bool vfs_entry_less(const VfsEntry& a, const VfsEntry& b) {
  int c = vfs_name_compare(a.name.c_str(), b.name.c_str());
  if (c != 0) return c < 0;
  return a.precedence < b.precedence;
}

static void vfs_sort(Vfs& vfs) { std::stable_sort(vfs.index.begin(), vfs.index.end(), vfs_entry_less); }

static void vfs_pump(Vfs& vfs) {
  if (vfs.pump) vfs.pump(vfs.pump_context);
}

static std::string vfs_collapse_slashes(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  return out;
}

// Adds every file below folder + relative, descending into sub-folders.
static void vfs_walk(Vfs& vfs, const std::string& folder, const std::string& relative, int precedence,
                     int depth) {
  vfs_pump(vfs);
  if (depth > 64) return;  // a loop of links would otherwise never end
  std::string path = folder + relative;
  DIR* dir = opendir(path.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    names.push_back(e->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    std::string rel = relative + n;
    std::string full = folder + rel;
    struct stat st;
    if (stat(full.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      vfs_walk(vfs, folder, rel + "/", precedence, depth + 1);
    } else if (S_ISREG(st.st_mode)) {
      if (st.st_size > INT_MAX) {
        log_message("Skipping %s: larger than 2 GiB\n", full.c_str());
        continue;
      }
      vfs.index.push_back(VfsEntry{full, rel, 0, int(st.st_size), precedence});
    }
  }
}

static bool vfs_archive_bad(Vfs& vfs, size_t first_added, const std::string& path, const char* why) {
  vfs.index.resize(first_added);
  log_message("Archive %s is damaged (%s): ignored\n", path.c_str(), why);
  return false;
}

bool vfs_add_archive(Vfs& vfs, const std::string& path, int precedence) {
  vfs_pump(vfs);
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  struct stat st;
  long long file_size = fstat(fileno(f), &st) == 0 ? (long long)st.st_size : 0;
  size_t first = vfs.index.size();
  std::vector<std::pair<long long, std::string>> lines;
  long long header_length = 0;
  char line[1024];
  bool ended = false;
  while (fgets(line, sizeof line, f)) {
    size_t n = strlen(line);
    if (n == 0 || line[n - 1] != '\n') break;  // too long, or end of file mid-line
    header_length += (long long)n;
    line[n - 1] = 0;
    if (strcmp(line, "-") == 0) {
      ended = true;
      break;
    }
    char* p = line;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (!isdigit((unsigned char)*p)) break;
    long long size = 0;
    while (isdigit((unsigned char)*p)) {
      if (size <= INT_MAX) size = size * 10 + (*p - '0');
      ++p;
    }
    if (negative) size = -size;
    if (*p == 0) break;  // no separator and no name
    lines.emplace_back(size, vfs_collapse_slashes(p + 1));
  }
  fclose(f);
  if (!ended) return vfs_archive_bad(vfs, first, path, "header does not end with \"-\"");
  long long offset = header_length;
  for (auto& [size, name] : lines) {
    if (size < 0) return vfs_archive_bad(vfs, first, path, "negative size");
    if (size > INT_MAX || offset > INT_MAX) return vfs_archive_bad(vfs, first, path, "offset past 2 GiB");
    if (offset + size > file_size) return vfs_archive_bad(vfs, first, path, "entry past the end of the file");
    vfs.index.push_back(VfsEntry{path, name, int(offset), int(size), precedence});
    offset += size;
  }
  return true;
}

static bool vfs_ends_with_ci(const std::string& s, const char* suffix) {
  size_t n = strlen(suffix);
  return s.size() >= n && vfs_name_compare(s.c_str() + s.size() - n, suffix) == 0;
}

static void vfs_build_index(Vfs& vfs) {
  vfs.index_ready = true;
  vfs.index.reserve(16);
  log_message("Listing directories\n");
  int folders = 0;
  while (const char* folder = vfs_search_folder(vfs, folders)) {
    vfs_walk(vfs, folder, "", folders, 0);
    ++folders;
  }
  vfs_sort(vfs);
  log_message("Listing archives\n");
  int precedence = folders;
  std::vector<std::string> archives;
  for (const VfsEntry& e : vfs.index)
    if (e.name.size() > 4 && vfs_ends_with_ci(e.name, ".saf")) archives.push_back(e.source);
  for (const std::string& a : archives) vfs_add_archive(vfs, a, precedence++);
  vfs_sort(vfs);
  log_message("Creating file list\n");
  vfs.list.clear();
  for (size_t i = 0; i < vfs.index.size(); ++i) {
    if (i > 0 && vfs_name_compare(vfs.index[i - 1].name.c_str(), vfs.index[i].name.c_str()) == 0) continue;
    vfs.list.push_back(vfs.index[i].name.c_str());
  }
  vfs.list.push_back(nullptr);
  log_message("File index complete\n");
}

const char* const* vfs_file_list(Vfs& vfs) {
  if (!vfs.index_ready) vfs_build_index(vfs);
  return vfs.list.data();
}

int vfs_lookup(const Vfs& vfs, const char* name) {
  auto it = std::lower_bound(vfs.index.begin(), vfs.index.end(), name, [](const VfsEntry& e, const char* n) {
    return vfs_name_compare(e.name.c_str(), n) < 0;
  });
  if (it == vfs.index.end() || vfs_name_compare(it->name.c_str(), name) != 0) return -1;
  return int(it - vfs.index.begin());
}

bool vfs_exists(Vfs& vfs, const char* name) {
  if (name[0] == '@') ++name;
  return vfs.index_ready && vfs_lookup(vfs, name) >= 0;
}

bool vfs_describe(Vfs& vfs, int i, char* buffer, int length) {
  if (!vfs.index_ready || i < 0 || size_t(i) >= vfs.index.size() || length <= 0) return false;
  const VfsEntry& e = vfs.index[size_t(i)];
  // Each half is cut to fit so that both stay visible in the listing.
  int half = (length - 5) / 2;
  if (half < 0) half = 0;
  snprintf(buffer, size_t(length), "%.*s -> %.*s", half, e.name.c_str(), half, e.source.c_str());
  return true;
}

void vfs_shutdown(Vfs& vfs) {
  vfs.list.clear();
  vfs.list.shrink_to_fit();
  vfs.index.clear();
  vfs.index.shrink_to_fit();
  vfs.index_ready = false;
  vfs.folders.clear();
  vfs.folders_ready = false;
}
