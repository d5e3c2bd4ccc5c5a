// Setting a loaded track's race going: the simulation world is pointed at
// the track, its riders (already on the grid) are made ready, the lap timing
// is built from the track's gates and the race control set for the mode, all
// on the race clock the track loader set. Also the time trial's start line.
#pragma once

#include "bike/sim_tic.h"
#include "race/lap_timing.h"
#include "race/race_control.h"
#include "track/track_load.h"

void race_begin(SimWorld& world, LapRace& laps, RaceControl& control, int mode, CurrentTrack& track,
                const RaceClock& clock);
// The mode a load request starts.
int race_mode_of(const TrackLoadRequest& request);
// A time trial's attempt starts (or starts again): the rider's bike is reset
// at the timing gate three gates before the end of lap 1 (index F - 3, at
// least 0), facing along the track and raised until clear of the ground, and
// his gate counter is set to that index. False when the race has no gates
// or the slot no bike.
bool race_time_trial_place(SimWorld& world, LapRace& laps, int slot);
