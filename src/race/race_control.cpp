// Race control: the race's set-up per mode, the finish laps of a timed race,
// the cutting penalty, the results order and when it becomes final.
#include "race/race_control.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "bike/sim_tic.h"
#include "track/track_load.h"
#include "vfs/vfs.h"

namespace {

constexpr int64_t TICS_PER_SECOND = 128;

bool slot_ok(int slot) { return slot >= 0 && slot < LAPS_SLOTS; }

// The crossing tic of index k, the start (index -1) being the gate drop.
int64_t crossing_or_start(const LapRace& laps, int slot, int64_t k) {
  if (k < 0) return laps.start_tic;
  return laps_crossing_tic(laps, slot, k);
}

// The rider's time from index a to index b, when he crossed both and every
// gate between; -1 otherwise.
int64_t stretch_once(const LapRace& laps, int slot, int64_t a, int64_t b) {
  for (int64_t k = std::max<int64_t>(a, 0); k <= b; ++k)
    if (laps_crossing_tic(laps, slot, k) == -1) return -1;
  int64_t ta = crossing_or_start(laps, slot, a);
  if (ta == -1) return -1;
  return laps_crossing_tic(laps, slot, b) - ta;
}

// Another rider's own time for the stretch a..b: the same two gates when it
// starts in the first lap, else the average over every lap where he rode
// the corresponding stretch whole. Negative when he has none.
double stretch_reference(const LapRace& laps, int slot, int64_t a, int64_t b) {
  if (a < laps.first_lap || laps.normal_lap <= 0) {
    int64_t t = stretch_once(laps, slot, a, b);
    return t < 0 ? -1.0 : double(t);
  }
  int64_t position = (a - laps.first_lap) % laps.normal_lap, length = b - a;
  int64_t known = int64_t(laps.riders[slot].crossings.size());
  double sum = 0;
  int count = 0;
  for (int64_t start = laps.first_lap + position; start + length < known; start += laps.normal_lap) {
    int64_t t = stretch_once(laps, slot, start, start + length);
    if (t < 0) continue;
    sum += double(t);
    ++count;
  }
  return count ? sum / count : -1.0;
}

void sort_results(RaceResult* r, int n) {
  std::sort(r, r + n, [](const RaceResult& a, const RaceResult& b) {
    if (a.gates != b.gates) return a.gates > b.gates;
    if (a.tic != b.tic) return a.tic < b.tic;
    return a.slot < b.slot;
  });
}

// "%3d:%02d.%03d" and friends: minutes, seconds and milliseconds of a span.
void split_time(int64_t tics, int64_t& minutes, int& seconds, int& ms) {
  if (tics < 0) tics = 0;
  int64_t total = tics * 1000 / TICS_PER_SECOND;
  minutes = total / 60000;
  seconds = int(total / 1000 % 60);
  ms = int(total % 1000);
}

}  // namespace

std::string race_text(const char* f, ...) {
  char buffer[256];
  va_list args;
  va_start(args, f);
  int n = vsnprintf(buffer, sizeof buffer, f, args);
  va_end(args);
  if (n < 0) return std::string();
  if (size_t(n) < sizeof buffer) return std::string(buffer, size_t(n));
  std::string out(size_t(n) + 1, '\0');
  va_start(args, f);
  vsnprintf(out.data(), out.size(), f, args);
  va_end(args);
  out.resize(size_t(n));
  return out;
}

int race_laps_of_gates(const LapRace& laps, int gates) {
  if (!laps.timing || laps.normal_lap <= 0 || gates < laps.first_lap) return 0;
  return (gates - laps.first_lap) / laps.normal_lap + 1;
}

RaceEntrant race_robot_entrant(const SlotRider& rider, const char* bike) {
  RaceEntrant e;
  e.bike = bike ? bike : "";
  e.number = rider.robot >= 0 && rider.robot < ROSTER_SIZE ? robot_roster()[rider.robot].number : "";
  e.name = "Roborider";
  return e;
}

// --- Set-up -------------------------------------------------------------------

void race_control_reset(RaceControl& rc) { rc = RaceControl{}; }

void race_control_begin(RaceControl& rc, LapRace& laps, int mode, const RaceClock& clock,
                        const std::string& track_folder) {
  rc.mode = mode;
  rc.time_limit = std::max<int64_t>(clock.time_limit, 0);
  rc.lap_count = std::max(clock.lap_count, 0);
  rc.results_final = false;
  rc.results_count = 0;
  rc.rider_count = 0;
  size_t cut = track_folder.find_last_of('/');
  rc.track_name = cut == std::string::npos ? track_folder : track_folder.substr(cut + 1);
  laps.start_tic = clock.start_tic;
  if (rc.time_limit > 0) {
    laps.finish_laps = RACE_UNSET;
    rc.half_race_lap = RACE_UNSET;
  } else {
    laps.finish_laps = rc.lap_count;
    rc.half_race_lap = (rc.lap_count + 1) / 2;
  }
}

RaceRiders race_riders(const SimWorld& w) {
  RaceRiders r;
  for (int slot = 0; slot < LAPS_SLOTS && size_t(slot) < w.slots.size(); ++slot) {
    const SimSlot& s = w.slots[size_t(slot)];
    if (!s.bike) continue;
    r.present[slot] = true;
    r.kind[slot] = s.kind == SIM_LOCAL ? RACE_RIDER_LOCAL : (s.kind == SIM_ROBOT ? RACE_RIDER_ROBOT : RACE_RIDER_STATES);
    r.newest_state[slot] = s.history.entry[s.history.head].tic;
  }
  r.now = w.tic;
  r.connected = w.connected;
  r.spectating = w.spectating;
  r.own_slot = w.own_slot;
  return r;
}

std::string race_length_text(int64_t time_limit, int lap_count) {
  if (time_limit <= 0) return race_text("%d laps", lap_count);
  int minutes = int(std::lround(double(time_limit) / TICS_PER_SECOND / 60.0));
  if (lap_count <= 0) return race_text("%d minutes", minutes);
  return race_text("%d minutes + %d laps", minutes, lap_count);
}

std::string race_time_text(int64_t tics) {
  int64_t minutes;
  int seconds, ms;
  split_time(tics, minutes, seconds, ms);
  return race_text("%lld:%02d.%03d", (long long)minutes, seconds, ms);
}

// --- Standings ----------------------------------------------------------------

void race_finish_laps_update(RaceControl& rc, LapRace& laps, int64_t now) {
  if (rc.time_limit <= 0 || laps.order_count <= 0) return;
  const LapStanding& leader = laps.order[0];
  if (rc.half_race_lap == RACE_UNSET && now >= laps.start_tic + rc.time_limit / 2) {
    int g = leader.gates;
    rc.half_race_lap = g < laps.first_lap || laps.normal_lap <= 0 ? 1 : (g - laps.first_lap) / laps.normal_lap + 2;
  }
  int64_t end_of_time = laps.start_tic + rc.time_limit;
  if (now < end_of_time || laps.normal_lap <= 0 || !laps.timing) return;
  int64_t w = std::max<int64_t>(1, std::min<int64_t>(laps_completed(laps, leader.slot), laps.finish_laps));
  // Each pass moves on a lap; the crossing lists end at LAPS_CROSSINGS_MAX.
  for (;;) {
    int64_t end = (w - 1) * laps.normal_lap + laps.first_lap - 1;
    if (end < 0 || end >= LAPS_CROSSINGS_MAX) return;
    int64_t earliest = -1;
    for (int i = 0; i < laps.order_count; ++i) {
      int64_t t = laps_crossing_tic(laps, laps.order[i].slot, end);
      if (t != -1 && (earliest == -1 || t < earliest)) earliest = t;
    }
    if (earliest == -1) return;
    if (earliest >= end_of_time) {
      laps.finish_laps = int(std::min<int64_t>(laps.finish_laps, rc.lap_count + w));
      return;
    }
    laps.finish_laps = int(std::max<int64_t>(laps.finish_laps, rc.lap_count + w + 1));
    ++w;
  }
}

int race_excluded_slot(const RaceRiders& riders) {
  return riders.connected && riders.spectating ? riders.own_slot : -1;
}

double race_cutting_penalty(const LapRace& laps, int slot, int excluded_slot) {
  if (!slot_ok(slot)) return 0;
  const std::vector<int64_t>& list = laps.riders[slot].crossings;
  double penalty = 0;
  int64_t missed = 0;
  for (int64_t j = 0; j < int64_t(list.size()); ++j) {
    if (list[size_t(j)] == -1) {
      ++missed;
      continue;
    }
    if (missed > 0) {
      int64_t a = j - missed - 1, b = j;
      double sum = 0;
      int count = 0;
      for (int i = 0; i < laps.order_count; ++i) {
        int other = laps.order[i].slot;
        if (other == excluded_slot) continue;
        double t = stretch_reference(laps, other, a, b);
        if (t < 0) continue;
        sum += t;
        ++count;
      }
      double expected = (count ? sum / count : 60.0 * TICS_PER_SECOND) + TICS_PER_SECOND;
      int64_t from = crossing_or_start(laps, slot, a);
      double own = double(list[size_t(j)] - (from == -1 ? 0 : from));
      if (own < expected) penalty += expected - own;
    }
    missed = 0;
  }
  return penalty;
}

void race_results_order(RaceControl& rc, const LapRace& laps, int excluded_slot) {
  rc.results_count = 0;
  for (int i = 0; i < laps.order_count; ++i) {
    const LapStanding& s = laps.order[i];
    RaceResult r;
    r.slot = s.slot;
    r.gates = s.gates;
    r.last = s.tic;
    double p = race_cutting_penalty(laps, s.slot, excluded_slot);
    if (laps_completed(laps, s.slot) >= 2) {
      double seconds = 0;
      laps_best_lap(laps, s.slot, &seconds);
      double best = std::round(seconds * TICS_PER_SECOND);
      // A best lap of no time (crossings missing) takes nothing away.
      while (best > 0 && p > best && r.gates > laps.first_lap) {
        r.gates -= laps.normal_lap;
        p -= best;
        ++r.laps_removed;
      }
    }
    r.penalty = int64_t(std::llround(p));
    r.tic = r.last + r.penalty;
    rc.results[rc.results_count++] = r;
  }
  sort_results(rc.results, rc.results_count);
}

bool race_results_ready(LapRace& laps, const RaceRiders& riders) {
  for (int i = 0; i < laps.order_count; ++i) {
    int slot = laps.order[i].slot;
    if (laps_finished(laps, slot)) continue;
    if (!riders.connected) {
      if (riders.kind[slot] != RACE_RIDER_STATES) return false;
      int64_t newest = riders.newest_state[slot];
      if (newest >= 0 && riders.now - newest <= 10 * TICS_PER_SECOND) return false;
    } else {
      if (slot == riders.own_slot) {
        if (riders.spectating) continue;
        return false;
      }
      int64_t newest = riders.newest_state[slot];
      if (newest >= 0 && riders.now - newest < TICS_PER_SECOND) return false;
    }
  }
  return true;
}

bool race_update_standings(RaceControl& rc, LapRace& laps, const RaceRiders& riders, Vfs* vfs, int64_t date) {
  if (rc.results_final) return false;
  laps_running_order(laps, riders.present);
  rc.rider_count = laps.order_count;
  race_finish_laps_update(rc, laps, riders.now);
  int excluded = race_excluded_slot(riders);
  race_results_order(rc, laps, excluded);
  if (!race_results_ready(laps, riders)) return false;
  if (vfs) race_results_write(rc, laps, *vfs, date);
  rc.results_final = true;
  return true;
}

// --- Results file -------------------------------------------------------------

std::string race_results_text(const RaceControl& rc, const LapRace& laps, int64_t date) {
  if (rc.results_count <= 0 || !laps.riders[rc.results[0].slot].finished) return std::string();
  std::string out;
  out += race_text("Time=%.2f|Laps=%d|Track=%s|Date=%ld\r\n", double(rc.time_limit) / TICS_PER_SECOND, rc.lap_count,
                rc.track_name.c_str(), long(date));
  out += race_text("%4s | %12s | %4s | %10s | %4s | %10s\r\n", "No.", "Bike", "Laps", "Total Time", "BLap", "Best Time");
  for (int i = 0; i < rc.results_count; ++i) {
    const RaceResult& r = rc.results[i];
    if (!laps.riders[r.slot].finished) continue;
    const RaceEntrant& e = rc.entrants[r.slot];
    int64_t minutes;
    int seconds, ms;
    split_time(r.tic - laps.start_tic, minutes, seconds, ms);
    out += race_text("%4s | %12s | %4d | %3lld:%02d.%03d | ", e.number.c_str(), e.bike.c_str(),
                  race_laps_of_gates(laps, r.gates), (long long)minutes, seconds, ms);
    double best_seconds = 0;
    int best = laps_best_lap(laps, r.slot, &best_seconds);
    split_time(std::llround(best_seconds * TICS_PER_SECOND), minutes, seconds, ms);
    out += race_text("%4d | %3lld:%02d.%03d\r\n", best, (long long)minutes, seconds, ms);
  }
  for (int i = 0; i < rc.results_count; ++i) {
    const RaceResult& r = rc.results[i];
    const LapRider& rider = laps.riders[r.slot];
    if (!rider.finished) continue;
    out += "\r\n";
    out += race_text("%d\r\n", rider.gates);
    std::string line;
    int in_lap = 0;
    for (int k = 0; k < rider.gates; ++k) {
      int64_t t = laps_crossing_tic(laps, r.slot, k);
      if (in_lap) line += " ";
      line += t == -1 ? race_text("%8d", -1) : race_text("%8.3f", double(t - laps.start_tic) / TICS_PER_SECOND);
      ++in_lap;
      if (laps_ends_lap(laps, k)) {
        out += line + "\r\n";
        line.clear();
        in_lap = 0;
      }
    }
    if (in_lap) out += line + "\r\n";
  }
  return out;
}

bool race_results_write(const RaceControl& rc, const LapRace& laps, Vfs& vfs, int64_t date) {
  std::string text = race_results_text(rc, laps, date);
  if (text.empty()) return false;
  VfsFile* f = vfs_open(vfs, "@results.txt", "wb");
  if (!f) return false;
  bool ok = vfs_write(f, text.data(), int(text.size())) == int(text.size());
  vfs_close(f);
  return ok;
}
