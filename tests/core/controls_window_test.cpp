// A key bound in "@config" and pressed through the X server sets its rider
// control (needs a display: the test command runs under xvfb-run).
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/app.h"
#include "platform/input.h"
#include "test_util.h"

TEST(ControlsWindow, ConfiguredKeyDrivesItsControl) {
  const char* display = getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no display";
  TempDir dir;
  write_file(dir / "home/config", "throttle_key=(k)q\nfront_brake_key=\n");
  App* app = new App;
  vfs_set_folders(app->vfs, dir / "home", dir / "game");
  settings_defaults(app->settings);
  ASSERT_TRUE(settings_read(app->settings, app->vfs));
  app->window = window_open("Loamrun controls test", 320, 240, 24, 0, 16, 0, 0);
  ASSERT_NE(app->window, nullptr);
  loop_init(app->loop);
  app_bind_controls(*app);
  MainLoop& L = app->loop;
  EXPECT_EQ(L.table[2].code, 0x1010u);  // throttle on "q"
  EXPECT_EQ(L.table[3].code, 0u);       // front brake unbound
  EXPECT_EQ(L.pause_key, 0x1045u);      // defaults for the rest
  LoopHooks hooks;
  auto pump = [&](int millis) {
    for (int i = 0; i < millis / 10; ++i) {
      InputEvent e;
      while (event_poll(app->window, e)) loop_dispatch(L, hooks, e);
      clock_sleep(0, 10000);
    }
  };
  pump(300);
  std::string id = xdotool_window_id("Loamrun controls test");
  ASSERT_NE(id, "");
  ASSERT_EQ(system(("timeout 10 xdotool windowfocus " + id + " keydown q").c_str()), 0);
  pump(300);
  loop_sum_controls(L);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_THROTTLE], 1);
  ASSERT_EQ(system("timeout 10 xdotool keyup q keydown x"), 0);  // x no longer drives the throttle
  pump(300);
  loop_sum_controls(L);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_THROTTLE], 0);
  ASSERT_EQ(system("timeout 10 xdotool keyup x"), 0);
  app_release_controls(*app);
  window_close(app->window);
  delete app;
}
