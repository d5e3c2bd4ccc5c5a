// The loading screen pump and status lines.
#include "core/app.h"

#include "platform/log.h"

void app_loading_pump(App& app) {
  ClockTime now = clock_now();
  if (app.loading_counter == 0) app.loading_start = now;
  if (clock_to_double(now) - clock_to_double(app.loading_last) < 1.0 / 16) return;
  if (!app.have_window) return;
  app.loading_last = now;
  ++app.loading_counter;
}

void app_status_line(App& app, const char* text) {
  app.left_button = false;
  log_message("%s\n", text);
}
