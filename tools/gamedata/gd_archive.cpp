#include "gamedata/gd_archive.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "vfs/vfs.h"

bool gd_archive_name_ok(const std::string& name) {
  if (name.empty() || name.size() > VFS_NAME_MAX) return false;
  if (name.front() == ' ' || name.back() == ' ') return false;
  for (unsigned char c : name)
    if (c < 32 || c == 127 || c == '\\') return false;
  size_t start = 0;
  for (;;) {
    size_t end = name.find('/', start);
    std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// The game's index ignores case, so names differing only in case collide.
static bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i])) return false;
  return true;
}

bool gd_archive_add(GdArchive& archive, const std::string& name, GdBytes data) {
  if (!gd_archive_name_ok(name) || data.size() > size_t(INT_MAX)) return false;
  for (const GdArchiveEntry& e : archive.entries)
    if (same_name(e.name, name)) return false;
  archive.entries.push_back({name, std::move(data)});
  return true;
}

bool gd_archive_bytes(const GdArchive& archive, GdBytes& out) {
  out.clear();
  std::string header;
  size_t total = 0;
  for (const GdArchiveEntry& e : archive.entries) {
    char size[24];
    snprintf(size, sizeof size, "%zu ", e.data.size());
    if (strlen(size) + e.name.size() + 1 > GD_ARCHIVE_LINE_MAX) return false;
    header += size;
    header += e.name;
    header += '\n';
    total += e.data.size();
  }
  header += "-\n";
  total += header.size();
  if (total > size_t(INT_MAX)) return false;
  out.reserve(total);
  out.assign(header.begin(), header.end());
  for (const GdArchiveEntry& e : archive.entries) out.insert(out.end(), e.data.begin(), e.data.end());
  return true;
}
