// The setup-change report: 39 trackers over the setup's tuning keys. Each
// remembers a value; when the setup is applied to a bike, a tracker whose
// remembered value differs from the live one is marked changed. Every few
// seconds the main loop reports the marks as one line ("[SPAM] Setup change "
// and one letter or "-" per tracker) and the trackers start over.
#pragma once
#include <string>

struct Setup;

enum { SETUP_TRACKERS = 39 };

struct SetupTracker {
  double remembered = 0;  // the key's value at the last reset
  bool changed = false;   // differed from the live value at a setup apply since the last reset
};

struct SetupTrackers {
  SetupTracker trackers[SETUP_TRACKERS];  // in the order of setup_tracker_key
  double next_report_time = 0;            // GameClock seconds of the next report
};

// The key and the report letter of tracker i (0..38), or none / 0 outside.
const char* setup_tracker_key(int i);
char setup_tracker_letter(int i);

// Every tracker remembers the setup's current value and forgets its mark.
void setup_trackers_reset(SetupTrackers& t, const Setup& s);
// The setup was just applied to a bike: mark the trackers whose remembered
// value differs from the setup's.
void setup_trackers_note_apply(SetupTrackers& t, const Setup& s);
// True once game_clock has reached the next report time (which then moves 5 s
// past game_clock).
bool setup_trackers_due(SetupTrackers& t, double game_clock);
// The report: true with line set to "[SPAM] Setup change <letters>\n" when a
// tracker is marked, else false with line empty. Resets the trackers either way.
bool setup_trackers_report(SetupTrackers& t, const Setup& s, std::string& line);
