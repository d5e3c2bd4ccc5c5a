// The race's tic: the start and the gate drop, the false start, the scenery
// grid, demo seeking, who is hidden, and that a run repeats exactly.
#include "bike/sim_tic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "bike/bike_spec.h"
#include "bike/compact_state.h"
#include "bikerig/bike_rig.h"
#include "platform/messages.h"
#include "test_util.h"
#include "track/gates.h"
#include "track/track_load.h"
#include "track/scenery.h"

namespace {

struct Tic : ::testing::Test {
  TempDir dir;
  BikeRig rig;
  SimWorld w;
  GateSet gates;
  Scenery scenery;
  std::vector<std::string> posted;

  void SetUp() override {
    ASSERT_TRUE(bike_rig_open(rig, dir.path));
    w.physics = &rig.physics;
    w.shapes = &rig.shapes;
    w.terrain = &rig.terrain;
    w.surfaces = &rig.surfaces;
    w.scenery = &scenery;
    w.gates = &gates;
    message_set_sink([](void* c, const char* t) { static_cast<std::vector<std::string>*>(c)->push_back(t); }, &posted);
  }
  void TearDown() override {
    message_set_sink(nullptr, nullptr);
    sim_world_clear(w);
    bike_rig_close(rig);
  }
  // A start gate whose object uses a shape from the rig's folder.
  void add_gate(float x, float z) {
    SceneryObject o;
    o.x = x, o.z = z;
    o.shape = shape_cache_load(rig.shapes, "@generic_fork_lower.shp");
    scenery.objects.push_back(o);
    StartGate g{{x, 0, z}, 0, int(scenery.objects.size()) - 1, "", "", ""};
    gates.starting_gates.push_back(g);
  }
  // This machine's rider on a race server, at the gate 5 s before the drop.
  BikeSim& connected_rider() {
    BikeSim& b = *rider(0, 1024, 1900);
    w.connected = true;
    w.own_slot = 0;
    w.start_tic = 5 * 128;
    sim_race_start(w);
    return b;
  }
  BikeSim* rider(int slot, double x, double z, int kind = SIM_LOCAL) {
    BikeSim* b = sim_slot_add(w, slot, 0, kind, false);
    const BikeSpec& s = *b->model;
    bike_sim_move(*b, x - s.frame_position[0], 0.0, z - s.frame_position[2]);
    return b;
  }
};

TEST_F(Tic, OfflineRacesStartThirteenToFifteenSecondsIn) {
  std::mt19937 random(3);
  for (int i = 0; i < 200; ++i) {
    int64_t t = track_offline_start_tic(random);
    EXPECT_GE(t, 13 * 128);
    EXPECT_LT(t, 15 * 128);
  }
}

TEST_F(Tic, TheGateIsDownOnTheThirtySecondTicAfterTheStart) {
  add_gate(1000, 1000);
  add_gate(1010, 1000);
  sim_race_start(w);
  w.start_tic = 20;
  std::vector<float> opening;
  while (w.tic < 20 + 50) {
    if (w.tic == 20 + 10) scenery.objects[1].last_touch = int(w.tic);  // a rider leans on gate 1
    sim_tic(w);
    opening.push_back(w.gate_drop[0].opening);
    if (w.tic <= 20) {
      EXPECT_FLOAT_EQ(w.gate_drop[0].opening, 1) << w.tic;
    }
  }
  // opening[i] is after the tic numbered i: the drop starts on tic 20.
  EXPECT_GT(opening[20 + 30], 0);
  EXPECT_FLOAT_EQ(opening[20 + 31], 0);  // the 32nd tic of the drop
  EXPECT_LT(opening[20 + 1], opening[20]);
  // The touched gate lost its speed there and, falling again from rest, is
  // down later.
  for (int i = 0; i < 20; ++i) sim_tic(w);
  EXPECT_FLOAT_EQ(w.gate_drop[1].opening, 0);
  EXPECT_DOUBLE_EQ(sim_gate_turn(w, 0), 0);
}

TEST_F(Tic, ATouchHoldsTheGateForThatTicOnly) {
  add_gate(1000, 1000);
  sim_race_start(w);
  w.start_tic = 0;
  for (int i = 0; i < 5; ++i) sim_tic(w);
  float before = w.gate_drop[0].opening, speed = w.gate_drop[0].speed;
  EXPECT_GT(speed, 0);
  scenery.objects[0].last_touch = int(w.tic);
  sim_tic(w);
  EXPECT_FLOAT_EQ(w.gate_drop[0].opening, before);
  EXPECT_FLOAT_EQ(w.gate_drop[0].speed, 0);
  sim_tic(w);
  EXPECT_LT(w.gate_drop[0].opening, before);
  EXPECT_NEAR(sim_gate_turn(w, 0), w.gate_drop[0].opening * 3 * 3.14159265358979 / 16, 1e-6);
}

TEST_F(Tic, SceneryGridCellsAndNearbyObjects) {
  const float T = 2048;
  struct Case {
    float x;
    int cell;
  };
  // clamp(floor((x / T - 1/8) x 32/3), 0, 7)
  const Case cases[] = {{0, 0}, {256, 0}, {256 + 192, 1}, {1024, 4}, {2047, 7}, {4000, 7}, {-50, 0}, {NAN, 0}};
  for (const Case& c : cases) EXPECT_EQ(sim_grid_cell(c.x, T), c.cell) << c.x;
  EXPECT_EQ(sim_grid_cell(100, 0), 0);

  add_gate(1024, 1024);
  SceneryObject plain;  // no shape: never entered
  plain.x = plain.z = 1024;
  scenery.objects.push_back(plain);
  add_gate(1025, 1020);
  sim_scenery_grid_build(w);
  EXPECT_EQ(sim_nearby_objects(w, 1024, 1024), (std::vector<int>{0, 2}));
  EXPECT_TRUE(sim_nearby_objects(w, 100, 100).empty());
}

TEST_F(Tic, ForwardSeekRunsTheTicsWithoutRoost) {
  rider(0, 1024, 1900);
  sim_race_start(w);
  w.roost_frequency = 300;
  sim_skip(w, 10);
  EXPECT_EQ(w.tic, 1280);
  EXPECT_TRUE(w.roost.empty());
  EXPECT_EQ(w.roost_frequency, 300);

  // Backwards: the histories go and one tic runs from the target.
  CompactState state{};
  state_history_push(w.slots[0].history, state, 100);
  int64_t cut = -1;
  w.hooks.context = &cut;
  w.hooks.cut_crossings = [](void* c, int64_t t) { *static_cast<int64_t*>(c) = t; };
  sim_skip(w, -5);
  EXPECT_EQ(cut, 1280 - 640);
  EXPECT_EQ(w.tic, 1280 - 640 + 1);
  EXPECT_EQ(state_history_count(w.slots[0].history), 0);
}

// Only a move of more than 3 ft from the gate position counts.
TEST_F(Tic, AFalseStartNeedsMoreThanThreeFeet) {
  BikeSim& b = connected_rider();
  const dReal* p = dBodyGetPosition(b.body[BIKE_FRAME]);
  double start_z = w.start_position[2];
  bike_sim_move(b, 0, 0, -2.9);
  sim_tic(w);
  EXPECT_EQ(w.false_start_hold, 0) << p[2] - start_z;
  EXPECT_TRUE(posted.empty());
  bike_sim_move(b, 0, 0, start_z - 3.1 - p[2]);
  sim_tic(w);
  EXPECT_GT(w.false_start_hold, 0) << p[2] - start_z;
  EXPECT_EQ(std::count(posted.begin(), posted.end(), "15 second false start penalty"), 1);
}

TEST_F(Tic, RollingForwardBeforeTheDropOnlineHoldsTheRiderFifteenSeconds) {
  BikeSim& b = connected_rider();
  EXPECT_EQ(w.start_tic, 5 * 128);  // the start tic is the caller's
  // Push the bike forward 4 ft before the drop.
  for (int t = 0; t < 128 && w.false_start_hold == 0; ++t) {
    BikeInput in;
    bike_set_input(b, in);
    for (dBodyID body : b.body) dBodyAddForce(body, 0, 0, -60);
    sim_tic(w);
  }
  ASSERT_GT(w.false_start_hold, 0);
  EXPECT_EQ(w.tic + w.false_start_hold, w.start_tic + 15 * 128 + 1);
  EXPECT_EQ(std::count(posted.begin(), posted.end(), "15 second false start penalty"), 1);
  // Held: full throttle does nothing until 15 s after the drop.
  while (w.tic < w.start_tic + 15 * 128 - 1) {
    BikeInput in;
    in.throttle = 1;
    bike_set_input(b, in);
    sim_tic(w);
    ASSERT_DOUBLE_EQ(b.drive.throttle, 0) << w.tic;
  }
  EXPECT_LT(bike_sim_speed(b), 1);
  EXPECT_EQ(std::count(posted.begin(), posted.end(), "15 second false start penalty"), 1);
  for (int t = 0; t < 256; ++t) {
    BikeInput in;
    in.throttle = 1;
    bike_set_input(b, in);
    sim_tic(w);
  }
  EXPECT_GT(bike_sim_speed(b), 10);
}

TEST_F(Tic, HiddenRiders) {
  rider(0, 1000, 1900, SIM_LOCAL);
  rider(1, 1010, 1900, SIM_ROBOT);
  rider(2, 1020, 1900, SIM_REMOTE);
  EXPECT_FALSE(sim_hidden(w, 0));
  EXPECT_FALSE(sim_hidden(w, 1));
  EXPECT_TRUE(sim_hidden(w, 2));  // nothing received yet
  EXPECT_TRUE(sim_hidden(w, 3));  // no bike
  EXPECT_TRUE(sim_hidden(w, -1));
  EXPECT_TRUE(sim_hidden(w, SIM_SLOTS));
  CompactState state{};
  state_history_push(w.slots[2].history, state, 0);
  EXPECT_FALSE(sim_hidden(w, 2));
  w.tic = 500;  // long after its only state
  EXPECT_TRUE(sim_hidden(w, 2));
  w.tic = 0;
  w.connected = w.spectating = true;
  w.viewed_slot = 1;
  EXPECT_TRUE(sim_hidden(w, 0));  // our own bike while spectating, unless viewed
  w.viewed_slot = 0;
  EXPECT_FALSE(sim_hidden(w, 0));
}

// A few riders ridden through a minute of race: the compact states after it.
std::vector<CompactState> ride_once(const std::string& folder) {
  BikeRig rig;
  bike_rig_open(rig, folder);
  SimWorld w;
  w.physics = &rig.physics;
  w.shapes = &rig.shapes;
  w.terrain = &rig.terrain;
  w.surfaces = &rig.surfaces;
  for (int i = 0; i < 4; ++i) {
    BikeSim* b = sim_slot_add(w, i, i * 9, SIM_LOCAL, false);
    bike_sim_move(*b, 1000 + 3.0 * i - b->model->frame_position[0], 0, 1950 - b->model->frame_position[2]);
  }
  sim_race_start(w);
  for (int t = 0; t < 128 * 8; ++t) {
    for (int i = 0; i < 4; ++i) {
      BikeSim& b = *w.slots[size_t(i)].bike;
      BikeInput in;
      in.throttle = 0.5 + 0.1 * i;
      in.steer = 0.3 * std::sin(t / 100.0 + i);
      in.shift = (t / 128) % 2 == 0 && t < 128 * 5 ? 1 : 0;
      bike_set_input(b, in);
    }
    sim_tic(w);
  }
  std::vector<CompactState> out;
  CompactSpace space = compact_space(&rig.terrain);
  for (int i = 0; i < 4; ++i) {
    CompactState s;
    compact_state_encode(s, *w.slots[size_t(i)].bike, space);
    out.push_back(s);
  }
  sim_world_clear(w);
  bike_rig_close(rig);
  return out;
}

TEST(TicRepeat, TheSameRaceTwiceEndsInTheSameBytes) {
  TempDir a, b;
  std::vector<CompactState> first = ride_once(a.path), second = ride_once(b.path);
  ASSERT_EQ(first.size(), second.size());
  for (size_t i = 0; i < first.size(); ++i)
    EXPECT_EQ(memcmp(&first[i], &second[i], sizeof(CompactState)), 0) << "rider " << i;
}

}  // namespace
