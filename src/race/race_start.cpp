#include "race/race_start.h"

void race_begin(SimWorld& w, LapRace& laps, CurrentTrack& track, const RaceClock& clock) {
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
  laps.start_tic = clock.start_tic;
  laps.finish_laps = clock.laps;
}
