// The generated game-data folder, read back with a small reader of its own:
// archive headers, gzip and scrambled forms, the terrain files, and lr-pack.
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

namespace {

std::string make_temp_folder() {
  char pattern[] = "/tmp/lr-gamedata-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  return made ? made : "";
}

GdBytes read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return GdBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const fs::path& path, const std::string& text) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string text(const GdBytes& b) { return std::string(b.begin(), b.end()); }

bool ends_with(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

struct Entry {
  std::string name;
  size_t offset, size;
};

// Reads an archive header the way the format is written down: lines of at
// most 1023 bytes, "SIZE NAME" with exactly one space, "-" last, and the
// data packed after it in line order, filling the archive exactly.
bool parse_archive(const GdBytes& a, std::vector<Entry>& entries) {
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
bool gunzip(const GdBytes& in, GdBytes& out) {
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

bool descramble(const GdBytes& in, GdBytes& out) {
  VfsScrambler s;
  if (!vfs_scramble_start(s, in.data(), in.size())) return false;
  out.assign(in.begin() + VFS_SCRAMBLE_HEADER, in.end());
  vfs_scramble_apply(s, out.data(), out.size());
  return true;
}

// Undoes the forms a stored name ends in; name becomes the plain name.
bool decode(std::string& name, GdBytes bytes, GdBytes& plain) {
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
::testing::AssertionResult read_folder(const std::string& root, std::multimap<std::string, Seen>& seen) {
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
  static std::string root_;
  static std::multimap<std::string, Seen> seen_;
};
std::string GeneratedFolder::root_;
std::multimap<std::string, Seen> GeneratedFolder::seen_;

TEST_F(GeneratedFolder, ReadsBackAsPlannedAndNothingElse) {
  GdPlan plan;
  ASSERT_TRUE(gd_folder_plan(plan));
  std::map<std::string, std::vector<std::string>> order;  // archive -> stored names in plan order
  for (const GdItem& item : plan.items) {
    std::string stored = gd_item_stored_name(item);
    bool found = false;
    auto range = seen_.equal_range(item.name);
    for (auto it = range.first; it != range.second; ++it) {
      if (it->second.source != item.archive) continue;
      found = true;
      EXPECT_EQ(it->second.stored, stored);
      EXPECT_TRUE(it->second.plain == item.plain) << stored << " in '" << item.archive << "'";
    }
    EXPECT_TRUE(found) << stored << " in '" << item.archive << "'";
    if (!item.archive.empty()) order[item.archive].push_back(stored);
  }
  EXPECT_EQ(seen_.size(), plan.items.size());
  EXPECT_GE(order.size(), 2u);
  EXPECT_EQ(order.count("zzzz.saf"), 1u);
  for (const auto& [archive, names] : order) {
    std::vector<Entry> entries;
    ASSERT_TRUE(parse_archive(read_bytes(fs::path(root_) / archive), entries)) << archive;
    ASSERT_EQ(entries.size(), names.size()) << archive;
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(entries[i].name, names[i]) << archive;
  }
}

// Each stored form appears both loose and inside an archive, loose files sit
// at the top and in sub-folders, and one name is both loose and archived.
TEST_F(GeneratedFolder, ExercisesEveryKindOfStoredFile) {
  std::set<std::string> kinds;
  bool top = false, nested = false, shadowed = false, empty = false;
  for (const auto& [name, s] : seen_) {
    std::string suffix = s.stored.substr(name.size());
    kinds.insert((s.source.empty() ? "loose" : "archived") + suffix);
    if (s.source.empty()) (name.find('/') == std::string::npos ? top : nested) = true;
    shadowed = shadowed || seen_.count(name) > 1;
    empty = empty || (!s.source.empty() && s.plain.empty());
  }
  for (const char* where : {"loose", "archived"})
    for (const char* suffix : {"", ".gz", ".scram", ".gz.scram"})
      EXPECT_EQ(kinds.count(std::string(where) + suffix), 1u) << where << suffix;
  EXPECT_TRUE(top && nested && shadowed && empty);
}

TEST_F(GeneratedFolder, TracksHaveNamesTerrainsAndTileMaps) {
  int tracks = 0;
  bool in_archive = false, compressed = false;
  for (const auto& [name, s] : seen_) {
    if (name.compare(0, 7, "tracks/") != 0 || !ends_with(name, "/terrain.hf")) continue;
    ++tracks;
    SCOPED_TRACE(name);
    in_archive = in_archive || !s.source.empty();
    compressed = compressed || ends_with(s.stored, ".gz");
    std::string dir = name.substr(0, name.size() - 10);

    const Seen* desc = find(dir + "desc");
    ASSERT_NE(desc, nullptr);
    std::string first = text(desc->plain).substr(0, text(desc->plain).find('\n'));
    EXPECT_FALSE(first.empty());

    // "%d %f %f %f " then ":" and n x n little-endian 16-bit samples.
    std::string hf = text(s.plain);
    int e = 0, used = 0;
    float spacing = 0, lo = 0, hi = 0;
    ASSERT_EQ(sscanf(hf.c_str(), "%d %f %f %f %n", &e, &spacing, &lo, &hi, &used), 4);
    ASSERT_EQ(hf[used], ':');
    ASSERT_TRUE(e >= 6 && e <= 8) << e;
    EXPECT_FLOAT_EQ(spacing, 2.0f);
    ASSERT_LT(lo, hi);
    size_t n = (size_t(1) << (e + 1)) + 1;
    ASSERT_EQ(hf.size() - used - 1, 2 * n * n);
    std::vector<float> h(n * n);
    const unsigned char* at = s.plain.data() + used + 1;
    for (size_t j = 0; j < n * n; ++j) h[j] = lo + (hi - lo) * float(at[2 * j] | at[2 * j + 1] << 8) / 65535;

    // Rideable: no step between neighbours steeper than about 50 degrees,
    // which also rules out seams where the track meets itself or wraps.
    float steepest = 0;
    for (size_t k = 0; k < n; ++k)
      for (size_t i = 0; i + 1 < n; ++i) {
        steepest = std::max(steepest, std::fabs(h[k * n + i + 1] - h[k * n + i]));
        steepest = std::max(steepest, std::fabs(h[i * n + k + n] - h[i * n + k]));
      }
    EXPECT_LT(steepest, 1.2f * spacing);

    const Seen* tiles = find(dir + "tilemap");
    ASSERT_NE(tiles, nullptr);
    size_t side = size_t(1) << e;
    ASSERT_EQ(tiles->plain.size(), side * side);
    // The track's tiles carry its jumps: heights over them span several feet.
    float track_lo = 1e9f, track_hi = -1e9f;
    std::set<int> kinds;
    for (size_t tk = 0; tk < side; ++tk)
      for (size_t ti = 0; ti < side; ++ti) {
        int tile = tiles->plain[tk * side + ti];
        kinds.insert(tile);
        if (tile != 1) continue;
        float centre = h[(2 * tk + 1) * n + 2 * ti + 1];
        track_lo = std::min(track_lo, centre);
        track_hi = std::max(track_hi, centre);
      }
    EXPECT_EQ(kinds, (std::set<int>{0, 1, 2}));
    EXPECT_GT(track_hi - track_lo, 6.0f);
  }
  EXPECT_GE(tracks, 2);
  EXPECT_TRUE(in_archive && compressed);
}

TEST_F(GeneratedFolder, SecondRunWritesTheSameBytes) {
  std::string again = make_temp_folder();
  ASSERT_FALSE(again.empty());
  ASSERT_TRUE(gd_folder_write(again));
  size_t files = 0;
  for (const auto& f : fs::recursive_directory_iterator(root_)) {
    if (!f.is_regular_file()) continue;
    ++files;
    fs::path twin = fs::path(again) / fs::relative(f.path(), root_);
    EXPECT_TRUE(read_bytes(f.path()) == read_bytes(twin)) << twin;
  }
  size_t files_again = 0;
  for (const auto& f : fs::recursive_directory_iterator(again)) files_again += f.is_regular_file();
  EXPECT_EQ(files, files_again);
  fs::remove_all(again);
}

TEST(GamedataCodec, EveryFormDecodesToTheInput) {
  GdBytes big(200000);
  uint32_t x = 1;
  for (unsigned char& b : big) b = (unsigned char)((x = x * 1103515245u + 12345u) >> 24);
  for (const GdBytes& input : {GdBytes{}, GdBytes{'x'}, big}) {
    for (GdEncoding encoding : {GD_PLAIN, GD_GZ, GD_SCRAM, GD_GZ_SCRAM}) {
      std::string name = std::string("data") + gd_encoding_suffix(encoding);
      SCOPED_TRACE(name + " of " + std::to_string(input.size()) + " bytes");
      GdBytes stored, plain;
      ASSERT_TRUE(gd_encode(input, encoding, name, stored));
      if (encoding == GD_SCRAM || encoding == GD_GZ_SCRAM) {
        ASSERT_GE(stored.size(), 8u);
        EXPECT_EQ(memcmp(stored.data(), "LRSC", 4), 0);
      }
      if (encoding == GD_GZ) {
        ASSERT_GE(stored.size(), 10u);
        EXPECT_EQ(stored[0], 0x1f);
        EXPECT_EQ(stored[1], 0x8b);
        EXPECT_EQ(stored[4] | stored[5] | stored[6] | stored[7], 0);  // no time stamp
      }
      ASSERT_TRUE(decode(name, stored, plain));
      EXPECT_TRUE(plain == input);
    }
  }
}

TEST(GamedataArchive, RefusesNamesTheHeaderCannotCarry) {
  const std::string too_long = std::string(600, 'a');
  for (const std::string& name : {std::string(""), std::string("/abs"), std::string("a//b"),
                                  std::string("a/"), std::string("a/../b"), std::string("./a"),
                                  std::string("new\nline"), std::string(" lead"), std::string("trail "),
                                  std::string("back\\slash"), too_long}) {
    GdArchive a;
    EXPECT_FALSE(gd_archive_add(a, name, {})) << name;
    EXPECT_TRUE(a.entries.empty());
  }
  GdArchive a;
  EXPECT_TRUE(gd_archive_add(a, "tracks/x/desc", {}));
  EXPECT_TRUE(gd_archive_add(a, "with space/ok.txt", {}));
  EXPECT_FALSE(gd_archive_add(a, "Tracks/X/DESC", {}));  // the game's index ignores case
  EXPECT_EQ(a.entries.size(), 2u);
}

class PackTool : public ::testing::Test {
 protected:
  void SetUp() override {
    // Runs in root_/work, with a file beside it to reach through "..".
    root_ = make_temp_folder();
    ASSERT_FALSE(root_.empty());
    folder_ = root_ + "/work";
    fs::create_directories(folder_);
    write_bytes(fs::path(root_) / "escape", "x");
    ASSERT_TRUE(getcwd(previous_, sizeof previous_));
    ASSERT_EQ(chdir(folder_.c_str()), 0);
    write_bytes("desc", "Test Track\n");
    write_bytes("sub/heights.bin", std::string("\0\1\2\n-\n", 6));
  }
  void TearDown() override {
    EXPECT_EQ(chdir(previous_), 0);
    fs::remove_all(root_);
  }
  std::string root_, folder_;
  char previous_[4096] = {};
};

TEST_F(PackTool, PacksFilesUnderTheirRelativeNamesInOrder) {
  ASSERT_EQ(gd_pack_run({"out.saf", "sub//heights.bin", "./desc"}), 0);
  GdBytes a = read_bytes("out.saf");
  std::vector<Entry> entries;
  ASSERT_TRUE(parse_archive(a, entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "sub/heights.bin");
  EXPECT_EQ(entries[1].name, "desc");
  EXPECT_EQ(std::string(a.begin() + entries[0].offset, a.begin() + entries[0].offset + entries[0].size),
            std::string("\0\1\2\n-\n", 6));
  EXPECT_EQ(std::string(a.begin() + entries[1].offset, a.begin() + entries[1].offset + entries[1].size),
            "Test Track\n");
}

TEST_F(PackTool, ScrambledCopyDescrambles) {
  ASSERT_EQ(gd_pack_run({"--scramble", "desc", "out/desc.scram"}), 0);
  GdBytes plain;
  ASSERT_TRUE(descramble(read_bytes("out/desc.scram"), plain));
  EXPECT_EQ(text(plain), "Test Track\n");
}

TEST_F(PackTool, FailsWithoutWritingOnBadArguments) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"out.saf"},
      {"-v", "out.saf", "desc"},
      {"--scramble", "desc"},
      {"--scramble", "missing", "out.saf"},
      {"out.saf", "desc", "missing"},
      {"out.saf", "desc", "desc"},
      {"out.saf", "../escape"},
      {"out.saf", (fs::path(folder_) / "desc").string()},
      {"out.saf", "sub"},
  };
  for (const auto& args : bad) {
    std::string shown;
    for (const std::string& a : args) shown += " " + a;
    EXPECT_EQ(gd_pack_run(args), 1) << shown;
    EXPECT_FALSE(fs::exists("out.saf")) << shown;
  }
}

}  // namespace
