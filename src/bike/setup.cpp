#include "bike/setup.h"

#include "vfs/vfs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

static SetupKey number(const char* key, double def, double step, double min, double max) {
  return SetupKey{key, SETUP_NUMBER, def, step, min, max, {}, 0, ""};
}
static SetupKey choice(const char* key, std::vector<const char*> choices, int def) {
  return SetupKey{key, SETUP_CHOICE, double(def), 0, 0, 0, std::move(choices), 0, ""};
}
static SetupKey text(const char* key, int max_length, const char* def) {
  return SetupKey{key, SETUP_TEXT, 0, 0, 0, 0, {}, max_length, def};
}

static int bike_default_index() {
  const auto& names = bike_model_names();
  for (size_t i = 0; i < names.size(); ++i)
    if (strcmp(names[i], "yz250f(2017)") == 0) return int(i);
  return 0;
}

const std::vector<SetupKey>& setup_keys() {
  static const std::vector<SetupKey> keys = [] {
    std::vector<const char*> no_yes = {"No", "Yes"}, brakes = {"Normal", "Antilock"};
    std::vector<SetupKey> k = {
        choice("bike", bike_model_names(), bike_default_index()),
        text("name", 63, "Joe Motocross"),
        text("number", 3, "999"),
        // The graphics choices hold display texts; "default" is the first of each list.
        text("rider_texture", 1023, "default"),
        text("head_texture", 1023, "default"),
        text("bike_texture", 1023, "default"),
        text("wheel_texture", 1023, "default"),
        number("stability", 100, 1, 0, 100),
        number("leveling", 20, 1, 0, 100),
        number("roll_damping", 80, 1, 0, 100),
        number("roll_limit_angle", 45, 1, 0, 180),
        number("roll_limit_factor", 32, 1, 0, 64),
        number("steering_damping", 60, 1, 0, 100),
        number("steering_strength", 75, 1, 0, 100),
        number("max_steering_force", 400, 5, 0, 1000),
        number("direct_steering", 0.125, 0.125, 0, 1),
        number("slow_damping_speed", 40, 1, 0, 100),
        number("slow_damping_factor", 2, 0.25, 1, 10),
        number("land_damping_falloff", 0.25, 0.0625, 0, 0.5),
        number("land_damping_factor", 2, 0.25, 1, 3),
        number("full_lock_speed", 10, 1, 1, 100),
        number("restricted_lock_speed", 50, 1, 1, 100),
        number("restricted_lock", 1, 0.125, 0, 45),
        choice("arcade", no_yes, 1),
        choice("front_brake", brakes, 1),
        choice("rear_brake", brakes, 0),
        choice("stop_wheelies", {"No", "Yes", "Front Only"}, 1),
        choice("auto_shift", no_yes, 1),
        choice("auto_dab", no_yes, 1),
        choice("auto_align", no_yes, 1),
        choice("sticky_dab", no_yes, 0),
        choice("reverse_steering", no_yes, 1),
        choice("lean_indicator", no_yes, 1),
        number("auto_clutch_rpms", 5000, 100, 0, 5000),
        number("brake_torque", 500, 10, 0, 500),
        number("rear_brake_torque", 250, 10, 0, 500),
        number("max_dab_speed", 60, 1, 5, 60),
        number("front_sprocket_adjustment", 0, 1, -2, 2),
        number("rear_sprocket_adjustment", 0, 1, -2, 2),
        number("fork_compression_adjustment", 50, 1, 0, 100),
        number("fork_slow_compression_adjustment", 50, 1, 0, 100),
        number("fork_rebound_adjustment", 50, 1, 0, 100),
        number("fork_slow_rebound_adjustment", 50, 1, 0, 100),
        number("fork_spring_rate_adjustment", 50, 1, 0, 100),
        number("fork_preload_adjustment", 50, 1, 0, 100),
        number("fork_oil_level_adjustment", 50, 1, 0, 100),
        number("shock_compression_adjustment", 75, 1, 0, 100),
        number("shock_slow_compression_adjustment", 50, 1, 0, 100),
        number("shock_rebound_adjustment", 75, 1, 0, 100),
        number("shock_slow_rebound_adjustment", 50, 1, 0, 100),
        number("shock_spring_rate_adjustment", 50, 1, 0, 100),
        number("shock_preload_adjustment", 50, 1, 0, 100),
        number("rider_yspring", 50, 1, 0, 100),
        number("rider_ydamping", 50, 1, 0, 100),
        number("rider_zspring", 50, 1, 0, 100),
        number("rider_zdamping", 50, 1, 0, 100),
        number("rider_mass_distribution", 0.33, 0.01, 0.33, 0.5),
    };
    return k;
  }();
  return keys;
}

int setup_key_index(const char* key) {
  const auto& keys = setup_keys();
  for (size_t i = 0; i < keys.size(); ++i)
    if (strcmp(keys[i].key, key) == 0) return int(i);
  return -1;
}

void setup_defaults(Setup& s) {
  const auto& keys = setup_keys();
  s.numbers.assign(keys.size(), 0);
  s.texts.assign(keys.size(), std::string());
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].kind == SETUP_TEXT)
      s.texts[i] = keys[i].default_text;
    else
      s.numbers[i] = keys[i].default_value;
  }
}

// The fifteen advanced keys and their values at stability 0, 20, 40, 60, 80, 100.
struct StabilityRow {
  const char* key;
  double at[6];
};
static const StabilityRow stability_rows[15] = {
    {"leveling", {20, 20, 20, 20, 20, 20}},
    {"roll_damping", {40, 50, 60, 70, 75, 80}},
    {"roll_limit_angle", {90, 45, 45, 45, 45, 45}},
    {"roll_limit_factor", {0, 5, 10, 32, 32, 32}},
    {"steering_damping", {45, 45, 45, 45, 50, 60}},
    {"steering_strength", {75, 75, 75, 75, 75, 75}},
    {"direct_steering", {1, 1, 1, 1, 1, 0.125}},
    {"slow_damping_speed", {40, 40, 40, 40, 40, 40}},
    {"slow_damping_factor", {1, 1, 1.5, 2, 2, 2}},
    {"land_damping_falloff", {0, 0.125, 0.25, 0.25, 0.25, 0.25}},
    {"land_damping_factor", {1, 1.5, 2, 2, 2, 2}},
    {"max_steering_force", {400, 400, 400, 400, 400, 400}},
    {"full_lock_speed", {10, 10, 10, 10, 10, 10}},
    {"restricted_lock_speed", {50, 50, 50, 50, 50, 50}},
    {"restricted_lock", {45, 15, 10, 5, 2.5, 1}},
};

void setup_apply_stability(Setup& s, double stability) {
  if (std::isnan(stability)) return;
  double t = std::clamp(stability * 5 / 100, 0.0, 5.0);
  int i = std::clamp(int(std::floor(t)), 0, 4);
  double f = t - i;
  for (const StabilityRow& row : stability_rows)
    setup_set_number(s, row.key, row.at[i] + (row.at[i + 1] - row.at[i]) * f);
}

bool setup_read(Setup& s, const char* key, const char* value) {
  int k = setup_key_index(key);
  if (k < 0) return false;
  if (s.numbers.empty()) setup_defaults(s);
  const SetupKey& sk = setup_keys()[size_t(k)];
  switch (sk.kind) {
    case SETUP_NUMBER: {
      double v;
      if (sscanf(value, "%lf", &v) != 1 || !std::isfinite(v)) return true;  // consumed, unchanged
      v = std::clamp(v, sk.min, sk.max);
      s.numbers[size_t(k)] = v;
      if (strcmp(key, "stability") == 0) setup_apply_stability(s, v);
      return true;
    }
    case SETUP_CHOICE: {
      const char* wanted = strcmp(key, "bike") == 0 ? bike_legacy_name(value) : value;
      for (size_t i = 0; i < sk.choices.size(); ++i)
        if (strcmp(sk.choices[i], wanted) == 0) s.numbers[size_t(k)] = double(i);
      return true;
    }
    case SETUP_TEXT:
      // A texture name cut short would name another file: refuse it whole.
      if (sk.max_length == 1023 && strlen(value) > 1023) return true;
      s.texts[size_t(k)] = std::string(value).substr(0, size_t(sk.max_length));
      return true;
  }
  return true;
}

bool setup_write(const Setup& s, VfsFile* f) {
  const auto& keys = setup_keys();
  if (!f || s.numbers.size() != keys.size() || s.texts.size() != keys.size()) return false;
  for (size_t i = 0; i < keys.size(); ++i) {
    const SetupKey& k = keys[i];
    int n = 0;
    switch (k.kind) {
      case SETUP_NUMBER: n = vfs_printf(f, "%s=%f\n", k.key, s.numbers[i]); break;
      case SETUP_CHOICE: {
        // An index set from outside the choices writes the default choice.
        double c = s.numbers[i];
        size_t index = c >= 0 && c < double(k.choices.size()) ? size_t(c) : size_t(k.default_value);
        n = vfs_printf(f, "%s=%s\n", k.key, k.choices[index]);
        break;
      }
      case SETUP_TEXT: n = vfs_printf(f, "%s=%s\n", k.key, s.texts[i].c_str()); break;
    }
    if (n < 0) return false;
  }
  return true;
}

double setup_number(const Setup& s, const char* key) {
  int k = setup_key_index(key);
  return k < 0 || size_t(k) >= s.numbers.size() ? 0 : s.numbers[size_t(k)];
}

void setup_set_number(Setup& s, const char* key, double value) {
  int k = setup_key_index(key);
  if (k >= 0 && size_t(k) < s.numbers.size()) s.numbers[size_t(k)] = value;
}

const char* setup_choice(const Setup& s, const char* key) {
  int k = setup_key_index(key);
  if (k < 0 || size_t(k) >= s.numbers.size()) return "";
  const SetupKey& sk = setup_keys()[size_t(k)];
  double i = s.numbers[size_t(k)];
  return sk.kind == SETUP_CHOICE && i >= 0 && i < double(sk.choices.size()) ? sk.choices[size_t(i)] : "";
}

const std::string& setup_text(const Setup& s, const char* key) {
  static const std::string empty;
  int k = setup_key_index(key);
  return k < 0 || size_t(k) >= s.texts.size() ? empty : s.texts[size_t(k)];
}
