// The per-slot ring of compact rider states: insertion in tic order, cutting
// back and clearing, the two entries a tic is shown from, the extrapolation
// cap, and when a remote rider is hidden.
#include "bike/state_history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bike/bike_sim.h"
#include "bikerig/bike_rig.h"
#include "test_util.h"

namespace {

constexpr double H = 1.0 / 128;

// A record that says which tic it was made for (in its first bytes).
CompactState marked(int tic) {
  CompactState s{};
  s.bytes[0] = uint8_t(tic), s.bytes[1] = uint8_t(tic >> 8);
  return s;
}

int mark_of(const CompactState& s) { return s.bytes[0] | s.bytes[1] << 8; }

// The tics held, oldest first.
std::vector<int> tics_of(const StateHistory& h) {
  std::vector<int> out;
  for (int age = state_history_count(h) - 1; age >= 0; --age) out.push_back(state_history_entry(h, age)->tic);
  return out;
}

StateHistory with_tics(std::initializer_list<int> tics) {
  StateHistory h;
  for (int t : tics) EXPECT_EQ(state_history_push(h, marked(t), t), STATE_HISTORY_STORED) << t;
  return h;
}

TEST(StateHistory, KeepsStatesInTicOrder) {
  StateHistory h;
  EXPECT_EQ(state_history_count(h), 0);
  EXPECT_EQ(state_history_entry(h, 0), nullptr);
  EXPECT_EQ(state_history_push(h, marked(10), 10), STATE_HISTORY_STORED);
  EXPECT_EQ(state_history_push(h, marked(20), 20), STATE_HISTORY_STORED);
  EXPECT_EQ(state_history_push(h, marked(15), 15), STATE_HISTORY_STORED);  // late, slotted in
  EXPECT_EQ(state_history_push(h, marked(5), 5), STATE_HISTORY_STORED);
  EXPECT_EQ(state_history_push(h, marked(99), 20), STATE_HISTORY_DUPLICATE);
  EXPECT_EQ(state_history_push(h, marked(1), -1), STATE_HISTORY_BAD_TIC);  // would read as empty
  EXPECT_EQ(state_history_push(h, marked(1), int64_t(1) << 31), STATE_HISTORY_BAD_TIC);
  EXPECT_EQ(tics_of(h), (std::vector<int>{5, 10, 15, 20}));
  for (int age = 0; age < 4; ++age) {
    const StateHistoryEntry* e = state_history_entry(h, age);
    EXPECT_EQ(mark_of(e->state), e->tic) << "the first state of a tic stays";
  }
  EXPECT_EQ(h.pending, 4);
  EXPECT_EQ(h.head, 4);
}

TEST(StateHistory, AFullRingDropsItsOldest) {
  StateHistory h;
  for (int t = 0; t < 2 * STATE_HISTORY_SIZE; t += 2) state_history_push(h, marked(t), t);
  ASSERT_EQ(state_history_count(h), STATE_HISTORY_SIZE);
  EXPECT_EQ(h.pending, STATE_HISTORY_SIZE);
  // A late state between two held ones pushes the oldest out.
  EXPECT_EQ(state_history_push(h, marked(101), 101), STATE_HISTORY_STORED);
  std::vector<int> want;
  for (int t = 2; t < 2 * STATE_HISTORY_SIZE; t += 2) {
    want.push_back(t);
    if (t == 100) want.push_back(101);
  }
  EXPECT_EQ(tics_of(h), want);
  EXPECT_EQ(h.pending, STATE_HISTORY_SIZE);
  // One older than everything a full ring holds has no place.
  EXPECT_EQ(state_history_push(h, marked(1), 1), STATE_HISTORY_TOO_OLD);
  // Going on: the ring keeps turning.
  for (int t = 300; t < 300 + 3 * STATE_HISTORY_SIZE; ++t) state_history_push(h, marked(t), t);
  std::vector<int> last = tics_of(h);
  ASSERT_EQ(last.size(), size_t(STATE_HISTORY_SIZE));
  EXPECT_EQ(last.front(), 300 + 2 * STATE_HISTORY_SIZE);
  EXPECT_EQ(last.back(), 300 + 3 * STATE_HISTORY_SIZE - 1);
}

TEST(StateHistory, CutsBackToATicAndClears) {
  StateHistory h = with_tics({0, 4, 8, 12});
  h.pending = 0;  // the recorder has written them
  state_history_push(h, marked(16), 16);
  state_history_push(h, marked(20), 20);
  EXPECT_EQ(h.pending, 2);
  state_history_cut(h, 10);
  EXPECT_EQ(tics_of(h), (std::vector<int>{0, 4, 8}));
  EXPECT_EQ(h.pending, 0);
  state_history_cut(h, 8);
  EXPECT_EQ(tics_of(h), (std::vector<int>{0, 4, 8}));
  EXPECT_EQ(state_history_push(h, marked(9), 9), STATE_HISTORY_STORED);
  EXPECT_EQ(tics_of(h), (std::vector<int>{0, 4, 8, 9}));
  state_history_cut(h, -1);
  EXPECT_EQ(state_history_count(h), 0);

  h = with_tics({3, 6});
  state_history_clear(h);
  EXPECT_EQ(state_history_count(h), 0);
  EXPECT_EQ(h.head, 0);
  EXPECT_EQ(h.pending, 0);
  for (const StateHistoryEntry& e : h.entry) EXPECT_EQ(e.tic, -1);
  EXPECT_FALSE(state_history_bracket(h, 5).found);
}

TEST(StateHistory, BracketsTheTargetTic) {
  struct Case {
    std::initializer_list<int> tics;
    int t;
    int older, newer;  // tics of a and b; -1: no entry
  } cases[] = {
      {{}, 50, -1, -1},                  // nothing held
      {{50}, 60, 50, 50},                // one entry, before or after
      {{50}, 10, 50, 50},
      {{100, 104, 108}, 90, 100, 100},   // all later: the oldest alone
      {{100, 104, 108}, 100, 100, 100},
      {{100, 104, 108}, 102, 100, 104},
      {{100, 104, 108}, 104, 100, 104},  // a is below t, b may be at it
      {{100, 104, 108}, 106, 104, 108},
      {{100, 104, 108}, 500, 104, 108},  // all earlier: the last two
  };
  for (const Case& c : cases) {
    StateHistory h = with_tics(c.tics);
    StateBracket b = state_history_bracket(h, c.t);
    EXPECT_EQ(b.found, c.older >= 0) << "t " << c.t;
    if (!b.found) continue;
    EXPECT_EQ(b.older_tic, c.older) << "t " << c.t;
    EXPECT_EQ(b.newer_tic, c.newer) << "t " << c.t;
    EXPECT_EQ(h.entry[b.older].tic, c.older);
    EXPECT_EQ(h.entry[b.newer].tic, c.newer);
  }
}

TEST(StateHistory, ChoosesTheTargetAndItsFraction) {
  // Positions in byte 3-5 (frame y) let the blend show its fraction.
  StateHistory h;
  CompactState a{}, b{};
  a.bytes[5] = 0x10, b.bytes[5] = 0x20;  // 0x100000 and 0x200000
  a.bytes[36] = 0x42, b.bytes[36] = 0x13;
  state_history_push(h, a, 100);
  state_history_push(h, b, 104);
  struct Case {
    int tic, delay;
    bool version4;
    bool found;
    uint32_t y;  // frame y field of the target
    int tics;    // k
  } cases[] = {
      {102, 0, false, true, 0x180000, 4},   // half way
      {104, 0, false, true, 0x200000, 4},   // at b
      {110, 0, false, true, 0x380000, 4},   // 6 tics past b
      {500, 0, false, true, 0xffffff, 4},   // 17 x the pair's step (64 tics past b), kept in the box
      {229, 127, false, true, 0x180000, 4}, // shown 127 tics behind
      {90, 0, false, true, 0x100000, 1},    // before everything: a alone
      {100, 0, false, true, 0x100000, 1},   // a at the target tic
      {102, 0, true, true, 0x100000, 4},    // the older layout is never blended
  };
  for (const Case& c : cases) {
    CompactTarget t{};
    ASSERT_EQ(state_history_target(h, c.tic, c.delay, c.version4, t), c.found) << c.tic;
    uint32_t y = t.target.bytes[3] | t.target.bytes[4] << 8 | t.target.bytes[5] << 16;
    EXPECT_EQ(y, c.y) << "tic " << c.tic << " delay " << c.delay;
    EXPECT_EQ(t.tics, c.tics) << c.tic;
    EXPECT_EQ(t.layout, c.version4 ? COMPACT_LAYOUT_OLD : COMPACT_LAYOUT_CURRENT);
    EXPECT_EQ(int(t.target.bytes[36]), 0x42) << "flags of the older";
  }
  StateHistory empty;
  CompactTarget t{};
  EXPECT_FALSE(state_history_target(empty, 100, 0, false, t));
}

struct StateHistoryRemote : ::testing::Test {
  TempDir dir;
  BikeRig rig;
  BikeSim bike;
  CompactSpace space{};
  void SetUp() override {
    ASSERT_TRUE(bike_rig_open(rig, dir.path));
    ASSERT_TRUE(bike_sim_build(bike, rig.physics, &rig.shapes, 0, 1, false));
    bike_sim_set_interaction(bike, 0);
    space = compact_space(&rig.terrain);
  }
  void TearDown() override {
    bike_sim_destroy(bike);
    bike_rig_close(rig);
  }
  double frame_z() { return dBodyGetPosition(bike.body[BIKE_FRAME])[2]; }
  // The record of the bike with its frame at z, riding towards -z at speed.
  CompactState at(double z) {
    const dReal* f = dBodyGetPosition(bike.body[BIKE_FRAME]);
    bike_sim_move(bike, 1000 - f[0], 3 - f[1], z - f[2]);
    CompactState s;
    compact_state_encode(s, bike, space);
    return s;
  }
};

TEST_F(StateHistoryRemote, AStateSixTenthsOfASecondOldIsExtrapolatedHalfASecond) {
  const double speed = 40;  // ft/s towards -z
  StateHistory h;
  state_history_push(h, at(1500), 0);
  state_history_push(h, at(1500 - speed * 4 * H), 4);
  int tic = 4 + int(std::lround(0.6 / H));  // the newest state is 0.6 s old
  ASSERT_TRUE(state_history_place(h, bike, tic, 0, false, space));
  EXPECT_NEAR(frame_z(), 1500 - speed * (4 * H + 0.5), 0.01);
  EXPECT_NEAR(dBodyGetLinearVel(bike.body[BIKE_FRAME])[2], -speed, 0.01);
  // Within the cap it follows the clock.
  ASSERT_TRUE(state_history_place(h, bike, 4 + 32, 0, false, space));
  EXPECT_NEAR(frame_z(), 1500 - speed * (36 * H), 0.01);
  // Between the two it interpolates.
  ASSERT_TRUE(state_history_place(h, bike, 3, 0, false, space));
  EXPECT_NEAR(frame_z(), 1500 - speed * (3 * H), 0.01);
}

TEST_F(StateHistoryRemote, WithoutStatesTheRiderIsLeftAlone) {
  at(1234);
  StateHistory h;
  EXPECT_FALSE(state_history_place(h, bike, 50, 0, false, space));
  EXPECT_DOUBLE_EQ(frame_z(), 1234);
}

TEST(StateHistory, HidesRidersFarFromTheirStates) {
  struct Case {
    std::initializer_list<int> tics;
    int tic, delay;
    bool hidden;
  } cases[] = {
      {{}, 10, 0, true},
      {{100, 104}, 104, 0, false},
      {{100, 104}, 232, 0, false},   // 128 past the newer
      {{100, 104}, 233, 0, true},
      {{100, 104}, 360, 127, true},  // shown 127 tics behind, but the clock counts
      {{300}, 172, 0, false},        // states ahead, after a seek
      {{300}, 171, 0, true},
  };
  for (const Case& c : cases) {
    StateHistory h = with_tics(c.tics);
    EXPECT_EQ(state_history_hidden(h, c.tic, c.delay), c.hidden) << "tic " << c.tic;
  }
}

}  // namespace
