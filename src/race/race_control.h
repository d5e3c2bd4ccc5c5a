// Race control: what kind of race runs, when a race of minutes plus laps is
// over, who stands where, how cutting the track is punished, when the
// results are final, and the results file. The gate crossings themselves
// are the lap timing's (race/lap_timing.h); this side reads them.
//
// All times are tics of 1/128 s unless a name says seconds.
#pragma once
#include <cstdint>
#include <string>

#include "race/lap_timing.h"
#include "track/track_roster.h"

struct SimWorld;
struct Vfs;
struct RaceClock;

enum {
  RACE_UNSET = 1000000,  // finish laps and half-race lap of a timed race not yet fixed
};

// How the race was started (the track loader's arguments follow from it).
enum RaceMode {
  RACE_MODE_NEW = 0,          // the New Race menu
  RACE_MODE_TIME_TRIAL = 1,   // the player alone, 1000 laps, the fastest lap as a ghost
  RACE_MODE_SERIES = 2,       // a points series event
  RACE_MODE_PLAYBACK = 3,     // a demo, perhaps raced against
  RACE_MODE_MULTIPLAYER = 4,  // a race server's race
};

// Who drives a slot, as far as the finality of the results cares.
enum RaceRiderKind {
  RACE_RIDER_LOCAL = 0,   // this machine's player
  RACE_RIDER_ROBOT = 1,   // a robot run here
  RACE_RIDER_STATES = 2,  // shown from received or recorded states (remote or demo rider)
};

// A slot's rider as the results name him.
struct RaceEntrant {
  std::string number;  // plate number, up to 3 characters
  std::string bike;    // bike name
  std::string name;    // rider name
};

// One place of the results order.
struct RaceResult {
  int slot = 0;
  int gates = 0;        // gate count, less the laps the penalty took away
  int64_t tic = 0;      // last crossing tic plus the remaining penalty
  int64_t last = 0;     // last crossing tic (0 when none)
  int laps_removed = 0; // laps the cutting penalty took away
  int64_t penalty = 0;  // penalty left after the removed laps, tics
};

// What the standings need to know of the riders beyond their crossings:
// who is present, who drives them, and how fresh their states are.
struct RaceRiders {
  bool present[LAPS_SLOTS] = {};
  int kind[LAPS_SLOTS] = {};             // RaceRiderKind
  int64_t newest_state[LAPS_SLOTS] = {}; // tic of the newest stored state, -1 when none
  int64_t now = 0;                       // the current tic
  bool connected = false;                // riding on a race server
  bool spectating = false;               // connected without a bike
  int own_slot = -1;                     // this machine's slot while connected
};

// The race in progress.
struct RaceControl {
  int mode = RACE_MODE_NEW;      // RaceMode
  int64_t time_limit = 0;        // 0 = a lap race
  int lap_count = 0;             // laps after the time limit, or the whole race without one
  int half_race_lap = 0;         // (lap count + 1) / 2; of a timed race RACE_UNSET until half time
  bool results_final = false;    // the results stand; the standings are no longer recomputed
  int rider_count = 0;           // slots with a bike
  std::string track_name;        // the track's short name (its folder's last part)
  RaceEntrant entrants[LAPS_SLOTS];
  RaceResult results[LAPS_SLOTS];  // results order, set with the finality
  int results_count = 0;
};

// --- Set-up -------------------------------------------------------------------

// Everything back to no race (entrants too).
void race_control_reset(RaceControl& rc);
// A race begins: mode, clock and track name taken, finish laps and half-race
// lap set for a lap or a timed race, results final cleared. The entrants are
// left for the caller to fill.
void race_control_begin(RaceControl& rc, LapRace& laps, int mode, const RaceClock& clock,
                        const std::string& track_folder);
// The riders of a simulation world as the standings see them.
RaceRiders race_riders(const SimWorld& w);
// "%d laps", "%d minutes" or "%d minutes + %d laps"; minutes rounded to the nearest.
std::string race_length_text(int64_t time_limit, int lap_count);

// --- Standings ----------------------------------------------------------------

// The finish laps of a timed race (and its half-race lap) as they stand at
// the current tic: the lap during which the time ran out is completed, then
// the lap count more. Nothing for a lap race.
void race_finish_laps_update(RaceControl& rc, LapRace& laps, int64_t now);
// The slot whose times the penalty leaves out (the spectating client's own), -1 none.
int race_excluded_slot(const RaceRiders& riders);
// The rider's penalty for cutting the track, tics (not rounded).
double race_cutting_penalty(const LapRace& laps, int slot, int excluded_slot);
// The results order from the running order: penalties turned into lost laps
// and time, sorted with the running order's rule.
void race_results_order(RaceControl& rc, const LapRace& laps, int excluded_slot);
// Whether nothing holds the results back: every rider of the running order
// has finished (the finish rule is asked), or is shown from states that
// stopped coming, or is a spectating client's own slot.
bool race_results_ready(LapRace& laps, const RaceRiders& riders);
// Recomputes the running order, the finish laps and the finality; when the
// results become final, builds the results order and writes "@results.txt"
// (vfs may be null: no file). Nothing once final. True when the results
// became final on this call.
bool race_update_standings(RaceControl& rc, LapRace& laps, const RaceRiders& riders, Vfs* vfs, int64_t date);

// --- Results file -------------------------------------------------------------

// The text of "@results.txt" (CRLF lines); empty when the winner has not
// finished or there are no results.
std::string race_results_text(const RaceControl& rc, const LapRace& laps, int64_t date);
// Writes it to the home folder; false when there was nothing to write or
// the file could not be opened.
bool race_results_write(const RaceControl& rc, const LapRace& laps, Vfs& vfs, int64_t date);
// "%d:%02d.%03d" of a time in tics (never negative).
std::string race_time_text(int64_t tics);
// printf into a string of whatever length it takes.
std::string race_text(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Completed laps of a gate count: 0 below F (and without laps), else (gates - F) / N + 1.
int race_laps_of_gates(const LapRace& laps, int gates);
// A robot as the results name him: his roster number (none for the plain
// robot) and "Roborider".
RaceEntrant race_robot_entrant(const SlotRider& rider, const char* bike);
