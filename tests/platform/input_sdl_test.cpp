// The roll call and the SDL devices, over SDL's virtual joysticks (the
// joystick subsystem runs without a display).
#include "platform/input.h"
#include "platform/input_device.h"
#include "platform/log.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LogLines {
  std::vector<std::string> lines;
  static void listen(void* self, const char* text) { static_cast<LogLines*>(self)->lines.push_back(text); }
  LogLines() { log_set_listener(listen, this); }
  ~LogLines() { log_set_listener(nullptr, nullptr); }
  bool has(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
};

std::vector<std::string> listed_axes(InputDevices* d) {
  std::vector<std::string> out;
  for (const char* const* n = axis_names(d); *n; ++n) out.push_back(*n);
  return out;
}

bool listed(InputDevices* d, const std::string& name) {
  for (const std::string& n : listed_axes(d))
    if (n == name) return true;
  return false;
}

struct VirtualSticks : ::testing::Test {
  std::vector<SDL_Joystick*> opened;  // the test's own references
  EventQueue queue;
  InputDevices* d = nullptr;

  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
  }
  void TearDown() override {
    if (d) devices_close(d);
    for (SDL_Joystick* j : opened) SDL_JoystickClose(j);
    for (int i = SDL_NumJoysticks() - 1; i >= 0; --i)
      if (SDL_JoystickIsVirtual(i)) SDL_JoystickDetachVirtual(i);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  }

  // Attaches a virtual device and opens it for the test to drive.
  SDL_Joystick* attach(const char* name, SDL_JoystickType type, int axes, int buttons) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = Uint16(type);
    desc.naxes = Uint16(axes);
    desc.nbuttons = Uint16(buttons);
    desc.name = name;
    int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return nullptr;
    SDL_Joystick* j = SDL_JoystickOpen(index);
    if (j) opened.push_back(j);
    return j;
  }

  int index_of(SDL_Joystick* j) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == SDL_JoystickInstanceID(j)) return i;
    return -1;
  }

  std::vector<InputEvent> drain() {
    std::vector<InputEvent> out;
    InputEvent e;
    while (event_queue_pop(queue, e)) out.push_back(e);
    return out;
  }
};

TEST_F(VirtualSticks, JoystickIsListedReadAndPolled) {
  SDL_Joystick* j = attach("Test Stick 2.0", SDL_JOYSTICK_TYPE_FLIGHT_STICK, 3, 4);
  ASSERT_NE(j, nullptr) << SDL_GetError();
  LogLines log;
  d = input_devices_create(&queue);
  EXPECT_TRUE(log.has("Joystick roll call...\n"));
  EXPECT_TRUE(log.has("3 axes, 4 keys\n"));
  EXPECT_TRUE(log.has("Adding axis \"TestStick20 axis 2\"\n"));
  EXPECT_TRUE(log.has("End of joystick roll call\n"));
  EXPECT_TRUE(log.has("XInput roll call...\n"));
  EXPECT_TRUE(log.has("End of XInput roll call\n"));
  for (int a = 0; a < 3; ++a) EXPECT_TRUE(listed(d, "TestStick20 axis " + std::to_string(a)));
  EXPECT_FALSE(listed(d, "TestStick20 axis 3"));

  AxisHandle* h = axis_open(d, "TestStick20 axis 1");
  ASSERT_NE(h, nullptr);
  SDL_JoystickSetVirtualAxis(j, 1, 12345);
  EXPECT_EQ(axis_read(h), 12345);
  SDL_JoystickSetVirtualAxis(j, 1, -32768);
  EXPECT_EQ(axis_read(h), -32767);  // the range is symmetric
  axis_close(h);

  uint32_t code = key_code(d, "TestStick20 button 2");
  ASSERT_NE(code, 0u);
  EXPECT_EQ(code & 0xFFFF0000u, device_code_from_name("TestStick20"));
  EXPECT_EQ(code & 0xFFFFu, 2u);
  EXPECT_STREQ(key_name(d, code), "TestStick20 button 2");
  EXPECT_EQ(key_code(d, "TestStick20 button 4"), 0u);

  drain();
  SDL_JoystickSetVirtualButton(j, 2, SDL_PRESSED);
  devices_poll(d);
  SDL_JoystickSetVirtualButton(j, 2, SDL_RELEASED);
  devices_poll(d);
  std::vector<InputEvent> events = drain();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].code, code);
  EXPECT_TRUE(events[0].pressed);
  EXPECT_EQ(events[1].code, code);
  EXPECT_FALSE(events[1].pressed);
}

TEST_F(VirtualSticks, SameNamesGetNumbered) {
  ASSERT_NE(attach("Joy Pad", SDL_JOYSTICK_TYPE_FLIGHT_STICK, 1, 1), nullptr);
  ASSERT_NE(attach("Joy Pad", SDL_JOYSTICK_TYPE_FLIGHT_STICK, 1, 1), nullptr);
  d = input_devices_create(&queue);
  EXPECT_TRUE(listed(d, "JoyPad axis 0"));
  EXPECT_TRUE(listed(d, "JoyPad#2 axis 0"));
  uint32_t one = key_code(d, "JoyPad button 0"), two = key_code(d, "JoyPad#2 button 0");
  EXPECT_NE(one, 0u);
  EXPECT_NE(two, 0u);
  EXPECT_NE(one, two);
}

TEST_F(VirtualSticks, BuiltInAliasesReachTheirDevices) {
  SDL_Joystick* j = attach("Joystick 1", SDL_JOYSTICK_TYPE_FLIGHT_STICK, 2, 2);
  ASSERT_NE(j, nullptr);
  d = input_devices_create(&queue);
  const char* pairs[][2] = {
      {"mouse-x", "Mouse.axis[0]"},          {"mouse-y", "Mouse.axis[1]"},
      {"mouse-left", "Mouse.key[0]"},        {"mouse-right", "Mouse.key[1]"},
      {"mouse-middle", "Mouse.key[2]"},      {"joystick-a-x", "Joystick1.axis[0]"},
      {"joystick-a-y", "Joystick1.axis[1]"}, {"joystick-a-1", "Joystick1.key[0]"},
      {"joystick-a-2", "Joystick1.key[1]"},  {"joystick-b-x", "Joystick2.axis[0]"},
      {"joystick-b-y", "Joystick2.axis[1]"}, {"joystick-b-1", "Joystick2.key[0]"},
      {"joystick-b-2", "Joystick2.key[1]"},  {"cursor-x", "cursor.axis[0]"},
      {"cursor-y", "cursor.axis[1]"},        {"cursor-left", "Mouse Left"},
      {"cursor-middle", "Mouse Middle"},     {"cursor-right", "Mouse Right"},
  };
  for (auto& p : pairs) EXPECT_STREQ(alias_lookup(p[0]), p[1]) << p[0];

  AxisHandle* y = axis_open(d, "joystick-a-y");
  ASSERT_NE(y, nullptr);
  SDL_JoystickSetVirtualAxis(j, 1, -400);
  EXPECT_EQ(axis_read(y), -400);
  axis_close(y);
  EXPECT_EQ(key_code(d, "joystick-a-2"), key_code(d, "Joystick1 button 1"));
  EXPECT_NE(key_code(d, "joystick-a-2"), 0u);
  EXPECT_EQ(key_code(d, "joystick-b-1"), 0u);  // no second joystick
  EXPECT_EQ(axis_open(d, "mouse-x"), nullptr);  // no device called Mouse
}

TEST_F(VirtualSticks, ControllerLooksLikeAnXInputPad) {
  SDL_Joystick* j = attach("Virt Pad", SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15);
  ASSERT_NE(j, nullptr) << SDL_GetError();
  ASSERT_TRUE(SDL_IsGameController(index_of(j)));
  LogLines log;
  d = input_devices_create(&queue);
  EXPECT_TRUE(log.has("Ignoring XInput device\n"));
  EXPECT_FALSE(listed(d, "VirtPad axis 0")) << "left to the controller roll call";

  // The newest controller has the highest number.
  std::string pad;
  for (const std::string& n : listed_axes(d))
    if (n.rfind("XInputGamepad", 0) == 0) pad = n.substr(0, n.find(' '));
  ASSERT_FALSE(pad.empty());
  EXPECT_TRUE(log.has(pad + " found\n"));
  for (int a = 0; a < 6; ++a) EXPECT_TRUE(listed(d, pad + " axis " + std::to_string(a)));

  // The virtual controller's mapping: buttons a, b, x, y, back, guide, start,
  // left stick, right stick, shoulders, d-pad; axes left x, left y, right x,
  // right y, triggers.
  struct AxisCase {
    int axis, raw, want;
  } axes[] = {
      {0, 1000, 1000},     {0, -32768, -32768}, {1, -32768, 32767}, {1, 32767, -32767}, {1, 0, 0},
      {3, -20000, 20000},  {4, 32767, 32767},   {4, -32768, 0},     {5, 32767, 32767},
  };
  for (const AxisCase& c : axes) {
    AxisHandle* h = axis_open(d, (pad + " axis " + std::to_string(c.axis)).c_str());
    ASSERT_NE(h, nullptr);
    SDL_JoystickSetVirtualAxis(j, c.axis, Sint16(c.raw));
    EXPECT_EQ(axis_read(h), c.want) << "axis " << c.axis << " raw " << c.raw;
    axis_close(h);
  }

  uint32_t base = key_code(d, (pad + " button 0").c_str()) & 0xFFFF0000u;
  ASSERT_NE(base, 0u);
  EXPECT_EQ(key_code(d, (pad + " button 16").c_str()), 0u);
  struct ButtonCase {
    int virtual_button, bit;
  } buttons[] = {{0, 12}, {1, 13}, {2, 14}, {3, 15}, {4, 5}, {6, 4}, {7, 6}, {8, 7}, {9, 8}, {10, 9},
                 {11, 0}, {12, 1}, {13, 2}, {14, 3}};
  drain();
  for (const ButtonCase& c : buttons) {
    SDL_JoystickSetVirtualButton(j, c.virtual_button, SDL_PRESSED);
    devices_poll(d);
    SDL_JoystickSetVirtualButton(j, c.virtual_button, SDL_RELEASED);
    devices_poll(d);
    std::vector<InputEvent> events = drain();
    ASSERT_EQ(events.size(), 2u) << "virtual button " << c.virtual_button;
    EXPECT_EQ(events[0].code, base | uint32_t(c.bit)) << "virtual button " << c.virtual_button;
    EXPECT_TRUE(events[0].pressed);
    EXPECT_EQ(events[1].code, base | uint32_t(c.bit));
    EXPECT_FALSE(events[1].pressed);
  }
  // The guide button has no XInput bit.
  SDL_JoystickSetVirtualButton(j, 5, SDL_PRESSED);
  devices_poll(d);
  EXPECT_TRUE(drain().empty());
}

TEST_F(VirtualSticks, OptionsChooseWhatIsLookedFor) {
  ASSERT_NE(attach("Virt Pad", SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15), nullptr);
  ASSERT_NE(attach("Plain Stick", SDL_JOYSTICK_TYPE_FLIGHT_STICK, 1, 1), nullptr);
  {
    LogLines log;
    d = input_devices_roll_call(&queue, true, false);  // "xinput" off
    EXPECT_TRUE(log.has("XInput disabled\n"));
    EXPECT_TRUE(listed(d, "VirtPad axis 5")) << "a controller is then a plain joystick";
    EXPECT_TRUE(listed(d, "PlainStick axis 0"));
    devices_close(d);
  }
  LogLines log;
  d = input_devices_roll_call(&queue, false, true);  // "dinput" off
  EXPECT_TRUE(log.has("Joystick roll call disabled\n"));
  EXPECT_FALSE(listed(d, "PlainStick axis 0"));
  EXPECT_FALSE(listed(d, "VirtPad axis 0"));
  bool pad = false;
  for (const std::string& n : listed_axes(d)) pad = pad || n.rfind("XInputGamepad", 0) == 0;
  EXPECT_TRUE(pad);
}

TEST_F(VirtualSticks, UnpluggedStickLetsGoAndComesBackUnderItsName) {
  d = input_devices_create(&queue);
  SDL_Joystick* j = attach("Late Stick", SDL_JOYSTICK_TYPE_FLIGHT_STICK, 2, 2);
  ASSERT_NE(j, nullptr);
  devices_added(d, index_of(j));
  devices_added(d, index_of(j));  // the second notice of the same device
  EXPECT_TRUE(listed(d, "LateStick axis 1"));
  EXPECT_FALSE(listed(d, "LateStick#2 axis 1"));
  size_t axes_before = listed_axes(d).size();

  uint32_t code = key_code(d, "LateStick button 1");
  AxisHandle* h = axis_open(d, "LateStick axis 0");
  ASSERT_TRUE(code && h);
  SDL_JoystickSetVirtualAxis(j, 0, 5000);
  EXPECT_EQ(axis_read(h), 5000);
  SDL_JoystickSetVirtualButton(j, 1, SDL_PRESSED);
  devices_poll(d);
  drain();

  SDL_JoystickID id = SDL_JoystickInstanceID(j);
  SDL_JoystickDetachVirtual(index_of(j));
  devices_removed(d, id);
  std::vector<InputEvent> events = drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, code);
  EXPECT_FALSE(events[0].pressed);
  EXPECT_EQ(axis_read(h), 0);

  SDL_Joystick* again = attach("Late Stick", SDL_JOYSTICK_TYPE_FLIGHT_STICK, 2, 2);
  ASSERT_NE(again, nullptr);
  devices_added(d, index_of(again));
  EXPECT_EQ(listed_axes(d).size(), axes_before);
  SDL_JoystickSetVirtualAxis(again, 0, -7000);
  EXPECT_EQ(axis_read(h), -7000) << "the old handle reads the device again";
  SDL_JoystickSetVirtualButton(again, 1, SDL_PRESSED);
  devices_poll(d);
  events = drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, code);
  EXPECT_TRUE(events[0].pressed);
  axis_close(h);
}

}  // namespace
