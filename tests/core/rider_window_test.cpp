// A player on the generated track, driven by real X key events through the
// window, the event queue, the control table and the rider's controls:
// throttle, brake, shifting, steering and dab act on his bike (needs a
// display: the test command runs under xvfb-run).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bike/bike_spec.h"
#include "bike/setup.h"
#include "core/app.h"
#include "platform/input.h"
#include "test_util.h"

namespace {

struct RiderWindow : ::testing::Test {
  TempDir dir;
  App* app = nullptr;
  LoopHooks hooks;

  void SetUp() override {
    const char* display = getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no display";
    std::string cmd = std::string(LR_GAMEDATA_BIN) + " '" + (dir / "game") + "' > /dev/null";
    ASSERT_EQ(system(cmd.c_str()), 0);
    app = new App;
    vfs_set_folders(app->vfs, dir / "home", dir / "game");
    vfs_file_list(app->vfs);
    settings_defaults(app->settings);
    setup_read(app->settings.setup, "arcade", "No");
    setup_read(app->settings.setup, "auto_dab", "Yes");
    ASSERT_GT(tracks_scan(app->tracks, app->vfs, 0), 0);
    ASSERT_TRUE(physics_world_create(app->physics));
    shape_cache_init(app->shapes, app->vfs);
    app->window = window_open("Loamrun rider test", 320, 240, 24, 0, 16, 0, 0);
    ASSERT_NE(app->window, nullptr);
    loop_init(app->loop);
    app_bind_controls(*app);
    hooks.context = app;
    hooks.sim_tic = [](void* c) { app_race_tic(*static_cast<App*>(c)); };
    hooks.rider_input = [](void* c, const RiderInput& in) { app_race_input(*static_cast<App*>(c), in); };

    int lineup[SLOT_COUNT] = {};
    lineup[0] = LINEUP_HUMAN;
    TrackLoadRequest r;
    r.folder = "tracks/claypit";
    r.lineup = lineup;
    r.laps = 3;
    ASSERT_TRUE(app_track_load(*app, r));
    MainLoop& L = app->loop;
    // As start-up does: the default setup reverses the steering control.
    L.reverse_steering = strcmp(setup_choice(app->settings.setup, "reverse_steering"), "Yes") == 0;
    ASSERT_TRUE(L.reverse_steering);
    L.menu_screen = MENU_NONE;
    L.view_mode = VIEW_RIDER;
    ASSERT_TRUE(L.viewed_has_bike);
    ASSERT_TRUE(loop_riding(L));
  }
  void TearDown() override {
    if (!app) return;
    system("timeout 10 xdotool keyup x c Right Up Control_R 2>/dev/null");
    app_release_controls(*app);
    physics_contacts_destroy(app->physics);
    app_race_free(*app);
    physics_world_destroy(app->physics);
    window_close(app->window);
    vfs_shutdown(app->vfs);
    delete app;
  }
  BikeSim& bike() { return *app->world.slots[0].bike; }
  // Events in, then tics: every tic hands the controls to the bike.
  void ride(int tics) {
    MainLoop& L = app->loop;
    for (int t = 0; t < tics; ++t) {
      InputEvent e;
      while (event_poll(app->window, e)) loop_dispatch(L, hooks, e);
      loop_sum_controls(L);
      loop_tic_body(L, hooks);
      if (t % 16 == 0) clock_sleep(0, 1000);
    }
  }
  void keys(const std::string& args) { ASSERT_EQ(system(("timeout 10 xdotool " + args).c_str()), 0); }
};

TEST_F(RiderWindow, KeysThrottleBrakeShiftSteerAndDab) {
  std::string id = xdotool_window_id("Loamrun rider test");
  ASSERT_NE(id, "");
  keys("windowfocus " + id);
  // Lined up on the ground at the gate, not in it.
  const dReal* at = dBodyGetPosition(bike().body[BIKE_FRAME]);
  double above = at[1] - terrain_height(app->loader.track.terrain, float(at[0]), float(at[2]));
  EXPECT_GT(above, 1.5);
  EXPECT_LT(above, 3.0);
  // Wait on the grid until the gate is down.
  while (app->world.tic < app->world.start_tic + 64) ride(64);
  EXPECT_LT(bike_sim_speed(bike()), 1);
  EXPECT_EQ(bike().crash_index, 0);

  keys("keydown x");
  ride(128 * 3);
  EXPECT_GT(app->loop.controls[CONTROL_THROTTLE], 0.5f);
  double fast = bike_sim_speed(bike());
  EXPECT_GT(fast, 15) << "throttle";
  EXPECT_GT(drivetrain_rpm(bike().drive), 3000);

  keys("keydown Up");
  ride(32);
  keys("keyup Up");
  ride(16);
  EXPECT_GE(bike().drive.gear, 1) << "upshift";

  keys("keydown Right");
  ride(96);
  double lean = bike_sim_lean_angle(bike());
  keys("keyup Right");
  EXPECT_LT(lean, -0.05) << "steering right leans the bike right";

  keys("keyup x keydown c");
  ride(128 * 2);
  EXPECT_LT(bike_sim_speed(bike()), fast - 8) << "front brake";
  keys("keyup c keydown Control_R");
  ride(64);
  EXPECT_GT(bike().player.dab, 0.5);
  keys("keyup Control_R");
  ride(16);
  EXPECT_EQ(bike().player.dab, 0);
}

}  // namespace
