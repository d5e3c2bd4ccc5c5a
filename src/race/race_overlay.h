// The race overlay's content: the results table, the running order ticker,
// the lap flag and the text lines in the corner. This side builds the texts
// and says what is shown; the scene draws them with its fonts and colours.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "race/race_control.h"

// One row of the results table.
struct OverlayResultRow {
  int slot = 0;
  std::string position;   // "%d", from 1
  std::string number;     // "%3s"
  std::string laps;       // "L%d": completed laps by the results gate count
  std::string gap;        // "%7.3f": seconds behind the rider ahead, 0 for the leader
  std::string best_time;  // "%d:%02d.%03d"
  std::string best_lap;   // "(%d)"
  bool viewed = false;    // the viewed rider's row (drawn in another colour)
  bool shaded = false;    // alternate rows are shaded
};

// The results table: shown once the first of the results order has
// finished, or the results are final.
struct OverlayResults {
  bool shown = false;
  std::string title;                    // "Final Results" or "Unofficial Results"
  std::vector<std::string> columns;     // "Pos.", "No.", "Lap", "Gap", "Best Time", "BLap"
  std::vector<OverlayResultRow> rows;   // riders that finished (every rider once final)
  std::string total_time;               // final only: "Total Race Time: %d:%02d.%03d"
  std::vector<std::string> penalties;   // final only: the red penalty lines
};

// One entry of the running order ticker.
struct OverlayTickerEntry {
  int slot = 0;
  std::string position;  // "%d"
  std::string number;
  std::string name;
  std::string gap;       // "%7.3f" to the leader at the same gate; empty for the leader or without one
};

// The lap flag: a box with the lap, or the chequered flag.
struct OverlayLapFlag {
  bool shown = false;      // false: no timing
  bool chequered = false;  // the leader has completed the finish laps
  bool last_lap = false;   // drawn white instead of green
  std::string text;        // "Lap %d"
};

// What the corner text lines read.
struct OverlayTextInput {
  bool draw_fps = false, draw_time = false, draw_ping = false, draw_speed = false;
  int fps = 0;
  int64_t race_tics = 0;       // tics since the start (negative before it)
  bool connected = false;      // the ping line only while connected
  int ping_ms = 0, offset_ms = 0;
  double speed = 0;            // the viewed bike's speed, ft/s
  bool render_stats = false;
  std::vector<std::string> render_stat_lines;
  bool dabbing = false;
  std::vector<std::string> messages;  // the newest message log lines, oldest first
  int message_lines = 5;              // how many of them are shown
};

OverlayResults overlay_results(const RaceControl& rc, const LapRace& laps, int viewed_slot);
// Scrolls by half a position per second: seconds since the race began picks
// the first entry shown (the caller wraps it). On a spectating client only
// remote riders and robots are listed.
std::vector<OverlayTickerEntry> overlay_ticker(const RaceControl& rc, const LapRace& laps, const RaceRiders& riders);
OverlayLapFlag overlay_lap_flag(const LapRace& laps);
std::vector<std::string> overlay_text_lines(const OverlayTextInput& in);
