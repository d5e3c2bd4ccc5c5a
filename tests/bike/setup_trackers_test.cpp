#include "bike/setup_trackers.h"

#include <gtest/gtest.h>

#include <string>

#include "bike/setup.h"

namespace {

struct TrackerFixture : ::testing::Test {
  ::Setup s;
  SetupTrackers t;
  std::string line;
  void SetUp() override {
    setup_defaults(s);
    setup_trackers_reset(t, s);
  }
};

}  // namespace

TEST_F(TrackerFixture, ReportNamesTheChangedTrackersByLetter) {
  std::string letters;
  for (int i = 0; i < SETUP_TRACKERS; ++i) {
    ASSERT_GE(setup_key_index(setup_tracker_key(i)), 0) << i;
    letters += setup_tracker_letter(i);
  }
  EXPECT_EQ(letters, "ldaxdsmdsxlxlsacfrdggCcRrsplCcRrspyzYZm");
  EXPECT_EQ(setup_tracker_key(-1), nullptr);
  EXPECT_EQ(setup_tracker_key(SETUP_TRACKERS), nullptr);

  setup_read(s, "leveling", "30");
  setup_read(s, "fork_compression_adjustment", "10");
  setup_read(s, "rider_zspring", "70");
  setup_read(s, "rider_mass_distribution", "0.4");
  setup_read(s, "name", "Kim");  // not tracked
  setup_trackers_note_apply(t, s);
  ASSERT_TRUE(setup_trackers_report(t, s, line));
  EXPECT_EQ(line, "[SPAM] Setup change l--------------------C-------------z--m\n");
  // The trackers start over from the values reported.
  setup_trackers_note_apply(t, s);
  EXPECT_FALSE(setup_trackers_report(t, s, line));
  EXPECT_EQ(line, "");
}

TEST_F(TrackerFixture, OnlyChangesThatReachABikeAreMarked) {
  setup_read(s, "brake_torque", "300");
  EXPECT_FALSE(setup_trackers_report(t, s, line));  // changed but never applied: forgotten at the reset
  setup_trackers_note_apply(t, s);
  EXPECT_FALSE(setup_trackers_report(t, s, line));

  setup_read(s, "rear_brake_torque", "100");
  setup_read(s, "rear_brake_torque", "250");  // back before any apply
  setup_trackers_note_apply(t, s);
  EXPECT_FALSE(setup_trackers_report(t, s, line));

  setup_read(s, "max_dab_speed", "20");
  setup_trackers_note_apply(t, s);
  setup_read(s, "max_dab_speed", "60");  // changed back: the mark stays until the report
  setup_trackers_note_apply(t, s);
  ASSERT_TRUE(setup_trackers_report(t, s, line));
  EXPECT_EQ(line, "[SPAM] Setup change ------------------d--------------------\n");
}

TEST_F(TrackerFixture, StabilityShowsThroughTheKeysItMoves) {
  setup_read(s, "stability", "0");
  setup_trackers_note_apply(t, s);
  ASSERT_TRUE(setup_trackers_report(t, s, line));
  EXPECT_EQ(line, "[SPAM] Setup change -daxd--d-xlx--a------------------------\n");
}

TEST_F(TrackerFixture, ReportsComeEveryFiveSeconds) {
  struct Step {
    double clock;
    bool due;
  } steps[] = {{0, true}, {4.9, false}, {5, true}, {9.99, false}, {20, true}, {24, false}, {25, true}};
  for (const Step& step : steps) EXPECT_EQ(setup_trackers_due(t, step.clock), step.due) << step.clock;
}
