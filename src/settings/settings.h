// The player's settings ("@config" in the home folder): one record holding
// every setting, each also a menu row with its label, read once at start-up
// and written once at shut-down.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "bike/setup.h"

struct Vfs;
struct InputDevices;
struct AxisHandle;

struct ChoiceSetting {
  const char* label = "";            // menu label
  std::vector<std::string> choices;  // texts, matched exactly when read
  int selected = 0;                  // index into choices
  const char* text() const { return selected >= 0 && size_t(selected) < choices.size() ? choices[size_t(selected)].c_str() : ""; }
};

struct SliderSetting {
  const char* label = "";
  double value = 0, step = 1, min = 0, max = 1;  // value is kept within min..max
};

struct TextSetting {
  const char* label = "";
  int max_length = 127;  // characters kept
  std::string text;
};

// One control binding: a key, an axis with its range, or nothing.
struct ControlBinding {
  const char* key = "";           // settings key, e.g. "throttle_key"
  const char* label = "";         // menu label
  const char* default_key = "";   // key name bound by default
  const char* key_name = nullptr; // pooled key name, or none
  uint32_t code = 0;              // resolved key code; 0 never fires
  const char* axis_name = nullptr;  // pooled axis name, or none
  AxisHandle* axis = nullptr;     // open axis, or none
  float low = 0, high = 1;        // axis range mapped onto 0..1 (may run downwards)
  int rect[4] = {};               // the menu row's rectangle (filled by the menus)
};

enum { SETTINGS_SLOTS = 40, SETTINGS_BINDINGS = 20, SETTINGS_HISTORY = 16 };

struct Settings {
  int xres = 640, yres = 480;     // windowed client size, pixels
  int draw_fps = 0, draw_time = 0, draw_ping = 1, draw_speed = 0, spy = 0;
  ChoiceSetting track;            // the track list; choices are folder names
  std::string wanted_track;       // the `track` value read, selected once the list exists
  ChoiceSetting record, skill;
  SliderSetting minutes, laps;
  ChoiceSetting slots[SETTINGS_SLOTS];  // the starting-gate line-up
  SliderSetting ghost_fade_distance;
  ChoiceSetting time_trial_abort;
  Setup setup;                    // the bike and rider setup block
  ChoiceSetting video_mode;
  TextSetting server_name;
  std::string server_history[SETTINGS_HISTORY];  // at most 126 characters each
  SliderSetting ground_detail, ground_texture_detail;
  ChoiceSetting ground_texture_dim, ground_mipmaps, texture_compress, render_texture, use_shader;
  SliderSetting roost_density, reshade_delay;
  ChoiceSetting lens_flare, reflections, hide_rider, rigid_camera;
  SliderSetting model_detail, model_texture_detail, fov;
  SliderSetting first_person_height, first_person_angle, first_person_gimbal;
  SliderSetting third_person_height, third_person_distance, volume, comp_volume;
  ChoiceSetting playback_mode;
  int billboard_optimize_lookahead = 8, message_lines = 5, demo_backups = 0;
  float map_scale = 1;            // clamped to 0.125..8 when read
  ControlBinding bindings[SETTINGS_BINDINGS];  // throttle_key .. screenshot_key
};

// Every setting at its default (graphics preset 0 applied).
void settings_defaults(Settings& s);
// Graphics presets 0 "Compatibility", 1 "High FPS", 2 "Normal", 3 "High Detail".
void settings_apply_preset(Settings& s, int preset);
// "Current Settings: High Detail" ... or "Current Settings: Custom".
const char* settings_preset_label(const Settings& s);

// Reads "@config" when it exists; false when there is no file (defaults stay).
bool settings_read(Settings& s, Vfs& vfs);
// Interprets one line "key=value" (without its line end).
void settings_read_line(Settings& s, const char* line);
// Writes "@config" (through a new file renamed over the old); false when it
// could not be written, leaving the old file as it was.
bool settings_write(const Settings& s, Vfs& vfs);

// Sets a choice by its exact text; false (unchanged) when no choice matches.
bool choice_set(ChoiceSetting& c, const char* text);
// Sets a slider from "%f" text, clamped; false (unchanged) when it does not convert.
bool slider_set(SliderSetting& sl, const char* text);

// The binding with this settings key, or none.
ControlBinding* settings_binding(Settings& s, const char* key);
// One binding value as written after "key=": "(k)name", "(low,high)axis" or "" when unbound.
std::string binding_format(const ControlBinding& b);
void binding_parse(ControlBinding& b, const char* text);
// Turns the key name into a code, or opens the axis (devices may be null: keys only).
void binding_resolve(ControlBinding& b, InputDevices* devices);
// Closes the binding's axis, if any.
void binding_release(ControlBinding& b);
