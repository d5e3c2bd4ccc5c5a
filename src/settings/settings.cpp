#include "settings/settings.h"

#include "platform/input.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

static ChoiceSetting choice(const char* label, std::vector<std::string> texts, int selected) {
  ChoiceSetting c;
  c.label = label;
  c.choices = std::move(texts);
  c.selected = selected;
  return c;
}

static SliderSetting slider(const char* label, double value, double step, double min, double max) {
  return SliderSetting{label, value, step, min, max};
}

static const std::vector<std::string> no_yes = {"No", "Yes"};

struct BindingDefault {
  const char* key;
  const char* label;
  const char* default_key;
};
static const BindingDefault binding_defaults[SETTINGS_BINDINGS] = {
    {"throttle_key", "Throttle", "x"},         {"front_brake_key", "Front Brake", "c"},
    {"rear_brake_key", "Rear Brake", "v"},     {"left_key", "Left", "left"},
    {"right_key", "Right", "right"},           {"clutch_key", "Clutch", "z"},
    {"upshift_key", "Upshift", "up"},          {"downshift_key", "Downshift", "down"},
    {"dab_key", "Sit/Dab", "right ctrl"},      {"back_up_key", "Back up", "b"},
    {"lean_forward_key", "Lean Forward", "n"}, {"lean_backward_key", "Lean Backward", "m"},
    {"pause_key", "Pause", "pause"},           {"step_key", "Step", "."},
    {"rewind_key", "Rewind", "\\"},            {"skip_key", "Skip", "/"},
    {"prev_key", "Previous Bike", "["},        {"next_key", "Next Bike", "]"},
    {"console_key", "Chat", "t"},              {"screenshot_key", "Screenshot", "s"},
};

static const char* const slot_labels[SETTINGS_SLOTS] = {
    "Gate 1",  "Gate 2",  "Gate 3",  "Gate 4",  "Gate 5",  "Gate 6",  "Gate 7",  "Gate 8",  "Gate 9",  "Gate 10",
    "Gate 11", "Gate 12", "Gate 13", "Gate 14", "Gate 15", "Gate 16", "Gate 17", "Gate 18", "Gate 19", "Gate 20",
    "Gate 21", "Gate 22", "Gate 23", "Gate 24", "Gate 25", "Gate 26", "Gate 27", "Gate 28", "Gate 29", "Gate 30",
    "Gate 31", "Gate 32", "Gate 33", "Gate 34", "Gate 35", "Gate 36", "Gate 37", "Gate 38", "Gate 39", "Gate 40"};

void settings_defaults(Settings& s) {
  s = Settings{};
  s.track = choice("Track", {}, 0);
  s.record = choice("Record Demo", no_yes, 0);
  s.skill = choice("Robot Skill", {"Novice", "Amateur", "Expert"}, 0);
  s.minutes = slider("Minutes", 0, 1, 0, 60);
  s.laps = slider("Laps", 5, 1, 0, 50);
  for (int i = 0; i < SETTINGS_SLOTS; ++i) {
    int gate = i + 1;
    int def = (gate == 18 || gate == 19 || gate == 21 || gate == 22 || gate == 23) ? 2 : gate == 20 ? 1 : 0;
    s.slots[i] = choice(slot_labels[i], {"Empty", "Human", "Robot", "Robot (2 stroke)", "Robot (4 stroke)"}, def);
  }
  s.ghost_fade_distance = slider("Ghost Fade Distance", 10, 1, 0, 40);
  s.time_trial_abort = choice("Backing Up Aborts Attempt", no_yes, 1);
  setup_defaults(s.setup);
  s.video_mode = choice("Video Mode", {"Default Fullscreen", "Windowed"}, 0);
  s.server_name = TextSetting{"Server", 127, "localhost"};
  s.ground_detail = slider("Ground Geometric Detail", 70, 1, 0, 100);
  s.ground_texture_detail = slider("Ground Texture Levels", 9, 1, 0, 10);
  s.ground_texture_dim =
      choice("Ground Texture Resolution", {"32x32", "64x64", "128x128", "256x256", "512x512", "1024x1024"}, 1);
  s.ground_mipmaps = choice("Enable Ground Mipmaps", no_yes, 1);
  s.texture_compress = choice("Compress Textures", {"No", "Yes", "Always"}, 0);
  s.render_texture = choice("Terrain Rendering Method",
                            {"Software", "Hardware/Copy", "Hardware/Direct", "Shaders/Copy", "Shaders/Direct"}, 0);
  s.use_shader = choice("Use Shader Programs", no_yes, 1);
  s.roost_density = slider("Roost Density", 1000, 10, 0, 1000);
  s.reshade_delay = slider("Reshade Delay", 8, 1, 0, 20);
  s.lens_flare = choice("Enable Lens Flares", no_yes, 1);
  s.reflections = choice("Enable Reflections", no_yes, 1);
  s.hide_rider = choice("Hide 1st Person Rider", no_yes, 0);
  s.rigid_camera = choice("Rigid 3rd person camera", no_yes, 0);
  s.model_detail = slider("Model Geometric Detail", 50, 1, 0, 100);
  s.model_texture_detail = slider("Model Texture Detail", 9, 1, 0, 10);
  s.fov = slider("Field Of View", 110, 1, 10, 170);
  s.first_person_height = slider("1st Person Height", 0, 0.03125, 0, 1);
  s.first_person_angle = slider("1st Person Angle", 0, 1, 0, 40);
  s.first_person_gimbal = slider("1st Person Gimbal", 0, 1, 0, 100);
  s.third_person_height = slider("3rd Person Height", 5, 1, 0, 20);
  s.third_person_distance = slider("3rd Person Distance", 10, 1, 5, 40);
  s.volume = slider("Volume", 10, 1, 0, 10);
  s.comp_volume = slider("Competitor Volume", 8, 1, 0, 10);
  s.playback_mode = choice("Playback Mode", {"Playback Only", "Race Against"}, 0);
  for (int i = 0; i < SETTINGS_BINDINGS; ++i) {
    ControlBinding& b = s.bindings[i];
    b.key = binding_defaults[i].key;
    b.label = binding_defaults[i].label;
    b.default_key = binding_defaults[i].default_key;
    b.key_name = name_pool(b.default_key);
  }
  settings_apply_preset(s, 0);
}

struct GraphicsPreset {
  const char* name;
  int reshade_delay, roost_density, model_detail;
  int shader_flare_reflections;  // use_shader, lens_flare, reflections: 0 No, 1 Yes
  int render_texture, texture_compress, ground_mipmaps, ground_texture_dim, texture_detail, ground_detail;
};

static const GraphicsPreset graphics_presets[4] = {
    {"Compatibility", 8, 1000, 50, 1, 0, 0, 1, 1, 9, 70},
    {"High FPS", 10, 0, 25, 0, 2, 1, 1, 1, 7, 50},
    {"Normal", 8, 1000, 50, 1, 4, 1, 1, 2, 9, 70},
    {"High Detail", 0, 1000, 75, 1, 4, 0, 1, 3, 10, 90},
};

void settings_apply_preset(Settings& s, int preset) {
  if (preset < 0 || preset > 3) return;
  const GraphicsPreset& p = graphics_presets[preset];
  s.reshade_delay.value = p.reshade_delay;
  s.roost_density.value = p.roost_density;
  s.model_detail.value = p.model_detail;
  s.use_shader.selected = s.lens_flare.selected = s.reflections.selected = p.shader_flare_reflections;
  s.render_texture.selected = p.render_texture;
  s.texture_compress.selected = p.texture_compress;
  s.ground_mipmaps.selected = p.ground_mipmaps;
  s.ground_texture_dim.selected = p.ground_texture_dim;
  s.ground_texture_detail.value = s.model_texture_detail.value = p.texture_detail;
  s.ground_detail.value = p.ground_detail;
}

static bool settings_match_preset(const Settings& s, const GraphicsPreset& p) {
  return s.reshade_delay.value == p.reshade_delay && s.roost_density.value == p.roost_density &&
         s.model_detail.value == p.model_detail && s.use_shader.selected == p.shader_flare_reflections &&
         s.lens_flare.selected == p.shader_flare_reflections && s.reflections.selected == p.shader_flare_reflections &&
         s.render_texture.selected == p.render_texture && s.texture_compress.selected == p.texture_compress &&
         s.ground_mipmaps.selected == p.ground_mipmaps && s.ground_texture_dim.selected == p.ground_texture_dim &&
         s.ground_texture_detail.value == p.texture_detail && s.model_texture_detail.value == p.texture_detail &&
         s.ground_detail.value == p.ground_detail;
}

const char* settings_preset_label(const Settings& s) {
  static const int order[4] = {3, 2, 1, 0};
  static const char* const labels[4] = {"Current Settings: Compatibility", "Current Settings: High FPS",
                                        "Current Settings: Normal", "Current Settings: High Detail"};
  for (int i : order)
    if (settings_match_preset(s, graphics_presets[i])) return labels[i];
  return "Current Settings: Custom";
}

bool choice_set(ChoiceSetting& c, const char* text) {
  for (size_t i = 0; i < c.choices.size(); ++i)
    if (c.choices[i] == text) {
      c.selected = int(i);
      return true;
    }
  return false;
}

bool slider_set(SliderSetting& sl, const char* text) {
  double v;
  if (sscanf(text, "%lf", &v) != 1 || !std::isfinite(v)) return false;
  sl.value = std::clamp(v, sl.min, sl.max);
  return true;
}

ControlBinding* settings_binding(Settings& s, const char* key) {
  for (ControlBinding& b : s.bindings)
    if (strcmp(b.key, key) == 0) return &b;
  return nullptr;
}

// The keys of the file in writing order. Each row reaches its setting
// through a small function so one table serves reading and writing.
enum RowKind { ROW_INT, ROW_CHOICE, ROW_SLIDER, ROW_TEXT, ROW_FLOAT };
struct SettingRow {
  const char* key;
  RowKind kind;
  void* (*field)(Settings& s);
};

#define ROW(k, kind, member) {k, kind, [](Settings& s) -> void* { return &s.member; }}

static const SettingRow rows_before_setup[] = {
    ROW("xres", ROW_INT, xres),
    ROW("yres", ROW_INT, yres),
    ROW("draw_fps", ROW_INT, draw_fps),
    ROW("draw_time", ROW_INT, draw_time),
    ROW("draw_ping", ROW_INT, draw_ping),
    ROW("draw_speed", ROW_INT, draw_speed),
    ROW("spy", ROW_INT, spy),
};
static const SettingRow rows_race[] = {
    ROW("record", ROW_CHOICE, record),
    ROW("skill", ROW_CHOICE, skill),
    ROW("minutes", ROW_SLIDER, minutes),
    ROW("laps", ROW_SLIDER, laps),
};
static const SettingRow rows_after_slots[] = {
    ROW("ghost_fade_distance", ROW_SLIDER, ghost_fade_distance),
    ROW("time_trial_abort", ROW_CHOICE, time_trial_abort),
};
static const SettingRow rows_after_setup[] = {
    ROW("video_mode", ROW_CHOICE, video_mode),
    ROW("server_name", ROW_TEXT, server_name),
};
static const SettingRow rows_graphics[] = {
    ROW("ground_detail", ROW_SLIDER, ground_detail),
    ROW("ground_texture_detail", ROW_SLIDER, ground_texture_detail),
    ROW("ground_texture_dim", ROW_CHOICE, ground_texture_dim),
    ROW("ground_mipmaps", ROW_CHOICE, ground_mipmaps),
    ROW("texture_compress", ROW_CHOICE, texture_compress),
    ROW("render_texture", ROW_CHOICE, render_texture),
    ROW("use_shader", ROW_CHOICE, use_shader),
    ROW("roost_density", ROW_SLIDER, roost_density),
    ROW("reshade_delay", ROW_SLIDER, reshade_delay),
    ROW("lens_flare", ROW_CHOICE, lens_flare),
    ROW("reflections", ROW_CHOICE, reflections),
    ROW("hide_rider", ROW_CHOICE, hide_rider),
    ROW("rigid_camera", ROW_CHOICE, rigid_camera),
    ROW("model_detail", ROW_SLIDER, model_detail),
    ROW("model_texture_detail", ROW_SLIDER, model_texture_detail),
    ROW("fov", ROW_SLIDER, fov),
    ROW("first_person_height", ROW_SLIDER, first_person_height),
    ROW("first_person_angle", ROW_SLIDER, first_person_angle),
    ROW("first_person_gimbal", ROW_SLIDER, first_person_gimbal),
    ROW("third_person_height", ROW_SLIDER, third_person_height),
    ROW("third_person_distance", ROW_SLIDER, third_person_distance),
    ROW("volume", ROW_SLIDER, volume),
    ROW("comp_volume", ROW_SLIDER, comp_volume),
    ROW("playback_mode", ROW_CHOICE, playback_mode),
    ROW("billboard_optimize_lookahead", ROW_INT, billboard_optimize_lookahead),
    ROW("message_lines", ROW_INT, message_lines),
    ROW("demo_backups", ROW_INT, demo_backups),
    ROW("map_scale", ROW_FLOAT, map_scale),
};

#undef ROW

template <size_t N>
static const SettingRow* find_row(const SettingRow (&rows)[N], const char* key) {
  for (const SettingRow& r : rows)
    if (strcmp(r.key, key) == 0) return &r;
  return nullptr;
}

static void row_read(Settings& s, const SettingRow& r, const char* value) {
  void* f = r.field(s);
  switch (r.kind) {
    case ROW_INT: {
      int v;
      if (sscanf(value, "%d", &v) == 1) *(int*)f = v;
      break;
    }
    case ROW_CHOICE: choice_set(*(ChoiceSetting*)f, value); break;
    case ROW_SLIDER: slider_set(*(SliderSetting*)f, value); break;
    case ROW_TEXT: {
      TextSetting& t = *(TextSetting*)f;
      t.text = std::string(value).substr(0, size_t(t.max_length));
      break;
    }
    case ROW_FLOAT: {
      float v;
      if (sscanf(value, "%f", &v) == 1 && std::isfinite(v)) *(float*)f = std::clamp(v, 0.125f, 8.0f);
      break;
    }
  }
}

void settings_read_line(Settings& s, const char* line) {
  const char* eq = strchr(line, '=');
  if (!eq) return;
  std::string key(line, size_t(eq - line));
  std::string value = eq + 1;
  while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
  const char* v = value.c_str();
  if (setup_read(s.setup, key.c_str(), v)) return;
  const SettingRow* r = nullptr;
  if ((r = find_row(rows_before_setup, key.c_str())) || (r = find_row(rows_race, key.c_str())) ||
      (r = find_row(rows_after_slots, key.c_str())) || (r = find_row(rows_after_setup, key.c_str())) ||
      (r = find_row(rows_graphics, key.c_str()))) {
    row_read(s, *r, v);
    return;
  }
  if (key == "track") {
    s.wanted_track = value;
    choice_set(s.track, v);
    return;
  }
  char name[32];
  for (int i = 0; i < SETTINGS_SLOTS; ++i) {
    snprintf(name, sizeof name, "slot%02d", i);
    if (key == name) {
      choice_set(s.slots[i], v);
      return;
    }
  }
  for (int i = 0; i < SETTINGS_HISTORY; ++i) {
    snprintf(name, sizeof name, "server_name_hist%02d", i);
    if (key == name) {
      if (value.size() < 127) s.server_history[i] = value;
      return;
    }
  }
  if (key == "use_fbo") {
    // Read but never written: the older switch between the two hardware methods.
    choice_set(s.render_texture, value == "Yes" ? "Hardware/Direct" : "Hardware/Copy");
    return;
  }
  if (ControlBinding* b = settings_binding(s, key.c_str())) binding_parse(*b, v);
}

bool settings_read(Settings& s, Vfs& vfs) {
  VfsFile* f = vfs_open(vfs, "@config", "rb");
  if (!f) return false;
  // Lines hold at most what the writer writes: a key and a 1023-character
  // value. A longer line is dropped whole rather than read cut short.
  char line[2048];
  while (vfs_gets(f, line, sizeof line)) {
    size_t n = strlen(line);
    if (n == sizeof line - 1 && line[n - 1] != '\n') {
      char rest[2048];
      while (vfs_gets(f, rest, sizeof rest) && rest[strlen(rest) - 1] != '\n') {
      }
      continue;
    }
    settings_read_line(s, line);
  }
  vfs_close(f);
  return true;
}

static bool row_write(const Settings& cs, const SettingRow& r, VfsFile* f) {
  Settings& s = const_cast<Settings&>(cs);  // the field accessors are shared with reading
  void* p = r.field(s);
  switch (r.kind) {
    case ROW_INT: return vfs_printf(f, "%s=%d\n", r.key, *(int*)p) >= 0;
    case ROW_CHOICE: return vfs_printf(f, "%s=%s\n", r.key, ((ChoiceSetting*)p)->text()) >= 0;
    case ROW_SLIDER: return vfs_printf(f, "%s=%f\n", r.key, ((SliderSetting*)p)->value) >= 0;
    case ROW_TEXT: return vfs_printf(f, "%s=%s\n", r.key, ((TextSetting*)p)->text.c_str()) >= 0;
    case ROW_FLOAT: return vfs_printf(f, "%s=%f\n", r.key, double(*(float*)p)) >= 0;
  }
  return false;
}

template <size_t N>
static bool rows_write(const Settings& s, const SettingRow (&rows)[N], VfsFile* f) {
  for (const SettingRow& r : rows)
    if (!row_write(s, r, f)) return false;
  return true;
}

static bool settings_write_to(const Settings& s, VfsFile* f) {
  bool ok = rows_write(s, rows_before_setup, f);
  const char* track = s.track.choices.empty() ? s.wanted_track.c_str() : s.track.text();
  ok = ok && vfs_printf(f, "track=%s\n", track) >= 0;
  ok = ok && rows_write(s, rows_race, f);
  for (int i = 0; ok && i < SETTINGS_SLOTS; ++i) ok = vfs_printf(f, "slot%02d=%s\n", i, s.slots[i].text()) >= 0;
  ok = ok && rows_write(s, rows_after_slots, f);
  ok = ok && setup_write(s.setup, f);
  ok = ok && rows_write(s, rows_after_setup, f);
  for (int i = 0; ok && i < SETTINGS_HISTORY; ++i)
    ok = vfs_printf(f, "server_name_hist%02d=%s\n", i, s.server_history[i].c_str()) >= 0;
  ok = ok && rows_write(s, rows_graphics, f);
  for (const ControlBinding& b : s.bindings)
    ok = ok && vfs_printf(f, "%s=%s\n", b.key, binding_format(b).c_str()) >= 0;
  return ok;
}

bool settings_write(const Settings& s, Vfs& vfs) {
  VfsFile* f = vfs_open(vfs, "@config.new", "wb");
  if (!f) return false;
  bool ok = settings_write_to(s, f);
  ok = vfs_flush(f) == 0 && ok;
  vfs_close(f);
  // The new file replaces the old one in a single rename: a failed write
  // leaves the player's settings as they were.
  return ok && vfs_replace(vfs, "@config.new", "@config");
}
