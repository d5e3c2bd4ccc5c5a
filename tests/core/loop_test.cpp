#include "core/loop.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

// A clock that moves only when told to (or when slept on), and a queue of
// scripted events.
struct FakePlatform {
  int64_t now_us = 1000000000;  // arbitrary start
  std::deque<InputEvent> events;
  std::vector<int64_t> sleeps;  // microseconds asked for
  LoopPlatform platform() {
    LoopPlatform p;
    p.context = this;
    p.now = [](void* c) {
      auto* f = (FakePlatform*)c;
      return ClockTime{f->now_us / 1000000, int32_t(f->now_us % 1000000)};
    };
    p.sleep = [](void* c, int64_t s, int32_t us) {
      auto* f = (FakePlatform*)c;
      f->sleeps.push_back(s * 1000000 + us);
      f->now_us += s * 1000000 + us;
    };
    p.poll = [](void* c, InputEvent& out) {
      auto* f = (FakePlatform*)c;
      if (f->events.empty()) return false;
      out = f->events.front();
      f->events.pop_front();
      return true;
    };
    p.wait_until = [](void* c, ClockTime t, InputEvent& out) {
      auto* f = (FakePlatform*)c;
      if (f->events.empty() || clock_before(t, f->events.front().time)) return false;
      out = f->events.front();
      f->events.pop_front();
      return true;
    };
    return p;
  }
  ClockTime at(int64_t us) const { return ClockTime{us / 1000000, int32_t(us % 1000000)}; }
};

// Records what the loop asked of the rest of the program, tic by tic.
struct Recorder {
  int tics = 0;
  std::vector<RiderInput> inputs;
  std::vector<uint32_t> menu_keys;
  int screenshots = 0;
  MainLoop* loop = nullptr;
  std::vector<float> throttle_at_tic;  // the throttle control when each tic ran
  LoopHooks hooks() {
    LoopHooks h;
    h.context = this;
    h.sim_tic = [](void* c) {
      auto* r = (Recorder*)c;
      ++r->tics;
      r->throttle_at_tic.push_back(r->loop->controls[CONTROL_THROTTLE]);
    };
    h.menu_key = [](void* c, uint32_t code, bool) { ((Recorder*)c)->menu_keys.push_back(code); };
    h.screenshot = [](void* c) { ++((Recorder*)c)->screenshots; };
    h.rider_input = [](void* c, const RiderInput& in) { ((Recorder*)c)->inputs.push_back(in); };
    return h;
  }
};

// A loop riding a loaded track with no menu open.
static void ride(MainLoop& L) {
  loop_init(L);
  L.track_loaded = true;
  L.viewed_has_bike = true;
  L.slot_not_local[0] = 0;
  L.viewed_slot = 0;
  L.view_mode = VIEW_RIDER;
  L.menu_screen = L.menu_at_frame_start = MENU_NONE;
}

// One frame: measure, accumulate, run tics. Returns the tics run.
static int frame(MainLoop& L, FakePlatform& F, Recorder& R) {
  LoopPlatform p = F.platform();
  LoopHooks h = R.hooks();
  R.loop = &L;
  L.menu_at_frame_start = L.menu_screen;
  L.menu_shut_off = false;
  double step = loop_frame_step(L, p);
  L.real_time += step;
  L.game_clock += step;
  int n = loop_run_tics(L, p, h);
  L.previous_frame = L.frame_now;
  return n;
}

struct LoopFixture : ::testing::Test {
  MainLoop L;
  FakePlatform F;
  Recorder R;
  void SetUp() override {
    ride(L);
    L.previous_frame = F.at(F.now_us);
  }
};

TEST_F(LoopFixture, StepRules) {
  F.now_us += 2000000;  // a 2 s stall runs only 16 tics
  EXPECT_EQ(frame(L, F, R), 16);
  EXPECT_EQ(L.histogram[7], 1u);
  EXPECT_DOUBLE_EQ(L.longest_step, 0.125);
  // A frame that came back too soon sleeps out the rest of one tic.
  F.now_us += 1000;
  int before = R.tics;
  frame(L, F, R);
  ASSERT_FALSE(F.sleeps.empty());
  EXPECT_EQ(L.histogram[0], 1u);
  EXPECT_NEAR(L.shortest_step, 0.0078125, 1e-6);
  EXPECT_GE(R.tics - before, 1);
  // Frames never run faster than one a tic: instant frames over 2 s of
  // clock are at most 256 (plus the one that starts the last tic).
  int64_t start = F.now_us;
  int frames = 0;
  while (F.now_us - start < 2000000) {
    frame(L, F, R);
    ++frames;
  }
  EXPECT_LE(frames, 257);
  EXPECT_GE(frames, 255);
}

TEST_F(LoopFixture, HistogramBuckets) {
  double t = 0.0078125;
  struct Case {
    double d;
    int bucket;
  } cases[] = {{0, 0}, {t * 0.99, 0}, {t, 1}, {2 * t - 1e-9, 1}, {2 * t, 2}, {7 * t, 3}, {8 * t, 4},
               {31 * t, 5}, {32 * t, 6}, {64 * t, 7}, {1000, 7}};
  for (const Case& c : cases) EXPECT_EQ(loop_histogram_bucket(c.d, t), c.bucket) << c.d;
}

TEST_F(LoopFixture, LockedRateAdvancesExactlyOneFrameOfGameTime) {
  L.lock_fps = 30;
  int tics = 0;
  for (int i = 0; i < 30; ++i) {
    F.now_us += 5000;  // drawing took 5 ms: the loop sleeps to 1/30 s
    tics += frame(L, F, R);
  }
  EXPECT_NEAR(L.game_clock, 1.0, 1e-9);
  EXPECT_EQ(tics, 128);
  // Online the lock has no effect: the step follows the clock.
  L.online = true;
  double before = L.game_clock;
  F.now_us += 50000;
  frame(L, F, R);
  EXPECT_NEAR(L.game_clock - before, 0.05, 1e-6);
}

TEST_F(LoopFixture, WarpRunsHundredTicsAFrameOffline) {
  L.warp = true;
  F.now_us += 10000;
  EXPECT_EQ(frame(L, F, R), 100);
}

TEST_F(LoopFixture, EventsLandInTheTicWhoseTimeTheyPrecede) {
  // Four tics in this frame; tic k has time frame_start + k tics.
  int64_t frame_start = F.now_us;
  F.now_us += 4 * 7812 + 2;  // 31250 us exactly
  int64_t tic2 = frame_start + 15625;
  uint32_t x = EVENT_KEY_BASE + 0x2D;  // throttle
  F.events.push_back(InputEvent{x, true, F.at(tic2)});           // taken in tic 2, at its stamp
  F.events.push_back(InputEvent{x, false, F.at(frame_start + 23438 + 1)});  // just after tic 3: tic 4
  EXPECT_EQ(frame(L, F, R), 4);
  std::vector<float> want = {0, 1, 1, 0};
  EXPECT_EQ(R.throttle_at_tic, want);
}

TEST_F(LoopFixture, EventOneMicrosecondLateWaitsForTheNextTic) {
  int64_t frame_start = F.now_us;
  F.now_us += 31250;
  uint32_t x = EVENT_KEY_BASE + 0x2D;
  F.events.push_back(InputEvent{x, true, F.at(frame_start + 15625 + 1)});
  frame(L, F, R);
  std::vector<float> want = {0, 0, 1, 1};
  EXPECT_EQ(R.throttle_at_tic, want);
}

TEST_F(LoopFixture, LateEventsAreAllTakenInTheFramesLastTic) {
  F.now_us += 15625;
  uint32_t x = EVENT_KEY_BASE + 0x2D;
  F.events.push_back(InputEvent{x, true, F.at(F.now_us + 500000)});  // stamped after now
  frame(L, F, R);
  std::vector<float> want = {0, 1};
  EXPECT_EQ(R.throttle_at_tic, want);
}

TEST_F(LoopFixture, PauseAndSingleStep) {
  InputEvent pause{L.pause_key, true, F.at(F.now_us)};
  InputEvent step{L.step_key, true, F.at(F.now_us)};
  LoopHooks h = R.hooks();
  R.loop = &L;
  loop_dispatch(L, h, step);  // not paused: nothing
  EXPECT_EQ(R.tics, 0);
  loop_dispatch(L, h, pause);
  EXPECT_TRUE(L.paused);
  F.now_us += 31250;
  frame(L, F, R);
  EXPECT_EQ(R.tics, 0);  // paused: no simulation tics
  loop_dispatch(L, h, step);
  loop_dispatch(L, h, step);
  EXPECT_EQ(R.tics, 2);
  loop_dispatch(L, h, pause);
  EXPECT_FALSE(L.paused);
  // Online the pause key does nothing and any pause is cleared.
  L.online = true;
  loop_dispatch(L, h, pause);
  EXPECT_FALSE(L.paused);
}

TEST_F(LoopFixture, ControlSumsAndAxes) {
  LoopHooks h = R.hooks();
  auto press = [&](int i, bool down) { loop_dispatch(L, h, InputEvent{L.table[i].code, down, F.at(0)}); };
  press(0, true);  // left: steer +1
  press(1, true);  // right: steer -1
  press(11, true); // lean backward +1
  loop_sum_controls(L);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_STEER], 0);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_LEAN], 1);
  press(0, false);
  loop_sum_controls(L);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_STEER], -1);
  // An axis maps its range onto 0..1 and is clamped.
  ControlEntry& throttle = L.table[2];
  throttle.is_axis = true;
  throttle.low = -0.5f;
  throttle.high = 0.5f;
  throttle.axis_raw = 0;
  loop_sum_controls(L);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_THROTTLE], 0.5f);
  throttle.axis_raw = 32767;
  loop_sum_controls(L);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_THROTTLE], 1);
  throttle.low = throttle.high = 0.25f;  // no range: unbound, no division by zero
  loop_sum_controls(L);
  EXPECT_FLOAT_EQ(L.controls[CONTROL_THROTTLE], 0);
  // An unbound key (code 0) is never set by an event of code 0.
  L.table[3].code = 0;
  loop_dispatch(L, h, InputEvent{0, true, F.at(0)});
  EXPECT_FLOAT_EQ(L.table[3].value, 0);
}

TEST_F(LoopFixture, ClutchLetsInGraduallyAndSnapsBackToOne) {
  L.controls[CONTROL_CLUTCH] = 1;  // held: disengaged at once
  loop_rider_input(L);
  EXPECT_FLOAT_EQ(L.rider.clutch, 0);
  L.controls[CONTROL_CLUTCH] = 0.5f;  // half pulled: target 1 - 0.5 x 1.142857
  loop_rider_input(L);
  EXPECT_NEAR(L.rider.clutch, 0.03125, 1e-6);  // climbs toward it ...
  L.rider.clutch = 0.5f;
  loop_rider_input(L);
  EXPECT_NEAR(L.rider.clutch, 0.428571, 1e-5);  // ... but drops to it at once
  L.controls[CONTROL_CLUTCH] = 0;  // released
  std::vector<float> seen;
  for (int i = 0; i < 20; ++i) {
    loop_rider_input(L);
    seen.push_back(L.rider.clutch);
  }
  for (int i = 1; i < 18; ++i) EXPECT_NEAR(seen[i] - seen[i - 1], 0.03125, 1e-6) << i;
  // 0.428571 + 19 x 0.03125 would pass 1: the engagement stops at its target.
  for (float c : seen) EXPECT_LE(c, 1.0f);
  EXPECT_FLOAT_EQ(seen[18], 1.0f);
  EXPECT_FLOAT_EQ(seen[19], 1.0f);
  // A half-pulled lever is reached, not passed.
  L.rider.clutch = 0.4f;
  L.controls[CONTROL_CLUTCH] = 0.5f;
  for (int i = 0; i < 3; ++i) loop_rider_input(L);
  EXPECT_NEAR(L.rider.clutch, 1 - 0.5 * 1.1428571428571428, 1e-6);
}

TEST_F(LoopFixture, ShiftAndStickyDab) {
  L.controls[CONTROL_SHIFT] = 0.6f;
  loop_rider_input(L);
  EXPECT_EQ(L.rider.shift, 1);
  L.controls[CONTROL_SHIFT] = -0.5f;
  loop_rider_input(L);
  EXPECT_EQ(L.rider.shift, 0);
  L.sticky_dab = true;
  float pattern[] = {0, 1, 1, 0, 0.5f, 0, 0.49f};
  float want[] = {0, 1, 1, 1, 0, 0, 0};
  for (int i = 0; i < 7; ++i) {
    L.controls[CONTROL_DAB] = pattern[i];
    loop_rider_input(L);
    EXPECT_FLOAT_EQ(L.rider.dab, want[i]) << i;
  }
}

TEST_F(LoopFixture, MenusEscapeAndTheFrozenSimulation) {
  LoopHooks h = R.hooks();
  InputEvent esc{L.esc_code, true, F.at(0)};
  loop_dispatch(L, h, esc);  // riding: opens the main menu and the menu sees the key
  EXPECT_EQ(L.menu_screen, MENU_MAIN);
  ASSERT_EQ(R.menu_keys.size(), 1u);
  // The menu changed in this frame: later keys of the frame do not reach it.
  loop_dispatch(L, h, InputEvent{EVENT_KEY_BASE + 0x148, true, F.at(0)});
  EXPECT_EQ(R.menu_keys.size(), 1u);
  // Offline, no simulation tic runs while a menu is open.
  F.now_us += 31250;
  frame(L, F, R);
  EXPECT_EQ(R.tics, 0);
  loop_dispatch(L, h, InputEvent{EVENT_KEY_BASE + 0x148, true, F.at(0)});  // next frame: reaches the menu
  EXPECT_EQ(R.menu_keys.size(), 2u);
  L.menu_at_frame_start = L.menu_screen;
  loop_dispatch(L, h, esc);  // in a menu: closes it
  EXPECT_EQ(L.menu_screen, MENU_NONE);
  loop_dispatch(L, h, InputEvent{L.console_key, true, F.at(0)});
  EXPECT_EQ(L.menu_screen, MENU_CONSOLE);
}

TEST_F(LoopFixture, CloseSetsQuitAndTabCyclesViews) {
  LoopHooks h = R.hooks();
  InputEvent tab{9, true, F.at(0)};
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    loop_dispatch(L, h, tab);
    seen.push_back(L.view_mode);
  }
  std::vector<int> want = {VIEW_ORBIT, VIEW_TRACKSIDE, VIEW_RIDER, VIEW_ORBIT};
  EXPECT_EQ(seen, want);
  L.editor_enabled = true;
  L.view_mode = VIEW_RIDER;
  loop_dispatch(L, h, tab);
  EXPECT_EQ(L.view_mode, VIEW_EDITOR);
  loop_dispatch(L, h, tab);
  EXPECT_EQ(L.view_mode, VIEW_ORBIT);
  loop_dispatch(L, h, InputEvent{EVENT_WINDOW_CLOSE, true, F.at(0)});
  EXPECT_TRUE(L.quit);
}

TEST_F(LoopFixture, DigitsSelectTracksideCameras) {
  LoopHooks h = R.hooks();
  L.camera_count = 3;
  struct Case {
    char key;
    int camera;
  } cases[] = {{'0', -1}, {'1', 0}, {'7', 2}, {'3', 2}};
  for (const Case& c : cases) {
    loop_dispatch(L, h, InputEvent{uint32_t(c.key), true, F.at(0)});
    EXPECT_EQ(L.camera_selected, c.camera) << c.key;
  }
}
