// The TrackHash of the generated track: the same on every generation (so
// on every machine that runs the generator), and changed by a change in any
// of the files it covers, wherever they are stored compressed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_util.h"
#include "track/track_list.h"
#include "track/track_load.h"
#include "vfs/vfs.h"

namespace {

// Generates the game data into a folder.
bool generate(const std::string& folder) {
  std::string cmd = std::string(LR_GAMEDATA_BIN) + " '" + folder + "' > /dev/null";
  return system(cmd.c_str()) == 0;
}

// Loads Clay Pit from a game folder and returns its TrackHash in hex, or "".
std::string claypit_hash(const std::string& game, const std::string& home) {
  Vfs vfs;
  vfs_set_folders(vfs, home, game);
  vfs_file_list(vfs);
  TrackList tracks;
  tracks_scan(tracks, vfs, 0);
  TrackLoader loader;
  TrackLoadRequest r;
  r.folder = "tracks/claypit";
  int lineup[LINEUP_SLOTS] = {};
  r.lineup = lineup;
  r.laps = 3;
  std::string hex;
  if (track_load(loader, vfs, tracks, r, TrackLoadHooks{})) {
    hex = track_hash_hex(loader.track.hash);
    track_free(loader, TrackLoadHooks{});
  }
  vfs_shutdown(vfs);
  return hex;
}

// A file's bytes as the file layer hands them over (decompressed).
std::string read_virtual(const std::string& game, const std::string& name) {
  Vfs vfs;
  vfs_set_folders(vfs, "", game);
  std::string out;
  if (VfsFile* f = vfs_open(vfs, ("@" + name).c_str(), "rb")) {
    char buffer[65536];
    for (int n; (n = vfs_read(f, buffer, sizeof buffer)) > 0;) out.append(buffer, size_t(n));
    vfs_close(f);
  }
  vfs_shutdown(vfs);
  return out;
}

TEST(GeneratedTrackHash, StableAcrossGenerationsAndChangedByEveryHashedFile) {
  TempDir a, b;
  ASSERT_TRUE(generate(a.path));
  ASSERT_TRUE(generate(b.path));
  std::string base = claypit_hash(a.path, a / "home");
  ASSERT_EQ(base.size(), 40u);
  EXPECT_EQ(claypit_hash(b.path, b / "home"), base);

  // One byte in the middle of each covered file, written back the way it
  // was stored; each change shows, and putting it back restores the hash.
  const char* files[] = {"tracks/claypit/terrain.hf", "tracks/claypit/tileinfo", "tracks/claypit/tilemap",
                         "tracks/claypit/timing_gates", "tracks/claypit/statues", "scenery/banner.jm"};
  for (const char* name : files) {
    std::string bytes = read_virtual(b.path, name);
    ASSERT_FALSE(bytes.empty()) << name;
    std::string plain = b / name, packed = plain + ".gz";
    bool gz = std::filesystem::exists(packed);
    std::string changed = bytes;
    size_t at = changed.size() / 2;
    // A digit stays a digit, so text files still read.
    changed[at] = changed[at] >= '0' && changed[at] <= '8' ? char(changed[at] + 1) : char(changed[at] ^ 1);
    write_file(gz ? packed : plain, gz ? gzip_bytes(changed) : changed);
    std::string hex = claypit_hash(b.path, b / "home");
    EXPECT_FALSE(hex.empty()) << name;
    EXPECT_NE(hex, base) << name;
    write_file(gz ? packed : plain, gz ? gzip_bytes(bytes) : bytes);
    EXPECT_EQ(claypit_hash(b.path, b / "home"), base) << name;
  }
  // A file the hash does not cover changes nothing.
  write_file(b / "tracks/claypit/desc", "Somewhere Else\n");
  EXPECT_EQ(claypit_hash(b.path, b / "home"), base);
}

}  // namespace
