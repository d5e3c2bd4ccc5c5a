// The per-tic gate test: which timing gate the front wheel has just passed,
// with limited skipping ahead and going back for a skipped gate, and the lap
// end and finish that follow from it.
#include <ode/ode.h>

#include "bike/bike_sim.h"
#include "race/lap_timing.h"

// Whether (x, z) lies in the gate's half disc on the passed side.
static bool laps_inside(const LapGate& g, double x, double z) {
  double ox = x - g.x, oz = z - g.z;
  return ox * ox + oz * oz <= g.radius * g.radius && ox * g.dx + oz * g.dz >= 0;
}

// A lap has just ended with counter c: the finished flag is set unless the
// race is still on for this rider.
static bool laps_lap_end_finishes(const LapRace& race, int slot) {
  if (race.finish_laps <= 0) return true;
  if (laps_leader_finish_tic(race) != -1) return true;
  return laps_completed(race, slot) >= race.finish_laps;
}

LapPass laps_gate_test(LapRace& race, int slot, double x, double z, int64_t tic, const LapPassHook* hook) {
  LapPass pass;
  if (!race.timing || slot < 0 || slot >= LAPS_SLOTS) return pass;
  LapRider& r = race.riders[slot];
  if (r.finished) return pass;

  // j = -1, the gate just passed, is never tested again.
  static const int offsets[5] = {-3, -2, 0, 1, 2};
  int c = r.gates;
  int accepted = -1;
  for (int j : offsets) {
    int k = c + j;
    if (k < 0) continue;
    if (k >= LAPS_CROSSINGS_MAX) break;  // the list holds no more
    int g = laps_sequence_gate(race, k);
    if (g < 0 || size_t(g) >= race.gates.size()) break;  // no gates beyond a track without laps
    bool missing = size_t(k) >= r.crossings.size() || r.crossings[size_t(k)] == -1;
    if (laps_inside(race.gates[size_t(g)], x, z)) {
      if (j >= 0 || missing) {
        accepted = k;
        break;
      }
      continue;
    }
    // The gates after a lap end that has not been passed are not tested.
    if (missing && laps_ends_lap(race, k)) break;
  }
  if (accepted < 0) return pass;

  laps_set_crossing(race, slot, accepted, tic);
  if (hook && hook->passed) hook->passed(hook->context, slot, accepted, tic);
  r.gates = accepted + 1;
  pass.index = accepted;

  int since_first = r.gates - race.first_lap;
  if (race.normal_lap > 0 && since_first >= 0 && since_first % race.normal_lap == 0 && !r.finished) {
    pass.lap_ended = true;
    if (laps_lap_end_finishes(race, slot)) {
      r.finished = true;
      pass.finished = true;
    }
  }
  return pass;
}

LapPass laps_gate_test_bike(LapRace& race, const BikeSim& bike, int64_t tic, const LapPassHook* hook) {
  if (!bike.body[BIKE_FRONT_WHEEL]) return LapPass{};
  const dReal* p = dBodyGetPosition(bike.body[BIKE_FRONT_WHEEL]);
  return laps_gate_test(race, bike.slot, double(p[0]), double(p[2]), tic, hook);
}
