#include "bike/setup_trackers.h"

#include "bike/setup.h"

namespace {

struct TrackerRow {
  const char* key;
  char letter;
};

const TrackerRow tracker_rows[SETUP_TRACKERS] = {
    {"leveling", 'l'},
    {"roll_damping", 'd'},
    {"roll_limit_angle", 'a'},
    {"roll_limit_factor", 'x'},
    {"steering_damping", 'd'},
    {"steering_strength", 's'},
    {"max_steering_force", 'm'},
    {"direct_steering", 'd'},
    {"slow_damping_speed", 's'},
    {"slow_damping_factor", 'x'},
    {"land_damping_falloff", 'l'},
    {"land_damping_factor", 'x'},
    {"full_lock_speed", 'l'},
    {"restricted_lock_speed", 's'},
    {"restricted_lock", 'a'},
    {"auto_clutch_rpms", 'c'},
    {"brake_torque", 'f'},
    {"rear_brake_torque", 'r'},
    {"max_dab_speed", 'd'},
    {"front_sprocket_adjustment", 'g'},
    {"rear_sprocket_adjustment", 'g'},
    {"fork_compression_adjustment", 'C'},
    {"fork_slow_compression_adjustment", 'c'},
    {"fork_rebound_adjustment", 'R'},
    {"fork_slow_rebound_adjustment", 'r'},
    {"fork_spring_rate_adjustment", 's'},
    {"fork_preload_adjustment", 'p'},
    {"fork_oil_level_adjustment", 'l'},
    {"shock_compression_adjustment", 'C'},
    {"shock_slow_compression_adjustment", 'c'},
    {"shock_rebound_adjustment", 'R'},
    {"shock_slow_rebound_adjustment", 'r'},
    {"shock_spring_rate_adjustment", 's'},
    {"shock_preload_adjustment", 'p'},
    {"rider_yspring", 'y'},
    {"rider_zspring", 'z'},
    {"rider_ydamping", 'Y'},
    {"rider_zdamping", 'Z'},
    {"rider_mass_distribution", 'm'},
};

}  // namespace

const char* setup_tracker_key(int i) { return i >= 0 && i < SETUP_TRACKERS ? tracker_rows[i].key : nullptr; }
char setup_tracker_letter(int i) { return i >= 0 && i < SETUP_TRACKERS ? tracker_rows[i].letter : 0; }

void setup_trackers_reset(SetupTrackers& t, const Setup& s) {
  for (int i = 0; i < SETUP_TRACKERS; ++i) {
    t.trackers[i].remembered = setup_number(s, tracker_rows[i].key);
    t.trackers[i].changed = false;
  }
}

void setup_trackers_note_apply(SetupTrackers& t, const Setup& s) {
  for (int i = 0; i < SETUP_TRACKERS; ++i)
    if (t.trackers[i].remembered != setup_number(s, tracker_rows[i].key)) t.trackers[i].changed = true;
}

bool setup_trackers_due(SetupTrackers& t, double game_clock) {
  if (game_clock < t.next_report_time) return false;
  t.next_report_time = game_clock + 5;
  return true;
}

bool setup_trackers_report(SetupTrackers& t, const Setup& s, std::string& line) {
  line.clear();
  bool any = false;
  for (const SetupTracker& k : t.trackers) any = any || k.changed;
  if (any) {
    line = "[SPAM] Setup change ";
    for (int i = 0; i < SETUP_TRACKERS; ++i) line += t.trackers[i].changed ? tracker_rows[i].letter : '-';
    line += '\n';
  }
  setup_trackers_reset(t, s);
  return any;
}
