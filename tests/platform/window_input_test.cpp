// The window's input devices: a joystick plugged in while the window is open
// joins its device list, its bound buttons arrive through event_poll, and
// the cursor device follows the pointer. Needs a display; skipped without.
#include "platform/input.h"
#include "platform/window.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool have_display() {
  const char* d = getenv("DISPLAY");
  return d && *d;
}

std::vector<InputEvent> collect(Window* w, int millis) {
  std::vector<InputEvent> out;
  int64_t end = clock_millis() + millis;
  while (clock_millis() < end) {
    InputEvent e;
    while (event_poll(w, e)) out.push_back(e);
    clock_sleep(0, 5000);
  }
  return out;
}

bool listed(InputDevices* d, const std::string& name) {
  for (const char* const* n = axis_names(d); *n; ++n)
    if (name == *n) return true;
  return false;
}

TEST(WindowInput, HotPluggedStickButtonsArriveThroughTheWindow) {
  if (!have_display()) GTEST_SKIP() << "no display";
  Window* w = window_open("Loamrun input test", 320, 240, 24, 0, 16, 0, 0);
  ASSERT_NE(w, nullptr);
  InputDevices* d = window_devices(w);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(key_code(d, "cursor-left"), 0x2000u);

  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_FLIGHT_STICK;
  desc.naxes = 2;
  desc.nbuttons = 3;
  desc.name = "Plugged Stick";
  int index = SDL_JoystickAttachVirtualEx(&desc);
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* j = SDL_JoystickOpen(index);
  ASSERT_NE(j, nullptr);
  collect(w, 100);  // the window hears of the new device
  EXPECT_TRUE(listed(d, "PluggedStick axis 1"));

  uint32_t code = key_code(d, "PluggedStick button 2");
  ASSERT_NE(code, 0u);
  SDL_JoystickSetVirtualButton(j, 2, SDL_PRESSED);
  std::vector<InputEvent> got = collect(w, 100);
  SDL_JoystickSetVirtualButton(j, 2, SDL_RELEASED);
  std::vector<InputEvent> more = collect(w, 100);
  got.insert(got.end(), more.begin(), more.end());
  std::vector<std::pair<uint32_t, bool>> seen;
  for (const InputEvent& e : got)
    if (e.code == code) seen.push_back({e.code, e.pressed});
  std::vector<std::pair<uint32_t, bool>> want = {{code, true}, {code, false}};
  EXPECT_EQ(seen, want);

  SDL_JoystickClose(j);
  SDL_JoystickDetachVirtual(index);
  collect(w, 50);
  window_close(w);
}

TEST(WindowInput, CursorDeviceFollowsThePointer) {
  if (!have_display()) GTEST_SKIP() << "no display";
  Window* w = window_open("Loamrun cursor test", 320, 240, 24, 0, 16, 0, 0);
  ASSERT_NE(w, nullptr);
  collect(w, 300);
  AxisHandle* x = axis_open(window_devices(w), "cursor-x");
  AxisHandle* y = axis_open(window_devices(w), "cursor-y");
  ASSERT_TRUE(x && y);
  int rc = system(
      "id=$(timeout 10 xdotool search --name 'Loamrun cursor test' | head -1) && "
      "timeout 10 xdotool mousemove --window $id 37 81 >/dev/null 2>&1");
  ASSERT_EQ(rc, 0);
  collect(w, 300);
  EXPECT_EQ(axis_read(x), 37);
  EXPECT_EQ(axis_read(y), 81);
  axis_close(x);
  axis_close(y);
  window_close(w);
}

}  // namespace
