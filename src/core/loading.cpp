// The loading screen pump and status lines.
#include "core/app.h"

#include "platform/log.h"
#include "render/loading_screen.h"

void app_drain_events(App& app) {
  if (!app.window) return;
  InputEvent e;
  while (event_poll(app.window, e)) {
  }
}

void app_loading_pump(App& app) {
  app_drain_events(app);
  ClockTime now = clock_now();
  if (app.loading_counter == 0 && app.loading_start.seconds == 0) app.loading_start = now;
  if (clock_to_double(now) - clock_to_double(app.loading_last) < 1.0 / 16) return;
  Drawable d;
  if (!app.window || !frame_begin(app.window, d)) return;
  app.loading_last = now;
  loading_screen_draw(d.width, d.height, unsigned(app.loading_counter++),
                      clock_to_double(now) - clock_to_double(app.loading_start));
  frame_end(app.window);
}

void app_status_line(App& app, const char* text) {
  // The longest stretch between two status lines, and what showed during it.
  double now = clock_to_double(clock_now());
  if (app.status_previous >= 0 && now - app.status_previous > app.status_longest) {
    app.status_longest = now - app.status_previous;
    app.status_longest_text = app.status_text;
  }
  app.status_previous = now;
  app.status_text = text;
  app_drain_events(app);
  for (ControlEntry& c : app.loop.table) c.value = 0;
  app.loop.left_button = false;
  log_message("%s\n", text);
}

void app_loading_delay_report(App& app) {
  if (app.status_previous >= 0) {
    double now = clock_to_double(clock_now());
    if (now - app.status_previous > app.status_longest) {
      app.status_longest = now - app.status_previous;
      app.status_longest_text = app.status_text;
    }
  }
  log_message("Max loading delay was %f (%s)\n", app.status_longest, app.status_longest_text.c_str());
  app.status_previous = -1;
  app.status_longest = 0;
  app.status_longest_text.clear();
}
