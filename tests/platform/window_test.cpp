// The real window under X: events sent through the X server arrive as the
// program's codes and characters. Needs a display (the test command runs the
// suite under xvfb-run); skipped without one.
#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

static bool have_display() {
  const char* d = getenv("DISPLAY");
  return d && *d;
}

// Drains the window's events for a while, collecting them.
static std::vector<InputEvent> collect(Window* w, int millis) {
  std::vector<InputEvent> out;
  ClockTime end = clock_now();
  end.seconds += millis / 1000;
  end.micros += (millis % 1000) * 1000;
  if (end.micros >= 1000000) {
    end.seconds += 1;
    end.micros -= 1000000;
  }
  while (clock_before(clock_now(), end)) {
    InputEvent e;
    while (event_poll(w, e)) out.push_back(e);
    clock_sleep(0, 5000);
  }
  return out;
}

static int xdotool(const std::string& args) {
  return system(("timeout 10 xdotool " + args + " >/dev/null 2>&1").c_str());
}

// The X id of the window with this title, or "" (asked of the X server).
static std::string window_id(const char* title) {
  std::string cmd = std::string("timeout 10 xdotool search --name '") + title + "' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return "";
  char line[64] = "";
  if (!fgets(line, sizeof line, p)) line[0] = 0;
  pclose(p);
  std::string id = line;
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

struct WindowFixture : ::testing::Test {
  Window* w = nullptr;
  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no display";
    w = window_open("Loamrun window test", 320, 240, 24, 0, 16, 0, 0);
    ASSERT_NE(w, nullptr);
    collect(w, 300);  // let the window map and settle
  }
  void TearDown() override { window_close(w); }
};

TEST_F(WindowFixture, FramesHaveTheWindowSize) {
  Drawable d;
  ASSERT_TRUE(frame_begin(w, d));
  EXPECT_EQ(d.width, 320);
  EXPECT_EQ(d.height, 240);
  EXPECT_TRUE(frame_end(w));
}

TEST_F(WindowFixture, XKeysArriveAsSetOneCodesAndCharacters) {
  std::string id = window_id("Loamrun window test");
  ASSERT_NE(id, "");
  ASSERT_EQ(xdotool("windowfocus " + id), 0);
  collect(w, 100);
  ASSERT_EQ(xdotool("key a BackSpace Tab Return Escape Delete Left Next KP_Enter"), 0);
  ASSERT_EQ(xdotool("mousemove --window " + id + " 10 10 click 2"), 0);
  std::vector<InputEvent> got = collect(w, 800);
  struct Want {
    uint32_t code;
    bool pressed;
  } want[] = {
      {0x101E, true}, {'a', true}, {0x101E, false},        // a: key, then the typed character
      {0x100E, true}, {8, true}, {0x100E, false},          // Backspace
      {0x100F, true}, {9, true}, {0x100F, false},          // Tab
      {0x101C, true}, {13, true}, {0x101C, false},         // Enter
      {0x1001, true}, {27, true}, {0x1001, false},         // Escape
      {0x1153, true}, {127, true}, {0x1153, false},        // Delete (extended)
      {0x114B, true}, {0x114B, false},                     // Left arrow (extended)
      {0x1151, true}, {0x1151, false},                     // Page Down (extended)
      {0x111C, true}, {13, true}, {0x111C, false},         // Keypad Enter (extended)
      {0x2001, true}, {0x2001, false},                     // middle mouse button
  };
  std::vector<std::pair<uint32_t, bool>> seen, expected;
  for (const InputEvent& e : got) seen.push_back({e.code, e.pressed});
  for (const Want& x : want) expected.push_back({x.code, x.pressed});
  EXPECT_EQ(seen, expected);
  // Stamps are on the program's clock and in order.
  for (size_t i = 1; i < got.size(); ++i) EXPECT_FALSE(clock_before(got[i].time, got[i - 1].time));
  ClockTime now = clock_now();
  for (const InputEvent& e : got) EXPECT_FALSE(clock_before(now, e.time));
}

TEST(DisplayModes, FullScreenChoiceTakesTheSmallestCoveringMode) {
  DisplayMode modes[] = {{1024, 768, 32}, {1280, 720, 32}, {1280, 1024, 32}, {0, 0, 0}};
  DisplayMode desktop{1920, 1080, 32};
  struct Case {
    int w, h, want_w, want_h;
  } cases[] = {
      {1000, 700, 1024, 768},  // 1792 is the smallest width + height
      {1100, 700, 1280, 720},
      {1280, 800, 1280, 1024},
      {2000, 2000, 1920, 1080},  // larger than every mode: the desktop
      {0, 0, 1920, 1080},
  };
  for (const Case& c : cases) {
    DisplayMode m = display_mode_choose(modes, c.w, c.h, desktop);
    EXPECT_EQ(m.width, c.want_w) << c.w << "x" << c.h;
    EXPECT_EQ(m.height, c.want_h) << c.w << "x" << c.h;
  }
}
