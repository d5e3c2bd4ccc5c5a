// The race overlay's texts: the results table, the running order ticker, the
// lap flag and the corner text lines, built from the race control's results
// order and the lap timing.
#include "race/race_overlay.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t TICS_PER_SECOND = 128;
constexpr double MPH_PER_FOOT_PER_SECOND = 0.6818182;

bool overlay_slot_ok(int slot) { return slot >= 0 && slot < LAPS_SLOTS; }

// The number of the results order's entries that can be read.
int overlay_results_count(const RaceControl& rc) { return std::clamp(rc.results_count, 0, int(LAPS_SLOTS)); }

std::string overlay_number(const RaceControl& rc, int slot) {
  return race_text("%3s", rc.entrants[slot].number.c_str());
}

// Seconds of a span of tics, "%7.3f".
std::string overlay_seconds(int64_t tics) { return race_text("%7.3f", double(tics) / TICS_PER_SECOND); }

OverlayResultRow overlay_result_row(const RaceControl& rc, const LapRace& laps, const RaceResult& r, int position,
                                    int64_t gap_tics, int viewed_slot) {
  OverlayResultRow row;
  row.slot = r.slot;
  row.position = race_text("%d", position);
  row.number = overlay_number(rc, r.slot);
  row.laps = race_text("L%d", race_laps_of_gates(laps, r.gates));
  row.gap = overlay_seconds(gap_tics);
  double best_seconds = 0;
  int best = laps_best_lap(laps, r.slot, &best_seconds);
  row.best_time = race_time_text(std::llround(best_seconds * TICS_PER_SECOND));
  row.best_lap = race_text("(%d)", best);
  row.viewed = r.slot == viewed_slot;
  return row;
}

std::string overlay_penalty_line(const RaceControl& rc, const RaceResult& r) {
  std::string line = race_text("%3s penalized ", rc.entrants[r.slot].number.c_str());
  if (r.laps_removed > 0) line += race_text("%d %s ", r.laps_removed, r.laps_removed == 1 ? "lap" : "laps");
  line += race_text("%.2f seconds for cutting track", double(r.penalty) / TICS_PER_SECOND);
  return line;
}

}  // namespace

OverlayResults overlay_results(const RaceControl& rc, const LapRace& laps, int viewed_slot) {
  OverlayResults out;
  int count = overlay_results_count(rc);
  // An empty results order has no winner to wait for and nothing to list.
  if (count == 0 || !overlay_slot_ok(rc.results[0].slot)) return out;
  if (!rc.results_final && !laps.riders[rc.results[0].slot].finished) return out;

  out.shown = true;
  out.title = rc.results_final ? "Final Results" : "Unofficial Results";
  out.columns = {"Pos.", "No.", "Lap", "Gap", "Best Time", "BLap"};
  const RaceResult* ahead = nullptr;
  for (int i = 0; i < count; ++i) {
    const RaceResult& r = rc.results[i];
    if (!overlay_slot_ok(r.slot)) continue;
    if (!rc.results_final && !laps.riders[r.slot].finished) continue;
    OverlayResultRow row = overlay_result_row(rc, laps, r, i + 1, ahead ? r.tic - ahead->tic : 0, viewed_slot);
    row.shaded = out.rows.size() % 2 == 1;
    out.rows.push_back(row);
    ahead = &r;
  }
  if (!rc.results_final) return out;

  out.total_time = "Total Race Time: " + race_time_text(rc.results[0].tic - laps.start_tic);
  for (int i = 0; i < count; ++i) {
    const RaceResult& r = rc.results[i];
    if (!overlay_slot_ok(r.slot)) continue;
    // Laps taken away are told even when no time was left over to add.
    if (r.tic > r.last || r.laps_removed > 0) out.penalties.push_back(overlay_penalty_line(rc, r));
  }
  return out;
}

std::vector<OverlayTickerEntry> overlay_ticker(const RaceControl& rc, const LapRace& laps, const RaceRiders& riders) {
  std::vector<OverlayTickerEntry> out;
  int count = overlay_results_count(rc);
  if (count == 0 || !overlay_slot_ok(rc.results[0].slot)) return out;
  bool spectating = riders.connected && riders.spectating;
  int leader = rc.results[0].slot;
  for (int i = 0; i < count; ++i) {
    int slot = rc.results[i].slot;
    if (!overlay_slot_ok(slot)) continue;
    if (spectating) {
      if (slot == riders.own_slot) continue;
      if (riders.kind[slot] != RACE_RIDER_STATES && riders.kind[slot] != RACE_RIDER_ROBOT) continue;
    }
    OverlayTickerEntry e;
    e.slot = slot;
    e.position = race_text("%d", i + 1);
    e.number = overlay_number(rc, slot);
    e.name = rc.entrants[slot].name;
    int g = laps.riders[slot].gates;
    if (i >= 1 && g >= 1) {
      int64_t mine = laps_crossing_tic(laps, slot, g - 1);
      int64_t theirs = laps_crossing_tic(laps, leader, g - 1);
      if (mine != -1 && theirs != -1) e.gap = overlay_seconds(mine - theirs);
    }
    out.push_back(e);
  }
  return out;
}

OverlayLapFlag overlay_lap_flag(const LapRace& laps) {
  OverlayLapFlag flag;
  if (!laps.timing || laps.normal_lap <= 0 || laps.order_count <= 0) return flag;
  flag.shown = true;
  int h = laps_completed(laps, laps.order[0].slot);
  // Finish laps not yet set by the race mode: no lap is the last one.
  bool set = laps.finish_laps > 0;
  if (set && h >= laps.finish_laps) {
    flag.chequered = true;
    return flag;
  }
  flag.last_lap = set && h + 1 == laps.finish_laps;
  flag.text = race_text("Lap %d", h + 1);
  return flag;
}

std::vector<std::string> overlay_text_lines(const OverlayTextInput& in) {
  std::vector<std::string> out;
  if (in.draw_fps) out.push_back(race_text("FPS - %d", in.fps));
  if (in.draw_time) {
    int64_t t = std::max<int64_t>(in.race_tics, 0);
    int64_t seconds = t / TICS_PER_SECOND;
    int tenth = int(t % TICS_PER_SECOND * 10 / TICS_PER_SECOND);
    out.push_back(race_text("Time - %lld:%02d.%d ", (long long)(seconds / 60), int(seconds % 60), tenth));
  }
  if (in.draw_ping && in.connected)
    out.push_back(race_text("Ping - %dms (%dms offset)", in.ping_ms, in.offset_ms));
  if (in.draw_speed) out.push_back(race_text("Speed - %.2f", in.speed * MPH_PER_FOOT_PER_SECOND));
  if (in.render_stats) out.insert(out.end(), in.render_stat_lines.begin(), in.render_stat_lines.end());
  if (in.dabbing) out.push_back("Dabbing!");
  if (in.message_lines > 0) {
    size_t shown = std::min(in.messages.size(), size_t(in.message_lines));
    out.insert(out.end(), in.messages.end() - std::ptrdiff_t(shown), in.messages.end());
  }
  return out;
}
