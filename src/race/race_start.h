// Setting a loaded track's race going: the simulation world is pointed at
// the track, its riders (already on the grid) are made ready, and the lap
// timing is built from the track's gates, all on the race clock the track
// loader set.
#pragma once

#include "bike/sim_tic.h"
#include "race/lap_timing.h"
#include "track/track_load.h"

void race_begin(SimWorld& world, LapRace& laps, CurrentTrack& track, const RaceClock& clock);
