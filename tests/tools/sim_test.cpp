// lr-sim on the generated track: the helper rides lap after lap, the same
// run gives the same trace, and bad command lines and control files are
// refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "test_util.h"

namespace {

CommandRun lr_sim(const std::string& game, const std::string& args) {
  return run_command("env -u KELP_LOGFILE LR_HOME='" + game + "' XDG_DATA_HOME='" + game + "/xdg' " LR_SIM_BIN " " +
                     args + " 2>&1");
}

struct Sim : ::testing::Test {
  static TempDir* data;
  static void SetUpTestSuite() {
    data = new TempDir;
    std::string cmd = std::string(LR_GAMEDATA_BIN) + " '" + data->path + "' > /dev/null";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  static void TearDownTestSuite() { delete data; }
  TempDir work;
};
TempDir* Sim::data = nullptr;

TEST_F(Sim, TheHelperRidesLapAfterLapAndRepeatsItself) {
  std::string a = work / "a.trace", b = work / "b.trace";
  CommandRun first = lr_sim(data->path, "--laps 2 --seconds 900 --trace '" + a + "'");
  ASSERT_EQ(first.status, 0) << first.out;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(first.out, m, std::regex("rider 0 cr125: .* laps (\\d+)"))) << first.out;
  EXPECT_GE(std::stoi(m[1]), 2) << first.out;
  EXPECT_NE(first.out.find("tics per second"), std::string::npos);
  // Whatever falls happen in the turns, none is on the start straight (from
  // the gates at x 270 to the first checkpoint at x 430, z 120 to 190).
  std::regex crash("crashed at ([-0-9.]+) [-0-9.]+ ([-0-9.]+)");
  for (std::sregex_iterator i(first.out.begin(), first.out.end(), crash), end; i != end; ++i) {
    double x = std::stod((*i)[1]), z = std::stod((*i)[2]);
    EXPECT_FALSE(x > 260 && x < 440 && z > 100 && z < 200) << (*i)[0];
  }

  CommandRun second = lr_sim(data->path, "--laps 2 --seconds 900 --quiet --trace '" + b + "'");
  ASSERT_EQ(second.status, 0) << second.out;
  std::string ta = read_file(a), tb = read_file(b);
  EXPECT_GT(ta.size(), 100000u);
  EXPECT_TRUE(ta == tb) << "traces differ";
}

TEST_F(Sim, ControlFilesDriveTheRiders) {
  std::string controls = work / "controls";
  // Two riders: slot 0 holds full throttle from the drop, slot 1 stays put.
  write_file(controls, "# tic slot steer throttle front rear shift clutch dab back_up lean\n"
                       "0 1 0 0 1 1\n"
                       "1900 0 0 1\n");
  CommandRun r = lr_sim(data->path, "--riders 2 --seconds 20 --controls '" + controls + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  std::smatch m0, m1;
  ASSERT_TRUE(std::regex_search(r.out, m0, std::regex("rider 0 cr125: at [^,]*, ([0-9.]+) ft/s"))) << r.out;
  ASSERT_TRUE(std::regex_search(r.out, m1, std::regex("rider 1 cr125: at [^,]*, ([0-9.]+) ft/s"))) << r.out;
  EXPECT_GT(std::stod(m0[1]), 20);
  EXPECT_LT(std::stod(m1[1]), 1);

  write_file(controls, "5 0 0 1\n3 0 0 1\n");
  EXPECT_EQ(lr_sim(data->path, "--controls '" + controls + "'").status, 1);  // tics go backwards
  write_file(controls, "5 200 0 1\n");
  EXPECT_EQ(lr_sim(data->path, "--controls '" + controls + "'").status, 1);  // no such slot
  EXPECT_EQ(lr_sim(data->path, "--controls '" + (work / "missing") + "'").status, 1);
  EXPECT_EQ(lr_sim(data->path, "--riders 0").status, 1);
  EXPECT_EQ(lr_sim(data->path, "--seconds -1").status, 1);
  EXPECT_EQ(lr_sim(data->path, "tracks/nowhere").status, 1);
}

}  // namespace
