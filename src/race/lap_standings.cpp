// Where the riders stand: the running order, the finish rule and the
// off-course test, all read from the crossing lists.
#include <algorithm>

#include "race/lap_timing.h"

// The running order's entry for a slot as it stands now.
static LapStanding laps_standing(const LapRace& race, int slot) {
  LapStanding s;
  s.slot = slot;
  s.gates = race.riders[slot].gates;
  int64_t t = s.gates >= 1 ? laps_crossing_tic(race, slot, s.gates - 1) : 0;
  s.tic = t == -1 ? 0 : t;
  return s;
}

static void laps_sort_order(LapRace& race) {
  std::sort(race.order, race.order + race.order_count, [](const LapStanding& a, const LapStanding& b) {
    if (a.gates != b.gates) return a.gates > b.gates;
    if (a.tic != b.tic) return a.tic < b.tic;
    return a.slot < b.slot;
  });
}

void laps_running_order(LapRace& race, const bool occupied[LAPS_SLOTS]) {
  race.order_count = 0;
  for (int slot = 0; slot < LAPS_SLOTS; ++slot)
    if (occupied[slot]) race.order[race.order_count++] = laps_standing(race, slot);
  laps_sort_order(race);
}

void laps_refresh_order(LapRace& race) {
  for (int i = 0; i < race.order_count; ++i) race.order[i] = laps_standing(race, race.order[i].slot);
  laps_sort_order(race);
}

int64_t laps_finish_index(const LapRace& race) {
  if (race.finish_laps <= 0) return 0;
  return race.first_lap + int64_t(race.normal_lap) * (race.finish_laps - 1) - 1;
}

int64_t laps_leader_finish_tic(const LapRace& race) {
  if (race.order_count <= 0) return -1;
  int leader = race.order[0].slot;
  int64_t e = laps_finish_index(race);
  if (race.riders[leader].gates <= e) return -1;
  return laps_crossing_tic(race, leader, e);
}

bool laps_finished(LapRace& race, int slot) {
  if (slot < 0 || slot >= LAPS_SLOTS || !race.timing || race.normal_lap <= 0) return false;
  LapRider& r = race.riders[slot];
  if (r.finished) return true;
  int64_t leader_tic = laps_leader_finish_tic(race);
  if (leader_tic == -1) return false;
  // The last lap end he passed (index 0 while still in the first lap).
  int c = r.gates;
  int64_t last_end = c >= race.first_lap
                         ? race.first_lap + int64_t(race.normal_lap) * ((c - race.first_lap) / race.normal_lap) - 1
                         : 0;
  int64_t t = laps_crossing_tic(race, slot, last_end);
  if (t == -1 || t < leader_tic) return false;
  r.finished = true;
  return true;
}

bool laps_off_course(const LapRace& race, int slot, int64_t now) {
  if (slot < 0 || slot >= LAPS_SLOTS) return false;
  int c = race.riders[slot].gates;
  if (c <= 0) return true;
  for (int i = std::max(1, c - 3); i <= c; ++i) {
    // The stretch into gate i: from the latest known crossing of the three
    // gates before it (or the start) to the first known one from i on (or now).
    int64_t a = race.start_tic;
    for (int k = i - 1; k >= std::max(0, i - 3); --k) {
      int64_t t = laps_crossing_tic(race, slot, k);
      if (t != -1) {
        a = t;
        break;
      }
    }
    int64_t b = now;
    for (int k = i; k <= c - 1; ++k) {
      int64_t t = laps_crossing_tic(race, slot, k);
      if (t != -1) {
        b = t;
        break;
      }
    }
    // The reference: the first rider from the front who timed gates i - 1
    // and i, as long as the riders walked past are beyond gate i.
    int reference = -1;
    for (int p = 0; p < race.order_count; ++p) {
      int other = race.order[p].slot;
      if (race.riders[other].gates <= i) break;
      if (laps_crossing_tic(race, other, i - 1) != -1 && laps_crossing_tic(race, other, i) != -1) {
        reference = other;
        break;
      }
    }
    if (reference < 0) continue;
    int64_t r = laps_crossing_tic(race, reference, i) - laps_crossing_tic(race, reference, i - 1);
    if (double(b - a) * LAPS_TIC >= race.off_course_scale * double(r) * LAPS_TIC + race.off_course_bias) return true;
  }
  return false;
}
