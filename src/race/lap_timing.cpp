// The race's gate list, the riders' crossing lists and what they say about
// laps: sequence mapping, counters, lap counts and lap times.
#include "race/lap_timing.h"

#include <algorithm>
#include <cmath>

#include "bike/bike_sim.h"
#include "track/gates.h"

static bool laps_slot_ok(int slot) { return slot >= 0 && slot < LAPS_SLOTS; }

void laps_build(LapRace& race, const GateSet& gates) {
  race.gates.clear();
  race.first_lap = race.normal_lap = 0;
  race.timing = false;
  laps_reset_riders(race);

  if (!gates_valid(gates)) return;
  size_t length = size_t(gates.first_lap_length) + size_t(gates.normal_lap_length);
  if (gates.sequence.size() < length) return;
  std::vector<LapGate> list;
  list.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    int entry = gates.sequence[i];
    int checkpoint = gates_entry_checkpoint(entry);
    if (entry < 0 || checkpoint >= int(gates.checkpoints.size())) return;
    const Checkpoint& cp = gates.checkpoints[size_t(checkpoint)];
    LapGate g;
    g.x = cp.position[0];
    g.z = cp.position[2];
    double dx = cp.direction[0], dz = cp.direction[2];
    double length_xz = std::sqrt(dx * dx + dz * dz);
    if (length_xz > 0) {
      g.dx = dx / length_xz;
      g.dz = dz / length_xz;
    }
    g.radius = cp.size;
    g.entry = entry;
    list.push_back(g);
  }
  race.gates = std::move(list);
  race.first_lap = gates.first_lap_length;
  race.normal_lap = gates.normal_lap_length;
  race.timing = true;
}

void laps_reset_rider(LapRace& race, int slot) {
  if (!laps_slot_ok(slot)) return;
  LapRider& r = race.riders[slot];
  r.gates = 0;
  r.crossings.clear();
  r.finished = false;
}

void laps_reset_riders(LapRace& race) {
  for (int s = 0; s < LAPS_SLOTS; ++s) laps_reset_rider(race, s);
  race.order_count = 0;
}

bool laps_set_crossing(LapRace& race, int slot, int index, int64_t tic) {
  if (!laps_slot_ok(slot) || index < 0 || index >= LAPS_CROSSINGS_MAX || tic < -1) return false;
  std::vector<int64_t>& list = race.riders[slot].crossings;
  if (list.size() <= size_t(index)) list.resize(size_t(index) + 1, -1);
  list[size_t(index)] = tic;
  return true;
}

void laps_set_gate_counter(LapRace& race, int slot, int n, BikeSim* bike) {
  if (!laps_slot_ok(slot)) return;
  LapRider& r = race.riders[slot];
  n = std::clamp(n, 0, int(LAPS_CROSSINGS_MAX));
  if (n < r.gates) r.finished = false;
  r.gates = n;
  if (r.crossings.size() > size_t(n)) r.crossings.resize(size_t(n));
  if (bike) bike->spoiled = false;
}

void laps_cut_to_tic(LapRace& race, int64_t tic) {
  for (LapRider& r : race.riders) {
    bool cut = false;
    for (int64_t& t : r.crossings)
      if (t >= tic) {
        t = -1;
        cut = true;
      }
    if (!cut) continue;
    // The counter stands one past the gate passed last in time (going back
    // to a skipped gate makes that one the last).
    int latest = -1;
    for (size_t k = 0; k < r.crossings.size(); ++k)
      if (r.crossings[k] != -1 && (latest < 0 || r.crossings[k] >= r.crossings[size_t(latest)])) latest = int(k);
    r.gates = latest + 1;
    while (!r.crossings.empty() && r.crossings.back() == -1) r.crossings.pop_back();
    // Whether he had finished by then is for the finish rule to say again.
    r.finished = false;
  }
  laps_refresh_order(race);
}

int laps_sequence_gate(const LapRace& race, int64_t k) {
  if (k < 0) return -1;
  if (k < race.first_lap) return int(k);
  if (race.normal_lap <= 0) return -1;
  return race.first_lap + int((k - race.first_lap) % race.normal_lap);
}

bool laps_ends_lap(const LapRace& race, int64_t k) {
  if (race.normal_lap <= 0) return false;
  int64_t m = k - race.first_lap + 1;
  return m >= 0 && m % race.normal_lap == 0;
}

int64_t laps_crossing_tic(const LapRace& race, int slot, int64_t index) {
  if (!laps_slot_ok(slot) || index < 0) return -1;
  const std::vector<int64_t>& list = race.riders[slot].crossings;
  return size_t(index) < list.size() ? list[size_t(index)] : -1;
}

int laps_gate_counter(const LapRace& race, int slot) { return laps_slot_ok(slot) ? race.riders[slot].gates : 0; }

int laps_completed(const LapRace& race, int slot) {
  if (!laps_slot_ok(slot) || !race.timing || race.normal_lap <= 0) return 0;
  int c = race.riders[slot].gates;
  return c >= race.first_lap ? (c - race.first_lap) / race.normal_lap + 1 : 0;
}

int laps_gates_into_lap(const LapRace& race, int slot) {
  if (!laps_slot_ok(slot)) return 0;
  int c = race.riders[slot].gates;
  if (race.timing && race.normal_lap > 0 && c >= race.first_lap) return (c - race.first_lap) % race.normal_lap + 1;
  return c;
}

// The sequence index that ends lap n (n >= 1).
static int64_t laps_lap_end(const LapRace& race, int64_t n) {
  return race.first_lap + int64_t(race.normal_lap) * (n - 1) - 1;
}

double laps_lap_time(const LapRace& race, int slot, int lap) {
  int done = laps_completed(race, slot);
  if (lap < 0) lap = done;
  if (lap == 0 || lap > done) return 0;
  int64_t end = laps_crossing_tic(race, slot, laps_lap_end(race, lap));
  int64_t begin = lap == 1 ? race.start_tic : laps_crossing_tic(race, slot, laps_lap_end(race, lap - 1));
  if (end == -1 || begin == -1) return 0;
  return double(end - begin) * LAPS_TIC;
}

int laps_best_lap(const LapRace& race, int slot, double* seconds) {
  int done = laps_completed(race, slot);
  int best = 0;
  double best_time = 0;
  if (done >= 2) {
    best = 2;
    best_time = laps_lap_time(race, slot, 2);
    for (int lap = 3; lap <= done; ++lap) {
      double t = laps_lap_time(race, slot, lap);
      if (best_time == 0 || (t != 0 && t < best_time)) {
        best = lap;
        best_time = t;
      }
    }
  }
  if (seconds) *seconds = best_time;
  return best;
}
