// Lap timing on a small track of seven gates in a row along x: a first lap of
// three (list entries 0..2) and a normal lap of four (entries 3..6), so
// sequence index 2 ends lap 1, 6 ends lap 2, 10 ends lap 3. Riders are moved
// by handing the gate test points inside or outside the gates.
#include "race/lap_timing.h"

#include <gtest/gtest.h>

#include <ode/ode.h>

#include <memory>
#include <vector>

#include "bike/bike_sim.h"
#include "bikerig/bike_rig.h"
#include "test_util.h"
#include "track/gates.h"

namespace {

constexpr int F = 3, N = 4;
constexpr double SPACING = 100;  // ft between the gates of the list

// Seven checkpoints 100 ft apart along x, radius 5, passed from the +x side.
// The normal lap's last entry is timing only (100006).
GateSet small_track() {
  GateSet g;
  for (int i = 0; i < F + N; ++i) {
    Checkpoint cp{};
    cp.size = 5;
    cp.position[0] = float(SPACING * i);
    cp.position[2] = 0;
    cp.direction[0] = 2;  // not normalised in the file
    g.checkpoints.push_back(cp);
  }
  g.sequence = {0, 1, 2, 3, 4, 5, 6 + GATES_UNCOUNTED};
  g.first_lap_length = g.first_lap_counted = F;
  g.normal_lap_length = N;
  g.normal_lap_counted = N - 1;
  return g;
}

struct Call {
  int slot, index, gates_at_call;
  int64_t tic;
};

struct Laps : ::testing::Test {
  std::unique_ptr<LapRace> race = std::make_unique<LapRace>();
  std::vector<Call> calls;
  LapPassHook hook{this, [](void* c, int slot, int index, int64_t tic) {
                     Laps& t = *(Laps*)c;
                     t.calls.push_back({slot, index, t.race->riders[slot].gates, tic});
                   }};

  void SetUp() override {
    laps_build(*race, small_track());
    race->finish_laps = 1000000;  // a timed race whose limit has not passed: lap ends finish nobody
  }

  // Rides through the gate of sequence index k (1 ft past its centre).
  LapPass pass(int slot, int k, int64_t tic) {
    double x = SPACING * laps_sequence_gate(*race, k) + 1;
    return laps_gate_test(*race, slot, x, 0, tic, &hook);
  }
  // A point in no gate.
  LapPass nowhere(int slot, int64_t tic) { return laps_gate_test(*race, slot, -50, 0, tic, &hook); }
  // Passes indices 0..last in order, one every `step` tics from `first`.
  void ride(int slot, int last, int64_t first, int64_t step) {
    for (int k = 0; k <= last; ++k) ASSERT_EQ(pass(slot, k, first + step * k).index, k);
  }
  void order(std::initializer_list<int> slots) {
    bool occupied[LAPS_SLOTS] = {};
    for (int s : slots) occupied[s] = true;
    laps_running_order(*race, occupied);
  }
  const std::vector<int64_t>& list(int slot) { return race->riders[slot].crossings; }
};

TEST_F(Laps, BuildTakesTheSequenceWithItsGeometry) {
  EXPECT_TRUE(race->timing);
  EXPECT_EQ(race->first_lap, F);
  EXPECT_EQ(race->normal_lap, N);
  ASSERT_EQ(race->gates.size(), size_t(F + N));
  const LapGate& timing_only = race->gates[6];
  EXPECT_EQ(timing_only.entry, 6 + GATES_UNCOUNTED);
  EXPECT_DOUBLE_EQ(timing_only.x, 600);
  EXPECT_DOUBLE_EQ(timing_only.dx, 1);  // normalised
  EXPECT_DOUBLE_EQ(timing_only.dz, 0);
  EXPECT_DOUBLE_EQ(timing_only.radius, 5);

  // Sets that cannot time laps leave the race without gates, and the gate
  // test then does nothing.
  GateSet invalid = small_track();
  invalid.normal_lap_counted = 2;
  GateSet dangling = small_track();
  dangling.sequence[4] = 40;  // no such checkpoint
  GateSet short_sequence = small_track();
  short_sequence.sequence.pop_back();
  for (const GateSet* g : {&invalid, &dangling, &short_sequence}) {
    laps_build(*race, *g);
    EXPECT_FALSE(race->timing);
    EXPECT_TRUE(race->gates.empty());
    EXPECT_EQ(race->normal_lap, 0);
    EXPECT_EQ(laps_gate_test(*race, 0, 1, 0, 10, &hook).index, -1);
    EXPECT_TRUE(list(0).empty());
  }
}

TEST_F(Laps, SequenceMappingAndLapEnds) {
  struct Row {
    int k, gate;
    bool ends;
  };
  const Row rows[] = {{-1, -1, false}, {0, 0, false}, {1, 1, false}, {2, 2, true},  {3, 3, false},
                      {5, 5, false},   {6, 6, true},  {7, 3, false}, {9, 5, false}, {10, 6, true},
                      {11, 3, false},  {14, 6, true}, {1998, 6, true}};
  for (const Row& r : rows) {
    EXPECT_EQ(laps_sequence_gate(*race, r.k), r.gate) << "k=" << r.k;
    EXPECT_EQ(laps_ends_lap(*race, r.k), r.ends) << "k=" << r.k;
  }
}

TEST_F(Laps, NoNormalLapNeverDividesByZero) {
  race->normal_lap = 0;  // a race with a first lap and no laps after it
  EXPECT_EQ(laps_sequence_gate(*race, 2), 2);
  EXPECT_EQ(laps_sequence_gate(*race, 3), -1);
  for (int k : {2, 3, 6}) EXPECT_FALSE(laps_ends_lap(*race, k));
  ride(0, 2, 100, 100);
  EXPECT_EQ(pass(0, 3, 500).index, -1);  // nothing lies beyond the first lap
  EXPECT_EQ(pass(0, 2, 600).index, -1);  // just passed
  EXPECT_EQ(laps_completed(*race, 0), 0);
  EXPECT_EQ(laps_gates_into_lap(*race, 0), 3);
  EXPECT_EQ(laps_lap_time(*race, 0, 1), 0);
  EXPECT_EQ(laps_lap_time(*race, 0, -1), 0);
  order({0});
  race->finish_laps = 1;
  EXPECT_FALSE(laps_finished(*race, 0));
  EXPECT_FALSE(race->riders[0].finished);
}

TEST_F(Laps, PassesGatesInOrderAndReportsEachToTheHook) {
  EXPECT_EQ(nowhere(3, 10).index, -1);
  // Inside the radius but on the wrong side, or on the right side but too far out.
  EXPECT_EQ(laps_gate_test(*race, 3, -1, 0, 11, &hook).index, -1);
  EXPECT_EQ(laps_gate_test(*race, 3, 4, 3.1, 12, &hook).index, -1);
  EXPECT_TRUE(calls.empty());

  LapPass p = laps_gate_test(*race, 3, 0, 5, 20, &hook);  // on the edge, on the line
  EXPECT_EQ(p.index, 0);
  EXPECT_FALSE(p.lap_ended);
  EXPECT_EQ(pass(3, 1, 30).index, 1);
  p = pass(3, 2, 40);
  EXPECT_EQ(p.index, 2);
  EXPECT_TRUE(p.lap_ended);
  EXPECT_EQ(race->riders[3].gates, 3);
  EXPECT_EQ(list(3), (std::vector<int64_t>{20, 30, 40}));
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].slot, 3);
  EXPECT_EQ(calls[2].index, 2);
  EXPECT_EQ(calls[2].tic, 40);
  EXPECT_EQ(calls[2].gates_at_call, 2);  // the counter moves on after the bookkeeping

  // Staying in the gate just passed does not count it again; no hook works too.
  EXPECT_EQ(pass(3, 2, 41).index, -1);
  EXPECT_EQ(laps_gate_test(*race, 3, 301, 0, 50, nullptr).index, 3);
  EXPECT_EQ(calls.size(), 3u);

  // Timing off: nothing.
  race->timing = false;
  EXPECT_EQ(pass(3, 4, 60).index, -1);
}

TEST_F(Laps, SkipsUpToTwoGatesAndGoesBackForASkippedOne) {
  ride(0, 4, 100, 100);  // c = 5
  // Gate 6 first: 5 stays missing.
  EXPECT_EQ(pass(0, 6, 700).index, 6);
  EXPECT_EQ(race->riders[0].gates, 7);
  EXPECT_EQ(laps_crossing_tic(*race, 0, 5), -1);
  // Back through gate 5 (j = -2): taken, and gate 6 is next again.
  EXPECT_EQ(pass(0, 5, 800).index, 5);
  EXPECT_EQ(race->riders[0].gates, 6);
  EXPECT_EQ(laps_crossing_tic(*race, 0, 5), 800);
  EXPECT_EQ(pass(0, 6, 900).index, 6);
  EXPECT_EQ(laps_crossing_tic(*race, 0, 6), 900);
  EXPECT_EQ(race->riders[0].gates, 7);

  // Two skipped at once (j = 2), then back three (j = -3) while still missing.
  ride(1, 2, 100, 100);  // c = 3
  EXPECT_EQ(pass(1, 5, 500).index, 5);
  EXPECT_EQ(list(1), (std::vector<int64_t>{100, 200, 300, -1, -1, 500}));
  EXPECT_EQ(pass(1, 3, 600).index, 3);
  EXPECT_EQ(race->riders[1].gates, 4);

  // A gate two behind that was passed is not taken again, and three ahead is too far.
  ride(2, 5, 100, 100);  // c = 6
  EXPECT_EQ(pass(2, 4, 700).index, -1);
  EXPECT_EQ(pass(2, 3, 700).index, -1);
  ride(4, 0, 100, 100);  // c = 1
  EXPECT_EQ(laps_gate_test(*race, 4, SPACING * 4 + 1, 0, 300, &hook).index, -1);
  EXPECT_EQ(race->riders[4].gates, 1);
}

TEST_F(Laps, ALapEndingGateCannotBeSkipped) {
  struct Row {
    int passed_up_to;  // gates 0..this were passed in order (-1: none)
    int target;        // the sequence index ridden through next
    int accepted;      // what the gate test takes
  };
  const Row rows[] = {
      {-1, 2, 2},  // skipping 0 and 1 onto the lap end itself is fine
      {0, 3, -1},  // 2 ends lap 1 and lies between
      {1, 3, -1},
      {3, 5, 5},   // 4 and 5 hold no lap end
      {4, 7, -1},  // 6 ends lap 2
      {5, 7, -1},
  };
  for (const Row& r : rows) {
    laps_reset_rider(*race, 0);
    if (r.passed_up_to >= 0) ride(0, r.passed_up_to, 100, 100);
    int before = race->riders[0].gates;
    EXPECT_EQ(pass(0, r.target, 5000).index, r.accepted) << "after " << r.passed_up_to << " to " << r.target;
    if (r.accepted < 0) {
      EXPECT_EQ(race->riders[0].gates, before);
    }
  }
}

TEST_F(Laps, LapsGatesAndLapTimes) {
  race->start_tic = 1000;
  // Lap 1 ends at 2000 (7.8125 s), lap 2 at 3280 (10 s), lap 3 at 6480 (25 s).
  const int64_t tics[] = {1200, 1500, 2000, 2300, 2600, 3000, 3280, 4000, 5000, 6000, 6480, 7000};
  struct Row {
    int gates, laps, into;
  };
  const Row rows[] = {{0, 0, 0}, {2, 0, 2}, {3, 1, 1}, {4, 1, 2}, {6, 1, 4}, {7, 2, 1}, {10, 2, 4}, {11, 3, 1}};
  size_t row = 0;
  for (int k = 0; k <= 11; ++k) {
    if (row < std::size(rows) && rows[row].gates == k) {
      EXPECT_EQ(laps_completed(*race, 0), rows[row].laps) << "c=" << k;
      EXPECT_EQ(laps_gates_into_lap(*race, 0), rows[row].into) << "c=" << k;
      ++row;
    }
    ASSERT_EQ(pass(0, k, tics[k]).index, k);
  }
  EXPECT_DOUBLE_EQ(laps_lap_time(*race, 0, 1), 1000 * LAPS_TIC);
  EXPECT_DOUBLE_EQ(laps_lap_time(*race, 0, 2), 10.0);
  EXPECT_DOUBLE_EQ(laps_lap_time(*race, 0, 3), 25.0);
  EXPECT_DOUBLE_EQ(laps_lap_time(*race, 0, -1), 25.0);
  EXPECT_EQ(laps_lap_time(*race, 0, 0), 0);
  EXPECT_EQ(laps_lap_time(*race, 0, 4), 0);  // under way
  double best = -1;
  EXPECT_EQ(laps_best_lap(*race, 0, &best), 2);
  EXPECT_DOUBLE_EQ(best, 10.0);

  // Timing off: no laps, and the counter is all that is left.
  race->timing = false;
  EXPECT_EQ(laps_completed(*race, 0), 0);
  EXPECT_EQ(laps_gates_into_lap(*race, 0), 12);
  EXPECT_EQ(laps_lap_time(*race, 0, 1), 0);
}

TEST_F(Laps, LapTimesWithUnknownEndsAndBestLapTies) {
  // Counter set from outside with only some crossings known.
  laps_set_gate_counter(*race, 1, 11, nullptr);
  for (auto [k, t] : {std::pair{2, 500}, {6, 1780}, {10, 3060}}) laps_set_crossing(*race, 1, k, t);
  EXPECT_EQ(laps_completed(*race, 1), 3);
  EXPECT_DOUBLE_EQ(laps_lap_time(*race, 1, 2), 10.0);
  EXPECT_DOUBLE_EQ(laps_lap_time(*race, 1, 3), 10.0);
  double best = 0;
  EXPECT_EQ(laps_best_lap(*race, 1, &best), 2);  // equal times: the earlier lap
  laps_set_crossing(*race, 1, 6, -1);
  EXPECT_EQ(laps_lap_time(*race, 1, 2), 0);
  EXPECT_EQ(laps_lap_time(*race, 1, 3), 0);
  EXPECT_EQ(laps_best_lap(*race, 1, &best), 3);  // lap 2 has no time: the later one is taken
  EXPECT_EQ(best, 0);

  // Fewer than two laps: no best lap.
  ride(2, 5, 100, 100);
  EXPECT_EQ(laps_best_lap(*race, 2, &best), 0);
  EXPECT_EQ(best, 0);
}

TEST_F(Laps, FinishIsLatchedFromTheLeadersFinalLapEnd) {
  race->finish_laps = 2;  // the leader finishes at sequence index 6
  EXPECT_EQ(laps_finish_index(*race), 6);
  ride(0, 5, 100, 100);  // leader, c = 6
  ride(1, 0, 150, 100);  // a rider a lap down, c = 1
  // A third rider whose lap 1 ended at 400, well before the leader's finish.
  for (auto [k, t] : {std::pair{0, 200}, {1, 300}, {2, 400}}) laps_set_crossing(*race, 2, k, t);
  laps_set_gate_counter(*race, 2, 3, nullptr);
  order({0, 1, 2});
  EXPECT_EQ(race->order[0].slot, 0);
  EXPECT_FALSE(laps_finished(*race, 0));
  EXPECT_FALSE(laps_finished(*race, 1));

  LapPass p = pass(0, 6, 700);
  EXPECT_TRUE(p.lap_ended);
  EXPECT_TRUE(p.finished);
  EXPECT_TRUE(race->riders[0].finished);
  EXPECT_EQ(laps_leader_finish_tic(*race), 700);
  EXPECT_TRUE(laps_finished(*race, 0));
  // A finished rider is not tested any more.
  EXPECT_EQ(pass(0, 7, 800).index, -1);

  // The lapped rider: not on a gate that ends no lap, then on his lap end.
  EXPECT_FALSE(pass(1, 1, 750).finished);
  EXPECT_FALSE(laps_finished(*race, 1));
  p = pass(1, 2, 850);
  EXPECT_TRUE(p.lap_ended);
  EXPECT_TRUE(p.finished);
  EXPECT_EQ(laps_completed(*race, 1), 1);

  // The finish rule asked afresh: a lap end before the leader's tic does not do.
  EXPECT_FALSE(laps_finished(*race, 2));
  laps_set_crossing(*race, 2, 2, 700);  // the same tic as the leader: it does
  EXPECT_TRUE(laps_finished(*race, 2));
  EXPECT_TRUE(race->riders[2].finished);

  // The latch holds until the counter goes back below its value.
  laps_set_gate_counter(*race, 2, 5, nullptr);
  EXPECT_TRUE(race->riders[2].finished);
  laps_set_gate_counter(*race, 2, 2, nullptr);
  EXPECT_FALSE(race->riders[2].finished);
  EXPECT_FALSE(laps_finished(*race, 2));

  // With timing off nobody has finished.
  race->timing = false;
  EXPECT_FALSE(laps_finished(*race, 0));
}

TEST_F(Laps, LapEndsBeforeTheLeaderFinishesDoNotFinish) {
  race->finish_laps = 3;  // index 10
  ride(0, 9, 100, 100);   // leader one gate from the end
  ride(1, 5, 150, 100);
  order({0, 1});
  LapPass p = pass(1, 6, 800);  // the second rider's lap 2 ends, fewer than 3 laps
  EXPECT_TRUE(p.lap_ended);
  EXPECT_FALSE(p.finished);
  // A rider who completes the final lap himself finishes even when the
  // running order still names another leader.
  ride(2, 9, 10, 10);
  EXPECT_TRUE(pass(2, 10, 120).finished);
}

TEST_F(Laps, OffCourseAgainstTheLeadingReference) {
  race->start_tic = 0;
  // Reference: every stretch in 10 s.
  ride(0, 5, 1280, 1280);
  struct Row {
    const char* what;
    std::vector<int64_t> crossings;  // the rider's list, counter = its length
    int64_t now;
    bool off;
  };
  const Row rows[] = {
      {"no gate passed", {}, 10, true},
      {"25 s on the stretch he is on", {1280, 2560}, 2560 + 3200, true},
      {"just under 25 s", {1280, 2560}, 2560 + 3199, false},
      {"24.9 s", {1280, 2560}, 2560 + 3187, false},
      {"25 s on a finished stretch", {1280, 4480, 4500}, 4500, true},
      {"a skipped gate: the stretch runs on to the next one passed", {1280, -1, 4480}, 4480, true},
      {"gate 0 skipped: timed from the start", {-1, 3200}, 3200, true},
      {"gate 1 skipped: the stretch to 2 is timed from 0", {2560, -1, 4480}, 4480, false},
      {"only the last four stretches count", {1280, 4480, 4500, 4510, 4520, 4530}, 4531, false},
  };
  for (const Row& r : rows) {
    laps_reset_rider(*race, 1);
    for (size_t k = 0; k < r.crossings.size(); ++k) laps_set_crossing(*race, 1, int(k), r.crossings[k]);
    laps_set_gate_counter(*race, 1, int(r.crossings.size()), nullptr);
    order({0, 1});
    EXPECT_EQ(laps_off_course(*race, 1, r.now), r.off) << r.what;
  }

  // Other scale and bias move the limit: 2 x 10 + 20 = 40 s.
  race->off_course_scale = 2;
  race->off_course_bias = 20;
  laps_reset_rider(*race, 1);
  for (auto [k, t] : {std::pair{0, 1280}, {1, 2560}}) laps_set_crossing(*race, 1, k, t);
  laps_set_gate_counter(*race, 1, 2, nullptr);
  order({0, 1});
  EXPECT_FALSE(laps_off_course(*race, 1, 2560 + 3200));
  EXPECT_FALSE(laps_off_course(*race, 1, 2560 + 5119));
  EXPECT_TRUE(laps_off_course(*race, 1, 2560 + 5120));
}

TEST_F(Laps, OffCourseNeedsARiderAheadWhoTimedTheStretch) {
  race->start_tic = 0;
  // The rider: gate 1 at 2560, on the stretch to gate 2 for 100 s.
  for (auto [k, t] : {std::pair{0, 1280}, {1, 2560}}) laps_set_crossing(*race, 1, k, t);
  laps_set_gate_counter(*race, 1, 2, nullptr);
  const int64_t now = 2560 + 12800;

  // The leader has not passed gate 2: no verdict, however long it takes.
  ride(0, 1, 1280, 1280);
  order({0, 1});
  EXPECT_FALSE(laps_off_course(*race, 1, now));

  // The leader skipped gate 1: the next rider who timed 1 -> 2 (in 50 s) is
  // the reference, and the limit is 1.5 x 50 + 10 = 85 s.
  laps_set_gate_counter(*race, 0, 0, nullptr);
  for (auto [k, t] : {std::pair{0, 1280}, {2, 2000}, {3, 2100}}) laps_set_crossing(*race, 0, k, t);
  laps_set_gate_counter(*race, 0, 4, nullptr);
  ride(2, 2, 1280, 6400);
  order({0, 1, 2});
  ASSERT_EQ(race->order[0].slot, 0);
  EXPECT_FALSE(laps_off_course(*race, 1, 2560 + 10879));
  EXPECT_TRUE(laps_off_course(*race, 1, 2560 + 10880));
  // Without the second rider the walk reaches the rider himself, who is not
  // beyond gate 2: no verdict.
  order({0, 1});
  EXPECT_FALSE(laps_off_course(*race, 1, now));

  // The walk ends at the first rider not beyond gate 2, even though a rider
  // behind him (who skipped gate 1, passed 2 and went back for 1) has
  // crossings at both gates.
  laps_set_gate_counter(*race, 0, 0, nullptr);
  for (auto [k, t] : {std::pair{0, 1000}, {1, 1500}}) laps_set_crossing(*race, 0, k, t);
  laps_set_gate_counter(*race, 0, 2, nullptr);
  laps_reset_rider(*race, 2);
  laps_set_gate_counter(*race, 2, 2, nullptr);
  for (auto [k, t] : {std::pair{0, 1100}, {2, 2200}, {1, 2500}}) laps_set_crossing(*race, 2, k, t);
  order({0, 1, 2});
  ASSERT_EQ(race->order[0].slot, 0);
  ASSERT_EQ(race->order[1].slot, 2);
  EXPECT_FALSE(laps_off_course(*race, 1, now));
}

TEST_F(Laps, RunningOrderByGatesThenTicThenSlot) {
  struct Row {
    int slot, gates;
    int64_t last_tic;
  };
  const Row rows[] = {{5, 4, 500}, {2, 4, 500}, {9, 5, 900}, {1, 4, 400}, {7, 0, 0}, {4, 4, -1}};
  for (const Row& r : rows) {
    if (r.gates > 0) laps_set_crossing(*race, r.slot, r.gates - 1, r.last_tic);
    laps_set_gate_counter(*race, r.slot, r.gates, nullptr);
  }
  laps_set_gate_counter(*race, 3, 6, nullptr);  // ahead of everyone, but no bike in the slot
  order({5, 2, 9, 1, 7, 4});
  ASSERT_EQ(race->order_count, 6);
  // Slot 4's last crossing is not known: it counts as tic 0.
  const int expected[] = {9, 4, 1, 2, 5, 7};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(race->order[i].slot, expected[i]) << "position " << i;
  EXPECT_EQ(race->order[0].gates, 5);
  EXPECT_EQ(race->order[0].tic, 900);
  EXPECT_EQ(race->order[1].tic, 0);
  EXPECT_EQ(race->order[5].tic, 0);
}

TEST_F(Laps, CrossingsFromOutsideAreBounded) {
  EXPECT_TRUE(laps_set_crossing(*race, 0, 3, 77));
  EXPECT_EQ(list(0), (std::vector<int64_t>{-1, -1, -1, 77}));
  EXPECT_EQ(laps_crossing_tic(*race, 0, 3), 77);
  EXPECT_EQ(laps_crossing_tic(*race, 0, 4), -1);
  EXPECT_EQ(laps_crossing_tic(*race, 0, -1), -1);

  struct Row {
    int slot, index;
    int64_t tic;
  };
  const Row refused[] = {{0, LAPS_CROSSINGS_MAX, 5}, {0, 5000000, 5}, {0, -1, 5},  {0, -2000000000, 5},
                         {LAPS_SLOTS, 1, 5},        {-1, 1, 5},       {0, 10, -2}};
  for (const Row& r : refused) {
    EXPECT_FALSE(laps_set_crossing(*race, r.slot, r.index, r.tic)) << r.slot << " " << r.index << " " << r.tic;
    EXPECT_EQ(list(0).size(), 4u);
  }
  EXPECT_TRUE(laps_set_crossing(*race, 0, LAPS_CROSSINGS_MAX - 1, 9));
  EXPECT_EQ(list(0).size(), size_t(LAPS_CROSSINGS_MAX));
  EXPECT_TRUE(laps_set_crossing(*race, 0, 3, -1));  // clearing a crossing
  EXPECT_EQ(laps_crossing_tic(*race, 0, 3), -1);

  // The gate test fills a list up to the last index and no further.
  for (int k = 0; k < LAPS_CROSSINGS_MAX - 2; ++k) laps_set_crossing(*race, 1, k, k);
  laps_set_gate_counter(*race, 1, LAPS_CROSSINGS_MAX - 2, nullptr);
  EXPECT_EQ(pass(1, LAPS_CROSSINGS_MAX - 2, 5000).index, LAPS_CROSSINGS_MAX - 2);
  EXPECT_EQ(pass(1, LAPS_CROSSINGS_MAX - 1, 5001).index, LAPS_CROSSINGS_MAX - 1);
  EXPECT_EQ(pass(1, LAPS_CROSSINGS_MAX, 5002).index, -1);
  EXPECT_EQ(pass(1, LAPS_CROSSINGS_MAX + 1, 5003).index, -1);
  EXPECT_EQ(race->riders[1].gates, LAPS_CROSSINGS_MAX);
  EXPECT_EQ(list(1).size(), size_t(LAPS_CROSSINGS_MAX));

  // Counters from outside are held to the same range.
  laps_set_gate_counter(*race, 2, 1 << 30, nullptr);
  EXPECT_EQ(race->riders[2].gates, LAPS_CROSSINGS_MAX);
  laps_set_gate_counter(*race, 2, -5, nullptr);
  EXPECT_EQ(race->riders[2].gates, 0);
}

TEST_F(Laps, SetGateCounterCutsTheListAndClearsTheSpoiledFlag) {
  race->finish_laps = 0;  // not set by a race mode: the first lap end finishes
  ride(0, 2, 100, 100);
  EXPECT_TRUE(race->riders[0].finished);
  for (int k = 3; k <= 6; ++k) laps_set_crossing(*race, 0, k, 100 * (k + 1));
  laps_set_gate_counter(*race, 0, 7, nullptr);
  EXPECT_TRUE(race->riders[0].finished);  // raised: still finished
  BikeSim bike;
  bike.spoiled = true;
  laps_set_gate_counter(*race, 0, 4, &bike);
  EXPECT_FALSE(bike.spoiled);
  EXPECT_FALSE(race->riders[0].finished);
  EXPECT_EQ(race->riders[0].gates, 4);
  EXPECT_EQ(list(0), (std::vector<int64_t>{100, 200, 300, 400}));
  laps_set_gate_counter(*race, 0, 9, nullptr);  // raising it leaves the list alone
  EXPECT_EQ(list(0).size(), 4u);

  laps_reset_rider(*race, 0);
  EXPECT_EQ(race->riders[0].gates, 0);
  EXPECT_TRUE(list(0).empty());
  EXPECT_FALSE(race->riders[0].finished);
}

TEST_F(Laps, CuttingBackToATic) {
  // The counter follows the gate passed last in time, not the highest one:
  // skip to 5, back for 3, on through 4, and cut before 4.
  ride(3, 2, 100, 100);
  EXPECT_EQ(pass(3, 5, 500).index, 5);
  EXPECT_EQ(pass(3, 3, 600).index, 3);
  EXPECT_EQ(pass(3, 4, 700).index, 4);
  laps_cut_to_tic(*race, 650);
  EXPECT_EQ(race->riders[3].gates, 4);
  EXPECT_EQ(list(3), (std::vector<int64_t>{100, 200, 300, 600, -1, 500}));
  laps_reset_rider(*race, 3);

  ride(0, 4, 100, 100);           // 100 .. 500, c = 5
  EXPECT_EQ(pass(0, 6, 700).index, 6);
  EXPECT_EQ(pass(0, 5, 800).index, 5);  // went back: c = 6
  ride(1, 2, 150, 100);                 // 150 250 350
  race->riders[1].finished = true;
  laps_set_gate_counter(*race, 2, 8, nullptr);  // a counter with no crossings behind it
  order({0, 1, 2});
  ASSERT_EQ(race->order[0].slot, 2);

  laps_cut_to_tic(*race, 800);
  // The crossing at 800 goes; the one passed last before it was gate 6.
  EXPECT_EQ(race->riders[0].gates, 7);
  EXPECT_EQ(laps_crossing_tic(*race, 0, 5), -1);
  EXPECT_EQ(laps_crossing_tic(*race, 0, 6), 700);
  EXPECT_EQ(race->riders[1].gates, 3);          // nothing of his was cut
  EXPECT_TRUE(race->riders[1].finished);
  EXPECT_EQ(race->riders[2].gates, 8);

  laps_cut_to_tic(*race, 300);
  EXPECT_EQ(race->riders[0].gates, 2);
  EXPECT_EQ(list(0), (std::vector<int64_t>{100, 200}));
  EXPECT_EQ(race->riders[1].gates, 2);
  EXPECT_FALSE(race->riders[1].finished);
  EXPECT_EQ(list(1), (std::vector<int64_t>{150, 250}));
  // The running order follows: rider 0 passed gate 1 before rider 1.
  EXPECT_EQ(race->order[0].slot, 2);
  EXPECT_EQ(race->order[1].slot, 0);
  EXPECT_EQ(race->order[2].slot, 1);

  laps_cut_to_tic(*race, 0);
  EXPECT_EQ(race->riders[0].gates, 0);
  EXPECT_TRUE(list(0).empty());
}

// The bike's own gate test uses the centre of its front wheel and its slot.
TEST(LapsBike, GateTestAtTheFrontWheel) {
  TempDir dir;
  BikeRig rig;
  ASSERT_TRUE(bike_rig_open(rig, dir.path));
  BikeSim& bike = *bike_rig_add(rig, 0, 1024, 1024);
  bike.slot = 7;
  const dReal* w = dBodyGetPosition(bike.body[BIKE_FRONT_WHEEL]);
  const dReal* f = dBodyGetPosition(bike.body[BIKE_FRAME]);

  auto race = std::make_unique<LapRace>();
  auto race_at = [&](double x, double z) {
    GateSet g = small_track();
    g.checkpoints[0].position[0] = float(x);
    g.checkpoints[0].position[2] = float(z);
    g.checkpoints[0].size = 0.75f;
    g.checkpoints[0].direction[0] = 0;
    g.checkpoints[0].direction[2] = -1;  // the way the bike faces
    laps_build(*race, g);
  };
  race_at(f[0], f[2] + 0.1);
  EXPECT_EQ(laps_gate_test_bike(*race, bike, 5, nullptr).index, -1);
  race_at(w[0], w[2] + 0.1);
  EXPECT_EQ(laps_gate_test_bike(*race, bike, 5, nullptr).index, 0);
  EXPECT_EQ(laps_crossing_tic(*race, 7, 0), 5);
  bike_rig_close(rig);
}

}  // namespace
