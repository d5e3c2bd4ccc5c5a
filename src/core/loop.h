// The main loop's state and its testable steps: frame timing, the tic loop,
// the dispatch of input events and the rider controls.
#pragma once
#include <cstdint>

#include "platform/clock.h"
#include "platform/event_queue.h"

enum ViewMode { VIEW_RIDER, VIEW_BODY, VIEW_EDITOR, VIEW_ORBIT, VIEW_TRACKSIDE, VIEW_IDLE };

enum {
  MENU_NONE = -1,     // riding, no menu
  MENU_MAIN = 0,
  MENU_CONSOLE = 16,
  MENU_QUIT = 18,
  LOOP_SLOTS = 160,
};

// ControlVector indexes.
enum { CONTROL_STEER, CONTROL_THROTTLE, CONTROL_FRONT_BRAKE, CONTROL_REAR_BRAKE, CONTROL_SHIFT, CONTROL_CLUTCH,
       CONTROL_DAB, CONTROL_BACK_UP, CONTROL_LEAN, CONTROL_COUNT };

// One rider control fed by a binding: a key (value 0 or 1) or an axis.
struct ControlEntry {
  const char* key;        // settings key of the binding
  int index;              // ControlVector index it feeds
  float scale;            // +1 or -1
  float value = 0;        // current value, 0..1
  uint32_t code = 0;      // key code; 0 = unbound (no event sets it)
  bool is_axis = false;   // fed by an axis instead of a key
  int axis_raw = 0;       // latest raw axis reading, -32768..32767 scale
  float low = 0, high = 1;  // axis range mapped onto 0..1
};

// What the loop hands the viewed local bike every tic.
struct RiderInput {
  float steer = 0, throttle = 0, front_brake = 0, rear_brake = 0;
  float clutch = 1;       // engaged 1 .. disengaged 0; eases in over tics
  float dab = 0, back_up = 0, lean = 0;
  int shift = 0;          // -1, 0, +1
};

// The clock and event source of the loop (the platform's, or a test's).
struct LoopPlatform {
  void* context = nullptr;
  ClockTime (*now)(void* context) = nullptr;
  void (*sleep)(void* context, int64_t seconds, int32_t micros) = nullptr;
  bool (*poll)(void* context, InputEvent& out) = nullptr;                    // oldest event
  bool (*wait_until)(void* context, ClockTime t, InputEvent& out) = nullptr; // oldest if stamped <= t
};

// What the loop calls in the rest of the program; any may be null.
struct LoopHooks {
  void* context = nullptr;
  void (*sim_tic)(void* context) = nullptr;                         // one simulation tic
  void (*menu_key)(void* context, uint32_t code, bool pressed) = nullptr;  // a key for the open menu
  void (*screenshot)(void* context) = nullptr;                      // the screenshot key
  void (*rider_input)(void* context, const RiderInput& in) = nullptr;  // controls for the viewed bike
  void (*read_axes)(void* context) = nullptr;  // refresh axis_raw of the axis-bound controls
  // A key capture for a binding is running: offered every event first; true
  // when the capture took it (a release is still handed on).
  bool (*capture_event)(void* context, const InputEvent& e) = nullptr;
  void (*capture_tic)(void* context) = nullptr;  // the capture's per-tic check
};

struct MainLoop {
  double tic_length = 0.0078125;     // seconds per tic
  double game_clock = 0;             // game seconds since start
  unsigned histogram[8] = {};        // frames by wall-clock duration, 1 tic .. 64+ tics
  double longest_step = 0;           // seconds
  double shortest_step = 1e30;       // seconds
  double sim_time = 0;               // S: simulated seconds
  double real_time = 0;              // R: accumulated frame steps
  ClockTime previous_frame{0, 0};    // wall clock at the previous frame's measurement
  ClockTime frame_now{0, 0};         // wall clock at this frame's measurement
  int menu_screen = MENU_MAIN;       // -1 riding, 0..13 menus, 16 console, 18 quit
  int menu_at_frame_start = MENU_MAIN;
  bool menu_shut_off = false;        // menu changed during this frame: no more keys reach it
  int menu_cursor = 0;
  int view_mode = VIEW_IDLE;
  int viewed_slot = 0;
  int slot_not_local[LOOP_SLOTS];    // 0 when this machine drives the slot
  bool track_loaded = false;         // a track is loaded (else Idle)
  bool viewed_has_bike = false;      // the viewed slot holds a bike
  bool editor_enabled = false;       // --editor
  bool online = false;
  bool paused = false, show_pause = true, show_hud = true, quit = false;
  bool spy = false;                  // `spy` setting
  float lock_fps = 0;                // fixed frame rate offline (0 = off)
  bool warp = false;                 // 100 tics a frame offline
  float controls[CONTROL_COUNT] = {};  // the ControlVector, rebuilt every tic
  ControlEntry table[12];            // the twelve rider controls
  uint32_t pause_key = 0, step_key = 0, rewind_key = 0, skip_key = 0;  // key-only bindings
  uint32_t prev_key = 0, next_key = 0, console_key = 0, screenshot_key = 0;
  uint32_t esc_code = 0x1001, cursor_left_code = 0x2000;  // named keys
  bool left_button = false;          // left mouse button held
  RiderInput rider;                  // the controls last handed to the viewed bike
  bool sticky_dab = false, dab_toggle = false, dab_was_high = false;
  bool reverse_steering = false;
  int camera_selected = -1;          // trackside camera, -1 = free camera
  int camera_count = 0;              // cameras of the track
  bool camera_auto = false;          // automatic trackside switching
  float orbit_yaw = 0, orbit_distance = 10, orbit_height = 5;
  int64_t tics_run = 0;              // simulation tics run (for tests and the recorders)
};

// Fills the control table with the rider controls and their default keys.
void loop_init(MainLoop& L);
// Histogram bucket of a frame lasting d seconds.
int loop_histogram_bucket(double d, double tic_length);
// Measures the frame and returns its step in seconds (sleeping as needed).
double loop_frame_step(MainLoop& L, LoopPlatform& P);
// Runs tics until simulated time catches up with real time; returns how many.
int loop_run_tics(MainLoop& L, LoopPlatform& P, LoopHooks& H);
// Hands one event to the riding or menu dispatch.
void loop_dispatch(MainLoop& L, LoopHooks& H, const InputEvent& e);
// Rebuilds the ControlVector from the control table.
void loop_sum_controls(MainLoop& L);
// Turns the ControlVector into the viewed bike's controls (clutch easing, shift, dab).
void loop_rider_input(MainLoop& L);
// One tic's worth of everything after the events: controls, camera and simulation.
void loop_tic_body(MainLoop& L, LoopHooks& H);
// Whether the viewed slot is driven by this machine.
bool loop_riding(const MainLoop& L);
