// One pass of the main loop per frame: draw, record, measure, run tics.
#include "core/app.h"

#include <cstring>

#include "platform/log.h"
#include "platform/messages.h"
#include "render/frame_capture.h"
#include "render/gl_setup.h"

static ClockTime platform_now(void*) { return clock_now(); }
static void platform_sleep(void*, int64_t s, int32_t us) { clock_sleep(s, us); }
static bool platform_poll(void* c, InputEvent& out) { return event_poll(((App*)c)->window, out); }
static bool platform_wait_until(void* c, ClockTime t, InputEvent& out) {
  return event_wait_until(((App*)c)->window, t, out);
}

static void app_sim_tic(void* c) {
  App& app = *(App*)c;
  app_race_tic(app);
  // The audio recorder appends one tic of the memory sink's output here
  // once the mixer runs; until then there is nothing to append.
}

static void app_rider_input(void* c, const RiderInput& in) { app_race_input(*(App*)c, in); }

void app_read_axes(void* context);
bool app_capture_event(void* context, const InputEvent& e);
void app_capture_tic(void* context);

static void app_screenshot_key(void* c) { ((App*)c)->screenshot_pending = true; }

// Chooses the view for this frame from the track and the viewed slot.
static void app_decide_view(MainLoop& L) {
  if (!L.track_loaded) {
    L.view_mode = VIEW_IDLE;
  } else if (L.view_mode == VIEW_IDLE) {
    L.view_mode = L.viewed_has_bike ? VIEW_RIDER : VIEW_TRACKSIDE;
  } else if (L.spy && L.view_mode == VIEW_TRACKSIDE) {
  } else if (loop_riding(L) && L.view_mode != VIEW_EDITOR && L.view_mode != VIEW_ORBIT) {
    L.view_mode = VIEW_RIDER;
  }
  if (L.track_loaded && !L.viewed_has_bike) L.view_mode = VIEW_TRACKSIDE;
}

static void app_take_screenshot(App& app, int width, int height) {
  app.screenshot_pending = false;
  if (app.screenshot_number == 0) app.screenshot_number = frame_first_screenshot_number(vfs_file_list(app.vfs));
  std::vector<unsigned char> rgb = frame_read_pixels(width, height);
  if (rgb.empty()) return;
  int n = app.screenshot_number++;
  if (frame_save_screenshot(app.vfs, n, width, height, rgb))
    log_message("Saved \"screenshot%03d.png\"\n", n);
  else
    log_message("Can't save \"screenshot%03d.png\"\n", n);
}

static void app_draw_frame(App& app) {
  MainLoop& L = app.loop;
  Drawable d;
  if (!frame_begin(app.window, d)) return;
  gl_projection_2d(d.width, d.height);
  gl_clear_frame();
  // The scene, HUD and menus are drawn here as their modules arrive.
  if (!(L.paused && L.show_pause) && app.cl.record_video && L.view_mode != VIEW_IDLE) {
    std::vector<unsigned char> rgb = frame_read_pixels(d.width, d.height);
    if (!rgb.empty()) frame_write_ppm(stdout, d.width, d.height, rgb);
  }
  if (app.screenshot_pending) app_take_screenshot(app, d.width, d.height);
  if (app.cl.glfinish) gl_finish();
  frame_end(app.window);
}

// After the frame's tics: erosion (one step a frame, through the terrain
// deformation once it exists), message ageing and the setup-change report.
static void app_frame_upkeep(App& app) {
  MainLoop& L = app.loop;
  message_log_age(app.messages, L.game_clock);
  if (setup_trackers_due(app.trackers, L.game_clock)) {
    std::string line;
    if (setup_trackers_report(app.trackers, app.settings.setup, line) && !L.online) message_post("%s", line.c_str());
  }
  message_set_sink(nullptr, nullptr);
}

void app_main_loop(App& app) {
  MainLoop& L = app.loop;
  LoopPlatform P;
  P.context = &app;
  P.now = platform_now;
  P.sleep = platform_sleep;
  P.poll = platform_poll;
  P.wait_until = platform_wait_until;
  LoopHooks H;
  H.context = &app;
  H.sim_tic = app_sim_tic;
  H.rider_input = app_rider_input;
  H.screenshot = app_screenshot_key;
  H.read_axes = app_read_axes;
  H.capture_event = app_capture_event;
  H.capture_tic = app_capture_tic;
  L.previous_frame = clock_now();
  app.messages.max_lines = app.settings.message_lines;
  message_set_sink(
      [](void* c, const char* text) {
        App& a = *static_cast<App*>(c);
        message_log_post(a.messages, text, a.loop.game_clock);
        log_message("%s%s", text, *text && text[strlen(text) - 1] == '\n' ? "" : "\n");
      },
      &app);
  while (!L.quit) {
    app_decide_view(L);
    L.menu_at_frame_start = L.menu_screen;
    L.menu_shut_off = false;
    app_draw_frame(app);
    double step = loop_frame_step(L, P);
    L.real_time += step;
    L.game_clock += step;
    loop_run_tics(L, P, H);
    app_frame_upkeep(app);
    L.previous_frame = L.frame_now;
  }
  message_set_sink(nullptr, nullptr);
}
