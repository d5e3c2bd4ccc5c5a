#include "core/loop.h"

#include "bike/bike_sim.h"

#include <algorithm>
#include <cmath>

static const ControlEntry control_rows[12] = {
    {"left_key", CONTROL_STEER, +1},           {"right_key", CONTROL_STEER, -1},
    {"throttle_key", CONTROL_THROTTLE, +1},    {"front_brake_key", CONTROL_FRONT_BRAKE, +1},
    {"rear_brake_key", CONTROL_REAR_BRAKE, +1}, {"upshift_key", CONTROL_SHIFT, +1},
    {"downshift_key", CONTROL_SHIFT, -1},      {"clutch_key", CONTROL_CLUTCH, +1},
    {"dab_key", CONTROL_DAB, +1},              {"back_up_key", CONTROL_BACK_UP, +1},
    {"lean_forward_key", CONTROL_LEAN, -1},    {"lean_backward_key", CONTROL_LEAN, +1},
};

// Default keys (set-1 scan codes) of the rider controls, in table order:
// left, right, x, c, v, up, down, z, right ctrl, b, n, m.
static const uint32_t default_control_keys[12] = {0x14B, 0x14D, 0x2D, 0x2E, 0x2F, 0x148,
                                                  0x150, 0x2C,  0x11D, 0x30, 0x31, 0x32};

void loop_init(MainLoop& L) {
  for (int i = 0; i < 12; ++i) {
    L.table[i] = control_rows[i];
    L.table[i].code = EVENT_KEY_BASE + default_control_keys[i];
  }
  L.pause_key = EVENT_KEY_BASE + 0x45;       // pause
  L.step_key = EVENT_KEY_BASE + 0x34;        // .
  L.rewind_key = EVENT_KEY_BASE + 0x2B;      // backslash
  L.skip_key = EVENT_KEY_BASE + 0x35;        // /
  L.prev_key = EVENT_KEY_BASE + 0x1A;        // [
  L.next_key = EVENT_KEY_BASE + 0x1B;        // ]
  L.console_key = EVENT_KEY_BASE + 0x14;     // t
  L.screenshot_key = EVENT_KEY_BASE + 0x1F;  // s
  L.esc_code = EVENT_KEY_BASE + 0x01;
  L.cursor_left_code = EVENT_MOUSE_LEFT;
  for (int& s : L.slot_not_local) s = 1;
}

int loop_histogram_bucket(double d, double tic) {
  int bucket = 0;
  for (double limit = tic; bucket < 7 && d >= limit; limit *= 2) ++bucket;
  return bucket;
}

static double clock_diff(ClockTime a, ClockTime b) {
  return double(a.seconds - b.seconds) + double(a.micros - b.micros) * 1e-6;
}

static ClockTime clock_add(ClockTime t, double seconds) {
  int64_t us = t.seconds * 1000000 + t.micros + int64_t(std::llround(seconds * 1e6));
  return ClockTime{us / 1000000, int32_t(us % 1000000)};
}

static void loop_sleep(LoopPlatform& P, double seconds) {
  if (seconds <= 0) return;
  int64_t us = int64_t(std::ceil(seconds * 1e6));
  P.sleep(P.context, us / 1000000, int32_t(us % 1000000));
}

double loop_frame_step(MainLoop& L, LoopPlatform& P) {
  ClockTime now = P.now(P.context);
  double d = clock_diff(now, L.previous_frame);
  ++L.histogram[loop_histogram_bucket(d, L.tic_length)];
  double step;
  if (!L.online && L.lock_fps > 0) {
    double period = 1.0 / L.lock_fps;
    if (d < period) {
      loop_sleep(P, period - d);
      now = P.now(P.context);
    }
    step = period;
  } else if (!L.online && L.warp) {
    step = 100 * L.tic_length;
  } else {
    // Never more than one frame per tic: sleep out the rest of the tic.
    while (d < L.tic_length) {
      loop_sleep(P, L.tic_length - d);
      now = P.now(P.context);
      d = clock_diff(now, L.previous_frame);
    }
    step = std::min(d, 0.125);
  }
  L.shortest_step = std::min(L.shortest_step, step);
  L.longest_step = std::max(L.longest_step, step);
  L.frame_now = now;
  return step;
}

bool loop_riding(const MainLoop& L) {
  return L.viewed_slot >= 0 && L.viewed_slot < LOOP_SLOTS && L.slot_not_local[L.viewed_slot] == 0;
}

void loop_sum_controls(MainLoop& L) {
  std::fill(L.controls, L.controls + CONTROL_COUNT, 0.0f);
  for (ControlEntry& c : L.table) {
    if (c.is_axis) {
      float range = c.high - c.low;
      // An axis whose two ends are equal gives no range: it counts as unbound.
      c.value = range == 0 ? 0 : std::clamp((float(c.axis_raw) / 32768 - c.low) / range, 0.0f, 1.0f);
    }
    L.controls[c.index] += c.value * c.scale;
  }
}

void loop_rider_input(MainLoop& L) {
  const float* c = L.controls;
  RiderInput& r = L.rider;
  r.steer = L.reverse_steering ? -c[CONTROL_STEER] : c[CONTROL_STEER];
  r.front_brake = c[CONTROL_FRONT_BRAKE];
  r.rear_brake = c[CONTROL_REAR_BRAKE];
  r.throttle = c[CONTROL_THROTTLE];
  bool dab_high = c[CONTROL_DAB] >= 0.5f;
  if (L.sticky_dab) {
    if (dab_high && !L.dab_was_high) L.dab_toggle = !L.dab_toggle;
    r.dab = L.dab_toggle ? 1.0f : 0.0f;
  } else {
    r.dab = c[CONTROL_DAB];
  }
  L.dab_was_high = dab_high;
  r.back_up = c[CONTROL_BACK_UP];
  r.lean = c[CONTROL_LEAN];
  // The clutch lets in gradually (four tics' worth a tic) but drops at once.
  r.clutch = float(bike_clutch_ease(r.clutch, c[CONTROL_CLUTCH], L.tic_length));
  r.shift = c[CONTROL_SHIFT] > 0.5f ? 1 : c[CONTROL_SHIFT] < -0.5f ? -1 : 0;
}

static void loop_orbit_tic(MainLoop& L) {
  const float* c = L.controls;
  const float pi = 3.14159265358979f;
  L.orbit_yaw += c[CONTROL_STEER] * 2 * pi / 1024;
  if (L.orbit_yaw > pi) L.orbit_yaw -= 2 * pi;
  if (L.orbit_yaw < -pi) L.orbit_yaw += 2 * pi;
  if (c[CONTROL_THROTTLE] > 0.5f) {
    L.orbit_distance -= 1.0f / 64;
    if (L.orbit_distance < 0.265625f) L.orbit_distance = 0.25f;
  }
  if (c[CONTROL_FRONT_BRAKE] > 0.5f) L.orbit_distance += 1.0f / 64;
  L.orbit_height += c[CONTROL_SHIFT] * float(L.tic_length);
}

static void loop_sim_tic(MainLoop& L, LoopHooks& H) {
  if (H.sim_tic) H.sim_tic(H.context);
  ++L.tics_run;
}

void loop_tic_body(MainLoop& L, LoopHooks& H) {
  bool riding = loop_riding(L);
  if (L.menu_screen == MENU_NONE) {
    if (L.view_mode == VIEW_EDITOR) {
      if (!L.online) return;
    } else if (L.view_mode == VIEW_IDLE) {
    } else if (riding) {
      if (L.viewed_has_bike) {
        loop_rider_input(L);
        if (H.rider_input) H.rider_input(H.context, L.rider);
      }
    } else if (L.view_mode == VIEW_ORBIT) {
      loop_orbit_tic(L);
    } else if (L.view_mode == VIEW_TRACKSIDE) {
      bool dab_high = L.controls[CONTROL_DAB] >= 0.5f;
      if (dab_high && !L.dab_was_high) L.camera_auto = !L.camera_auto;
      L.dab_was_high = dab_high;
    }
  } else {
    // Offline, the simulation stands still while a menu is open.
    if (riding && !L.online) return;
    if (L.view_mode == VIEW_EDITOR && !L.online) return;
  }
  if (L.online) L.paused = false;
  if (!L.track_loaded) {
    L.view_mode = VIEW_IDLE;
    return;
  }
  if (L.paused || L.view_mode == VIEW_IDLE) return;
  loop_sim_tic(L, H);
}

static void loop_tab(MainLoop& L) {
  switch (L.view_mode) {
    case VIEW_EDITOR: L.view_mode = VIEW_ORBIT; break;
    case VIEW_ORBIT: L.view_mode = VIEW_TRACKSIDE; break;
    case VIEW_BODY:
    case VIEW_TRACKSIDE: L.view_mode = VIEW_RIDER; break;
    case VIEW_RIDER: L.view_mode = L.editor_enabled ? VIEW_EDITOR : VIEW_ORBIT; break;
    default: break;
  }
}

static void loop_riding_dispatch(MainLoop& L, LoopHooks& H, const InputEvent& e) {
  if (!e.pressed) return;
  if (e.code == L.console_key) {
    L.menu_screen = MENU_CONSOLE;
    L.menu_cursor = 0;
  }
  if (L.view_mode == VIEW_IDLE) return;
  if (e.code == L.pause_key && !L.online) L.paused = !L.paused;
  if (e.code == L.step_key && L.paused) loop_sim_tic(L, H);
  if (e.code == 9) loop_tab(L);
  if (e.code == L.screenshot_key && L.view_mode != VIEW_EDITOR && H.screenshot) H.screenshot(H.context);
  if (e.code >= '0' && e.code <= '9') L.camera_selected = std::min(L.camera_count, int(e.code - '0')) - 1;
}

void loop_dispatch(MainLoop& L, LoopHooks& H, const InputEvent& e) {
  if (e.code == EVENT_WINDOW_CLOSE) {
    L.quit = true;
    return;
  }
  if (L.menu_screen != L.menu_at_frame_start) L.menu_shut_off = true;
  for (ControlEntry& c : L.table)
    if (!c.is_axis && c.code != 0 && c.code == e.code) c.value = e.pressed ? 1.0f : 0.0f;
  if (e.code == L.cursor_left_code) L.left_button = e.pressed;
  if (H.capture_event && H.capture_event(H.context, e)) {
    if (!e.pressed && L.menu_screen == MENU_NONE) loop_riding_dispatch(L, H, e);
    return;
  }
  if (e.code == L.esc_code && e.pressed) {
    if (L.menu_screen == MENU_NONE) {
      L.menu_screen = MENU_MAIN;
      L.menu_cursor = 0;
      if (H.menu_key) H.menu_key(H.context, e.code, e.pressed);
      return;
    }
    L.menu_screen = MENU_NONE;
    L.menu_cursor = 0;
  }
  if (L.menu_screen == MENU_NONE) {
    loop_riding_dispatch(L, H, e);
  } else if (e.pressed && !L.menu_shut_off && H.menu_key) {
    H.menu_key(H.context, e.code, e.pressed);
  }
  if (!L.track_loaded) L.view_mode = VIEW_IDLE;
}

int loop_run_tics(MainLoop& L, LoopPlatform& P, LoopHooks& H) {
  int count = 0;
  double now = double(L.frame_now.seconds) + L.frame_now.micros * 1e-6;
  ClockTime origin = clock_add(L.frame_now, -L.real_time);
  while (L.sim_time < L.real_time) {
    L.sim_time += L.tic_length;
    ClockTime T = clock_add(origin, L.sim_time);
    double t = double(T.seconds) + T.micros * 1e-6;
    InputEvent e;
    // The last tic of the frame takes whatever is queued; earlier ones only
    // what happened before their time.
    while (t >= now ? P.poll(P.context, e) : P.wait_until(P.context, T, e)) loop_dispatch(L, H, e);
    if (H.capture_tic) H.capture_tic(H.context);
    if (H.read_axes) H.read_axes(H.context);
    loop_sum_controls(L);
    loop_tic_body(L, H);
    ++count;
  }
  return count;
}
