#include "track/track_list.h"

#include <gtest/gtest.h>

#include "test_util.h"
#include "vfs/vfs.h"

TEST(TrackList, FindsEveryTerrainVariantAndNamesTracksByDesc) {
  TempDir dir;
  std::string game = dir / "game/";
  write_file(game + "tracks/only_gz/terrain.hf.gz", gzip_bytes("1 2 0 0\n"));
  write_file(game + "tracks/scram/terrain.hf.scram", "");
  write_file(game + "tracks/both/terrain.hf", "1 2 0 0\n");
  write_file(game + "tracks/both/terrain.hf.gz", gzip_bytes("1 2 0 0\n"));  // one track, not two
  write_file(game + "tracks/both/desc", std::string("Zebra \x01Run\r\nsecond line\n"));
  write_file(game + "tracks/named/terrain.hf", "1 2 0 0\n");
  write_file(game + "tracks/named/desc", std::string("alpha\0hidden", 12));
  write_file(game + "tracks/notrack/terrain.hfx", "");
  write_file(game + "terrain.hf", "");  // no folder part: not a track
  Vfs vfs;
  vfs_set_folders(vfs, "", game);
  TrackList list;
  ASSERT_EQ(tracks_scan(list, vfs, 0), 4);
  std::vector<std::pair<std::string, std::string>> got;
  for (auto& t : list.tracks) got.push_back({t.folder, t.display_name});
  std::vector<std::pair<std::string, std::string>> want = {
      {"tracks/named", "alpha"},
      {"tracks/only_gz", "tracks/only_gz"},
      {"tracks/scram", "tracks/scram"},
      {"tracks/both", "Zebra \x01Run"},  // other control characters stay in the name
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(tracks_find(list, "tracks/both"), 3);
  EXPECT_EQ(tracks_find(list, "TRACKS/Named"), 0);
  EXPECT_EQ(tracks_find(list, "tracks/none"), -1);
  vfs_shutdown(vfs);
}
