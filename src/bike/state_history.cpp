// The per-slot ring of compact rider states and the placing of a remote
// rider from it.
#include "bike/state_history.h"

#include <cstring>

#include "bike/bike_sim.h"

namespace {

int ring(int i) { return ((i % STATE_HISTORY_SIZE) + STATE_HISTORY_SIZE) % STATE_HISTORY_SIZE; }

bool held(const StateHistoryEntry& e) { return e.tic >= 0; }

// The ring index age places before the head.
int index_at(const StateHistory& h, int age) { return ring(h.head - age); }

}  // namespace

void state_history_clear(StateHistory& h) {
  for (StateHistoryEntry& e : h.entry) {
    e.tic = -1;
    std::memset(e.state.bytes, 0, sizeof e.state.bytes);
  }
  h.head = 0;
  h.pending = 0;
}

int state_history_count(const StateHistory& h) {
  int n = 0;
  while (n < STATE_HISTORY_SIZE && held(h.entry[index_at(h, n)])) ++n;
  return n;
}

const StateHistoryEntry* state_history_entry(const StateHistory& h, int age) {
  if (age < 0 || age >= state_history_count(h)) return nullptr;
  return &h.entry[index_at(h, age)];
}

StateHistoryPush state_history_push(StateHistory& h, const CompactState& state, int64_t tic) {
  // An entry of tic -1 would read as an empty one.
  if (tic < 0 || tic > INT32_MAX) return STATE_HISTORY_BAD_TIC;
  h.head = ring(h.head);
  int newer = 0;  // entries later than the new one
  while (newer < STATE_HISTORY_SIZE && held(h.entry[index_at(h, newer)]) && h.entry[index_at(h, newer)].tic > tic)
    ++newer;
  if (newer == STATE_HISTORY_SIZE) return STATE_HISTORY_TOO_OLD;
  const StateHistoryEntry& below = h.entry[index_at(h, newer)];
  if (held(below) && below.tic == tic) return STATE_HISTORY_DUPLICATE;
  // The later entries move one place towards the new head; the place after
  // the old head (the oldest entry, or an empty one) is given up.
  for (int age = 0; age < newer; ++age) h.entry[ring(h.head - age + 1)] = h.entry[index_at(h, age)];
  StateHistoryEntry& slot = h.entry[ring(h.head - newer + 1)];
  slot.tic = int32_t(tic);
  slot.state = state;
  h.head = ring(h.head + 1);
  if (h.pending < STATE_HISTORY_SIZE) h.pending += 1;
  return STATE_HISTORY_STORED;
}

void state_history_cut(StateHistory& h, int64_t tic) {
  h.head = ring(h.head);
  for (int n = 0; n < STATE_HISTORY_SIZE; ++n) {
    StateHistoryEntry& e = h.entry[h.head];
    if (!held(e) || e.tic <= tic) break;
    e.tic = -1;
    std::memset(e.state.bytes, 0, sizeof e.state.bytes);
    h.head = ring(h.head - 1);
    if (h.pending > 0) h.pending -= 1;
  }
}

StateBracket state_history_bracket(const StateHistory& h, int64_t t) {
  StateBracket out{false, 0, 0, -1, -1};
  int count = state_history_count(h);
  if (count == 0) return out;
  out.found = true;
  int age = 0;
  while (age < count && h.entry[index_at(h, age)].tic >= t) ++age;
  if (age == count) {
    // Nothing before t: the oldest alone.
    out.older = out.newer = index_at(h, count - 1);
  } else if (age == 0) {
    out.newer = index_at(h, 0);
    out.older = count > 1 ? index_at(h, 1) : out.newer;
  } else {
    out.older = index_at(h, age);
    out.newer = index_at(h, age - 1);
  }
  out.older_tic = h.entry[out.older].tic;
  out.newer_tic = h.entry[out.newer].tic;
  return out;
}

bool state_history_target(const StateHistory& h, int64_t tic, int remote_delay, bool version4,
                          CompactTarget& target) {
  int64_t t = tic - remote_delay;
  if (t < 0) t = 0;
  StateBracket br = state_history_bracket(h, t);
  if (!br.found) return false;
  const StateHistoryEntry &a = h.entry[br.older], &b = h.entry[br.newer];
  target.layout = version4 ? COMPACT_LAYOUT_OLD : COMPACT_LAYOUT_CURRENT;
  target.older = a.state;
  if (a.tic == b.tic || a.tic >= t) {
    target.newer = a.state;
    target.target = a.state;
    target.tics = 1;
    return true;
  }
  target.newer = b.state;
  int64_t span = int64_t(b.tic) - a.tic;
  int64_t reach = t < int64_t(b.tic) + COMPACT_EXTRAPOLATION_TICS ? t : int64_t(b.tic) + COMPACT_EXTRAPOLATION_TICS;
  double f = double(reach - a.tic) / double(span);
  target.target = f == 0 || version4 ? a.state : compact_state_blend(a.state, b.state, f);
  target.tics = int(span);
  return true;
}

bool state_history_place(const StateHistory& h, BikeSim& bike, int64_t tic, int remote_delay, bool version4,
                         const CompactSpace& space) {
  CompactTarget target;
  if (!state_history_target(h, tic, remote_delay, version4, target)) return false;
  compact_rider_apply(bike, target, space);
  return true;
}

bool state_history_hidden(const StateHistory& h, int64_t tic, int remote_delay) {
  int64_t t = tic - remote_delay;
  if (t < 0) t = 0;
  StateBracket br = state_history_bracket(h, t);
  if (!br.found) return true;
  return tic < int64_t(br.older_tic) - STATE_HISTORY_SHOW_TICS || tic > int64_t(br.newer_tic) + STATE_HISTORY_SHOW_TICS;
}
