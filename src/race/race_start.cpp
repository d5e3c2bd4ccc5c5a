#include "race/race_start.h"

#include <cmath>

#include "bike/bike_sim.h"

void race_begin(SimWorld& w, LapRace& laps, RaceControl& control, int mode, CurrentTrack& track,
                const RaceClock& clock) {
  w.terrain = &track.terrain;
  w.surfaces = &track.surfaces;
  w.scenery = &track.scenery;
  w.gates = &track.gates;
  sim_race_start(w);
  w.start_tic = clock.start_tic;
  w.tic = clock.first_tic;
  w.erosion_level = clock.erosion;
  laps_build(laps, track.gates);
  laps_reset_riders(laps);
  race_control_begin(control, laps, mode, clock, track.folder);
  if (mode == RACE_MODE_TIME_TRIAL)
    for (int slot : sim_occupied(w)) race_time_trial_place(w, laps, slot);
}

int race_mode_of(const TrackLoadRequest& r) {
  if (r.multiplayer) return RACE_MODE_MULTIPLAYER;
  if (!r.lineup) return RACE_MODE_TIME_TRIAL;
  if (r.demo) return RACE_MODE_PLAYBACK;
  return RACE_MODE_NEW;
}

bool race_time_trial_place(SimWorld& w, LapRace& laps, int slot) {
  if (slot < 0 || size_t(slot) >= w.slots.size() || slot >= LAPS_SLOTS || !w.slots[size_t(slot)].bike) return false;
  if (!laps.timing || laps.gates.empty()) return false;
  int index = laps.first_lap - 3 > 0 ? laps.first_lap - 3 : 0;
  int g = laps_sequence_gate(laps, index);
  if (g < 0 || size_t(g) >= laps.gates.size()) return false;
  const LapGate& gate = laps.gates[size_t(g)];
  // Along the track: the gate's own direction, else towards the next gate.
  double dx = gate.dx, dz = gate.dz;
  if (dx == 0 && dz == 0) {
    int next = laps_sequence_gate(laps, index + 1);
    if (next >= 0 && size_t(next) < laps.gates.size()) {
      dx = laps.gates[size_t(next)].x - gate.x;
      dz = laps.gates[size_t(next)].z - gate.z;
    }
  }
  double heading = dx == 0 && dz == 0 ? 0 : std::atan2(-dx, -dz);
  BikeSim& bike = *w.slots[size_t(slot)].bike;
  bike_sim_reset(bike);
  sim_place_rider(w.terrain, bike, SimGridPlace{gate.x, gate.z, heading});
  laps_set_gate_counter(laps, slot, index, &bike);
  return true;
}
