// lr-trackcheck on the generated track and on damaged copies of its files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "test_util.h"

static CommandRun trackcheck(const std::string& game, const std::string& xdg, const std::string& track) {
  return run_command("env -u KELP_LOGFILE LR_HOME='" + game + "' XDG_DATA_HOME='" + xdg + "' " LR_TRACKCHECK_BIN " '" +
                     track + "' 2>&1");
}

struct TrackCheck : ::testing::Test {
  static TempDir* data;  // generated once for the suite
  static void SetUpTestSuite() {
    data = new TempDir;
    std::string cmd = std::string(LR_GAMEDATA_BIN) + " '" + data->path + "' > /dev/null";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  static void TearDownTestSuite() { delete data; }
  TempDir xdg;
  // A damaged copy of one file goes into the home folder, which wins.
  void damage(const std::string& file, const std::string& text) {
    write_file(xdg / ("Loamrun/tracks/claypit/" + file), text);
  }
};
TempDir* TrackCheck::data = nullptr;

TEST_F(TrackCheck, GeneratedTrackLoadsWithoutWarnings) {
  CommandRun r = trackcheck(data->path, xdg.path, "tracks/claypit");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Terrain: 513 x 513 points"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("No warnings"), std::string::npos) << r.out;
  CommandRun by_name = trackcheck(data->path, xdg.path, "Sand Hill MX");
  EXPECT_EQ(by_name.status, 0) << by_name.out;
  EXPECT_NE(by_name.out.find("No warnings"), std::string::npos) << by_name.out;
  EXPECT_EQ(trackcheck(data->path, xdg.path, "tracks/nowhere").status, 1);
}

TEST_F(TrackCheck, DamagedFilesGiveTheirWarnings) {
  struct Case {
    const char* file;
    std::string text;
    const char* warning;
    int status;
  } cases[] = {
      {"terrain.hf", "9 nonsense\n", "Bad height field parameters", 1},
      {"terrain.hf", "40 2 0 10\n:", "Bad height field parameters", 1},  // exponent far out of range
      {"tileinfo", "name dirt\nsparkle 3\naddtile\n", "Unknown identifier", 0},
      {"lighting", "sun_vector [ 1 1 1 ]\nmoonbeam 4\n", "Error reading lighting", 0},
      {"cameras", "addcamera 1 2 3\nfov 60\ngate 300\n", "not 0..255", 0},
      {"statues", "[1 2 3] 0.5 @scenery/nothing_here.jm @scenery/haybale.png null\n", "missing model", 0},
      {"statues", "[1 2 nan] 0.5 @scenery/haybale.jm @scenery/haybale.png null\n", "statues warning", 0},
      {"billboards", "[1 2 3] 4 #zz@scenery/pine.png\n", "billboards warning", 0},
      {"timing_gates", "gates:\n[1 2 3] nonsense\ncheckpoints:\n", "timing_gates", 0},
      {"tilemap", std::string(10, '\x01'), "tilemap warning", 0},
  };
  for (const Case& c : cases) {
    TempDir home;
    write_file(home / ("Loamrun/tracks/claypit/" + std::string(c.file)), c.text);
    CommandRun r = trackcheck(data->path, home.path, "tracks/claypit");
    EXPECT_EQ(r.status, c.status) << c.file << "\n" << r.out;
    EXPECT_NE(r.out.find(c.warning), std::string::npos) << c.file << "\n" << r.out;
    EXPECT_EQ(r.out.find("No warnings"), std::string::npos) << c.file;
  }
}
