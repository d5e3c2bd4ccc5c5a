// lr-sim on the generated track: the helper rides lap after lap, the same
// run gives the same trace, races of laps and of minutes plus laps run to
// their results file, and bad command lines and control files are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <array>
#include <cmath>
#include <cstdlib>
#include <set>
#include <regex>
#include <string>

#include "test_util.h"

namespace {

// lr-sim on a game folder, with its home folder under home/Loamrun.
CommandRun lr_sim_home(const std::string& game, const std::string& home, const std::string& args) {
  return run_command("env -u KELP_LOGFILE LR_HOME='" + game + "' XDG_DATA_HOME='" + home + "' " LR_SIM_BIN " " + args +
                     " 2>&1");
}
CommandRun lr_sim(const std::string& game, const std::string& args) { return lr_sim_home(game, game + "/xdg", args); }

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

// Three riders on the grid, a 3-lap race to the end and its "@results.txt".
TEST_F(Sim, ARaceOfThreeLapsRunsToItsResultsFile) {
  std::string home = work / "xdg";
  CommandRun r = lr_sim_home(data->path, home, "--riders 3 --laps 3 --seed 7");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("3 laps: results final, finish laps 3"), std::string::npos) << r.out;

  // Each rider stands where the grid formula puts him: at starting gate
  // slot mod g, in row slot div g behind it.
  std::vector<std::array<double, 3>> gates;
  std::regex gate_line("starting gate (\\d+): ([-0-9.]+) ([-0-9.]+) heading ([-0-9.]+)");
  for (std::sregex_iterator i(r.out.begin(), r.out.end(), gate_line), end; i != end; ++i)
    gates.push_back({std::stod((*i)[2]), std::stod((*i)[3]), std::stod((*i)[4])});
  ASSERT_FALSE(gates.empty()) << r.out;
  int placed = 0;
  std::regex grid_line("grid (\\d+): ([-0-9.]+) ([-0-9.]+)");
  for (std::sregex_iterator i(r.out.begin(), r.out.end(), grid_line), end; i != end; ++i, ++placed) {
    size_t slot = size_t(std::stoi((*i)[1]));
    const auto& g = gates[slot % gates.size()];
    double row = double(slot / gates.size());
    EXPECT_NEAR(std::stod((*i)[2]), g[0] + std::sin(g[2]) * (row + 0.0625) * 10, 1e-3) << (*i)[0];
    EXPECT_NEAR(std::stod((*i)[3]), g[1] + std::cos(g[2]) * (row + 0.0625) * 10, 1e-3) << (*i)[0];
  }
  EXPECT_EQ(placed, 3);

  std::string text = read_file(home + "/Loamrun/results.txt");
  ASSERT_NE(text, "<missing>") << r.out;
  std::smatch m;
  EXPECT_TRUE(std::regex_search(text, m, std::regex("^Time=0\\.00\\|Laps=3\\|Track=claypit\\|Date=[0-9]+\r\n")))
      << text;
  EXPECT_NE(text.find("\r\n No. |         Bike | Laps | Total Time | BLap |  Best Time\r\n"), std::string::npos)
      << text;
  std::regex row(" *[0-9]{2} \\|        cr125 \\|    3 \\| +[0-9]+:[0-9]{2}\\.[0-9]{3} \\|    [0-9] \\| +[0-9]+:[0-9]{2}"
                 "\\.[0-9]{3}\r\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), row), std::sregex_iterator()), 3) << text;
  // Every line ends in CR LF.
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
    ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << at;
}

// A race of a minute and a lap: the lap in which the time ran out is
// finished, then one more.
TEST_F(Sim, ATimedRaceOfAMinuteAndALapEnds) {
  std::string home = work / "xdg";
  CommandRun r = lr_sim_home(data->path, home, "--minutes 1 --laps 1 --quiet");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("1 minutes + 1 laps: results final, finish laps 2"), std::string::npos) << r.out;
  std::string text = read_file(home + "/Loamrun/results.txt");
  EXPECT_EQ(text.rfind("Time=60.00|Laps=1|Track=claypit|Date=", 0), 0u) << text;
  EXPECT_NE(text.find("|    2 |"), std::string::npos) << text;
}

// The gate drops 13 to 15 seconds in, as the seed draws it.
TEST_F(Sim, TheGateDropsThirteenToFifteenSecondsIn) {
  std::set<long> drops;
  for (int seed = 1; seed <= 6; ++seed) {
    CommandRun r = lr_sim(data->path, "--seconds 0.01 --seed " + std::to_string(seed));
    ASSERT_EQ(r.status, 0) << r.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("Gate drops at tic (\\d+)"))) << r.out;
    long tic = std::stol(m[1]);
    EXPECT_GE(tic, 1664);
    EXPECT_LE(tic, 1919);
    drops.insert(tic);
    CommandRun again = lr_sim(data->path, "--seconds 0.01 --seed " + std::to_string(seed));
    EXPECT_NE(again.out.find("Gate drops at tic " + std::string(m[1])), std::string::npos);
  }
  EXPECT_GT(drops.size(), 2u);
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
  EXPECT_EQ(lr_sim(data->path, "--laps -2").status, 1);
  EXPECT_EQ(lr_sim(data->path, "--minutes nan").status, 1);
  EXPECT_EQ(lr_sim(data->path, "tracks/nowhere").status, 1);
}

}  // namespace
