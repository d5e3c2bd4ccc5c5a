// Lap timing: the timing gates of the race in sequence order, and per rider
// slot the gate counter, the tics at which the gates were passed and the
// finished flag. Laps, lap times, the running order, the finish and the
// off-course test all follow from these crossing lists.
//
// Sequence index k (0, 1, 2, ...) counts gates from the start: the first F
// indices are the first lap, after that the normal lap of N gates repeats.
// Tics are simulation tics of 1/128 s.
#pragma once
#include <cstdint>
#include <vector>

struct BikeSim;
struct GateSet;

enum {
  LAPS_SLOTS = 160,            // rider slots 0..159
  LAPS_CROSSINGS_MAX = 2000,   // sequence indices a crossing list may hold (0..1999)
};

constexpr double LAPS_TIC = 0.0078125;            // seconds per tic
constexpr double LAPS_OFF_COURSE_SCALE = 1.5;     // default off-course scale
constexpr double LAPS_OFF_COURSE_BIAS = 10.0;     // default off-course bias, s

// One timing gate: a half disc on the ground plane, passed from the side its
// direction points to.
struct LapGate {
  double x = 0;       // centre x, ft
  double z = 0;       // centre z, ft
  double dx = 0;      // unit direction x (0, 0 when the file gave none: the whole disc counts)
  double dz = 0;      // unit direction z
  double radius = 0;  // radius of the disc, ft
  int entry = 0;      // the sequence entry it came from (checkpoint, + 100000 when timing only)
};

// One rider slot's timing.
struct LapRider {
  int gates = 0;                   // gate counter: gates passed, and the sequence index of the next gate
  std::vector<int64_t> crossings;  // tic per sequence index, -1 = not passed; at most LAPS_CROSSINGS_MAX
  bool finished = false;           // latched until the counter is set back below its value
};

// One place of the running order.
struct LapStanding {
  int slot = 0;      // rider slot
  int gates = 0;     // his gate counter
  int64_t tic = 0;   // his crossing tic at gates - 1 (0 when none is known)
};

// The race's lap timing.
struct LapRace {
  std::vector<LapGate> gates;        // first-lap gates followed by the normal-lap gates
  int first_lap = 0;                 // F: gates of the first lap
  int normal_lap = 0;                // N: gates of every later lap (0 = no laps)
  bool timing = false;               // the track has usable timing gates
  int64_t start_tic = 0;             // tic of the gate drop
  int finish_laps = 0;               // laps after which the leader finishes; 0 until the race mode sets it
  double off_course_scale = LAPS_OFF_COURSE_SCALE;  // factor on the reference stretch time
  double off_course_bias = LAPS_OFF_COURSE_BIAS;    // seconds added to it
  LapRider riders[LAPS_SLOTS];       // per slot
  LapStanding order[LAPS_SLOTS];     // running order, leader first
  int order_count = 0;               // riders in the running order
};

// What the gate test reports for one tic.
struct LapPass {
  int index = -1;           // sequence index accepted this tic, -1 for none
  bool lap_ended = false;   // the new counter closes a lap
  bool finished = false;    // the rider finished on this gate
};

// Called when the gate test accepts a gate, after the crossing is stored and
// before the counter moves on (the riding lines' bookkeeping). The rider's
// counter is still the old one.
struct LapPassHook {
  void* context = nullptr;
  void (*passed)(void* context, int slot, int index, int64_t tic) = nullptr;  // may be null
};

// --- Set-up and lists ---------------------------------------------------------

// Takes the gates of a track: F and N from the set's lap lengths, one LapGate
// per sequence entry. Timing is on only for a set that can time laps and whose
// every entry names a checkpoint; otherwise the race has no gates. Clears the
// riders and the running order; start tic, finish laps and the off-course
// values are left as they are.
void laps_build(LapRace& race, const GateSet& gates);
// Every rider's record reset and the running order emptied.
void laps_reset_riders(LapRace& race);
// One rider's record: empty list, counter 0, not finished.
void laps_reset_rider(LapRace& race, int slot);
// Stores a crossing reported from outside (network, demo): the list grows
// with -1 entries up to index. Refused (false) for a slot or index out of
// range (index 0..LAPS_CROSSINGS_MAX - 1) and for a tic below -1.
bool laps_set_crossing(LapRace& race, int slot, int index, int64_t tic);
// Makes n the counter (clamped to 0..LAPS_CROSSINGS_MAX), cuts the list to at
// most n entries, clears the finished flag when n is below the old counter,
// and clears the bike's spoiled flag (bike may be null).
void laps_set_gate_counter(LapRace& race, int slot, int n, BikeSim* bike);
// Demo seeking backwards: every crossing at or after tic is forgotten (the
// tic itself is run again). A rider who loses a crossing gets the counter of
// that moment, one past the gate he passed last in time, and his finished
// flag cleared for the finish rule to decide again; others are left alone.
// The running order is sorted again.
void laps_cut_to_tic(LapRace& race, int64_t tic);

// --- Sequence -----------------------------------------------------------------

// Gate list entry of sequence index k: k below F, else F + (k - F) mod N;
// -1 for k < 0 and, with N = 0, for k >= F.
int laps_sequence_gate(const LapRace& race, int64_t k);
// Whether index k ends a lap: k - F + 1 >= 0 and a multiple of N (never with N = 0).
bool laps_ends_lap(const LapRace& race, int64_t k);

// --- Per rider ----------------------------------------------------------------

// The crossing tic of an index, -1 when not passed or outside the list.
int64_t laps_crossing_tic(const LapRace& race, int slot, int64_t index);
// The gate counter (0 for a slot out of range).
int laps_gate_counter(const LapRace& race, int slot);
// Laps completed: 0 when timing is off or N = 0; (c - F) / N + 1 when c >= F, else 0.
int laps_completed(const LapRace& race, int slot);
// Gates into the current lap: (c - F) mod N + 1 with timing on, N > 0 and c >= F; else c.
int laps_gates_into_lap(const LapRace& race, int slot);
// Lap time in seconds; lap < 0 is the last completed lap. 0 for lap 0, for a
// lap not completed and for a lap whose end tics are not known.
double laps_lap_time(const LapRace& race, int slot, int lap);
// The best lap from lap 2 on (lap 1 never counts), 0 with fewer than two
// laps completed; its time in *seconds (0 with none). Ties go to the earlier lap.
int laps_best_lap(const LapRace& race, int slot, double* seconds);

// --- Gate test ----------------------------------------------------------------

// The per-tic gate test of one rider whose front wheel centre is at (x, z).
// Does nothing with timing off or for a finished rider. Up to two gates may be
// skipped; a gate two or three behind is taken only while it is still
// missing; a lap-ending gate cannot be skipped. A lap end sets the finished
// flag unless the race is still on for this rider (finish laps set, leader not
// through the final lap, fewer laps than the finish laps).
LapPass laps_gate_test(LapRace& race, int slot, double x, double z, int64_t tic, const LapPassHook* hook);
// The same for a bike, at the centre of its front wheel, in its own slot.
LapPass laps_gate_test_bike(LapRace& race, const BikeSim& bike, int64_t tic, const LapPassHook* hook);

// --- Standings ----------------------------------------------------------------

// Rebuilds the running order over the occupied slots: more gates first, then
// the earlier last crossing, then the lower slot.
void laps_running_order(LapRace& race, const bool occupied[LAPS_SLOTS]);
// Sorts the riders already in the running order again from their current
// counters and crossings (after crossings were cut).
void laps_refresh_order(LapRace& race);
// The finishing index e = F + N (finish laps - 1) - 1, or 0 while the finish
// laps are not set.
int64_t laps_finish_index(const LapRace& race);
// The tic at which the leader passed the finishing index, -1 while he has not
// (or there is no leader).
int64_t laps_leader_finish_tic(const LapRace& race);
// The finish rule, latched in the rider's finished flag: the leader (first of
// the running order) has passed the end of the final lap, and this rider's
// last lap end was at or after that tic. Never with timing off or N = 0.
bool laps_finished(LapRace& race, int slot);
// Whether the rider has left the course at the current tic: no gate passed,
// or one of his last four stretches (the one he is on included, timed up to
// now) took at least scale x the leading reference rider's time + bias.
bool laps_off_course(const LapRace& race, int slot, int64_t now);
