// The bindings of the settings feed the main loop's controls.
#include "core/app.h"

#include "platform/input.h"

#include <cstring>

static InputDevices* app_devices(App& app) { return app.window ? window_devices(app.window) : nullptr; }

void app_bind_controls(App& app) {
  InputDevices* devices = app_devices(app);
  MainLoop& L = app.loop;
  for (ControlBinding& b : app.settings.bindings) binding_resolve(b, devices);
  for (ControlEntry& e : L.table) {
    ControlBinding* b = settings_binding(app.settings, e.key);
    if (!b) continue;
    e.code = b->axis_name ? 0 : b->code;
    e.is_axis = b->axis_name != nullptr;
    e.low = b->low;
    e.high = b->high;
    e.value = 0;
  }
  struct KeyOnly {
    const char* key;
    uint32_t* code;
  } keys[] = {{"pause_key", &L.pause_key},     {"step_key", &L.step_key},       {"rewind_key", &L.rewind_key},
              {"skip_key", &L.skip_key},       {"prev_key", &L.prev_key},       {"next_key", &L.next_key},
              {"console_key", &L.console_key}, {"screenshot_key", &L.screenshot_key}};
  for (const KeyOnly& k : keys) {
    ControlBinding* b = settings_binding(app.settings, k.key);
    *k.code = b && !b->axis_name ? b->code : 0;
  }
  uint32_t esc = key_code(devices, "esc");
  if (esc) L.esc_code = esc;
  uint32_t left = key_code(devices, "cursor-left");
  if (left) L.cursor_left_code = left;
  app.capture.source = capture_platform_axes(devices);
  app.capture.verbosity = app.cl.verbosity;
}

void app_release_controls(App& app) {
  for (ControlBinding& b : app.settings.bindings) binding_release(b);
}

// Reads the axes of axis-bound controls into the loop's table.
void app_read_axes(void* context) {
  App& app = *(App*)context;
  for (ControlEntry& e : app.loop.table) {
    if (!e.is_axis) continue;
    ControlBinding* b = settings_binding(app.settings, e.key);
    e.axis_raw = b && b->axis ? axis_read(b->axis) : 0;
  }
}

bool app_capture_event(void* context, const InputEvent& e) {
  App& app = *(App*)context;
  if (!capture_active(app.capture)) return false;
  if (e.pressed)
    capture_key(app.capture, e.code, key_name(app_devices(app), e.code), app.loop.esc_code, app.loop.game_clock);
  // When the capture just bound a key, the controls follow the new binding.
  if (!capture_active(app.capture)) app_bind_controls(app);
  return true;
}

void app_capture_tic(void* context) {
  App& app = *(App*)context;
  if (!capture_active(app.capture)) return;
  capture_tic(app.capture, app.loop.game_clock);
  if (!capture_active(app.capture)) app_bind_controls(app);
}
