// A small reader of generated game-data folders, of its own: archive
// headers, gzip and scrambled forms; and a fixture that writes the folder
// once and reads every file in it back.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gamedata/gd_archive.h"
#include "gamedata/gd_codec.h"
#include "gamedata/gd_folder.h"
#include "gamedata/gd_pack.h"
#include "vfs/vfs_scramble.h"

namespace fs = std::filesystem;

namespace gdtest {

inline std::string make_temp_folder() {
  char pattern[] = "/tmp/lr-gamedata-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  return made ? made : "";
}

inline GdBytes read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return GdBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const fs::path& path, const std::string& text) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string text(const GdBytes& b) { return std::string(b.begin(), b.end()); }

inline bool ends_with(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

struct Entry {
  std::string name;
  size_t offset, size;
};

// Reads an archive header the way the format is written down: lines of at
// most 1023 bytes, "SIZE NAME" with exactly one space, "-" last, and the
// data packed after it in line order, filling the archive exactly.
inline bool parse_archive(const GdBytes& a, std::vector<Entry>& entries) {
  entries.clear();
  size_t pos = 0, offset = 0;
  for (;;) {
    size_t end = pos;
    while (end < a.size() && a[end] != '\n') ++end;
    if (end == a.size() || end + 1 - pos > 1023) return false;
    std::string line(a.begin() + pos, a.begin() + end);
    pos = end + 1;
    if (line == "-") break;
    size_t space = line.find(' ');
    if (space == 0 || space == std::string::npos || space + 1 == line.size() || line[space + 1] == ' ')
      return false;
    for (size_t i = 0; i < space; ++i)
      if (line[i] < '0' || line[i] > '9') return false;
    size_t size = std::stoul(line.substr(0, space));
    entries.push_back({line.substr(space + 1), offset, size});
    offset += size;
  }
  for (Entry& e : entries) e.offset += pos;
  return pos + offset == a.size();
}

// The whole stream must be one gzip member with nothing after it.
inline bool gunzip(const GdBytes& in, GdBytes& out) {
  out.clear();
  z_stream zs{};
  if (inflateInit2(&zs, 15 + 16) != Z_OK) return false;
  zs.next_in = const_cast<unsigned char*>(in.data());
  zs.avail_in = uInt(in.size());
  unsigned char buffer[16384];
  int rc;
  do {
    zs.next_out = buffer;
    zs.avail_out = sizeof buffer;
    rc = inflate(&zs, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - zs.avail_out));
  } while (rc == Z_OK);
  bool ok = rc == Z_STREAM_END && zs.avail_in == 0;
  inflateEnd(&zs);
  return ok;
}

inline bool descramble(const GdBytes& in, GdBytes& out) {
  VfsScrambler s;
  if (!vfs_scramble_start(s, in.data(), in.size())) return false;
  out.assign(in.begin() + VFS_SCRAMBLE_HEADER, in.end());
  vfs_scramble_apply(s, out.data(), out.size());
  return true;
}

// Undoes the forms a stored name ends in; name becomes the plain name.
inline bool decode(std::string& name, GdBytes bytes, GdBytes& plain) {
  if (ends_with(name, ".scram")) {
    name.resize(name.size() - 6);
    GdBytes clear;
    if (!descramble(bytes, clear)) return false;
    bytes.swap(clear);
  }
  if (ends_with(name, ".gz")) {
    name.resize(name.size() - 3);
    return gunzip(bytes, plain);
  }
  plain.swap(bytes);
  return true;
}

// What a reader of the folder sees: plain name -> (where it came from, plain bytes).
struct Seen {
  std::string source;  // archive file name, or "" when loose
  std::string stored;  // stored name
  GdBytes plain;
};

// Reads every loose file and every archive entry; a name seen twice in one
// source, or anything failing to parse or decode, is a failure.
inline ::testing::AssertionResult read_folder(const std::string& root, std::multimap<std::string, Seen>& seen) {
  seen.clear();
  std::set<std::string> names;
  for (const auto& f : fs::recursive_directory_iterator(root)) {
    if (!f.is_regular_file()) continue;
    std::string rel = fs::relative(f.path(), root).generic_string();
    GdBytes bytes = read_bytes(f.path());
    if (ends_with(rel, ".saf")) {
      std::vector<Entry> entries;
      if (!parse_archive(bytes, entries)) return ::testing::AssertionFailure() << rel << ": bad archive";
      for (const Entry& e : entries) {
        std::string name = e.name;
        GdBytes plain;
        if (!decode(name, GdBytes(bytes.begin() + e.offset, bytes.begin() + e.offset + e.size), plain))
          return ::testing::AssertionFailure() << rel << ": " << e.name << " does not decode";
        if (!names.insert(rel + "|" + name).second)
          return ::testing::AssertionFailure() << rel << ": " << name << " twice";
        seen.insert({name, {rel, e.name, plain}});
      }
      continue;
    }
    std::string name = rel;
    GdBytes plain;
    if (!decode(name, bytes, plain)) return ::testing::AssertionFailure() << rel << " does not decode";
    if (!names.insert("|" + name).second) return ::testing::AssertionFailure() << name << " twice";
    seen.insert({name, {"", rel, plain}});
  }
  return ::testing::AssertionSuccess();
}

class GeneratedFolder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = make_temp_folder();
    ASSERT_FALSE(root_.empty());
    ASSERT_TRUE(gd_folder_write(root_));
    ASSERT_TRUE(read_folder(root_, seen_));
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }
  static const Seen* find(const std::string& name) {
    auto it = seen_.find(name);
    return it == seen_.end() ? nullptr : &it->second;
  }
  inline static std::string root_;
  inline static std::multimap<std::string, Seen> seen_;
};

}  // namespace gdtest
