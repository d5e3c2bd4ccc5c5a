#include "track/gates.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/log.h"
#include "platform/messages.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace {

struct ObjectCall {
  float x, height, z, angle;
  std::string model, texture, shape;
};

struct GatesFixture : testing::Test {
  TempDir dir;
  Vfs vfs;
  std::vector<ObjectCall> calls;
  std::vector<std::string> logged, posted;
  const char* name = "@tracks/t/timing_gates";

  void SetUp() override {
    vfs_set_folders(vfs, dir / "home/", dir / "game/");
    log_set_listener([](void* c, const char* t) { ((GatesFixture*)c)->logged.push_back(t); }, this);
    message_set_sink([](void* c, const char* t) { ((GatesFixture*)c)->posted.push_back(t); }, this);
  }
  void TearDown() override {
    log_set_listener(nullptr, nullptr);
    message_set_sink(nullptr, nullptr);
    vfs_shutdown(vfs);
  }
  GateObjects objects() {
    GateObjects o;
    o.context = this;
    o.add = [](void* c, float x, float h, float z, float a, const char* m, const char* t, const char* s) {
      auto& calls = ((GatesFixture*)c)->calls;
      calls.push_back({x, h, z, a, m, t, s});
      return int(calls.size()) + 99;  // object numbers the scenery would hand out
    };
    return o;
  }
  bool read(GateSet& g, const std::string& text, int verbosity = 0) {
    write_file(dir / "game/tracks/t/timing_gates", text);
    return gates_read(g, vfs, name, objects(), verbosity);
  }
  bool logged_has(const std::string& part) const {
    for (auto& l : logged)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
};

const std::string kThreeCheckpoints =
    "checkpoints:\n"
    "5 [ 1 0 2 ] [ 0 0 1 ]\n"
    "6.5 [3 0 4] [1 0 0]\n"
    "2 [ 5 0 6 ] [ 0 0 -1 ]\n";
const std::string kLaps = "firstlap: 0 1 2\nnormallap: 0 1 2\n";

std::string repeat(const std::string& line, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += line;
  return out;
}

}  // namespace

TEST_F(GatesFixture, ReadsGatesCheckpointsAndLaps) {
  GateSet g;
  ASSERT_TRUE(read(g,
                   "startinggate:\n"
                   "[ 10 0 20 ] 4\n"
                   "[1 2 3] 0.5 @gate2.jm\n"
                   "  [ 4 5 6 ] -7 mymodel.jm null\n" +
                       kThreeCheckpoints + kLaps,
                   1));
  ASSERT_EQ(g.starting_gates.size(), 3u);
  const StartGate& a = g.starting_gates[0];
  EXPECT_FLOAT_EQ(a.position[0], 10);
  EXPECT_FLOAT_EQ(a.position[2], 20);
  EXPECT_NEAR(a.heading, -2.2831853, 1e-6);  // 4 - 2 pi
  EXPECT_EQ(a.object, 100);
  EXPECT_EQ(g.starting_gates[1].object, 101);
  // Missing names take the defaults one by one from the end.
  EXPECT_EQ(a.model + " " + a.texture + " " + a.shape, "@startgate.jm @startgate.ppm @startgate.shp");
  const StartGate& b = g.starting_gates[1];
  EXPECT_EQ(b.model + " " + b.texture + " " + b.shape, "@gate2.jm @startgate.ppm @startgate.shp");
  const StartGate& c = g.starting_gates[2];
  EXPECT_EQ(c.model + " " + c.texture + " " + c.shape, "mymodel.jm null @startgate.shp");
  EXPECT_NEAR(c.heading, -0.7168147, 1e-6);  // -7 + 2 pi

  // The drawing object stands 3 units behind the gate point, turned like the gate.
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_NEAR(calls[0].x, 12.2704075, 1e-4);
  EXPECT_NEAR(calls[0].z, 21.9609308, 1e-4);
  EXPECT_FLOAT_EQ(calls[0].height, 0);
  EXPECT_FLOAT_EQ(calls[0].angle, a.heading);
  EXPECT_EQ(calls[2].model, "mymodel.jm");
  EXPECT_EQ(calls[2].texture, "null");

  ASSERT_EQ(g.checkpoints.size(), 3u);
  EXPECT_FLOAT_EQ(g.checkpoints[1].size, 6.5f);
  EXPECT_FLOAT_EQ(g.checkpoints[1].position[2], 4);
  EXPECT_FLOAT_EQ(g.checkpoints[2].direction[2], -1);
  EXPECT_EQ(g.sequence, (std::vector<int>{0, 1, 2, 0, 1, 2}));
  EXPECT_EQ(g.first_lap_length, 3);
  EXPECT_EQ(g.normal_lap_length, 3);
  EXPECT_EQ(gates_line_sections(g), 6);
  EXPECT_TRUE(logged_has("Found 3 timing gates, first lap has 3 gates, normal lap has 3\n"));
}

TEST_F(GatesFixture, SequenceEntriesAreBoundedByTheCheckpoints) {
  GateSet g;
  ASSERT_TRUE(read(g, "checkpoints:\n" + repeat("1 [0 0 0] [0 0 1]\n", 10) +
                          "firstlap: 100003 100012 -1 15 99999 200005 99999999999999999999 -99999999999999999999\n"
                          "normallap: 0 1 2\n"));
  EXPECT_EQ(std::vector<int>(g.sequence.begin(), g.sequence.begin() + 8),
            (std::vector<int>{100003, 100009, 0, 9, 9, 100005, 100009, 0}));
  EXPECT_EQ(g.first_lap_length, 8);
  EXPECT_EQ(g.first_lap_counted, 4);  // the +100000 entries are listed but not counted
  EXPECT_EQ(gates_line_sections(g), 7);
  EXPECT_EQ(gates_entry_checkpoint(100009), 9);
  EXPECT_FALSE(gates_entry_counted(100009));
}

TEST_F(GatesFixture, ValidityDecidesWhetherLapsExist) {
  struct Case {
    const char* what;
    std::string text;
    int gates, checkpoints, first, normal;
  };
  const std::string gate = "startinggate:\n[0 0 0] 0\n";
  const Case cases[] = {
      {"checkpoints first: laps but no gates", kThreeCheckpoints + kLaps, 0, 3, 3, 3},
      {"uncounted entries beside three counted", kThreeCheckpoints + "firstlap: 0 100001 1 2\nnormallap: 0 1 2\n", 0,
       3, 4, 3},
      {"first lap of two entries", gate + kThreeCheckpoints + "firstlap: 0 1\nnormallap: 0 1 2\n", 1, 0, 0, 0},
      {"normal lap counting two", kThreeCheckpoints + "firstlap: 0 1 2\nnormallap: 0 1 100002\n", 0, 0, 0, 0},
      {"first lap counting two of four", kThreeCheckpoints + "firstlap: 0 100001 1 100002\nnormallap: 0 1 2\n", 0, 0,
       0, 0},
      {"no normal lap", gate + kThreeCheckpoints + "firstlap: 0 1 2\n", 1, 0, 0, 0},
      {"laps without checkpoints", "checkpoints:\n" + kLaps, 0, 0, 0, 0},
      {"gates only", gate, 1, 0, 0, 0},
      {"empty file", "", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GateSet g;
    EXPECT_TRUE(read(g, c.text));
    EXPECT_EQ(int(g.starting_gates.size()), c.gates);
    EXPECT_EQ(int(g.checkpoints.size()), c.checkpoints);
    EXPECT_EQ(g.first_lap_length, c.first);
    EXPECT_EQ(g.normal_lap_length, c.normal);
    EXPECT_EQ(gates_valid(g), c.normal != 0);
    if (c.normal == 0) {
      EXPECT_TRUE(g.sequence.empty());
      EXPECT_EQ(gates_line_sections(g), 0);
    }
  }
}

TEST_F(GatesFixture, WriterRoundTripIsByteForByte) {
  GateSet g;
  ASSERT_TRUE(read(g,
                   "startinggate: [ 10 0 20 ] 4\n"
                   "[1 2 3] 0.5 @gate2.jm\n"
                   "[ 4 5 6 ] -1 mymodel.jm null shape.shp\n"
                   "[ 7 8 9 ] 1 @startgate.jm @startgate.ppm @startgate.shp\n"
                   "[ 0 0 0 ] 3.1415925\n"
                   "[ 0 0 0 ] -3.1415927\n" +
                       kThreeCheckpoints + "firstlap: 0 1 100002 -1 7\nnormallap:\n0 1\n2 100001"));
  ASSERT_TRUE(gates_write(g, vfs, name));
  const std::string written = read_file(dir / "home/tracks/t/timing_gates");
  EXPECT_EQ(written,
            "startinggate:\n"
            "[10.000000 0.000000 20.000000] -2.283185\n"
            "[1.000000 2.000000 3.000000] 0.500000 @gate2.jm @startgate.ppm @startgate.shp\n"
            "[4.000000 5.000000 6.000000] -1.000000 mymodel.jm null shape.shp\n"
            "[7.000000 8.000000 9.000000] 1.000000\n"
            "[0.000000 0.000000 0.000000] -3.141592\n"  // 3.141593 would read back past pi
            "[0.000000 0.000000 0.000000] -3.141592\n"
            "checkpoints:\n"
            "5.000000 [1.000000 0.000000 2.000000] [0.000000 0.000000 1.000000]\n"
            "6.500000 [3.000000 0.000000 4.000000] [1.000000 0.000000 0.000000]\n"
            "2.000000 [5.000000 0.000000 6.000000] [0.000000 0.000000 -1.000000]\n"
            "firstlap:\n0 1 100002 0 2 \n"
            "normallap:\n0 1 2 100001 \n");
  // The written file reads back to the same set and writes the same bytes.
  GateSet again;
  ASSERT_TRUE(gates_read(again, vfs, name, objects(), 0));  // the home folder's copy wins
  EXPECT_EQ(again.sequence, g.sequence);
  EXPECT_EQ(again.first_lap_counted, g.first_lap_counted);
  ASSERT_TRUE(gates_write(again, vfs, name));
  EXPECT_EQ(read_file(dir / "home/tracks/t/timing_gates"), written);
  EXPECT_TRUE(posted.empty());
}

TEST_F(GatesFixture, WriterWithoutLapsKeepsTheGatesAndReportsOpenFailure) {
  GateSet g;
  ASSERT_TRUE(read(g, "startinggate:\n[1 2 3] 0\n" + kThreeCheckpoints + "firstlap: 0 1\n"));
  EXPECT_EQ(gates_format(g), "startinggate:\n[1.000000 2.000000 3.000000] 0.000000\n");
  gates_clear(g);
  EXPECT_EQ(gates_format(g), "");

  write_file(dir / "blocker", "a file where a folder should be");
  EXPECT_FALSE(gates_write(g, vfs, (dir / "blocker/timing_gates").c_str()));
  EXPECT_EQ(posted, std::vector<std::string>{"Can't open 'timing_gates'\n"});
}

TEST_F(GatesFixture, MissingFileLeavesNothing) {
  GateSet g;
  ASSERT_TRUE(read(g, "startinggate:\n[1 2 3] 0\n" + kThreeCheckpoints + kLaps));
  EXPECT_FALSE(gates_read(g, vfs, "@tracks/none/timing_gates", objects(), 1));
  EXPECT_TRUE(g.starting_gates.empty());
  EXPECT_TRUE(g.checkpoints.empty());
  EXPECT_EQ(g.normal_lap_length, 0);
  EXPECT_FALSE(logged_has("Found"));

  // A file far too long for what it can hold is not read at all.
  EXPECT_FALSE(read(g, "startinggate:\n[1 2 3] 0\n" + std::string(16 << 20, ' ')));
  EXPECT_TRUE(g.starting_gates.empty());
  EXPECT_TRUE(logged_has("16 MiB or longer"));
}

TEST_F(GatesFixture, DamagedFilesEndTheirSectionAndSayWhy) {
  struct Case {
    const char* what;
    std::string text;
    int gates, checkpoints, first, normal;
    const char* logged;  // part of a logged warning, or "" for none expected
  };
  const std::string gate = "[0 0 0] 0\n";
  const std::string cp = "1 [0 0 0] [0 0 1]\n";
  const Case cases[] = {
      {"heading not a number", "startinggate:\n" + gate + "[1 1 1] nan\n" + gate + kThreeCheckpoints + kLaps, 1, 3, 3,
       3, "not finite"},
      {"gate line short of a heading", "startinggate:\n" + gate + "[1 1 1]\n" + gate + kThreeCheckpoints + kLaps, 1, 3,
       3, 3, "not a starting gate"},
      {"blank lines between gates", "startinggate:\n\n" + gate + " \t\r\n" + gate + kThreeCheckpoints + kLaps, 2, 3, 3,
       3, ""},
      {"too many gates", "startinggate:\n" + repeat(gate, 170) + kThreeCheckpoints + kLaps, 160, 3, 3, 3,
       "more than 160 starting gates"},
      {"overflowing checkpoint", "checkpoints:\n" + repeat(cp, 3) + "1e999 [0 0 0] [0 0 1]\n" + kLaps, 0, 3, 3, 3,
       "not finite"},
      {"too many checkpoints", "checkpoints:\n" + repeat(cp, 300) + kLaps, 0, 256, 3, 3, "more than 256 checkpoints"},
      {"too many lap entries", kThreeCheckpoints + "firstlap:" + repeat(" 1", 300) + "\nnormallap: 0 1 2\n", 0, 3, 256,
       3, "more than 256 entries"},
      {"file cut inside a checkpoint", "checkpoints:\n5 [ 1 2", 0, 0, 0, 0, ""},
      {"junk between sections", kThreeCheckpoints + "hello\n" + kLaps, 0, 0, 0, 0, "'hello' where \"firstlap:\""},
      {"unknown first word", "gates:\n" + kThreeCheckpoints + kLaps, 0, 0, 0, 0, "starts with 'gates:'"},
      {"binary junk", "startinggate:\n[\x01\xff\x80 ]]]\n\x7f\n" + kThreeCheckpoints + "firstlap: -" +
                          std::string("\0normallap: 0 1 2\n", 19),
       0, 0, 0, 0, "no laps"},
      {"nothing after a keyword", "startinggate:", 0, 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    logged.clear();
    GateSet g;
    EXPECT_TRUE(read(g, c.text));
    EXPECT_EQ(int(g.starting_gates.size()), c.gates);
    EXPECT_EQ(int(g.checkpoints.size()), c.checkpoints);
    EXPECT_EQ(g.first_lap_length, c.first);
    EXPECT_EQ(g.normal_lap_length, c.normal);
    EXPECT_EQ(int(g.sequence.size()), c.first + c.normal);
    if (*c.logged) {
      EXPECT_TRUE(logged_has(c.logged)) << (logged.empty() ? "" : logged[0]);
    }
    for (const StartGate& s : g.starting_gates) EXPECT_TRUE(std::isfinite(s.heading));
  }
  EXPECT_TRUE(posted.empty());
}
