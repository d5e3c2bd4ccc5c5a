// The track loader on small track folders: the order of its work, the
// riders it asks for, the race clock, a restart that keeps the files, and
// the failures that leave no track.
#include "track/track_load.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/log.h"
#include "test_util.h"
#include "track/track_list.h"
#include "vfs/vfs.h"

namespace {

struct Recorder {
  std::vector<std::string> steps;  // loading texts and hook calls in order
  std::vector<int> slots;          // riders asked for
  std::vector<SlotRider> riders;
  RaceClock clock;
  int resets = 0;
};

struct Loader : ::testing::Test {
  TempDir dir;
  Vfs vfs;
  TrackList tracks;
  TrackLoader loader;
  Recorder rec;
  TrackLoadHooks hooks;

  void SetUp() override {
    // 5 x 5 flat terrains; the first with two starting gates and a name.
    for (const char* t : {"flat", "other"}) {
      std::string f = dir / (std::string("game/tracks/") + t + "/");
      write_file(f + "terrain.hf", t[0] == 'f' ? "1 2.0 0 0\n" : "1 2.0 0 1\n");
      write_file(f + "shading.ppm", "P6\n5 5\n255\n" + std::string(75, char(200)));
      write_file(f + "tileinfo", "name dirt\ntexture @dirt.png\naddtile\n");
      write_file(f + "tilemap", std::string(4, char(0)));
    }
    write_file(dir / "game/tracks/flat/desc", "Flat Out\n");
    write_file(dir / "game/tracks/flat/timing_gates",
               "startinggate:\n[2.0 0.0 2.0] 0.0\n[4.0 0.0 2.0] 0.0\n");
    write_file(dir / "game/tracks/broken/terrain.hf", "not a terrain\n");
    vfs_set_folders(vfs, dir / "home", dir / "game");
    vfs_file_list(vfs);
    tracks_scan(tracks, vfs, 0);
    loader.random.seed(7);
    hooks.context = &rec;
    hooks.loading.context = &rec;
    hooks.loading.begin = [](void* c, const char* t) { static_cast<Recorder*>(c)->steps.push_back(t); };
    hooks.race_reset = [](void* c) {
      static_cast<Recorder*>(c)->steps.push_back("race reset");
      ++static_cast<Recorder*>(c)->resets;
    };
    hooks.add_rider = [](void* c, int slot, const SlotRider& r, const CurrentTrack&) {
      static_cast<Recorder*>(c)->slots.push_back(slot);
      static_cast<Recorder*>(c)->riders.push_back(r);
      return true;
    };
    hooks.race_ready = [](void* c, const CurrentTrack&, const RaceClock& clock, const LineUpPlan&) {
      static_cast<Recorder*>(c)->clock = clock;
      static_cast<Recorder*>(c)->steps.push_back("race ready");
    };
  }
  void TearDown() override {
    if (loader.track.loaded) track_free(loader, hooks);
    vfs_shutdown(vfs);
  }
  bool load(const std::string& folder, const int* lineup, int laps = 3, int64_t limit = 0) {
    rec.steps.clear();
    rec.slots.clear();
    rec.riders.clear();
    TrackLoadRequest r;
    r.folder = folder;
    r.lineup = lineup;
    r.laps = laps;
    r.time_limit = limit;
    return track_load(loader, vfs, tracks, r, hooks);
  }
  int count(const std::string& step) const { return int(std::count(rec.steps.begin(), rec.steps.end(), step)); }
};

TEST_F(Loader, LoadsInOrderAndAsksForTheLineUpsRiders) {
  int lineup[LINEUP_SLOTS] = {};
  lineup[0] = LINEUP_ROBOT;
  lineup[3] = LINEUP_HUMAN;
  lineup[7] = LINEUP_HUMAN;  // only the first human counts
  lineup[9] = 1042;
  ASSERT_TRUE(load("tracks/flat", lineup));
  EXPECT_TRUE(loader.track.loaded);
  EXPECT_EQ(loader.track.display_name, "Flat Out");
  EXPECT_EQ(loader.track.terrain.size, 5);
  EXPECT_EQ(loader.track.gates.starting_gates.size(), 2u);
  std::vector<std::string> order = {"Resetting...", "race reset", "Scanning", "Loading flaggers", "Loading billboards",
                                    "Loading statues", "Loading map", "Analyzing lines", "Loading bikes", "race ready"};
  size_t at = 0;
  for (const std::string& step : order) {
    auto found = std::find(rec.steps.begin() + long(at), rec.steps.end(), step);
    ASSERT_NE(found, rec.steps.end()) << step;
    at = size_t(found - rec.steps.begin());
  }
  EXPECT_EQ(rec.slots, (std::vector<int>{0, 3, 9}));
  EXPECT_EQ(rec.riders[1].kind, SLOT_RIDER_HUMAN);
  EXPECT_EQ(rec.riders[0].kind, SLOT_RIDER_ROBOT);
  EXPECT_STREQ(robot_roster()[rec.riders[2].robot].number, "42");
  EXPECT_EQ(loader.viewed_slot, 3);
  // Laps and the halfway lap; the gate drops 13 to 15 s in.
  EXPECT_EQ(rec.clock.laps, 3);
  EXPECT_EQ(rec.clock.halfway_lap, 2);
  EXPECT_GE(rec.clock.start_tic, 13 * 128);
  EXPECT_LT(rec.clock.start_tic, 15 * 128);
  EXPECT_FALSE(rec.clock.time_trial);
  bool zero = true;
  for (uint8_t b : loader.track.hash) zero = zero && b == 0;
  EXPECT_FALSE(zero);
}

TEST_F(Loader, ARestartKeepsTheFilesAndAnotherTrackReadsAgain) {
  int lineup[LINEUP_SLOTS] = {LINEUP_HUMAN};
  ASSERT_TRUE(load("tracks/flat", lineup));
  uint8_t hash[TRACK_HASH_SIZE];
  memcpy(hash, loader.track.hash, sizeof hash);
  ASSERT_TRUE(load("tracks/flat", lineup));
  EXPECT_EQ(count("Scanning"), 0);  // kept in place
  EXPECT_EQ(count("race reset"), 1);
  EXPECT_EQ(memcmp(hash, loader.track.hash, sizeof hash), 0);
  ASSERT_TRUE(load("tracks/other", lineup));
  EXPECT_EQ(count("Scanning"), 1);
  EXPECT_EQ(loader.track.folder, "tracks/other");
  EXPECT_NE(memcmp(hash, loader.track.hash, sizeof hash), 0);  // other files, other identity
}

TEST_F(Loader, TimedRacesAndTimeTrials) {
  int lineup[LINEUP_SLOTS] = {LINEUP_HUMAN};
  ASSERT_TRUE(load("tracks/flat", lineup, 3, 60 * 128));
  EXPECT_EQ(rec.clock.laps, 1000000);
  EXPECT_EQ(rec.clock.halfway_lap, 1000000);
  EXPECT_EQ(rec.clock.time_limit, 60 * 128);
  ASSERT_TRUE(load("tracks/flat", nullptr, 1000));  // no line-up: the player alone against the clock
  EXPECT_TRUE(rec.clock.time_trial);
  EXPECT_EQ(rec.clock.first_tic, 300 * 128);
  EXPECT_EQ(rec.slots, (std::vector<int>{0}));
  EXPECT_EQ(rec.riders[0].kind, SLOT_RIDER_HUMAN);
}

TEST_F(Loader, UnknownTracksAndBrokenTerrainsLeaveNoTrack) {
  int lineup[LINEUP_SLOTS] = {LINEUP_HUMAN};
  ASSERT_TRUE(load("tracks/flat", lineup));
  EXPECT_FALSE(load("tracks/nowhere", lineup));
  EXPECT_FALSE(loader.track.loaded);
  EXPECT_TRUE(rec.slots.empty());
  EXPECT_FALSE(load("tracks/broken", lineup));
  EXPECT_FALSE(loader.track.loaded);
  EXPECT_TRUE(rec.slots.empty());
  EXPECT_TRUE(load("tracks/flat", lineup));  // and a good one loads again after
}

}  // namespace
