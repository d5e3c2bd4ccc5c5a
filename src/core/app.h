// The process-wide records of the running program, made at start-up and
// handed to the functions that work on them.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "bike/physics_world.h"
#include "bike/shape_cache.h"
#include "bike/sim_tic.h"
#include "core/cmdline.h"
#include "core/data_lists.h"
#include "core/loop.h"
#include "core/message_log.h"
#include "race/lap_timing.h"
#include "race/race_control.h"
#include "bike/setup_trackers.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "settings/capture.h"
#include "settings/global_options.h"
#include "settings/settings.h"
#include "render/gl_setup.h"
#include "track/track_list.h"
#include "track/track_load.h"
#include "vfs/vfs.h"

enum { SLOT_COUNT = 160 };

// What start-up asks of the window.
struct WindowRequest {
  int width = 0, height = 0;  // client size; 0 x 0 means the desktop size
  bool fullscreen = false;
  int colour_bits = 16;       // 32 is asked for as 24
  int depth_bits = 16;
};

struct App {
  Vfs vfs;                       // search folders, file index
  Settings settings;             // the player's settings
  GlobalOptions options;         // derived detail values
  CommandLine cl;                // what the command line asked for
  TrackList tracks;              // every track found
  int track_selected = 0;        // highlighted row of the track menu
  DataLists lists;               // demos, series, texture choices
  Capture capture;               // key or axis capture for a binding, when active
  WindowRequest window_request;  // size and pixel format asked for
  Window* window = nullptr;      // the window and its GL context, or none
  GlDriverInfo gl;               // what the GL driver said it is
  MainLoop loop;                 // frame and tic timing, views, controls
  bool screenshot_pending = false;  // take a screenshot after the next frame is drawn
  int screenshot_number = 0;     // number of the next screenshot (0 = not yet decided)
  PhysicsWorld physics;          // rigid-body world and contact group
  ShapeCache shapes;             // collision shapes of bikes and scenery
  TrackLoader loader;            // the current track and the race clock
  SimWorld world;                // the race's riders and its tic
  LapRace race;                  // gates passed, laps, finish and running order
  RaceControl control;           // the race's mode, finish laps, penalties and results
  int race_mode = RACE_MODE_NEW; // the mode of the race being loaded or run
  bool back_up_pushed = false;   // the back-up control is past half way (time-trial restarts)
  MessageLog messages;           // lines shown to the player
  SetupTrackers trackers;        // which setup keys changed since the last report
  FILE* record_audio = nullptr;  // --record-audio file, or none
  bool audio_open = false;       // an audio output is open
  int lineup[SLOT_COUNT] = {};   // slot codes for the next track load
  int slot_not_local[SLOT_COUNT] = {};  // 0 when this machine drives the slot
  int loading_counter = 0;       // frames of the loading screen drawn
  ClockTime loading_last{0, 0};  // when the loading screen was last drawn
  ClockTime loading_start{0, 0}; // when the loading screen first showed
  double status_previous = -1;   // when the last status line showed (seconds), -1 none since the last report
  std::string status_text;       // the text showing since then
  double status_longest = 0;     // the longest gap between two status lines, s
  std::string status_longest_text;  // the text that showed during it
};

extern const char* const loamrun_version;

// Start-up: returns -1 when the main loop should run, else the exit status.
int app_start(App& app, int argc, char** argv);
// Shut-down in its fixed order; returns the exit status (0).
int app_shutdown(App& app);
// The whole program.
int app_main(int argc, char** argv);

// Loads a track and sets up a race on it (the menus, start-up and warp
// restarts call this); false when no track could be loaded.
bool app_track_load(App& app, const TrackLoadRequest& request);
// Frees the race and the track (shut-down).
void app_race_free(App& app);
// The simulation tic and the viewed rider's controls, for the main loop.
void app_race_tic(App& app);
void app_race_input(App& app, const RiderInput& in);
// The standings recomputed (running order, finish laps, results and their
// finality, the results file); nothing once the results are final.
void app_race_standings(App& app);

// Shows a shut-down or loading step: drains input, zeroes the controls,
// shows the text on a status screen and logs it.
void app_status_line(App& app, const char* text);
// Logs "Max loading delay was %f (%s)\n" for the status lines since the
// last report and starts over.
void app_loading_delay_report(App& app);
// Keeps the loading screen alive during long work (at most 16 frames a second).
void app_loading_pump(App& app);
// Drops every pending input event (while loading or waiting for the window).
void app_drain_events(App& app);
// Resolves the twenty bindings and feeds them into the main loop's controls.
void app_bind_controls(App& app);
// Releases the axes the bindings hold.
void app_release_controls(App& app);
// Runs frames until the quit flag is set.
void app_main_loop(App& app);
