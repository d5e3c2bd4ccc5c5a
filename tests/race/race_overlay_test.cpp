// The overlay's texts on a race of a first lap of two gates and a normal lap
// of three (sequence indices 1, 4 and 7 end laps 1, 2 and 3), three laps,
// the gate drop at tic 1000. Five riders:
//
//   slot 3  #7   Ann  8 gates, laps 2.000 3.000 2.500 s, finished at 1960
//   slot 5  #12  Bob  8 gates, laps 2.109 3.125 2.766 s, finished at 2024
//   slot 1  #4   Dee  7 gates (two laps and two gates), still riding
//   slot 9  #123 Cy   5 gates (laps 1.563 6.250 s, lapped), finished at 2100
//   slot 2  #5   Eve  2 gates (one lap), finished at 2200
#include "race/race_overlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int F = 2, N = 3;
constexpr int ANN = 3, BOB = 5, DEE = 1, CY = 9, EVE = 2;

struct Overlay : ::testing::Test {
  std::unique_ptr<LapRace> laps = std::make_unique<LapRace>();
  std::unique_ptr<RaceControl> rc = std::make_unique<RaceControl>();
  bool present[LAPS_SLOTS] = {};

  void SetUp() override {
    laps->gates.assign(F + N, LapGate{});
    laps->first_lap = F;
    laps->normal_lap = N;
    laps->timing = true;
    laps->start_tic = 1000;
    laps->finish_laps = 3;
    rider(ANN, "7", "Ann", {1100, 1256, 1300, 1400, 1640, 1700, 1800, 1960});
    rider(BOB, "12", "Bob", {1110, 1270, 1320, 1420, 1670, 1720, 1830, 2024});
    rider(DEE, "4", "Dee", {1130, 1290, 1340, 1450, 1700, 1760, 2030});
    rider(CY, "123", "Cy", {1120, 1300, 1500, 1700, 2100});
    rider(EVE, "5", "Eve", {1500, 2200});
    for (int slot : {ANN, BOB, CY, EVE}) laps->riders[slot].finished = true;
    standings();
  }

  // The rider's crossings from index 0 on (-1 for a gate missed); his
  // counter one past the last.
  void rider(int slot, const char* number, const char* name, const std::vector<int64_t>& tics) {
    for (size_t k = 0; k < tics.size(); ++k) ASSERT_TRUE(laps_set_crossing(*laps, slot, int(k), tics[k]));
    laps_set_gate_counter(*laps, slot, int(tics.size()), nullptr);
    rc->entrants[slot].number = number;
    rc->entrants[slot].name = name;
    present[slot] = true;
  }

  // Everything made again as SetUp makes it.
  void fresh() {
    laps = std::make_unique<LapRace>();
    rc = std::make_unique<RaceControl>();
    std::fill(std::begin(present), std::end(present), false);
    SetUp();
  }

  void standings() {
    laps_running_order(*laps, present);
    race_results_order(*rc, *laps, -1);
  }
};

std::vector<int> row_slots(const OverlayResults& r) {
  std::vector<int> out;
  for (const OverlayResultRow& row : r.rows) out.push_back(row.slot);
  return out;
}

std::vector<int> ticker_slots(const std::vector<OverlayTickerEntry>& t) {
  std::vector<int> out;
  for (const OverlayTickerEntry& e : t) out.push_back(e.slot);
  return out;
}

// --- Results table ------------------------------------------------------------

TEST_F(Overlay, ResultsShownOnceTheWinnerFinishedOrFinal) {
  struct Case {
    bool winner_finished, final;
    bool shown;
    const char* title;
    std::vector<int> rows;
  } cases[] = {
      {false, false, false, "", {}},
      {true, false, true, "Unofficial Results", {ANN, BOB, CY, EVE}},
      {false, true, true, "Final Results", {ANN, BOB, DEE, CY, EVE}},
      {true, true, true, "Final Results", {ANN, BOB, DEE, CY, EVE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "winner finished " << c.winner_finished << ", final " << c.final);
    laps->riders[ANN].finished = c.winner_finished;
    rc->results_final = c.final;
    OverlayResults r = overlay_results(*rc, *laps, -1);
    EXPECT_EQ(r.shown, c.shown);
    EXPECT_EQ(r.title, c.title);
    EXPECT_EQ(row_slots(r), c.rows);
    if (c.shown) {
      EXPECT_EQ(r.columns, (std::vector<std::string>{"Pos.", "No.", "Lap", "Gap", "Best Time", "BLap"}));
    }
    EXPECT_EQ(r.total_time.empty(), !c.final);
  }
}

TEST_F(Overlay, ResultRowsUnofficial) {
  // Dee, third in the results order, has not finished: Cy keeps position 4
  // and his gap is to Bob, the row above him.
  OverlayResults r = overlay_results(*rc, *laps, CY);
  struct Row {
    const char *position, *number, *laps, *gap, *best_time, *best_lap;
    bool viewed, shaded;
  } expected[] = {
      {"1", "  7", "L3", "  0.000", "0:02.500", "(3)", false, false},
      {"2", " 12", "L3", "  0.500", "0:02.765", "(3)", false, true},
      {"4", "123", "L2", "  0.594", "0:06.250", "(2)", true, false},
      {"5", "  5", "L1", "  0.781", "0:00.000", "(0)", false, true},
  };
  ASSERT_EQ(r.rows.size(), std::size(expected));
  for (size_t i = 0; i < r.rows.size(); ++i) {
    SCOPED_TRACE(i);
    const OverlayResultRow& got = r.rows[i];
    EXPECT_EQ(got.position, expected[i].position);
    EXPECT_EQ(got.number, expected[i].number);
    EXPECT_EQ(got.laps, expected[i].laps);
    EXPECT_EQ(got.gap, expected[i].gap);
    EXPECT_EQ(got.best_time, expected[i].best_time);
    EXPECT_EQ(got.best_lap, expected[i].best_lap);
    EXPECT_EQ(got.viewed, expected[i].viewed);
    EXPECT_EQ(got.shaded, expected[i].shaded);
  }
  EXPECT_TRUE(r.penalties.empty());
}

TEST_F(Overlay, FinalResultsListEveryRiderWithTotalTime) {
  rc->results_final = true;
  OverlayResults r = overlay_results(*rc, *laps, -1);
  ASSERT_EQ(r.rows.size(), 5u);
  // Dee's row is in now: the gaps run between consecutive rows.
  EXPECT_EQ(r.rows[2].position, "3");
  EXPECT_EQ(r.rows[2].gap, "  0.047");
  EXPECT_EQ(r.rows[2].laps, "L2");
  EXPECT_EQ(r.rows[3].gap, "  0.547");
  EXPECT_EQ(r.rows[4].shaded, false);
  for (const OverlayResultRow& row : r.rows) EXPECT_FALSE(row.viewed);
  // The winner's 1960 less the drop at 1000: 960 tics.
  EXPECT_EQ(r.total_time, "Total Race Time: 0:07.500");
  EXPECT_TRUE(r.penalties.empty());
}

TEST_F(Overlay, ResultsLapsCountTheGatesLeftAfterThePenalty) {
  // The results gate count, not the rider's counter, gives the laps.
  rc->results[1].gates -= N;
  rc->results[1].laps_removed = 1;
  rc->results_final = true;
  OverlayResults r = overlay_results(*rc, *laps, -1);
  ASSERT_GE(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[1].laps, "L2");
  // Without lap timing nobody has laps.
  laps->normal_lap = 0;
  r = overlay_results(*rc, *laps, -1);
  for (const OverlayResultRow& row : r.rows) EXPECT_EQ(row.laps, "L0");
}

TEST_F(Overlay, PenaltyLines) {
  // Results written by hand: the lines follow the results order, one per
  // rider whose results time is past his last crossing or who lost laps.
  struct Case {
    int slot;
    int64_t penalty;
    int laps_removed;
    const char* line;  // nullptr: none
  } cases[] = {
      {ANN, 0, 0, nullptr},
      {BOB, 320, 1, " 12 penalized 1 lap 2.50 seconds for cutting track"},
      {CY, 64, 2, "123 penalized 2 laps 0.50 seconds for cutting track"},
      {DEE, 192, 0, "  4 penalized 1.50 seconds for cutting track"},
      {EVE, 0, 1, "  5 penalized 1 lap 0.00 seconds for cutting track"},
  };
  rc->results_count = 0;
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    RaceResult r;
    r.slot = c.slot;
    r.gates = laps->riders[c.slot].gates - c.laps_removed * N;
    r.last = 2000 + rc->results_count;
    r.penalty = c.penalty;
    r.tic = r.last + c.penalty;
    r.laps_removed = c.laps_removed;
    rc->results[rc->results_count++] = r;
    if (c.line) expected.push_back(c.line);
  }
  rc->results_final = true;
  EXPECT_EQ(overlay_results(*rc, *laps, -1).penalties, expected);
  // Unofficial results show no penalties.
  rc->results_final = false;
  EXPECT_TRUE(overlay_results(*rc, *laps, -1).penalties.empty());
}

TEST_F(Overlay, PenaltyLineOfACutFromTheResultsOrder) {
  // Bob skips index 5: the results order charges him time, not a lap.
  ASSERT_TRUE(laps_set_crossing(*laps, BOB, 5, -1));
  standings();
  rc->results_final = true;
  OverlayResults r = overlay_results(*rc, *laps, -1);
  ASSERT_EQ(r.penalties.size(), 1u);
  EXPECT_EQ(r.penalties[0].rfind(" 12 penalized ", 0), 0u) << r.penalties[0];
  EXPECT_EQ(r.penalties[0].find("lap"), std::string::npos) << r.penalties[0];
  EXPECT_EQ(r.total_time, "Total Race Time: 0:07.500");
}

TEST_F(Overlay, ResultsOfBrokenOrEmptyOrders) {
  rc->results_final = true;
  // A slot out of range is left out; the rest stand.
  rc->results[2].slot = LAPS_SLOTS + 40;
  OverlayResults r = overlay_results(*rc, *laps, -1);
  EXPECT_TRUE(r.shown);
  EXPECT_EQ(row_slots(r), (std::vector<int>{ANN, BOB, CY, EVE}));
  EXPECT_EQ(r.rows[2].gap, "  0.594");
  // The first one out of range, or no results at all: nothing to show.
  rc->results[0].slot = -1;
  EXPECT_FALSE(overlay_results(*rc, *laps, -1).shown);
  for (int count : {0, -5}) {
    rc->results_count = count;
    EXPECT_FALSE(overlay_results(*rc, *laps, -1).shown);
    EXPECT_TRUE(overlay_ticker(*rc, *laps, RaceRiders{}).empty());
  }
}

// --- Ticker -------------------------------------------------------------------

TEST_F(Overlay, TickerListsTheResultsOrderWithGapsAtTheSameGate) {
  std::vector<OverlayTickerEntry> t = overlay_ticker(*rc, *laps, RaceRiders{});
  struct Entry {
    int slot;
    const char *position, *number, *name, *gap;
  } expected[] = {
      {ANN, "1", "  7", "Ann", ""},
      {BOB, "2", " 12", "Bob", "  0.500"},  // index 7: 2024 - 1960
      {DEE, "3", "  4", "Dee", "  1.797"},  // index 6: 2030 - 1800
      {CY, "4", "123", "Cy", "  3.594"},    // index 4: 2100 - 1640
      {EVE, "5", "  5", "Eve", "  7.375"},  // index 1: 2200 - 1256
  };
  ASSERT_EQ(t.size(), std::size(expected));
  for (size_t i = 0; i < t.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(t[i].slot, expected[i].slot);
    EXPECT_EQ(t[i].position, expected[i].position);
    EXPECT_EQ(t[i].number, expected[i].number);
    EXPECT_EQ(t[i].name, expected[i].name);
    EXPECT_EQ(t[i].gap, expected[i].gap);
  }
}

TEST_F(Overlay, TickerGapNeedsBothCrossings) {
  struct Case {
    const char* what;
    int slot, index;  // crossing forgotten
    int counter_slot, counter;  // counter set by hand (-1: none)
    int entry;
  } cases[] = {
      {"his own crossing unknown", BOB, 7, -1, 0, 1},
      {"the leader's crossing unknown", ANN, 6, -1, 0, 2},
      {"no gate passed", -1, 0, EVE, 0, 4},
      {"counter past his list", -1, 0, CY, 9, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fresh();
    if (c.slot >= 0) {
      ASSERT_TRUE(laps_set_crossing(*laps, c.slot, c.index, -1));
    }
    // The results order stays as it was; only the ticker's reading changes.
    if (c.counter_slot >= 0) laps->riders[c.counter_slot].gates = c.counter;
    std::vector<OverlayTickerEntry> t = overlay_ticker(*rc, *laps, RaceRiders{});
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[size_t(c.entry)].gap, "");
    // The others keep theirs.
    for (size_t i = 1; i < t.size(); ++i) {
      if (int(i) != c.entry) {
        EXPECT_NE(t[i].gap, "") << i;
      }
    }
  }
}

TEST_F(Overlay, TickerOnASpectatingClientListsRemoteRidersAndRobots) {
  RaceRiders riders;
  riders.kind[ANN] = RACE_RIDER_LOCAL;
  riders.kind[BOB] = RACE_RIDER_STATES;
  riders.kind[DEE] = RACE_RIDER_ROBOT;
  riders.kind[CY] = RACE_RIDER_STATES;
  riders.kind[EVE] = RACE_RIDER_LOCAL;
  riders.own_slot = CY;
  struct Case {
    bool connected, spectating;
    std::vector<int> slots;
  } cases[] = {
      {false, false, {ANN, BOB, DEE, CY, EVE}},
      {false, true, {ANN, BOB, DEE, CY, EVE}},
      {true, false, {ANN, BOB, DEE, CY, EVE}},
      {true, true, {BOB, DEE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "connected " << c.connected << ", spectating " << c.spectating);
    riders.connected = c.connected;
    riders.spectating = c.spectating;
    std::vector<OverlayTickerEntry> t = overlay_ticker(*rc, *laps, riders);
    EXPECT_EQ(ticker_slots(t), c.slots);
    if (c.slots.size() == 2) {
      // Results positions, and gaps to the leader though he is not listed.
      EXPECT_EQ(t[0].position, "2");
      EXPECT_EQ(t[0].gap, "  0.500");
      EXPECT_EQ(t[1].position, "3");
      EXPECT_EQ(t[1].gap, "  1.797");
    }
  }
}

// --- Lap flag -----------------------------------------------------------------

TEST_F(Overlay, LapFlag) {
  struct Case {
    const char* what;
    bool timing;
    int normal_lap, finish_laps, leader_gates, riders;
    bool shown, chequered, last_lap;
    const char* text;
  } cases[] = {
      {"before the first gate", true, N, 3, 0, 1, true, false, false, "Lap 1"},
      {"first lap done", true, N, 3, 2, 1, true, false, false, "Lap 2"},
      {"last lap", true, N, 3, 5, 1, true, false, true, "Lap 3"},
      {"finished", true, N, 3, 8, 1, true, true, false, ""},
      {"beyond the finish", true, N, 3, 11, 1, true, true, false, ""},
      {"a one lap race", true, N, 1, 1, 1, true, false, true, "Lap 1"},
      {"timed race not yet fixed", true, N, RACE_UNSET, 8, 1, true, false, false, "Lap 4"},
      {"finish laps not set", true, N, 0, 0, 1, true, false, false, "Lap 1"},
      {"timing off", false, N, 3, 8, 1, false, false, false, ""},
      {"no laps", true, 0, 3, 8, 1, false, false, false, ""},
      {"no riders", true, N, 3, 8, 0, false, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LapRace& l = *laps;
    l.timing = c.timing;
    l.normal_lap = c.normal_lap;
    l.finish_laps = c.finish_laps;
    // The running order's leader is slot 7; slot 0 with more gates is not in it.
    l.order_count = c.riders;
    l.order[0].slot = 7;
    l.riders[7].gates = c.leader_gates;
    l.riders[0].gates = 20;
    OverlayLapFlag f = overlay_lap_flag(l);
    EXPECT_EQ(f.shown, c.shown);
    EXPECT_EQ(f.chequered, c.chequered);
    EXPECT_EQ(f.last_lap, c.last_lap);
    EXPECT_EQ(f.text, c.text);
  }
}

// --- Text lines ---------------------------------------------------------------

TEST(OverlayText, EachLineWhenItsSettingIsOn) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* what;
    void (*set)(OverlayTextInput&);
    Lines lines;
  } cases[] = {
      {"nothing on", [](OverlayTextInput&) {}, {}},
      {"fps", [](OverlayTextInput& in) { in.draw_fps = true, in.fps = 59; }, {"FPS - 59"}},
      {"time at the start", [](OverlayTextInput& in) { in.draw_time = true; }, {"Time - 0:00.0 "}},
      {"time before the start", [](OverlayTextInput& in) { in.draw_time = true, in.race_tics = -300; },
       {"Time - 0:00.0 "}},
      {"time below a tenth", [](OverlayTextInput& in) { in.draw_time = true, in.race_tics = 12; }, {"Time - 0:00.0 "}},
      {"time of a tenth", [](OverlayTextInput& in) { in.draw_time = true, in.race_tics = 13; }, {"Time - 0:00.1 "}},
      {"time of minutes", [](OverlayTextInput& in) { in.draw_time = true, in.race_tics = 128 * 75 + 127; },
       {"Time - 1:15.9 "}},
      {"time of hours", [](OverlayTextInput& in) { in.draw_time = true, in.race_tics = 128 * 7200; },
       {"Time - 120:00.0 "}},
      {"time at the end of the counter", [](OverlayTextInput& in) { in.draw_time = true, in.race_tics = INT64_MAX; },
       {"Time - 1200959900632132:15.9 "}},
      {"ping offline", [](OverlayTextInput& in) { in.draw_ping = true, in.ping_ms = 45; }, {}},
      {"ping connected",
       [](OverlayTextInput& in) { in.draw_ping = true, in.connected = true, in.ping_ms = 45, in.offset_ms = -3; },
       {"Ping - 45ms (-3ms offset)"}},
      {"speed", [](OverlayTextInput& in) { in.draw_speed = true, in.speed = 44; }, {"Speed - 30.00"}},
      {"speed standing", [](OverlayTextInput& in) { in.draw_speed = true; }, {"Speed - 0.00"}},
      {"render statistics off", [](OverlayTextInput& in) { in.render_stat_lines = {"tris 10"}; }, {}},
      {"render statistics on",
       [](OverlayTextInput& in) { in.render_stats = true, in.render_stat_lines = {"tris 10", "draws 2"}; },
       {"tris 10", "draws 2"}},
      {"dabbing", [](OverlayTextInput& in) { in.dabbing = true; }, {"Dabbing!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OverlayTextInput in;
    c.set(in);
    EXPECT_EQ(overlay_text_lines(in), c.lines);
  }
}

TEST(OverlayText, MessageLinesShowTheNewest) {
  std::vector<std::string> log = {"m1", "m2", "m3", "m4", "m5", "m6", "m7"};
  struct Case {
    int message_lines;
    size_t log_size;
    std::vector<std::string> lines;
  } cases[] = {
      {5, 7, {"m3", "m4", "m5", "m6", "m7"}},
      {1, 7, {"m7"}},
      {10, 3, {"m1", "m2", "m3"}},
      {5, 0, {}},
      {0, 7, {}},
      {-2, 7, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.message_lines << " of " << c.log_size);
    OverlayTextInput in;
    in.messages.assign(log.begin(), log.begin() + std::ptrdiff_t(c.log_size));
    in.message_lines = c.message_lines;
    EXPECT_EQ(overlay_text_lines(in), c.lines);
  }
}

TEST(OverlayText, LinesComeInTheirOrder) {
  OverlayTextInput in;
  in.draw_fps = in.draw_time = in.draw_ping = in.draw_speed = true;
  in.fps = 120;
  in.race_tics = 128 * 61 + 64;
  in.connected = true;
  in.ping_ms = 80;
  in.offset_ms = 12;
  in.speed = 10;
  in.render_stats = true;
  in.render_stat_lines = {"stats"};
  in.dabbing = true;
  in.messages = {"old", "new"};
  in.message_lines = 1;
  EXPECT_EQ(overlay_text_lines(in), (std::vector<std::string>{"FPS - 120", "Time - 1:01.5 ", "Ping - 80ms (12ms offset)",
                                                              "Speed - 6.82", "stats", "Dabbing!", "new"}));
}

}  // namespace
