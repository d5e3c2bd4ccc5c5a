// The state history of one rider slot: a ring of the last 128 compact rider
// states with their tics, in ascending tic order from the oldest to the
// newest (the head). The network and demo playback put remote riders' states
// in, the demo recorder this machine's riders'; every tic a remote rider is
// placed from the two entries that bracket the tic being shown.
#pragma once
#include <cstdint>

#include "bike/compact_state.h"

struct BikeSim;

enum {
  STATE_HISTORY_SIZE = 128,  // entries of the ring
};

// Tics a hidden rider may be away from his bracketing states and still be shown.
constexpr int STATE_HISTORY_SHOW_TICS = 128;

// One entry of the ring.
struct StateHistoryEntry {
  int32_t tic = -1;         // tic of the state; -1 = empty
  CompactState state = {};  // the record
};

struct StateHistory {
  StateHistoryEntry entry[STATE_HISTORY_SIZE];  // the ring; tics ascend from the oldest to the head
  int head = 0;     // index of the newest entry, 0..127
  int pending = 0;  // entries added since the demo recorder last wrote, 0..128
};

// Why state_history_push did or did not store a state.
enum StateHistoryPush {
  STATE_HISTORY_STORED = 0,     // stored
  STATE_HISTORY_DUPLICATE = 1,  // an entry of that tic is already there; the first one stays
  STATE_HISTORY_TOO_OLD = 2,    // the ring is full of newer states
  STATE_HISTORY_BAD_TIC = 3,    // the tic is negative or beyond 32 bits
};

// The two entries a tic is shown from.
struct StateBracket {
  bool found;         // false: the history holds no entry
  int older;          // ring index of entry a
  int newer;          // ring index of entry b (= older when a stands alone)
  int32_t older_tic;  // tic of a
  int32_t newer_tic;  // tic of b
};

// Every entry empty, head and pending count 0.
void state_history_clear(StateHistory& history);
// Inserts a state in tic order: later entries move one place up, the oldest
// falls out of a full ring; the head advances and the pending count rises.
StateHistoryPush state_history_push(StateHistory& history, const CompactState& state, int64_t tic);
// Drops every entry later than tic (and as many pending ones).
void state_history_cut(StateHistory& history, int64_t tic);
// Number of entries held.
int state_history_count(const StateHistory& history);
// The entry age places before the newest (0 = the newest), or none beyond
// what is held.
const StateHistoryEntry* state_history_entry(const StateHistory& history, int age);

// The entries that bracket tic t: the newest entry a below t and the one
// after it; when even the newest is below t, the second newest and the
// newest; when none is below t, the oldest (alone).
StateBracket state_history_bracket(const StateHistory& history, int64_t t);

// What one tic shows of a remote rider: the target tic is tic - remote delay
// (at least 0); the rider is set to entry a alone when both entries share a
// tic or a is not before the target tic, else to the blend of a and b at the
// target tic, extrapolated at most 64 tics past b (a itself while a
// version-4 demo plays, whose records are never blended). False, and the
// rider left alone, when the history holds no entry.
bool state_history_target(const StateHistory& history, int64_t tic, int remote_delay, bool version4,
                          CompactTarget& target);
// The same, applied to the rider.
bool state_history_place(const StateHistory& history, BikeSim& bike, int64_t tic, int remote_delay, bool version4,
                         const CompactSpace& space);

// The history's part of the hidden test: no entry, or the current tic more
// than 128 tics before the older or after the newer bracketing entry.
bool state_history_hidden(const StateHistory& history, int64_t tic, int remote_delay);
