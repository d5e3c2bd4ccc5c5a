// Race control on hand-made crossing lists: a first lap of four gates
// (indices 0..3) and a normal lap of three, so index 3 ends lap 1, 6 ends
// lap 2, 9 lap 3 and so on. Tics are 1/128 s; the gate drops at tic 2000.
#include "race/race_control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_util.h"
#include "track/track_load.h"
#include "vfs/vfs.h"

namespace {

constexpr int F = 4, N = 3;
constexpr int64_t START = 2000, S = 128;  // the gate drop; tics per second

struct Race : ::testing::Test {
  std::unique_ptr<LapRace> laps = std::make_unique<LapRace>();
  std::unique_ptr<RaceControl> rc = std::make_unique<RaceControl>();
  RaceRiders riders;

  void SetUp() override {
    laps->gates.resize(F + N);
    laps->first_lap = F;
    laps->normal_lap = N;
    laps->timing = true;
    RaceClock clock;
    clock.start_tic = START;
    clock.lap_count = 3;
    race_control_begin(*rc, *laps, RACE_MODE_NEW, clock, "tracks/claypit");
  }

  // A rider present, driven here, with these crossing tics (-1 = missed).
  void ride(int slot, const std::vector<int64_t>& tics, int kind = RACE_RIDER_LOCAL) {
    riders.present[slot] = true;
    riders.kind[slot] = kind;
    riders.newest_state[slot] = -1;
    laps_reset_rider(*laps, slot);
    for (size_t k = 0; k < tics.size(); ++k) laps_set_crossing(*laps, slot, int(k), tics[k]);
    laps->riders[slot].gates = int(tics.size());
  }
  // Evenly spaced crossings: first at START + first, then every step.
  static std::vector<int64_t> even(int gates, int64_t first, int64_t step) {
    std::vector<int64_t> t;
    for (int k = 0; k < gates; ++k) t.push_back(START + first + step * k);
    return t;
  }
  void order() { laps_running_order(*laps, riders.present); }
};

TEST_F(Race, BeginSetsFinishAndHalfRaceLapsPerKindOfRace) {
  struct Case {
    int64_t limit;
    int count;
    int finish, half;
  } cases[] = {
      {0, 5, 5, 3},
      {0, 4, 4, 2},
      {0, 1, 1, 1},
      {600 * S, 2, RACE_UNSET, RACE_UNSET},
      {60 * S, 0, RACE_UNSET, RACE_UNSET},
  };
  for (const Case& c : cases) {
    RaceClock clock;
    clock.start_tic = 1700;
    clock.time_limit = c.limit;
    clock.lap_count = c.count;
    rc->results_final = true;
    race_control_begin(*rc, *laps, RACE_MODE_NEW, clock, "tracks/claypit");
    EXPECT_EQ(laps->finish_laps, c.finish) << c.limit << " " << c.count;
    EXPECT_EQ(rc->half_race_lap, c.half) << c.limit << " " << c.count;
    EXPECT_FALSE(rc->results_final);
    EXPECT_EQ(laps->start_tic, 1700);
    EXPECT_EQ(rc->track_name, "claypit");
  }
}

TEST_F(Race, LengthTexts) {
  EXPECT_EQ(race_length_text(0, 3), "3 laps");
  EXPECT_EQ(race_length_text(10 * 60 * S, 0), "10 minutes");
  EXPECT_EQ(race_length_text(10 * 60 * S, 2), "10 minutes + 2 laps");
  EXPECT_EQ(race_length_text(90 * S, 1), "2 minutes + 1 laps");  // 1.5 rounds up
  EXPECT_EQ(race_length_text(89 * S, 0), "1 minutes");
  EXPECT_EQ(race_time_text(0), "0:00.000");
  EXPECT_EQ(race_time_text(61 * S + 64), "1:01.500");
  EXPECT_EQ(race_time_text(-5), "0:00.000");
}

// A 10 minute + 2 lap race whose leader ends lap 4 before the time is up
// and lap 5 after it: 7 laps in all, decided only once lap 5 is crossed.
TEST_F(Race, TimedRaceRunsTheLapTheTimeRanOutInAndTheLapCountMore) {
  RaceClock clock;
  clock.start_tic = START;
  clock.time_limit = 600 * S;
  clock.lap_count = 2;
  race_control_begin(*rc, *laps, RACE_MODE_NEW, clock, "t");
  // Laps of 140 s: lap 4 ends at 560 s, lap 5 at 700 s.
  auto lap_ends = [](int gates) {
    std::vector<int64_t> t;
    for (int k = 0; k < gates; ++k) {
      int lap = k < F ? 1 : (k - F) / N + 2;
      int into = k < F ? k : (k - F) % N;
      int in_lap = lap == 1 ? F : N;
      t.push_back(START + (lap - 1) * 140 * S + (into + 1) * 140 * S / in_lap);
    }
    return t;
  };
  ride(0, lap_ends(F + 3 * N + 1));  // into lap 5
  ride(1, lap_ends(F + 2 * N));      // a lap behind
  order();

  race_finish_laps_update(*rc, *laps, START + 599 * S);
  EXPECT_EQ(laps->finish_laps, RACE_UNSET);
  race_finish_laps_update(*rc, *laps, START + 600 * S);
  EXPECT_EQ(laps->finish_laps, RACE_UNSET);  // the lap the time ran out in is not over yet

  ride(0, lap_ends(F + 4 * N));  // lap 5 ended at 700 s
  order();
  race_finish_laps_update(*rc, *laps, START + 700 * S);
  EXPECT_EQ(laps->finish_laps, 7);
  // Later updates keep it.
  ride(0, lap_ends(F + 5 * N));
  order();
  race_finish_laps_update(*rc, *laps, START + 900 * S);
  EXPECT_EQ(laps->finish_laps, 7);
}

TEST_F(Race, TimedRaceLapTargetAlwaysEnds) {
  // "1 minute + 1 lap" where the time runs out in lap 1, and a race of
  // minutes only: the target follows the first lap end after the limit.
  for (int count : {1, 0}) {
    RaceClock clock;
    clock.start_tic = START;
    clock.time_limit = 60 * S;
    clock.lap_count = count;
    race_control_begin(*rc, *laps, RACE_MODE_NEW, clock, "t");
    ride(0, even(F, 20 * S, 20 * S));  // lap 1 ends at 80 s
    order();
    race_finish_laps_update(*rc, *laps, START + 80 * S);
    EXPECT_EQ(laps->finish_laps, count + 1) << count;
  }
  // Every lap ended before the limit: the loop stops at the first lap no one crossed.
  RaceClock clock;
  clock.start_tic = START;
  clock.time_limit = 6000 * S;
  clock.lap_count = 1;
  race_control_begin(*rc, *laps, RACE_MODE_NEW, clock, "t");
  ride(0, even(F + 600 * N, 1, 1));
  order();
  race_finish_laps_update(*rc, *laps, START + 6000 * S);
  EXPECT_EQ(laps->finish_laps, RACE_UNSET);
  // A track without laps ends the loop at once.
  laps->normal_lap = 0;
  race_finish_laps_update(*rc, *laps, START + 6000 * S);
  EXPECT_EQ(laps->finish_laps, RACE_UNSET);
}

TEST_F(Race, HalfRaceLapOfATimedRaceIsTheLeadersLapAtHalfTime) {
  struct Case {
    int gates;
    int half;
  } cases[] = {{0, 1}, {F - 1, 1}, {F, 2}, {F + N - 1, 2}, {F + N, 3}, {F + 2 * N + 1, 4}};
  for (const Case& c : cases) {
    RaceClock clock;
    clock.start_tic = START;
    clock.time_limit = 600 * S;
    race_control_begin(*rc, *laps, RACE_MODE_NEW, clock, "t");
    ride(0, even(c.gates, S, S));
    order();
    race_finish_laps_update(*rc, *laps, START + 300 * S - 1);
    EXPECT_EQ(rc->half_race_lap, RACE_UNSET);
    race_finish_laps_update(*rc, *laps, START + 300 * S);
    EXPECT_EQ(rc->half_race_lap, c.half) << c.gates;
    ride(0, even(c.gates + 2 * N, S, S));  // fixed once set
    order();
    race_finish_laps_update(*rc, *laps, START + 400 * S);
    EXPECT_EQ(rc->half_race_lap, c.half) << c.gates;
  }
}

TEST_F(Race, RunningOrderTiesGoToTheEarlierCrossingThenTheLowerSlot) {
  ride(5, {START + 100, START + 200, START + 300});
  ride(2, {START + 100, START + 200, START + 300});
  ride(1, {START + 100, START + 200, START + 299});
  ride(0, {START + 100, START + 200});
  ride(7, {START + 100, START + 200, START + 300, START + 400});
  race_update_standings(*rc, *laps, riders, nullptr, 0);
  int expected[] = {7, 1, 2, 5, 0};
  ASSERT_EQ(rc->rider_count, 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(laps->order[i].slot, expected[i]) << i;
    EXPECT_EQ(rc->results[i].slot, expected[i]) << i;
  }
}

// Cutting: rider 1 leaves out gate 1 in lap 1. The field's time from gate
// 0 to gate 2 decides what he should have taken.
TEST_F(Race, CuttingPenaltyIsTheFieldsTimePlusOneSecondLessHis) {
  ride(0, {START + 10 * S, START + 20 * S, START + 30 * S, START + 40 * S});  // 20 s for 0..2
  ride(2, {START + 10 * S, START + 25 * S, START + 40 * S, START + 50 * S});  // 30 s
  ride(1, {START + 10 * S, -1, START + 15 * S, START + 30 * S});             // 5 s
  order();
  // Expected (20 + 30) / 2 + 1 = 26 s; he took 5.
  EXPECT_DOUBLE_EQ(race_cutting_penalty(*laps, 1, -1), 21.0 * S);
  EXPECT_DOUBLE_EQ(race_cutting_penalty(*laps, 0, -1), 0.0);
  // Leaving a rider out of the field (a spectating client's own slot).
  EXPECT_DOUBLE_EQ(race_cutting_penalty(*laps, 1, 2), 16.0 * S);

  // Slower over the stretch than the field plus a second: nothing.
  ride(1, {START + 10 * S, -1, START + 37 * S, START + 45 * S});
  order();
  EXPECT_DOUBLE_EQ(race_cutting_penalty(*laps, 1, -1), 0.0);

  // Nobody else has the stretch whole: the expected time is 61 s.
  ride(0, {START + 10 * S, -1, START + 30 * S});
  ride(2, {START + 10 * S});
  ride(1, {START + 10 * S, -1, START + 15 * S});
  order();
  EXPECT_DOUBLE_EQ(race_cutting_penalty(*laps, 1, -1), 56.0 * S);

  // Gates missed from the start count from the gate drop.
  ride(1, {-1, START + 2 * S});
  order();
  EXPECT_DOUBLE_EQ(race_cutting_penalty(*laps, 1, -1), 59.0 * S);
}

TEST_F(Race, CuttingInALaterLapIsMeasuredAgainstEveryLapOfTheField) {
  // Rider 0 rides gates 10 s apart, except that from index 10 to 11 (lap
  // 4's first two gates) he took 20 s.
  std::vector<int64_t> t0 = even(F + 3 * N, 10 * S, 10 * S);
  for (size_t k = 11; k < t0.size(); ++k) t0[k] += 10 * S;
  ride(0, t0);
  // Rider 1 misses index 8 (lap 3's 2nd gate): stretch 7..9 (positions 0..2).
  std::vector<int64_t> t1 = even(F + 2 * N, 10 * S, 10 * S);
  t1[8] = -1;
  t1[9] = t1[7] + 3 * S;
  ride(1, t1);
  order();
  // The stretch is a lap's gates 0..2. Rider 0's: laps 2, 3, 4 -> 20, 20,
  // 30 s; rider 1's own: lap 2 whole, 20 s (lap 3 is the one he cut).
  // Average of rider 0 (70/3) and rider 1 (20) = 65/3 s; + 1 s - his 3 s.
  EXPECT_NEAR(race_cutting_penalty(*laps, 1, -1), (65.0 / 3 + 1 - 3) * S, 1e-9);
}

TEST_F(Race, PenaltiesTurnIntoLostLapsAndTime) {
  // Rider 0: a clean reference; his 0..2 stretch took 80 s (expected 81 s).
  std::vector<int64_t> t0 = {START + 10 * S, START + 50 * S, START + 90 * S, START + 100 * S};
  for (int k = 0; k < 3 * N; ++k) t0.push_back(START + 100 * S + (k + 1) * 40 * S / N);
  ride(0, t0);
  // Rider 1 cuts gate 1 taking 11 s for it (70 s of penalty), then rides
  // laps 2..4 of 30 s: best lap 30 s, so he loses two laps and keeps 10 s.
  std::vector<int64_t> t1 = {START + 5 * S, -1, START + 16 * S, START + 20 * S};
  for (int k = 0; k < 3 * N; ++k) t1.push_back(START + 20 * S + (k + 1) * 10 * S);
  ride(1, t1);
  // Rider 2 cuts the same way but is still in lap 1: the whole penalty is time.
  ride(2, {START + 5 * S, -1, START + 16 * S});
  race_update_standings(*rc, *laps, riders, nullptr, 0);

  const RaceResult* r1 = nullptr;
  const RaceResult* r2 = nullptr;
  for (int i = 0; i < rc->results_count; ++i) {
    if (rc->results[i].slot == 1) r1 = &rc->results[i];
    if (rc->results[i].slot == 2) r2 = &rc->results[i];
  }
  ASSERT_TRUE(r1 && r2);
  EXPECT_EQ(r1->laps_removed, 2);
  EXPECT_EQ(r1->gates, F + 3 * N - 2 * N);
  EXPECT_EQ(r1->penalty, 10 * S);
  EXPECT_EQ(r1->tic, t1.back() + 10 * S);
  EXPECT_EQ(r2->laps_removed, 0);
  EXPECT_EQ(r2->penalty, 70 * S);
  // Rider 1 fell behind rider 0 (more gates) and ahead of rider 2.
  EXPECT_EQ(rc->results[0].slot, 0);
  EXPECT_EQ(rc->results[1].slot, 1);
  EXPECT_EQ(rc->results[2].slot, 2);
}

TEST_F(Race, LapsWithoutTimesNeverTakeEveryLapAway) {
  // Crossings of his lap ends missing: every lap time is 0, so is the best lap.
  std::vector<int64_t> t = {START + 5 * S, -1, START + 6 * S, -1};
  for (int k = 0; k < 3 * N; ++k) t.push_back(k % N == N - 1 ? -1 : START + 10 * S + k * S);
  ride(0, t);
  race_update_standings(*rc, *laps, riders, nullptr, 0);
  EXPECT_EQ(rc->results[0].laps_removed, 0);
  EXPECT_EQ(rc->results[0].gates, F + 3 * N);
  EXPECT_GT(rc->results[0].penalty, 0);
}

TEST_F(Race, FinalityWaitsForEveryRiderThatCanStillRide) {
  struct Case {
    const char* what;
    bool connected, spectating;
    int own;
    int kind;
    int64_t newest_age;  // tics before now, -1: no state
    bool slot1_finished;
    bool ready;
  } cases[] = {
      {"offline, finished", false, false, -1, RACE_RIDER_LOCAL, -1, true, true},
      {"offline, local still riding", false, false, -1, RACE_RIDER_LOCAL, -1, false, false},
      {"offline, robot still riding", false, false, -1, RACE_RIDER_ROBOT, -1, false, false},
      {"offline, demo rider with fresh states", false, false, -1, RACE_RIDER_STATES, 10 * S, false, false},
      {"offline, demo rider whose states stopped", false, false, -1, RACE_RIDER_STATES, 10 * S + 1, false, true},
      {"offline, demo rider without states", false, false, -1, RACE_RIDER_STATES, -1, false, true},
      {"connected, own riding slot", true, false, 1, RACE_RIDER_LOCAL, -1, false, false},
      {"connected spectator, own slot", true, true, 1, RACE_RIDER_LOCAL, -1, false, true},
      {"connected, remote rider heard from", true, false, 0, RACE_RIDER_STATES, S - 1, false, false},
      {"connected, remote rider silent a second", true, false, 0, RACE_RIDER_STATES, S, false, true},
      {"connected, remote rider never heard", true, false, 0, RACE_RIDER_STATES, -1, false, true},
  };
  for (const Case& c : cases) {
    laps->finish_laps = 1;
    ride(0, even(F, S, S));  // the winner
    laps->riders[0].finished = true;
    ride(1, even(c.slot1_finished ? F : F - 1, 2 * S, S), c.kind);
    riders.connected = c.connected;
    riders.spectating = c.spectating;
    riders.own_slot = c.own;
    riders.now = START + 100 * S;
    riders.newest_state[1] = c.newest_age < 0 ? -1 : riders.now - c.newest_age;
    rc->results_final = false;
    order();
    EXPECT_EQ(race_results_ready(*laps, riders), c.ready) << c.what;
    EXPECT_EQ(race_update_standings(*rc, *laps, riders, nullptr, 0), c.ready) << c.what;
    EXPECT_EQ(rc->results_final, c.ready) << c.what;
  }
  // Once final nothing is recomputed.
  ride(1, even(F + N, S, S));
  EXPECT_FALSE(race_update_standings(*rc, *laps, riders, nullptr, 0));
  EXPECT_NE(laps->order[0].slot, 1);
}

TEST_F(Race, ResultsFileHasItsHeaderColumnsRowsAndCrossings) {
  rc->entrants[0] = {"7", "cr125", "Ann"};
  rc->entrants[1] = {"123", "yz250f(2017)", "Bo"};
  rc->entrants[2] = {"999", "rm125", "Cy"};
  laps->finish_laps = 2;
  ride(0, even(F + N, 10 * S, 10 * S));  // 70 s, lap 2 of 30 s
  // Rider 1 misses gate 1, no faster than the field over it: no penalty.
  ride(1, {START + 1344, -1, START + 31 * S + 64, START + 40 * S + 64, START + 50 * S + 64, START + 60 * S + 64,
           START + 70 * S + 64});
  ride(2, even(F, 12 * S, 10 * S));  // a lap down, still riding
  laps->riders[0].finished = laps->riders[1].finished = true;
  riders.kind[2] = RACE_RIDER_STATES;  // a demo rider that stopped: the results can be final
  riders.now = START + 200 * S;
  ASSERT_TRUE(race_update_standings(*rc, *laps, riders, nullptr, 0));

  std::string text = race_results_text(*rc, *laps, 1765400000);
  std::string expected =
      "Time=0.00|Laps=3|Track=claypit|Date=1765400000\r\n"
      " No. |         Bike | Laps | Total Time | BLap |  Best Time\r\n"
      "   7 |        cr125 |    2 |   1:10.000 |    2 |   0:30.000\r\n"
      " 123 | yz250f(2017) |    2 |   1:10.500 |    2 |   0:30.000\r\n"
      "\r\n"
      "7\r\n"
      "  10.000   20.000   30.000   40.000\r\n"
      "  50.000   60.000   70.000\r\n"
      "\r\n"
      "7\r\n"
      "  10.500       -1   31.500   40.500\r\n"
      "  50.500   60.500   70.500\r\n";
  EXPECT_EQ(text, expected);

  // The file goes to the home folder; nothing is written before the winner finished.
  TempDir home;
  Vfs vfs;
  vfs_set_folders(vfs, home.path, home.path);
  ASSERT_TRUE(race_results_write(*rc, *laps, vfs, 1765400000));
  EXPECT_EQ(read_file(home / "results.txt"), expected);
  laps->riders[0].finished = false;
  EXPECT_EQ(race_results_text(*rc, *laps, 0), "");
  vfs_shutdown(vfs);
}

}  // namespace
