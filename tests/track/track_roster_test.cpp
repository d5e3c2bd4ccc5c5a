#include "track/track_roster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

RosterOrder identity_order() {
  RosterOrder order;
  for (int i = 0; i < ROSTER_SIZE; ++i) order.order[i] = i;
  return order;
}

RosterOrder shuffled_order(unsigned seed) {
  std::mt19937 random(seed);
  RosterOrder order;
  roster_shuffle(order, random);
  return order;
}

bool fits(int robot, int code) {
  const char* bike = robot_roster()[robot].bike;
  if (code == LINEUP_ROBOT_125) return strstr(bike, "125") != nullptr;
  if (code == LINEUP_ROBOT_250) return strstr(bike, "250") != nullptr;
  return true;
}

// The robots of the given slots, in slot order.
std::vector<int> robots_of(const LineUpPlan& plan, int first, int count) {
  std::vector<int> out;
  for (int s = first; s < first + count; ++s) {
    EXPECT_EQ(plan.slot[s].kind, SLOT_RIDER_ROBOT) << "slot " << s;
    out.push_back(plan.slot[s].robot);
  }
  return out;
}

}  // namespace

TEST(Roster, EntriesAreNumberedInOrderWithTheListedBikesAndPersonalities) {
  const RobotEntry* roster = robot_roster();
  std::map<std::tuple<std::string, int>, int> counts;
  for (int i = 0; i < ROSTER_SIZE; ++i) {
    EXPECT_EQ(std::string(roster[i].number), std::to_string(20 + i));
    EXPECT_EQ(robot_roster_find(20 + i), i);
    ++counts[{roster[i].bike, roster[i].personality}];
  }
  std::map<std::tuple<std::string, int>, int> want = {
      {{"kx125", ROBOT_BIRCH}, 5},  {{"yz125", ROBOT_BIRCH}, 5},  {{"cr125", ROBOT_BIRCH}, 5},
      {{"rm125", ROBOT_BIRCH}, 5},

      {{"crf250", ROBOT_ALDER}, 5}, {{"kx250f", ROBOT_ALDER}, 5}, {{"rmz250", ROBOT_ALDER}, 4},
      {{"yz250f", ROBOT_ALDER}, 5}, {{"yz250f_se(2006)", ROBOT_ALDER}, 1},

      {{"crf250", ROBOT_BIRCH}, 5}, {{"kx250f", ROBOT_BIRCH}, 5}, {{"rmz250", ROBOT_BIRCH}, 5},
      {{"yz250f", ROBOT_BIRCH}, 4}, {{"yz250f_se(2006)", ROBOT_BIRCH}, 1},

      {{"crf250", ROBOT_CEDAR}, 5}, {{"kx250f", ROBOT_CEDAR}, 5}, {{"yz250f", ROBOT_CEDAR}, 5},
      {{"rmz250", ROBOT_CEDAR}, 5},
  };
  EXPECT_EQ(counts, want);
  // The groups come in the listed order: spot-check the boundaries.
  EXPECT_STREQ(roster[robot_roster_find(39)].bike, "rm125");
  EXPECT_STREQ(roster[robot_roster_find(53)].bike, "rmz250");
  EXPECT_STREQ(roster[robot_roster_find(54)].bike, "yz250f");
  EXPECT_STREQ(roster[robot_roster_find(59)].bike, "yz250f_se(2006)");
  EXPECT_STREQ(roster[robot_roster_find(79)].bike, "yz250f_se(2006)");
  EXPECT_STREQ(roster[robot_roster_find(94)].bike, "yz250f");
  EXPECT_STREQ(roster[robot_roster_find(95)].bike, "rmz250");

  for (int number : {-1, 0, 5, 19, 100, 1042}) EXPECT_EQ(robot_roster_find(number), -1) << number;
}

TEST(Roster, ShuffleIsAPermutationAndUsesTheHighBitsOfEachValue) {
  for (unsigned seed : {1u, 5489u, 20240601u}) {
    RosterOrder order = shuffled_order(seed);
    std::vector<int> sorted(order.order, order.order + ROSTER_SIZE);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < ROSTER_SIZE; ++i) ASSERT_EQ(sorted[i], i) << "seed " << seed;
  }

  // Seed 5489 draws 3499211612, 581869302, 3890346734, 3586334585,
  // 545404204 first. Position n is final once it has been swapped:
  //   n=79: 3499211612 / 65536 = 53393, mod 79 = 68
  //   n=78:  581869302 / 65536 =  8878, mod 78 = 64
  //   n=77: 3890346734 / 65536 = 59361, mod 77 = 71
  //   n=76: 3586334585 / 65536 = 54723, mod 76 =  3
  //   n=75:  545404204 / 65536 =  8322, mod 75 = 72
  std::mt19937 random(5489);
  RosterOrder order;
  roster_shuffle(order, random);
  std::vector<int> tail(order.order + 75, order.order + 80);
  EXPECT_EQ(tail, (std::vector<int>{72, 3, 71, 64, 68}));
  // Exactly one value per swap is drawn.
  std::mt19937 reference(5489);
  reference.discard(ROSTER_SIZE - 1);
  EXPECT_EQ(random(), reference());
}

TEST(LineUp, OnlyTheFirstHumanCountsAndThePlanStartsClean) {
  int codes[LINEUP_SLOTS] = {};
  for (int s = 0; s < LINEUP_SLOTS; ++s) codes[s] = LINEUP_ROBOT;
  RosterOrder order = identity_order();
  LineUpPlan plan;
  lineup_resolve(plan, codes, order, false);  // a previous race's plan, full of robots

  std::fill(codes, codes + LINEUP_SLOTS, LINEUP_EMPTY);
  codes[3] = LINEUP_HUMAN;
  codes[7] = LINEUP_HUMAN;
  lineup_resolve(plan, codes, order, false);
  EXPECT_EQ(plan.viewed, 3);
  for (int s = 0; s < LINEUP_SLOTS; ++s) {
    EXPECT_EQ(plan.slot[s].kind, s == 3 ? SLOT_RIDER_HUMAN : SLOT_RIDER_NONE) << "slot " << s;
    EXPECT_EQ(plan.slot[s].robot, -1) << "slot " << s;
    EXPECT_EQ(plan.slot[s].bike, "") << "slot " << s;
  }

  // A later human is an empty slot, which demo playback fills.
  lineup_resolve(plan, codes, order, true);
  EXPECT_EQ(plan.viewed, 3);
  EXPECT_EQ(plan.slot[3].kind, SLOT_RIDER_HUMAN);
  EXPECT_EQ(plan.slot[7].kind, SLOT_RIDER_DEMO);

  std::fill(codes, codes + LINEUP_SLOTS, LINEUP_EMPTY);
  lineup_resolve(plan, codes, order, false);
  EXPECT_EQ(plan.viewed, -1);
}

TEST(LineUp, SingleCodes) {
  struct Case {
    int code;
    bool demo;
    int kind;
    const char* number;  // robot number, "" for none, "plain" for the plain robot
    const char* bike;
  };
  const Case cases[] = {
      {1042, false, SLOT_RIDER_ROBOT, "42", "crf250(2008)"},
      {1020, false, SLOT_RIDER_ROBOT, "20", "kx125"},
      {1059, false, SLOT_RIDER_ROBOT, "59", "yz250f_se(2006)"},
      {1099, true, SLOT_RIDER_ROBOT, "99", "rmz250(2008)"},
      // Numbers that name no robot are refused, even in demo playback.
      {1000 + 5, false, SLOT_RIDER_NONE, "", ""},
      {1000 + 19, false, SLOT_RIDER_NONE, "", ""},
      {1000 + 100, false, SLOT_RIDER_NONE, "", ""},
      {1000, true, SLOT_RIDER_NONE, "", ""},
      {2000000000, false, SLOT_RIDER_NONE, "", ""},
      // Unknown codes get the plain robot.
      {9, false, SLOT_RIDER_ROBOT, "plain", "rm125"},
      {6, false, SLOT_RIDER_ROBOT, "plain", "rm125"},
      {999, true, SLOT_RIDER_ROBOT, "plain", "rm125"},
      {-1, false, SLOT_RIDER_ROBOT, "plain", "rm125"},
      {LINEUP_REMOTE, false, SLOT_RIDER_REMOTE, "", ""},
      {LINEUP_REMOTE, true, SLOT_RIDER_REMOTE, "", ""},
      {LINEUP_EMPTY, false, SLOT_RIDER_NONE, "", ""},
      {LINEUP_EMPTY, true, SLOT_RIDER_DEMO, "", ""},
  };
  RosterOrder order = shuffled_order(7);
  for (const Case& c : cases) {
    int codes[LINEUP_SLOTS] = {};
    codes[11] = c.code;
    LineUpPlan plan;
    lineup_resolve(plan, codes, order, c.demo);
    const SlotRider& slot = plan.slot[11];
    SCOPED_TRACE("code " + std::to_string(c.code) + (c.demo ? " demo" : ""));
    EXPECT_EQ(slot.kind, c.kind);
    EXPECT_EQ(slot.bike, c.bike);
    std::string number = slot.robot >= 0 ? robot_roster()[slot.robot].number
                         : slot.kind == SLOT_RIDER_ROBOT ? "plain" : "";
    EXPECT_EQ(number, c.number);
    EXPECT_EQ(plan.viewed, -1);
  }
}

TEST(LineUp, RobotsComeInShuffledOrderAndWrapRoundPerKind) {
  RosterOrder order = shuffled_order(12345);
  struct Case {
    int code;
    int kind_size;
  };
  for (Case c : {Case{LINEUP_ROBOT_125, 20}, Case{LINEUP_ROBOT_250, 60}, Case{LINEUP_ROBOT, 80}}) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    std::vector<int> expected;  // the kind in shuffled order
    for (int i = 0; i < ROSTER_SIZE; ++i)
      if (fits(order.order[i], c.code)) expected.push_back(order.order[i]);
    ASSERT_EQ(int(expected.size()), c.kind_size);

    int count = std::min(2 * c.kind_size, int(LINEUP_SLOTS));
    int codes[LINEUP_SLOTS] = {};
    std::fill(codes, codes + count, c.code);
    LineUpPlan plan;
    lineup_resolve(plan, codes, order, false);
    std::vector<int> got = robots_of(plan, 0, count);
    // Every robot of the kind once, in shuffled order, then the same again.
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(got[i], expected[i % c.kind_size]) << "slot " << i;
      EXPECT_EQ(plan.slot[i].bike, bike_name_alias(robot_roster()[got[i]].bike));
    }
    for (int s = count; s < LINEUP_SLOTS; ++s) EXPECT_EQ(plan.slot[s].kind, SLOT_RIDER_NONE);
  }
}

TEST(LineUp, KindsShareTheRidesSoNoRobotRepeatsWhileAnUnusedOneFits) {
  // Two-stroke robots first, then "any robot": the second group must not
  // hand out a two-stroke robot again; the numbered robot at the far end of
  // the line-up is kept out of the pool as well.
  {
    int codes[LINEUP_SLOTS] = {};
    std::fill(codes, codes + 20, LINEUP_ROBOT_125);
    std::fill(codes + 20, codes + 79, LINEUP_ROBOT);
    codes[150] = 1042;
    LineUpPlan plan;
    lineup_resolve(plan, codes, shuffled_order(99), false);
    std::vector<int> got = robots_of(plan, 0, 79);
    got.push_back(plan.slot[150].robot);
    std::set<int> distinct(got.begin(), got.end());
    EXPECT_EQ(distinct.size(), size_t(80));
    EXPECT_EQ(plan.slot[150].robot, robot_roster_find(42));
  }

  // Random mixes of codes 2, 3 and 4: each robot handed out has ridden no
  // more often than any other robot of the asked kind.
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    int codes[LINEUP_SLOTS];
    for (int& code : codes) code = LINEUP_ROBOT + int(random() % 3);
    RosterOrder order = shuffled_order(seed * 7919);
    LineUpPlan plan;
    lineup_resolve(plan, codes, order, false);
    int rides[ROSTER_SIZE] = {};
    for (int s = 0; s < LINEUP_SLOTS; ++s) {
      int robot = plan.slot[s].robot;
      ASSERT_EQ(plan.slot[s].kind, SLOT_RIDER_ROBOT);
      ASSERT_TRUE(robot >= 0 && robot < ROSTER_SIZE);
      ASSERT_TRUE(fits(robot, codes[s])) << "seed " << seed << " slot " << s;
      for (int other = 0; other < ROSTER_SIZE; ++other) {
        if (!fits(other, codes[s])) continue;
        ASSERT_LE(rides[robot], rides[other]) << "seed " << seed << " slot " << s;
      }
      ++rides[robot];
    }
  }
}

TEST(LineUp, DemoPlaybackFillsOnlyTheEmptySlots) {
  int codes[LINEUP_SLOTS] = {};
  codes[0] = LINEUP_HUMAN;
  codes[1] = LINEUP_ROBOT;
  codes[2] = LINEUP_REMOTE;
  codes[3] = 1000 + 5;
  for (bool demo : {false, true}) {
    LineUpPlan plan;
    lineup_resolve(plan, codes, identity_order(), demo);
    EXPECT_EQ(plan.slot[0].kind, SLOT_RIDER_HUMAN);
    EXPECT_EQ(plan.slot[1].kind, SLOT_RIDER_ROBOT);
    EXPECT_EQ(plan.slot[2].kind, SLOT_RIDER_REMOTE);
    EXPECT_EQ(plan.slot[3].kind, SLOT_RIDER_NONE);
    for (int s = 4; s < LINEUP_SLOTS; ++s)
      ASSERT_EQ(plan.slot[s].kind, demo ? SLOT_RIDER_DEMO : SLOT_RIDER_NONE) << "slot " << s;
  }
}

TEST(Roster, BikeNameAliases) {
  const std::pair<const char*, const char*> cases[] = {
      {"crf250", "crf250(2008)"},
      {"kx250f", "kx250f(2008)"},
      {"rmz250", "rmz250(2008)"},
      {"yz250f", "yz250f(2008)"},
      // Everything else, including names that merely start alike, stays.
      {"yz250f_se(2006)", "yz250f_se(2006)"},
      {"crf250(2008)", "crf250(2008)"},
      {"crf250(2016)", "crf250(2016)"},
      {"CRF250", "CRF250"},
      {"crf25", "crf25"},
      {"kx125", "kx125"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(bike_name_alias(c.first), c.second) << c.first;
}
